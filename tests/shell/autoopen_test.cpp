#include "autoopen/autoopen.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "settings/settings.h"

using testing_support::BinPath;
using testing_support::CatchRaise;
using testing_support::DeleteKeyTree;
using testing_support::PutBinary;
using testing_support::PutString;
using testing_support::ScopedClass;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WaitForLog;
using testing_support::WriteFile;

namespace {

// A list that frees its rules at the end of the test.
struct List {
    List() { list.first = nullptr; }
    ~List() { Zent_FreeAutoOpen(&list); }
    Zent_AutoOpenList list;
    const Zent_AutoOpen* At(int index) const {
        const Zent_AutoOpen* rule = list.first;
        for (int i = 0; i < index && rule != nullptr; i++) rule = rule->next;
        return rule;
    }
    std::string Wildcards() const {
        std::string out;
        for (const Zent_AutoOpen* r = list.first; r != nullptr; r = r->next)
            out += std::string(out.empty() ? "" : " ") + r->WildCard;
        return out;
    }
};

Zent_AutoOpen* NewRule(int type, const char* wildcard, int cmd_type = Zent_RegCmd,
                       const char* command = "open") {
    Zent_AutoOpen* rule = Zent_NewAutoOpen();
    rule->Type = type;
    strcpy(rule->WildCard, wildcard);
    rule->CmdType = cmd_type;
    strcpy(rule->Command, command);
    return rule;
}

std::string Section(const char* type, const char* security, const char* wildcard, const char* cmd,
                    const char* command) {
    return std::string("[AutoOpen] \r\nType = ") + type + "\r\nSecurity = " + security +
           "\r\nWildCard = " + wildcard + "\r\nCmdType = " + cmd + "\r\nCommand = " + command +
           "\r\n \r\n";
}

}  // namespace

// ---- The list ------------------------------------------------------------------------

TEST(AutoOpenList, OtherStaysLastAndSingleAndCannotBeRemoved) {
    List l;
    Zent_AutoOpen* other = NewRule(Zent_Other, "*", Zent_OpenOnly, "");
    Zent_AddAutoOpen(&l.list, other);
    Zent_AddAutoOpen(&l.list, NewRule(Zent_Match, "a"));
    Zent_AddAutoOpen(&l.list, NewRule(Zent_1File, "b"));
    EXPECT_EQ(l.Wildcards(), "a b *");

    // A second Zent_Other is refused and freed; the list is as it was.
    auto caught = CatchRaise([&] { Zent_AddAutoOpen(&l.list, NewRule(Zent_Other, "x")); });
    EXPECT_EQ(caught.code, Zent_Err_CannotAddFType);
    EXPECT_EQ(caught.message, "指定のファイルタイプは複数追加できません。");
    EXPECT_EQ(l.Wildcards(), "a b *");

    caught = CatchRaise([&] { Zent_RemoveAutoOpen(&l.list, other); });
    EXPECT_EQ(caught.code, Zent_Err_CannotRemoveFType);
    EXPECT_EQ(caught.message, "指定のファイルタイプは削除できません。");
    EXPECT_EQ(l.Wildcards(), "a b *");

    Zent_RemoveAutoOpen(&l.list, l.list.first->next);
    Zent_RemoveAutoOpen(&l.list, l.list.first);
    EXPECT_EQ(l.Wildcards(), "*");
    EXPECT_EQ(Zent_CountAutoOpen(&l.list), 1);

    // Without a Zent_Other rule new rules simply go to the end.
    List plain;
    Zent_AddAutoOpen(&plain.list, NewRule(Zent_Match, "a"));
    Zent_AddAutoOpen(&plain.list, NewRule(Zent_Match, "b"));
    EXPECT_EQ(plain.Wildcards(), "a b");
}

