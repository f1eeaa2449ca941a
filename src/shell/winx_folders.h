#pragma once
// The folders Windows keeps for the user. Each returns a static buffer of its own,
// overwritten by the next call, or null when Windows does not report the folder (an unset
// variable, a missing shell folder value); none raises.
const char* WinX_WindowsDir();  // "windir"
const char* WinX_SystemDir();
const char* WinX_DesktopDir();
const char* WinX_PersonalDir();
const char* WinX_ProgramFilesDir();
const char* WinX_TempDir();      // "TEMP" without a trailing backslash
const char* WinX_FindWScript();  // null when there is no script host
// For a caller that cannot go on without the folder: the folder, or a raise that names it
// (name, e.g. "デスクトップ") when the lookup gave null.
const char* WinX_KnownFolder(const char* folder, const char* name);
