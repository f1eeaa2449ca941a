// A Windows call that failed, raised with the system's text for its code.
#include "winx_errors.h"

#include <cstdio>
#include <cstring>

#include "lib/errors.h"

// The system's text for a code. Its closing CR LF is dropped: the text goes into one line
// of the error log.
static void SystemText(DWORD code, char* out, DWORD size) {
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 1024, out, size, nullptr);
    if (n == 0) {
        out[0] = '\0';
        return;
    }
    size_t len = strlen(out);
    while (len > 0 && (out[len - 1] == '\r' || out[len - 1] == '\n')) out[--len] = '\0';
}

static int Facility(DWORD code) {
    return static_cast<int>((code >> 16) & 0xFFF);
}
static int LowCode(DWORD code) {
    return static_cast<int>(code & 0xFFFF);
}

void WinX_RaiseLastError() {
    DWORD code = GetLastError();
    char text[256];
    SystemText(code, text, sizeof text);
    ERRORS_RAISE(WinX_Err_API_Error, "API Error : %s, allcode = %08X (Facility=%d, Code=%d)", text,
                 static_cast<unsigned>(code), Facility(code), LowCode(code));
    ExitProcess(14);  // not reached: a raise throws to a try block or ends the process
}

void WinX_RaiseApiError(DWORD code) {
    char text[256];
    SystemText(code, text, sizeof text);
    ERRORS_RAISE(WinX_Err_API_Error, "API Error : %s", text);
    ExitProcess(14);
}

void WinX_RaiseApiErrorAt(DWORD code, const char* file, int line) {
    char text[256];
    SystemText(code, text, sizeof text);
    char detail[400];
    snprintf(detail, sizeof detail, "%s, allcode = %08X (Facility=%d, Code=%d)", text,
             static_cast<unsigned>(code), Facility(code), LowCode(code));
    Errors_Raise(file, line, WinX_Err_API_Error, "WinX_Err_API_Error", "API Error : %s in %s(%d)",
                 detail, file, line);
    ExitProcess(14);
}
