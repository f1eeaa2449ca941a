// The web's mark read and written as Windows keeps it, in a stream of the file; under Wine
// that stream is a file "<name>:Zone.Identifier" beside it.
#include <gtest/gtest.h>

#include <string>

#include "../support/test_folders.h"
#include "shell/winx_zone.h"

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(WinXZoneMark, CopiedFromOneFileToAnother) {
    TempDir dir;
    std::string from = dir / "app.lzh", to = dir / "setup.exe";
    WriteFile(from, "LZH");
    WriteFile(to, "MZ");
    static WinX_ZoneMark mark;
    EXPECT_FALSE(WinX_ReadZoneMark(from.c_str(), &mark));
    std::string text = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.com/app.lzh\r\n";
    WriteFile(from + ":Zone.Identifier", text);
    ASSERT_TRUE(WinX_ReadZoneMark(from.c_str(), &mark));
    EXPECT_EQ(std::string(mark.text, mark.size), text);
    EXPECT_TRUE(WinX_IsInternetZone(&mark));
    ASSERT_TRUE(WinX_WriteZoneMark(to.c_str(), &mark));
    EXPECT_EQ(ReadFile(to + ":Zone.Identifier"), text);
    EXPECT_EQ(ReadFile(to), "MZ");  // the file itself is untouched
    EXPECT_TRUE(WinX_CameFromInternet(to.c_str()));

    // A stream longer than any mark Windows writes carries its zone alone.
    WriteFile(from + ":Zone.Identifier", "[ZoneTransfer]\r\nZoneId=4\r\n" + std::string(9000, 'x'));
    ASSERT_TRUE(WinX_ReadZoneMark(from.c_str(), &mark));
    EXPECT_STREQ(mark.text, "[ZoneTransfer]\r\nZoneId=4\r\n");
    EXPECT_EQ(mark.size, strlen(mark.text));
}

TEST(WinXZoneMark, StreamsAreNoEntriesOfAFolder) {
    EXPECT_TRUE(WinX_IsStreamName("readme.txt:Zone.Identifier"));
    EXPECT_TRUE(WinX_IsStreamName("a:b"));
    EXPECT_FALSE(WinX_IsStreamName("readme.txt"));
    EXPECT_FALSE(WinX_IsStreamName("資料"));
}
