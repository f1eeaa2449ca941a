#include <gtest/gtest.h>

#include <string>

#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "shell/winx_autorun.h"
#include "shell/winx_folders.h"
#include "shell/winx_launch.h"

using testing_support::BinPath;
using testing_support::CatchRaise;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WaitForLog;
using testing_support::WriteFile;

namespace {

Autorun_Info Read(const std::string& file) {
    Autorun_Info info;
    WinX_ReadAutorun(&info, file.c_str());
    return info;
}

}  // namespace

TEST(WinXReadAutorun, ReadsOpenIconAndVerbPairsInEitherOrder) {
    TempDir dir;
    std::string file = dir / "autorun.inf";
    WriteFile(file,
              "[autorun]\r\nopen=setup.exe /q\r\nicon=setup.exe,3\r\n"
              "shell\\install=インストール(&I)\r\nshell\\install\\command=setup.exe /i\r\n"
              "shell\\readme\\command=notepad readme.txt\r\nshell\\readme=説明を読む\r\n");
    Autorun_Info info = Read(file);
    EXPECT_EQ(std::string(info.file), file);
    EXPECT_STREQ(info.open, "setup.exe /q");
    EXPECT_STREQ(info.icon, "setup.exe");
    EXPECT_EQ(info.icon_index, 3);
    ASSERT_EQ(info.verb_count, 2);
    EXPECT_STREQ(info.verb_text[0], "インストール(&I)");
    EXPECT_STREQ(info.verb_command[0], "setup.exe /i");
    EXPECT_STREQ(info.verb_text[1], "説明を読む");
    EXPECT_STREQ(info.verb_command[1], "notepad readme.txt");
}

TEST(WinXReadAutorun, MissingKeysAndUnpairedVerbs) {
    TempDir dir;
    std::string file = dir / "autorun.inf";
    WriteFile(file,
              "[AutoRun]\r\nicon=disc.ico\r\nshell\\a=A\r\nshell\\a\\command=a.exe\r\n"
              "shell\\b=B\r\n");
    Autorun_Info info = Read(file);
    EXPECT_STREQ(info.open, "");
    EXPECT_STREQ(info.icon, "disc.ico");
    EXPECT_EQ(info.icon_index, 0);
    EXPECT_EQ(info.verb_count, 1);  // only complete pairs count
}

TEST(WinXReadAutorun, KeysInTheOrderAHandWrittenFileGivesThem) {
    TempDir dir;
    std::string file = dir / "autorun.inf";
    WriteFile(file,
              "[Autorun]\r\nIcon=disc.ico,2\r\nlabel=CD\r\nshell\\a=A\r\n"
              "shell\\a\\command=a.exe\r\nOPEN=start.exe /x\r\n");
    Autorun_Info info = Read(file);
    EXPECT_STREQ(info.open, "start.exe /x");
    EXPECT_STREQ(info.icon, "disc.ico");
    EXPECT_EQ(info.icon_index, 2);
    ASSERT_EQ(info.verb_count, 1);
    EXPECT_STREQ(info.verb_command[0], "a.exe");
}

TEST(WinXReadAutorun, CommentsAndOtherSectionsBeforeItAreSkipped) {
    TempDir dir;
    std::string file = dir / "autorun.inf";
    WriteFile(file, "; made by hand\r\n[Strings]\r\nname=x\r\n[AUTORUN]\r\nopen=start.exe\r\n");
    Autorun_Info info = Read(file);
    EXPECT_STREQ(info.open, "start.exe");
}

TEST(WinXReadAutorun, VerbsBeyondTheTwentiethAreLeftOut) {
    TempDir dir;
    std::string file = dir / "autorun.inf";
    std::string text = "[autorun]\r\nopen=x.exe\r\n";
    for (int i = 0; i < 25; i++) {
        std::string n = std::to_string(i);
        text += "shell\\v" + n + "=Verb " + n + "\r\nshell\\v" + n + "\\command=v" + n + ".exe\r\n";
    }
    WriteFile(file, text);
    Autorun_Info info = Read(file);
    ASSERT_EQ(info.verb_count, 20);
    EXPECT_STREQ(info.verb_command[19], "v19.exe");
}

TEST(WinXReadAutorun, MissingFileIsRaised) {
    TempDir dir;
    auto caught = CatchRaise([&] { Read(dir / "none.inf"); });
    EXPECT_EQ(caught.code, FileX_Err_CannotReadOpen);
}

TEST(WinXReadAutorun, ValuesAreTakenWholeAndVerbsPairedByName) {
    TempDir dir;
    std::string file = dir / "autorun.inf";
    WriteFile(file,
              "[autorun]\r\nopen = \"my setup.exe\" /lang=ja,en \r\nicon=\"disc 1.ico\",2\r\n"
              "shell\\b\\command=b.exe /x\r\nshell\\a=A\r\nshell\\B=\"Bee\"\r\n"
              "shell\\a\\COMMAND=a.exe\r\n[other]\r\nopen=later.exe\r\n");
    Autorun_Info info = Read(file);
    EXPECT_STREQ(info.open, "\"my setup.exe\" /lang=ja,en");
    EXPECT_STREQ(info.icon, "disc 1.ico");
    EXPECT_EQ(info.icon_index, 2);
    ASSERT_EQ(info.verb_count, 2);
    EXPECT_STREQ(info.verb_text[0], "Bee");
    EXPECT_STREQ(info.verb_command[0], "b.exe /x");
    EXPECT_STREQ(info.verb_text[1], "A");
    EXPECT_STREQ(info.verb_command[1], "a.exe");
}

