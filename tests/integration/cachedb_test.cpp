// The cache database on disk: its file byte for byte, the identity of archives, working
// folder names, and what happens to entries whose archive is gone.
#include "folders/cachedb.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <memory>

#include "lib/filex.h"
#include "../support/raise_capture.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

class CacheDatabase : public testing::Test {
protected:
    void SetUp() override {
        cache = dir / "cache";
        CreateDirectoryA(cache.c_str(), nullptr);
        db_file = cache + "\\cache-db.ini";
    }
    std::string Archive(const std::string& folder, const std::string& content) {
        CreateDirectoryA((dir / folder).c_str(), nullptr);
        std::string path = dir / folder + "\\report.lzh";
        WriteFile(path, content);
        return path;
    }
    void Open(CacheDB* db, char* area) {
        CacheDB_Open(db, db_file.c_str(), area, CacheDB_AreaSize);
    }
    // Opens, finds or adds one archive, closes; gives the working folder.
    std::string Melt(const std::string& archive, bool* added = nullptr) {
        CacheDB db;
        Open(&db, area.get());
        char folder[260];
        snprintf(folder, sizeof folder, "%s\\report", cache.c_str());
        bool was_added = CacheDB_FindOrAdd(&db, archive.c_str(), folder);
        if (added) *added = was_added;
        FileX_MakeDirs(folder, false);  // as the extraction would
        CacheDB_Close(&db);
        return folder;
    }
    int EntryCount() {
        CacheDB db;
        Open(&db, area.get());
        int n = CacheDB_Count(&db);
        CacheDB_Close(&db);
        return n;
    }

    TempDir dir;
    std::string cache, db_file;
    std::unique_ptr<char[]> area{new char[CacheDB_AreaSize]};
};

std::string Stamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    ULARGE_INTEGER t;
    t.LowPart = data.ftLastWriteTime.dwLowDateTime;
    t.HighPart = data.ftLastWriteTime.dwHighDateTime;
    time_t seconds = static_cast<time_t>(t.QuadPart / 10000000ULL - 11644473600ULL);
    char text[32];
    strftime(text, sizeof text, "%Y/%m/%d-%H:%M:%S", localtime(&seconds));
    return text;
}

}  // namespace

TEST_F(CacheDatabase, FileHoldsOneFileLinePerEntryInRecordFormat) {
    std::string archive = Archive("dl", "abc");
    std::string folder = Melt(archive);
    EXPECT_EQ(folder, cache + "\\report");
    // Checksum of "abc": 'a' + ('b' << 1) + ('c' << 2).
    int checksum = 'a' + ('b' << 1) + ('c' << 2);
    EXPECT_EQ(ReadFile(db_file), "[main] \r\nFile = " + archive + ", " + Stamp(archive) + ", 3, " +
                                     std::to_string(checksum) + ", " + folder + ", 0\r\n \r\n");
}

TEST_F(CacheDatabase, UnchangedArchiveFindsItsFolderAgainWithoutASecondEntry) {
    std::string archive = Archive("dl", "content");
    bool added = false;
    std::string first = Melt(archive, &added);
    EXPECT_TRUE(added);
    EXPECT_EQ(Melt(archive, &added), first);
    EXPECT_FALSE(added);
    EXPECT_EQ(EntryCount(), 1);
    // The folder is found by the archive's path too, in any letter case.
    std::string upper = archive;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    CacheDB_With(cache.c_str(), [&](CacheDB* db) {
        ASSERT_NE(CacheDB_FolderOf(db, upper.c_str()), nullptr);
        EXPECT_EQ(std::string(CacheDB_FolderOf(db, upper.c_str())), first);
        EXPECT_EQ(CacheDB_FolderOf(db, (dir / "other.lzh").c_str()), nullptr);
    });
    // A look writes nothing back, whatever it changed; one database is open at a time.
    std::string stored = ReadFile(db_file);
    std::string other = Archive("other", "another");
    CacheDB_Read(cache.c_str(), [&](CacheDB* db) {
        CacheDB_SetArchive(CacheDB_AtFolder(db, first.c_str()), other.c_str());
        auto nested = CatchRaise([&] { CacheDB_With(cache.c_str(), [](CacheDB*) {}); });
        EXPECT_EQ(nested.message, "キャッシュの記録を開いている間に、もう一度開こうとしました。");
    });
    EXPECT_EQ(ReadFile(db_file), stored);
}

TEST_F(CacheDatabase, DifferentArchivesOfOneNameGetNumberedFolders) {
    EXPECT_EQ(Melt(Archive("one", "first")), cache + "\\report");
    EXPECT_EQ(Melt(Archive("two", "second")), cache + "\\af1\\report");
    EXPECT_EQ(Melt(Archive("three", "third")), cache + "\\af2\\report");
    EXPECT_EQ(EntryCount(), 3);
}

