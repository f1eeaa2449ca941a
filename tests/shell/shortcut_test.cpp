#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "../support/raise_capture.h"
#include "../support/test_folders.h"
#include "shell/winx-p.h"
#include "shell/winx.h"

using testing_support::CatchRaise;
using testing_support::TempDir;

namespace {

struct LinkContents {
    std::string path, arguments, work_dir, icon;
    int show = 0, icon_index = -1;
};

LinkContents ReadLink(const std::string& file) {
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

}  // namespace

TEST(WinXCreateShortcut, WritesALinkThatReadsBackThroughTheShell) {
    TempDir dir;
    std::string target = dir / "プログラム.exe";
    testing_support::WriteFile(target, "MZ");
    std::string link = dir / "Quarvel SV.lnk";
    auto caught = CatchRaise([&] {
        WinX_CreateShortcut(link.c_str(), target.c_str(), "-z", dir.Path().c_str(), SW_SHOWNORMAL,
                            target.c_str(), 3);
    });
    ASSERT_EQ(caught.code, 0) << caught.text;
    LinkContents read = ReadLink(link);
    EXPECT_EQ(read.path, target);
    EXPECT_EQ(read.arguments, "-z");
    EXPECT_EQ(read.work_dir, dir.Path());
    EXPECT_EQ(read.show, SW_SHOWNORMAL);
    EXPECT_EQ(read.icon, target);
    EXPECT_EQ(read.icon_index, 3);

    // An existing shortcut is replaced.
    WinX_CreateShortcut(link.c_str(), target.c_str(), "", "", SW_SHOWNORMAL, target.c_str(), 0);
    EXPECT_EQ(ReadLink(link).arguments, "");
}

TEST(WinXCreateShortcut, UnwritableLinkIsAnApiErrorWithCodeMinusOne) {
    TempDir dir;
    std::string link = dir / "no such folder\\x.lnk";
    auto caught = CatchRaise([&] {
        WinX_CreateShortcut(link.c_str(), "C:\\x.exe", "", "", SW_SHOWNORMAL, "C:\\x.exe", 0);
    });
    EXPECT_EQ(caught.code, WinX_Err_API_Error);
    EXPECT_NE(caught.message.find("allcode = FFFFFFFF (Facility=4095, Code=65535) in winx-p.cpp("),
              std::string::npos)
        << caught.message;
}
