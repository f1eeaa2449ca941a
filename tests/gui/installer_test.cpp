// The DLL installer page as a user meets it: "dovetrim.exe -z" in a folder of its own beside
// the stand-in archiver DLLs, on the prefix's registry, driven through its real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "../support/child_process.h"
#include "../support/dde_server.h"
#include "../support/gui_driver.h"
#include "../support/icon_file.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "options/icon_chooser_ids.h"
#include "options/installer.h"
#include "options/installer_ids.h"
#include "archiver/associations.h"
#include "shell/winx_assoc.h"
#include "shell/winx_folders.h"

using namespace testing_support;

namespace {

const char kTitle[] = "DLL インストーラ - Quarvel SV";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\dovetrimsv";
const int kApplyButton = 0x3021;  // the property sheet's Apply
const HKEY kCR = HKEY_CLASSES_ROOT;

Zent_Settings g_settings;  // large: kept out of the stack

int Box(Zent_DllId dll) {
    return Installer_BoxControl(dll);
}

// The program in a folder named as the installer expects, with the ten stand-ins beside
// it, a desktop of its own and no uninstall entry before or after.
class InstallerPage : public testing::Test {
protected:
    InstallerPage() {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntry);
        CreateDirectoryA(dir_.c_str(), nullptr);
        CreateDirectoryA(desktop_.c_str(), nullptr);
        CopyFileA(BinPath("dovetrim.exe").c_str(), program_.c_str(), FALSE);
        for (int dll = 0; dll < Zent_Dll_Count; dll++) {
            const char* file = Zent_Dll(static_cast<Zent_DllId>(dll)).file;
            CopyFileA(BinPath(file).c_str(), (dir_ + "\\" + file).c_str(), FALSE);
        }
    }
    ~InstallerPage() override { DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntry); }

    void WriteSettings(std::initializer_list<Zent_DllId> flagged, int version = 202) {
        Zent_LoadSettings(&g_settings, (root_ / "none.ini").c_str());
        for (Zent_DllId dll : flagged) g_settings.dll[dll] = 1;
        std::string settings = dir_ + "\\dovetrim.ini";
        Zent_SaveSettings(&g_settings, settings.c_str());
        std::string text = ReadFile(settings);
        size_t at = text.find("Version = 202");
        text.replace(at, 13, "Version = " + std::to_string(version));
        WriteFile(settings, text);
    }

    // Explorer and the web browser are the recorder; the browser answers DDE only while a
    // DdeServer named "QuarvelTestBrowser" runs.
    void UseRecorders() {
        CreateDirectoryA(windir_.c_str(), nullptr);
        CopyFileA(BinPath("recorder.exe").c_str(), (windir_ + "\\explorer.exe").c_str(), FALSE);
        env_ = {{"windir", windir_}, {"QUARVEL_RECORDER_LOG", log_}};
        std::string browser = "\"" + windir_ + "\\explorer.exe\" \"%1\"";
        PutString(kCR, "http\\shell\\open\\command", nullptr, browser);
        PutString(kCR, "http\\shell\\open\\ddeexec", nullptr, "\"%1\",,-1,0,,,,");
        PutString(kCR, "http\\shell\\open\\ddeexec\\Application", nullptr, "QuarvelTestBrowser");
        PutString(kCR, "http\\shell\\open\\ddeexec\\Topic", nullptr, "WWW_OpenURL");
    }

    // "dovetrim.exe -z" in the program's folder, with the environment set for it.
    void Start() { child_ = StartProgram(program_, "-z", env_, dir_); }
    // Found before the first message box titled as it is.
    HWND Sheet() {
        if (sheet_ == nullptr) sheet_ = gui::WaitForWindow("Quarvel SV", child_.Pid());
        return sheet_;
    }
    HWND Page() { return gui::SheetPage(Sheet()); }

    // Presses a button of the sheet and answers the message box it brings; its text.
    std::string Press(int button, const char* caption, int answer) {
        gui::Click(Sheet(), button);
        gui::MessageBoxInfo box = gui::WaitForMessageBoxOver(Sheet(), caption);
        EXPECT_NE(box.hwnd, nullptr) << caption;
        gui::Answer(box, answer);
        return box.text;
    }

    // Checks a box and waits until its help page was handed to the browser.
    void CheckWithHelp(DdeServer* browser, Zent_DllId dll) {
        gui::Click(Page(), Box(dll));
        std::string folder = dir_ + "\\" + Zent_Dll(dll).help_folder;
        for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
            if (browser->Requested() == "\"" + folder + "\\index.htm\",,-1,0,,,,") return;
        }
        ADD_FAILURE() << "no help page for " << Zent_Dll(dll).file;
    }

    std::string Shell(const std::string& program_id, const char* verb) {
        return GetValue(kCR, program_id + "\\shell\\" + verb + "\\command", nullptr);
    }

    TempDir root_;
    std::string dir_ = root_ / "QuarvelSV";
    std::string program_ = dir_ + "\\dovetrim.exe";
    std::string desktop_ = root_ / "desktop";
    std::string windir_ = root_ / "windows";
    std::string log_ = root_ / "log.txt";
    ScopedValue desktop_value_{HKEY_CURRENT_USER, kShellFolders, "Desktop", desktop_};
    ScopedValue user_value_{HKEY_CURRENT_USER, kUserShellFolders, "Desktop", desktop_};
    ScopedArchiveClasses classes_{false, {"OtherArc.lzh", "OtherArc.tgz"}};
    ScopedClass http_{"http"};
    Environment env_;
    ChildProcess child_;
    HWND sheet_ = nullptr;
};

}  // namespace

