#pragma once
// The page of the options sheet that only informs: the version page.
#include "shell/dialog.h"

// "バージョン": the program's icon, "Quarvel SV", the version of the program file and the
// update date.
class Options_VersionPageWindow : public Dialog_Page {
public:
    Options_VersionPageWindow();

protected:
    void OnInit() override;
};
