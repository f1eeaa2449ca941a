// dovetrim.exe melting an archive as a double click or a drop starts it (the fixture is in
// melt_fixture.h).
#include <gtest/gtest.h>

#include <string>

#include "melt_fixture.h"

using namespace testing_support;
using namespace melt_fixture;

TEST_F(MeltProgram, TypicalRequestMeltsReportIntoItsWorkingFolder) {
    std::string report = Download("flat.lzh", "report.lzh");
    EXPECT_EQ(Run("-d \"" + report + "\""), 0);
    std::string folder = cache + "\\report";
    EXPECT_EQ(ReadFile(folder + "\\b.txt").substr(0, 10), "Line 0001:");
    std::string db = ReadFile(cache + "\\cache-db.ini");
    EXPECT_NE(db.find("File = " + report + ", "), std::string::npos) << db;
    EXPECT_NE(db.find(", " + folder + ", 0\r\n"), std::string::npos) << db;
    // Two loose files: no rule picks one of them, so the folder is what opens.
    EXPECT_EQ(WaitForLog(log, 1), dir / "win\\explorer.exe /e,/root,\"" + folder + "\"\r\n");
}

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

// Made by GNU tar (-j, -Z) and dpkg-deb (gzip, xz): the working folder holds what tar -x and
// dpkg-deb -x give. A package's names begin with "./"; its two
// folders etc and usr go into a folder named after the package.
class MeltTarFamily : public MeltProgram, public testing::WithParamInterface<const char*> {};

