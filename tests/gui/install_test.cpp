// Extract and install: the dialog's rules on their own, then dovetrim.exe -i as a user runs
// it, from a private program folder, with the desktop, the documents and Program Files
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

// ---- Rules --------------------------------------------------------------------------------

namespace {

Zent_InstallState Places() {
    Zent_InstallState s{};
    const char* places[] = {"C:\\dl",
                            "C:\\Users\\u\\Desktop",
                            "C:\\Users\\u\\Documents",
                            "C:\\Program Files",
                            "C:\\windows\\system32",
                            "C:\\Users\\u\\Desktop",
                            ""};
    for (int i = 0; i < 7; i++) snprintf(s.places[i], sizeof s.places[i], "%s", places[i]);
    return s;
}

std::string PathFor(const Zent_InstallState& s, int position) {
    char out[260];
    return Zent_InstallPathFor(&s, position, out);
}

}  // namespace

TEST(InstallRules, PathFieldSelectsTheFirstPlaceWithItsFolder) {
    Zent_InstallState s = Places();
    EXPECT_EQ(Zent_InstallMatch(&s, "c:\\program FILES"), 3);
    // The desktop comes before the custom folder that names it too.
    EXPECT_EQ(Zent_InstallMatch(&s, "C:\\Users\\u\\Desktop"), 1);
    EXPECT_EQ(Zent_InstallMatch(&s, "C:\\DL"), 0);
    snprintf(s.places[Zent_InstallCustom], 260, "C:\\dl");
    EXPECT_EQ(Zent_InstallMatch(&s, "C:\\dl"), Zent_InstallCustom);
    // An empty custom folder is no match for an empty field.
    EXPECT_EQ(Zent_InstallMatch(&s, ""), Zent_InstallTyped);
    EXPECT_EQ(Zent_InstallMatch(&s, "C:\\Program Files\\Tool"), Zent_InstallTyped);
}

TEST(InstallRules, ListChoiceFillsThePathField) {
    Zent_InstallState s = Places();
    EXPECT_EQ(PathFor(s, 3), "C:\\Program Files");
    EXPECT_EQ(PathFor(s, Zent_InstallCustom), "C:\\dl");  // empty: the archive's folder
    snprintf(s.path, sizeof s.path, "D:\\typed");
    EXPECT_EQ(PathFor(s, Zent_InstallTyped), "D:\\typed");
    s.path[0] = '\0';
    EXPECT_EQ(PathFor(s, Zent_InstallTyped), "C:\\dl");
}

