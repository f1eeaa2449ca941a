// The options sheet as the user meets it: dovetrim.exe started without arguments or with
// "-z" from a program folder of the test's own, its pages driven from here. The desktop is
// redirected, TEMP and the Windows folder (whose explorer.exe is the recorder) are the
// test's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "archiver/zent_types.h"
#include "options/rule_page_ids.h"
#include "options/options_ids.h"
#include "options/setup.h"
#include "options/sheet.h"
#include "settings/settings.h"

using namespace testing_support;

namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kProgramFiles[] = {"dovetrim.exe", "index.htm",   "UNLHA32.DLL",
                                     "UNZIP32.DLL",  "7-ZIP32.DLL", "TAR32.DLL"};
enum { kMelt = 0, kCompress = 1, kRules = 2, kDll = 3 };

class OptionsSheet : public testing::Test {
protected:
    OptionsSheet() {
        for (const char* name : {"desk", "Quarvel SV", "win", "temp", "cwd", "dl"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : kProgramFiles)
            CopyFileA(BinPath(name).c_str(), (dir / "Quarvel SV\\" + name).c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), opener.c_str(), FALSE);
    }

    // The settings file the sheet starts from: the defaults with one archiver DLL flagged,
    // changed by edit.
    template <class Edit>
    void WriteSettings(Edit edit) {
        static Zent_Settings s;
        Zent_LoadSettings(&s, (dir / "none.ini").c_str());
        s.dll[0] = 1;
        edit(s);
        Zent_SaveSettings(&s, ini.c_str());
    }
    void WriteSettings() {
        WriteSettings([](Zent_Settings&) {});
    }
    const Zent_Settings& Saved() {
        static Zent_Settings s;
        auto caught = CatchRaise([&] { Zent_LoadSettings(&s, ini.c_str()); });
        EXPECT_EQ(caught.code, 0) << caught.text;
        return s;
    }

    Environment Env() const {
        return {{"windir", dir / "win"}, {"TEMP", dir / "temp"}, {"QUARVEL_RECORDER_LOG", log}};
    }
    ChildProcess Start(const std::string& args) {
        return StartProgram(program, args, Env(), dir / "cwd");
    }
    HWND WaitForSheet(const ChildProcess& child) {
        HWND sheet = gui::WaitForWindow("Quarvel SV", child.Pid());
        EXPECT_NE(sheet, nullptr);
        return sheet;
    }
    // Presses OK or Cancel of the sheet; the program's exit code.
    static int Close(ChildProcess& child, HWND sheet, int button) {
        gui::Click(sheet, button);
        return child.Wait();
    }
    // With nothing associated the DLL installer page first offers its analysis: declined.
    int PageShownBy(const std::string& args, bool offers_analysis = false) {
        ChildProcess child = Start(args);
        if (offers_analysis) {
            auto question = gui::WaitForMessageBox("DLL インストーラ - Quarvel SV", child.Pid());
            EXPECT_NE(question.hwnd, nullptr);
            gui::Answer(question, IDNO);
        }
        HWND sheet = WaitForSheet(child);
        int page = gui::SheetPageIndex(sheet);
        EXPECT_EQ(Close(child, sheet, IDCANCEL), 0);
        return page;
    }

    // The same for a whole command line that Windows splits into program and arguments.
    int PageShownByCommandLine(const std::string& command_line) {
        ChildProcess child = StartCommandLine(command_line, Env(), dir / "cwd");
        HWND sheet = WaitForSheet(child);
        int page = gui::SheetPageIndex(sheet);
        EXPECT_EQ(Close(child, sheet, IDCANCEL), 0);
        return page;
    }

    TempDir dir;
    ScopedValue desktop_{HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk"};
    ScopedValue user_desktop_{HKEY_CURRENT_USER, kUserShellFolders, "Desktop", dir / "desk"};
    // A program folder with a blank in its name, as under "Program Files".
    std::string program = dir / "Quarvel SV\\dovetrim.exe";
    std::string ini = dir / "Quarvel SV\\dovetrim.ini";
    std::string cache = dir / "desk\\Archives Cache";
    std::string log = dir / "recorded.log";
    std::string opener = dir / "opener.exe";
};

}  // namespace

