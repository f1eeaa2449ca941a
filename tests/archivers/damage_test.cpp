// Damaged archives must be reported, never crash the caller or write outside the folder.
#include "stand_in.h"

namespace archivers_test {
namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

struct Case {
    const char* dll;
    const char* prefix;
    const char* fixture;
    const char* command;
};

class Damage : public ArchiverTest, public ::testing::WithParamInterface<Case> {};

// Every byte of the headers, and a spread of bytes through the data, is changed in turn; each
// variant is counted, listed, checked and extracted.
TEST_P(Damage, EveryCorruptionIsSurvived) {
    const Case& c = GetParam();
    StandIn dll(c.dll, c.prefix);
    ASSERT_TRUE(dll.Loaded());
    auto check = dll.Get<BOOL(WINAPI*)(LPCSTR, int)>(std::string(c.prefix) + "CheckArchive");
    std::string original = ReadFile(Fixture(c.fixture));
    ASSERT_FALSE(original.empty());
    std::string archive = Path("damaged");
    Enter(Path("out"));
    int reported = 0;
    for (size_t at = 0; at < original.size(); at += at < 128 ? 1 : 37) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string bytes = original;
            bytes[at] = char(bytes[at] ^ flip);
            WriteFile(archive, bytes);
            int count = dll.Count(archive);
            EXPECT_GE(count, -1);
            dll.List(archive);
            bool sound = check(archive.c_str(), 2) != FALSE;
            int result = dll.Command(std::string(c.command) + Quoted(archive));
            if (!sound) {
                EXPECT_NE(0, result) << "offset " << at << " flip " << int(flip);
            }
            reported += result != 0;
        }
    }
    EXPECT_GT(reported, 0);
    WriteFile(archive, original.substr(0, original.size() / 2));
    EXPECT_NE(0, dll.Command(std::string(c.command) + Quoted(archive))) << "cut in half";
}

INSTANTIATE_TEST_SUITE_P(Formats, Damage,
                         ::testing::Values(Case{"UNLHA32.DLL", "Unlha", "doc-top.lzh", "e -x1 "},
                                           Case{"UNLHA32.DLL", "Unlha", "doc-top-lh7.lzh",
                                                "e -x1 "},
                                           Case{"UNZIP32.DLL", "UnZip", "doc-top.zip", "-o "},
                                           Case{"TAR32.DLL", "Tar", "doc-top.tar.gz", "-zxvf "},
                                           Case{"TAR32.DLL", "Tar", "doc-top.tar.bz2", "-zxvf "},
                                           Case{"TAR32.DLL", "Tar", "a.txt.bz2", "-zxvf "},
                                           Case{"TAR32.DLL", "Tar", "doc-top.tar.Z", "-zxvf "},
                                           Case{"TAR32.DLL", "Tar", "doc-top-gz.deb", "-zxvf "},
                                           Case{"TAR32.DLL", "Tar", "doc-top-xz.deb", "-zxvf "}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.fixture;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace archivers_test
