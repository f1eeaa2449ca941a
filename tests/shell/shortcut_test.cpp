#include <gtest/gtest.h>

#include <string>

#include "../support/raise_capture.h"
#include "../support/shell_link.h"
#include "../support/test_folders.h"
#include "shell/winx_shortcut.h"

using testing_support::CatchRaise;
using testing_support::TempDir;

using testing_support::LinkContents;
using testing_support::ReadLink;

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
    EXPECT_NE(
        caught.message.find("allcode = FFFFFFFF (Facility=4095, Code=65535) in winx_shortcut.cpp("),
        std::string::npos)
        << caught.message;
}
