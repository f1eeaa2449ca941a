#include <gtest/gtest.h>

#include "cab_format.h"
#include "format_fixtures.h"

using namespace arc;

namespace {

TEST(CabReader, ReadsGcabCabinetsStoredAndMszip) {
    for (const char* file : {"flat.cab", "flat-store.cab"}) {
        CabReader reader;
        ASSERT_EQ(kOk, reader.Open(FixtureBytes(file))) << file;
        const auto& e = reader.Entries();
        ASSERT_EQ(2u, e.size());
        EXPECT_EQ("a.txt", e[0].name);
        EXPECT_EQ(11400u, e[0].size);
        EXPECT_EQ(std::string(file) == "flat.cab" ? "MSZIP" : "Stored", e[0].method);
        EXPECT_FALSE(e[0].has_crc);  // cabinets store none
        Bytes a, b;
        ASSERT_EQ(kOk, reader.Extract(0, &a));
        EXPECT_EQ(FixtureLines(200), AsText(a));
        ASSERT_EQ(kOk, reader.Extract(1, &b));
        EXPECT_EQ(FixtureLines(20), AsText(b));
    }
}

// lzx.cab is test_read_format_cab_3.cab of libarchive's test data: empty, zero (33,000 zero
// bytes), dir1/file1 and dir2/file2, LZX.
TEST(CabReader, ReadsLzxCabinets) {
    CabReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes("lzx.cab")));
    const auto& e = reader.Entries();
    ASSERT_EQ(4u, e.size());
    EXPECT_EQ("zero", e[1].name);
    EXPECT_EQ("dir2/file2", e[3].name);
    Bytes zero, file2;
    ASSERT_EQ(kOk, reader.Extract(1, &zero));
    EXPECT_EQ(Bytes(33000, 0), zero);
    ASSERT_EQ(kOk, reader.Extract(3, &file2));
    EXPECT_EQ(78u, file2.size());
}

// The directory is read at open, the data when the first entry is extracted (a listing
// decodes nothing), so damage to the data is reported by the extraction.
TEST(CabReader, DamageAndForeignDataAreReported) {
    EXPECT_EQ(kErrNotArchive, CabReader().Open(AsBytes("7z is not a cabinet, nor is this")));
    Bytes good = FixtureBytes("flat.cab");
    Bytes cut(good.begin(), good.begin() + good.size() / 2);
    EXPECT_NE(kOk, CabReader().Open(cut));
    Bytes hit = good;
    for (size_t i = good.size() - 200; i < good.size() - 150; ++i) hit[i] ^= 0xA5;
    CabReader reader;
    ASSERT_EQ(kOk, reader.Open(hit));
    Bytes out;
    for (size_t i = 0; i < reader.Entries().size(); ++i) EXPECT_NE(kOk, reader.Extract(i, &out));
    // Offsets near 4 GiB must not wrap around into the cabinet: the folder's data, the
    // file records.
    for (size_t field : {36u, 16u}) {
        Bytes distant = good;
        for (int k = 0; k < 4; ++k) distant[field + k] = k == 0 ? 0xFC : 0xFF;
        EXPECT_NE(kOk, CabReader().Open(distant)) << field;
    }
}

TEST(CabWriter, WrittenCabinetReadsBackThroughFdi) {
    std::vector<Item> items(3);
    items[0].entry.name = "資料";
    items[0].entry.is_dir = true;  // not stored: cabinets hold files
    items[1].entry.name = "資料/表示.txt";
    items[1].data = AsBytes(FixtureLines(120));
    items[1].entry.mtime =
        UnixFromDos(((2004 - 1980) << 9) | (8 << 5) | 26, (14 << 11) | (30 << 5) | 29);
    items[2].entry.name = "bin/noise.dat";
    items[2].data = MixedBytes(40000);
    for (bool compress : {false, true}) {
        Bytes cab;
        ASSERT_EQ(kOk, Cab_Write(items, compress, &cab));
        KeepForInterop(compress ? "written-mszip.cab" : "written-stored.cab", cab, items);
        CabReader reader;
        ASSERT_EQ(kOk, reader.Open(cab));
        const auto& e = reader.Entries();
        ASSERT_EQ(2u, e.size());
        EXPECT_EQ("資料/表示.txt", e[0].name);
        EXPECT_EQ(((2004 - 1980) << 9) | (8 << 5) | 26, e[0].dos_date);
        EXPECT_EQ(compress ? "MSZIP" : "Stored", e[0].method);
        if (compress) {
            EXPECT_LT(cab.size(), 30000u);
        }
        Bytes out;
        ASSERT_EQ(kOk, reader.Extract(1, &out));
        EXPECT_EQ(items[2].data, out);
    }
}

}  // namespace
