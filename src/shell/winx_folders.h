#pragma once
// The folders Windows keeps for the user. Each returns a static buffer of its own,
// overwritten by the next call.
const char* WinX_WindowsDir();  // "windir"; null when unset
const char* WinX_SystemDir();
const char* WinX_DesktopDir();
const char* WinX_PersonalDir();
const char* WinX_ProgramFilesDir();
const char* WinX_TempDir();      // "TEMP" without a trailing backslash; null when unset
const char* WinX_FindWScript();  // null when there is no script host