// ---- Which page opens ----------------------------------------------------------------------

TEST_F(OptionsSheet, OpensOnTheLastPageUsedAndDashZOnTheDllPage) {
    WriteSettings([](Zent_Settings& s) { s.PrevPage = kRules; });
    EXPECT_EQ(PageShownBy(""), kRules);
    EXPECT_EQ(PageShownBy("-z"), kDll);
    // So does the uninstall entry's command line, started as Windows starts it: the program,
    // not "Quarvel.exe" beside its folder, and the dispatcher sees exactly "-z".
    CopyFileA(BinPath("recorder.exe").c_str(), (dir / "Quarvel.exe").c_str(), FALSE);
    const char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\dovetrimsv";
    ASSERT_EQ(CatchRaise([&] { Zent_Setup(program.c_str()); }).code, 0);
    std::string uninstall = GetValue(HKEY_LOCAL_MACHINE, kEntry, "UninstallString");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntry);
    EXPECT_EQ(uninstall, "\"" + program + "\" -z");
    EXPECT_EQ(PageShownByCommandLine(uninstall), kDll);
    EXPECT_FALSE(FileExists(log));

    // Closed on the compress page with 7z chosen: the next start is there, 7z selected.
    ChildProcess child = Start("");
    HWND sheet = WaitForSheet(child);
    HWND page = gui::ShowPage(sheet, kCompress);
    gui::Select(page, IDC_COMPRESS_TYPE, 5);
    EXPECT_EQ(gui::ItemText(page, IDC_COMPRESS_TYPE, 5), "7ZIP 形式");
    EXPECT_EQ(Close(child, sheet, IDOK), 0);
    EXPECT_EQ(Saved().PrevPage, kCompress);
    EXPECT_EQ(Saved().DefCompressType, Zent_7zType);

    child = Start("");
    sheet = WaitForSheet(child);
    EXPECT_EQ(gui::SheetPageIndex(sheet), kCompress);
    EXPECT_EQ(gui::Selection(gui::SheetPage(sheet), IDC_COMPRESS_TYPE), 5);
    // The version page reads the program file's own version.
    EXPECT_EQ(gui::ControlText(gui::ShowPage(sheet, 4), IDC_VERSION_NUMBER), "Version 1.10");
    EXPECT_EQ(Close(child, sheet, IDCANCEL), 0);

    // Nothing associated yet: both starts open the DLL installer page.
    WriteSettings([](Zent_Settings& s) { s.dll[0] = 0; });
    EXPECT_EQ(PageShownBy("", true), kDll);
    EXPECT_EQ(PageShownBy("-z", true), kDll);
}

// ---- Melt page ---------------------------------------------------------------------------------

TEST_F(OptionsSheet, CachePresetIsStoredExpandedAndShownAgain) {
    WriteSettings();
    ChildProcess child = Start("");
    HWND sheet = WaitForSheet(child);
    HWND page = gui::SheetPage(sheet);
    EXPECT_EQ(gui::ControlText(page, IDC_MELT_CACHE_PATH), "$(デスクトップ)\\Archives Cache");
    gui::Select(page, IDC_MELT_CACHE_PATH, 1);
    EXPECT_EQ(Close(child, sheet, IDOK), 0);
    EXPECT_EQ(std::string(Saved().CachePath), dir / "temp\\Archives Cache");

    child = Start("");
    sheet = WaitForSheet(child);
    EXPECT_EQ(gui::ControlText(gui::SheetPage(sheet), IDC_MELT_CACHE_PATH),
              "$(テンポラリ)\\Archives Cache");
    EXPECT_EQ(Close(child, sheet, IDCANCEL), 0);
}

