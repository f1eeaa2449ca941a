// dovetrim.exe melting an archive as a double click or a drop starts it: a private program
// folder with the archiver DLLs, the desktop redirected so the cache lands in a temporary
// folder, and a fake Windows folder whose explorer.exe records what it was asked to show.
#include <gtest/gtest.h>

#include <string>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "app/settings.h"

using namespace testing_support;

namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kProgramFiles[] = {"dovetrim.exe", "7-ZIP32.DLL", "CAB32.DLL",   "TAR32.DLL",
                                     "UNARJ32J.DLL", "UNGCA32.DLL", "UNLHA32.DLL", "UNRAR.DLL",
                                     "UNZIP32.DLL",  "YZ1.DLL",     "zip32.dll"};

class MeltProgram : public testing::Test {
protected:
    MeltProgram() : desktop_value(HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk") {
        for (const char* name : {"desk", "prog", "win", "dl", "cwd"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : kProgramFiles)
            CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
        archive = dir / "dl\\doc-top.lzh";
        CopyFileA((DataDir() + "\\doc-top.lzh").c_str(), archive.c_str(), FALSE);
        cache = dir / "desk\\Archives Cache";
    }
    Environment Env(const std::string& stub = "") const {
        return {{"windir", dir / "win"},
                {"QUARVEL_RECORDER_LOG", log},
                {"ARCHIVER_STUB", stub.empty() ? "log:" + calls : stub + ",log:" + calls}};
    }
    ChildProcess Start(const std::string& args, const std::string& stub = "") {
        return StartProgram(dir / "prog\\dovetrim.exe", args, Env(stub), dir / "cwd");
    }
    int Run(const std::string& args, const std::string& stub = "") {
        return Start(args, stub).Wait();
    }
    int Extractions() const {
        std::string text = ReadFile(calls);
        int n = 0;
        for (size_t at = 0; (at = text.find("\tUnlha\t", at)) != std::string::npos; at++) n++;
        return n;
    }

    TempDir dir;
    ScopedValue desktop_value;
    std::string archive, cache;
    std::string log = dir / "explorer.log";
    std::string calls = dir / "calls.log";
};

}  // namespace

TEST_F(MeltProgram, DoubleClickMeltsIntoTheCacheAndShowsTheFolderInExplorer) {
    EXPECT_EQ(Run("-d \"" + archive + "\""), 0);
    std::string folder = cache + "\\doc";
    EXPECT_TRUE(FileExists(folder + "\\a.txt"));
    EXPECT_NE(ReadFile(cache + "\\cache-db.ini").find("File = " + archive + ", "),
              std::string::npos);
    std::string shown = WaitForLog(log, 1);
    EXPECT_NE(shown.find("explorer.exe /e,/root,\"" + folder + "\"\r\n"), std::string::npos)
        << shown;
    EXPECT_GE(Extractions(), 1);

    // The second double click finds the working folder with the user's edit and extracts nothing.
    WriteFile(folder + "\\mine.txt", "edited");
    DeleteFileA(calls.c_str());
    EXPECT_EQ(Run("-d \"" + archive + "\""), 0);
    EXPECT_EQ(Extractions(), 0) << ReadFile(calls);
    EXPECT_EQ(ReadFile(folder + "\\mine.txt"), "edited");
    EXPECT_EQ(WaitForLog(log, 2), shown + shown);
}

TEST_F(MeltProgram, OpenFolderVerbShowsTheFolderToo) {
    EXPECT_EQ(Run("-o \"" + archive + "\""), 0);
    std::string shown = WaitForLog(log, 1);
    EXPECT_NE(shown.find("/e,/root,\"" + cache + "\\doc\"\r\n"), std::string::npos) << shown;
}

TEST_F(MeltProgram, MissingDllIsReportedAndEndsWithCode14) {
    DeleteFileA((dir / "prog\\UNLHA32.DLL").c_str());
    ChildProcess child = Start("-d \"" + archive + "\"");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000) << "\n"
                                 << ReadFile(log) << ReadFile(calls);
    EXPECT_NE(box.text.find("LHA 形式の解凍には UNLHA32.DLL が必要です。"), std::string::npos)
        << box.text;
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
    EXPECT_FALSE(FileExists(log));
}

