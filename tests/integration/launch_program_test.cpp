// What an archive can make dovetrim.exe start: nothing before the user said yes, a viewer
// only as Windows' own program, a program with exactly the parameters the user saw, a "do
// not ask again" only for what was seen; and no DLL from where the program stands.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "../../archivers/engine/formats.h"
#include "melt_fixture.h"

using namespace testing_support;
using namespace melt_fixture;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;  // name in the archive, content

class LaunchGuard : public AutoOpenProgram {
protected:
    // An archive in the download folder holding the files; "@recorder" stands for a copy
    // of the recorder program. The archive's type follows its extension (lzh or zip).
    std::string Pack(const std::string& name, const Files& files) {
        std::string staging = dir / ("pack-" + name);
        CreateDirectoryA(staging.c_str(), nullptr);
        std::vector<arc::Item> items;
        int n = 0;
        for (const auto& [entry, content] : files) {
            std::string disk = staging + "\\" + std::to_string(n++);
            if (content == "@recorder") {
                CopyFileA(BinPath("recorder.exe").c_str(), disk.c_str(), FALSE);
            } else {
                WriteFile(disk, content);
            }
            arc::Item item;
            item.entry.name = entry;
            item.entry.mtime = 1093530658;  // 2004-08-26 14:30:58 UTC, as the fixtures
            item.entry.attr = 0x20;
            item.disk_path = disk;
            items.push_back(item);
        }
        std::string archive = dir / "dl\\" + name;
        bool zip = name.size() > 4 && name.substr(name.size() - 4) == ".zip";
        int result = zip ? arc::Zip_Write(archive, items, 6) : arc::Lzh_Write(archive, items, 5);
        EXPECT_EQ(result, 0) << archive;
        return archive;
    }
    // Melts the archive and answers the question before its autorun.inf (or the entry
    // named) opens with Run. The child is left where the launch step takes it.
    ChildProcess MeltPastTheFirstQuestion(const std::string& archive,
                                          const std::string& entry = "autorun.inf") {
        ChildProcess child = Start("-d \"" + archive + "\"");
        HWND first = WaitForSafety(child);
        EXPECT_NE(first, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
        if (first == nullptr) return child;
        EXPECT_EQ(gui::ControlText(first, kQuestion),
                  NameOf(archive) + " の中にある " + entry + " を開きますか？");
        gui::Click(first, kRun);
        EXPECT_TRUE(gui::WaitUntilClosed(first));
        return child;
    }
    // A rule of the user's, tried before every other.
    void PutRuleFirst(const char* wildcard, int cmd_type, const std::string& command) {
        static Zent_Settings settings;
        std::string ini = dir / "prog\\dovetrim.ini";
        Zent_LoadSettings(&settings, ini.c_str());
        Zent_AutoOpen* rule = Zent_NewAutoOpen();
        rule->Security = Zent_NoConfirm;
        snprintf(rule->WildCard, sizeof rule->WildCard, "%s", wildcard);
        rule->CmdType = cmd_type;
        snprintf(rule->Command, sizeof rule->Command, "%s", command.c_str());
        rule->next = settings.AutoOpen.first;
        settings.AutoOpen.first = rule;
        Zent_SaveSettings(&settings, ini.c_str());
    }
    static std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }
    // Everything the recorders logged once the child has ended; started programs log
    // before a marker run of the recorder does.
    std::string LogAfterMarker() {
        RunProgram(BinPath("recorder.exe"), "marker", {{"QUARVEL_RECORDER_LOG", log}});
        return ReadFile(log);
    }
};

}  // namespace

