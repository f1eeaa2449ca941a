#include <gtest/gtest.h>

#include "arj_reader.h"
#include "format_fixtures.h"

using namespace arc;

namespace {

struct ArjCase {
    const char* file;
    const char* method;
};

class ArjFixture : public testing::TestWithParam<ArjCase> {};

// Fixtures made by arj 3.10 with -m0 to -m4; each entry must decode and match arj's CRC.
TEST_P(ArjFixture, EveryEntryDecodesToArjsCrc) {
    ArjReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes(GetParam().file)));
    ASSERT_FALSE(reader.Entries().empty());
    for (size_t i = 0; i < reader.Entries().size(); ++i) {
        const Entry& e = reader.Entries()[i];
        EXPECT_EQ(GetParam().method, e.method);
        Bytes out;
        ASSERT_EQ(kOk, reader.Extract(i, &out)) << e.name;
        EXPECT_EQ(e.size, out.size());
        EXPECT_EQ(static_cast<uint16_t>(((2004 - 1980) << 9) | (8 << 5) | 26), e.dos_date);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ArjFixture,
    testing::Values(ArjCase{"flat-store.arj", "Stored"}, ArjCase{"doc-top.arj", "Method1"},
                    ArjCase{"mixed-m1.arj", "Method1"}, ArjCase{"flat-m2.arj", "Method2"},
                    ArjCase{"flat-m3.arj", "Method3"}, ArjCase{"flat-m4.arj", "Method4"},
                    ArjCase{"mixed-m4.arj", "Method4"}));

TEST(ArjReader, EntriesCarryPathsSizesAndContent) {
    ArjReader reader;
    ASSERT_EQ(kOk, reader.Open(FixtureBytes("doc-top.arj")));
    const auto& e = reader.Entries();
    ASSERT_EQ(2u, e.size());
    EXPECT_EQ("doc/b.txt", e[0].name);
    EXPECT_EQ(2280u, e[0].size);
    EXPECT_EQ(154u, e[0].packed);
    EXPECT_EQ("doc/a.txt", e[1].name);
    Bytes a;
    ASSERT_EQ(kOk, reader.Extract(1, &a));
    EXPECT_EQ(FixtureLines(300), AsText(a));
}

TEST(ArjReader, DamageIsFoundInHeadersAndData) {
    Bytes good = FixtureBytes("doc-top.arj");
    EXPECT_EQ(kErrNotArchive, ArjReader().Open(AsBytes("PK\x03\x04 not arj")));
    Bytes header_hit = good;
    header_hit[10] ^= 0x20;  // the main header's CRC no longer matches
    EXPECT_EQ(kErrHeaderCrc, ArjReader().Open(header_hit));
    Bytes cut(good.begin(), good.begin() + good.size() / 2);
    EXPECT_EQ(kErrHeaderCrc, ArjReader().Open(cut));

    Bytes data_hit = FixtureBytes("mixed-m1.arj");
    data_hit[data_hit.size() - 2000] ^= 0x04;
    ArjReader reader;
    ASSERT_EQ(kOk, reader.Open(data_hit));
    Bytes out;
    int s = reader.Extract(0, &out);
    EXPECT_TRUE(s == kErrBrokenData || s == kErrFileCrc);
}

TEST(ArjDecoders, GarbageNeverReadsPastItsInput) {
    Bytes noise = MixedBytes(300, 7);
    Bytes out;
    for (size_t cut = 0; cut < noise.size(); cut += 37) {
        Arj_DecodeLzh(noise.data(), cut, 5000, &out);
        EXPECT_LE(out.size(), 5000u);
        Arj_DecodeFastest(noise.data(), cut, 5000, &out);
        EXPECT_LE(out.size(), 5000u);
    }
}

}  // namespace
