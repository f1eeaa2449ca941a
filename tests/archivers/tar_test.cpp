// TAR32.DLL: tar, tar.gz and lone gzip files, made by GNU tar or by the DLL itself.
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
}

TEST_F(Tar, RefusesFormatsItDoesNotReadWithAClearCode) {
    std::string bz2 = Fixture("doc-top.tar.bz2");
    EXPECT_EQ(-1, dll.Count(bz2));
    Enter(Path("out"));
    EXPECT_EQ(0x8023, dll.Command("-zxvf " + Quoted(bz2)));
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
