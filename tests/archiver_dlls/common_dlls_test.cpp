#include <gtest/gtest.h>

#include "dll_harness.h"
#include "../../archivers/engine/formats.h"
#include "sevenzip_writer.h"
#include "simple_container.h"

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

struct DllCase {
    const char* file;
    const char* prefix;
    const char* fixture;  // a good archive, extracted by `extract` + path
    const char* extract;  // the program's command, before (and after) the unquoted path
    const char* extract_tail;
    const char* top_file;  // a file the extraction yields, with its line count
    int lines;
    bool stores_crc;  // cabinets store no CRC of a file: their records say 0
};

const DllCase kCases[] = {
    {"CAB32.DLL", "Cab", "flat.cab", "-x -o ", "", "a.txt", 200, false},
    {"7-ZIP32.DLL", "SevenZip", "doc-top.7z", "x ", "", "doc\\a.txt", 300, true},
    {"UNARJ32J.DLL", "Unarj", "doc-top.arj", "e ", " -sx1 -y1", "doc\\a.txt", 300, true},
    {"YZ1.DLL", "Yz1", "made.yz1", "x -y ", "", "ソフト\\表示.txt", 100, true},
    {"UNGCA32.DLL", "UnGCA", "made.gca", "e ", " -sx1", "ソフト\\表示.txt", 100, true},
};

// YZ1 and GCA have no tool to make fixtures with: our own writer makes them.
std::string FixtureFor(const DllCase& c, const InFolder& dir) {
    std::string name = c.fixture;
    if (name != "made.yz1" && name != "made.gca") return DataPath(name);
    std::vector<arc::Item> items(2);
    items[0].entry.name = "ソフト";
    items[0].entry.is_dir = true;
    items[1].entry.name = "ソフト/表示.txt";
    items[1].data = AsBytes(FixtureLines(100));
    items[1].entry.mtime = arc::UnixFromDos(kFixtureDosDate, kFixtureDosTime);
    arc::Bytes image;
    arc::Container_Write(name == "made.yz1" ? arc::ContainerKind::Yz1 : arc::ContainerKind::Gca,
                         items, true, &image);
    std::string path = dir / ("src-" + name);
    WriteFile(path, AsText(image));
    return path;
}

class CommonDll : public testing::TestWithParam<DllCase> {};

TEST_P(CommonDll, ExtractsWithTheProgramsCommandIntoTheCurrentFolder) {
    const DllCase& c = GetParam();
    StandInDll dll(c.file);
    ASSERT_TRUE(dll.Loaded());
    CommonExports x(dll, c.prefix);
    ASSERT_TRUE(x.Complete());
    InFolder dir;
    // Another program holds the archive open for writing, as a download still being saved
    // does: it is read all the same.
    std::string archive = dir / "held.arc";
    ASSERT_TRUE(CopyFileA(FixtureFor(c, dir).c_str(), archive.c_str(), FALSE));
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(0, x.Run(c.extract + archive + c.extract_tail));
    CloseHandle(held);
    EXPECT_EQ(FixtureLines(c.lines), ReadFile(dir / c.top_file));
}

TEST_P(CommonDll, MissingAndDamagedArchivesAreReported) {
    const DllCase& c = GetParam();
    StandInDll dll(c.file);
    CommonExports x(dll, c.prefix);
    InFolder dir;
    std::string missing = dir / "absent.arc";
    EXPECT_EQ(-1, x.count(missing.c_str()));
    EXPECT_EQ(0x8029, x.Run(c.extract + missing + c.extract_tail));

    std::string good = ReadFile(FixtureFor(c, dir));
    std::string damaged = dir / "damaged.arc";
    WriteFile(damaged, good.substr(0, good.size() * 2 / 3));
    EXPECT_EQ(-1, x.count(damaged.c_str()));
    int r = x.Run(c.extract + damaged + c.extract_tail);
    EXPECT_NE(0, r);
    EXPECT_NE(0x8029, r);
    WriteFile(damaged, "This is a plain text file and no archive of any kind.");
    EXPECT_EQ(-1, x.count(damaged.c_str()));
}

