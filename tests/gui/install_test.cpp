// Extract and install: the dialog's rules on their own, then dovetrim.exe as a user runs it,
// from a private program folder, with the desktop, the documents and Program Files
// redirected into a temporary folder and a recorder standing in for Explorer and the browser.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <string>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "folders/install.h"
#include "folders/install_dialog.h"
#include "folders/install_ids.h"
#include "settings/settings.h"

using namespace testing_support;

TEST(InstallRules, ListAndPathFieldFollowEachOther) {
    Zent_InstallState s{};
    const char* places[] = {"C:\\dl",
                            "C:\\Users\\u\\Desktop",
                            "C:\\Users\\u\\Documents",
                            "C:\\Program Files",
                            "C:\\windows\\system32",
                            "C:\\Users\\u\\Desktop",
                            ""};
    for (int i = 0; i < 7; i++) snprintf(s.places[i], sizeof s.places[i], "%s", places[i]);
    EXPECT_EQ(Zent_InstallMatch(&s, "c:\\program FILES"), 3);
    EXPECT_EQ(Zent_InstallMatch(&s, "C:\\Users\\u\\Desktop"), 1);  // before the custom folder
    EXPECT_EQ(Zent_InstallMatch(&s, "C:\\DL"), 0);
    EXPECT_EQ(Zent_InstallMatch(&s, ""), Zent_InstallTyped);  // the empty custom folder
    EXPECT_EQ(Zent_InstallMatch(&s, "C:\\Program Files\\Tool"), Zent_InstallTyped);
    char path[260];
    EXPECT_STREQ(Zent_InstallPathFor(&s, Zent_InstallCustom, path), "C:\\dl");
    snprintf(s.path, sizeof s.path, "D:\\typed");
    EXPECT_STREQ(Zent_InstallPathFor(&s, Zent_InstallTyped, path), "D:\\typed");

    // An existing folder is never replaced when it is or holds one of the places.
    for (const char* target : {"C:\\dl", "C:\\Users\\u", "C:\\WINDOWS", "C:\\dl\\tool"}) {
        snprintf(s.target, sizeof s.target, "%s", target);
        EXPECT_EQ(Zent_InstallMayReplace(&s), strcmp(target, "C:\\dl\\tool") == 0) << target;
    }
}

TEST(InstallRules, TargetIsOneNewFolderBelowAFullPath) {
    const std::string too_long(255, 'n');  // with C:\x\ 260 characters
    const char* refused[][2] = {
        {"C:\\x", ""},    {"C:\\x", ".."},       {"C:\\x", "a\\b"},
        {"C:\\x", "a:b"}, {"C:\\x", "a*"},       {"tools", "x"},
        {"", "x"},        {"C:\\x\\..\\w", "x"}, {"C:\\x", too_long.c_str()}};
    for (auto& c : refused) EXPECT_NE(Zent_InstallRefusal(c[0], c[1]), nullptr) << c[0] << c[1];
    const char* accepted[][3] = {{"C:\\Program Files", "Tool", "C:\\Program Files\\Tool"},
                                 {"C:\\", "ソフト", "C:\\ソフト"},  // 0x5C as a trail byte
                                 {"D:/apps//", "tool", "D:\\apps\\tool"},
                                 {"\\\\srv\\share", "x", "\\\\srv\\share\\x"}};
    for (auto& c : accepted) {
        EXPECT_EQ(Zent_InstallRefusal(c[0], c[1]), nullptr) << c[0];
        char target[260];
        EXPECT_STREQ(Zent_InstallTarget(c[0], c[1], target), c[2]);
    }
}

TEST(InstallReplace, NewFolderThatCannotMoveInPutsTheOldOneBack) {
    TempDir dir;
    std::string target = dir / "tool";
    CreateDirectoryA(target.c_str(), nullptr);
    WriteFile(target + "\\old.txt", "old");
    Caught caught = CatchRaise([&] { Zent_ReplaceFolder(target.c_str(), (dir / "gone").c_str()); });
    EXPECT_NE(caught.code, 0);
    EXPECT_EQ(ReadFile(target + "\\old.txt"), "old");
    EXPECT_FALSE(FileExists(dir / "~dovetrim1.old"));
}

