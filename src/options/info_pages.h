#pragma once
// Pages of the options sheet that only inform: the version page, and the page that holds the
// DLL installer's place while that page is not part of the program yet.
#include "shell/dialog.h"

// "バージョン": the program's icon, "Quarvel SV", the version of the program file and the
// update date.
class Options_VersionPageWindow : public Dialog_Page {
public:
    Options_VersionPageWindow();

protected:
    void OnInit() override;
};

// "DLL インストーラ": says plainly that this version has no DLL installer yet.
class Options_DllPendingPageWindow : public Dialog_Page {
public:
    Options_DllPendingPageWindow();
};
