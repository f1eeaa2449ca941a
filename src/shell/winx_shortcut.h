#pragma once
// Shell objects: shortcut files and the folder picker.
#include <windows.h>

// Writes a shortcut (.lnk) to target; an existing file of that name is replaced.
void WinX_CreateShortcut(const char* link_file, const char* target, const char* arguments,
                         const char* work_dir, int show_cmd, const char* icon_file, int icon_index);
// Shows the folder picker; true with the chosen folder in path (260 characters), false
// when the user cancelled.
bool WinX_BrowseFolder(HWND owner, const char* title, char* path);
