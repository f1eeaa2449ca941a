#pragma once
// The program's entry in the list of installed programs and the removal of its folder.

// The entry in Windows' list of installed programs (HKEY_LOCAL_MACHINE).
void WinX_RegisterUninstall(const char* key_name, const char* display_name,
                            const char* uninstall_command);
void WinX_UnregisterUninstall(const char* key_name);  // a missing entry is no error
// Deletes the program's folder through a script that the script host runs after this
// process has ended. Without a script host, or when the folder's name is not
// expected_name, the folder is only shown in Explorer for the user to delete. True.
bool WinX_RemoveProgramFolder(const char* folder, const char* title, const char* expected_name);
