#include "lib/filex.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/test_folders.h"

using testing_support::CatchRaise;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

std::string CurrentDir() {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    return cwd;
}

// Runs the test body in another current directory and returns to the old one afterwards.
class InDir {
public:
    explicit InDir(const std::string& dir) : saved_(CurrentDir()) {
        SetCurrentDirectoryA(dir.c_str());
    }
    ~InDir() { SetCurrentDirectoryA(saved_.c_str()); }

private:
    std::string saved_;
};

FILETIME WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info);
    return info.ftLastWriteTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// 2001-02-03 04:05:06.5 UTC: half a second shows whether the copy keeps the exact time.
void SetOldTime(const std::string& path) {
    SYSTEMTIME st = {2001, 2, 0, 3, 4, 5, 6, 500};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    HANDLE h =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

struct ProgressLog {
    std::vector<std::pair<unsigned long, unsigned long>> calls;
    static void Record(void* user, unsigned long done, unsigned long total) {
        static_cast<ProgressLog*>(user)->calls.emplace_back(done, total);
    }
};

}  // namespace

TEST(FileXOpen, MissingFolderAndUnwritableFileHaveTheirOwnMessages) {
    TempDir dir;
    std::string path = dir / "nodir\\x.txt";
    auto caught = CatchRaise([&] { FileX_Open(path.c_str(), "wb"); });
    EXPECT_EQ(caught.code, FileX_Err_CannotWriteOpen);
    EXPECT_EQ(caught.message,
              "ファイルを格納するフォルダが無いので、ファイル \"" + path + "\" が書きこめません");

    // The folder exists, but the name is taken by a folder.
    CreateDirectoryA((dir / "taken").c_str(), nullptr);
    std::string taken = dir / "taken";
    caught = CatchRaise([&] { FileX_Open(taken.c_str(), "wb"); });
    EXPECT_EQ(caught.code, FileX_Err_CannotWriteOpen);
    EXPECT_EQ(caught.message, "ファイル \"" + taken + "\" が書きこめません");
}

// A path past the 259 characters the ANSI calls take is refused, never opened cut short:
// cut, it names another file.
TEST(FileXOpen, PathTooLongIsRefusedNeverShortened) {
    TempDir dir;
    std::string cut = dir / std::string(259 - dir.Path().size() - 1, 'n');
    ASSERT_EQ(cut.size(), 259u);
    std::string path = cut + ".txt";
    for (const char* mode : {"wb", "rb"}) {
        SCOPED_TRACE(mode);
        auto caught = CatchRaise([&] { fclose(FileX_Open(path.c_str(), mode)); });
        EXPECT_EQ(caught.code, StrX_Err_TooLongPath);
        EXPECT_EQ(caught.message, "パスが長すぎます（" + path + "）");
        EXPECT_FALSE(FileExists(cut));
    }
}

TEST(FileXOpen, MissingFileNamesTheCurrentFolder) {
    TempDir dir;
    InDir in(dir.Path());
    auto caught = CatchRaise([] { FileX_Open("x.txt", "rb"); });
    EXPECT_EQ(caught.code, FileX_Err_CannotReadOpen);
    EXPECT_EQ(caught.message, "ファイル \"x.txt\" が見つかりません\nカレント＝" + CurrentDir());
}

TEST(FileXOpen, OpensDoubleByteNames) {
    TempDir dir;
    std::string path = dir / "表示.txt";
    FILE* f = FileX_Open(path.c_str(), "wt");
    fputs("a\n", f);
    fclose(f);
    EXPECT_EQ(ReadFile(path), "a\r\n");
}