TEST_F(OptionsSheet, ExtractAndInstallBecomesTheDefaultVerbOfThisProgramsArchiveTypes) {
    std::vector<std::unique_ptr<ScopedClass>> classes;
    for (const char* name :
         {"lzhfile", "zipfile", "cabfile", "rarfile", "arjfile", "yz1file", "gcafile", "gzfile",
          "bz2file", "tarfile", "tgzfile", "tazfile", "debfile", "7zfile"})
        classes.push_back(std::make_unique<ScopedClass>(name));
    // lzh and 7z carry this program's verbs; cab belongs to another program.
    for (std::string ours : {"lzhfile", "7zfile"}) {
        PutString(HKEY_CLASSES_ROOT, ours + "\\shell", nullptr, "open");
        PutString(HKEY_CLASSES_ROOT, ours + "\\shell\\3.Melt(&I)\\command", nullptr, "x -i");
    }
    PutString(HKEY_CLASSES_ROOT, "cabfile\\shell", nullptr, "extract");
    PutString(HKEY_CLASSES_ROOT, "cabfile\\shell\\extract\\command", nullptr, "other.exe");
    WriteSettings();

    auto close_with_action = [&](int action) {
        ChildProcess child = Start("");
        HWND sheet = WaitForSheet(child);
        gui::Select(gui::SheetPage(sheet), IDC_MELT_DBLCLK_ACTION, action);
        EXPECT_EQ(Close(child, sheet, IDOK), 0);
    };
    close_with_action(Zent_DefAct_Melt);
    EXPECT_EQ(GetValue(HKEY_CLASSES_ROOT, "lzhfile\\shell", nullptr), "3.Melt(&I)");
    EXPECT_EQ(GetValue(HKEY_CLASSES_ROOT, "7zfile\\shell", nullptr), "3.Melt(&I)");
    EXPECT_EQ(GetValue(HKEY_CLASSES_ROOT, "cabfile\\shell", nullptr), "extract");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "debfile"));

    close_with_action(Zent_DefAct_AutoFold);
    EXPECT_EQ(GetValue(HKEY_CLASSES_ROOT, "lzhfile\\shell", nullptr), "open");
    EXPECT_EQ(GetValue(HKEY_CLASSES_ROOT, "7zfile\\shell", nullptr), "open");
    EXPECT_EQ(GetValue(HKEY_CLASSES_ROOT, "cabfile\\shell", nullptr), "extract");
}

