// Extractions in processes of their own (tests/tools/extractprobe.exe): the DLL's semaphore
// is free again however an extraction ends, extractions through one DLL run one after the
// other while different DLLs overlap, and parallel melts into one cache lose nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "folders/destination.h"
#include "folders/cachedb.h"
#include "lib/errors.h"
#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/test_folders.h"

using namespace testing_support;
using namespace gui;

namespace {

// A named semaphore held by the test itself, as another instance of the program would.
class HeldSemaphore {
public:
    explicit HeldSemaphore(const char* name) : handle_(CreateSemaphoreA(nullptr, 1, 1, name)) {
        held_ = WaitForSingleObject(handle_, 5000) == WAIT_OBJECT_0;
    }
    ~HeldSemaphore() {
        Release();
        CloseHandle(handle_);
    }
    bool Held() const { return held_; }
    void Release() {
        if (held_) ReleaseSemaphore(handle_, 1, nullptr);
        held_ = false;
    }

private:
    HANDLE handle_;
    bool held_;
};

bool StillRunning(DWORD pid) {
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (p == nullptr) return false;
    bool running = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
    CloseHandle(p);
    return running;
}

class ExtractionProcesses : public testing::Test {
protected:
    void SetUp() override {
        for (const char* sub : {"dl", "base", "cache"})
            CreateDirectoryA((dir / sub).c_str(), nullptr);
        base = dir / "base";
        cache = dir / "cache";
    }
    void TearDown() override { SetCurrentDirectoryA(BinDir().c_str()); }
    std::string Fixture(const std::string& name, const std::string& as = "") {
        std::string path = dir / ("dl\\" + (as.empty() ? name : as));
        CopyFileA((DataDir() + "\\" + name).c_str(), path.c_str(), FALSE);
        return path;
    }
    ChildProcess Start(const std::string& out, const std::string& archive, bool use_cache,
                       const Environment& env = {}, const std::string& cwd = "") {
        std::string args = "\"" + out + "\" \"" + archive + "\" \"" + base + "\" " +
                           (use_cache ? "\"" + cache + "\"" : std::string("-"));
        return StartProgram(BinPath("extractprobe.exe"), args, env, cwd);
    }
    // "CODE|MESSAGE|RESULT|SEMAPHORE" split up.
    static std::vector<std::string> Fields(const std::string& text) {
        std::vector<std::string> fields;
        size_t at = 0;
        for (size_t bar; (bar = text.find('|', at)) != std::string::npos; at = bar + 1)
            fields.push_back(text.substr(at, bar - at));
        fields.push_back(text.substr(at));
        return fields;
    }

    TempDir dir;
    std::string base, cache;
};

}  // namespace

// The child stays alive after its extraction, so a handle it leaked or a release it
// missed would still block the semaphore when the test looks.
TEST_F(ExtractionProcesses, SemaphoreIsFreeAfterEveryWayOut) {
    struct Case {
        const char* name;
        std::string archive;
        std::string stub;
        const char* semaphore;
        int code;
    };
    std::string lonely = dir / "lonely";
    CreateDirectoryA(lonely.c_str(), nullptr);
    CopyFileA(BinPath("extractprobe.exe").c_str(), (lonely + "\\extractprobe.exe").c_str(), FALSE);
    std::string bad = dir / "dl\\bad.rar";
    WriteFile(bad, "not a rar archive");
    const Case cases[] = {
        {"broken archive", Fixture("broken.lzh"), "", "UNLHA", Zent_Err_BrokenFileOrOldDLL},
        {"cancel", Fixture("flat.lzh"), "cancel-after:1", "UNLHA", Zent_Err_UserCancel},
        {"failing command", Fixture("flat.zip"), "fail:0x8012", "UNZIP", Errors_Unofficial},
        {"failing rar entry", Fixture("flat-store.rar"), "fail:18", "UNRAR", 18},
        {"raised in the probe", Fixture("compressed.rar"), "", "UNRAR", 12},
        {"rar open refused", bad, "", "UNRAR", Zent_Err_BrokenFileOrOldDLL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out = dir / "out.txt";
        DeleteFileA(out.c_str());
        std::string hold = "quarvel-probe-" + std::to_string(GetCurrentProcessId());
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, (hold + "-done").c_str());
        HANDLE go = CreateEventA(nullptr, TRUE, FALSE, (hold + "-go").c_str());
        ChildProcess child =
            Start(out, c.archive, false, {{"QUARVEL_PROBE_HOLD", hold}, {"ARCHIVER_STUB", c.stub}});
        ASSERT_EQ(WaitForSingleObject(done, 20000), WAIT_OBJECT_0);
        EXPECT_TRUE(SemaphoreFree(c.semaphore));
        SetEvent(go);
        EXPECT_EQ(child.Wait(), 0);
        CloseHandle(done);
        CloseHandle(go);
        std::vector<std::string> f = Fields(ReadFile(out));
        ASSERT_EQ(f.size(), 4u);
        EXPECT_EQ(f[0], std::to_string(c.code)) << f[1];
        EXPECT_EQ(f[3], "free");
    }

    // No archiver DLL beside the program: the load fails after the semaphore was taken.
    std::string out = dir / "out.txt";
    ASSERT_EQ(RunProgram(lonely + "\\extractprobe.exe",
                         "\"" + out + "\" \"" + Fixture("flat.lzh") + "\" \"" + base + "\" -", {},
                         lonely),
              0);
    std::vector<std::string> f = Fields(ReadFile(out));
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], std::to_string(Zent_Err_NotFoundDLL));
    EXPECT_EQ(f[1], "LHA 形式の解凍には UNLHA32.DLL が必要です。");
    EXPECT_EQ(f[3], "free");
    EXPECT_TRUE(SemaphoreFree("UNLHA"));
}

