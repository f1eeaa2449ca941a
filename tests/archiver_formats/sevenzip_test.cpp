#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "archive_cursor.h"
#include "lzma_codec.h"
#include "sevenzip_reader.h"
#include "sevenzip_writer.h"

using namespace arc;

namespace {

// 2004-08-26 14:30:58 UTC, the time of every fixture entry.
const uint16_t kFixtureDate = ((2004 - 1980) << 9) | (8 << 5) | 26;
const uint16_t kFixtureTime = (14 << 11) | (30 << 5) | (58 / 2);

TEST(SevenZipReader, ReadsSolidLzma2ArchiveMadeBy7zz) {
    SevenZipReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes("doc-top.7z")));
    const auto& e = reader.Entries();
    ASSERT_EQ(3u, e.size());
    EXPECT_EQ("doc", e[0].name);
    EXPECT_TRUE(e[0].is_dir);
    EXPECT_EQ("doc/a.txt", e[1].name);
    EXPECT_EQ(17100u, e[1].size);
    EXPECT_EQ(0x3FF0FAEEu, e[1].crc);
    EXPECT_EQ("LZMA2", e[1].method);
    EXPECT_EQ(kFixtureDate, e[1].dos_date);
    EXPECT_EQ(kFixtureTime, e[1].dos_time);
    EXPECT_EQ(260u, e[1].packed);  // the solid block's size, on its first file
    EXPECT_EQ(0u, e[2].packed);
    Bytes a, b;
    ASSERT_EQ(kOk, reader.Extract(1, &a));
    ASSERT_EQ(kOk, reader.Extract(2, &b));
    EXPECT_EQ(FixtureLines(300), AsText(a));
    EXPECT_EQ(FixtureLines(40), AsText(b));
}

TEST(SevenZipReader, ReadsCopyArchiveMadeBy7zz) {
    SevenZipReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes("flat-copy.7z")));
    ASSERT_EQ(2u, reader.Entries().size());
    EXPECT_EQ("Copy", reader.Entries()[0].method);
    EXPECT_EQ(11400u, reader.Entries()[0].packed);
    Bytes b;
    ASSERT_EQ(kOk, reader.Extract(1, &b));
    EXPECT_EQ(FixtureLines(20), AsText(b));
}

// 7-Zip puts programs behind its x86 branch filter (here forced with -mf=BCJ on a made-up
// program full of CALL and JMP opcodes); the reader's CRC check proves the filter undone.
TEST(SevenZipReader, ReadsProgramsBehindTheX86Filter) {
    SevenZipReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes("bcj-setup.7z")));
    ASSERT_EQ(1u, reader.Entries().size());
    EXPECT_EQ("setup.exe", reader.Entries()[0].name);
    EXPECT_EQ(0x9054209Fu, reader.Entries()[0].crc);
    EXPECT_EQ("LZMA2:15 BCJ", reader.Info().methods);
    Bytes out;
    ASSERT_EQ(kOk, reader.Extract(0, &out));
    EXPECT_EQ(30001u, out.size());
}

// Every coder and filter 7zz writes, decoded and CRC-checked: doc/a.txt and doc/b.txt, or
// the made-up program behind the branch filters.
class SevenZipMethods : public testing::TestWithParam<const char*> {};

TEST_P(SevenZipMethods, DecodeToTheContentTheirCrcNames) {
    SevenZipReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes(GetParam())));
    const auto& e = reader.Entries();
    ASSERT_FALSE(e.empty());
    for (size_t i = 0; i < e.size(); ++i) {
        SCOPED_TRACE(e[i].name);
        Bytes out;
        ASSERT_EQ(kOk, reader.Extract(i, &out));
        EXPECT_EQ(e[i].size, out.size());
    }
    Bytes again;  // an earlier entry after a later one: decoding starts over
    ASSERT_EQ(kOk, reader.Extract(e.size() - 1, &again));
    if (e.size() == 3) {
        ASSERT_EQ(kOk, reader.Extract(1, &again));
        EXPECT_EQ(FixtureLines(300), AsText(again));
    } else {
        EXPECT_EQ(0x9054209Fu, e[0].crc);
    }
}

