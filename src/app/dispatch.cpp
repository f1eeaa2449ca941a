#include "dispatch.h"

#include <windows.h>

#include <cstring>

#include "app.h"
#include "args.h"
#include "settings/settings.h"
#include "archiver/listing.h"
#include "archiver/zent_types.h"
#include "folders/backnormal.h"
#include "folders/freeze.h"
#include "folders/install.h"
#include "folders/melt.h"
#include "folders/update.h"
#include "floppy/floppy.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "options/sheet.h"

// Every action gets the settings, loaded once for it by the dispatcher.
typedef void (*ActionEntry)(const char* args, Zent_Settings* settings);

static void DoubleClickAction(const char* args, Zent_Settings* s);
static void DropAction(const char* args, Zent_Settings* s);
static void OptionsAction(const char* args, Zent_Settings* s);
static void QuickFreezeAction(const char* args, Zent_Settings* s);
static void OpenFolder(Zent_Settings* s, const char* archive);
static void Install(Zent_Settings* s, const char* archive);
static void Freeze(Zent_Settings* s, const char* path);
static void DivideToFloppy(Zent_Settings* s, const char* archive);
static void ListReport(Zent_Settings* s, const char* archive);

// An action on the one path after the option, which must exist.
template <auto Verb>
static void OnPath(const char* args, Zent_Settings* s) {
    char path[260];
    GetArgumentPath(args + 3, path, sizeof path);
    Verb(s, path);
}

// What an action reads of dovetrim.ini. The listing report needs nothing of it; the floppy
// split only the double-click action (how a disk is shown), so a file of another program or
// of a newer version gives it the defaults instead of stopping it.
enum SettingsUse { kSettings, kNoSettings, kUsableSettings };

struct ActionRow {
    const char* option;  // compared over three characters, the terminating NUL included
    Dispatch_Action action;
    ActionEntry entry;
    SettingsUse settings;
};

// Searched in this order; the first match wins. "" matches only the empty text and "-z"
// only the whole text "-z", because the comparison reaches their terminating NUL.
static const ActionRow kActions[] = {
    {"", Dispatch_OptionsLastPage, OptionsAction, kSettings},
    {"-z", Dispatch_OptionsDllPage, OptionsAction, kSettings},
    {"-x ", Dispatch_Freeze, OnPath<Freeze>, kSettings},
    {"-u ", Dispatch_Update, OnPath<UpdateArchive>, kSettings},
    {"-r ", Dispatch_BackToNormal, OnPath<BackToNormal>, kSettings},
    {"-v ", Dispatch_Floppy, OnPath<DivideToFloppy>, kUsableSettings},
    {"-i ", Dispatch_Install, OnPath<Install>, kSettings},
    {"-p ", Dispatch_ListReport, OnPath<ListReport>, kNoSettings},
    {"-o ", Dispatch_OpenFolder, OnPath<OpenFolder>, kSettings},
    {"-c ", Dispatch_QuickFreeze, QuickFreezeAction, kSettings},
    {"-d ", Dispatch_DoubleClick, DoubleClickAction, kSettings},
};

static const ActionRow kDropRow = {nullptr, Dispatch_Drop, DropAction, kSettings};

static const ActionRow& ChooseRow(const char* args) {
    for (const ActionRow& row : kActions) {
        if (strncmp(args, row.option, 3) == 0) return row;
    }
    return kDropRow;
}

Dispatch_Action Dispatch_Choose(const char* args) {
    return ChooseRow(args).action;
}

// Too large for the stack; one action runs per process.
static Zent_Settings g_settings;

static void Install(Zent_Settings* s, const char* archive) {
    InstallArchive(s, archive, Zent_ExplorerView(s->DefActOnDblClk));
}

static void OpenFolder(Zent_Settings* s, const char* archive) {
    MeltOpenFolder(s, archive, s->MeltToOnDblClk, Zent_ExplorerView(s->DefActOnDblClk));
}