namespace {

const char kCaption[] = "解凍・インストール - Quarvel SV";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Every file and folder below folder, by relative path, with the files' content.
std::map<std::string, std::string> Snapshot(const std::string& folder,
                                            const std::string& relative = "") {
    std::map<std::string, std::string> files;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\" + relative + "*").c_str(), &data);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &data)) {
        std::string name = relative + data.cFileName;
        if (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0) continue;
        bool is_dir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        files[name] = is_dir ? "<dir>" : ReadFile(folder + "\\" + name);
        if (is_dir) files.merge(Snapshot(folder, name + "\\"));
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return files;
}

class InstallProgram : public testing::Test {
protected:
    InstallProgram() {
        for (const char* name : {"desk", "docs", "pf", "prog", "win", "dl", "cwd"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : {"dovetrim.exe", "UNZIP32.DLL"})
            CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
        CopyFileA((DataDir() + "\\flat.zip").c_str(), archive.c_str(), FALSE);
    }
    ChildProcess Start(const std::string& args, const std::string& stub = "") {
        Environment env = {{"windir", dir / "win"}, {"QUARVEL_RECORDER_LOG", log}};
        if (!stub.empty()) env.push_back({"ARCHIVER_STUB", stub});
        return StartProgram(dir / "prog\\dovetrim.exe", args, env, dir / "cwd");
    }
    // The child's dialog, or a message box. Most boxes have the dialog's caption: the
    // dialog, gone or going, is not taken for one.
    HWND Window(ChildProcess& child, const char* caption = kCaption, HWND not_this = nullptr) {
        HWND found = gui::WaitForWindow(caption, child.Pid(), gui::kDefaultTimeoutMs, not_this);
        EXPECT_NE(found, nullptr) << "exit " << child.Wait(1000);
        return found;
    }
    std::string Answer(ChildProcess& child, HWND dialog, int button,
                       const char* caption = kCaption) {
        gui::MessageBoxInfo box =
            gui::WaitForMessageBox(caption, child.Pid(), gui::kDefaultTimeoutMs, dialog);
        EXPECT_TRUE(gui::Answer(box, button)) << "exit " << child.Wait(1000);
        return box.text;
    }
    // Runs the program on args, sets the folder name and path (unless empty) and presses
    // 解凍(&O).
    ChildProcess Accept(const std::string& args, const std::string& name = "",
                        const std::string& stub = "", const std::string& path = "") {
        ChildProcess child = Start(args, stub);
        HWND dialog = Window(child);
        if (!name.empty()) gui::SetControlText(dialog, IDC_INSTALL_NAME, name);
        if (!path.empty()) gui::SetControlText(dialog, IDC_INSTALL_PATH, path);
        gui::Click(dialog, IDOK);
        last_dialog = dialog;
        return child;
    }
    void SaveSettings(void (*change)(Zent_Settings*)) {
        static Zent_Settings settings;
        std::string ini = dir / "prog\\dovetrim.ini";
        Zent_LoadSettings(&settings, ini.c_str());
        change(&settings);
        Zent_SaveSettings(&settings, ini.c_str());
    }

    TempDir dir;
    ScopedValue desktop{HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk"};
    ScopedValue documents{HKEY_CURRENT_USER, kShellFolders, "Personal", dir / "docs"};
    ScopedValue program_files{HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                              "ProgramFilesDir", dir / "pf"};
    std::string archive = dir / "dl\\tool.zip";  // a.txt and b.txt, no top folder
    std::string install = "-i \"" + archive + "\"";
    std::string log = dir / "recorder.log";
    HWND last_dialog = nullptr;
};

}  // namespace

TEST_F(InstallProgram, DoubleClickDropAndMenuInstallUnderTheChosenName) {
    SaveSettings([](Zent_Settings* s) { s->DefActOnDblClk = s->DefActOnDrop = Zent_DefAct_Melt; });
    ChildProcess child = Start("-d \"" + archive + "\"");
    HWND dialog = Window(child);
    EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_INTRO),
              "下記の解凍先に新しいフォルダを作り、そこに tool.zip を解凍・インストールします。");
    EXPECT_EQ(gui::ItemCount(dialog, IDC_INSTALL_PLACE), 8);
    EXPECT_EQ(gui::ItemText(dialog, IDC_INSTALL_PLACE, 7), "（解凍先入力）");
    EXPECT_EQ(gui::Selection(dialog, IDC_INSTALL_PLACE), 0);
    EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_PATH), dir / "dl");
    EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_NAME), "tool");
    gui::Click(dialog, IDOK);
    EXPECT_EQ(child.Wait(), 0);

    // Dropped: an archive whose single top folder (doc) has another name.
    std::string app = dir / "dl\\app.zip";
    CopyFileA((DataDir() + "\\doc-top.zip").c_str(), app.c_str(), FALSE);
    EXPECT_EQ(Accept("\"" + app + "\"", "MyApp").Wait(), 0);
    EXPECT_EQ(Snapshot(dir / "dl").size(), 8u);  // two archives, two folders of two files
    EXPECT_EQ(ReadFile(dir / "dl\\tool\\a.txt").substr(0, 10), "Line 0001:");
    EXPECT_EQ(ReadFile(dir / "dl\\MyApp\\b.txt").substr(0, 10), "Line 0001:");

    // From the menu into Program Files, where only this install is shown in Explorer.
    child = Start(install);
    dialog = Window(child);
    gui::Select(dialog, IDC_INSTALL_PLACE, 3);
    EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_PATH), dir / "pf");
    gui::SetControlText(dialog, IDC_INSTALL_NAME, "Tool");
    gui::Click(dialog, IDOK);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(Snapshot(dir / "pf").size(), 3u);
    EXPECT_EQ(WaitForLog(log, 1), dir / "win\\explorer.exe /e,\"" + dir / "pf\\Tool\"\r\n");
}