TEST(FileXExists, TooManyParentStepsMeanNothingIsThere) {
    TempDir dir;
    WriteFile(dir / "f.txt", "x");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    WriteFile(dir / "x..y.txt", "x");
    InDir in(dir.Path());
    EXPECT_TRUE(FileX_Exists("sub\\..\\f.txt"));
    EXPECT_TRUE(FileX_Exists("f.txt"));
    EXPECT_TRUE(FileX_Exists("x..y.txt"));  // dots inside a name are no parent step
    EXPECT_FALSE(FileX_Exists("sub\\..\\none.txt"));
    std::string many;
    for (int i = 0; i < 30; i++) many += "..\\";
    many += "f.txt";
    auto caught = CatchRaise([&] { EXPECT_FALSE(FileX_Exists(many.c_str())); });
    EXPECT_EQ(caught.code, 0);
    EXPECT_FALSE(FileX_Exists("C:\\..\\..\\f.txt"));
}

TEST(FileXIsDir, TrailingSeparatorsAndDoubleByteNames) {
    TempDir dir;
    CreateDirectoryA((dir / "表").c_str(), nullptr);
    CreateDirectoryA((dir / "ソ").c_str(), nullptr);
    WriteFile(dir / "表示.txt", "x");
    EXPECT_TRUE(FileX_IsDir((dir / "表").c_str()));
    EXPECT_TRUE(FileX_IsDir((dir / "表\\").c_str()));
    EXPECT_TRUE(FileX_IsDir((dir / "ソ/").c_str()));
    EXPECT_TRUE(FileX_IsDir((dir.Path() + "\\\\").c_str()));
    EXPECT_FALSE(FileX_IsDir((dir / "表示.txt").c_str()));
    EXPECT_FALSE(FileX_IsDir((dir / "none").c_str()));
    EXPECT_TRUE(FileX_IsDir("Y:"));  // a bare drive counts without asking the disk
    EXPECT_TRUE(FileX_IsDir("C:\\"));
    EXPECT_FALSE(FileX_IsDir(""));
}

TEST(FileXStat, TimeSizeAndChecksum) {
    TempDir dir;
    std::string path = dir / "ソフト.bin";
    WriteFile(path, std::string(9, '\x01') + "\xff");
    EXPECT_EQ(FileX_Size(path.c_str()), 10u);
    EXPECT_EQ(FileX_Size((dir / "none").c_str()), 0u);
    // Byte k counts shifted left by k mod 7: 1+2+4+...+64, then 1, 2, then 0xff << 2.
    EXPECT_EQ(FileX_Checksum(path.c_str(), 10), 127u + 1 + 2 + (0xffu << 2));
    EXPECT_EQ(FileX_Checksum(path.c_str(), 3), 7u);
    EXPECT_EQ(FileX_Checksum(path.c_str(), 4096), FileX_Checksum(path.c_str(), 10));
    SetOldTime(path);
    time_t t = 0;
    FileX_Time(path.c_str(), &t);
    EXPECT_EQ(t, 981173106);  // 2001-02-03 04:05:06 UTC
    EXPECT_EQ(CatchRaise([&] { FileX_Checksum((dir / "none").c_str(), 1); }).code,
              FileX_Err_CannotReadOpen);
}

TEST(FileXStat, UnreadableTimeReportsErrnoThenRaises) {
    TempDir dir;
    InDir in(dir.Path());
    std::string box_text;
    // The errno report is a user-facing box; answer it as a user would.
    std::thread user([&] {
        gui::MessageBoxInfo box = gui::WaitForMessageBox("エラーメッセージ", GetCurrentProcessId());
        box_text = box.text;
        gui::Answer(box, IDOK);
    });
    auto caught = CatchRaise([] {
        time_t t;
        FileX_Time("none.txt", &t);
    });
    user.join();
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(caught.message, "error");
    EXPECT_EQ(box_text, "errno = 2 : ENOENT   ファイルまたはディレクトリがない。");
    EXPECT_EQ(ReadFile(dir / "errlog4.txt"),
              "errno = 2 : ENOENT   ファイルまたはディレクトリがない。\r\n");
}

