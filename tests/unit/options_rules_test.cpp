// The options sheet's rules without a window: the page shown first, the default verb of the
// archive types, and which folders the cache clearing refuses.
#include <gtest/gtest.h>

#include "options/melt_page.h"
#include "options/sheet.h"
#include "settings/settings.h"

TEST(OptionsFirstPage, RequestedThenLastPageAndTheDllPageWithoutDlls) {
    EXPECT_EQ(Options_FirstPage(Options_LastPage, 2, false), 2);
    EXPECT_EQ(Options_FirstPage(Options_DllPage, 2, false), 3);
    EXPECT_EQ(Options_FirstPage(Options_MeltPage, 4, false), 0);
    // A PrevPage that names no page.
    EXPECT_EQ(Options_FirstPage(Options_LastPage, 5, false), 0);
    EXPECT_EQ(Options_FirstPage(Options_LastPage, -3, false), 0);
    // Nothing associated yet: the DLL installer page, whatever was asked for.
    EXPECT_EQ(Options_FirstPage(Options_LastPage, 1, true), 3);
    EXPECT_EQ(Options_FirstPage(Options_VersionPage, 1, true), 3);
}

TEST(OptionsDefaultVerb, InstallDialogOnlyForExtractAndInstall) {
    EXPECT_STREQ(Options_DefaultVerb(Zent_DefAct_Melt), "3.Melt(&I)");
    for (int action : {Zent_DefAct_AutoFold, Zent_DefAct_AutoExp, Zent_DefAct_Fold, Zent_DefAct_Exp,
                       Zent_DefAct_None})
        EXPECT_STREQ(Options_DefaultVerb(action), "open") << action;
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
