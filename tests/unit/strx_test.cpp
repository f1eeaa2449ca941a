#include "lib/strx.h"

#include <gtest/gtest.h>

TEST(StrXBuildDate, CompileDateBecomesSixDigitVersion) {
    EXPECT_STREQ(StrX_BuildDate("Aug 26 2004", "00:05:00", "%y%m%d"), "040826");
    EXPECT_STREQ(StrX_BuildDate("Dec  3 2026", "23:59:58", "%Y-%m-%d %H:%M:%S"),
                 "2026-12-03 23:59:58");
}

TEST(StrXBuildDate, UnknownMonthNameCountsAsThirteen) {
    EXPECT_STREQ(StrX_BuildDate("Foo  1 2004", "00:00:00", "%m"), "13");
}