// A reader of the target (opened as fopen opens, without sharing the delete) holds the
// replace off; it goes through once the reader is done, and fails only if the reader stays.
TEST(FileXReplace, WaitsForAReaderOfTheTarget) {
    TempDir dir;
    std::string target = dir.Path() + "\\dovetrim.ini", part = dir.Path() + "\\new.tmp";
    WriteFile(target, "old");
    WriteFile(part, "new");
    HANDLE reader = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileX_Replace(target.c_str(), part.c_str()));
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(ReadFile(part), "new");
    // The reader lets go while the replace is being tried again.
    std::thread done([&] {
        Sleep(300);
        CloseHandle(reader);
    });
    EXPECT_TRUE(FileX_Replace(target.c_str(), part.c_str()));
    done.join();
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_FALSE(FileExists(part));
}

TEST(FileXCompare, AllFiveResults) {
    TempDir dir;
    std::string a = dir / "a", b = dir / "b", c = dir / "c", d = dir / "d", none = dir / "none";
    WriteFile(a, Bytes(512));
    WriteFile(b, Bytes(512));
    std::string changed = Bytes(512);
    changed[511] ^= 1;
    WriteFile(c, changed);
    WriteFile(d, Bytes(300));
    EXPECT_EQ(FileX_Compare(a.c_str(), a.c_str()), 0);
    EXPECT_EQ(FileX_Compare(a.c_str(), b.c_str()), 0);
    EXPECT_EQ(FileX_Compare(a.c_str(), c.c_str()), 1);
    EXPECT_EQ(FileX_Compare(a.c_str(), d.c_str()), 1);  // same first 300 bytes, longer
    EXPECT_EQ(FileX_Compare(none.c_str(), a.c_str()), -1);
    EXPECT_EQ(FileX_Compare(a.c_str(), none.c_str()), -2);
    EXPECT_EQ(FileX_Compare(none.c_str(), none.c_str()), -3);
}

TEST(FileXNumberedName, FirstFreeNumber) {
    TempDir dir;
    WriteFile(dir / "Split1.ini", "");
    char out[260];
    FileX_NumberedName(dir.Path().c_str(), "Split", "ini", out);
    EXPECT_EQ(std::string(out), dir / "Split2.ini");
    FileX_NumberedName((dir.Path() + "\\").c_str(), "Split", "ini", out);
    EXPECT_EQ(std::string(out), dir / "Split2.ini");
    FileX_NumberedName(nullptr, "quarvel-numbered-", "tmp", out);
    char temp[260];
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    EXPECT_EQ(std::string(out).rfind(temp, 0), 0u) << out;
}

