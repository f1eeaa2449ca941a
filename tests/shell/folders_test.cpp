#include <gtest/gtest.h>

#include <string>

#include "../support/raise_capture.h"
#include "../support/test_folders.h"
#include "shell/winx_folders.h"
#include "../support/registry_env.h"

using testing_support::CatchRaise;
using testing_support::ScopedEnv;
using testing_support::ScopedValue;
using testing_support::TempDir;

static const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST(WinXFolders, DesktopAndPersonalComeFromTheUsersShellFolders) {
    ScopedValue desktop(HKEY_CURRENT_USER, kShellFolders, "Desktop", "D:\\テスト\\机上");
    ScopedValue personal(HKEY_CURRENT_USER, kShellFolders, "Personal", "D:\\文書");
    EXPECT_STREQ(WinX_DesktopDir(), "D:\\テスト\\机上");
    EXPECT_STREQ(WinX_PersonalDir(), "D:\\文書");
}

TEST(WinXFolders, ProgramFilesComesFromTheMachineKey) {
    ScopedValue value(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                      "ProgramFilesDir", "E:\\Apps");
    EXPECT_STREQ(WinX_ProgramFilesDir(), "E:\\Apps");
}

TEST(WinXFolders, MissingShellFolderValueIsNullWithoutFallbackAndKnownFolderNamesIt) {
    ScopedValue value(HKEY_CURRENT_USER, kShellFolders, "Desktop", "x");
    // Removing the value after the guard saved it lets the guard put it back.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "Desktop");
    RegCloseKey(key);
    EXPECT_EQ(WinX_DesktopDir(), nullptr);
    auto caught = CatchRaise([] { WinX_KnownFolder(WinX_DesktopDir(), "デスクトップ"); });
    EXPECT_EQ(caught.code, WinX_Err_API_Error);
    EXPECT_EQ(caught.message, "デスクトップ フォルダの場所が Windows から得られません。");
    EXPECT_STREQ(WinX_KnownFolder("C:\\x", "デスクトップ"), "C:\\x");
}

TEST(WinXFolders, WindowsFolderIsTheWindirVariable) {
    {
        ScopedEnv windir("windir", "Q:\\FakeWin");
        EXPECT_STREQ(WinX_WindowsDir(), "Q:\\FakeWin");
    }
    ScopedEnv unset("windir", nullptr);
    EXPECT_EQ(WinX_WindowsDir(), nullptr);
}

TEST(WinXFolders, SystemFolderIsTheSystemsOwn) {
    char expected[MAX_PATH];
    GetSystemDirectoryA(expected, sizeof expected);
    EXPECT_STREQ(WinX_SystemDir(), expected);
}

TEST(WinXFolders, TempDropsOneTrailingBackslashButNotATrailByte) {
    {
        ScopedEnv temp("TEMP", "C:\\TEMP\\");
        EXPECT_STREQ(WinX_TempDir(), "C:\\TEMP");
    }
    {
        ScopedEnv temp("TEMP", "C:\\TEMP");
        EXPECT_STREQ(WinX_TempDir(), "C:\\TEMP");
    }
    {
        // "表" ends in the byte 0x5C: it is a character, not a separator.
        ScopedEnv temp("TEMP", "C:\\表");
        EXPECT_STREQ(WinX_TempDir(), "C:\\表");
    }
    ScopedEnv unset("TEMP", nullptr);
    EXPECT_EQ(WinX_TempDir(), nullptr);
}

TEST(WinXFolders, ScriptHostIsLookedForInWindowsThenSystem32) {
    TempDir windir;
    ScopedEnv env("windir", windir.Path().c_str());
    EXPECT_EQ(WinX_FindWScript(), nullptr);

    CreateDirectoryA((windir / "system32").c_str(), nullptr);
    testing_support::WriteFile(windir / "system32\\WScript.exe", "x");
    ASSERT_NE(WinX_FindWScript(), nullptr);
    EXPECT_EQ(std::string(WinX_FindWScript()), windir / "system32\\WScript.exe");

    testing_support::WriteFile(windir / "WScript.exe", "x");
    ASSERT_NE(WinX_FindWScript(), nullptr);
    EXPECT_EQ(std::string(WinX_FindWScript()), windir / "WScript.exe");
}
