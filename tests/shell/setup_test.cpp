// Setting the program up (desktop shortcut, uninstall entry) and taking it off again,
// down to the removal script run by Wine's own script host.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/shell_link.h"
#include "../support/test_folders.h"
#include "options/setup.h"
#include "shell/winx_folders.h"
#include "shell/winx_uninstall.h"

using namespace testing_support;

namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\dovetrimsv";

// A desktop folder of the test's own and no uninstall entry before or after.
class Installation : public testing::Test {
protected:
    Installation() { DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntry); }
    ~Installation() override { DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntry); }
    std::string Link() const { return desktop_ / "Quarvel SV.lnk"; }
    TempDir desktop_;
    ScopedValue desktop_value_{HKEY_CURRENT_USER, kShellFolders, "Desktop", desktop_.Path()};
    // Wine's shell refreshes the value above from this one when a process asks it for the
    // desktop folder.
    ScopedValue user_value_{HKEY_CURRENT_USER, kUserShellFolders, "Desktop", desktop_.Path()};
};

}  // namespace

using ZentSetup = Installation;

TEST_F(ZentSetup, ShortcutAndUninstallEntryForTheProgram) {
    TempDir dir;
    std::string program = dir / "dovetrim.exe";
    WriteFile(program, "MZ");
    auto caught = CatchRaise([&] { Zent_Setup(program.c_str()); });
    ASSERT_EQ(caught.code, 0) << caught.text;

    LinkContents link = ReadLink(Link());
    EXPECT_EQ(link.path, program);
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.work_dir, "");
    EXPECT_EQ(link.show, SW_SHOWNORMAL);
    EXPECT_EQ(link.icon, program);
    EXPECT_EQ(link.icon_index, 0);

    DWORD type = 0;
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kEntry, "DisplayName", &type), "Quarvel SV");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kEntry, "UninstallString"), "\"" + program + "\" -z");

    WinX_UnregisterUninstall("dovetrimsv");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEntry));
    caught = CatchRaise([] { WinX_UnregisterUninstall("dovetrimsv"); });
    EXPECT_EQ(caught.code, 0) << caught.text;
}

TEST_F(ZentSetup, FirstStartWithoutSettingsFileSetsUpOnlyThen) {
    TempDir dir;
    std::string program = dir / "dovetrim.exe";
    ASSERT_TRUE(CopyFileA(BinPath("dovetrim.exe").c_str(), program.c_str(), FALSE));
    // The options sheet opens on the DLL installer page, after the set-up step; the page's
    // offer to analyse the DLLs is declined and the sheet closed without a change.
    auto run = [&](const char* args) {
        ChildProcess child = StartProgram(program, args, {}, dir.Path());
        auto question = gui::WaitForMessageBox("DLL インストーラ - Quarvel SV", child.Pid());
        EXPECT_NE(question.hwnd, nullptr);
        gui::Answer(question, IDNO);
        gui::Click(gui::WaitForWindow("Quarvel SV", child.Pid()), IDCANCEL);
        EXPECT_EQ(child.Wait(), 0);
    };

    run("");
    EXPECT_TRUE(FileExists(Link()));
    EXPECT_EQ(ReadLink(Link()).path, program);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kEntry, "UninstallString"), "\"" + program + "\" -z");

    // Once the settings file exists, neither comes back.
    DeleteFileA(Link().c_str());
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntry);
    static Zent_Settings settings;  // the defaults of a machine without a settings file
    Zent_LoadSettings(&settings, (dir / "none.ini").c_str());
    Zent_SaveSettings(&settings, (dir / "dovetrim.ini").c_str());
    run("");
    run("-z");
    EXPECT_FALSE(FileExists(Link()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEntry));
}

// ---- Removing the program's folder ---------------------------------------------------------

namespace {

// A Windows folder of the test's own: the recorder as explorer.exe and, when asked for, as
// the script host.
class FakeWindows : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), explorer_.c_str(), FALSE));
        CreateDirectoryA(temp_.c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, cwd_);
    }
    void TearDown() override { SetCurrentDirectoryA(cwd_); }
    void AddScriptHost() {
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), host_.c_str(), FALSE));
    }
    // Runs the removal on a thread of its own and answers its message box.
    gui::MessageBoxInfo RemoveAnswering(const std::string& folder) {
        std::thread remove(
            [&] { WinX_RemoveProgramFolder(folder.c_str(), "Quarvel SV", "QuarvelSV"); });
        gui::MessageBoxInfo box =
            gui::WaitForMessageBox("アンインストール完了", GetCurrentProcessId());
        gui::Answer(box, IDOK);
        remove.join();
        return box;
    }
    TempDir dir_;
    std::string explorer_ = dir_ / "explorer.exe";
    std::string host_ = dir_ / "WScript.exe";
    std::string log_ = dir_ / "log.txt";
    std::string temp_ = dir_ / "temp";
    char cwd_[MAX_PATH] = {};
    ScopedEnv windir_{"windir", dir_.Path().c_str()};
    ScopedEnv temp_env_{"TEMP", temp_.c_str()};
    ScopedEnv log_env_{"QUARVEL_RECORDER_LOG", log_.c_str()};
};