TEST_F(InstallerPage, FirstStartChecksTheDllsThatLoadAndSetsTheProgramUp) {
    DeleteFileA((dir_ + "\\CAB32.DLL").c_str());
    DeleteFileA((dir_ + "\\UNGCA32.DLL").c_str());
    // A DLL of that name that loads but has no version function of its name.
    CopyFileA(BinPath("UNLHA32.DLL").c_str(), (dir_ + "\\YZ1.DLL").c_str(), FALSE);
    WriteSettings({});
    UseRecorders();
    Start();
    gui::MessageBoxInfo question = gui::WaitForMessageBox(kTitle, child_.Pid());
    EXPECT_EQ(question.text,
              "現在、どの形式の圧縮ファイルも Quarvel と関連付けされていません。DLL "
              "ファイルのインストール状況を解析して、推奨する設定方法を表示してよろしいですか？");
    gui::Answer(question, IDYES);

    HWND page = Page();
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        bool there = dll != Zent_Dll_Cab && dll != Zent_Dll_Ungca;
        EXPECT_EQ(gui::IsChecked(page, Box(static_cast<Zent_DllId>(dll))), there) << dll;
    }
    EXPECT_EQ(gui::ControlText(page, IDC_INSTALLER_UNLHA32), "UNLHA32.DLL  ver 1.00");
    EXPECT_EQ(gui::ControlText(page, IDC_INSTALLER_ZIP32), "ZIP32.DLL  ver 2.31");
    EXPECT_EQ(gui::ControlText(page, IDC_INSTALLER_UNRAR), "UNRAR.DLL  ver 2.80(?)");
    EXPECT_EQ(gui::ControlText(page, IDC_INSTALLER_YZ1), "YZ1.DLL エラー");
    EXPECT_EQ(gui::ControlText(page, IDC_INSTALLER_CAB32), "CAB32.DLL");
    EXPECT_TRUE(gui::IsVisible(page, IDC_INSTALLER_ICON_LZH));
    EXPECT_FALSE(gui::IsVisible(page, IDC_INSTALLER_ICON_CAB));
    EXPECT_FALSE(gui::IsVisible(page, IDC_INSTALLER_ICON_GCA));
    EXPECT_TRUE(FileExists(desktop_ + "\\Quarvel SV.lnk"));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kEntry, "UninstallString"), "\"" + program_ + "\" -z");

    // Checking CAB32.DLL opens its folder and page; the browser does not answer, which the
    // user is told without losing the sheet. Back on the sheet, the page finds no DLL.
    gui::Click(page, IDC_INSTALLER_CAB32);
    gui::MessageBoxInfo warning = gui::WaitForMessageBox(kTitle, child_.Pid());
    EXPECT_EQ(warning.text.rfind("WinX: DDE Error : DMLERR_NO_CONV_ESTABLISHED", 0), 0u)
        << warning.text;
    gui::Answer(warning, IDOK);
    // Explorer with the folder, and the browser started because it did not answer.
    std::string log = WaitForLog(log_, 2);
    EXPECT_NE(log.find(windir_ + "\\explorer.exe \"" + dir_ + "\\ArcDlls\\cab32\"\r\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(gui::WaitForControlText(page, IDC_INSTALLER_CAB32, "CAB32.DLL ★見つかりません"));
    EXPECT_FALSE(gui::IsVisible(page, IDC_INSTALLER_ICON_CAB));
    gui::Click(Sheet(), IDCANCEL);
    EXPECT_EQ(child_.Wait(), 0);
}

TEST_F(InstallerPage, BoxesBecomeAssociationsThatStartTheProgram) {
    WriteSettings({});
    UseRecorders();
    DdeServer browser("QuarvelTestBrowser");
    Start();
    gui::Answer(gui::WaitForMessageBox(kTitle, child_.Pid()), IDNO);  // no analysis

    // UNZIP32.DLL alone gives zip the short verb list.
    CheckWithHelp(&browser, Zent_Dll_Unlha);
    CheckWithHelp(&browser, Zent_Dll_Unzip);
    EXPECT_EQ(Press(kApplyButton, "Quarvel SV", IDOK).rfind("インストールが完了しました。", 0), 0u);
    EXPECT_EQ(GetValue(kCR, ".zip", nullptr), "zipfile");
    EXPECT_EQ(Shell("zipfile", "3.Melt(&I)"), "\"" + program_ + "\" -i \"%1\"");
    EXPECT_EQ(Shell("zipfile", "5.&Update"), "<missing>");

    // ZIP32.DLL gives the full list; TAR32.DLL its eight types.
    CheckWithHelp(&browser, Zent_Dll_Zip);
    CheckWithHelp(&browser, Zent_Dll_Tar);
    EXPECT_EQ(Press(kApplyButton, "Quarvel SV", IDOK), "レジストリの変更が完了しました。");
    EXPECT_EQ(Shell("zipfile", "5.&Update"), "\"" + program_ + "\" -u \"%1\"");
    for (const char* ext : {"gz", "bz2", "tar", "tgz", "taz", "deb", "xz", "txz"})
        EXPECT_EQ(GetValue(kCR, std::string(".") + ext, nullptr), std::string(ext) + "file");

    // Clearing TAR32.DLL takes the eight away together; clearing ZIP32.DLL leaves zip with the
    // short list of UNZIP32.DLL.
    gui::Click(Page(), Box(Zent_Dll_Tar));
    gui::Click(Page(), Box(Zent_Dll_Zip));
    EXPECT_EQ(Press(kApplyButton, "Quarvel SV", IDOK), "レジストリの変更が完了しました。");
    for (const char* ext : {"gz", "bz2", "tar", "tgz", "taz", "deb", "xz", "txz"})
        EXPECT_FALSE(KeyExists(kCR, std::string(".") + ext)) << ext;
    EXPECT_EQ(Shell("zipfile", "5.&Update"), "<missing>");
    EXPECT_EQ(Shell("zipfile", "open"), "\"" + program_ + "\" -d \"%1\"");
    gui::Click(Sheet(), IDOK);  // nothing more to do: no message
    EXPECT_EQ(child_.Wait(), 0);

    std::string explorer = windir_ + "\\explorer.exe \"" + dir_ + "\\ArcDlls\\";
    EXPECT_EQ(ReadFile(log_), explorer + "unlha32\"\r\n" + explorer + "unzip32\"\r\n" + explorer +
                                  "zip32\"\r\n" + explorer + "tar32\"\r\n");

    // A double click on either type starts the program with "-d".
    CopyFileA(BinPath("recorder.exe").c_str(), program_.c_str(), FALSE);
    DeleteFileA(log_.c_str());
    ScopedEnv log_env("QUARVEL_RECORDER_LOG", log_.c_str());
    std::string expected;
    int lines = 0;
    for (const char* name : {"a.lzh", "b.zip"}) {
        std::string archive = root_ / name;
        WriteFile(archive, "archive");
        ShellExecuteA(nullptr, "open", archive.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        expected += "\"" + program_ + "\" -d \"" + archive + "\"\r\n";
        WaitForLog(log_, ++lines);
    }
    EXPECT_EQ(ReadFile(log_), expected);
}

TEST_F(InstallerPage, ClearingEveryBoxOffersToUninstall) {
    PutString(kCR, ".lzh", nullptr, "OtherArc.lzh");
    PutString(kCR, "OtherArc.lzh\\shell\\open\\command", nullptr, "arc.exe \"%1\"");
    WriteSettings({});
    Start();
    gui::Answer(gui::WaitForMessageBox(kTitle, child_.Pid()), IDYES);  // every DLL loads
    Press(kApplyButton, "Quarvel SV", IDOK);
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "lzhfile");

    // No: the archive types go back to what they were; folders and all files keep the verbs.
    for (int dll = 0; dll < Zent_Dll_Count; dll++)
        gui::Click(Page(), Box(static_cast<Zent_DllId>(dll)));
    gui::Click(Sheet(), kApplyButton);
    gui::MessageBoxInfo question =
        gui::WaitForMessageBox("アンインストール警告 - Quarvel SV", child_.Pid());
    EXPECT_EQ(question.text,
              "すべての圧縮ファイルとの関連付けが無くなりました。\r\nQuarvel "
              "をアンインストールしますか？");
    LONG no_style = GetWindowLongA(GetDlgItem(question.hwnd, IDNO), GWL_STYLE);
    EXPECT_EQ(no_style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    gui::Answer(question, IDNO);
    gui::Answer(gui::WaitForMessageBoxOver(Sheet(), "Quarvel SV"), IDOK);
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "OtherArc.lzh");
    EXPECT_FALSE(KeyExists(kCR, ".zip"));
    EXPECT_TRUE(KeyExists(kCR, "folder\\shell\\2.Freeze(&A)"));
    EXPECT_TRUE(KeyExists(kCR, "*\\shell\\3.Freeze(&A)"));

    // The search checks every DLL again; clearing them and Yes uninstalls for real, down to
    // the program's folder, and the sheet closes by itself.
    gui::Click(Page(), IDC_INSTALLER_SEARCH);
    gui::Answer(gui::WaitForMessageBoxOver(Sheet(), kTitle), IDYES);
    EXPECT_TRUE(gui::WaitForControlText(Page(), IDC_INSTALLER_UNLHA32, "UNLHA32.DLL  ver 1.00"));
    for (int dll = 0; dll < Zent_Dll_Count; dll++)
        gui::Click(Page(), Box(static_cast<Zent_DllId>(dll)));
    Press(kApplyButton, "アンインストール警告 - Quarvel SV", IDYES);
    EXPECT_EQ(child_.Wait(), 0);
    gui::MessageBoxInfo done = gui::WaitForMessageBox("アンインストール - Quarvel SV");
    // The script may have asked while the program was still ending: the user retries.
    while (done.text.rfind("削除が拒否されました。", 0) == 0) {
        gui::Answer(done, IDRETRY);
        done = gui::WaitForMessageBox("アンインストール - Quarvel SV");
    }
    EXPECT_EQ(done.text, "アンインストールが完了しました。");
    EXPECT_FALSE(FileExists(dir_));
    gui::Answer(done, IDOK);
    EXPECT_FALSE(KeyExists(kCR, "folder\\shell\\2.Freeze(&A)"));
    EXPECT_FALSE(KeyExists(kCR, "*\\shell\\3.Freeze(&A)"));
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "OtherArc.lzh");
    EXPECT_FALSE(FileExists(desktop_ + "\\Quarvel SV.lnk"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEntry));
}