TEST_F(InstallProgram, ListPathFieldPickerOptionsAndHelp) {
    SaveSettings([](Zent_Settings* s) {
        snprintf(s->InstallPath, 260, "C:\\Apps1");
        s->dll[0] = 1;  // with no DLL flagged the options sheet insists on its DLL page
    });
    ScopedClass http{"http"};  // the browser for help is the recorder too
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", nullptr,
              "\"" + dir / "win\\explorer.exe" + "\" \"%1\"");
    for (const char* key : {"", "\\Application", "\\Topic"})
        PutString(HKEY_CLASSES_ROOT, std::string("http\\shell\\open\\ddeexec") + key, nullptr, "x");
    ChildProcess child = Start(install);
    HWND dialog = Window(child);
    auto path = [&] { return gui::ControlText(dialog, IDC_INSTALL_PATH); };
    auto shown = [&] { return gui::Selection(dialog, IDC_INSTALL_PLACE); };

    gui::SetControlText(dialog, IDC_INSTALL_PATH, dir / "DESK");
    EXPECT_EQ(shown(), 1);
    gui::SetControlText(dialog, IDC_INSTALL_PATH, dir / "desk\\sub");
    EXPECT_EQ(shown(), Zent_InstallTyped);
    gui::Select(dialog, IDC_INSTALL_PLACE, 2);
    EXPECT_EQ(path(), dir / "docs");
    // Choosing the typed position hands the field over; what is typed then stays whole.
    gui::Select(dialog, IDC_INSTALL_PLACE, Zent_InstallTyped);
    EXPECT_EQ(shown(), 2);  // the field still names the documents
    for (char c : std::string("Q:\\x"))
        SendMessageA(GetDlgItem(dialog, IDC_INSTALL_PATH), WM_CHAR, c, 0);
    EXPECT_EQ(path(), "Q:\\x");
    EXPECT_EQ(shown(), Zent_InstallTyped);

    gui::Click(dialog, IDC_INSTALL_BROWSE);
    HWND picker = Window(child, "フォルダーの参照");
    EXPECT_EQ(gui::ControlText(picker, 14146), "解凍先のフォルダを指定してください");
    gui::Click(picker, IDOK);  // Wine's own desktop folder, not the test's
    EXPECT_TRUE(gui::WaitUntil([&] { return path() != "Q:\\x"; }));
    EXPECT_NE(GetFileAttributesA(path().c_str()), INVALID_FILE_ATTRIBUTES) << path();
    EXPECT_EQ(shown(), Zent_InstallTyped);

    // The options sheet opens on the melt page; afterwards the settings are read again and
    // the field refilled.
    gui::Select(dialog, IDC_INSTALL_PLACE, Zent_InstallCustom);
    EXPECT_EQ(path(), "C:\\Apps1");
    SaveSettings([](Zent_Settings* s) { snprintf(s->InstallPath, 260, "C:\\Apps2"); });
    gui::Click(dialog, IDC_INSTALL_OPTIONS);
    HWND sheet = gui::WaitForWindow("Quarvel SV", child.Pid());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(gui::SheetPageIndex(sheet), 0);
    gui::Click(sheet, IDCANCEL);
    EXPECT_TRUE(gui::WaitUntilClosed(sheet));
    EXPECT_TRUE(gui::WaitUntil([&] { return path() == "C:\\Apps2"; }));

    gui::ClickAndWait(dialog, IDC_INSTALL_HELP);
    EXPECT_NE(WaitForLog(log, 1).find(dir / "prog\\index.htm"), std::string::npos);
    gui::SetControlText(dialog, IDC_INSTALL_NAME, "");
    gui::Click(dialog, IDOK);
    EXPECT_EQ(Answer(child, dialog, IDOK), "新しく作成されるフォルダ名を入力してください。");
    gui::Click(dialog, IDCANCEL);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(Snapshot(dir / "dl").size(), 1u);
}