TEST_F(OptionsSheet, CacheFolderOpensAndClearsWithRetryWhileAFileIsHeld) {
    for (const char* folder : {"", "\\doc", "\\other"})
        CreateDirectoryA((cache + folder).c_str(), nullptr);
    WriteFile(cache + "\\doc\\a.txt", "a");
    WriteFile(cache + "\\other\\b.txt", "b");
    WriteFile(cache + "\\cache-db.ini", "[CacheDB] \r\n");
    WriteFile(dir / "desk\\mine.txt", "the user's own");
    WriteSettings();
    ChildProcess child = Start("");
    HWND sheet = WaitForSheet(child);
    HWND page = gui::SheetPage(sheet);

    gui::Click(page, IDC_MELT_CACHE_OPEN);
    EXPECT_EQ(WaitForLog(log, 1), dir / "win\\explorer.exe /e,/root,\"" + cache + "\"\r\n");
    gui::SetControlText(page, IDC_MELT_STD_PATH, dir / "nowhere");
    gui::Click(page, IDC_MELT_STD_OPEN);
    auto missing = gui::WaitForMessageBoxOver(sheet, "Quarvel SV");
    EXPECT_EQ(missing.text, "フォルダ" + dir / "nowhere" + "は存在しません。");
    gui::Answer(missing, IDOK);

    // The desktop itself is no cache: clearing it would take the user's files.
    gui::SetControlText(page, IDC_MELT_CACHE_PATH, "$(デスクトップ)");
    gui::Click(page, IDC_MELT_CACHE_CLEAR);
    auto refused = gui::WaitForMessageBox("キャッシュのクリア - Quarvel SV", child.Pid());
    EXPECT_EQ(refused.text, "フォルダ " + dir / "desk" + " はキャッシュとして削除できません。");
    gui::Answer(refused, IDOK);
    EXPECT_TRUE(FileExists(dir / "desk\\mine.txt"));

    gui::SetControlText(page, IDC_MELT_CACHE_PATH, "$(デスクトップ)\\Archives Cache");
    HANDLE held =
        CreateFileA((cache + "\\doc\\a.txt").c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    gui::Click(page, IDC_MELT_CACHE_CLEAR);
    auto question = gui::WaitForMessageBox("Quarvel", child.Pid());
    EXPECT_EQ(question.text,
              "キャッシュ（" + cache + " フォルダ）内のファイルを削除します。よろしいですか？");
    // No is the default answer.
    EXPECT_EQ(GetWindowLongA(GetDlgItem(question.hwnd, IDNO), GWL_STYLE) & BS_TYPEMASK,
              BS_DEFPUSHBUTTON);
    gui::Answer(question, IDYES);
    auto retry = gui::WaitForMessageBox("キャッシュのクリア - Quarvel SV", child.Pid());
    EXPECT_EQ(retry.text, "削除が拒否されました。" + cache +
                              " の中にあるファイルかプロンプトを閉じて「再試行」を押してください");
    EXPECT_TRUE(gui::HasButton(retry, IDCANCEL));
    CloseHandle(held);
    gui::Answer(retry, IDRETRY);
    // Answered once the sheet is back at its messages, the clearing done.
    EXPECT_EQ(gui::Text(sheet), "Quarvel SV");
    EXPECT_TRUE(FileExists(cache));
    EXPECT_FALSE(FileExists(cache + "\\doc"));
    EXPECT_FALSE(FileExists(cache + "\\other"));
    EXPECT_FALSE(FileExists(cache + "\\cache-db.ini"));
    EXPECT_TRUE(FileExists(dir / "desk\\mine.txt"));
    EXPECT_EQ(Close(child, sheet, IDCANCEL), 0);
}

// ---- Auto-open rules ---------------------------------------------------------------------------

TEST_F(OptionsSheet, RuleEditorNewDeleteMovesActionTypeAndSecurity) {
    ScopedClass doc(".doc"), doc_type("QuarvelTest.DocType");
    PutString(HKEY_CLASSES_ROOT, ".doc", nullptr, "QuarvelTest.DocType");
    PutBinary(HKEY_CLASSES_ROOT, "QuarvelTest.DocType", "EditFlags", std::string("\1\0\0\0", 4));
    PutString(HKEY_CLASSES_ROOT, "QuarvelTest.DocType\\shell\\open\\command", nullptr, "v.exe");
    PutString(HKEY_CLASSES_ROOT, "QuarvelTest.DocType\\shell\\print", nullptr, "印刷(&P)");
    PutString(HKEY_CLASSES_ROOT, "QuarvelTest.DocType\\shell\\print\\command", nullptr, "v.exe");
    WriteSettings();
    ChildProcess child = Start("");
    HWND sheet = WaitForSheet(child);
    HWND page = gui::ShowPage(sheet, kRules);
    ASSERT_EQ(gui::ItemCount(page, IDC_RULE_LIST), 11);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_LIST, 10), "それ以外なら、所属するフォルダを開く");
    EXPECT_FALSE(gui::IsEnabled(page, IDC_RULE_WILDCARD));

    gui::ClickAndWait(page, IDC_RULE_NEW);
    ASSERT_EQ(gui::ItemCount(page, IDC_RULE_LIST), 12);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_LIST, 10), "*.txt なら、レジストリ open を実行する");
    EXPECT_EQ(gui::SelectedLines(page, IDC_RULE_LIST), std::vector<int>{10});
    EXPECT_EQ(gui::Focused(sheet), GetDlgItem(page, IDC_RULE_WILDCARD));
    EXPECT_EQ(gui::EditSelection(page, IDC_RULE_WILDCARD), std::make_pair(0, 5));

    // The last rule is neither deleted nor moved, and nothing moves below it.
    gui::SelectLines(page, IDC_RULE_LIST, {11});
    gui::ClickAndWait(page, IDC_RULE_DELETE);
    gui::ClickAndWait(page, IDC_RULE_UP);
    gui::SelectLines(page, IDC_RULE_LIST, {10});
    gui::ClickAndWait(page, IDC_RULE_DOWN);
    ASSERT_EQ(gui::ItemCount(page, IDC_RULE_LIST), 12);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_LIST, 10), "*.txt なら、レジストリ open を実行する");
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_LIST, 11), "それ以外なら、所属するフォルダを開く");

    gui::SelectLines(page, IDC_RULE_LIST, {10});
    gui::Select(page, IDC_RULE_CMDTYPE, Zent_CustomCmd);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_LIST, 10), "*.txt なら、コマンド を実行する");
    EXPECT_TRUE(gui::IsVisible(page, IDC_RULE_COMMAND));
    EXPECT_FALSE(gui::IsVisible(page, IDC_RULE_VERBS));

    // The third security entry follows the doc type's EditFlags each time the rule is shown.
    gui::SelectLines(page, IDC_RULE_LIST, {5});
    gui::Select(page, IDC_RULE_SECURITY, Zent_RefReg);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_SECURITY, 2), "ダウンロード時と同じ（確認する）");
    EXPECT_EQ(gui::Selection(page, IDC_RULE_SECURITY), Zent_RefReg);
    // The verbs the doc type registered, by their menu texts; a choice is the rule's verb.
    ASSERT_TRUE(gui::IsVisible(page, IDC_RULE_VERBS));
    ASSERT_EQ(gui::ItemCount(page, IDC_RULE_VERBS), 2);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_VERBS, 0), "開く(O)");
    EXPECT_EQ(gui::Selection(page, IDC_RULE_VERBS), 0);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_VERBS, 1), "印刷(P)");
    gui::Select(page, IDC_RULE_VERBS, 1);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_LIST, 5),
              "１つのファイルが *.doc なら、レジストリ print を実行する");
    PutBinary(HKEY_CLASSES_ROOT, "QuarvelTest.DocType", "EditFlags", std::string("\1\0\1\0", 4));
    gui::SelectLines(page, IDC_RULE_LIST, {4});
    gui::SelectLines(page, IDC_RULE_LIST, {5});
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_SECURITY, 2), "ダウンロード時と同じ（確認しない）");
    EXPECT_EQ(Close(child, sheet, IDCANCEL), 0);
}

