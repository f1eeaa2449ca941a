// dovetrim.exe melting an archive as a double click or a drop starts it (the fixture is in
// melt_fixture.h).
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "lib/handles.h"
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

// Archives made by real tools in the methods they use (see tests/data/README.md): the
// working folder holds what bsdtar -x gives (dpkg-deb -x for packages), file for file and
// byte for byte. A package's names begin with "./"; its two folders etc and usr go into a
// folder named after the package.
struct RealArchive {
    const char* fixture;
    const char* folder;  // the working folder below the cache
    const char* skip;    // what the reference has that no Windows archiver writes, or ""
};

class MeltRealArchives : public MeltProgram, public testing::WithParamInterface<RealArchive> {};

TEST_P(MeltRealArchives, WorkingFolderHoldsWhatTheLinuxToolsExtract) {
    const RealArchive& c = GetParam();
    std::string fixture = c.fixture;
    bool deb = fixture.substr(fixture.size() - 4) == ".deb";
    std::string path = Download(fixture);
    EXPECT_EQ(Run("-d \"" + path + "\""), 0);
    std::string folder = cache + "\\" + c.folder;
    // The reference goes into $t. When it is a single top folder, the working folder is
    // the one of its name (Wine's Linux name is the same UTF-8); otherwise the named one.
    // The shell's command line is quoted with double quotes: none inside it, and no word
    // splitting (IFS empty) for the paths with blanks.
    std::string unpack = deb ? "dpkg-deb -x '" + UnixPath(path) + "' $t"
                             : "bsdtar -xf '" + UnixPath(path) + "' -C $t";
    EXPECT_EQ(RunLinuxShell("export LC_ALL=C.UTF-8; IFS=; t=$(mktemp -d) && " + unpack +
                            " && d=$t && w='" + UnixPath(folder) +
                            "' && set -- $t/* && if [ $# = 1 ] && [ -d $1 ]; then d=$1; w='" +
                            UnixPath(cache) + "'/$(basename $1); fi && diff -r " +
                            (c.skip[0] ? std::string("-x ") + c.skip : "") +
                            " $d $w; rc=$?; rm -rf $t; (exit $rc)"),
              0)
        << fixture;
    std::string shown = WaitForLog(log, 1);
    EXPECT_NE(shown.find("/e,/root,\"" + folder + "\"\r\n"), std::string::npos) << shown;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, MeltRealArchives,
    testing::Values(
        RealArchive{"doc-top.tar.bz2", "doc", ""}, RealArchive{"doc-top.tar.Z", "doc", ""},
        RealArchive{"doc-top.tar.xz", "doc", ""}, RealArchive{"doc-top.txz", "doc", ""},
        RealArchive{"doc-top-gz.deb", "doc-top-gz", ""},
        RealArchive{"doc-top-xz.deb", "doc-top-xz", ""},
        RealArchive{"doc-top-bzip2.zip", "doc", ""}, RealArchive{"doc-top-lzma.zip", "doc", ""},
        RealArchive{"doc-top-xz.zip", "doc", ""}, RealArchive{"doc-top-ppmd.7z", "doc", ""},
        RealArchive{"doc-top-bzip2.7z", "doc", ""}, RealArchive{"doc-top-deflate.7z", "doc", ""},
        RealArchive{"sjis-names.7z", "資料", ""}, RealArchive{"sjis-names.cab", "資料", ""},
        RealArchive{"lzx.cab", "lzx", ""}, RealArchive{"doc-top-lh7.lzh", "doc", ""},
        RealArchive{"compressed-rar4.rar", "compressed-rar4", "testlink"},
        RealArchive{"rar5-compressed.rar", "rar5-compressed", ""},
        RealArchive{"lha-level3.lzh", "lha-level3", ""},
        RealArchive{"lha-lh6.lzh", "lha-lh6", "symlink*"}),
    [](const testing::TestParamInfo<RealArchive>& info) {
        std::string name = info.param.fixture;
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

// ---- Failure paths -------------------------------------------------------------------

namespace {

const char kWaitCaption[] = "待機中 - Quarvel SV";

// A handle on a named semaphore, as any other running program may keep one: a count left
// taken then stays taken. Closed however the test ends.
struct SemaphoreHandle {
    explicit SemaphoreHandle(const char* name) : handle(CreateSemaphoreA(nullptr, 1, 1, name)) {}
    ~SemaphoreHandle() { CloseHandle(handle); }
    HANDLE handle;
};

}  // namespace

// A melt that fails while it holds UNLHA and Zent_CacheDB (its cache database is over
// full) ends with code 14; a second melt that started meanwhile still finishes. The test
// keeps a handle on both semaphores, as any other running program may, so a count left
// taken would stay taken.
TEST_F(MeltProgram, FailedMeltEndsWith14AndTheNextOneStillRuns) {
    SemaphoreHandle unlha("UNLHA"), database("Zent_CacheDB");
    CreateDirectoryA(cache.c_str(), nullptr);
    std::string lines = "[main] \r\n";
    for (int i = 0; i < 1025; i++)
        lines += "File = " + archive + ", 2004/08/26-14:30:58, 1, 2, " + cache + "\\f" +
                 std::to_string(i) + ", 0\r\n";
    WriteFile(cache + "\\cache-db.ini", lines + " \r\n");

    CreateDirectoryA((dir / "prog2").c_str(), nullptr);
    for (const char* name : kProgramFiles)
        CopyFileA(BinPath(name).c_str(), (dir / "prog2\\" + name).c_str(), FALSE);
    static Zent_Settings settings;
    std::string ini = dir / "prog2\\dovetrim.ini";
    Zent_LoadSettings(&settings, ini.c_str());
    snprintf(settings.CachePath, sizeof settings.CachePath, "%s", (dir / "cache2").c_str());
    Zent_SaveSettings(&settings, ini.c_str());

    ChildProcess first = Start("-o \"" + archive + "\"");
    auto box = gui::WaitForMessageBox("エラーメッセージ", first.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << first.Wait(1000);
    ChildProcess second = StartProgram(dir / "prog2\\dovetrim.exe",
                                       "-o \"" + Download("flat.lzh") + "\"", Env(), dir / "cwd");
    gui::Answer(box, IDOK);
    EXPECT_EQ(first.Wait(), 14);
    EXPECT_EQ(second.Wait(15000), 0);
    EXPECT_TRUE(FileExists(dir / "cache2\\flat\\a.txt"));
    EXPECT_TRUE(SemaphoreFree("UNLHA"));
    EXPECT_TRUE(SemaphoreFree("Zent_CacheDB"));
}

// A melt killed while it holds UNLHA leaves the count taken for as long as anyone keeps the
// semaphore open. The next melt does not wait blind: after a moment a window says what it
// waits for; Cancel ends the melt quietly, and once the DLL is free the melt goes on.
TEST_F(MeltProgram, KilledHolderOfTheDllNeverBlocksTheNextMeltUnseen) {
    SemaphoreHandle unlha("UNLHA");
    ChildProcess holder = Start("-o \"" + archive + "\"", "slow:20000");
    HANDLE killed = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, holder.Pid());
    ASSERT_NE(killed, nullptr);
    // The command is logged once the semaphore is taken.
    for (int i = 0; i < 2000 && ReadFile(calls).find("\tUnlha\t") == std::string::npos; i++)
        if (WaitForSingleObject(killed, 10) == WAIT_OBJECT_0) break;  // ended early: fails below
    ASSERT_NE(ReadFile(calls).find("\tUnlha\t"), std::string::npos);
    ASSERT_TRUE(TerminateProcess(killed, 1));
    WaitForSingleObject(killed, 5000);
    CloseHandle(killed);
    ASSERT_FALSE(SemaphoreFree("UNLHA")) << "the killed holder left the count taken";

    std::string report = Download("flat.lzh", "report.lzh");
    ChildProcess waiting = Start("-o \"" + report + "\"");
    HWND window = gui::WaitForWindow(kWaitCaption, waiting.Pid());
    ASSERT_NE(window, nullptr) << "exit " << waiting.Wait(1000);
    EXPECT_NE(gui::ControlText(window, 1210).find("UNLHA32.DLL"), std::string::npos)
        << gui::ControlText(window, 1210);
    gui::Click(window, IDCANCEL);
    EXPECT_EQ(waiting.Wait(), 0);
    EXPECT_FALSE(FileExists(cache + "\\report"));

    ChildProcess again = Start("-o \"" + report + "\"");
    window = gui::WaitForWindow(kWaitCaption, again.Pid());
    ASSERT_NE(window, nullptr) << "exit " << again.Wait(1000);
    ReleaseSemaphore(unlha.handle, 1, nullptr);  // what the holder would have done
    EXPECT_EQ(again.Wait(), 0);
    EXPECT_TRUE(FileExists(cache + "\\report\\a.txt"));
    EXPECT_NE(WaitForLog(log, 1).find(cache + "\\report\""), std::string::npos);
}

// Outside the cache a folder of the archive's name may be the user's own: a cancel neither
// renames it nor offers to delete it.
TEST_F(MeltProgram, CancelBesideTheUsersOwnFolderNeitherMovesNorDeletesIt) {
    Configure(Zent_DefAct_AutoFold, Zent_MeltTo_Here);
    CreateDirectoryA((dir / "dl\\doc").c_str(), nullptr);
    WriteFile(dir / "dl\\doc\\mine.txt", "the user's");
    ChildProcess child = Start("-d \"" + archive + "\"", "cancel-after:1");
    auto box = gui::WaitForMessageBox("Quarvel", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000);
    gui::Answer(box, IDNO);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(ReadFile(dir / "dl\\doc\\mine.txt"), "the user's");
    EXPECT_FALSE(FileExists(dir / "dl\\doc-remnants"));
}

// A cancel in the DLL's window is the user's choice in every melt form: no error box.
TEST_F(MeltProgram, CancelInTheDllEndsOpenFolderAndExtractOnlyQuietly) {
    EXPECT_EQ(Start("-o \"" + archive + "\"", "cancel-after:1").Wait(10000), 0);
    Configure(Zent_DefAct_None, Zent_MeltTo_Cache);
    EXPECT_EQ(Start("-d \"" + archive + "\"", "cancel-after:1").Wait(10000), 0);
    EXPECT_FALSE(FileExists(log));
}

// A kill in the middle of the database's write-back leaves the previous file whole. The
// kill is the Linux file-size limit, set on the running melt while its slow command runs
// (the database is loaded then, the write-back still to come): the signal ends the process
// at its first write past 4096 bytes.
TEST_F(MeltProgram, WriteBackCutShortLeavesTheDatabaseWhole) {
    Configure(Zent_DefAct_None, Zent_MeltTo_Cache);
    CreateDirectoryA(cache.c_str(), nullptr);
    std::string lines = "[main] \r\n";
    for (int i = 0; i < 60; i++) {
        std::string old = dir / "dl\\old-archive-" + std::to_string(i) + ".lzh";
        WriteFile(old, "x");
        lines += "File = " + old + ", 2004/08/26-14:30:58, 1, 120, " + cache + "\\old-archive-" +
                 std::to_string(i) + ", 0\r\n";
    }
    std::string before = lines + " \r\n";
    std::string db = cache + "\\cache-db.ini";
    WriteFile(db, before);
    std::string lone = Download("lone-doc.zip");
    ChildProcess child = Start("-d \"" + lone + "\"", "slow:3000");
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, child.Pid());
    ASSERT_NE(process, nullptr);
    for (int i = 0; i < 2000 && ReadFile(calls).find("\tUnZip\t") == std::string::npos; i++)
        if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0) break;  // ended early: fails below
    CloseHandle(process);
    ASSERT_NE(ReadFile(calls).find("\tUnZip\t"), std::string::npos);
    // The melt's Linux process shows its Windows command line, which names this test's folder;
    // the brackets keep the shell's own command line from matching.
    std::string folder = dir.Path().substr(dir.Path().rfind('\\') + 1);
    std::string pattern = "[" + folder.substr(0, 1) + "]" + folder.substr(1) + ".dl.lone-doc";
    ASSERT_EQ(RunLinuxShell("prlimit --fsize=4096 --pid $(pgrep -f '" + pattern + "')"), 0);
    child.Wait();
    // Some file of the cache stopped at the limit: the write-back was cut short.
    bool cut = false;
    for (Own_Find find((cache + "\\*").c_str()); find.Next();)
        cut = cut || find.Data().nFileSizeLow == 4096;
    EXPECT_TRUE(cut) << "the write-back was to be cut short\n" << ReadFile(calls);
    EXPECT_EQ(ReadFile(db), before);
    EXPECT_TRUE(SemaphoreFree("Zent_CacheDB"));
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
    // The recorder that ran as setup.exe may still be ending: its file cannot be written
    // while it runs.
    std::string changed = ReadFile(setup) + "changed";
    ASSERT_TRUE(gui::WaitUntil([&] {
        WriteFile(setup, changed);
        return ReadFile(setup) == changed;
    }));
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

// The second double click on an unchanged archive reuses its working folder, edits and
// all: Cancel on the question deletes only a folder that this melt extracted.
TEST_F(AutoOpenProgram, CancelOnAReusedWorkingFolderKeepsTheEdits) {
    std::string app = Download("app.lzh");
    std::string folder = cache + "\\app";
    EXPECT_EQ(Run("-o \"" + app + "\""), 0);
    WriteFile(folder + "\\notes.txt", "the user's edit");
    ChildProcess child = Start("-d \"" + app + "\"");
    HWND dialog = WaitForSafety(child);
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000) << "\n" << ReadFile(log);
    gui::Click(dialog, kCancel);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(ReadFile(folder + "\\notes.txt"), "the user's edit");
    EXPECT_TRUE(FileExists(folder + "\\autorun.inf"));
    EXPECT_EQ(Extractions(), 1);
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
