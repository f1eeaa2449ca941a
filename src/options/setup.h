#pragma once
// Setting the program up on a machine (desktop shortcut, uninstall entry) and taking it
// off again.
#include "settings/settings.h"

// Desktop shortcut "Quarvel SV.lnk" and the uninstall entry, both for program_path.
void Zent_Setup(const char* program_path);
// After the user confirmed: un-associates the rows flagged in associated_rows (one flag per
// row of the current set, null: every row) with "folder" and "*", saves the settings with
// no DLL flagged, removes the shortcut and the uninstall entry, and leaves the program's
// folder to the removal script.
void Zent_Uninstall(const char* program_path, Zent_Settings* settings, const bool* associated_rows);
