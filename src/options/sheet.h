#pragma once
// The options sheet "Quarvel SV", the program's one window of its own: the melt, compress,
// auto-open, DLL installer and version pages. It is shown when the program starts without
// arguments or with "-z", and by the "設定" buttons of the freeze and install dialogs.
#include <windows.h>

#include "settings/settings.h"

enum {
    Options_MeltPage = 0,
    Options_CompressPage = 1,
    Options_AutoOpenPage = 2,
    Options_DllPage = 3,
    Options_VersionPage = 4,
    Options_PageCount = 5,
    Options_LastPage = -1,  // the page that was active when the sheet was last closed
};

// Runs the sheet modally on the caller's record, on page 0 to 4 or Options_LastPage; its
// pages save the record to the file it was read from (settings->file), so the caller finds
// the new values in its record afterwards. Without that file the program is first set up on
// this machine (desktop shortcut, uninstall entry). After the sheet closes, the default verb
// of the archive types follows the double-click action.
void ShowOptions(Zent_Settings* settings, int page);

// A page's OK: the index of the sheet's active page becomes PrevPage, then the settings are
// saved to their file.
void Options_Save(HWND page, Zent_Settings* settings);

// ---- Rules, free of any window -----------------------------------------------------------
// The page shown first: page 3 while no archiver DLL is flagged, else the requested page, else
// PrevPage; a PrevPage outside the five pages gives page 0.
int Options_FirstPage(int requested, int prev_page, bool no_dll_flagged);
// Sets the default verb of each archive class of this program that exists: the install
// dialog's verb for Zent_DefAct_Melt, "open" (the default action through "-d ") otherwise.
// A class without this program's verbs belongs to another program and is left as it is.
void Options_WriteDefaultVerbs(int double_click_action);
