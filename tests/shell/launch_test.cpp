#include <gtest/gtest.h>
#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <string>
#include <thread>

#include "../support/dde_server.h"
#include "../support/raise_capture.h"
#include "../support/test_folders.h"
#include "shell/winx_launch.h"
#include "../support/registry_env.h"

using testing_support::BinPath;
using testing_support::CatchRaise;
using testing_support::DdeServer;
using testing_support::DeleteKeyTree;
using testing_support::PutString;
using testing_support::ReadFile;
using testing_support::ScopedClass;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WaitForLog;

namespace {

// A folder with the recorder as its explorer.exe, set as windir, and the recorder's log.
class FakeWindows : public testing::Test {
protected:
    void SetUp() override {
        recorder_ = dir_ / "explorer.exe";
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), recorder_.c_str(), FALSE));
        log_ = dir_ / "log.txt";
    }
    TempDir dir_;
    std::string recorder_;
    std::string log_;
    ScopedEnv windir_{"windir", dir_.Path().c_str()};
    ScopedEnv log_env_{"QUARVEL_RECORDER_LOG", (dir_ / "log.txt").c_str()};
};

}  // namespace

using WinXExplore = FakeWindows;

TEST_F(WinXExplore, RunsTheThreeCommandFormsOfExplorer) {
    WinX_ExplorePlain("C:\\作業\\a");
    EXPECT_EQ(WaitForLog(log_, 1), recorder_ + " \"C:\\作業\\a\"\r\n");
    WinX_ExploreTree("C:\\作業\\b");
    WinX_Explore("C:\\作業\\c", true, true);
    WinX_Explore("C:\\作業\\d", true, false);
    WinX_Explore("C:\\作業\\e", false, true);
    std::string log = WaitForLog(log_, 5);
    EXPECT_EQ(log, recorder_ + " \"C:\\作業\\a\"\r\n" +         //
                       recorder_ + " /e,\"C:\\作業\\b\"\r\n" +  //
                       recorder_ + " /e,/root,\"C:\\作業\\c\"\r\n" + recorder_ +
                       " /e,\"C:\\作業\\d\"\r\n" +  //
                       recorder_ + " \"C:\\作業\\e\"\r\n");
}

TEST_F(WinXExplore, ReturnsWinExecsResult) {
    EXPECT_GT(WinX_ExplorePlain("C:\\x"), 31u);
    WaitForLog(log_, 1);
    ScopedEnv broken("windir", (dir_ / "missing").c_str());
    EXPECT_LE(WinX_ExplorePlain("C:\\x"), 31u);
}

// ---- Web pages ------------------------------------------------------------------------

namespace {

// The recorder registered as the web browser, with a temporary folder of its own.
class Browser : public FakeWindows {
protected:
    void SetUp() override {
        FakeWindows::SetUp();
        browser_ = dir_ / "browser.exe";
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), browser_.c_str(), FALSE));
        CreateDirectoryA(temp_dir_.c_str(), nullptr);
        Register("\"" + browser_ + "\" \"%1\"");
    }
    void Register(const std::string& command) {
        PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", nullptr, command);
        PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec", nullptr, "\"%1\",,-1,0,,,,");
        PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec\\Application", nullptr,
                  "QuarvelTestBrowser");
        PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec\\Topic", nullptr, "WWW_OpenURL");
    }
    ScopedClass http_{"http"};
    std::string browser_;
    std::string temp_dir_ = dir_ / "temp";
    ScopedEnv temp_{"TEMP", (dir_ / "temp\\").c_str()};
};

std::string RedirectPage(const std::string& address) {
    return "<HTML>\r\n<HEAD>\r\n"
           "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=x-sjis\">\r\n"
           "  <TITLE>移動中</TITLE>\r\n</HEAD>\r\n\r\n"
           "<BODY onLoad=\"setTimeout('nextp()',1000)\" BGCOLOR=\"#ffffff\">\r\n\r\n"
           "<SCRIPT LANGUAGE=\"JavaScript\">\r\n<!--\r\n"
           "function nextp(){location.href=\"" +
           address +
           "\"}\r\n//-->\r\n</SCRIPT>\r\n\r\n"
           "<P><CENTER></CENTER>\r\n<CENTER>\r\n\r\n"
           "<P><A href=\"" +
           address + "\">ジャンプしています</A><P>\r\n\r\n</CENTER>\r\n</BODY>\r\n</HTML>\r\n";
}

}  // namespace

using WinXOpenUrl = Browser;

TEST_F(WinXOpenUrl, AnchorGoesThroughTheNextFreeRedirectPage) {
    testing_support::WriteFile(temp_dir_ + "\\url1.htm", "taken");
    WinX_OpenUrl("C:\\doc\\a b.htm#p2", true);
    std::string page = temp_dir_ + "\\url2.htm";
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + browser_ + "\" \"" + page + "\"\r\n");
    EXPECT_EQ(ReadFile(page), RedirectPage("file:///C|/doc/a%20b.htm#p2"));
    EXPECT_EQ(ReadFile(temp_dir_ + "\\url1.htm"), "taken");
}

