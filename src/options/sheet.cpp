#include "options/sheet.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "lib/filex.h"
#include "lib/strx.h"
#include "options/compress_page.h"
#include "options/info_pages.h"
#include "options/installer.h"
#include "options/melt_page.h"
#include "options/rule_page.h"
#include "options/setup.h"
#include "shell/winx_registry.h"

// ---- Rules -------------------------------------------------------------------------------

int Options_FirstPage(int requested, int prev_page, bool no_dll_flagged) {
    if (no_dll_flagged) return Options_DllPage;
    if (requested >= 0 && requested < Options_PageCount) return requested;
    if (prev_page >= 0 && prev_page < Options_PageCount) return prev_page;
    return Options_MeltPage;
}

static const char kMeltVerb[] = "3.Melt(&I)";

static const char* DefaultVerb(int double_click_action) {
    return double_click_action == Zent_DefAct_Melt ? kMeltVerb : "open";
}

// The archive classes of the association rows, in the order of the rows.
static const char* const kArchiveClasses[] = {
    "lzhfile", "zipfile", "cabfile", "rarfile", "arjfile", "yz1file", "gcafile",
    "gzfile",  "bz2file", "tarfile", "tgzfile", "tazfile", "debfile", "7zfile",
};

void Options_WriteDefaultVerbs(int double_click_action) {
    const char* verb = DefaultVerb(double_click_action);
    for (const char* archive_class : kArchiveClasses) {
        char shell[64];
        char melt[96];
        snprintf(shell, sizeof shell, "%s\\shell", archive_class);
        snprintf(melt, sizeof melt, "%s\\%s", shell, kMeltVerb);
        // Only a class that carries this program's verbs is ours to change; the default verb
        // of another program's class would then name a verb it does not have.
        if (!WinX_RegExists(HKEY_CLASSES_ROOT, melt, true, false)) continue;
        WinX_RegValue value = {REG_SZ, const_cast<char*>(verb),
                               static_cast<DWORD>(strlen(verb) + 1), 0};
        WinX_RegWrite(HKEY_CLASSES_ROOT, shell, true, &value);
    }
}

// ---- Saving ----------------------------------------------------------------------------

void Options_Save(HWND page, Zent_Settings* settings) {
    HWND sheet = GetParent(page);
    HWND current = PropSheet_GetCurrentPageHwnd(sheet);
    int active = static_cast<int>(PropSheet_HwndToIndex(sheet, current));
    if (active >= 0 && active < Options_PageCount) settings->PrevPage = active;
    Zent_SaveSettings(settings, settings->file);
}

// ---- The sheet -----------------------------------------------------------------------------

namespace {

// Every page of the sheet answers its Help button with the help page.
template <class Page>
class WithHelp : public Page {
public:
    using Page::Page;

protected:
    void OnHelp() override {
        Dialog_OpenHelp(GetParent(this->Window()), "index.htm#dll", "Quarvel SV");
    }
};

}  // namespace

void ShowOptions(Zent_Settings* s, int page) {
    // A program without its settings file has not been set up on this machine yet.
    if (!FileX_Exists(s->file)) {
        char program[StrX_PathSize];
        GetModuleFileNameA(nullptr, program, sizeof program);
        Zent_Setup(program);
    }
    int first = Options_FirstPage(page, s->PrevPage, Zent_NoDllFlagged(s));

    WithHelp<Options_MeltPageWindow> melt(s);
    WithHelp<Options_CompressPageWindow> compress(s);
    WithHelp<Zent_RulePage> rules(s);
    WithHelp<Options_InstallerPage> dll(s);
    WithHelp<Options_VersionPageWindow> version;
    Dialog_SheetStart start;
    start.page = first;
    start.help = true;
    Dialog_RunSheet(nullptr, "Quarvel SV", {&melt, &compress, &rules, &dll, &version}, start);
    Options_WriteDefaultVerbs(s->DefActOnDblClk);
}