namespace {

// A folder "Archives Cache\my cd" (blanks, as melted archives have them) holding files.
struct CdFolder {
    TempDir dir;
    std::string cd = dir / "Archives Cache\\my cd";
    CdFolder() {
        CreateDirectoryA((dir / "Archives Cache").c_str(), nullptr);
        CreateDirectoryA(cd.c_str(), nullptr);
    }
    WinX_Command Split(const std::string& command) {
        WinX_Command out;
        WinX_SplitCommand(command.c_str(), (cd + "\\autorun.inf").c_str(), &out);
        return out;
    }
};

}  // namespace

TEST(WinXSplitCommand, ProgramAndParametersAgainstTheDescriptionsFolder) {
    CdFolder f;
    WriteFile(f.cd + "\\setup.exe", "MZ");
    WriteFile(f.cd + "\\my setup.exe", "MZ");
    WinX_Command c = f.Split("setup.exe /q /lang ja");
    EXPECT_EQ(std::string(c.program), f.cd + "\\setup.exe");
    EXPECT_STREQ(c.parameters, "/q /lang ja");
    EXPECT_EQ(std::string(c.folder), f.cd);
    EXPECT_FALSE(c.viewer);

    // A quoted program ends at its quote, whether it is there or not.
    c = f.Split("\"my setup.exe\"   /q \"a b\"");
    EXPECT_EQ(std::string(c.program), f.cd + "\\my setup.exe");
    EXPECT_STREQ(c.parameters, "/q \"a b\"");
    c = f.Split("\"missing one.exe\" /q");
    EXPECT_EQ(std::string(c.program), f.cd + "\\missing one.exe");
    EXPECT_STREQ(c.parameters, "/q");

    // Unquoted and not there: the whole text, a folder with a blank say.
    c = f.Split("missing.exe /a");
    EXPECT_EQ(std::string(c.program), f.cd + "\\missing.exe /a");
    EXPECT_STREQ(c.parameters, "");

    // An absolute program below a folder with a blank.
    c = f.Split(f.cd + "\\setup.exe /i");
    EXPECT_EQ(std::string(c.program), f.cd + "\\setup.exe");
    EXPECT_STREQ(c.parameters, "/i");

    c = f.Split("");
    EXPECT_STREQ(c.program, "");
}

TEST(WinXSplitCommand, ViewersAreWindowsOwnAndShowTheirDocumentInTheDescriptionsFolder) {
    CdFolder f;
    // The Windows folder holds notepad; the archive one of the same name and a look-alike.
    std::string windows = f.dir / "win";
    CreateDirectoryA(windows.c_str(), nullptr);
    WriteFile(windows + "\\notepad.exe", "MZ");
    WriteFile(f.cd + "\\notepad.exe", "MZ");
    WriteFile(f.cd + "\\notepad2.exe", "MZ");
    ScopedEnv windir("windir", windows.c_str());
    for (const char* line :
         {"NotePad readme.txt", "notepad.EXE readme.txt", "\"notepad\" readme.txt"}) {
        SCOPED_TRACE(line);
        WinX_Command c = f.Split(line);
        EXPECT_TRUE(c.viewer);
        EXPECT_EQ(std::string(c.program), windows + "\\notepad.exe");
        EXPECT_STREQ(c.parameters, "readme.txt");
        EXPECT_EQ(std::string(c.folder), f.cd);
    }
    // Only the whole first word, and only without a folder, names a viewer.
    for (const char* line : {"notepad2.exe readme.txt", ".\\notepad.exe readme.txt"}) {
        SCOPED_TRACE(line);
        WinX_Command c = f.Split(line);
        EXPECT_FALSE(c.viewer);
        EXPECT_EQ(std::string(c.program).substr(0, f.cd.size()), f.cd);
    }
    // Not in the Windows folder: the system folder's.
    char path[MAX_PATH];
    ASSERT_TRUE(WinX_FindViewer("write", path));
    EXPECT_EQ(std::string(path), std::string(WinX_SystemDir()) + "\\write.exe");
    EXPECT_FALSE(WinX_FindViewer("note", path));
}

TEST(WinXRunAutorun, StartsTheProgramWithItsParameters) {
    TempDir dir;
    std::string cd = dir / "cd";
    CreateDirectoryA(cd.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), (cd + "\\setup.exe").c_str(), FALSE));
    WriteFile(cd + "\\autorun.inf",
              "[autorun]\r\nopen=setup.exe /q\r\nshell\\i=I\r\nshell\\i\\command=setup.exe "
              "/install now\r\n");
    std::string log = dir / "log.txt";
    ScopedEnv env("QUARVEL_RECORDER_LOG", log.c_str());
    Autorun_Info info = Read(cd + "\\autorun.inf");
    EXPECT_EQ(CatchRaise([&] { WinX_RunAutorun(&info, -1, false); }).code, 0);
    std::string first = WaitForLog(log, 1);
    EXPECT_NE(first.find(cd + "\\setup.exe"), std::string::npos) << first;
    EXPECT_EQ(first.substr(first.size() - 5), " /q\r\n") << first;
    WinX_RunAutorun(&info, 0, false);
    std::string both = WaitForLog(log, 2);
    EXPECT_EQ(both.substr(both.size() - 15), " /install now\r\n") << both;

    // A program that is not there is raised with its command.
    WriteFile(cd + "\\autorun.inf", "[autorun]\r\nopen=\"gone.exe\" /q\r\n");
    info = Read(cd + "\\autorun.inf");
    auto caught = CatchRaise([&] { WinX_RunAutorun(&info, -1, false); });
    EXPECT_EQ(caught.code, Zent_Err_FailToExecCmd);
    EXPECT_EQ(caught.message, "コマンド " + cd + "\\gone.exe /q の実行に失敗しました。");
}
