// Shell objects: shortcut files and the folder picker.
#include "winx_shortcut.h"

#include <shlobj.h>

#include "lib/errors.h"
#include "lib/handles.h"
#include "winx_errors.h"

namespace {

// COM for the time of one call.
struct ComScope {
    HRESULT hr = CoInitialize(nullptr);
    ~ComScope() {
        if (SUCCEEDED(hr)) CoUninitialize();
    }
};

}  // namespace

void WinX_CreateShortcut(const char* link_file, const char* target, const char* arguments,
                         const char* work_dir, int show_cmd, const char* icon_file,
                         int icon_index) {
    ComScope com;
    Own_Com<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.OutVoid())))
        WinX_RaiseApiErrorAt(static_cast<DWORD>(-1), __FILE_NAME__, __LINE__);
    link->SetPath(target);
    link->SetArguments(arguments);
    link->SetWorkingDirectory(work_dir);
    link->SetShowCmd(show_cmd);
    link->SetIconLocation(icon_file, icon_index);
    Own_Com<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())))
        WinX_RaiseApiErrorAt(static_cast<DWORD>(-1), __FILE_NAME__, __LINE__);
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, link_file, -1, wide, MAX_PATH) == 0)
        WinX_RaiseApiErrorAt(static_cast<DWORD>(-1), __FILE_NAME__, __LINE__);
    if (FAILED(file->Save(wide, TRUE)))
        WinX_RaiseApiErrorAt(static_cast<DWORD>(-1), __FILE_NAME__, __LINE__);
}

bool WinX_BrowseFolder(HWND owner, const char* title, char* path) {
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pszDisplayName = path;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (chosen == nullptr) return false;
    BOOL ok = SHGetPathFromIDListA(chosen, path);
    CoTaskMemFree(chosen);
    return ok != FALSE;
}
