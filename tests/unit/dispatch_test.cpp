#include "app/dispatch.h"

#include <gtest/gtest.h>

TEST(Dispatch, EmptyTextOpensTheOptionsOnTheLastPage) {
    EXPECT_EQ(Dispatch_Choose(""), Dispatch_OptionsLastPage);
}

TEST(Dispatch, DashZMatchesOnlyAsTheWholeText) {
    EXPECT_EQ(Dispatch_Choose("-z"), Dispatch_OptionsDllPage);
    EXPECT_EQ(Dispatch_Choose("-z "), Dispatch_Drop);
    EXPECT_EQ(Dispatch_Choose("-zx"), Dispatch_Drop);
    EXPECT_EQ(Dispatch_Choose("-z \"C:\\a.lzh\""), Dispatch_Drop);
}

TEST(Dispatch, EachOptionIsALetterAndASpace) {
    struct Case {
        const char* args;
        Dispatch_Action action;
    };
    const Case cases[] = {
        {"-x \"C:\\folder\"", Dispatch_Freeze},
        {"-u \"C:\\a.lzh\"", Dispatch_Update},
        {"-r \"C:\\a.lzh\"", Dispatch_BackToNormal},
        {"-v \"C:\\a.lzh\"", Dispatch_Floppy},
        {"-i \"C:\\a.lzh\"", Dispatch_Install},
        {"-p \"C:\\a.lzh\"", Dispatch_ListReport},
        {"-o \"C:\\a.lzh\"", Dispatch_OpenFolder},
        {"-c \"C:\\a\" \"C:\\b\"", Dispatch_QuickFreeze},
        {"-d \"C:\\a.lzh\"", Dispatch_DoubleClick},
        {"-d ", Dispatch_DoubleClick},
    };
    for (const Case& c : cases) EXPECT_EQ(Dispatch_Choose(c.args), c.action) << c.args;
}

TEST(Dispatch, AnythingElseIsTheDropAction) {
    for (const char* args : {"\"C:\\a.lzh\"", "-x", "-d", "-X \"C:\\f\"", "-dx", " -d \"C:\\a\"",
                             "C:\\a.lzh C:\\b.zip", "-"}) {
        EXPECT_EQ(Dispatch_Choose(args), Dispatch_Drop) << args;
    }
}