TEST_F(LaunchGuard, ViewerIsWindowsOwnNeverAProgramOfTheArchive) {
    // The Windows folder of the test holds the viewer; the archive holds one of the same
    // name, which would be found first from the archive's folder.
    ASSERT_TRUE(
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\notepad.exe").c_str(), FALSE));
    std::string viewer =
        Pack("viewer.lzh", {{"autorun.inf", "[autorun]\r\nopen=notepad readme.txt\r\n"},
                            {"readme.txt", "read me"},
                            {"notepad.exe", "@recorder"}});
    ChildProcess child = MeltPastTheFirstQuestion(viewer);
    // A viewer showing a document is started without a second question.
    EXPECT_EQ(child.Wait(), 0);
    // The viewer is started, not waited for: its line comes when it has run.
    WaitForLog(log, 1);
    std::string ran = LogAfterMarker();
    EXPECT_NE(ran.find(dir / "win\\notepad.exe"), std::string::npos) << ran;
    EXPECT_NE(ran.find(" readme.txt\r\n"), std::string::npos) << ran;
    EXPECT_EQ(ran.find(cache + "\\viewer\\notepad.exe"), std::string::npos) << ran;

    // A program whose name only begins like a viewer's is a program of the archive.
    DeleteFileA(log.c_str());
    std::string lookalike =
        Pack("lookalike.lzh", {{"autorun.inf", "[autorun]\r\nopen=notepad2.exe readme.txt\r\n"},
                               {"readme.txt", "read me"},
                               {"notepad2.exe", "@recorder"}});
    child = MeltPastTheFirstQuestion(lookalike);
    HWND launch = WaitForSafety(child);
    ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << LogAfterMarker();
    EXPECT_EQ(gui::ControlText(launch, kQuestion),
              "lookalike.lzh の中にある notepad2.exe を実行しますか？");
    gui::Click(launch, kCancel);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(LogAfterMarker().find("notepad2.exe"), std::string::npos);
}

TEST_F(LaunchGuard, ProgramBehindADocumentRuleIsAskedAbout) {
    // "index.htm*" (no question) matches it; what runs is a command script.
    std::string marker = dir / "ran.txt";
    std::string page =
        Pack("page-cmd.zip", {{"page/index.htm.cmd", "@echo ran> \"" + marker + "\"\r\n"}});
    ChildProcess child = Start("-d \"" + page + "\"");
    HWND dialog = WaitForSafety(child);
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\nran: " << FileExists(marker);
    EXPECT_EQ(gui::ControlText(dialog, kQuestion),
              "page-cmd.zip の中にある index.htm.cmd を開きますか？");
    gui::Click(dialog, kCancel);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_FALSE(FileExists(cache + "\\page"));
    LogAfterMarker();
    EXPECT_FALSE(FileExists(marker));
}

// A user's rule that reads a script with a program of its own, or a registry file with a
// verb other than open: the launch question names what will start, and Run starts that,
// never the file itself.
TEST_F(LaunchGuard, LaunchQuestionCarriesOutTheRulesOwnAction) {
    std::string reader = dir / "reader.exe", marker = dir / "ran.txt";
    ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), reader.c_str(), FALSE));
    ScopedClass reg(".reg");
    PutString(HKEY_CLASSES_ROOT, ".reg", nullptr, kProgramId);
    PutString(HKEY_CLASSES_ROOT, std::string(kProgramId) + "\\shell\\edit\\command", nullptr,
              "\"" + opener + "\" edit \"%1\"");
    struct Case {
        const char *archive, *entry;
        std::string content;
        const char* wildcard;
        int cmd_type;
        std::string command, question, started;
    };
    const Case cases[] = {
        {"script.lzh", "check.vbs",
         "CreateObject(\"Scripting.FileSystemObject\").CreateTextFile \"" + marker + "\"\r\n",
         "*.vbs", Zent_CustomCmd, "\"" + reader + "\" read %1",
         "script.lzh の中にある check.vbs を「reader.exe」で開きますか？",
         "\"" + reader + "\" read " + cache + "\\script\\check.vbs\r\n"},
        {"keys.lzh", "setup.reg", "REGEDIT4\r\n", "*.reg", Zent_RegCmd, "edit",
         "keys.lzh の中にある setup.reg を「edit」で開きますか？",
         "\"" + opener + "\" edit \"" + cache + "\\keys\\setup.reg\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        DeleteFileA(log.c_str());
        PutRuleFirst(c.wildcard, c.cmd_type, c.command);
        std::string archive = Pack(c.archive, {{c.entry, c.content}});
        ChildProcess child = MeltPastTheFirstQuestion(archive, c.entry);
        HWND launch = WaitForSafety(child);
        ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << LogAfterMarker();
        EXPECT_EQ(gui::ControlText(launch, kQuestion), c.question);
        gui::Click(launch, kRun);
        EXPECT_EQ(child.Wait(), 0);
        EXPECT_EQ(WaitForLog(log, 1), c.started);
        EXPECT_EQ(LogAfterMarker().find(" open "), std::string::npos);
    }
    EXPECT_FALSE(FileExists(marker));

    // A rule that only shows the folder starts nothing, and asks nothing.
    DeleteFileA(log.c_str());
    PutRuleFirst("*.exe", Zent_OpenOnly, "");
    std::string tool = Pack("tool.lzh", {{"tool.exe", "@recorder"}});
    EXPECT_EQ(Run("-d \"" + tool + "\""), 0);
    std::string shown = LogAfterMarker();
    EXPECT_NE(shown.find(Explored(cache + "\\tool")), std::string::npos) << shown;
    EXPECT_EQ(shown.find("tool.exe"), std::string::npos) << shown;
}