TEST(AutoOpenList, DefaultsReplaceWhatTheListHeld) {
    List l;
    Zent_AddAutoOpen(&l.list, NewRule(Zent_Match, "old"));
    Zent_DefaultAutoOpen(&l.list);
    EXPECT_EQ(l.Wildcards(),
              "autorun.inf setup.exe index.htm* readme.txt *.htm* *.doc *.xls *.ppt *.pdf * *");
    const Zent_AutoOpen* r = l.At(0);
    EXPECT_EQ(r->Security, Zent_Confirm);
    EXPECT_EQ(r->CmdType, Zent_AutoRunInf);
    EXPECT_STREQ(r->Command, "");
    EXPECT_EQ(l.At(2)->CmdType, Zent_RegCmd2);
    EXPECT_EQ(l.At(2)->Security, Zent_NoConfirm);
    EXPECT_EQ(l.At(4)->Type, Zent_1File);
    EXPECT_EQ(l.At(9)->Security, Zent_RefReg);
    EXPECT_STREQ(l.At(9)->Command, "open");
    EXPECT_EQ(l.At(10)->Type, Zent_Other);
    EXPECT_EQ(l.At(10)->CmdType, Zent_OpenOnly);

    Zent_AutoOpen* fresh = Zent_NewAutoOpen();
    EXPECT_EQ(fresh->Type, Zent_Match);
    EXPECT_EQ(fresh->Security, Zent_RefReg);
    EXPECT_STREQ(fresh->WildCard, "*.txt");
    EXPECT_EQ(fresh->CmdType, Zent_RegCmd);
    EXPECT_STREQ(fresh->Command, "open");
    delete fresh;
}

TEST(AutoOpenNames, UnknownNamesGiveTheDefaultsAndNumbersOutOfRangeTheFirstName) {
    EXPECT_EQ(Zent_MatchTypeOfName("Zent_1File"), Zent_1File);
    EXPECT_EQ(Zent_MatchTypeOfName("zent_1file"), Zent_Match);  // letter case counts
    EXPECT_EQ(Zent_SecurityOfName("Zent_Sometimes"), Zent_RefReg);
    EXPECT_EQ(Zent_CmdTypeOfName(""), Zent_RegCmd);
    EXPECT_STREQ(Zent_CmdTypeName(Zent_AutoRunInf), "Zent_AutoRunInf");
    EXPECT_STREQ(Zent_CmdTypeName(5), "Zent_OpenOnly");
    EXPECT_STREQ(Zent_SecurityName(-1), "Zent_Confirm");
    EXPECT_STREQ(Zent_MatchTypeName(4), "Zent_Match");
}

// ---- The settings file ---------------------------------------------------------------

TEST(AutoOpenFile, LoadingKeepsTheOrderRulesAndTakesUnknownNamesAsDefaults) {
    TempDir dir;
    std::string file = dir / "dovetrim.ini";
    WriteFile(file, "[main] \r\nApplication = Quarvel\r\n \r\n" +
                        Section("Zent_Other", "Zent_Confirm", "*", "Zent_OpenOnly", "") +
                        Section("Zent_Match", "Zent_NoConfirm", "*.txt", "Zent_RegCmd", "edit") +
                        Section("Zent_Some", "Zent_Never", "*.x", "Zent_Launch", "go"));
    List l;
    Zent_AddAutoOpen(&l.list, NewRule(Zent_Match, "left over"));
    Zent_LoadAutoOpen(&l.list, file.c_str());
    ASSERT_EQ(l.Wildcards(), "*.txt *.x *");
    EXPECT_EQ(l.At(0)->Security, Zent_NoConfirm);
    EXPECT_STREQ(l.At(0)->Command, "edit");
    EXPECT_EQ(l.At(1)->Type, Zent_Match);
    EXPECT_EQ(l.At(1)->Security, Zent_RefReg);
    EXPECT_EQ(l.At(1)->CmdType, Zent_RegCmd);
    EXPECT_EQ(l.At(2)->Type, Zent_Other);

    // No sections at all: no error, and the default rule that always ends the list.
    WriteFile(file, "[main] \r\nApplication = Quarvel\r\n \r\n");
    Zent_LoadAutoOpen(&l.list, file.c_str());
    ASSERT_EQ(Zent_CountAutoOpen(&l.list), 1);
    EXPECT_EQ(l.At(0)->Type, Zent_Other);
}

