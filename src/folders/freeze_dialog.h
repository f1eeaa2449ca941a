#pragma once
// The freeze dialog "圧縮 - Quarvel": its state and the rules that turn the state into what
// the controls show, free of any window. The window itself is in freeze_dialog.cpp.
#include <cstddef>

// What the rules read.
struct Freeze_DialogState {
    int format;         // position in the format list
    bool self_extract;  // "自己解凍ファイルにする(&S)"
    bool ask;           // "Yes/No をユーザに要求するメッセージを出す(&Y):"
    bool install;       // "解凍先はユーザが指定する(&I):"
};

// What the controls show.
struct Freeze_DialogView {
    bool self_extract_enabled;
    bool self_extract;  // checked
    bool question_enabled;
    bool message_enabled;
    char extension[16];  // shown after the name
    int height;          // of the dialog, in pixels
    bool options_shown;  // the self-extraction options; they exist for LHA alone
    const char* destination_label;
    int destination_label_width;  // in pixels
};

enum { Freeze_SmallHeight = 210, Freeze_TallHeight = 450 };

// The update rule, run after initialisation and after every change of the format, the
// self-extraction, the question or the destination choice.
Freeze_DialogView Freeze_ViewOf(const Freeze_DialogState& state);

// "解凍したときにフォルダを作る(&W)" starts checked unless the folder holds exactly one
// entry and that entry is a file.
bool Freeze_StoreFolderAtFirst(const char* folder);

// The initial texts for a folder (its path without a trailing backslash).
struct Freeze_Texts {
    char caption[300];   // "<folder> を圧縮します。"
    char name[260];      // the folder's name
    char title[300];     // "<name> インストール"
    char question[400];  // "<name> をインストールします。よろしいですか？"
    char command[300];   // explorer "<name>"
};
void Freeze_InitialTexts(const char* folder, Freeze_Texts* texts);

// The help on the variables of the default destination.
extern const char Freeze_VariablesHelp[];
