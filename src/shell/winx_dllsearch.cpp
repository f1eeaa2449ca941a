// Where the program's DLLs may come from. The archiver DLLs are loaded by their bare names,
// and the current directory is wherever Explorer started the program (the folder of a
// downloaded archive) or where an extraction left it (a working folder): user content, where
// anyone can put a DLL under an archiver's name.

#include "winx_dllsearch.h"

#include <windows.h>

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD flags);
typedef DLL_DIRECTORY_COOKIE(WINAPI* AddDllDirectoryFn)(PCWSTR folder);

template <class Fn>
Fn KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

}  // namespace

void WinX_KeepDllSearchOutOfUserFolders() {
    // Takes the current directory out of the search everywhere.
    SetDllDirectoryA("");
    // Where the system knows it (Windows 8, and 7 with its update), the search is narrowed to
    // the program's folder and the system folders; the Windows folder itself stays in it,
    // where archiver installers of old put their DLLs. The search path (PATH) goes.
    auto set_default = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    auto add = KernelFunction<AddDllDirectoryFn>("AddDllDirectory");
    if (set_default == nullptr || add == nullptr) return;
    wchar_t windows[MAX_PATH];
    UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) add(windows);
    set_default(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                LOAD_LIBRARY_SEARCH_USER_DIRS);
}
