#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "lib/strx.h"

using testing_support::CatchRaise;
using testing_support::ReadFile;
using testing_support::ScopedValue;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A loaded record owns its rule list.
struct FreeSettings {
    void operator()(Zent_Settings* s) const {
        Zent_FreeAutoOpen(&s->AutoOpen);
        delete s;
    }
};
using Settings = std::unique_ptr<Zent_Settings, FreeSettings>;

const Zent_AutoOpen* RuleAt(const Zent_Settings* s, int index) {
    const Zent_AutoOpen* rule = s->AutoOpen.first;
    for (int i = 0; i < index && rule != nullptr; i++) rule = rule->next;
    return rule;
}

// Keeps the first count rules and frees the others.
void KeepRules(Zent_Settings* s, int count) {
    Zent_AutoOpen** link = &s->AutoOpen.first;
    for (int i = 0; i < count && *link != nullptr; i++) link = &(*link)->next;
    Zent_AutoOpenList rest = {*link};
    *link = nullptr;
    Zent_FreeAutoOpen(&rest);
}

// Redirected desktop and program files folders, and a settings file path of the test's own.
class SettingsFile : public testing::Test {
protected:
    Settings Load() {
        Settings s(new Zent_Settings());
        Zent_LoadSettings(s.get(), path_.c_str());
        return s;
    }
    void Write(const std::string& text) { WriteFile(path_, text); }

    ScopedValue desktop_{HKEY_CURRENT_USER, kShellFolders, "Desktop", "C:\\利用者\\机上"};
    ScopedValue program_files_{HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                               "ProgramFilesDir", "E:\\Apps"};
    TempDir dir_;
    std::string path_ = dir_ / "dovetrim.ini";
};

std::string Rule(const char* type, const char* security, const char* wildcard, const char* cmd,
                 const char* command) {
    return std::string(" \r\n[AutoOpen] \r\nType = ") + type + "\r\nSecurity = " + security +
           "\r\nWildCard = " + wildcard + "\r\nCmdType = " + cmd + "\r\nCommand = " + command +
           "\r\n";
}

std::string MainHeader(int version) {
    return "[main] \r\nApplication = Quarvel\r\nVersion = " + std::to_string(version) + "\r\n";
}

std::string CurrentMain(int version) {
    return MainHeader(version) +
           "PrevPage = 3\r\nMeltToOnDblClk = Zent_MeltTo_Desktop\r\n"
           "DefActOnDblClk = Zent_DefAct_Fold\r\nMeltToOnDrop = Zent_MeltTo_Temp\r\n"
           "DefActOnDrop = Zent_DefAct_None\r\nCachePath = D:\\cache\r\nStdMeltPath = D:\\melt\r\n"
           "InstallPath = D:\\inst\r\nDefCompressType = Zent_7zType\r\nDelOrgOnMenu = 0\r\n"
           "DelOrgOnDrop = 1\r\n";
}

}  // namespace

TEST_F(SettingsFile, NoFileGivesTheDefaults) {
    auto s = Load();
    EXPECT_EQ(s->version, 0);
    EXPECT_EQ(s->PrevPage, 0);
    EXPECT_EQ(s->MeltToOnDblClk, Zent_MeltTo_Cache);
    EXPECT_EQ(s->DefActOnDblClk, Zent_DefAct_AutoExp);
    EXPECT_EQ(s->MeltToOnDrop, Zent_MeltTo_Here);
    EXPECT_EQ(s->DefActOnDrop, Zent_DefAct_Melt);
    EXPECT_STREQ(s->CachePath, "C:\\利用者\\机上\\Archives Cache");
    EXPECT_STREQ(s->StdMeltPath, "C:\\利用者\\机上");
    EXPECT_STREQ(s->InstallPath, "E:\\Apps");
    EXPECT_EQ(s->DefCompressType, 0);  // LHA
    EXPECT_EQ(s->DelOrgOnMenu, 1);
    EXPECT_EQ(s->DelOrgOnDrop, 0);
    EXPECT_TRUE(Zent_NoDllFlagged(s.get()));
    EXPECT_EQ(s->safe_count, 0);
    ASSERT_EQ(Zent_CountAutoOpen(&s->AutoOpen), 11);
    EXPECT_STREQ(RuleAt(s.get(), 0)->WildCard, "autorun.inf");
    EXPECT_EQ(RuleAt(s.get(), 0)->CmdType, Zent_AutoRunInf);
    EXPECT_EQ(RuleAt(s.get(), 10)->Type, Zent_Other);
    // The record remembers the file it was meant to be read from; the plain defaults name
    // the program's own file.
    EXPECT_EQ(std::string(s->file), path_);
    Zent_DefaultSettings(s.get());
    EXPECT_STREQ(s->file, Zent_SettingsPath());
}

