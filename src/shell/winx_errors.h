#pragma once
// A Windows call that failed, raised as WinX_Err_API_Error.
#include <windows.h>

// The system's text for the code goes into the message.
[[noreturn]] void WinX_RaiseLastError();
[[noreturn]] void WinX_RaiseApiError(DWORD code);
[[noreturn]] void WinX_RaiseApiErrorAt(DWORD code, const char* file, int line);
