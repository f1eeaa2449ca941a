#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "simple_container.h"

using namespace ArcFormat;

namespace {

std::vector<WriteItem> SampleItems() {
    std::vector<WriteItem> items(3);
    items[0].path = "ソフト";
    items[0].is_dir = true;
    items[1].path = "ソフト\\表示.txt";
    items[1].data = AsBytes(FixtureLines(100));
    items[1].filetime =
        Format_DosToFileTime(((2004 - 1980) << 9) | (8 << 5) | 26, (14 << 11) | (30 << 5) | 29);
    items[2].path = "noise.bin";
    items[2].data = MixedBytes(3000);
    return items;
}

TEST(SimpleContainer, RoundTripsStoredAndCompressed) {
    for (bool compress : {false, true}) {
        Bytes archive;
        ASSERT_EQ(Status::Ok,
                  Container_Write(ContainerKind::Yz1, SampleItems(), compress, &archive));
        ContainerReader reader;
        ASSERT_EQ(Status::Ok, reader.Open(archive, ContainerKind::Yz1));
        const auto& e = reader.Entries();
        ASSERT_EQ(3u, e.size());
        EXPECT_TRUE(e[0].is_dir);
        EXPECT_EQ("ソフト\\表示.txt", e[1].path);
        EXPECT_EQ(compress ? "lzma" : "store", e[1].method);
        if (compress) {
            EXPECT_LT(e[1].packed, e[1].size / 5);
        }
        EXPECT_EQ(((2004 - 1980) << 9) | (8 << 5) | 26, e[1].dos_date);
        for (size_t i = 0; i < e.size(); ++i) {
            Bytes out;
            ASSERT_EQ(Status::Ok, reader.Extract(i, &out));
            EXPECT_EQ(SampleItems()[i].data, out);
        }
    }
}

TEST(SimpleContainer, KindsAreNotInterchangeableAndDamageIsFound) {
    Bytes archive;
    ASSERT_EQ(Status::Ok, Container_Write(ContainerKind::Gca, SampleItems(), true, &archive));
    EXPECT_EQ(Status::NotArchive, ContainerReader().Open(archive, ContainerKind::Yz1));
    EXPECT_EQ(Status::Ok, ContainerReader().Open(archive, ContainerKind::Gca));

    Bytes header_hit = archive;
    header_hit[8 + 10] ^= 1;  // inside the first entry's header
    EXPECT_EQ(Status::BrokenHeader, ContainerReader().Open(header_hit, ContainerKind::Gca));

    Bytes cut(archive.begin(), archive.end() - 10);
    EXPECT_EQ(Status::BrokenHeader, ContainerReader().Open(cut, ContainerKind::Gca));

    Bytes data_hit;
    ASSERT_EQ(Status::Ok, Container_Write(ContainerKind::Gca, SampleItems(), false, &data_hit));
    data_hit[data_hit.size() - 100] ^= 0x10;  // inside the stored noise
    ContainerReader reader;
    ASSERT_EQ(Status::Ok, reader.Open(data_hit, ContainerKind::Gca));
    Bytes out;
    EXPECT_EQ(Status::CrcError, reader.Extract(2, &out));
}

}  // namespace