TEST(AutoOpenFile, SecondOtherAndMalformedSectionsAreRaisedAndTheFileIsClosed) {
    TempDir dir;
    std::string file = dir / "rules.ini";
    WriteFile(file, Section("Zent_Other", "Zent_Confirm", "*", "Zent_OpenOnly", "") +
                        Section("Zent_Other", "Zent_Confirm", "*", "Zent_OpenOnly", ""));
    List l;
    auto caught = CatchRaise([&] { Zent_LoadAutoOpen(&l.list, file.c_str()); });
    EXPECT_EQ(caught.code, Zent_Err_CannotAddFType);
    EXPECT_EQ(Zent_CountAutoOpen(&l.list), 1);
    EXPECT_TRUE(DeleteFileA(file.c_str()));

    WriteFile(file, "[AutoOpen] \r\nType = Zent_Match\r\nWildCard = *\r\n \r\n");
    caught = CatchRaise([&] { Zent_LoadAutoOpen(&l.list, file.c_str()); });
    EXPECT_EQ(caught.code, IniFile_Err_BadAttr);
    EXPECT_EQ(Zent_CountAutoOpen(&l.list), 0);
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

TEST(AutoOpenFile, RulesSurviveSavingAndLoadingTheSettings) {
    TempDir dir;
    std::string file = dir / "dovetrim.ini";
    static Zent_Settings s;
    Zent_LoadSettings(&s, file.c_str());  // no file: the default rules
    ASSERT_EQ(Zent_CountAutoOpen(&s.AutoOpen), 11);
    Zent_FreeAutoOpen(&s.AutoOpen);
    Zent_AddAutoOpen(&s.AutoOpen, NewRule(Zent_Other, "*", Zent_OpenOnly, ""));
    Zent_AutoOpen* custom =
        NewRule(Zent_Match1File, " 表示, \"x\"*.txt", Zent_CustomCmd, "\"C:\\a b\\ed.exe\" -n, %1");
    custom->Security = Zent_NoConfirm;
    Zent_AddAutoOpen(&s.AutoOpen, custom);
    Zent_AddAutoOpen(&s.AutoOpen, NewRule(Zent_1File, "*.ソ", Zent_AutoRunInf, ""));
    Zent_SaveSettings(&s, file.c_str());

    Zent_LoadSettings(&s, file.c_str());
    ASSERT_EQ(Zent_CountAutoOpen(&s.AutoOpen), 3);
    const Zent_AutoOpen* r = s.AutoOpen.first;
    EXPECT_EQ(r->Type, Zent_Match1File);
    EXPECT_EQ(r->Security, Zent_NoConfirm);
    EXPECT_STREQ(r->WildCard, " 表示, \"x\"*.txt");
    EXPECT_EQ(r->CmdType, Zent_CustomCmd);
    EXPECT_STREQ(r->Command, "\"C:\\a b\\ed.exe\" -n, %1");
    r = r->next;
    EXPECT_EQ(r->Type, Zent_1File);
    EXPECT_EQ(r->Security, Zent_RefReg);
    EXPECT_STREQ(r->WildCard, "*.ソ");
    EXPECT_EQ(r->CmdType, Zent_AutoRunInf);
    EXPECT_STREQ(r->Command, "");
    EXPECT_EQ(r->next->Type, Zent_Other);
    Zent_FreeAutoOpen(&s.AutoOpen);
}

// ---- Matching ------------------------------------------------------------------------

namespace {

class AutoOpenMatch : public testing::Test {
protected:
    void SetUp() override { Zent_DefaultAutoOpen(&defaults_.list); }
    void TearDown() override { DeleteKeyTree(HKEY_CLASSES_ROOT, "QuarvelTest.qva1"); }
    // The number (1-based) of the winning rule of list, or 0 when the match raised.
    int Match(const List& list, std::vector<const char*> names) {
        matched_[0] = '\0';
        const Zent_AutoOpen* rule = nullptr;
        caught_ = CatchRaise([&] {
            rule = Zent_MatchAutoOpen(&list.list, names.data(), static_cast<int>(names.size()),
                                      matched_, &confirm_);
        });
        int number = 1;
        for (const Zent_AutoOpen* r = list.list.first; r != nullptr; r = r->next, number++) {
            if (r == rule) return number;
        }
        return 0;
    }
    List defaults_;
    char matched_[260];
    bool confirm_ = false;
    testing_support::Caught caught_;
    ScopedClass qva1_{".qva1"};
};

}  // namespace

TEST_F(AutoOpenMatch, DefaultRulesChooseByRuleOrderAndEntryCount) {
    EXPECT_EQ(Match(defaults_, {"setup.exe", "data.cab", "autorun.inf"}), 1);
    EXPECT_STREQ(matched_, "autorun.inf");
    EXPECT_TRUE(confirm_);
    // The rule order counts, not the listing order.
    EXPECT_EQ(Match(defaults_, {"readme.txt", "Index.HTML"}), 3);
    EXPECT_STREQ(matched_, "Index.HTML");
    EXPECT_FALSE(confirm_);

    EXPECT_EQ(Match(defaults_, {"report.doc"}), 6);
    EXPECT_STREQ(matched_, "report.doc");
    EXPECT_FALSE(confirm_);
    EXPECT_EQ(Match(defaults_, {"report.doc", "report.xls"}), 11);
    EXPECT_STREQ(matched_, "");
    EXPECT_TRUE(confirm_);
    EXPECT_EQ(Match(defaults_, {}), 11);

    // A saved page and its picture folder count as one entry.
    EXPECT_EQ(Match(defaults_, {"page.files", "page.htm"}), 5);
    EXPECT_STREQ(matched_, "page.htm");
    EXPECT_EQ(Match(defaults_, {"page.htm", "page.Files", "other.htm"}), 11);
}

TEST_F(AutoOpenMatch, OneMatchingFileAmongOthers) {
    List l;
    Zent_AddAutoOpen(&l.list, NewRule(Zent_Match1File, "*.txt"));
    EXPECT_EQ(Match(l, {"a.txt", "b.txt"}), 0);
    EXPECT_EQ(caught_.code, Zent_Err_NoMatchFileType);
    EXPECT_EQ(caught_.message, "マッチするファイルタイプがありません");
    EXPECT_EQ(Match(l, {"b.doc", "a.txt"}), 1);
    EXPECT_STREQ(matched_, "a.txt");
    // The companion folder of a page is no second match, whatever its letter case.
    List pages;
    Zent_AddAutoOpen(&pages.list, NewRule(Zent_Match1File, "page*"));
    EXPECT_EQ(Match(pages, {"page.htm", "page.FILES"}), 1);
    EXPECT_STREQ(matched_, "page.htm");
}

TEST_F(AutoOpenMatch, RegistryDecidesTheConfirmationOfRefRegRules) {
    // Rule 10 of the defaults: a single file of any type, asking as its type says.
    EXPECT_EQ(Match(defaults_, {"tool.qva1"}), 10);
    EXPECT_TRUE(confirm_);  // unregistered types ask
    PutString(HKEY_CLASSES_ROOT, ".qva1", nullptr, "QuarvelTest.qva1");
    PutBinary(HKEY_CLASSES_ROOT, "QuarvelTest.qva1", "EditFlags",
              std::string("\x01\x00\x01\x00", 4));
    EXPECT_EQ(Match(defaults_, {"tool.qva1"}), 10);
    EXPECT_FALSE(confirm_);
    PutBinary(HKEY_CLASSES_ROOT, "QuarvelTest.qva1", "EditFlags",
              std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(Match(defaults_, {"tool.qva1"}), 10);
    EXPECT_TRUE(confirm_);
}

// ---- Actions -------------------------------------------------------------------------

namespace {

// The recorder as explorer.exe in windir and as the program of .doc files ("open" and the
// default verb "view"), and a melted folder with a document in it.
class AutoOpenRun : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), explorer_.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), opener_.c_str(), FALSE));
        CreateDirectoryA(melted_.c_str(), nullptr);
        WriteFile(doc_, "doc");
        PutString(HKEY_CLASSES_ROOT, ".doc", nullptr, "QuarvelTest.doc");
        for (const char* verb : {"open", "view"}) {
            PutString(HKEY_CLASSES_ROOT,
                      std::string("QuarvelTest.doc\\shell\\") + verb + "\\command", nullptr,
                      "\"" + opener_ + "\" " + verb + " \"%1\"");
        }
        PutString(HKEY_CLASSES_ROOT, "QuarvelTest.doc\\shell", nullptr, "view");
    }
    void TearDown() override { DeleteKeyTree(HKEY_CLASSES_ROOT, "QuarvelTest.doc"); }

    void Run(int cmd_type, const std::string& command, const std::string& path, bool tree) {
        Zent_AutoOpen rule{};
        rule.CmdType = cmd_type;
        strcpy(rule.Command, command.c_str());
        Zent_RunAutoOpen(&rule, path.c_str(), tree);
    }
    // The log's lines, each with its line end, in sorted order: programs started together
    // log in any order.
    std::vector<std::string> Sorted(int lines) {
        std::istringstream in(WaitForLog(log_, lines));
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line + "\n");
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string Explorer(const std::string& arguments) {
        return explorer_ + " " + arguments + "\r\n";
    }
    std::string Opened(const char* verb, const std::string& file) {
        return "\"" + opener_ + "\" " + verb + " \"" + file + "\"\r\n";
    }

    TempDir dir_;
    std::string explorer_ = dir_ / "explorer.exe";
    std::string opener_ = dir_ / "opener.exe";
    std::string log_ = dir_ / "log.txt";
    std::string melted_ = dir_ / "melted";
    std::string doc_ = melted_ + "\\report.doc";
    ScopedEnv windir_{"windir", dir_.Path().c_str()};
    ScopedEnv log_env_{"QUARVEL_RECORDER_LOG", log_.c_str()};
    ScopedClass doc_class_{".doc"};
};

}  // namespace

