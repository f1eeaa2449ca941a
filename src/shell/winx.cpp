// API error texts and the folders Windows keeps for the user.
#include "winx.h"

#include <cstdio>
#include <cstring>

#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "winx_local.h"

// ---- API errors ----------------------------------------------------------------------

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

// ---- Folders -------------------------------------------------------------------------

static const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// The environment as the process has it now; the C runtime's copy would miss a change
// made through SetEnvironmentVariable. Read through the wide call and converted here:
// Wine's GetEnvironmentVariableA counts characters instead of bytes and cuts a value with
// double-byte characters short.
static const char* Environment(const char* name, char* buffer, DWORD size) {
    WCHAR wide_name[64];
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide_name, 64) == 0) return nullptr;
    DWORD n = GetEnvironmentVariableW(wide_name, wide, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, static_cast<int>(size), nullptr, nullptr);
    if (bytes == 0) return nullptr;
    return buffer;
}

// Folder values are read without a type check, and there is no fallback: a missing value
// is an API error like any other failed read.
static const char* ReadFolderValue(HKEY root, const char* key_path, const char* name,
                                   char* buffer) {
    Own_Key key;
    LONG rc = RegOpenKeyExA(root, key_path, 0, KEY_READ, key.Out());
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    DWORD size = MAX_PATH;
    rc =
        RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    buffer[size < MAX_PATH ? size : MAX_PATH - 1] = '\0';
    rc = key.Close();
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    return buffer;
}

const char* WinX_WindowsDir() {
    static char buffer[MAX_PATH];
    return Environment("windir", buffer, sizeof buffer);
}

const char* WinX_SystemDir() {
    static char buffer[MAX_PATH];
    GetSystemDirectoryA(buffer, sizeof buffer);
    return buffer;
}

const char* WinX_DesktopDir() {
    static char buffer[MAX_PATH];
    return ReadFolderValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", buffer);
}

const char* WinX_PersonalDir() {
    static char buffer[MAX_PATH];
    return ReadFolderValue(HKEY_CURRENT_USER, kShellFolders, "Personal", buffer);
}

const char* WinX_ProgramFilesDir() {
    static char buffer[MAX_PATH];
    return ReadFolderValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", buffer);
}

const char* WinX_TempDir() {
    static char buffer[MAX_PATH];
    if (Environment("TEMP", buffer, sizeof buffer) == nullptr) return nullptr;
    // The last byte may be the second half of a double-byte character that looks like '\'.
    char* last = (StdPlus_FindLastChar(buffer, '\\'));
    if (last != nullptr && last[1] == '\0') *last = '\0';
    return buffer;
}

const char* WinX_FindWScript() {
    static char buffer[MAX_PATH];
    const char* windir = WinX_WindowsDir();
    if (windir == nullptr) return nullptr;
    StdPlus_CopyN(buffer, "WScript.exe", sizeof buffer);
    StrX_MakeAbsolute(buffer, sizeof buffer, windir);
    if (FileX_Exists(buffer)) return buffer;
    StrX_MoveToDir(buffer, "system32");
    if (FileX_Exists(buffer)) return buffer;
    return nullptr;
}
