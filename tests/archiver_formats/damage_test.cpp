#include <gtest/gtest.h>

#include "arj_reader.h"
#include "cab_format.h"
#include "format_fixtures.h"
#include "sevenzip_reader.h"
#include "simple_container.h"

using namespace arc;

namespace {

// Every reader faces archives damaged at many places. Each must either refuse the archive
// or hand back exactly the content its check value promises: never a crash, never wrong
// bytes reported as good.
template <class Reader, class Open>
void SurvivesDamage(const Bytes& good, Open open) {
    for (size_t at = 0; at < good.size(); at += 1 + good.size() / 300) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            Bytes bad = good;
            bad[at] ^= mask;
            Reader reader;
            if (open(reader, bad) != kOk) continue;
            for (size_t i = 0; i < reader.Entries().size(); ++i) {
                const Entry& e = reader.Entries()[i];
                Bytes out;
                if (reader.Extract(i, &out) != kOk || e.is_dir) continue;
                EXPECT_EQ(e.size, out.size()) << "damage at " << at;
                if (e.has_crc) {
                    EXPECT_EQ(e.crc, Crc32(out)) << "damage at " << at;
                }
            }
        }
        Bytes cut(good.begin(), good.begin() + at);
        Reader reader;
        open(reader, cut);
    }
}

TEST(Damage, SevenZipReaderNeverCrashesOrLies) {
    auto open = [](SevenZipReader& r, const Bytes& b) { return r.Open(b); };
    SurvivesDamage<SevenZipReader>(FixtureBytes("doc-top.7z"), open);
    SurvivesDamage<SevenZipReader>(FixtureBytes("flat-copy.7z"), open);
}

TEST(Damage, ArjReaderNeverCrashesOrLies) {
    auto open = [](ArjReader& r, const Bytes& b) { return r.Open(b); };
    SurvivesDamage<ArjReader>(FixtureBytes("doc-top.arj"), open);
    SurvivesDamage<ArjReader>(FixtureBytes("flat-m4.arj"), open);
}

TEST(Damage, ContainerReaderNeverCrashesOrLies) {
    std::vector<Item> items(2);
    items[0].entry.name = "a.txt";
    items[0].data = AsBytes(FixtureLines(60));
    items[1].entry.name = "b.bin";
    items[1].data = MixedBytes(900);
    Bytes image;
    ASSERT_EQ(kOk, Container_Write(ContainerKind::Yz1, items, true, &image));
    SurvivesDamage<ContainerReader>(
        image, [](ContainerReader& r, const Bytes& b) { return r.Open(b, ContainerKind::Yz1); });
}

TEST(Damage, CabReaderNeverCrashes) {
    // Cabinets carry no file CRC, so only survival is checked here: what decodes has the
    // size the directory says.
    Bytes good = FixtureBytes("flat.cab");
    for (size_t at = 0; at < good.size(); at += 1 + good.size() / 150) {
        Bytes bad = good;
        bad[at] ^= 0xFF;
        CabReader reader;
        if (reader.Open(bad) != kOk) continue;
        for (size_t i = 0; i < reader.Entries().size(); ++i) {
            Bytes out;
            if (reader.Extract(i, &out) == kOk) {
                EXPECT_EQ(reader.Entries()[i].size, out.size());
            }
        }
    }
}

}  // namespace