TEST_F(AutoOpenRun, OpenOnlyShowsTheFolderThatHoldsTheMatch) {
    Run(Zent_OpenOnly, "", doc_, true);
    EXPECT_EQ(WaitForLog(log_, 1), Explorer("/e,/root,\"" + melted_ + "\""));
    DeleteFileA(log_.c_str());
    Run(Zent_OpenOnly, "", melted_ + "\\", false);  // a folder: itself
    EXPECT_EQ(WaitForLog(log_, 1), Explorer("\"" + melted_ + "\""));
}

TEST_F(AutoOpenRun, RegisteredVerbsOpenTheDocument) {
    Run(Zent_RegCmd, "open", doc_, true);
    EXPECT_EQ(WaitForLog(log_, 1), Opened("open", doc_));
    DeleteFileA(log_.c_str());
    Run(Zent_RegCmd, "", doc_, true);  // no verb: the type's default
    EXPECT_EQ(WaitForLog(log_, 1), Opened("view", doc_));
    DeleteFileA(log_.c_str());

    Run(Zent_RegCmd2, "open", doc_, true);
    std::vector<std::string> expected = {Explorer("/e,/root,\"" + melted_ + "\""),
                                         Opened("open", doc_)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Sorted(2), expected);
}

TEST_F(AutoOpenRun, TypeWithoutTheVerbIsRaisedAsUnregistered) {
    std::string file = melted_ + "\\tool.qvnone";
    WriteFile(file, "x");
    auto caught = CatchRaise([&] { Run(Zent_RegCmd, "open", file, true); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegKey) << caught.text;
}

TEST_F(AutoOpenRun, CustomCommandGetsThePathForEveryPlaceholder) {
    Run(Zent_CustomCmd, "\"" + opener_ + "\" -a %1 -b %1", doc_, true);
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + opener_ + "\" -a " + doc_ + " -b " + doc_ + "\r\n");

    std::string missing = "\"" + (dir_ / "missing.exe") + "\" %1";
    auto caught = CatchRaise([&] { Run(Zent_CustomCmd, missing, doc_, true); });
    EXPECT_EQ(caught.code, Zent_Err_FailToExecCmd);
    EXPECT_EQ(caught.message,
              "コマンド \"" + (dir_ / "missing.exe") + "\" " + doc_ + " の実行に失敗しました。");

    // A line that would not fit is refused rather than started cut short.
    std::string many = "\"" + opener_ + "\"";
    while (many.size() < 240) many += " %1";
    caught = CatchRaise([&] { Run(Zent_CustomCmd, many, doc_, true); });
    EXPECT_EQ(caught.code, Zent_Err_FailToExecCmd);
}