TEST_P(CommonDll, EntryRecordsCarrySizesCrcTimesAndMethod) {
    const DllCase& c = GetParam();
    StandInDll dll(c.file);
    CommonExports x(dll, c.prefix);
    InFolder dir;
    std::string archive = FixtureFor(c, dir);
    auto records = x.Records(archive);
    ASSERT_EQ(static_cast<size_t>(x.count(archive.c_str())), records.size());
    bool found = false;
    for (const auto& r : records) {
        if (std::string(r.file_name) != c.top_file) continue;
        found = true;
        std::string content = FixtureLines(c.lines);
        EXPECT_EQ(content.size(), r.original_size);
        EXPECT_EQ(c.stores_crc ? arc::Crc32(AsBytes(content)) : 0u, r.crc);
        EXPECT_EQ(kFixtureDosDate, r.date);
        EXPECT_EQ(kFixtureDosTime, r.time);
        EXPECT_NE('\0', r.method[0]);
        EXPECT_GT(r.compressed_size, 0u);
        EXPECT_EQ(r.compressed_size * 1000ull / r.original_size, r.ratio);
    }
    EXPECT_TRUE(found) << c.top_file;
}

TEST_P(CommonDll, FaultHooksCancelAndFail) {
    const DllCase& c = GetParam();
    StandInDll dll(c.file);
    CommonExports x(dll, c.prefix);
    InFolder dir;
    std::string archive = FixtureFor(c, dir);
    SetEnvironmentVariableA("ARCHIVER_STUB", "cancel-after:1");
    int cancelled = x.Run(c.extract + archive + c.extract_tail);
    SetEnvironmentVariableA("ARCHIVER_STUB", "fail:0x8017");
    int failed = x.Run(c.extract + archive + c.extract_tail);
    SetEnvironmentVariableA("ARCHIVER_STUB", nullptr);
    EXPECT_EQ(0x8020, cancelled);
    EXPECT_EQ(0x8017, failed);
}

INSTANTIATE_TEST_SUITE_P(Dlls, CommonDll, testing::ValuesIn(kCases));

}  // namespace

namespace {

// Japanese names from the real tools: 7zz and gcab store Unicode, arj the CP932 bytes.
TEST(CommonDlls, Cp932NamesFromRealToolsSurviveExtraction) {
    const struct {
        const char *file, *prefix, *fixture, *command, *tail;
    } cases[] = {{"7-ZIP32.DLL", "SevenZip", "sjis-names.7z", "x ", ""},
                 {"CAB32.DLL", "Cab", "sjis-names.cab", "-x -o ", ""},
                 {"UNARJ32J.DLL", "Unarj", "sjis-names.arj", "e ", " -sx1 -y1"}};
    for (const auto& c : cases) {
        StandInDll dll(c.file);
        CommonExports x(dll, c.prefix);
        InFolder dir;
        ASSERT_EQ(0, x.Run(c.command + DataPath(c.fixture) + c.tail)) << c.fixture;
        EXPECT_EQ(FixtureLines(20), ReadFile(dir / "資料\\表示.txt")) << c.fixture;
        EXPECT_EQ(FixtureLines(200), ReadFile(dir / "資料\\ソフト.txt")) << c.fixture;
        bool listed = false;
        for (const auto& r : x.Records(DataPath(c.fixture)))
            listed = listed || std::string(r.file_name) == "資料\\表示.txt";
        EXPECT_TRUE(listed) << c.fixture;
    }
}

}  // namespace

namespace {

// An archive image that takes the place of another one of the same size (the same buffer,
// as when memory is reused) must be parsed anew, not served from what was cached.
TEST(ReaderFormat, ReusedImageBufferIsParsedAnew) {
    std::vector<arc::Item> items(1);
    items[0].entry.name = "one.txt";
    items[0].data = AsBytes("first");
    arc::Bytes first, second;
    arc::SevenZip_Write(items, arc::SevenZipMethod::Copy, false, &first);
    items[0].entry.name = "two.txt";
    items[0].data = AsBytes("other");
    arc::SevenZip_Write(items, arc::SevenZipMethod::Copy, false, &second);
    ASSERT_EQ(first.size(), second.size());
    // The archive's bytes are this buffer, which then takes the second image.
    arc::Bytes buffer = first;
    arc::Archive archive;
    archive.bytes = arc::SharedBytes(buffer.data(), buffer.size(), nullptr);
    ASSERT_EQ(0, arc::kSevenZipFormat.parse(archive));
    std::copy(second.begin(), second.end(), buffer.begin());
    ASSERT_EQ(0, arc::kSevenZipFormat.parse(archive));
    ASSERT_EQ(1u, archive.entries.size());
    EXPECT_EQ("two.txt", archive.entries[0].name);
    std::vector<uint8_t> content;
    ASSERT_EQ(0, arc::kSevenZipFormat.decode(archive, archive.entries[0], content));
    EXPECT_EQ("other", std::string(content.begin(), content.end()));
}

}  // namespace