TEST_P(MeltTarFamily, WorkingFolderHoldsWhatTheLinuxToolsExtract) {
    std::string fixture = GetParam();
    bool deb = fixture.substr(fixture.size() - 4) == ".deb";
    EXPECT_EQ(Run("-d \"" + Download(fixture) + "\""), 0);
    std::string folder = cache + "\\" + (deb ? fixture.substr(0, fixture.size() - 4) : "doc");
    std::string docs = deb ? folder + "\\usr\\share\\doc\\qv-sample" : folder;
    EXPECT_EQ(ReadFile(docs + "\\a.txt"), FixtureLines(300));
    EXPECT_EQ(ReadFile(docs + "\\b.txt"), FixtureLines(40));
    if (deb) {
        EXPECT_EQ(ReadFile(folder + "\\etc\\qv-sample.conf"), "setting=1\r\n");
    }
    std::string shown = WaitForLog(log, 1);
    EXPECT_NE(shown.find("/e,/root,\"" + folder + "\"\r\n"), std::string::npos) << shown;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MeltTarFamily,
                         testing::Values("doc-top.tar.bz2", "doc-top.tar.Z", "doc-top-gz.deb",
                                         "doc-top-xz.deb"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

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
    // a.txt, the one entry written, is a lone file of a type that asks before it opens.
    HWND dialog = gui::WaitForWindow("ファイルの安全性の確認 - Quarvel SV", child.Pid());
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
    gui::Click(dialog, 1027);  // "フォルダ開く(&O)"
    EXPECT_EQ(child.Wait(), 0);
    std::string shown = WaitForLog(log, 1);
    EXPECT_NE(shown.find("/e,/root,\"" + cache + "\\doc-remnants\"\r\n"), std::string::npos)
        << shown;
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

// ---- Auto-open -------------------------------------------------------------------------

TEST_F(AutoOpenProgram, LoneDocumentOpensWithItsRegisteredVerb) {
    std::string archive = Download("lone-doc.zip");
    EXPECT_EQ(Run("-d \"" + archive + "\""), 0);
    EXPECT_EQ(WaitForLog(log, 1), Opened(cache + "\\lone-doc\\report.doc"));
}

TEST_F(AutoOpenProgram, SavedPageAndItsFilesFolderCountAsOneEntry) {
    std::string archive = Download("page.zip");
    EXPECT_EQ(Run("-d \"" + archive + "\""), 0);
    EXPECT_EQ(WaitForLog(log, 1), Opened(cache + "\\page\\page.htm"));
}

TEST_F(AutoOpenProgram, ChosenFolderOnlyShowsTheMeltedFolder) {
    std::string archive = Download("index-folder.zip");
    EXPECT_EQ(Run("-d \"" + archive + "\""), 0);
    EXPECT_EQ(WaitForLog(log, 1), Explored(cache + "\\index-folder"));
}

TEST_F(AutoOpenProgram, ReadmeOpensBesideItsFolder) {
    std::string archive = Download("readme-only.lzh");
    EXPECT_EQ(Run("-d \"" + archive + "\""), 0);
    // Explorer and the document's program run side by side: their lines come in either order.
    std::string shown = WaitForLog(log, 2);
    EXPECT_NE(shown.find(Explored(cache + "\\readme-only")), std::string::npos) << shown;
    EXPECT_NE(shown.find(Opened(cache + "\\readme-only\\readme.txt")), std::string::npos) << shown;
}

TEST_F(AutoOpenProgram, DocumentWithoutARegisteredProgramShowsTheFolder) {
    std::string archive = Download("unknown-type.zip");
    ChildProcess child = Start("-d \"" + archive + "\"");
    // A type that registered nothing asks first, as a download of it would.
    HWND dialog = WaitForSafety(child);
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
    EXPECT_EQ(gui::ControlText(dialog, kQuestion),
              "unknown-type.zip の中にある data.qvz を開きますか？");
    gui::Click(dialog, kRun);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(WaitForLog(log, 1), Explored(cache + "\\unknown-type"));
}

TEST_F(AutoOpenProgram, AutorunArchiveIsConfirmedAndMarkedSafe) {
    std::string app = Download("app.lzh");
    std::string folder = cache + "\\app";

    // Cancel: nothing opens, and the working folder leaves the cache.
    {
        ChildProcess child = Start("-d \"" + app + "\"");
        HWND dialog = WaitForSafety(child);
        ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
        EXPECT_EQ(gui::ControlText(dialog, kQuestion),
                  "app.lzh の中にある autorun.inf を開きますか？");
        gui::Click(dialog, kCancel);
        EXPECT_EQ(child.Wait(), 0);
        EXPECT_FALSE(FileExists(folder));
        EXPECT_FALSE(FileExists(log));
    }

    // Run, ticking "do not ask again" in both questions. The archive's setup.exe is no real
    // program: while the first question is open the recorder takes its place.
    std::string setup = folder + "\\setup.exe";
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
        EXPECT_TRUE(gui::IsVisible(launch, kAutorunMenu));
        EXPECT_EQ(gui::ItemText(launch, kAutorunMenu, 0), "（標準の自動実行）");
        EXPECT_EQ(gui::ControlText(launch, kQuestion),
                  "app.lzh の中にある setup.exe を実行しますか？");
        gui::Click(launch, kDoNotAskAgain);
        gui::Click(launch, kRun);
        EXPECT_EQ(child.Wait(), 0);
    }
    std::string ran = WaitForLog(log, 1);
    EXPECT_NE(ran.find("setup.exe"), std::string::npos) << ran;
    EXPECT_NE(ran.find(" /q"), std::string::npos) << ran;
    EXPECT_EQ(SafeRecords(), 2);

    // Unchanged: the next melt runs setup.exe without a question.
    EXPECT_EQ(Run("-d \"" + app + "\""), 0);
    std::string twice = WaitForLog(log, 2);
    std::string again = twice.substr(ran.size());
    EXPECT_NE(again.find("setup.exe"), std::string::npos) << twice;
    EXPECT_NE(again.find(" /q"), std::string::npos) << twice;

    // A changed setup.exe is asked about again; Cancel here leaves the folder alone.
    WriteFile(setup, ReadFile(setup) + "changed");
    ChildProcess child = Start("-d \"" + app + "\"");
    HWND launch = WaitForSafety(child);
    ASSERT_NE(launch, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
    EXPECT_TRUE(gui::IsVisible(launch, kAutorunMenu));
    gui::Click(launch, kCancel);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_TRUE(FileExists(setup));
    EXPECT_EQ(ReadFile(log), twice);
}

TEST_F(AutoOpenProgram, CancelledExtractionAnsweredYesStillAppliesTheRules) {
    std::string app = Download("app.lzh");
    ChildProcess child = Start("-d \"" + app + "\"", "cancel-after:1");
    auto box = gui::WaitForMessageBox("Quarvel", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
    gui::Answer(box, IDYES);
    // The one entry written is autorun.inf, and its rule asks first.
    HWND dialog = WaitForSafety(child);
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
    EXPECT_TRUE(FileExists(cache + "\\app-remnants\\autorun.inf"));
    gui::Click(dialog, kCancel);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_FALSE(FileExists(cache + "\\app-remnants"));
}

TEST_F(AutoOpenProgram, CancelOutsideTheCacheKeepsTheExtractedFolder) {
    // The destination's name begins with the cache's own: that alone puts it in no cache.
    std::string elsewhere = cache + "2";
    static Zent_Settings settings;
    std::string ini = dir / "prog\\dovetrim.ini";
    Zent_LoadSettings(&settings, ini.c_str());
    settings.MeltToOnDblClk = Zent_MeltTo_Std;
    snprintf(settings.StdMeltPath, sizeof settings.StdMeltPath, "%s", elsewhere.c_str());
    settings.DefActOnDblClk = Zent_DefAct_AutoFold;
    Zent_SaveSettings(&settings, ini.c_str());
    CreateDirectoryA(elsewhere.c_str(), nullptr);

    std::string app = Download("app.lzh");
    ChildProcess child = Start("-d \"" + app + "\"");
    HWND dialog = WaitForSafety(child);
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
    gui::Click(dialog, kCancel);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_TRUE(FileExists(elsewhere + "\\app\\setup.exe"));
    EXPECT_FALSE(FileExists(log));

    // Default action 0 shows a folder as a plain window.
    std::string report = Download("flat.lzh", "report.lzh");
    EXPECT_EQ(Run("-d \"" + report + "\""), 0);
    EXPECT_EQ(WaitForLog(log, 1), dir / "win\\explorer.exe \"" + elsewhere + "\\report\"\r\n");
}
