#pragma once
// The install dialog: where the new folder goes (a list of destinations and a path field
// that follow each other) and what it is called.
#include <cstddef>

#include "folders/install.h"
#include "settings/settings.h"

enum {
    Zent_InstallHere = 0,    // the archive's own folder
    Zent_InstallStd = 5,     // the StdMeltPath setting
    Zent_InstallCustom = 6,  // the InstallPath setting
    Zent_InstallTyped = 7,   // whatever the path field holds
    Zent_InstallPlaces = 8,
};

struct Zent_InstallState {
    char archive[260];
    // The folder each list position puts into the path field; the typed position has none,
    // and a folder that Windows did not report is empty.
    char places[Zent_InstallPlaces][260];
    char path[260];    // the path field
    char name[260];    // the new folder's name
    char target[260];  // set on OK: path and name joined
};

// The initial contents: every place, the archive's folder in the path field and the
// archive's name without its extension as the folder name.
void Zent_InstallBegin(Zent_InstallState* state, const Zent_Settings* settings,
                       const char* archive);
// The two places taken from the settings (after the options sheet may have changed them).
void Zent_InstallTakeSettings(Zent_InstallState* state, const Zent_Settings* settings);

// Shows the dialog (resource 136) modally. True when the user chose 解凍(&O): state->target
// is then a full path whose last part is a valid folder name. Its "設定(&T)..." opens the
// options sheet on the melt page; the record is then read again from its file.
bool Zent_RunInstallDialog(Zent_InstallState* state, Zent_Settings* settings);

// ---- The dialog's rules, free of any window ----------------------------------------------
const char* Zent_InstallPlaceText(int position);
// "下記の解凍先に新しいフォルダを作り、そこに <archive name> を解凍・インストールします。"
char* Zent_InstallIntro(const char* archive, char* out, size_t size);
// What choosing a list position puts into the path field: its folder; the typed position
// keeps the field's text; an empty result means the archive's folder.
char* Zent_InstallPathFor(const Zent_InstallState* state, int position, char* out);
// The position whose folder is the text (letter case aside), tried in the order desktop,
// documents, program files, system, the two custom folders, the archive's folder; the typed
// position when none is.
int Zent_InstallMatch(const Zent_InstallState* state, const char* text);
// Why path and name make no target (a message for the user), or null when they do: the
// path must be a full path without "." or ".." steps, the name one folder name.
const char* Zent_InstallRefusal(const char* path, const char* name);
// path and name joined, with "/" turned into "\".
char* Zent_InstallTarget(const char* path, const char* name, char* out);
// An existing target folder may be replaced unless it is or holds the archive's folder or
// another place the list offers (the system folder, Program Files, the desktop...).
bool Zent_InstallMayReplace(const Zent_InstallState* state);
