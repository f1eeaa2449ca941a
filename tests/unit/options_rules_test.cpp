// The options sheet's rules without a window: the page shown first for a PrevPage that
// names no page, and which folders the cache clearing refuses.
#include <gtest/gtest.h>

#include "options/melt_page.h"
#include "options/sheet.h"
#include "settings/settings.h"

// The sheet tests run the other cases through the program.
TEST(OptionsFirstPage, PrevPageThatNamesNoPageGivesTheMeltPage) {
    EXPECT_EQ(Options_FirstPage(Options_LastPage, 5, false), 0);
    EXPECT_EQ(Options_FirstPage(Options_LastPage, -3, false), 0);
    EXPECT_EQ(Options_FirstPage(Options_VersionPage, 9, true), 3);
}

TEST(OptionsClearableCache, NeverTheUsersFoldersNorWhereverTheProcessIs) {
    const char* const kept[] = {"C:\\Users\\me\\Desktop", "C:\\Program Files\\QuarvelSV\\", ""};
    for (const char* folder : {"C:\\Users\\me\\Desktop\\Archives Cache", "c:\\ArcCache",
                               "\\\\server\\share\\cache", "C:\\Program Files\\Archives Cache"})
        EXPECT_TRUE(Options_IsClearableCache(folder, kept, 3)) << folder;
    for (const char* folder : {"C:\\Users\\me\\Desktop", "c:\\users\\ME\\desktop\\",
                               "C:\\Users\\me", "C:\\Program Files", "C:\\Program Files\\QuarvelSV",
                               "", "Archives Cache", "\\Archives Cache", "C:Archives Cache"})
        EXPECT_FALSE(Options_IsClearableCache(folder, kept, 3)) << folder;
}