TEST_F(InstallProgram, ExistingFolderIsAskedAboutAndThenReplacedWhole) {
    CreateDirectoryA((dir / "dl\\tool").c_str(), nullptr);
    WriteFile(dir / "dl\\tool\\only-old.txt", "old");
    WriteFile(dir / "dl\\note", "a file");

    ChildProcess child = Accept(install, "TOOL");
    EXPECT_EQ(Answer(child, last_dialog, IDNO),
              dir / "dl\\TOOLフォルダは既に存在します。\r\n上書きしますか？");
    HWND dialog = Window(child);  // again, as it was at first
    EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_NAME), "tool");
    gui::SetControlText(dialog, IDC_INSTALL_NAME, "note");
    gui::Click(dialog, IDOK);
    EXPECT_EQ(
        Answer(child, dialog, IDOK),
        dir / "dl\\noteと同じ名前のファイルが既に存在しているため、そこに解凍できません。\r\n");
    dialog = Window(child);
    gui::Click(dialog, IDOK);
    Answer(child, dialog, IDYES);
    EXPECT_EQ(child.Wait(), 0);
    std::map<std::string, std::string> dl = Snapshot(dir / "dl");
    EXPECT_EQ(dl.count("tool\\only-old.txt"), 0u);
    EXPECT_EQ(dl.size(), 5u);  // tool.zip, note, tool with a.txt and b.txt
}

TEST_F(InstallProgram, CancelOrFailureInTheDllLeavesTheDestinationAsItWas) {
    CreateDirectoryA((dir / "dl\\tool").c_str(), nullptr);
    CreateDirectoryA((dir / "dl\\tool\\sub").c_str(), nullptr);
    WriteFile(dir / "dl\\tool\\a.txt", "old a");
    WriteFile(dir / "dl\\tool\\sub\\mine.txt", "mine");
    const std::map<std::string, std::string> before = Snapshot(dir / "dl");
    // A new folder, one in folders that do not exist yet, and the existing one replaced.
    for (const char* name : {"fresh", "new\\deeper\\tool", "tool"}) {
        SCOPED_TRACE(name);
        std::string target = dir / "dl\\" + name;
        size_t cut = target.rfind('\\');
        ChildProcess child =
            Accept(install, target.substr(cut + 1), "cancel-after:1", target.substr(0, cut));
        if (strcmp(name, "tool") == 0) Answer(child, last_dialog, IDYES);
        EXPECT_EQ(child.Wait(), 0);
        EXPECT_EQ(Snapshot(dir / "dl"), before);
    }
    ChildProcess child = Accept(install, "", "fail:0x8017");
    Answer(child, last_dialog, IDYES);
    Answer(child, nullptr, IDOK, "エラーメッセージ");
    EXPECT_EQ(child.Wait(), 14);
    EXPECT_EQ(Snapshot(dir / "dl"), before);
}

// A folder that takes the target's name while the old one is aside (here "TOOL" beside
// "tool", on a file system that tells letter cases apart) keeps the old one from going back:
// the message says where it is, and the staging folder goes.
TEST_F(InstallProgram, OldFolderThatCannotGoBackIsNamedInTheMessage) {
    CreateDirectoryA((dir / "dl\\tool").c_str(), nullptr);
    WriteFile(dir / "dl\\tool\\mine.txt", "mine");
    ASSERT_EQ(RunLinuxShell("mkdir '" + UnixPath(dir / "dl") + "/TOOL'"), 0);
    ChildProcess child = Accept(install);
    Answer(child, last_dialog, IDYES);
    std::string text = Answer(child, nullptr, IDOK, "エラーメッセージ");
    EXPECT_EQ(child.Wait(), 14);
    std::string aside = dir / "dl\\~dovetrim1.old";
    EXPECT_NE(text.find("元のフォルダ " + dir / "dl\\tool" + " は " + aside + " にあります。"),
              std::string::npos)
        << text;
    EXPECT_EQ(ReadFile(aside + "\\mine.txt"), "mine");
    EXPECT_FALSE(FileExists(dir / "dl\\~dovetrim1.new"));
}
