// The floppy dialog's rules, without a window: the size format, the drive sizes the options
// turn on, and the states a real drive in the GUI tests does not show.
#include <gtest/gtest.h>

#include <string>

#include "floppy/floppy.h"

namespace {

std::string Size(unsigned long long bytes) {
    char text[32];
    return Floppy_FormatSize(bytes, text, sizeof text);
}

FileX_DiskSpace Disk(unsigned long clusters) {
    return FileX_DiskSpace{1, 512, 0, clusters};
}

}  // namespace

TEST(FloppyRules, SizesInKilobytesWithOneDecimalDigit) {
    EXPECT_EQ(Size(1239190), "1210.1KB");
    EXPECT_EQ(Size(1239142), "1210.0KB");
    EXPECT_EQ(Size(1457664), "1423.4KB");           // 512 / 103 is 4
    EXPECT_EQ(Size(5000000000ull), "4882812.4KB");  // a hard disk's free space, not wrapped
}

TEST(FloppyRules, ADriveAboveOneAndAHalfMegabytesIsNoFloppy) {
    EXPECT_EQ(Floppy_KindOf(true, Disk(3071)), Floppy_FloppySize);  // 1,572,352 bytes
    EXPECT_EQ(Floppy_KindOf(true, Disk(3072)), Floppy_LargeDrive);  // 1,572,864 bytes
    EXPECT_EQ(Floppy_KindOf(true, Disk(0)), Floppy_FloppySize);     // size unknown
    EXPECT_EQ(Floppy_KindOf(false, Disk(2847)), Floppy_NoDrive);
}

TEST(FloppyRules, NoDriveOffersNothingAndTheJoiningProgramGoesOnDiskOneOnly) {
    Floppy_View none = Floppy_ViewOf(Floppy_State{1, false, 0, 3000000}, Floppy_NoDrive, 0);
    EXPECT_TRUE(none.no_content);
    EXPECT_FALSE(none.execute_enabled || none.option_enabled[Floppy_DeleteAll] ||
                 none.option_enabled[Floppy_Keep] || none.option_enabled[Floppy_EditFirst]);
    EXPECT_TRUE(none.joiner_enabled && none.joiner_checked);

    Floppy_View second =
        Floppy_ViewOf(Floppy_State{2, false, 1454080, 1545920}, Floppy_FloppySize, 0);
    EXPECT_FALSE(second.joiner_enabled || second.joiner_checked);
    // The last step needs disk 1 whatever the drive shows, and deletes nothing.
    Floppy_View last = Floppy_ViewOf(Floppy_State{3, true, 3000000, 0}, Floppy_NoDrive, 0);
    EXPECT_TRUE(last.execute_enabled);
    EXPECT_EQ(last.option, Floppy_Keep);
    EXPECT_FALSE(last.joiner_enabled);
}