TEST(InstallRules, TargetIsOneNewFolderBelowAFullPath) {
    struct Case {
        const char* path;
        const char* name;
        const char* target;  // null: refused
    };
    const std::string long_name(255, 'n');  // C:\x\ and the name: 260
    const Case cases[] = {
        {"C:\\Program Files", "Tool", "C:\\Program Files\\Tool"},
        {"C:\\", "ソフト", "C:\\ソフト"},  // 0x5C as a trail byte is no separator
        {"D:/apps//", "tool", "D:\\apps\\tool"},
        {"\\\\srv\\share", "x", "\\\\srv\\share\\x"},
        {"C:\\x", "", nullptr},
        {"C:\\x", "..", nullptr},
        {"C:\\x", "a\\b", nullptr},
        {"C:\\x", "a:b", nullptr},
        {"C:\\x", "a*", nullptr},
        {"tools", "x", nullptr},
        {"", "x", nullptr},
        {"C:\\x\\..\\windows", "x", nullptr},
        {"C:\\x", long_name.c_str(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " | " + c.name);
        const char* refusal = Zent_InstallRefusal(c.path, c.name);
        if (c.target == nullptr) {
            EXPECT_NE(refusal, nullptr);
            continue;
        }
        EXPECT_EQ(refusal, nullptr) << refusal;
        char target[260];
        EXPECT_STREQ(Zent_InstallTarget(c.path, c.name, target), c.target);
    }
}

TEST(InstallRules, ReplacingNeverTakesTheArchiveOrAListedFolder) {
    Zent_InstallState s = Places();
    for (const char* target : {"C:\\dl", "C:\\Users\\u", "C:\\WINDOWS", "C:\\Program Files"}) {
        snprintf(s.target, sizeof s.target, "%s", target);
        EXPECT_FALSE(Zent_InstallMayReplace(&s)) << target;
    }
    for (const char* target : {"C:\\dl\\tool", "C:\\Program Files\\Tool", "C:\\dl2"}) {
        snprintf(s.target, sizeof s.target, "%s", target);
        EXPECT_TRUE(Zent_InstallMayReplace(&s)) << target;
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
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir / "~dovetrim*").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << found.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

// ---- The program --------------------------------------------------------------------------

namespace {

const char kCaption[] = "解凍・インストール - Quarvel SV";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kProgramFiles[] = {"dovetrim.exe", "UNZIP32.DLL"};

// Every file below folder with its content, by relative path; folders end in "\".
void Snapshot(const std::string& folder, const std::string& relative,
              std::map<std::string, std::string>* out) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            (*out)[relative + name + "\\"] = "";
            Snapshot(folder + "\\" + name, relative + name + "\\", out);
        } else {
            (*out)[relative + name] = ReadFile(folder + "\\" + name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    Snapshot(folder, "", &files);
    return files;
}

class InstallProgram : public testing::Test {
protected:
    InstallProgram() {
        for (const char* name : {"desk", "docs", "pf", "prog", "win", "dl", "cwd"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : kProgramFiles)
            CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
        CopyFileA((DataDir() + "\\flat.zip").c_str(), archive.c_str(), FALSE);
    }
    ChildProcess Start(const std::string& args, const std::string& stub = "") {
        Environment env = {{"windir", dir / "win"}, {"QUARVEL_RECORDER_LOG", log}};
        if (!stub.empty()) env.push_back({"ARCHIVER_STUB", stub});
        return StartProgram(dir / "prog\\dovetrim.exe", args, env, dir / "cwd");
    }
    ChildProcess Install(const std::string& archive_path, const std::string& stub = "") {
        return Start("-i \"" + archive_path + "\"", stub);
    }
    // The dialog of the child; the test stops when it does not come.
    HWND Dialog(ChildProcess& child) {
        HWND dialog = gui::WaitForWindow(kCaption, child.Pid());
        EXPECT_NE(dialog, nullptr) << "exit " << child.Wait(1000);
        return dialog;
    }
    // A message box of the child. Most have the dialog's caption: the dialog, gone or going,
    // is not taken for one.
    gui::MessageBoxInfo Box(ChildProcess& child, const char* caption = kCaption,
                            HWND over = nullptr) {
        gui::MessageBoxInfo box =
            gui::WaitForMessageBox(caption, child.Pid(), gui::kDefaultTimeoutMs, over);
        EXPECT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000);
        return box;
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
    ScopedValue program_files{HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", dir / "pf"};
    std::string archive = dir / "dl\\tool.zip";
    std::string log = dir / "recorder.log";
};

}  // namespace

TEST_F(InstallProgram, NextToTheArchiveOpensNothingProgramFilesOpensExplorer) {
    {
        ChildProcess child = Install(archive);
        HWND dialog = Dialog(child);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(
            gui::ControlText(dialog, IDC_INSTALL_INTRO),
            "下記の解凍先に新しいフォルダを作り、そこに tool.zip を解凍・インストールします。");
        ASSERT_EQ(gui::ItemCount(dialog, IDC_INSTALL_PLACE), 8);
        for (int i = 0; i < 8; i++)
            EXPECT_EQ(gui::ItemText(dialog, IDC_INSTALL_PLACE, i), Zent_InstallPlaceText(i));
        EXPECT_EQ(gui::Selection(dialog, IDC_INSTALL_PLACE), 0);
        EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_PATH), dir / "dl");
        EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_NAME), "tool");
        gui::Click(dialog, IDOK);
        EXPECT_EQ(child.Wait(), 0);
    }
    EXPECT_EQ(ReadFile(dir / "dl\\tool\\a.txt").substr(0, 10), "Line 0001:");
    EXPECT_EQ(Snapshot(dir / "dl").size(), 4u);  // tool.zip, tool\, tool\a.txt, tool\b.txt

    ChildProcess child = Install(archive);
    HWND dialog = Dialog(child);
    ASSERT_NE(dialog, nullptr);
    gui::Select(dialog, IDC_INSTALL_PLACE, 3);
    EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_PATH), dir / "pf");
    gui::SetControlText(dialog, IDC_INSTALL_NAME, "Tool");
    gui::Click(dialog, IDOK);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(Snapshot(dir / "pf").size(), 3u);
    EXPECT_EQ(ReadFile(dir / "pf\\Tool\\b.txt").substr(0, 10), "Line 0001:");
    // Only this second run shows anything: the folder with the folder pane (the default).
    EXPECT_EQ(WaitForLog(log, 1), dir / "win\\explorer.exe /e,\"" + dir / "pf\\Tool\"\r\n");
}

