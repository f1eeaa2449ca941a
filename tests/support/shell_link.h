#pragma once
// Reads a shortcut file back through the shell's own link object.
#include <windows.h>

#include <shlobj.h>

#include <string>

namespace testing_support {

struct LinkContents {
    std::string path, arguments, work_dir, icon;
    int show = 0, icon_index = -1;
};

inline LinkContents ReadLink(const std::string& file) {
    LinkContents out;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
            char text[MAX_PATH] = {};
            link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
            out.path = text;
            text[0] = '\0';
            link->GetArguments(text, MAX_PATH);
            out.arguments = text;
            text[0] = '\0';
            link->GetWorkingDirectory(text, MAX_PATH);
            out.work_dir = text;
            link->GetShowCmd(&out.show);
            text[0] = '\0';
            link->GetIconLocation(text, MAX_PATH, &out.icon_index);
            out.icon = text;
        }
    }
    if (persist != nullptr) persist->Release();
    if (link != nullptr) link->Release();
    CoUninitialize();
    return out;
}

}  // namespace testing_support