TEST_F(WinXOpenUrl, NetworkPathsAndWebAddressesInTheRedirectPage) {
    WinX_OpenUrl("\\\\srv\\share\\help.htm#top", true);
    WinX_OpenUrl("http://example.com/help.html#dll", true);
    WaitForLog(log_, 2);
    EXPECT_EQ(ReadFile(temp_dir_ + "\\url1.htm"), RedirectPage("file://srv/share/help.htm#top"));
    EXPECT_EQ(ReadFile(temp_dir_ + "\\url2.htm"), RedirectPage("http://example.com/help.html#dll"));
}

TEST_F(WinXOpenUrl, TargetWithoutAnAnchorIsHandedOverUnchanged) {
    WinX_OpenUrl("C:\\doc\\index.htm", true);
    WinX_OpenUrl("C:\\doc\\a#b.htm", true);  // the '#' lies before the extension's dot
    EXPECT_EQ(WaitForLog(log_, 2), "\"" + browser_ + "\" \"C:\\doc\\index.htm\"\r\n\"" + browser_ +
                                       "\" \"C:\\doc\\a#b.htm\"\r\n");
    EXPECT_FALSE(testing_support::FileExists(temp_dir_ + "\\url1.htm"));
}

TEST_F(WinXOpenUrl, CommandWithoutPlaceholderGetsTheTargetAppended) {
    Register("\"" + browser_ + "\" -new");
    WinX_OpenUrl("C:\\doc\\index.htm", true);
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + browser_ + "\" -new C:\\doc\\index.htm\r\n");
}

TEST_F(WinXOpenUrl, MissingBrowserRegistrationReachesTheCaller) {
    DeleteKeyTree(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec");
    auto caught = CatchRaise([] { WinX_OpenUrl("C:\\doc\\index.htm", true); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegKey);
    EXPECT_EQ(caught.message, "レジストリのキー「http\\shell\\open\\ddeexec」が見つかりません。");
}

TEST_F(WinXOpenUrl, DdeModeStartsTheBrowserWhenNoServerAnswers) {
    auto caught = CatchRaise([] { WinX_OpenUrl("C:\\doc\\index.htm", false); });
    // The recorder starts but never answers, so the second connect fails.
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + browser_ + "\" \"%1\"\r\n");
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(
        caught.message.rfind("WinX: DDE Error : DMLERR_NO_CONV_ESTABLISHED in winx_launch.cpp:", 0),
        0u)
        << caught.message;
}

// ---- DDE against a real server ---------------------------------------------------------

TEST_F(WinXOpenUrl, DdeModeRequestsThePageFromTheRunningBrowser) {
    DdeServer server("QuarvelTestBrowser");
    auto caught = CatchRaise([] { WinX_OpenUrl("C:\\doc\\a b.htm#p2", false); });
    EXPECT_EQ(caught.code, 0) << caught.text;
    EXPECT_EQ(server.Requested(), "\"" + temp_dir_ + "\\url1.htm\",,-1,0,,,,");
    EXPECT_EQ(ReadFile(log_), "");  // the browser answered, so nothing was started
}

TEST(WinXDdeCall, ExecuteSendsTheDataToTheServer) {
    DdeServer server("QuarvelTestServer");
    const char command[] = "[Open(\"C:\\x.htm\")]";
    auto caught = CatchRaise([&] {
        WinX_DdeCall("unused.exe", "QuarvelTestServer", "System", command, sizeof command - 1, 1);
    });
    EXPECT_EQ(caught.code, 0) << caught.text;
    EXPECT_EQ(server.Executed().c_str(), std::string(command));
}

TEST(WinXDdeCall, ServerThatCannotBeStartedIsAnApiError) {
    auto caught = CatchRaise([] {
        WinX_DdeCall("Z:\\nonexistent\\server.exe", "QuarvelNoServer", "System", "x", 1, 0);
    });
    EXPECT_EQ(caught.code, WinX_Err_API_Error);
    EXPECT_NE(caught.message.find("allcode = "), std::string::npos) << caught.message;
    // The DDE instance was given up: a later call works normally.
    DdeServer server("QuarvelTestServer2");
    caught =
        CatchRaise([] { WinX_DdeCall("unused.exe", "QuarvelTestServer2", "T", "item", 4, 0); });
    EXPECT_EQ(caught.code, 0) << caught.text;
    EXPECT_EQ(server.Requested(), "item");
}

// ---- Documents -------------------------------------------------------------------------

namespace {

// Test file types in HKCR; "*" is put aside and restored.
class FileTypes : public FakeWindows {
protected:
    void SetUp() override {
        FakeWindows::SetUp();
        opener_ = dir_ / "opener.exe";
        ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), opener_.c_str(), FALSE));
    }
    void TearDown() override {
        for (const char* key : {".qvt1", "qvt1file", ".qvt2", "qvt2file", ".qvt3", "qvt3file"})
            DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    }
    void Verb(const std::string& program_id, const std::string& verb) {
        PutString(HKEY_CLASSES_ROOT, program_id + "\\shell\\" + verb + "\\command", nullptr,
                  "\"" + opener_ + "\" " + verb + " \"%1\"");
    }
    std::string DefaultVerb(const std::string& file) {
        char verb[256];
        WinX_DefaultVerb(file.c_str(), verb, sizeof verb);
        return verb;
    }
    ScopedClass star_{"*"};
    std::string opener_;
};

}  // namespace