TEST_F(SettingsFile, SavedFileHasTheExactLayout) {
    auto s = Load();
    s->PrevPage = 2;
    s->dll[0] = 1;
    s->dll[8] = 1;
    strcpy(s->IconHis[0], "C:\\icons\\a.ico");
    strcpy(s->IconHis[3], "C:\\icons\\b b.dll");
    s->safe_count = 1;
    Zent_SafeEntry& e = s->safe[0];
    strcpy(e.path, "C:\\cd\\setup.exe");
    ASSERT_EQ(StrX_MakeTime(&e.time, 2024, 1, 2, 3, 4, 5), 0);
    e.size = 1234;
    e.checksum = 5678;
    strcpy(e.folder, "C:\\cache\\cd");
    e.sequence = 2;
    KeepRules(s.get(), 2);  // the first two default rules
    Zent_SaveSettings(s.get(), path_.c_str());

    std::string expected =
        MainHeader(202) +
        "PrevPage = 2\r\nMeltToOnDblClk = Zent_MeltTo_Cache\r\nDefActOnDblClk = "
        "Zent_DefAct_AutoExp\r\n"
        "MeltToOnDrop = Zent_MeltTo_Here\r\nDefActOnDrop = Zent_DefAct_Melt\r\n"
        "CachePath = C:\\利用者\\机上\\Archives Cache\r\nStdMeltPath = C:\\利用者\\机上\r\n"
        "InstallPath = E:\\Apps\r\nDefCompressType = Zent_LzhType\r\nDelOrgOnMenu = 1\r\n"
        "DelOrgOnDrop = 0\r\nUNLHA32 = 1\r\nUNZIP32 = 0\r\nZIP32 = 0\r\nCAB32 = 0\r\nUNRAR = 0\r\n"
        "UNARJ32 = 0\r\nYZ1 = 0\r\nUNGCA32 = 0\r\nTAR32 = 1\r\n7Z = 0\r\n"
        "IconHis = C:\\icons\\a.ico\r\nIconHis = C:\\icons\\b b.dll\r\n"
        "Safe = C:\\cd\\setup.exe, 2024/01/02-03:04:05, 1234, 5678, C:\\cache\\cd, 2\r\n" +
        Rule("Zent_Match", "Zent_Confirm", "autorun.inf", "Zent_AutoRunInf", "") +
        Rule("Zent_Match", "Zent_Confirm", "setup.exe", "Zent_RegCmd", "open") + " \r\n";
    EXPECT_EQ(ReadFile(path_), expected);
    // Nothing of the save is left behind.
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir_ / "*.tmp").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(SettingsFile, SaveAndLoadReproduceEveryField) {
    auto s = Load();
    s->PrevPage = 4;
    s->MeltToOnDblClk = Zent_MeltTo_Temp;
    s->DefActOnDblClk = Zent_DefAct_None;
    s->MeltToOnDrop = Zent_MeltTo_ProgFile;
    s->DefActOnDrop = Zent_DefAct_Fold;
    strcpy(s->CachePath, "D:\\表示\\cache, with comma");
    strcpy(s->StdMeltPath, " leading blank");
    strcpy(s->InstallPath, "D:\\\"quoted\"");
    s->DefCompressType = 8;
    s->DelOrgOnMenu = 0;
    s->DelOrgOnDrop = 1;
    for (int i = 0; i < Zent_DllFlagCount; i++) s->dll[i] = static_cast<char>(i % 2);
    strcpy(s->IconHis[1], "C:\\one.ico");
    strcpy(s->IconHis[5], "C:\\two.ico");
    s->safe_count = 3;
    for (int i = 0; i < 3; i++) {
        Zent_SafeEntry& e = s->safe[i];
        snprintf(e.path, sizeof e.path, "C:\\安全\\%d.exe", i);
        StrX_MakeTime(&e.time, 2020 + i, 12, 31, 23, 59, 58);
        e.size = 100000 + i;
        e.checksum = -5 - i;
        snprintf(e.folder, sizeof e.folder, "C:\\cache\\%d", i);
        e.sequence = i;
    }
    KeepRules(s.get(), 1);
    strcpy(s->AutoOpen.first->WildCard, "*.日本");
    Zent_SaveSettings(s.get(), path_.c_str());

    auto back = Load();
    // Read again from its own file, as the install dialog does after the options sheet.
    Zent_LoadSettings(back.get(), back->file);
    EXPECT_EQ(std::string(back->file), path_);
    EXPECT_EQ(back->version, 202);
    EXPECT_EQ(back->PrevPage, 4);
    EXPECT_EQ(back->MeltToOnDblClk, Zent_MeltTo_Temp);
    EXPECT_EQ(back->DefActOnDblClk, Zent_DefAct_None);
    EXPECT_EQ(back->MeltToOnDrop, Zent_MeltTo_ProgFile);
    EXPECT_EQ(back->DefActOnDrop, Zent_DefAct_Fold);
    EXPECT_STREQ(back->CachePath, s->CachePath);
    EXPECT_STREQ(back->StdMeltPath, s->StdMeltPath);
    EXPECT_STREQ(back->InstallPath, s->InstallPath);
    EXPECT_EQ(back->DefCompressType, 8);
    EXPECT_EQ(back->DelOrgOnMenu, 0);
    EXPECT_EQ(back->DelOrgOnDrop, 1);
    EXPECT_EQ(memcmp(back->dll, s->dll, sizeof s->dll), 0);
    // Empty history entries are not written, so the others close up.
    EXPECT_STREQ(back->IconHis[0], "C:\\one.ico");
    EXPECT_STREQ(back->IconHis[1], "C:\\two.ico");
    EXPECT_STREQ(back->IconHis[2], "");
    ASSERT_EQ(back->safe_count, 3);
    for (int i = 0; i < 3; i++) {
        EXPECT_STREQ(back->safe[i].path, s->safe[i].path);
        EXPECT_EQ(back->safe[i].time, s->safe[i].time);
        EXPECT_EQ(back->safe[i].size, s->safe[i].size);
        EXPECT_EQ(back->safe[i].checksum, s->safe[i].checksum);
        EXPECT_STREQ(back->safe[i].folder, s->safe[i].folder);
        EXPECT_EQ(back->safe[i].sequence, i);
    }
    // The default rule the record lacked is there after loading (it always ends the list).
    ASSERT_EQ(Zent_CountAutoOpen(&back->AutoOpen), 2);
    EXPECT_STREQ(RuleAt(back.get(), 0)->WildCard, "*.日本");
    EXPECT_EQ(RuleAt(back.get(), 0)->CmdType, Zent_AutoRunInf);
    EXPECT_EQ(RuleAt(back.get(), 1)->Type, Zent_Other);
}