TEST_F(InstallProgram, ContentEndsUpUnderTheChosenNameWithOrWithoutATopFolder) {
    std::string app = dir / "dl\\app.zip";  // doc\a.txt, doc\b.txt
    CopyFileA((DataDir() + "\\doc-top.zip").c_str(), app.c_str(), FALSE);
    for (const std::string& path : {app, archive}) {
        ChildProcess child = Install(path);
        HWND dialog = Dialog(child);
        ASSERT_NE(dialog, nullptr);
        gui::SetControlText(dialog, IDC_INSTALL_NAME, path == app ? "MyApp" : "MyTool");
        gui::Click(dialog, IDOK);
        EXPECT_EQ(child.Wait(), 0);
    }
    std::map<std::string, std::string> dl = Snapshot(dir / "dl");
    for (const char* folder : {"MyApp\\", "MyTool\\"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(dl.count(folder), 1u);
        EXPECT_EQ(dl[folder + std::string("b.txt")].substr(0, 10), "Line 0001:");
    }
    EXPECT_EQ(dl.size(), 8u);  // the two archives, the two folders with two files each
}

TEST_F(InstallProgram, ListAndPathFieldFollowEachOther) {
    SaveSettings(
        [](Zent_Settings* s) { snprintf(s->InstallPath, sizeof s->InstallPath, "C:\\Apps1"); });
    // The browser for help is the recorder too.
    ScopedClass http{"http"};
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", nullptr,
              "\"" + dir / "win\\explorer.exe" + "\" \"%1\"");
    for (const char* key : {"", "\\Application", "\\Topic"})
        PutString(HKEY_CLASSES_ROOT, std::string("http\\shell\\open\\ddeexec") + key, nullptr, "x");

    ChildProcess child = Install(archive);
    HWND dialog = Dialog(child);
    ASSERT_NE(dialog, nullptr);
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
    HWND field = GetDlgItem(dialog, IDC_INSTALL_PATH);
    for (char c : std::string("Q:\\x")) SendMessageA(field, WM_CHAR, c, 0);
    EXPECT_EQ(path(), "Q:\\x");
    EXPECT_EQ(shown(), Zent_InstallTyped);

    // "設定(&T)...": no sheet yet, but the settings are read again and the field refilled.
    gui::Select(dialog, IDC_INSTALL_PLACE, Zent_InstallCustom);
    EXPECT_EQ(path(), "C:\\Apps1");
    SaveSettings(
        [](Zent_Settings* s) { snprintf(s->InstallPath, sizeof s->InstallPath, "C:\\Apps2"); });
    gui::Click(dialog, IDC_INSTALL_OPTIONS);
    gui::MessageBoxInfo box = Box(child, "Quarvel SV");
    EXPECT_EQ(box.text, "設定画面は、このバージョンにはまだありません。");
    gui::Answer(box, IDOK);
    EXPECT_EQ(path(), "C:\\Apps2");
    EXPECT_EQ(shown(), Zent_InstallCustom);

    gui::ClickAndWait(dialog, IDC_INSTALL_HELP);
    EXPECT_NE(WaitForLog(log, 1).find(dir / "prog\\index.htm"), std::string::npos);

    gui::SetControlText(dialog, IDC_INSTALL_NAME, "");
    gui::Click(dialog, IDOK);
    box = Box(child, kCaption, dialog);
    EXPECT_EQ(box.text, "新しく作成されるフォルダ名を入力してください。");
    gui::Answer(box, IDOK);
    EXPECT_TRUE(IsWindowVisible(dialog));
    gui::Click(dialog, IDCANCEL);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(Snapshot(dir / "dl").size(), 1u);
}