using WinXShellOpen = FileTypes;

TEST_F(WinXShellOpen, DefaultOpensWithTheTypesDefaultVerb) {
    PutString(HKEY_CLASSES_ROOT, ".qvt1", nullptr, "qvt1file");
    Verb("qvt1file", "open");
    Verb("qvt1file", "view");
    PutString(HKEY_CLASSES_ROOT, "qvt1file\\shell", nullptr, "view");
    std::string file = dir_ / "doc.qvt1";
    testing_support::WriteFile(file, "x");
    EXPECT_EQ(CatchRaise([&] { WinX_ShellOpenDefault(file.c_str()); }).code, 0);
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + opener_ + "\" view \"" + file + "\"\r\n");
}

TEST_F(WinXShellOpen, NamedVerbOpensWithThatVerb) {
    PutString(HKEY_CLASSES_ROOT, ".qvt1", nullptr, "qvt1file");
    Verb("qvt1file", "open");
    Verb("qvt1file", "print");
    std::string file = dir_ / "doc.qvt1";
    testing_support::WriteFile(file, "x");
    EXPECT_EQ(CatchRaise([&] { WinX_ShellOpenVerb(file.c_str(), "print"); }).code, 0);
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + opener_ + "\" print \"" + file + "\"\r\n");
}

TEST_F(WinXShellOpen, DefaultWithAnAnchorGoesToTheBrowser) {
    ScopedClass http("http");
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", nullptr,
              "\"" + opener_ + "\" \"%1\"");
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec", nullptr, "x");
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec\\Application", nullptr, "x");
    PutString(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec\\Topic", nullptr, "x");
    std::string temp = dir_ / "t";
    CreateDirectoryA(temp.c_str(), nullptr);
    ScopedEnv env("TEMP", temp.c_str());
    WinX_ShellOpenDefault("C:\\help\\index.htm#dll");
    EXPECT_EQ(WaitForLog(log_, 1), "\"" + opener_ + "\" \"" + temp + "\\url1.htm\"\r\n");
}

TEST_F(WinXShellOpen, VerbResolutionFallsBackToTheAllFilesClass) {
    // Default verb of the type.
    PutString(HKEY_CLASSES_ROOT, ".qvt1", nullptr, "qvt1file");
    Verb("qvt1file", "edit");
    Verb("qvt1file", "open");
    EXPECT_EQ(DefaultVerb("a.qvt1"), "open");
    PutString(HKEY_CLASSES_ROOT, "qvt1file\\shell", nullptr, "edit");
    EXPECT_EQ(DefaultVerb("a.qvt1"), "edit");

    // No default and no "open" (the comparison is exact): the "*" class decides.
    PutString(HKEY_CLASSES_ROOT, ".qvt2", nullptr, "qvt2file");
    Verb("qvt2file", "edit");
    Verb("qvt2file", "Open");
    Verb("*", "zfirst");
    Verb("*", "star");
    PutString(HKEY_CLASSES_ROOT, "*\\shell", nullptr, "star");
    EXPECT_EQ(DefaultVerb("a.qvt2"), "star");
    // An extension without a class key uses "*" as its class.
    EXPECT_EQ(DefaultVerb("a.qvt9"), "star");
    // An extension key without a program id is treated the same way.
    PutString(HKEY_CLASSES_ROOT, ".qvt3", "Content Type", "text/plain");
    EXPECT_EQ(DefaultVerb("a.qvt3"), "star");

    // A "*" class without a default verb gives its first verb.
    PutString(HKEY_CLASSES_ROOT, "*\\shell", nullptr, "");
    char first[256];
    DWORD length = sizeof first;
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "*\\shell", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegEnumKeyExA(key, 0, first, &length, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(DefaultVerb("a.qvt2"), first);
}

TEST_F(WinXShellOpen, TypeWithoutShellKeyIsAnApiError) {
    PutString(HKEY_CLASSES_ROOT, ".qvt1", nullptr, "qvt1file");
    PutString(HKEY_CLASSES_ROOT, "qvt1file", nullptr, "no verbs");
    auto caught = CatchRaise([&] { DefaultVerb("a.qvt1"); });
    EXPECT_EQ(caught.code, WinX_Err_API_Error);
    EXPECT_EQ(caught.message.rfind("API Error : ", 0), 0u);
}