TEST_F(SettingsFile, FirstLayoutConvertsTheExplorerSwitch) {
    Write(MainHeader(100) +
          "CachePath = D:\\old cache\r\nProgFilesPath = D:\\Progs\r\n"
          "OpenExplorer = 1\r\n \r\n");
    auto s = Load();
    EXPECT_EQ(s->version, 100);
    EXPECT_EQ(s->MeltToOnDblClk, Zent_MeltTo_Cache);
    EXPECT_EQ(s->DefActOnDblClk, Zent_DefAct_AutoFold);
    EXPECT_EQ(s->MeltToOnDrop, Zent_MeltTo_Here);
    EXPECT_EQ(s->DefActOnDrop, Zent_DefAct_Fold);
    EXPECT_STREQ(s->CachePath, "D:\\old cache");
    EXPECT_STREQ(s->StdMeltPath, "C:\\利用者\\机上");
    EXPECT_STREQ(s->InstallPath, "D:\\Progs");
    EXPECT_EQ(s->DefCompressType, 0);  // key missing: LHA
    EXPECT_EQ(s->DelOrgOnMenu, 1);
    EXPECT_EQ(Zent_CountAutoOpen(&s->AutoOpen), 11);  // older than the rules: the defaults

    Write(MainHeader(100) +
          "CachePath = x\r\nProgFilesPath = y\r\nOpenExplorer = 0\r\n"
          "DefCompressType = Zent_ZipType\r\n \r\n");
    s = Load();
    EXPECT_EQ(s->DefActOnDblClk, Zent_DefAct_AutoExp);
    EXPECT_EQ(s->DefActOnDrop, Zent_DefAct_Exp);
    EXPECT_EQ(s->DefCompressType, 1);
}

