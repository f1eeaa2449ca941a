#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "simple_container.h"

using namespace arc;

namespace {

std::vector<Item> SampleItems() {
    std::vector<Item> items(3);
    items[0].entry.name = "ソフト";
    items[0].entry.is_dir = true;
    items[1].entry.name = "ソフト/表示.txt";
    items[1].data = AsBytes(FixtureLines(100));
    items[1].entry.mtime =
        UnixFromDos(((2004 - 1980) << 9) | (8 << 5) | 26, (14 << 11) | (30 << 5) | 29);
    items[2].entry.name = "noise.bin";
    items[2].data = MixedBytes(3000);
    return items;
}

TEST(SimpleContainer, RoundTripsStoredAndCompressed) {
    for (bool compress : {false, true}) {
        Bytes archive;
        ASSERT_EQ(kOk, Container_Write(ContainerKind::Yz1, SampleItems(), compress, &archive));
        ContainerReader reader;
        ASSERT_EQ(kOk, reader.Open(archive, ContainerKind::Yz1));
        const auto& e = reader.Entries();
        ASSERT_EQ(3u, e.size());
        EXPECT_TRUE(e[0].is_dir);
        EXPECT_EQ("ソフト/表示.txt", e[1].name);
        EXPECT_EQ(compress ? "lzma" : "store", e[1].method);
        if (compress) {
            EXPECT_LT(e[1].packed, e[1].size / 5);
        }
        EXPECT_EQ(((2004 - 1980) << 9) | (8 << 5) | 26, e[1].dos_date);
        for (size_t i = 0; i < e.size(); ++i) {
            Bytes out;
            ASSERT_EQ(kOk, reader.Extract(i, &out));
            EXPECT_EQ(SampleItems()[i].data, out);
        }
    }
}

TEST(SimpleContainer, KindsAreNotInterchangeableAndDamageIsFound) {
    Bytes archive;
    ASSERT_EQ(kOk, Container_Write(ContainerKind::Gca, SampleItems(), true, &archive));
    EXPECT_EQ(kErrNotArchive, ContainerReader().Open(archive, ContainerKind::Yz1));
    EXPECT_EQ(kOk, ContainerReader().Open(archive, ContainerKind::Gca));

    Bytes header_hit = archive;
    header_hit[8 + 10] ^= 1;  // inside the first entry's header
    EXPECT_EQ(kErrHeaderCrc, ContainerReader().Open(header_hit, ContainerKind::Gca));

    Bytes cut(archive.begin(), archive.end() - 10);
    EXPECT_EQ(kErrHeaderCrc, ContainerReader().Open(cut, ContainerKind::Gca));

    Bytes data_hit;
    ASSERT_EQ(kOk, Container_Write(ContainerKind::Gca, SampleItems(), false, &data_hit));
    data_hit[data_hit.size() - 100] ^= 0x10;  // inside the stored noise
    ContainerReader reader;
    ASSERT_EQ(kOk, reader.Open(data_hit, ContainerKind::Gca));
    Bytes out;
    EXPECT_EQ(kErrFileCrc, reader.Extract(2, &out));
}

}  // namespace