TEST_F(OptionsSheet, RulesSavedByOkDecideTheNextMelt) {
    WriteSettings();
    ChildProcess child = Start("");
    HWND sheet = WaitForSheet(child);
    HWND page = gui::ShowPage(sheet, kRules);
    gui::ClickAndWait(page, IDC_RULE_NEW);
    for (int i = 0; i < 10; i++) gui::ClickAndWait(page, IDC_RULE_UP);
    gui::Select(page, IDC_RULE_CMDTYPE, Zent_CustomCmd);
    gui::SetControlText(page, IDC_RULE_COMMAND, "\"" + opener + "\" custom %1");
    gui::Leave(page, IDC_RULE_COMMAND);
    gui::Select(page, IDC_RULE_SECURITY, Zent_NoConfirm);
    EXPECT_EQ(gui::ItemText(page, IDC_RULE_LIST, 0),
              "*.txt なら、コマンド\"" + opener + "\" custom %1 を実行する");
    EXPECT_EQ(Close(child, sheet, IDOK), 0);
    EXPECT_EQ(Saved().AutoOpen.first->CmdType, Zent_CustomCmd);

    std::string archive = dir / "dl\\readme-only.lzh";
    CopyFileA((DataDir() + "\\readme-only.lzh").c_str(), archive.c_str(), FALSE);
    EXPECT_EQ(Start("-d \"" + archive + "\"").Wait(), 0);
    EXPECT_EQ(WaitForLog(log, 1),
              "\"" + opener + "\" custom " + cache + "\\readme-only\\readme.txt\r\n");
}

// ---- The sheet as a whole ------------------------------------------------------------------