TEST_F(SettingsFile, Version150KeepsItsRulesButHasNoLists) {
    Write(CurrentMain(150) + Rule("Zent_Match", "Zent_NoConfirm", "*.txt", "Zent_RegCmd", "edit") +
          Rule("Zent_Other", "Zent_Confirm", "*", "Zent_OpenOnly", "") + " \r\n");
    auto s = Load();
    EXPECT_EQ(s->version, 150);
    EXPECT_EQ(s->PrevPage, 3);
    EXPECT_EQ(s->MeltToOnDblClk, Zent_MeltTo_Desktop);
    EXPECT_EQ(s->DefActOnDrop, Zent_DefAct_None);
    EXPECT_EQ(s->DefCompressType, 8);
    EXPECT_EQ(s->DelOrgOnDrop, 1);
    EXPECT_TRUE(Zent_NoDllFlagged(s.get()));
    EXPECT_STREQ(s->IconHis[0], "");
    EXPECT_EQ(s->safe_count, 0);
    ASSERT_EQ(Zent_CountAutoOpen(&s->AutoOpen), 2);
    EXPECT_STREQ(RuleAt(s.get(), 0)->WildCard, "*.txt");
    EXPECT_EQ(RuleAt(s.get(), 0)->Security, Zent_NoConfirm);
    EXPECT_STREQ(RuleAt(s.get(), 0)->Command, "edit");
    EXPECT_EQ(RuleAt(s.get(), 1)->Type, Zent_Other);
}

TEST_F(SettingsFile, AtMost100SafeLinesAreTakenAndTheRulesStillFollow) {
    std::string text = CurrentMain(202) +
                       "UNLHA32 = 1\r\nUNZIP32 = 0\r\nZIP32 = 0\r\nCAB32 = 0\r\nUNRAR = 0\r\n"
                       "UNARJ32 = 0\r\nYZ1 = 0\r\nUNGCA32 = 0\r\nTAR32 = 0\r\n";  // no 7Z line
    for (int i = 0; i < 150; i++)
        text +=
            "Safe = C:\\s\\" + std::to_string(i) + ".exe, 2024/01/02-03:04:05, 1, 2, C:\\c, 0\r\n";
    text += Rule("Zent_Match", "Zent_Confirm", "setup.exe", "Zent_RegCmd", "open") + " \r\n";
    Write(text);
    auto s = Load();
    EXPECT_EQ(s->dll[0], 1);
    EXPECT_EQ(s->dll[9], 0);
    ASSERT_EQ(s->safe_count, 100);
    EXPECT_STREQ(s->safe[99].path, "C:\\s\\99.exe");
    ASSERT_EQ(Zent_CountAutoOpen(&s->AutoOpen), 2);
    EXPECT_STREQ(RuleAt(s.get(), 0)->WildCard, "setup.exe");
}

