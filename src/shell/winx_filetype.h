#pragma once
// What a file type registered under HKEY_CLASSES_ROOT: its icon, its verbs, whether it
// asks before opening.
#include <windows.h>

struct WinX_VerbInfo {
    char name[64];
    char menu[64];
    BYTE edit_flags[4];
    char command[256];
    bool has_dde;
    char dde_message[64];
    char dde_application[256];
    char dde_ifexec[256];
    char dde_topic[64];
};
// The icon of an extension's type: file and index; the empty file when nothing is
// registered.
void WinX_GetTypeIcon(const char* extension, char* icon_file, int* index);
// Lists the verbs of the type (after those of "*" when with_all_files) into at most
// capacity records and returns their count. The default verb of each shell key is moved to
// the front of that key's records; *default_index is the first default found, or -1.
int WinX_ListVerbs(const char* extension, WinX_VerbInfo* records, int capacity, bool with_all_files,
                   int* default_index);
// Does opening a file of this type ask first (the type's EditFlags)?
bool WinX_TypeConfirmsOpen(const char* extension);
