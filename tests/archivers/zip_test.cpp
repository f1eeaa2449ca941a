// UNZIP32.DLL extraction and listing, and zip32.dll compression through its option record.
#include <cstring>

#include "../../archivers/zip32/zip32.h"
#include "stand_in.h"

namespace archivers_test {
namespace {

using testing_support::ReadFile;

class Zip : public ArchiverTest {
protected:
    StandIn unzip{"UNZIP32.DLL", "UnZip"};
    StandIn zip{"zip32.dll", "Zp"};
};

TEST_F(Zip, ExtractsInfoZipArchivesWithCp932Names) {
    std::string archive = Fixture("sjis-names.zip");
    Enter(Path("out"));
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(0, unzip.Command("-o " + Quoted(archive), buffer, sizeof buffer));
    EXPECT_NE(nullptr, std::memchr(buffer, '\0', sizeof buffer)) << "output stays terminated";
    EXPECT_EQ(285u, ReadFile(Path("out\\資料\\表示.txt")).size());
    EXPECT_EQ(342u, ReadFile(Path("out\\資料\\ソフト.txt")).size());
    std::vector<Record> records = unzip.List(archive, 0x202, "*");
    ASSERT_EQ(3u, records.size());
    EXPECT_STREQ("資料/", records[0].path) << "folders keep their separator";
    EXPECT_STREQ("資料/表示.txt", records[1].path);
    EXPECT_STREQ("deflate", records[1].method);
    EXPECT_EQ(Crc32Of(ReadFile(Path("out\\資料\\表示.txt"))), records[1].crc);
    EXPECT_EQ(records[1].compressed_size * 1000 / records[1].original_size, records[1].ratio);
}

// Methods other than deflate, as Info-ZIP (bzip2) and 7zz (the others) write them.
TEST_F(Zip, ExtractsEveryMethodLinuxToolsWrite) {
    for (const char* name : {"bzip2", "lzma", "xz"}) {
        SCOPED_TRACE(name);
        std::string archive = Fixture(std::string("doc-top-") + name + ".zip");
        std::string out = Path(std::string("out-") + name);
        Enter(out);
        ASSERT_EQ(0, unzip.Command("-o " + Quoted(archive)));
        EXPECT_EQ(Lines(300), ReadFile(out + "\\doc\\a.txt"));
        EXPECT_EQ(Lines(40), ReadFile(out + "\\doc\\b.txt"));
        std::vector<Record> records = unzip.List(archive, 0x202, "*");
        ASSERT_EQ(3u, records.size());
        EXPECT_STREQ(name, records[2].method);
    }
}

TEST_F(Zip, DamagedAndMissingArchives) {
    EXPECT_EQ(-1, unzip.Count(Fixture("broken.zip")));
    EXPECT_EQ(-1, unzip.Count(Path("none.zip")));
    Enter(Path("out"));
    EXPECT_EQ(0x8029, unzip.Command("-o " + Quoted(Path("none.zip"))));
    EXPECT_NE(0, unzip.Command("-o " + Quoted(Path("broken.zip"))));
    EXPECT_EQ(2, unzip.Count(Fixture("flat.zip")));
}

int WINAPI Print(LPSTR, unsigned long size) {
    return int(size);
}
LPSTR WINAPI Comment(LPSTR text) {
    text[0] = 0;
    return text;
}
int WINAPI Password(LPSTR, int, LPCSTR, LPCSTR) {
    return 1;
}

class ZipFreeze : public Zip {
protected:
    void SetUp() override {
        Zip::SetUp();
        CreateDirectoryA(Path("work").c_str(), nullptr);
        CreateDirectoryA(Path("work\\ソフト").c_str(), nullptr);
        MakeFile(Path("work\\a.txt"), Lines(500));
        MakeFile(Path("work\\ソフト\\表示.txt"), PseudoRandom(3000, 3));
        MakeFile(Path("other.txt"), "other");
        init = zip.Get<BOOL(WINAPI*)(ZipUserFunctions*)>("ZpInit");
        options = zip.Get<BOOL(WINAPI*)(ZpOptions*)>("ZpSetOptions");
        archive = zip.Get<int(WINAPI*)(int, LPSTR, char**)>("ZpArchive");
        ASSERT_TRUE(init && options && archive);
        ZipUserFunctions user = {Print, Comment, Password, nullptr};
        ASSERT_TRUE(init(&user));
        std::memset(&record, 0, sizeof record);
        root = temp_.Path();
        record.root_dir = &root[0];
        record.system = TRUE;
        record.extra = TRUE;
        record.recurse = 1;
        ASSERT_TRUE(options(&record));
    }
    int Archive(std::vector<std::string> names, const std::string& zip_path) {
        std::vector<char*> pointers;
        for (std::string& n : names) pointers.push_back(&n[0]);
        std::string path = zip_path;
        return archive(int(pointers.size()), &path[0], pointers.data());
    }
    BOOL(WINAPI* init)(ZipUserFunctions*) = nullptr;
    BOOL(WINAPI* options)(ZpOptions*) = nullptr;
    int(WINAPI* archive)(int, LPSTR, char**) = nullptr;
    ZpOptions record;
    std::string root;
};

TEST_F(ZipFreeze, ArchivesNamesRelativeToTheRootFolder) {
    MakeFile(Path("work\\ro.txt"), "kept");
    SetFileAttributesA(Path("work\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(0, Archive({"work", "other.txt"}, Path("new.zip")));
    Enter(Path("out"));
    ASSERT_EQ(0, unzip.Command("-o " + Quoted(Path("new.zip"))));
    EXPECT_EQ(TreeOf(Path("work")), TreeOf(Path("out\\work")));
    EXPECT_EQ("other", ReadFile(Path("out\\other.txt")));
    int checked = 0;
    for (const Record& r : unzip.List(Path("new.zip"))) {
        if (std::strcmp(r.path, "work/ソフト/表示.txt") == 0) {
            EXPECT_STREQ("stored", r.method) << "data that does not shrink is stored";
            ++checked;
        }
        if (std::strcmp(r.path, "work/ro.txt") == 0) {
            EXPECT_EQ('r', r.attribute[4]) << "made on MS-DOS, its attributes kept";
            EXPECT_EQ(0u, r.os_type);
            ++checked;
        }
        if (std::strcmp(r.path, "work/a.txt") != 0) continue;
        ++checked;
        EXPECT_STREQ("deflate", r.method);
        WORD date, time;
        LocalDosTime(WriteTimeOf(Path("work\\a.txt")), &date, &time);
        EXPECT_EQ(date, r.date);
        EXPECT_EQ(time, r.time);
    }
    EXPECT_EQ(3, checked);
    // Level 0 stores every file, however well it would pack.
    record.level = '0';
    ASSERT_TRUE(options(&record));
    ASSERT_EQ(0, Archive({"work"}, Path("stored.zip")));
    std::vector<Record> stored = unzip.List(Path("stored.zip"), 0x202, "*.txt");
    ASSERT_EQ(3u, stored.size());
    for (const Record& r : stored) {
        EXPECT_STREQ("stored", r.method) << r.path;
        EXPECT_EQ(r.original_size, r.compressed_size) << r.path;
    }
}

TEST_F(ZipFreeze, ReportsZipErrorNumbers) {
    EXPECT_EQ(12, Archive({"nothing-here"}, Path("new.zip"))) << "Nothing to do!";
    ZipUserFunctions no_print = {nullptr, Comment, Password, nullptr};
    EXPECT_FALSE(init(&no_print));
}

TEST_F(ZipFreeze, VersionRecordHasTheZipEngineVersionAt48) {
    auto version = zip.Get<void(WINAPI*)(ZpVer*)>("ZpVersion");
    ZpVer v;
    std::memset(&v, 0xCC, sizeof v);
    version(&v);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&v);
    EXPECT_EQ(2, bytes[48]);
    EXPECT_EQ(3, bytes[49]);
}

}  // namespace
}  // namespace archivers_test