TEST_F(InstallerPage, TheFirstApplyAfterThePreviousVersionRemovesItsVerbs) {
    // What the previous version left: lzh taken over from another program, its verbs, its
    // icon with the other program's kept aside, and its verbs for folders and all files.
    PutString(kCR, "OtherArc.lzh\\shell\\open\\command", nullptr, "arc.exe \"%1\"");
    PutString(kCR, ".lzh", nullptr, "lzhfile");
    PutString(kCR, ".lzh", "backup", "OtherArc.lzh");
    PutString(kCR, "lzhfile\\shell\\&Open\\command", nullptr,
              "\"C:\\Old\\dovetrim.exe\" -d \"%1\"");
    PutString(kCR, "lzhfile\\DefaultIcon", nullptr, "C:\\Old\\dovetrim.exe,4");
    PutString(kCR, "lzhfile\\DefaultIcon_BK", nullptr, "C:\\OtherArc\\arc.exe,2");
    PutString(kCR, "folder\\shell\\Freeze(&A)\\command", nullptr, "\"C:\\Old\\dovetrim.exe\" -c");
    PutString(kCR, "*\\shell\\edit(&E)\\command", nullptr, "notepad.exe \"%1\"");
    WriteSettings({Zent_Dll_Unlha}, 200);
    Start();
    EXPECT_EQ(Press(kApplyButton, "Quarvel SV", IDOK), "レジストリの変更が完了しました。");
    // The file is of this version now: OK migrates nothing again and has nothing to report.
    gui::Click(Sheet(), IDOK);
    EXPECT_EQ(child_.Wait(10000), 0);

    EXPECT_FALSE(KeyExists(kCR, "lzhfile\\shell\\&Open"));
    EXPECT_FALSE(KeyExists(kCR, "folder\\shell\\Freeze(&A)"));
    EXPECT_FALSE(KeyExists(kCR, "*\\shell\\edit(&E)"));
    EXPECT_EQ(Shell("lzhfile", "open"), "\"" + program_ + "\" -d \"%1\"");
    EXPECT_EQ(GetValue(kCR, ".lzh", "backup"), "OtherArc.lzh");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\DefaultIcon_BK", nullptr), "C:\\OtherArc\\arc.exe,2");
    EXPECT_NE(ReadFile(dir_ + "\\dovetrim.ini").find("Version = 202"), std::string::npos);
}

