// One line of the LHA listing report for an entry record: the cut name and extension, the
// sizes, ratio, date, CRC, OS name, attributes, method and full path.
#include "archiver/listing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

Zent_EntryRecord Entry(const char* path, unsigned os_type) {
    Zent_EntryRecord e{};
    e.original_size = 10240;
    e.compressed_size = 5355;
    e.crc = 0x4B71;
    e.os_type = os_type;
    e.ratio = 523;
    e.date = ((2004 - 1980) << 9) | (8 << 5) | 26;
    e.time = (14 << 11) | (30 << 5) | (58 / 2);
    strcpy(e.path, path);
    strcpy(e.attribute, "--s-r");
    strcpy(e.method, "-lh5-");
    return e;
}

std::string Line(const Zent_EntryRecord& e) {
    char out[700];
    return Zent_LhaReportLine(&e, out, sizeof out);
}

TEST(LhaReportLine, ColumnsOfTheLayout) {
    EXPECT_EQ(
        "manual  .htm     10240      5355  52.3% 04/08/26 14:30:58 4B71  WinNT  --s-r   -lh5-   "
        "docs\\manual.html\n",
        Line(Entry("docs\\manual.html", 18)));
}

TEST(LhaReportLine, NamesAreCutWithoutBreakingACharacterAndUnknownSystemsAreOther) {
    // No extension: a dot and blanks. Eight bytes end in the middle of ソ: its lead byte goes.
    EXPECT_EQ("README  .     ", Line(Entry("README", 0)).substr(0, 14));
    EXPECT_EQ("ABCソフ .t\x95\x5c ", Line(Entry("d\\ABCソフトウェア.t表示", 0)).substr(0, 13));
    EXPECT_NE(std::string::npos, Line(Entry("a.txt", 99)).find(" other  "));
    EXPECT_EQ("sub     .     ", Line(Entry("docs\\sub\\", 2)).substr(0, 14));
}

}  // namespace