TEST_F(ExtractionProcesses, MissingRarVolumeIsAskedForOnceAndCancelStopsTheExtraction) {
    std::string first = Fixture("vol.part1.rar");
    Fixture("vol.part2.rar");
    std::string out = dir / "out.txt";
    ChildProcess child = Start(out, first, false);
    MessageBoxInfo box = WaitForMessageBox("Zent", child.Pid());
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_NE(box.text.find("vol.part3.rar の入っているディスクを入れてください。"),
              std::string::npos)
        << box.text;
    EXPECT_TRUE(HasButton(box, IDOK));
    EXPECT_TRUE(HasButton(box, IDCANCEL));
    // The missing part turns up while the box is open: OK tries again.
    Fixture("vol.part3.rar");
    EXPECT_TRUE(Answer(box, IDOK));
    ASSERT_EQ(child.Wait(), 0);
    std::vector<std::string> f = Fields(ReadFile(out));
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], "0") << f[1];
    EXPECT_TRUE(FileExists(base + "\\vol.part1\\b.txt"));

    DeleteFileA((dir / "dl\\vol.part3.rar").c_str());
    child = Start(out, first, false);
    box = WaitForMessageBox("Zent", child.Pid());
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_TRUE(Answer(box, IDCANCEL));
    ASSERT_EQ(child.Wait(), 0);
    f = Fields(ReadFile(out));
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], "15") << "a stopped volume set is no success";
    EXPECT_EQ(f[1], "Volume open error");
}

// The first LHA extraction is inside its slow command when the second starts: the second
// cannot end before the first has, since it waits on UNLHA for the whole command.
TEST_F(ExtractionProcesses, TwoExtractionsThroughOneDllRunOneAfterTheOther) {
    std::string log = dir / "calls.log";
    std::string one = Fixture("flat.lzh", "alpha.lzh"), two = Fixture("flat.lzh", "omega.lzh");
    ChildProcess a = Start(dir / "a.txt", one, false, {{"ARCHIVER_STUB", "slow:700,log:" + log}});
    HANDLE first = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, a.Pid());
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 1000 && ReadFile(log).find("\tUnlha\t") == std::string::npos; i++)
        if (WaitForSingleObject(first, 10) == WAIT_OBJECT_0) break;  // ended early: fails below
    ASSERT_NE(ReadFile(log).find("\tUnlha\t"), std::string::npos);
    EXPECT_FALSE(SemaphoreFree("UNLHA")) << "the command runs under the semaphore";

    ChildProcess b = Start(dir / "b.txt", two, false);
    HANDLE second = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, b.Pid());
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(b.Wait(), 0);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0) << "the second ended first";
    ASSERT_EQ(a.Wait(), 0);
    FILETIME created, ended_a, ended_b, kernel, user;
    GetProcessTimes(first, &created, &ended_a, &kernel, &user);
    GetProcessTimes(second, &created, &ended_b, &kernel, &user);
    EXPECT_LE(CompareFileTime(&ended_a, &ended_b), 0);
    CloseHandle(first);
    CloseHandle(second);
    EXPECT_EQ(Fields(ReadFile(dir / "a.txt"))[0], "0");
    EXPECT_EQ(Fields(ReadFile(dir / "b.txt"))[0], "0");
    EXPECT_TRUE(FileExists(base + "\\alpha\\b.txt"));
    EXPECT_TRUE(FileExists(base + "\\omega\\b.txt"));
}