TEST_F(SettingsFile, FilesOfNewerVersionsAndOtherProgramsAreRefusedAndClosed) {
    Write(MainHeader(203) + " \r\n");
    auto caught = CatchRaise([&] { Load(); });
    EXPECT_EQ(caught.code, Zent_Err_FutureVersion);
    EXPECT_EQ(caught.message, "新しいバージョン用のファイルです");
    EXPECT_TRUE(DeleteFileA(path_.c_str()));  // the reader let go of it

    Write("[main] \r\nApplication = Other\r\nVersion = 202\r\n \r\n");
    caught = CatchRaise([&] { Load(); });
    EXPECT_EQ(caught.code, Zent_Err_NotThisAppFile);
    EXPECT_EQ(caught.message, "このアプリ用のファイルではありません");
    EXPECT_TRUE(DeleteFileA(path_.c_str()));

    Write(CurrentMain(202) +
          "UNLHA32 = 0\r\nUNZIP32 = 0\r\nZIP32 = 0\r\nCAB32 = 0\r\nUNRAR = 0\r\n"
          "UNARJ32 = 0\r\nYZ1 = 0\r\nUNGCA32 = 0\r\nTAR32 = 0\r\n7Z = 1\r\n \r\n");
    caught = CatchRaise([&] { EXPECT_EQ(Load()->dll[9], 1); });
    EXPECT_EQ(caught.code, 0) << caught.text;
}

TEST_F(SettingsFile, UnknownNameInTheCurrentLayoutIsAnError) {
    std::string text = CurrentMain(202);
    text.replace(text.find("Zent_MeltTo_Desktop"), strlen("Zent_MeltTo_Desktop"),
                 "Zent_MeltTo_Moon");
    Write(text);
    auto caught = CatchRaise([&] { Load(); });
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(caught.message, "error");
}

TEST_F(SettingsFile, FailedSaveLeavesTheOldFileIntact) {
    auto s = Load();
    Zent_SaveSettings(s.get(), path_.c_str());
    std::string before = ReadFile(path_);
    ASSERT_FALSE(before.empty());
    // The new file cannot be written: its name is taken by a folder. (A read-only file
    // would not do: the tests run as root under Wine, which may write to it anyway.)
    std::string temporary = path_ + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    ASSERT_TRUE(CreateDirectoryA(temporary.c_str(), nullptr));
    s->PrevPage = 4;
    auto caught = CatchRaise([&] { Zent_SaveSettings(s.get(), path_.c_str()); });
    EXPECT_EQ(caught.code, FileX_Err_CannotWriteOpen);
    EXPECT_EQ(ReadFile(path_), before);
    RemoveDirectoryA(temporary.c_str());
    // Once the name is free again the save goes through.
    Zent_SaveSettings(s.get(), path_.c_str());
    EXPECT_EQ(Load()->PrevPage, 4);
}

TEST(SettingsNames, UnknownNumbersGiveTheFirstNameAndNamesAreCaseSensitive) {
    EXPECT_STREQ(Zent_MeltToName(8), "Zent_MeltTo_Temp");
    EXPECT_STREQ(Zent_MeltToName(9), "Zent_MeltTo_Cache");
    EXPECT_STREQ(Zent_DefActName(-1), "Zent_DefAct_AutoFold");
    EXPECT_EQ(Zent_DefActOfName("Zent_DefAct_None"), 5);
    auto caught = CatchRaise([] { Zent_DefActOfName("zent_defact_none"); });
    EXPECT_EQ(caught.code, Errors_Unofficial);
}

// A file cut short or edited by hand may lose its "AutoOpen" sections: the fixed default
// rule is still there at the end, so a double click shows the folder rather than failing.
TEST_F(SettingsFile, RulesWithoutTheDefaultRuleGetItAtTheEnd) {
    Write(CurrentMain(150) + " \r\n");
    auto s = Load();
    ASSERT_EQ(Zent_CountAutoOpen(&s->AutoOpen), 1);
    EXPECT_EQ(RuleAt(s.get(), 0)->Type, Zent_Other);
    EXPECT_EQ(RuleAt(s.get(), 0)->CmdType, Zent_OpenOnly);
    EXPECT_STREQ(RuleAt(s.get(), 0)->WildCard, "*");

    Write(CurrentMain(150) + Rule("Zent_Match", "Zent_NoConfirm", "*.txt", "Zent_RegCmd", "edit"));
    s = Load();
    ASSERT_EQ(Zent_CountAutoOpen(&s->AutoOpen), 2);
    EXPECT_STREQ(RuleAt(s.get(), 0)->WildCard, "*.txt");
    EXPECT_EQ(RuleAt(s.get(), 1)->Type, Zent_Other);
}
