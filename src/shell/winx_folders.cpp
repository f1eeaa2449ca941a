// The folders Windows keeps for the user.
#include "winx_folders.h"

#include <windows.h>

#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "winx_local.h"

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

// Folder values are read without a type check, and there is no fallback: a value that is
// missing or cannot be read gives null like an unset variable.
static const char* ReadFolderValue(HKEY root, const char* key_path, const char* name,
                                   char* buffer) {
    Own_Key key;
    if (RegOpenKeyExA(root, key_path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return nullptr;
    DWORD size = MAX_PATH;
    LONG rc =
        RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS) return nullptr;
    buffer[size < MAX_PATH ? size : MAX_PATH - 1] = '\0';
    return buffer;
}

const char* WinX_WindowsDir() {
    static char buffer[MAX_PATH];  // handed back to the caller
    return Environment("windir", buffer, sizeof buffer);
}

const char* WinX_SystemDir() {
    static char buffer[MAX_PATH];  // handed back to the caller
    UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
    return n == 0 || n >= sizeof buffer ? nullptr : buffer;
}

const char* WinX_DesktopDir() {
    static char buffer[MAX_PATH];  // handed back to the caller
    return ReadFolderValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", buffer);
}

const char* WinX_PersonalDir() {
    static char buffer[MAX_PATH];  // handed back to the caller
    return ReadFolderValue(HKEY_CURRENT_USER, kShellFolders, "Personal", buffer);
}

const char* WinX_ProgramFilesDir() {
    static char buffer[MAX_PATH];  // handed back to the caller
    return ReadFolderValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", buffer);
}

const char* WinX_TempDir() {
    static char buffer[MAX_PATH];  // handed back to the caller
    if (Environment("TEMP", buffer, sizeof buffer) == nullptr) return nullptr;
    // The last byte may be the second half of a double-byte character that looks like '\'.
    char* last = (StdPlus_FindLastChar(buffer, '\\'));
    if (last != nullptr && last[1] == '\0') *last = '\0';
    return buffer;
}

const char* WinX_FindWScript() {
    static char buffer[MAX_PATH];  // handed back to the caller
    const char* windir = WinX_WindowsDir();
    if (windir == nullptr) return nullptr;
    StdPlus_CopyN(buffer, "WScript.exe", sizeof buffer);
    StrX_MakeAbsolute(buffer, sizeof buffer, windir);
    if (FileX_Exists(buffer)) return buffer;
    StrX_MoveToDir(buffer, "system32");
    if (FileX_Exists(buffer)) return buffer;
    return nullptr;
}

const char* WinX_KnownFolder(const char* folder, const char* name) {
    if (folder == nullptr) {
        ERRORS_RAISE(WinX_Err_API_Error, "%s フォルダの場所が Windows から得られません。", name);
    }
    return folder;
}