// A description that names nothing to start shows its folder, as the rule's own action
// does: without a second question when it has no menu either, and through the menu's
// first entry when it has one.
TEST_F(LaunchGuard, DescriptionWithoutOpenShowsItsFolder) {
    std::string label = Pack(
        "label.lzh",
        {{"autorun.inf", "[autorun]\r\nicon=setup.exe\r\nlabel=Disc\r\nshellexecute=setup.exe\r\n"},
         {"setup.exe", "@recorder"}});
    ChildProcess child = MeltPastTheFirstQuestion(label);
    EXPECT_EQ(child.Wait(), 0);
    std::string shown = LogAfterMarker();
    EXPECT_NE(shown.find("\"" + cache + "\\label\"\r\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("setup.exe"), std::string::npos) << shown;

    DeleteFileA(log.c_str());
    std::string menu =
        Pack("menu.lzh", {{"autorun.inf",
                           "[autorun]\r\nlabel=Disc\r\nshell\\setup=セットアップ(&S)\r\n"
                           "shell\\setup\\command=setup.exe /s\r\n"},
                          {"setup.exe", "@recorder"}});
    child = MeltPastTheFirstQuestion(menu);
    HWND launch = WaitForSafety(child);
    ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << LogAfterMarker();
    EXPECT_EQ(gui::ControlText(launch, kQuestion),
              "menu.lzh の中にある autorun.inf を開きますか？");
    gui::Click(launch, kRun);
    EXPECT_EQ(child.Wait(), 0);
    shown = LogAfterMarker();
    EXPECT_NE(shown.find("\"" + cache + "\\menu\"\r\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("setup.exe"), std::string::npos) << shown;
}

// A user's autorun rule over a name that is no program: what the description starts is
// asked about all the same.
TEST_F(LaunchGuard, WhatADescriptionStartsIsAlwaysAskedAbout) {
    PutRuleFirst("*.ini", Zent_AutoRunInf, "");
    std::string disc = Pack("disc.lzh", {{"disc.ini", "[autorun]\r\nopen=setup.exe /q\r\n"},
                                         {"setup.exe", "@recorder"}});
    ChildProcess child = Start("-d \"" + disc + "\"");
    HWND launch = WaitForSafety(child);
    ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << LogAfterMarker();
    EXPECT_EQ(gui::ControlText(launch, kQuestion),
              "disc.lzh の中にある setup.exe を実行しますか？");
    gui::Click(launch, kCancel);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(LogAfterMarker().find("setup.exe"), std::string::npos);
}

TEST_F(LaunchGuard, QuotedProgramIsNamedAndStartedWithItsParameters) {
    std::string quoted =
        Pack("quoted.lzh", {{"autorun.inf", "[autorun]\r\nopen=\"my setup.exe\" /q\r\n"},
                            {"my setup.exe", "@recorder"}});
    ChildProcess child = MeltPastTheFirstQuestion(quoted);
    HWND launch = WaitForSafety(child);
    ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << LogAfterMarker();
    EXPECT_EQ(gui::ControlText(launch, kQuestion),
              "quoted.lzh の中にある my setup.exe を実行しますか？");
    gui::Click(launch, kRun);
    EXPECT_EQ(child.Wait(), 0);
    std::string ran = WaitForLog(log, 1);
    EXPECT_NE(ran.find(cache + "\\quoted\\my setup.exe"), std::string::npos) << ran;
    EXPECT_EQ(ran.substr(ran.size() - 5), " /q\r\n") << ran;
}

TEST_F(LaunchGuard, SafeMarkVouchesOnlyForTheCommandTheUserSaw) {
    std::string app = Download("app.lzh");
    std::string folder = cache + "\\app";
    std::string setup = folder + "\\setup.exe";
    // Both questions answered with "do not ask again"; setup.exe becomes a recorder while
    // the first one is open.
    {
        ChildProcess child = Start("-d \"" + app + "\"");
        HWND dialog = WaitForSafety(child);
        ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), setup.c_str(), FALSE));
        gui::Click(dialog, kDoNotAskAgain);
        gui::Click(dialog, kRun);
        ASSERT_TRUE(gui::WaitUntilClosed(dialog));
        HWND launch = WaitForSafety(child);
        ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
        gui::Click(launch, kDoNotAskAgain);
        gui::Click(launch, kRun);
        EXPECT_EQ(child.Wait(), 0);
    }
    ASSERT_EQ(SafeRecords(), 2);
    // Kept with its time: the description too is known by it.
    std::string inf = folder + "\\autorun.inf";
    ASSERT_TRUE(CopyFileA(inf.c_str(), (dir / "autorun.inf").c_str(), FALSE));

    // The same program with other parameters, and an identical copy under another name,
    // are asked about. (The working folder is reused: it stands for the next download.)
    CopyFileA(setup.c_str(), (folder + "\\other.exe").c_str(), FALSE);
    for (std::string open : {"setup.exe /all", "other.exe /q"}) {
        SCOPED_TRACE(open);
        WriteFile(inf, "[autorun]\r\nopen=" + open + "\r\n");
        ChildProcess child = MeltPastTheFirstQuestion(app);
        HWND launch = WaitForSafety(child);
        ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << LogAfterMarker();
        gui::Click(launch, kCancel);
        EXPECT_EQ(child.Wait(), 0);
    }
    std::string before = LogAfterMarker();
    EXPECT_EQ(before.find(" /all"), std::string::npos) << before;
    EXPECT_EQ(before.find("other.exe"), std::string::npos) << before;

    // What the user agreed to still runs unasked.
    ASSERT_TRUE(CopyFileA((dir / "autorun.inf").c_str(), inf.c_str(), FALSE));
    DeleteFileA(log.c_str());
    EXPECT_EQ(Run("-d \"" + app + "\""), 0);
    std::string ran = WaitForLog(log, 1);
    EXPECT_NE(ran.find("setup.exe"), std::string::npos) << ran;
    EXPECT_EQ(ran.substr(ran.size() - 5), " /q\r\n") << ran;
}

TEST_F(LaunchGuard, ArchiverDllIsNeverTakenFromTheCurrentFolder) {
    // Explorer starts the program in the archive's folder, where a download may have left a
    // DLL under an archiver's name; the real one is not installed.
    DeleteFileA((dir / "prog\\UNLHA32.DLL").c_str());
    std::string planted = dir / "dl\\UNLHA32.DLL";
    ASSERT_TRUE(CopyFileA(BinPath("planted.dll").c_str(), planted.c_str(), FALSE));
    cwd = dir / "dl";
    ChildProcess child = Start("-d \"" + archive + "\"");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000) << "\nloaded "
                                 << FileExists(planted + ".loaded");
    EXPECT_NE(box.text.find("LHA 形式の解凍には UNLHA32.DLL が必要です。"), std::string::npos)
        << box.text;
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
    EXPECT_FALSE(FileExists(planted + ".loaded"));
}