TEST(FileXCopy, CopiesInKilobyteBlocksKeepingAttributesAndTime) {
    TempDir dir;
    std::string src = dir / "表示.bin";
    WriteFile(src, Bytes(2500));
    SetOldTime(src);
    SetFileAttributesA(src.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    std::string dst = dir / "new\\ソフト\\copy.bin";
    ProgressLog log;
    FileX_CopyProgress(dst.c_str(), src.c_str(), ProgressLog::Record, &log);
    EXPECT_EQ(ReadFile(dst), Bytes(2500));
    std::vector<std::pair<unsigned long, unsigned long>> expected = {
        {0, 2500}, {1024, 2500}, {2048, 2500}, {2500, 2500}};
    EXPECT_EQ(log.calls, expected);
    EXPECT_EQ(Attributes(dst), Attributes(src));
    EXPECT_TRUE(SameTime(WriteTime(dst), WriteTime(src)));
}

TEST(FileXCopy, ExactBlockMultipleEndsWithAnEmptyBlock) {
    TempDir dir;
    WriteFile(dir / "a", Bytes(2048));
    ProgressLog log;
    FileX_CopyProgress((dir / "b").c_str(), (dir / "a").c_str(), ProgressLog::Record, &log);
    EXPECT_EQ(ReadFile(dir / "b"), Bytes(2048));
    ASSERT_EQ(log.calls.size(), 4u);
    EXPECT_EQ(log.calls.back().first, 2048u);
    WriteFile(dir / "empty", "");
    log.calls.clear();
    FileX_CopyProgress((dir / "empty2").c_str(), (dir / "empty").c_str(), ProgressLog::Record,
                       &log);
    EXPECT_TRUE(FileExists(dir / "empty2"));
    EXPECT_EQ(ReadFile(dir / "empty2"), "");
    std::vector<std::pair<unsigned long, unsigned long>> expected = {{0, 0}, {0, 0}};
    EXPECT_EQ(log.calls, expected);
}

TEST(FileXCopy, MissingSourceRaisesBeforeAnythingIsWritten) {
    TempDir dir;
    std::string src = dir / "none.bin";
    std::string dst = dir / "out\\x.bin";
    auto caught = CatchRaise([&] { FileX_Copy(dst.c_str(), src.c_str()); });
    EXPECT_EQ(caught.code, FileX_Err_NotFindCopySrc);
    EXPECT_EQ(caught.message, "コピー元が見つかりません " + src);
    EXPECT_FALSE(FileExists(dir / "out"));
}

TEST(FileXCopy, UncreatableDestinationRaisesErrno) {
    TempDir dir;
    WriteFile(dir / "a", "x");
    CreateDirectoryA((dir / "taken").c_str(), nullptr);
    auto caught = CatchRaise([&] { FileX_Copy((dir / "taken").c_str(), (dir / "a").c_str()); });
    EXPECT_EQ(caught.code, Errors_Err_Errno);
}

// A read that stops before the end is a failure, never the end of the file: a source that
// another program cuts short during the copy, and one whose reads fail as a bad sector's
// would.
TEST(FileXCopy, ReadThatStopsShortIsNoEndOfFile) {
    TempDir dir;
    std::string src = dir / "src";
    WriteFile(src, Bytes(65536));
    struct Cutter {
        std::string path;
        static void Cut(void* user, unsigned long done, unsigned long) {
            if (done != 1024) return;
            HANDLE h =
                CreateFileA(static_cast<Cutter*>(user)->path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            SetFilePointer(h, 10000, nullptr, FILE_BEGIN);
            SetEndOfFile(h);
            CloseHandle(h);
        }
    } cutter{src};
    std::string dst = dir / "dst";
    auto caught =
        CatchRaise([&] { FileX_CopyProgress(dst.c_str(), src.c_str(), Cutter::Cut, &cutter); });
    EXPECT_EQ(caught.code, FileX_Err_CannotRead);
    EXPECT_EQ(caught.message, src + " の読みこみに失敗しました。");
    EXPECT_FALSE(FileExists(dst));

    // The process's own memory read from offset 0, which no mapping covers: every read of
    // it fails with an I/O error.
    const char* failing = "Z:\\proc\\self\\mem";
    std::vector<std::pair<const char*, std::function<void()>>> reads = {
        {"copy", [&] { FileX_Copy(dst.c_str(), failing); }},
        {"range", [&] { FileX_CopyRange(dst.c_str(), failing, 0, 100, nullptr, nullptr); }},
        // Of equal sizes, so that the content has to be read.
        {"compare", [&] { FileX_Compare(failing, failing); }},
        {"checksum", [&] { FileX_Checksum(failing, 100); }}};
    for (const auto& read : reads) {
        SCOPED_TRACE(read.first);
        caught = CatchRaise(read.second);
        EXPECT_EQ(caught.code, FileX_Err_CannotRead);
        EXPECT_EQ(caught.message, std::string(failing) + " の読みこみに失敗しました。");
        EXPECT_FALSE(FileExists(dst));
    }
}

TEST(FileXCopyRange, StartEndAndToTheEnd) {
    TempDir dir;
    std::string src = dir / "src";
    WriteFile(src, Bytes(3000));
    ProgressLog log;
    EXPECT_EQ(
        FileX_CopyRange((dir / "mid").c_str(), src.c_str(), 100, 1300, ProgressLog::Record, &log),
        1200);
    EXPECT_EQ(ReadFile(dir / "mid"), Bytes(3000).substr(100, 1200));
    std::vector<std::pair<unsigned long, unsigned long>> expected = {
        {0, 1200}, {1024, 1200}, {1200, 1200}};
    EXPECT_EQ(log.calls, expected);

    EXPECT_EQ(FileX_CopyRange((dir / "tail").c_str(), src.c_str(), 2000, -1, nullptr, nullptr),
              1000);
    EXPECT_EQ(ReadFile(dir / "tail"), Bytes(3000).substr(2000));
    // As much as fits: the disk holds all of it.
    EXPECT_EQ(FileX_CopyRange((dir / "fit\\all").c_str(), src.c_str(), 0, -2, nullptr, nullptr),
              3000);
    EXPECT_EQ(ReadFile(dir / "fit\\all"), Bytes(3000));
    EXPECT_EQ(CatchRaise([&] {
                  FileX_CopyRange((dir / "x").c_str(), (dir / "none").c_str(), 0, -1, nullptr,
                                  nullptr);
              }).code,
              FileX_Err_CannotReadOpen);
}

TEST(FileXMakeDirs, CreatesEveryMissingLevel) {
    TempDir dir;
    std::string deep = dir / "ソフト\\表示\\c";
    FileX_MakeDirs(deep.c_str(), false);
    EXPECT_TRUE(FileX_IsDir(deep.c_str()));
    EXPECT_TRUE(FileX_IsDir((dir / "ソフト").c_str()));
    FileX_MakeDirs(deep.c_str(), false);  // existing folders are fine
    std::string file = dir / "p\\q\\file.txt";
    FileX_MakeDirs(file.c_str(), true);
    EXPECT_TRUE(FileX_IsDir((dir / "p\\q").c_str()));
    EXPECT_FALSE(FileExists(file));
    InDir in(dir.Path());
    FileX_MakeDirs("rel\\表", false);
    EXPECT_TRUE(FileX_IsDir((dir / "rel\\表").c_str()));
}

TEST(FileXDiskSpace, FiguresOfTheDrive) {
    TempDir dir;
    WriteFile(dir / "one", "x");
    FileX_DiskSpace space;
    FileX_GetDiskSpace(&space, dir.Path().substr(0, 3).c_str());
    ASSERT_NE(FileX_ClusterSize(&space), 0u);
    EXPECT_LE(FileX_FreeBytes(&space), FileX_TotalBytes(&space));
    EXPECT_GT(FileX_FreeBytes(&space), 0u);
    unsigned long cluster = FileX_ClusterSize(&space);
    EXPECT_EQ(FileX_ClustersFor(&space, 1), 1u);
    EXPECT_EQ(FileX_ClustersFor(&space, cluster), 1u);
    EXPECT_EQ(FileX_ClustersFor(&space, cluster + 1ull), 2u);
    EXPECT_EQ(FileX_SpaceTaken(&space, (dir / "one").c_str()), cluster);
    EXPECT_EQ(FileX_SpaceTaken(&space, (dir / "none").c_str()), 0u);
    FileX_GetDiskSpace(&space, "no such root");
    EXPECT_EQ(space.sectors_per_cluster + space.bytes_per_sector + space.free_clusters +
                  space.total_clusters,
              0u);
}

// --- Trees ---

namespace {

void MakeSampleTree(const std::string& root) {
    FileX_MakeDirs((root + "\\ソフト\\表示").c_str(), false);
    FileX_MakeDirs((root + "\\empty").c_str(), false);
    WriteFile(root + "\\top.txt", "top");
    WriteFile(root + "\\ソフト\\表.txt", "hyou");
    WriteFile(root + "\\ソフト\\表示\\deep.bin", Bytes(3000));
    std::string locked = root + "\\ソフト\\locked.txt";
    WriteFile(locked, "read only");
    SetOldTime(locked);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
}

void ExpectSampleTree(const std::string& root) {
    EXPECT_EQ(ReadFile(root + "\\top.txt"), "top");
    EXPECT_EQ(ReadFile(root + "\\ソフト\\表.txt"), "hyou");
    EXPECT_EQ(ReadFile(root + "\\ソフト\\表示\\deep.bin"), Bytes(3000));
    EXPECT_TRUE(FileX_IsDir((root + "\\empty").c_str()));
    std::string locked = root + "\\ソフト\\locked.txt";
    EXPECT_EQ(ReadFile(locked), "read only");
    EXPECT_TRUE(Attributes(locked) & FILE_ATTRIBUTE_READONLY);
}

// A folder on drive Q:, which the test prefix maps to another Linux file system.
class OtherVolume {
public:
    OtherVolume() {
        char name[64];
        snprintf(name, sizeof name, "Q:\\quarvel-test-%lu", GetCurrentProcessId());
        path_ = name;
        CatchRaise([&] { FileX_DeleteTree(path_.c_str()); });
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~OtherVolume() {
        CatchRaise([&] { FileX_DeleteTree(path_.c_str()); });
    }
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

}  // namespace

class FileXAcrossVolumes : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FileX_IsDir(other.Path().c_str()))
            << "drive Q: is missing: scripts/wine-env.sh maps it when the tests start";
        // Proof that the two folders are on different volumes: a plain rename fails.
        std::string probe = here / "probe";
        WriteFile(probe, "p");
        ASSERT_FALSE(MoveFileExA(probe.c_str(), (other / "probe").c_str(), 0));
        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
    }
    TempDir here;
    OtherVolume other;
};

TEST_F(FileXAcrossVolumes, MovedReadOnlyFileKeepsAttributeAndTime) {
    std::string src = here / "表示.txt";
    WriteFile(src, "moved");
    SetOldTime(src);
    SetFileAttributesA(src.c_str(), FILE_ATTRIBUTE_READONLY);
    FILETIME before = WriteTime(src);
    std::string dst = other / "ソフト.txt";
    FileX_Move(dst.c_str(), src.c_str());
    EXPECT_FALSE(FileExists(src));
    EXPECT_EQ(ReadFile(dst), "moved");
    EXPECT_TRUE(Attributes(dst) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(SameTime(WriteTime(dst), before));
}

TEST_F(FileXAcrossVolumes, UndeletableSourceIsReportedAndKept) {
    std::string src = here / "busy.txt";
    WriteFile(src, "busy");
    SetFileAttributesA(src.c_str(), FILE_ATTRIBUTE_READONLY);
    // Another program has the file open and does not let it be deleted.
    HANDLE holder =
        CreateFileA(src.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::string dst = other / "busy.txt";
    auto caught = CatchRaise([&] { FileX_Move(dst.c_str(), src.c_str()); });
    CloseHandle(holder);
    EXPECT_EQ(caught.code, FileX_Err_AccessDenied);
    EXPECT_EQ(caught.message, src + " が削除できません");
    EXPECT_EQ(ReadFile(src), "busy");
    EXPECT_TRUE(Attributes(src) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileXAcrossVolumes, MovedFolderArrivesWholeAndLeavesNothing) {
    std::string src = here / "melted";
    MakeSampleTree(src);
    FILETIME locked_time = WriteTime(src + "\\ソフト\\locked.txt");
    std::string dst = other / "melted";
    FileX_Move(dst.c_str(), src.c_str());
    ExpectSampleTree(dst);
    EXPECT_TRUE(SameTime(WriteTime(dst + "\\ソフト\\locked.txt"), locked_time));
    EXPECT_FALSE(FileExists(src));
}

TEST_F(FileXAcrossVolumes, CopiedTreeKeepsTheSource) {
    std::string src = here / "tree";
    MakeSampleTree(src);
    FILETIME locked_time = WriteTime(src + "\\ソフト\\locked.txt");
    std::string dst = other / "copy\\of\\tree";
    FileX_CopyTree(dst.c_str(), src.c_str());
    ExpectSampleTree(dst);
    ExpectSampleTree(src);
    EXPECT_TRUE(SameTime(WriteTime(dst + "\\ソフト\\locked.txt"), locked_time));
}

TEST(FileXMove, RenamesOnTheSameVolume) {
    TempDir dir;
    MakeSampleTree(dir / "a");
    FileX_Move((dir / "b").c_str(), (dir / "a").c_str());
    ExpectSampleTree(dir / "b");
    EXPECT_FALSE(FileExists(dir / "a"));
    WriteFile(dir / "f", "f");
    FileX_Move((dir / "b\\g").c_str(), (dir / "f").c_str());
    EXPECT_EQ(ReadFile(dir / "b\\g"), "f");
}

TEST(FileXMove, FailedCopyLeavesTheSource) {
    TempDir dir;
    WriteFile(dir / "f", "f");
    CreateDirectoryA((dir / "dir").c_str(), nullptr);
    // A file cannot replace a folder: rename and copy fail, and the source stays.
    auto caught = CatchRaise([&] { FileX_Move((dir / "dir").c_str(), (dir / "f").c_str()); });
    EXPECT_NE(caught.code, 0);
    EXPECT_EQ(ReadFile(dir / "f"), "f");
}

// A move never replaces what is there, on one volume or across two: the file or folder
// in the way and the source stay as they were.
TEST_F(FileXAcrossVolumes, MoveNeverReplacesWhatIsThere) {
    for (const std::string& to : {here / "to", other / "to"}) {
        SCOPED_TRACE(to);
        WriteFile(here / "f", "moved");
        WriteFile(to + ".txt", "the user's");
        auto caught = CatchRaise([&] { FileX_Move((to + ".txt").c_str(), (here / "f").c_str()); });
        EXPECT_EQ(caught.code, FileX_Err_CannotWrite);
        EXPECT_EQ(caught.message, to + ".txt の書きこみに失敗しました。");
        EXPECT_EQ(ReadFile(to + ".txt"), "the user's");
        EXPECT_EQ(ReadFile(here / "f"), "moved");

        MakeSampleTree(here / "tree");
        CreateDirectoryA(to.c_str(), nullptr);
        WriteFile(to + "\\top.txt", "the user's");
        caught = CatchRaise([&] { FileX_Move(to.c_str(), (here / "tree").c_str()); });
        EXPECT_EQ(caught.code, FileX_Err_CannotWrite);
        EXPECT_EQ(ReadFile(to + "\\top.txt"), "the user's");
        EXPECT_FALSE(FileExists(to + "\\ソフト"));
        ExpectSampleTree(here / "tree");
        FileX_DeleteTree((here / "tree").c_str());
    }
}

TEST(FileXCopyTree, RefusesAFileAsDestinationAndItsOwnInside) {
    TempDir dir;
    MakeSampleTree(dir / "src");
    WriteFile(dir / "file", "x");
    std::string file = dir / "file";
    auto caught = CatchRaise([&] { FileX_CopyTree(file.c_str(), (dir / "src").c_str()); });
    EXPECT_EQ(caught.code, FileX_Err_CannotWrite);
    EXPECT_EQ(caught.message, file + " の書きこみに失敗しました。");
    caught = CatchRaise(
        [&] { FileX_CopyTree((dir / "src\\ソフト\\copy").c_str(), (dir / "src").c_str()); });
    EXPECT_EQ(caught.code, FileX_Err_CannotWrite);
    EXPECT_FALSE(FileExists(dir / "src\\ソフト\\copy"));
}

TEST(FileXDeleteTree, DeletesFoldersBelowARoot) {
    TempDir dir;
    MakeSampleTree(dir / "work");
    auto caught = CatchRaise([&] { FileX_DeleteTree((dir / "work").c_str()); });
    EXPECT_EQ(caught.code, 0) << caught.message;
    EXPECT_FALSE(FileExists(dir / "work"));
    caught = CatchRaise([&] { FileX_DeleteTree((dir / "never was").c_str()); });
    EXPECT_EQ(caught.code, 0) << caught.message;

    MakeSampleTree(dir / "rel");
    {
        InDir in(dir / "rel\\ソフト");  // the current folder is inside the tree
        caught = CatchRaise([&] { FileX_DeleteTree("..\\..\\rel\\"); });
        EXPECT_EQ(caught.code, 0) << caught.message;
    }
    EXPECT_FALSE(FileExists(dir / "rel"));
    EXPECT_TRUE(FileExists(dir.Path()));
}

// A working folder may hold a link to a folder elsewhere: deleting the tree removes the
// link, never what it points to. (Windows removes the link itself; this Wine cannot remove
// a link to a folder at all, RemoveDirectory answers "not empty", so there the delete is
// refused with the link left in place.)
TEST(FileXDeleteTree, NeverFollowsALinkToAFolder) {
    TempDir dir;
    CreateDirectoryA((dir / "elsewhere").c_str(), nullptr);
    WriteFile(dir / "elsewhere\\keep.txt", "the user's");
    CreateDirectoryA((dir / "work").c_str(), nullptr);
    WriteFile(dir / "work\\mine.txt", "extracted");
    ASSERT_TRUE(testing_support::MakeLinuxLink(dir / "elsewhere", dir / "work\\link"));
    ASSERT_NE(GetFileAttributesA((dir / "work\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    ASSERT_TRUE(testing_support::MakeLinuxLink(dir / "elsewhere", dir / "top-link"));

    CatchRaise([&] { FileX_DeleteTree((dir / "work").c_str()); });
    EXPECT_EQ(ReadFile(dir / "elsewhere\\keep.txt"), "the user's");
    EXPECT_FALSE(FileExists(dir / "work\\mine.txt"));
    CatchRaise([&] { FileX_DeleteTree((dir / "top-link").c_str()); });
    EXPECT_EQ(ReadFile(dir / "elsewhere\\keep.txt"), "the user's");
    testing_support::RunLinuxShell("rm -f '" + testing_support::UnixPath(dir / "work\\link") +
                                   "' '" + testing_support::UnixPath(dir / "top-link") + "'");
}

TEST(FileXDeleteTree, RefusesSystemFoldersAndRoots) {
    TempDir dir;
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::string win = windows;
    std::string lower = win;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    std::string upper = win;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    std::string slashed = win;
    for (char& c : slashed) c = c == '\\' ? '/' : c;
    std::string drive = dir.Path().substr(0, 2);
    const std::vector<std::string> refused = {win,
                                              lower,
                                              upper,
                                              win + "\\",
                                              win + "\\\\",
                                              slashed,
                                              slashed + "/",
                                              std::string(system) + "\\..",
                                              std::string(system) + "\\..\\system32",
                                              std::string(system),
                                              std::string(system) + "\\",
                                              upper + "\\SYSTEM32",
                                              win + "\\.",
                                              "C:\\",
                                              "C:",
                                              "C:/",
                                              "c:\\",
                                              "\\",
                                              "/",
                                              "",
                                              "Q:\\",
                                              "Q:",
                                              drive + "\\",
                                              drive,
                                              "C:\\..",
                                              "C:\\windows\\..",
                                              dir.Path() + "\\..\\..\\..\\..\\..\\..\\.."};
    for (const std::string& path : refused) {
        auto caught = CatchRaise([&] { FileX_DeleteTree(path.c_str()); });
        EXPECT_EQ(caught.code, Errors_Unofficial) << "[" << path << "]";
        EXPECT_EQ(caught.message, "error") << path;
    }
    {
        // Relative forms are judged by the folder they name.
        InDir in(win);
        for (const char* path : {".", ".\\", "system32", "system32\\..", "..", "..\\..\\"}) {
            auto caught = CatchRaise([&] { FileX_DeleteTree(path); });
            EXPECT_EQ(caught.code, Errors_Unofficial) << path;
        }
    }
    char kernel[MAX_PATH];
    snprintf(kernel, sizeof kernel, "%s\\kernel32.dll", system);
    EXPECT_TRUE(FileExists(kernel));
    EXPECT_TRUE(FileExists(win + "\\explorer.exe"));
}

TEST(FileXDeleteTree, RefusesTheFolderNamedByWindir) {
    TempDir dir;
    MakeSampleTree(dir / "fake windows");
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("windir", saved, sizeof saved);
    SetEnvironmentVariableA("windir", (dir / "fake windows").c_str());
    auto caught = CatchRaise([&] { FileX_DeleteTree((dir / "FAKE WINDOWS\\").c_str()); });
    SetEnvironmentVariableA("windir", saved);
    EXPECT_EQ(caught.code, Errors_Unofficial);
    ExpectSampleTree(dir / "fake windows");
}
