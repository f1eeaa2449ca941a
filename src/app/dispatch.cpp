#include "dispatch.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app.h"

typedef void (*ActionEntry)(const char* args);

struct ActionRow {
    const char* option;  // compared over three characters, the terminating NUL included
    Dispatch_Action action;
    const char* title;   // what the user calls it
    ActionEntry entry;   // null while the action is not part of the program yet
};

// Searched in this order; the first match wins. "" matches only the empty text and "-z"
// only the whole text "-z", because the comparison reaches their terminating NUL.
static const ActionRow kActions[] = {
    {"", Dispatch_OptionsLastPage, "設定", nullptr},
    {"-z", Dispatch_OptionsDllPage, "設定", nullptr},
    {"-x ", Dispatch_Freeze, "圧縮", nullptr},
    {"-u ", Dispatch_Update, "圧縮フォルダの更新", nullptr},
    {"-r ", Dispatch_BackToNormal, "通常化", nullptr},
    {"-v ", Dispatch_Floppy, "フロッピー分割", nullptr},
    {"-i ", Dispatch_Install, "解凍・インストール", nullptr},
    {"-p ", Dispatch_ListReport, "一覧の出力", nullptr},
    {"-o ", Dispatch_OpenFolder, "開く", nullptr},
    {"-c ", Dispatch_QuickFreeze, "圧縮化", nullptr},
    {"-d ", Dispatch_DoubleClick, "自動オープン", nullptr},
};

static const ActionRow kDropRow = {nullptr, Dispatch_Drop, "ドロップされたファイルの処理", nullptr};

static const ActionRow& ChooseRow(const char* args) {
    for (const ActionRow& row : kActions) {
        if (strncmp(args, row.option, 3) == 0) return row;
    }
    return kDropRow;
}

Dispatch_Action Dispatch_Choose(const char* args) { return ChooseRow(args).action; }

// An action that this build does not carry yet must not look like success.
static void ReportNotBuilt(const ActionRow& row) {
    char text[256];
    snprintf(text, sizeof text, "「%s」の機能は、このバージョンにはまだありません。", row.title);
    MessageBoxA(nullptr, text, "Quarvel SV", MB_OK | MB_ICONINFORMATION);
    App_SetExitStatus(2);
}

bool DispatchCommandLine(const char* args) {
    const ActionRow& row = ChooseRow(args);
    if (row.entry == nullptr) {
        ReportNotBuilt(row);
    } else {
        row.entry(args);
    }
    return false;
}