INSTANTIATE_TEST_SUITE_P(Made_by_7zz, SevenZipMethods,
                         testing::Values("doc-top-ppmd.7z", "doc-top-bzip2.7z",
                                         "doc-top-deflate.7z", "bcj2-setup.7z", "arm-setup.7z"));

TEST(SevenZipReader, DamageIsReportedNotDecoded) {
    Bytes data = FixtureBytes("doc-top.7z");
    EXPECT_EQ(kErrNotArchive, SevenZipReader().Open(AsBytes("not an archive at all, no")));
    Bytes cut(data.begin(), data.begin() + data.size() - 30);
    EXPECT_EQ(kErrHeaderCrc, SevenZipReader().Open(cut));

    // A flipped byte in the packed data: headers still read, the content fails its check.
    Bytes flipped = FixtureBytes("flat-copy.7z");
    flipped[32 + 100] ^= 0x55;
    SevenZipReader reader;
    ASSERT_EQ(kOk, reader.Open(flipped));
    Bytes out;
    EXPECT_EQ(kErrFileCrc, reader.Extract(0, &out));
}

TEST(Lzma, StreamsRoundTripAndAClaimedSizeBeyondTheStreamIsDamage) {
    for (LzmaKind kind : {LzmaKind::Lzma, LzmaKind::Lzma2}) {
        Bytes text = AsBytes(FixtureLines(300)), packed, props, back;
        ASSERT_TRUE(Lzma_Encode(kind, text.data(), text.size(), &packed, &props));
        EXPECT_EQ(kind == LzmaKind::Lzma ? 5u : 1u, props.size());
        EXPECT_LT(packed.size(), text.size() / 10);  // repetitive text really compresses
        ASSERT_EQ(
            kOk, Lzma_Decode(kind, props, false, packed.data(), packed.size(), text.size(), &back));
        EXPECT_EQ(text, back);
        // A hostile header's size: the stream ends long before, and nothing that large is
        // allocated on the header's word.
        back.clear();
        EXPECT_EQ(kErrBrokenData, Lzma_Decode(kind, props, false, packed.data(), packed.size(),
                                              uint64_t(1) << 40, &back));
        EXPECT_EQ(kErrBrokenData, Lzma_Decode(kind, props, false, packed.data(), packed.size() / 2,
                                              text.size(), &back));
    }
}

struct WriterCase {
    SevenZipMethod method;
    bool solid;
    const char* keep_as;
    const char* method_name;
};

class SevenZipWriter : public testing::TestWithParam<WriterCase> {};