TEST_F(InstallerPage, AChosenIconIsWrittenAndAnUnchangedOneIsNot) {
    std::string five = root_ / "five.exe";
    MakeIconFile(five, 5);
    bool rows[Installer_MaxRows] = {true};  // lzh and the tar family
    int first, count;
    Zent_AssociationRowsOf(Zent_Dll_Tar, &first, &count);
    for (int r = first; r < first + count; r++) rows[r] = true;
    WinX_Associate(Zent_AssociationSet(), program_.c_str(), rows);
    // Icons without an index: written again, they would get ",0".
    PutString(kCR, "lzhfile\\DefaultIcon", nullptr, five);
    PutString(kCR, "tgzfile\\DefaultIcon", nullptr, five);
    // The tar slot shows the icon of another program's class, named through the system
    // folder's variable: the slot is unchanged, and nothing is written there on OK.
    const char kSystemIcon[] = "%SystemRoot%\\system32\\shell32.dll,3";
    PutString(kCR, ".tgz", nullptr, "OtherArc.tgz");
    PutString(kCR, "OtherArc.tgz\\DefaultIcon", nullptr, kSystemIcon);
    WriteSettings({Zent_Dll_Unlha, Zent_Dll_Tar});
    Start();

    // The chooser offers the program and the system's icon files; a click on an empty cell
    // (icon 5) changes nothing, one on icon 4 (second column, top) chooses it.
    for (int cell : {1010, 1001}) {
        gui::ClickControl(Page(), IDC_INSTALLER_ICON_LZH);
        HWND chooser = gui::WaitForWindow("アイコンの選択 - Quarvel SV", child_.Pid());
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(gui::ControlText(chooser, IDC_ICONS_FILE), program_);
        EXPECT_EQ(gui::ItemText(chooser, IDC_ICONS_FILE, 2),
                  std::string(WinX_SystemDir()) + "\\SHELL32.DLL");
        gui::SetControlText(chooser, IDC_ICONS_FILE, five);
        gui::ClickAndWait(chooser, IDC_ICONS_LOAD);
        EXPECT_EQ(gui::ControlText(chooser, IDC_ICONS_COUNT), "アイコン数 = 5");
        gui::ClickControl(chooser, cell);
        EXPECT_TRUE(gui::WaitUntilClosed(chooser));
    }
    gui::Click(Sheet(), IDOK);
    EXPECT_EQ(child_.Wait(), 0);

    EXPECT_EQ(GetValue(kCR, "lzhfile\\DefaultIcon", nullptr), five + ",4");
    EXPECT_EQ(GetValue(kCR, "tgzfile\\DefaultIcon", nullptr), five);
    EXPECT_EQ(GetValue(kCR, "OtherArc.tgz\\DefaultIcon", nullptr), kSystemIcon);
    EXPECT_EQ(GetValue(kCR, "gzfile\\DefaultIcon", nullptr), program_ + ",10");
    Zent_LoadSettings(&g_settings, (dir_ + "\\dovetrim.ini").c_str());
    EXPECT_EQ(g_settings.IconHis[0], five);
}