TEST_F(CacheDatabase, CopiedArchiveReusesTheFolderAndTheEntryFollowsTheCopy) {
    std::string archive = Archive("dl", "same bytes");
    std::string folder = Melt(archive);
    CreateDirectoryA((dir / "moved").c_str(), nullptr);
    std::string copy = dir / "moved\\report.lzh";
    ASSERT_TRUE(CopyFileA(archive.c_str(), copy.c_str(), FALSE));  // keeps the time
    bool added = true;
    EXPECT_EQ(Melt(copy, &added), folder);
    EXPECT_FALSE(added);
    EXPECT_NE(ReadFile(db_file).find("File = " + copy + ", "), std::string::npos);
}

TEST_F(CacheDatabase, TouchedArchiveCountsAsANewOne) {
    std::string archive = Archive("dl", "same bytes");
    Melt(archive);
    HANDLE file =
        CreateFileA(archive.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME old_time = {0x12345678, 0x01C00000};
    SetFileTime(file, nullptr, nullptr, &old_time);
    CloseHandle(file);
    EXPECT_EQ(Melt(archive), cache + "\\af1\\report");
}

TEST_F(CacheDatabase, EntryOfADeletedArchiveIsDroppedWithItsFolder) {
    std::string gone = Archive("one", "first");
    std::string kept = Archive("two", "second");
    std::string gone_folder = Melt(gone);
    WriteFile(gone_folder + "\\edit.txt", "user edit");
    std::string kept_folder = Melt(kept);
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    EXPECT_EQ(EntryCount(), 2) << "dropped only when the table is written back";
    EXPECT_EQ(EntryCount(), 1);
    EXPECT_FALSE(FileExists(gone_folder));
    EXPECT_TRUE(FileExists(kept_folder));
}

// An archive is gone only when its folder is there without it: on a drive that is not
// ready, or in a folder that went away with a removable disk, it is only out of reach and
// keeps its entry and its working folder. A gone archive's folder is deleted only inside the
// cache: a damaged or hand-edited entry may name a folder of the user's.
TEST_F(CacheDatabase, GoneArchiveLosesOnlyAFolderOfTheCache) {
    std::string mine = dir / "mine", climbed = dir / "climbed", unready = cache + "\\unready";
    for (const std::string& folder : {mine, climbed, unready}) {
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteFile(folder + "\\keep.txt", "the user's");
    }
    CreateDirectoryA((dir / "emptied").c_str(), nullptr);
    auto line = [](const std::string& archive, const std::string& folder) {
        return "File = " + archive + ", 2004/08/26-14:30:58, 3, 5, " + folder + ", 0\r\n";
    };
    WriteFile(db_file, "[main] \r\n" + line(dir / "emptied\\a.lzh", mine) +
                           line(dir / "emptied\\b.lzh", cache + "\\..\\climbed") +
                           line("Q:\\dl\\c.lzh", unready) + " \r\n");
    std::string removable = Archive("usb", "on a removable disk");
    std::string usb_folder = Melt(removable);
    ASSERT_TRUE(DeleteFileA(removable.c_str()));
    ASSERT_TRUE(RemoveDirectoryA((dir / "usb").c_str()));
    EXPECT_EQ(EntryCount(), 2);
    EXPECT_EQ(EntryCount(), 2);
    EXPECT_EQ(ReadFile(mine + "\\keep.txt"), "the user's");
    EXPECT_EQ(ReadFile(climbed + "\\keep.txt"), "the user's");
    EXPECT_EQ(ReadFile(unready + "\\keep.txt"), "the user's");
    EXPECT_TRUE(FileExists(usb_folder));
}

// A stale folder that cannot be deleted now (a file in it is open) is no failure of the
// write-back: it keeps its entry and goes at a later write-back.
TEST_F(CacheDatabase, FolderThatCannotGoNowIsLeftForALaterWriteBack) {
    std::string archive = Archive("dl", "x");
    std::string folder = Melt(archive);
    WriteFile(folder + "\\open.txt", "held");
    ASSERT_TRUE(DeleteFileA(archive.c_str()));
    HANDLE held = CreateFileA((folder + "\\open.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    auto caught = CatchRaise([&] { EXPECT_EQ(EntryCount(), 1); });
    EXPECT_EQ(caught.code, 0) << caught.text;
    CloseHandle(held);
    EXPECT_EQ(EntryCount(), 1) << "kept while its folder was there";
    EXPECT_EQ(EntryCount(), 0);
    EXPECT_FALSE(FileExists(folder));
}

TEST_F(CacheDatabase, FolderNamesInOtherLetterCaseShareTheSequence) {
    Melt(Archive("one", "first"));
    CacheDB db;
    Open(&db, area.get());
    char folder[260];
    snprintf(folder, sizeof folder, "%s\\REPORT", cache.c_str());
    EXPECT_TRUE(CacheDB_FindOrAdd(&db, Archive("two", "second").c_str(), folder));
    EXPECT_STREQ(folder, (cache + "\\af1\\REPORT").c_str());
    CacheDB_Close(&db);
}

TEST_F(CacheDatabase, OverlappingUsersKeepEachOthersNewEntries) {
    std::string a = Archive("one", "first");
    std::string b = Archive("two", "second");
    std::unique_ptr<char[]> other_area(new char[CacheDB_AreaSize]);
    CacheDB first, second;
    Open(&first, area.get());
    Open(&second, other_area.get());
    char folder_a[260], folder_b[260];
    snprintf(folder_a, sizeof folder_a, "%s\\report", cache.c_str());
    snprintf(folder_b, sizeof folder_b, "%s\\report", cache.c_str());
    ASSERT_TRUE(CacheDB_FindOrAdd(&first, a.c_str(), folder_a));
    FileX_MakeDirs(folder_a, false);  // the first melt is extracting into it
    ASSERT_TRUE(CacheDB_FindOrAdd(&second, b.c_str(), folder_b));
    EXPECT_STRNE(folder_a, folder_b) << "two archives never share one working folder";
    FileX_MakeDirs(folder_b, false);
    CacheDB_Close(&first);
    CacheDB_Close(&second);
    EXPECT_EQ(EntryCount(), 2);
}

TEST_F(CacheDatabase, FullTableRaisesAndLeavesTheFileAsItWas) {
    std::string archive = Archive("dl", "x");
    Melt(archive);
    std::string before = ReadFile(db_file);
    CacheDB db;
    Open(&db, area.get());
    for (int i = CacheDB_Count(&db); i < CacheDB_MaxEntries; i++) {
        auto* e = static_cast<CacheDB_Entry*>(ArrX_Alloc(&db.table, sizeof(CacheDB_Entry)));
        *e = *CacheDB_At(&db, 0);
        snprintf(e->folder, sizeof e->folder, "%s\\x%d", cache.c_str(), i);
    }
    char folder[260];
    snprintf(folder, sizeof folder, "%s\\other", cache.c_str());
    auto caught = CatchRaise([&] { CacheDB_FindOrAdd(&db, archive.c_str(), folder); });
    EXPECT_EQ(caught.code, ArrX_Err_Full);
    EXPECT_EQ(ReadFile(db_file), before);
}

// Paths that fill a record's 260 bytes come back whole: read back cut short, the next
// write-back would find no such archive and delete the working folder with the user's edits.
TEST_F(CacheDatabase, LongestPathsComeBackWhole) {
    std::string folder = dir.Path();
    while (folder.size() < 230) {
        folder += "\\" + std::string(std::min<size_t>(60, 230 - folder.size()), 'p');
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    std::string archive = folder + "\\" + std::string(258 - folder.size() - 5, 'r') + ".lzh";
    ASSERT_EQ(archive.size(), 258u);
    WriteFile(archive, "content");
    std::string working = Melt(archive);
    WriteFile(working + "\\edit.txt", "the user's");
    EXPECT_EQ(EntryCount(), 1) << "the next write-back keeps it";
    EXPECT_EQ(ReadFile(working + "\\edit.txt"), "the user's");
    CacheDB db;
    Open(&db, area.get());
    ASSERT_EQ(CacheDB_Count(&db), 1);
    EXPECT_EQ(std::string(CacheDB_At(&db, 0)->archive), archive);
    CacheDB_Close(&db);
}

// A database that cannot be read is kept under another name, and melting goes on with an
// empty one instead of failing every time.
TEST_F(CacheDatabase, UnreadableFileIsSetAsideAndStartedAfresh) {
    // What a write cut short by a full disk may leave: the end of a line, no section.
    const std::string damaged = "e, 2004/08/26-14:30:58, 10, 20, C:\\cache\\a, 0\r\n \r\n";
    WriteFile(db_file, damaged);
    CacheDB db;
    auto caught = CatchRaise([&] { Open(&db, area.get()); });
    ASSERT_EQ(caught.code, 0) << caught.text;
    EXPECT_EQ(CacheDB_Count(&db), 0);
    CacheDB_Close(&db);
    EXPECT_EQ(ReadFile(cache + "\\cache-db-damaged1.ini"), damaged);
    EXPECT_EQ(EntryCount(), 0);
    std::string archive = Archive("dl", "x");
    Melt(archive);
    EXPECT_EQ(EntryCount(), 1);
}