// What we write reads back through our reader and through libarchive, which is stricter
// about the header than 7-Zip (bsdtar and everything built on it).
TEST_P(SevenZipWriter, WrittenArchiveReadsBackWithNamesTimesAndFolders) {
    std::vector<Item> items(5);
    items[0].entry.name = "資料";
    items[0].entry.is_dir = true;
    items[1].entry.name = "資料/表示.txt";
    items[1].data = AsBytes(FixtureLines(50));
    items[2].entry.name = "資料/ソフト";
    items[2].data = {};
    items[3].entry.name = "bin.dat";
    items[3].data = MixedBytes(5000);
    items[4].entry.name = "資料/b.txt";
    items[4].data = AsBytes(FixtureLines(7));
    for (auto& item : items) item.entry.mtime = UnixFromDos(kFixtureDate, kFixtureTime);

    Bytes archive;
    ASSERT_EQ(kOk, SevenZip_Write(items, GetParam().method, GetParam().solid, &archive));
    KeepForInterop(GetParam().keep_as, archive, items);
    SevenZipReader reader;
    ASSERT_EQ(kOk, reader.Open(archive));
    EXPECT_EQ(GetParam().solid, reader.Info().solid);
    EXPECT_EQ(GetParam().solid ? 1u : 3u, reader.Info().blocks);
    const auto& e = reader.Entries();
    ASSERT_EQ(items.size(), e.size());
    EXPECT_TRUE(e[0].is_dir);
    EXPECT_FALSE(e[2].is_dir);
    SharedBytes image = archive;
    ArchiveCursor libarchive(&image, ArchiveCursor::Kind::SevenZip);
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].entry.name, e[i].name);
        EXPECT_EQ(kFixtureDate, e[i].dos_date);
        Bytes out, theirs;
        ASSERT_EQ(kOk, reader.Extract(i, &out)) << i;
        EXPECT_EQ(items[i].data, out) << i;
        ASSERT_EQ(kOk, libarchive.Read(i, &theirs)) << i;
        EXPECT_EQ(items[i].data, theirs) << i;
    }
    EXPECT_EQ(GetParam().method_name, e[1].method);

    // Written again with every block that holds one file kept as it was packed (an update of
    // unchanged files): the same bytes come out. A solid block is never taken apart, nor a
    // block of another method kept.
    const SevenZipMethod other =
        GetParam().method == SevenZipMethod::Lzma ? SevenZipMethod::Lzma2 : SevenZipMethod::Lzma;
    std::vector<Item> again = items;
    size_t kept = 0;
    for (size_t i = 0; i < again.size(); ++i) {
        Item scratch;
        EXPECT_FALSE(reader.KeepPacked(i, other, &scratch)) << i;
        if (!reader.KeepPacked(i, GetParam().method, &again[i])) continue;
        again[i].data.clear();
        ++kept;
    }
    EXPECT_EQ(GetParam().solid ? 0u : 3u, kept);
    Bytes rewritten;
    ASSERT_EQ(kOk, SevenZip_Write(again, GetParam().method, GetParam().solid, &rewritten));
    EXPECT_EQ(archive, rewritten);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, SevenZipWriter,
    testing::Values(WriterCase{SevenZipMethod::Copy, false, "written-copy.7z", "Copy"},
                    WriterCase{SevenZipMethod::Lzma, false, "written-lzma.7z", "LZMA"},
                    WriterCase{SevenZipMethod::Lzma, true, "written-lzma-solid.7z", "LZMA"},
                    WriterCase{SevenZipMethod::Lzma2, true, "written-lzma2-solid.7z", "LZMA2"},
                    WriterCase{SevenZipMethod::Copy, true, "written-copy-solid.7z", "Copy"}));

}  // namespace

namespace {

// The rows 7zz itself prints for this fixture (its names with '\', times in the test's
// local zone, which is UTC under the test prefix).
TEST(SevenZipListing, LaysOutRowsLike7Zip) {
    SevenZipReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes("doc-top.7z")));
    std::string text = SevenZip_ListText("Z:\\x\\doc-top.7z", reader);
    EXPECT_NE(
        std::string::npos,
        text.find("Listing archive: Z:\\x\\doc-top.7z\n\n--\nPath = Z:\\x\\doc-top.7z\nType = 7z\n"
                  "Physical Size = 439\nHeaders Size = 179\nMethod = LZMA2:24k\nSolid = +\n"
                  "Blocks = 1\n"))
        << text;
    const char* rows =
        "   Date      Time    Attr         Size   Compressed  Name\n"
        "------------------- ----- ------------ ------------  ------------------------\n"
        "2004-08-26 14:30:58 D....            0            0  doc\n"
        "2004-08-26 14:30:58 ....A        17100          260  doc\\a.txt\n"
        "2004-08-26 14:30:58 ....A         2280               doc\\b.txt\n"
        "------------------- ----- ------------ ------------  ------------------------\n"
        "2004-08-26 14:30:58              19380          260  2 files, 1 folders\n";
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == 0) {
        EXPECT_NE(std::string::npos, text.find(rows)) << text;
    } else {
        EXPECT_NE(std::string::npos, text.find("2 files, 1 folders\n")) << text;
    }
    EXPECT_EQ(std::string::npos, text.find('\r'));
}

}  // namespace