TEST_F(LaunchGuard, EveryMeltKeepsTwoTryFramesFree) {
    // The program's own build reports the deepest nesting its action reached; five frames
    // exist, so three at most may be used.
    program = "depthprobe.exe";
    ASSERT_TRUE(CopyFileA(BinPath(program).c_str(), (dir / "prog\\" + program).c_str(), FALSE));
    std::string depth = dir / "prog\\depth.txt";
    auto deepest = [&] {
        std::string text = ReadFile(depth);
        DeleteFileA(depth.c_str());
        return text.empty() ? -1 : std::stoi(text);
    };

    // An autorun archive through both questions, the program started and marked.
    std::string app = Download("app.lzh");
    {
        ChildProcess child = Start("-d \"" + app + "\"");
        HWND dialog = WaitForSafety(child);
        ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000);
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), (cache + "\\app\\setup.exe").c_str(),
                              FALSE));
        gui::Click(dialog, kDoNotAskAgain);
        gui::Click(dialog, kRun);
        ASSERT_TRUE(gui::WaitUntilClosed(dialog));
        HWND launch = WaitForSafety(child);
        ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000);
        gui::Click(launch, kDoNotAskAgain);
        gui::Click(launch, kRun);
        EXPECT_EQ(child.Wait(), 0);
    }
    int first = deepest();
    EXPECT_GE(first, 1);
    EXPECT_LE(first, 3) << "autorun through both questions";
    // Again, unasked this time.
    EXPECT_EQ(Run("-d \"" + app + "\""), 0);
    EXPECT_LE(deepest(), 3) << "autorun marked safe";

    // A document whose type has no program, after its question.
    {
        ChildProcess child = Start("-d \"" + Download("unknown-type.zip") + "\"");
        HWND dialog = WaitForSafety(child);
        ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000);
        gui::Click(dialog, kRun);
        EXPECT_EQ(child.Wait(), 0);
    }
    EXPECT_LE(deepest(), 3) << "document without a program";

    // A cancelled extraction shown after all.
    {
        ChildProcess child = Start("-d \"" + Download("readme-only.lzh") + "\"", "cancel-after:1");
        auto box = gui::WaitForMessageBox("Quarvel", child.Pid());
        ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000);
        gui::Answer(box, IDYES);
        EXPECT_EQ(child.Wait(), 0);
    }
    EXPECT_LE(deepest(), 3) << "cancelled extraction";

    EXPECT_EQ(Run("-o \"" + archive + "\""), 0);
    EXPECT_LE(deepest(), 3) << "open as folder";

    // A RAR archive whose earlier stopped extraction left its remnants behind.
    std::string rar = Download("flat-store.rar");
    std::string remnants = cache + "\\flat-store-remnants";
    CreateDirectoryA(remnants.c_str(), nullptr);
    WriteFile(remnants + "\\old.txt", "from before");
    EXPECT_EQ(Run("-d \"" + rar + "\""), 0);
    EXPECT_TRUE(FileExists(cache + "\\flat-store\\a.txt"));
    EXPECT_EQ(ReadFile(remnants + "\\old.txt"), "from before");
    EXPECT_LE(deepest(), 3) << "RAR over remnants";
}