TEST_F(InstallProgram, ExistingFolderIsAskedAboutAndThenReplacedWhole) {
    std::string tool = dir / "dl\\tool";
    CreateDirectoryA(tool.c_str(), nullptr);
    WriteFile(tool + "\\a.txt", "old");
    WriteFile(tool + "\\only-old.txt", "old");
    WriteFile(dir / "dl\\note", "a file");

    ChildProcess child = Install(archive);
    HWND dialog = Dialog(child);
    ASSERT_NE(dialog, nullptr);
    gui::SetControlText(dialog, IDC_INSTALL_NAME, "TOOL");
    gui::Click(dialog, IDOK);
    gui::MessageBoxInfo box = Box(child, kCaption, dialog);
    EXPECT_EQ(box.text, dir / "dl\\TOOLフォルダは既に存在します。\r\n上書きしますか？");
    EXPECT_TRUE(gui::HasButton(box, IDYES));
    gui::Answer(box, IDNO);

    // The dialog again, as it was at first.
    dialog = Dialog(child);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gui::ControlText(dialog, IDC_INSTALL_NAME), "tool");
    gui::SetControlText(dialog, IDC_INSTALL_NAME, "note");
    gui::Click(dialog, IDOK);
    box = Box(child, kCaption, dialog);
    EXPECT_EQ(box.text, dir /
                            "dl\\noteと同じ名前のファイルが既に存在しているため、そこに解凍で"
                            "きません。\r\n");
    gui::Answer(box, IDOK);

    dialog = Dialog(child);
    ASSERT_NE(dialog, nullptr);
    gui::Click(dialog, IDOK);
    gui::Answer(Box(child, kCaption, dialog), IDYES);
    EXPECT_EQ(child.Wait(), 0);
    std::map<std::string, std::string> dl = Snapshot(dir / "dl");
    EXPECT_EQ(dl.count("tool\\only-old.txt"), 0u);
    EXPECT_EQ(dl["tool\\a.txt"].substr(0, 10), "Line 0001:");
    EXPECT_EQ(dl["note"], "a file");
    EXPECT_EQ(dl.size(), 5u);  // tool.zip, note, tool\ with a.txt and b.txt
}

TEST_F(InstallProgram, CancelOrFailureInTheDllLeavesTheDestinationAsItWas) {
    std::string tool = dir / "dl\\tool";
    CreateDirectoryA(tool.c_str(), nullptr);
    CreateDirectoryA((tool + "\\sub").c_str(), nullptr);
    WriteFile(tool + "\\a.txt", "old a");
    WriteFile(tool + "\\sub\\mine.txt", "mine");
    const std::map<std::string, std::string> before = Snapshot(dir / "dl");

    struct Case {
        const char* stub;
        const char* name;  // tool: the existing folder, confirmed; else a new one
        int exit_code;
    };
    for (const Case& c : {Case{"cancel-after:1", "tool", 0}, Case{"cancel-after:1", "fresh", 0},
                          Case{"fail:0x8017", "tool", 14}}) {
        SCOPED_TRACE(std::string(c.stub) + " " + c.name);
        ChildProcess child = Install(archive, c.stub);
        HWND dialog = Dialog(child);
        ASSERT_NE(dialog, nullptr);
        gui::SetControlText(dialog, IDC_INSTALL_NAME, c.name);
        gui::Click(dialog, IDOK);
        if (strcmp(c.name, "tool") == 0) gui::Answer(Box(child, kCaption, dialog), IDYES);
        if (c.exit_code == 14) gui::Answer(Box(child, "エラーメッセージ"), IDOK);
        EXPECT_EQ(child.Wait(), c.exit_code);
        EXPECT_EQ(Snapshot(dir / "dl"), before);
    }
}

TEST_F(InstallProgram, DoubleClickAndDropOpenTheSameDialog) {
    SaveSettings([](Zent_Settings* s) {
        s->DefActOnDblClk = Zent_DefAct_Melt;
        s->DefActOnDrop = Zent_DefAct_Melt;
    });
    for (const std::string& args : {"-d \"" + archive + "\"", "\"" + archive + "\""}) {
        SCOPED_TRACE(args);
        ChildProcess child = Start(args);
        HWND dialog = Dialog(child);
        ASSERT_NE(dialog, nullptr);
        gui::Click(dialog, IDOK);
        EXPECT_EQ(child.Wait(), 0);
        std::map<std::string, std::string> dl = Snapshot(dir / "dl");
        EXPECT_EQ(dl.count("tool\\a.txt"), 1u);
        DeleteFileA((dir / "dl\\tool\\a.txt").c_str());
        DeleteFileA((dir / "dl\\tool\\b.txt").c_str());
        RemoveDirectoryA((dir / "dl\\tool").c_str());
    }
}