TEST_F(ExtractionProcesses, ExtractionsThroughDifferentDllsOverlap) {
    std::string lzh = Fixture("flat.lzh"), zip = Fixture("flat.zip");
    HeldSemaphore lha("UNLHA");
    ASSERT_TRUE(lha.Held());
    ChildProcess l = Start(dir / "l.txt", lzh, false);
    ChildProcess z = Start(dir / "z.txt", zip, false);
    ASSERT_EQ(z.Wait(), 0) << "the ZIP extraction does not wait for the LHA one";
    EXPECT_TRUE(FileExists(base + "\\flat\\a.txt"));
    EXPECT_TRUE(StillRunning(l.Pid())) << "the LHA extraction waits on UNLHA";
    lha.Release();
    ASSERT_EQ(l.Wait(), 0);
    EXPECT_EQ(Fields(ReadFile(dir / "l.txt"))[0], "0");
}

// The LHA melt loads the database, then stays in its slow command while the ZIP melt of an
// archive of the same name loads, adds and writes back. Neither entry may be lost, and the
// two must not share a working folder.
TEST_F(ExtractionProcesses, ParallelMeltsIntoOneCacheKeepBothEntriesAndFolders) {
    std::string lzh = Fixture("flat.lzh", "report.lzh"), zip = Fixture("flat.zip", "report.zip");
    std::string log = dir / "calls.log";
    ChildProcess l, z;
    {
        HeldSemaphore unzip("UNZIP");
        ASSERT_TRUE(unzip.Held());
        z = Start(dir / "z.txt", zip, true);
        l = Start(dir / "l.txt", lzh, true,
                  {{"ARCHIVER_STUB", "dll:UNLHA32.DLL,slow:1500,log:" + log}});
        // The LHA command is logged once the database is loaded and the entry added.
        HANDLE lha = OpenProcess(SYNCHRONIZE, FALSE, l.Pid());
        for (int i = 0; i < 1000 && ReadFile(log).find("\tUnlha\t") == std::string::npos; i++)
            if (WaitForSingleObject(lha, 10) == WAIT_OBJECT_0) break;  // ended early: fails below
        CloseHandle(lha);
        ASSERT_NE(ReadFile(log).find("\tUnlha\t"), std::string::npos);
    }
    ASSERT_EQ(z.Wait(), 0);
    EXPECT_TRUE(StillRunning(l.Pid())) << "the melts did not overlap";
    ASSERT_EQ(l.Wait(), 0);
    std::vector<std::string> fl = Fields(ReadFile(dir / "l.txt")),
                             fz = Fields(ReadFile(dir / "z.txt"));
    ASSERT_EQ(fl.size(), 4u);
    ASSERT_EQ(fz.size(), 4u);
    EXPECT_EQ(fl[0], "0");
    EXPECT_EQ(fz[0], "0");
    EXPECT_NE(fl[2], fz[2]);
    EXPECT_TRUE(FileExists(fl[2] + "\\a.txt"));
    EXPECT_TRUE(FileExists(fz[2] + "\\a.txt"));

    static char area[CacheDB_AreaSize];
    CacheDB db;
    CacheDB_Open(&db, (cache + "\\cache-db.ini").c_str(), area, sizeof area);
    EXPECT_EQ(CacheDB_Count(&db), 2);
    CacheDB_Close(&db);
    // Both are known: melting again reuses each folder.
    for (const std::string* archive : {&lzh, &zip}) {
        char folder[260] = "";
        EXPECT_EQ(CatchRaise([&] {
                      Zent_ExtractIntoBase(archive->c_str(), cache.c_str(), folder, true,
                                           cache.c_str(), nullptr);
                  }).code,
                  0);
        EXPECT_EQ(std::string(folder), archive == &lzh ? fl[2] : fz[2]);
    }
}