TEST_F(OptionsSheet, TwoSheetsClosedTogetherLeaveOneWholeSettingsFile) {
    WriteSettings();
    ChildProcess first = Start(""), second = Start("");
    HWND sheets[] = {WaitForSheet(first), WaitForSheet(second)};
    const int types[] = {1, 5};  // ZIP, 7z
    const int actions[] = {Zent_DefAct_Fold, Zent_DefAct_Exp};
    for (int i = 0; i < 2; i++) {
        gui::Select(gui::ShowPage(sheets[i], kCompress), IDC_COMPRESS_TYPE, types[i]);
        gui::Select(gui::ShowPage(sheets[i], kMelt), IDC_MELT_DBLCLK_ACTION, actions[i]);
    }
    gui::Click(sheets[0], IDOK);
    gui::Click(sheets[1], IDOK);
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.Wait(), 0);
    const Zent_Settings& s = Saved();
    bool zip_folder = s.DefCompressType == Zent_ZipType && s.DefActOnDblClk == Zent_DefAct_Fold;
    bool sevenzip_explorer =
        s.DefCompressType == Zent_7zType && s.DefActOnDblClk == Zent_DefAct_Exp;
    EXPECT_TRUE(zip_folder || sevenzip_explorer) << s.DefCompressType << " " << s.DefActOnDblClk;
    EXPECT_EQ(Zent_CountAutoOpen(&s.AutoOpen), 11);
}

TEST_F(OptionsSheet, HelpOpensTheHelpPageAtTheSettingsSection) {
    ScopedClass http("http");
    WriteSettings();
    ChildProcess child = Start("");
    HWND sheet = WaitForSheet(child);
    // Without a browser the user is told, and the sheet with its settings stays.
    gui::Click(sheet, IDHELP);
    auto box = gui::WaitForMessageBoxOver(sheet, "Quarvel SV");
    EXPECT_NE(box.hwnd, nullptr);
    gui::Answer(box, IDOK);
    EXPECT_TRUE(IsWindowVisible(sheet));

    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", nullptr,
              "\"" + opener + "\" browse %1");
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec", nullptr, "\"%1\"");
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec\\Application", nullptr, "Browser");
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec\\Topic", nullptr, "WWW_OpenURL");
    gui::Click(sheet, IDHELP);
    std::string line = WaitForLog(log, 1);
    std::string head = "\"" + opener + "\" browse ";
    ASSERT_EQ(line.substr(0, head.size()), head) << line;
    // The anchor survives through a page in TEMP that sends the browser on.
    std::string redirect = line.substr(head.size(), line.size() - head.size() - 2);
    EXPECT_EQ(redirect.substr(0, (dir / "temp\\").size()), dir / "temp\\") << redirect;
    EXPECT_NE(ReadFile(redirect).find("/Quarvel%20SV/index.htm#dll\""), std::string::npos)
        << ReadFile(redirect);
    EXPECT_EQ(Close(child, sheet, IDCANCEL), 0);
    // The page it opens holds that section.
    EXPECT_NE(ReadFile(dir / "Quarvel SV\\index.htm").find("id=\"dll\""), std::string::npos);
}

// ---- Opened from another dialog ------------------------------------------------------------

TEST_F(OptionsSheet, OpenedOnARequestedPageTheCallersRecordHasTheNewValues) {
    // As the install dialog does: the melt page, whatever page was used last, and its path
    // field filled again from its own record afterwards.
    static Zent_Settings record;
    WriteSettings([](Zent_Settings& s) { s.PrevPage = kRules; });
    Zent_LoadSettings(&record, ini.c_str());
    auto driver = std::async(std::launch::async, [&] {
        HWND sheet = gui::WaitForWindow("Quarvel SV", GetCurrentProcessId());
        if (sheet == nullptr) return -1;
        int shown = gui::SheetPageIndex(sheet);
        gui::SetControlText(gui::SheetPage(sheet), IDC_MELT_INSTALL_PATH, dir / "apps");
        gui::Click(sheet, IDOK);
        return shown;
    });
    auto caught = CatchRaise([] { ShowOptions(&record, Options_MeltPage); });
    EXPECT_EQ(driver.get(), kMelt);
    EXPECT_EQ(caught.code, 0) << caught.text;
    EXPECT_EQ(std::string(record.InstallPath), dir / "apps");
    EXPECT_EQ(std::string(Saved().InstallPath), dir / "apps");
}