std::string ExpectedScript(const std::string& folder, const std::string& script) {
    return "Set fs = CreateObject( \"Scripting.FileSystemObject\" )\r\n"
           "On Error Resume Next\r\n"
           "Dim I\r\n"
           "I = 0\r\n"
           "Do\r\n"
           "  Err.Clear\r\n"
           "  fs.DeleteFolder \"" +
           folder +
           "\", True\r\n"
           "  If Err.Number = 76 Then\r\n"
           "    MsgBox \"パスの指定が間違っています : " +
           folder +
           "\"\r\n"
           "  End If\r\n"
           "  If Err.Number = 70 Then\r\n"
           "    I = I+ 1\r\n"
           "    If I = 2000 Then\r\n"
           "      If MsgBox( \"削除が拒否されました。" +
           folder +
           " の中にあるファイルかプロンプトを閉じて「再試行」を押してください。\",vbRetryCancel "
           "+ vbExclamation, \"アンインストール - Quarvel SV\" ) = vbCancel Then\r\n"
           "        Exit Do\r\n"
           "      End If\r\n"
           "      I = 0\r\n"
           "    End If\r\n"
           "  End If\r\n"
           "Loop While Err.Number = 70\r\n"
           "If Err.Number = 0 Then\r\n"
           "  MsgBox \"アンインストールが完了しました。\", vbOKOnly, \"アンインストール - Quarvel "
           "SV\"\r\n"
           "Else\r\n"
           "  MsgBox \"アンインストールは正常に完了しませんでした。\", vbOKOnly, "
           "\"アンインストール "
           "- Quarvel SV\"\r\n"
           "End If\r\n"
           "fs.DeleteFile \"" +
           script + "\", True\r\n";
}

}  // namespace

using RemoveProgramFolder = FakeWindows;

TEST_F(RemoveProgramFolder, WritesTheScriptAndStartsTheHostOutsideTheFolder) {
    AddScriptHost();
    EXPECT_TRUE(WinX_RemoveProgramFolder("C:\\Tools\\QuarvelSV", "Quarvel SV", "QuarvelSV"));
    std::string script = temp_ + "\\uninst.vbs";
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + host_ + "\" \"" + script + "\"\r\n");
    EXPECT_EQ(ReadFile(script), ExpectedScript("C:\\Tools\\QuarvelSV", script));
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(std::string(cwd), dir_.Path());
}

TEST_F(RemoveProgramFolder, AFolderOfAnotherNameIsOnlyShown) {
    AddScriptHost();
    std::string folder = dir_ / "QuarvelSV2";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFile(folder + "\\dovetrim.exe", "MZ");
    gui::MessageBoxInfo box = RemoveAnswering(folder);
    EXPECT_EQ(box.text,
              "アンインストールが完了しました。\r\n\r\nただし、削除するフォルダ名が、アプリケーショ"
              "ンが想定した名前（QuarvelSV）と異なるため削除しませんでした。\r\n次に表示されるフォ"
              "ルダを確認して、手動で削除してください。");
    EXPECT_EQ(WaitForLog(log_, 1), explorer_ + " /e,\"" + folder + "\"\r\n");
    EXPECT_EQ(ReadFile(folder + "\\dovetrim.exe"), "MZ");
    EXPECT_FALSE(FileExists(temp_ + "\\uninst.vbs"));
}

TEST_F(RemoveProgramFolder, WithoutAScriptHostTheUserIsToldAndShownTheFolder) {
    std::string folder = dir_ / "QuarvelSV";
    CreateDirectoryA(folder.c_str(), nullptr);
    gui::MessageBoxInfo box = RemoveAnswering(folder);
    EXPECT_EQ(box.text,
              "アンインストールが完了しました。\r\n\r\nただし、実行ファイルのある（次に表示される）"
              "フォルダは、手動で削除してください。");
    EXPECT_EQ(WaitForLog(log_, 1), explorer_ + " /e,\"" + folder + "\"\r\n");
    EXPECT_TRUE(FileExists(folder));
}

// Wine's own script host runs the generated script on a real folder.
TEST(RemoveProgramFolderForReal, TheScriptDeletesTheFolderAndItself) {
    TempDir dir;
    std::string temp = dir / "temp";
    CreateDirectoryA(temp.c_str(), nullptr);
    ScopedEnv temp_env("TEMP", temp.c_str());
    ASSERT_NE(WinX_FindWScript(), nullptr);
    // The letter case of the folder's name does not matter.
    std::string folder = dir / "quarvelsv";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\ArcDlls").c_str(), nullptr);
    WriteFile(folder + "\\dovetrim.exe", "MZ");
    WriteFile(folder + "\\ArcDlls\\index.htm", "<html>");
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);

    EXPECT_TRUE(WinX_RemoveProgramFolder(folder.c_str(), "Quarvel SV", "QuarvelSV"));
    SetCurrentDirectoryA(cwd);
    gui::MessageBoxInfo box = gui::WaitForMessageBox("アンインストール - Quarvel SV", 0, 60000);
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, "アンインストールが完了しました。");
    EXPECT_FALSE(FileExists(folder));
    gui::Answer(box, IDOK);
    // The script's last line deletes the script: its absence is the sign that it ended.
    std::string script = temp + "\\uninst.vbs";
    for (DWORD start = GetTickCount(); FileExists(script) && GetTickCount() - start < 20000;)
        Sleep(20);
    EXPECT_FALSE(FileExists(script));
}