TEST_F(AutoOpenRun, AutorunDescriptionsAsUsersWriteThem) {
    // Comments and another section first, the section name in another letter case, and
    // "open" after other keys.
    std::string inf = melted_ + "\\autorun.inf";
    WriteFile(inf,
              "; made by hand\r\n[Strings]\r\nname=x\r\n\r\n[AutoRun]\r\nicon=disc.ico,2\r\n"
              "OPEN=report.doc\r\nlabel=CD\r\n");
    Run(Zent_AutoRunInf, "", inf, true);
    EXPECT_EQ(WaitForLog(log_, 1), Opened("view", doc_));
    DeleteFileA(log_.c_str());

    // A folder opens plainly or with its tree, never rooted.
    CreateDirectoryA((melted_ + "\\docs").c_str(), nullptr);
    WriteFile(inf, "[autorun]\r\nopen=docs\r\n");
    Run(Zent_AutoRunInf, "", inf, true);
    EXPECT_EQ(WaitForLog(log_, 1), Explorer("/e,\"" + melted_ + "\\docs\""));
    DeleteFileA(log_.c_str());
    Run(Zent_AutoRunInf, "", inf, false);
    EXPECT_EQ(WaitForLog(log_, 1), Explorer("\"" + melted_ + "\\docs\""));
    DeleteFileA(log_.c_str());

    // Nothing to start: the folder of the description.
    WriteFile(inf, "[autorun]\r\nicon=disc.ico\r\n");
    Run(Zent_AutoRunInf, "", inf, false);
    EXPECT_EQ(WaitForLog(log_, 1), Explorer("\"" + melted_ + "\""));
}

TEST_F(AutoOpenRun, AutorunProgramGetsItsParametersEvenBelowAFolderWithABlank) {
    std::string cd = melted_ + "\\my cd";
    CreateDirectoryA(cd.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), (cd + "\\setup.exe").c_str(), FALSE));
    WriteFile(cd + "\\autorun.inf", "[autorun]\r\nopen=setup.exe /q\r\n");
    Run(Zent_AutoRunInf, "", cd + "\\autorun.inf", true);
    std::string line = WaitForLog(log_, 1);
    EXPECT_NE(line.find(cd + "\\setup.exe"), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 5), " /q\r\n") << line;
    DeleteFileA(log_.c_str());

    // A quoted program with a blank in its own name, parameters with "=" and commas.
    ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), (cd + "\\my setup.exe").c_str(), FALSE));
    WriteFile(cd + "\\autorun.inf", "[autorun]\r\n\r\nopen = \"my setup.exe\" /lang=ja,en \r\n");
    Run(Zent_AutoRunInf, "", cd + "\\autorun.inf", true);
    line = WaitForLog(log_, 1);
    EXPECT_NE(line.find(cd + "\\my setup.exe"), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 14), " /lang=ja,en\r\n") << line;
}
