// The floppy dialog's rules, without a window: what its labels and options show for the
// state of the split and the drive chosen.
#include <gtest/gtest.h>

#include <string>

#include "floppy/floppy.h"

namespace {

std::string Size(unsigned long long bytes) {
    char text[32];
    return Floppy_FormatSize(bytes, text, sizeof text);
}

FileX_DiskSpace Disk(unsigned long clusters, unsigned long free) {
    return FileX_DiskSpace{1, 512, free, clusters};
}

}  // namespace

TEST(FloppyRules, SizesInKilobytesWithOneDecimalDigit) {
    EXPECT_EQ(Size(1239190), "1210.1KB");
    EXPECT_EQ(Size(1239142), "1210.0KB");
    EXPECT_EQ(Size(1023), "0.9KB");
    EXPECT_EQ(Size(1457664), "1423.4KB");           // 512 / 103 is 4
    EXPECT_EQ(Size(5000000000ull), "4882812.4KB");  // a hard disk's free space, not wrapped
}

TEST(FloppyRules, DriveKindFromItsSize) {
    EXPECT_EQ(Floppy_KindOf(false, Disk(2847, 2847)), Floppy_NoDrive);
    EXPECT_EQ(Floppy_KindOf(true, Disk(2847, 100)), Floppy_FloppySize);
    EXPECT_EQ(Floppy_KindOf(true, Disk(3071, 0)), Floppy_FloppySize);  // 1,572,352 bytes
    EXPECT_EQ(Floppy_KindOf(true, Disk(3072, 0)), Floppy_LargeDrive);  // 1,572,864 bytes
    EXPECT_EQ(Floppy_KindOf(true, Disk(0, 0)), Floppy_FloppySize);     // size unknown
}

TEST(FloppyRules, OptionsAndLabelsFollowTheDiskAndTheDrive) {
    Floppy_State first{1, false, 0, 3000000};
    Floppy_View floppy = Floppy_ViewOf(first, Floppy_FloppySize, 1457664);
    EXPECT_STREQ(floppy.disk_line, "1 枚目のフロッピー  空き容量：1423.4KB");
    EXPECT_STREQ(floppy.rest_line, "圧縮ファイルの残りサイズ：2929.6KB");
    EXPECT_TRUE(floppy.option_enabled[Floppy_DeleteAll] && floppy.option_enabled[Floppy_Keep] &&
                floppy.option_enabled[Floppy_EditFirst]);
    EXPECT_EQ(floppy.option, Floppy_DeleteAll);
    EXPECT_TRUE(floppy.execute_enabled && floppy.joiner_enabled && floppy.joiner_checked);
    EXPECT_FALSE(floppy.no_content);

    // A hard disk is never wiped.
    Floppy_View large = Floppy_ViewOf(first, Floppy_LargeDrive, 5000000000ull);
    EXPECT_FALSE(large.option_enabled[Floppy_DeleteAll]);
    EXPECT_TRUE(large.option_enabled[Floppy_Keep] && large.option_enabled[Floppy_EditFirst]);
    EXPECT_EQ(large.option, Floppy_Keep);
    EXPECT_TRUE(large.execute_enabled);

    Floppy_View none = Floppy_ViewOf(first, Floppy_NoDrive, 0);
    EXPECT_TRUE(none.no_content);
    EXPECT_FALSE(none.execute_enabled || none.option_enabled[Floppy_DeleteAll] ||
                 none.option_enabled[Floppy_Keep] || none.option_enabled[Floppy_EditFirst]);

    // The joining program goes on disk 1 only.
    Floppy_State second{2, false, 1454080, 1545920};
    Floppy_View next = Floppy_ViewOf(second, Floppy_FloppySize, 1458176);
    EXPECT_STREQ(next.disk_line, "2 枚目のフロッピー  空き容量：1424.0KB");
    EXPECT_FALSE(next.joiner_enabled || next.joiner_checked);

    // The last step rewrites disk 1's description and deletes nothing, on any drive.
    Floppy_State finished{3, true, 3000000, 0};
    Floppy_View last = Floppy_ViewOf(finished, Floppy_NoDrive, 0);
    EXPECT_STREQ(last.disk_line, "1 枚目のフロッピーをもう一度入れてください。");
    EXPECT_STREQ(last.rest_line, "分割結果の構成を記録します。");
    EXPECT_FALSE(last.option_enabled[Floppy_DeleteAll] || last.option_enabled[Floppy_Keep] ||
                 last.option_enabled[Floppy_EditFirst]);
    EXPECT_EQ(last.option, Floppy_Keep);
    EXPECT_TRUE(last.execute_enabled);
    EXPECT_FALSE(last.joiner_enabled);
}
