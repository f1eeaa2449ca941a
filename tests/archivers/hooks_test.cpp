// The ARCHIVER_STUB hooks the program's tests use to reach cancel, failure and waiting.
#include <cstring>

#include "stand_in.h"

namespace archivers_test {
namespace {

using testing_support::FileExists;
using testing_support::ReadFile;

const char kExtract[] = "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 ";

class Hooks : public ArchiverTest {
protected:
    StandIn lha{"UNLHA32.DLL", "Unlha"};
    StandIn tar{"TAR32.DLL", "Tar"};
    int FilesIn(const std::string& folder) { return int(TreeOf(folder).size()); }
};

TEST_F(Hooks, CancelAfterLeavesThoseEntriesWritten) {
    std::string archive = Fixture("app.lzh");
    StubHooks hooks("cancel-after:2");
    Enter(Path("out"));
    EXPECT_EQ(0x8020, lha.Command(kExtract + Quoted(archive)));
    EXPECT_EQ(2, FilesIn(Path("out")));
}

TEST_F(Hooks, FailReturnsTheCodeWithoutWorkAndCanBeAimedAtOneDll) {
    std::string lzh = Fixture("flat.lzh"), tgz = Fixture("flat.tgz");
    StubHooks hooks("dll:TAR32.DLL,fail:0x8012");
    Enter(Path("out"));
    EXPECT_EQ(0x8012, tar.Command("-zxvf " + Quoted(tgz)));
    EXPECT_EQ(0, FilesIn(Path("out")));
    EXPECT_EQ(0, lha.Command(kExtract + Quoted(lzh))) << "the other DLL is not hooked";
    EXPECT_EQ(2, FilesIn(Path("out")));
}

TEST_F(Hooks, LogRecordsEveryCallWithItsFolder) {
    std::string archive = Fixture("flat.lzh");
    std::string log = Path("calls.log");
    StubHooks hooks("log:" + log);
    Enter(Path("out"));
    ASSERT_EQ(2, lha.Count(Quoted(archive)));
    ASSERT_EQ(0, lha.Command(kExtract + Quoted(archive)));
    std::string text = ReadFile(log);
    EXPECT_NE(std::string::npos, text.find("UNLHA32.DLL\tUnlhaGetFileCount\t" + Quoted(archive)));
    EXPECT_NE(std::string::npos, text.find("UNLHA32.DLL\tUnlha\t" + std::string(kExtract) +
                                           Quoted(archive) + "\t" + Path("out") + "\r\n"));
}

TEST_F(Hooks, SlowWaitsBeforeEachEntry) {
    std::string archive = Fixture("app.lzh");
    StubHooks hooks("slow:100");
    Enter(Path("out"));
    DWORD start = GetTickCount();
    ASSERT_EQ(0, lha.Command(kExtract + Quoted(archive)));
    EXPECT_GE(GetTickCount() - start, 280u) << "three entries, 100 ms each";
}

}  // namespace
}  // namespace archivers_test