// The melt chosen by a default-action value for one archive.
static void MeltBy(Zent_Settings* s, const char* argument, const char* archive, int default_action,
                   int destination) {
    switch (default_action) {
        case Zent_DefAct_AutoFold:
        case Zent_DefAct_AutoExp:
            MeltAutoOpen(s, argument, destination, default_action);
            break;
        case Zent_DefAct_Fold:
        case Zent_DefAct_Exp:
            MeltOpenFolder(s, archive, destination, default_action == Zent_DefAct_Exp);
            break;
        default:
            MeltExtractOnly(s, archive, destination);
            break;
    }
}

// The first token and the number of tokens of a multi-item argument.
static int FirstToken(const char* argument, char* first) {
    StrX_Args tokens;
    StrX_ArgsInit(&tokens, argument);
    StdPlus_CopyN(first, StrX_ArgsCurrent(&tokens), 260);
    return StrX_ArgsCount(&tokens);
}

static void DoubleClickAction(const char* args, Zent_Settings* s) {
    const char* argument = args + 3;
    char archive[260];
    if (FirstToken(argument, archive) != 1 || !Zent_IsArchivePath(archive))
        ERRORS_RAISE(Errors_Unofficial, "%s", "error");
    // The archive types' default verb is "-i " itself when the double click installs; a
    // "-d " that still comes (a type whose verb was written before) installs all the same.
    if (s->DefActOnDblClk == Zent_DefAct_Melt) {
        Install(s, archive);
        return;
    }
    MeltBy(s, argument, archive, s->DefActOnDblClk, s->MeltToOnDblClk);
}

// One folder is frozen as itself; anything else (several items, one file) as items.
static void QuickFreeze(const char* argument, int count, const char* first, bool delete_items,
                        Zent_Settings* s) {
    if (count == 1 && FileX_IsDir(first)) {
        QuickFreezeFolder(s, argument, delete_items);
    } else {
        QuickFreezeItems(s, argument, delete_items);
    }
}

static void DropAction(const char* args, Zent_Settings* s) {
    char first[260];
    int count = FirstToken(args, first);
    if (count == 1 && Zent_IsArchivePath(first)) {
        if (s->DefActOnDrop == Zent_DefAct_Melt) {
            Install(s, first);
            return;
        }
        MeltBy(s, args, first, s->DefActOnDrop, s->MeltToOnDrop);
        return;
    }
    QuickFreeze(args, count, first, s->DelOrgOnDrop != 0, s);
}

static void QuickFreezeAction(const char* args, Zent_Settings* s) {
    const char* argument = args + 3;
    char first[260];
    int count = FirstToken(argument, first);
    if (count == 1 && Zent_IsArchivePath(first)) {
        Freeze_RefuseArchive();
        return;
    }
    QuickFreeze(argument, count, first, s->DelOrgOnMenu != 0, s);
}

static void Freeze(Zent_Settings* s, const char* path) {
    FreezeWithDialog(s, path);
}

static void DivideToFloppy(Zent_Settings* s, const char* archive) {
    Floppy_Divide(s, archive, nullptr);
}

static void ListReport(Zent_Settings*, const char* archive) {
    Zent_ListReport(archive);
}

// "" and "-z": the options sheet, on the page used last or on the DLL installer page.
static void OptionsAction(const char* args, Zent_Settings* s) {
    bool dll_page = ChooseRow(args).action == Dispatch_OptionsDllPage;
    ShowOptions(s, dll_page ? Options_DllPage : Options_LastPage);
}

static void LoadSettingsFor(const ActionRow& row) {
    switch (row.settings) {
        case kSettings:
            Zent_LoadSettings(&g_settings, Zent_SettingsPath());
            break;
        case kUsableSettings:
            Except_TryCatch(
                __FILE__, __LINE__, [] { Zent_LoadSettings(&g_settings, Zent_SettingsPath()); },
                [] { Zent_DefaultSettings(&g_settings); });
            break;
        case kNoSettings:
            Zent_DefaultSettings(&g_settings);
            break;
    }
}

bool DispatchCommandLine(const char* args) {
    const ActionRow& row = ChooseRow(args);
    LoadSettingsFor(row);
    row.entry(args, &g_settings);
    return false;
}
