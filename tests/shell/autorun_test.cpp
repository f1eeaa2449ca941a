#include <gtest/gtest.h>

#include <string>

#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "shell/winx.h"

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

TEST(WinXAutorunCommand, SplitsAtTheFirstBlankWhenTheProgramExists) {
    TempDir dir;
    std::string cd = dir / "cd";
    CreateDirectoryA(cd.c_str(), nullptr);
    WriteFile(cd + "\\setup.exe", "MZ");
    WriteFile(
        cd + "\\autorun.inf",
        "[autorun]\r\nopen=setup.exe /q\r\nshell\\x=X\r\nshell\\x\\command=missing.exe /a\r\n");
    Autorun_Info info = Read(cd + "\\autorun.inf");
    char program[MAX_PATH];
    const char* parameters = WinX_AutorunCommand(&info, -1, program, sizeof program);
    EXPECT_EQ(std::string(program), cd + "\\setup.exe");
    ASSERT_NE(parameters, nullptr);
    EXPECT_STREQ(parameters, "/q");
    // A program that is not there: the whole text, without parameters.
    EXPECT_EQ(WinX_AutorunCommand(&info, 0, program, sizeof program), nullptr);
    EXPECT_EQ(std::string(program), cd + "\\missing.exe /a");
}

TEST(WinXAutorunCommand, BlankInTheFolderDoesNotCutTheProgramShort) {
    // Melted archives live in "Archives Cache": a blank in the folder is the usual case.
    TempDir dir;
    std::string cd = dir / "Archives Cache\\my cd";
    CreateDirectoryA((dir / "Archives Cache").c_str(), nullptr);
    CreateDirectoryA(cd.c_str(), nullptr);
    WriteFile(cd + "\\setup.exe", "MZ");
    WriteFile(cd + "\\autorun.inf", "[autorun]\r\nopen=setup.exe /q /lang ja\r\n");
    Autorun_Info info = Read(cd + "\\autorun.inf");
    char program[MAX_PATH];
    const char* parameters = WinX_AutorunCommand(&info, -1, program, sizeof program);
    EXPECT_EQ(std::string(program), cd + "\\setup.exe");
    ASSERT_NE(parameters, nullptr);
    EXPECT_STREQ(parameters, "/q /lang ja");
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
    EXPECT_GT(reinterpret_cast<INT_PTR>(WinX_RunAutorun(&info, -1)), 32);
    std::string first = WaitForLog(log, 1);
    EXPECT_NE(first.find("setup.exe"), std::string::npos) << first;
    EXPECT_EQ(first.substr(first.size() - 5), " /q\r\n") << first;
    WinX_RunAutorun(&info, 0);
    std::string both = WaitForLog(log, 2);
    EXPECT_EQ(both.substr(both.size() - 15), " /install now\r\n") << both;
}