TEST_F(MeltProgram, TwoPathsOrANonArchiveAreAnError) {
    WriteFile(dir / "dl\\note.txt", "x");
    for (const std::string& args :
         {"-d \"" + archive + "\" \"" + archive + "\"", "-d \"" + dir / "dl\\note.txt" + "\""}) {
        SCOPED_TRACE(args);
        ChildProcess child = Start(args);
        auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
        ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000) << "\n"
                                     << ReadFile(log) << ReadFile(calls);
        EXPECT_NE(box.text.find("error"), std::string::npos) << box.text;
        gui::Answer(box, IDOK);
        EXPECT_EQ(child.Wait(), 14);
    }
    EXPECT_FALSE(FileExists(cache + "\\doc"));
}

TEST_F(MeltProgram, CancelledExtractionAsksAndNoLeavesNothing) {
    ChildProcess child = Start("-d \"" + archive + "\"", "cancel-after:1");
    auto box = gui::WaitForMessageBox("Quarvel", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000) << "\n"
                                 << ReadFile(log) << ReadFile(calls);
    EXPECT_EQ(box.text, "解凍途中のフォルダを表示しますか？");
    EXPECT_TRUE(gui::HasButton(box, IDYES));
    gui::Answer(box, IDNO);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_FALSE(FileExists(cache + "\\doc"));
    EXPECT_FALSE(FileExists(cache + "\\doc-remnants"));
    EXPECT_FALSE(FileExists(log));
}

TEST_F(MeltProgram, CancelledExtractionAnsweredYesShowsThePartialFolder) {
    ChildProcess child = Start("-d \"" + archive + "\"", "cancel-after:1");
    auto box = gui::WaitForMessageBox("Quarvel", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000) << "\n"
                                 << ReadFile(log) << ReadFile(calls);
    gui::Answer(box, IDYES);
    EXPECT_EQ(child.Wait(), 0);
    std::string shown = WaitForLog(log, 1);
    EXPECT_NE(shown.find("/e,/root,\"" + cache + "\\doc-remnants\"\r\n"), std::string::npos)
        << shown;
}

TEST_F(MeltProgram, DropWithExtractAndInstallSaysItIsNotBuilt) {
    // The first start has no settings file: the drop default is extract and install.
    ChildProcess child = Start("\"" + archive + "\"");
    auto box = gui::WaitForMessageBox("Quarvel SV", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000) << "\n"
                                 << ReadFile(log) << ReadFile(calls);
    EXPECT_EQ(box.text, "「解凍・インストール」の機能は、このバージョンにはまだありません。");
    gui::Answer(box, IDOK);
    EXPECT_NE(child.Wait(), 0);
    EXPECT_FALSE(FileExists(dir / "dl\\doc"));
}

TEST_F(MeltProgram, SettingsChooseThePlainWindowAndTheDropDestination) {
    static Zent_Settings settings;
    std::string ini = dir / "prog\\dovetrim.ini";
    Zent_LoadSettings(&settings, ini.c_str());  // no file yet: the defaults
    settings.DefActOnDblClk = Zent_DefAct_Fold;
    settings.DefActOnDrop = Zent_DefAct_Exp;
    settings.MeltToOnDrop = Zent_MeltTo_Here;
    Zent_SaveSettings(&settings, ini.c_str());

    EXPECT_EQ(Run("-d \"" + archive + "\""), 0);
    std::string shown = WaitForLog(log, 1);
    EXPECT_NE(shown.find("explorer.exe \"" + cache + "\\doc\"\r\n"), std::string::npos) << shown;

    EXPECT_EQ(Run("\"" + archive + "\""), 0);
    EXPECT_TRUE(FileExists(dir / "dl\\doc\\b.txt"));
    shown = WaitForLog(log, 2);
    EXPECT_NE(shown.find("/e,/root,\"" + dir / "dl\\doc\"\r\n"), std::string::npos) << shown;
}
