// TAR32.DLL: tar, tar.gz, tar.bz2, tar.Z, tar.xz, tar.zst, tar.lz, lone gzip and bzip2 files
// and Debian packages, made by GNU tar, bzip2, xz, zstd, lzip, dpkg-deb or by the DLL itself.
#include <algorithm>
#include <cstring>

#include "stand_in.h"

namespace archivers_test {
namespace {

using testing_support::FileExists;
using testing_support::ReadFile;

class Tar : public ArchiverTest {
protected:
    StandIn dll{"TAR32.DLL", "Tar"};
};

TEST_F(Tar, ExtractsGnuTarAndGzip) {
    std::string tgz = Fixture("doc-top.tar.gz"), gz = Fixture("a.txt.gz");
    Enter(Path("out"));
    char buffer[256];
    ASSERT_EQ(0, dll.Command("-zxvf " + Quoted(tgz), buffer, sizeof buffer));
    EXPECT_EQ(Lines(300), ReadFile(Path("out\\doc\\a.txt")));
    ASSERT_EQ(0, dll.Command("-zxvf " + Quoted(gz), buffer, sizeof buffer));
    EXPECT_EQ(Lines(200), ReadFile(Path("out\\a.txt")));
    std::vector<Record> records = dll.List(tgz);
    ASSERT_FALSE(records.empty());
    EXPECT_STREQ("doc/", records[0].path);
    EXPECT_EQ(1, dll.Count(gz));

    // Members one after another are one stream, however little the last one says it holds
    // (this one is empty); a member whose CRC-32 does not match is reported. No name is
    // stored in these members: the file is named after the archive.
    std::string a = ReadFile(gz);
    const std::string empty_member("\x1F\x8B\x08\0\0\0\0\0\0\x03\x03\0\0\0\0\0\0\0\0\0", 20);
    testing_support::WriteFile(Path("joined.gz"), a + a + empty_member);
    ASSERT_EQ(0, dll.Command("-zxvf " + Quoted(Path("joined.gz"))));
    std::string joined = ReadFile(Path("out\\joined"));
    EXPECT_EQ(2 * Lines(200).size(), joined.size());
    EXPECT_TRUE(joined == Lines(200) + Lines(200));
    std::string bad = a;
    bad[bad.size() - 8] ^= 1;
    testing_support::WriteFile(Path("bad.gz"), bad);
    EXPECT_NE(0, dll.Command("-zxvf " + Quoted(Path("bad.gz"))));
}

TEST_F(Tar, ExtractsEveryCompressionWithTheRecordsOfTarGz) {
    for (const char* name : {"doc-top.tar.bz2", "doc-top.tar.Z", "doc-top.tar.xz",
                             "doc-top.tar.zst", "doc-top.tar.lz"}) {
        SCOPED_TRACE(name);
        std::string archive = Fixture(name);
        Enter(Path(std::string("out-") + name));
        ASSERT_EQ(0, dll.Command("-zxvf " + Quoted(archive)));
        EXPECT_EQ(Lines(300), ReadFile(Path(std::string("out-") + name + "\\doc\\a.txt")));
        EXPECT_EQ(Lines(40), ReadFile(Path(std::string("out-") + name + "\\doc\\b.txt")));
        std::vector<Record> records = dll.List(archive);
        ASSERT_EQ(3u, records.size());
        EXPECT_EQ(3, dll.Count(archive));
        auto found = std::find_if(records.begin(), records.end(),
                                  [](const Record& r) { return !strcmp(r.path, "doc/a.txt"); });
        ASSERT_NE(records.end(), found);
        const Record& a = *found;
        EXPECT_EQ(Crc32Of(Lines(300)), a.crc);
        EXPECT_STREQ(std::string(name).substr(8).c_str(), a.method);
        // The compressed size is the entry's share of the file (the tar stream is 30,720 bytes).
        EXPECT_EQ(17100u * ReadFile(archive).size() / 30720, a.compressed_size);
    }
}

TEST_F(Tar, LoneBzip2FileTakesTheArchivesNameAndTime) {
    std::string bz2 = Fixture("a.txt.bz2");
    FILETIME stamp = FixtureTime();
    HANDLE h = CreateFileA(bz2.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SetFileTime(h, nullptr, nullptr, &stamp);
    CloseHandle(h);
    std::vector<Record> records = dll.List(bz2);
    ASSERT_EQ(1u, records.size());
    EXPECT_STREQ("a.txt", records[0].path);
    EXPECT_STREQ("bzip2", records[0].method);
    EXPECT_EQ(Lines(200).size(), records[0].original_size);
    WORD date, time;
    LocalDosTime(stamp, &date, &time);
    EXPECT_EQ(date, records[0].date);
    EXPECT_EQ(time, records[0].time);
    Enter(Path("out"));
    ASSERT_EQ(0, dll.Command("-zxvf " + Quoted(bz2)));
    EXPECT_EQ(Lines(200), ReadFile(Path("out\\a.txt")));
}

// dpkg-deb -x gives the package's files: no "./" in front, no entry for the root.
TEST_F(Tar, DebianPackagesGiveTheirFilesAsDpkgDebExtractsThem) {
    for (const char* name : {"doc-top-gz.deb", "doc-top-xz.deb"}) {
        SCOPED_TRACE(name);
        std::string deb = Fixture(name);
        auto check = dll.Get<BOOL(WINAPI*)(LPCSTR, int)>("TarCheckArchive");
        EXPECT_TRUE(check(deb.c_str(), 0));
        std::vector<std::string> paths;
        for (const Record& r : dll.List(deb)) paths.push_back(r.path);
        EXPECT_EQ((std::vector<std::string>{"etc/", "etc/qv-sample.conf", "usr/", "usr/share/",
                                            "usr/share/doc/", "usr/share/doc/qv-sample/",
                                            "usr/share/doc/qv-sample/a.txt",
                                            "usr/share/doc/qv-sample/b.txt"}),
                  paths);
        EXPECT_EQ(8, dll.Count(deb));
        std::string out = Path(std::string("out-") + name);
        Enter(out);
        ASSERT_EQ(0, dll.Command("-zxvf " + Quoted(deb)));
        EXPECT_EQ(Lines(300), ReadFile(out + "\\usr\\share\\doc\\qv-sample\\a.txt"));
        EXPECT_EQ("setting=1\r\n", ReadFile(out + "\\etc\\qv-sample.conf"));
    }
}

TEST_F(Tar, PackagesWithOtherCompressionAreRefusedWithAClearCode) {
    auto member = [](const std::string& name, const std::string& data) {
        char header[61];
        snprintf(header, sizeof header, "%-16s%-12s%-6s%-6s%-8s%-10zu`\n", name.c_str(),
                 "1093530658", "0", "0", "100644", data.size());
        return std::string(header, 60) + data + (data.size() % 2 ? "\n" : "");
    };
    std::string deb = Path("lz4.deb");
    testing_support::WriteFile(deb, "!<arch>\n" + member("debian-binary", "2.0\n") +
                                        member("control.tar.lz4", "x") +
                                        member("data.tar.lz4", "\x04\x22\x4D\x18 data"));
    EXPECT_EQ(-1, dll.Count(deb));
    Enter(Path("out"));
    EXPECT_EQ(0x8023, dll.Command("-zxvf " + Quoted(deb)));
    EXPECT_EQ(0x8029, dll.Command("-zxvf " + Quoted(Path("none.tgz"))));
}

TEST_F(Tar, FreezesFoldersAndLoneFiles) {
    CreateDirectoryA(Path("work").c_str(), nullptr);
    CreateDirectoryA(Path("work\\資料").c_str(), nullptr);
    MakeFile(Path("work\\a.txt"), Lines(100));
    MakeFile(Path("work\\資料\\表示.txt"), "表示");
    MakeFile(Path("b.txt"), "second item");
    Enter(Path("work"));
    ASSERT_EQ(0, dll.Command("-zcvf \"x.tar.gz\" \"*\""));
    ASSERT_EQ(0, dll.Command("-zcvf --self-extracting=1 \"y.tar.gz\" \"a.txt\""));
    EXPECT_EQ(1, dll.Count(Path("work\\y.tar.gz")));
    MoveFileA(Path("work\\x.tar.gz").c_str(), Path("x.tar.gz").c_str());
    DeleteFileA(Path("work\\y.tar.gz").c_str());
    Enter(Path("out"));
    ASSERT_EQ(0, dll.Command("-zxvf " + Quoted(Path("x.tar.gz"))));
    EXPECT_EQ(TreeOf(Path("work")), TreeOf(Path("out")));

    Enter(Path("."));
    ASSERT_EQ(0, dll.Command("-Gcvf \"b.gz\" \"b.txt\""));
    DeleteFileA(Path("b.txt").c_str());
    ASSERT_EQ(0, dll.Command("-zxvf \"b.gz\""));
    EXPECT_EQ("second item", ReadFile(Path("b.txt"))) << "the stored name comes back";
    std::vector<Record> records = dll.List(Path("b.gz"));
    ASSERT_EQ(1u, records.size());
    EXPECT_STREQ("gzip", records[0].method);
    EXPECT_EQ(11u, records[0].original_size);
}

TEST_F(Tar, ResponseFileAddsItems) {
    CreateDirectoryA(Path("work").c_str(), nullptr);
    MakeFile(Path("work\\a.txt"), "a");
    MakeFile(Path("b c.txt"), "b");
    testing_support::WriteFile(Path("$$"), "\"b c.txt\"\n");
    Enter(Path("."));
    ASSERT_EQ(0, dll.Command("-zcvf \"z.tar.gz\" \"work\\*\" @$$"));
    std::vector<std::string> names;
    for (const Record& r : dll.List(Path("z.tar.gz"))) names.push_back(r.path);
    EXPECT_EQ((std::vector<std::string>{"work/a.txt", "b c.txt"}), names);
}

}  // namespace
}  // namespace archivers_test
