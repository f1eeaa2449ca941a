#include "lib/stdplus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../support/raise_capture.h"

using testing_support::CatchRaise;

// 表 = 95 5C and ソ = 83 5C: their second byte is the backslash.
static const char kHyou[] = "表";
static const char kSo[] = "ソ";

TEST(StdPlusText, SourcesReallyHoldTrailBackslashes) {
    ASSERT_EQ(strlen(kHyou), 2u);
    EXPECT_EQ(static_cast<unsigned char>(kHyou[0]), 0x95);
    EXPECT_EQ(kHyou[1], '\\');
    EXPECT_EQ(static_cast<unsigned char>(kSo[0]), 0x83);
    EXPECT_EQ(kSo[1], '\\');
    EXPECT_TRUE(StdPlus_IsLead(0x95));
    EXPECT_FALSE(StdPlus_IsLead('a'));
}

TEST(StdPlusMemory, CountsLiveBlocks) {
    int before = StdPlus_LiveBlocks();
    void* a = StdPlus_Malloc(10);
    void* b = StdPlus_Malloc(20);
    EXPECT_EQ(StdPlus_LiveBlocks(), before + 2);
    StdPlus_Free(a);
    StdPlus_Free(nullptr);
    EXPECT_EQ(StdPlus_LiveBlocks(), before + 1);
    StdPlus_Free(b);
    EXPECT_EQ(StdPlus_LiveBlocks(), before);
}

TEST(StdPlusMemory, FailedAllocationRaises) {
    auto caught = CatchRaise([] { StdPlus_Malloc(static_cast<size_t>(-1) / 2); });
    EXPECT_EQ(caught.code, StdPlus_Err_MallocFailure);
    EXPECT_EQ(caught.message, "malloc できません");
}

TEST(StdPlusCopy, BoundedCopiesTerminate) {
    char buf[8] = "xxxxxxx";
    EXPECT_STREQ(StdPlus_CopyN(buf, "abc", 8), "abc");
    EXPECT_STREQ(StdPlus_CopyN(buf, "abcdefghij", 5), "abcd");
    StdPlus_CopyN(buf, "zz", 0);
    EXPECT_STREQ(buf, "abcd");

    char until[16];
    EXPECT_STREQ(StdPlus_CopyUntil(until, 10, "key=value", '='), "key");
    EXPECT_STREQ(StdPlus_CopyUntil(until, 3, "abcdef", '='), "abc");

    // The size is the buffer's: the text fills it up to the terminator in its last byte,
    // and a text that would not fit raises, leaving the buffer and the bytes after it alone.
    struct {
        char text[8] = "abc";
        char after = '#';
    } cat;
    EXPECT_STREQ(StdPlus_CatN(cat.text, "defg", sizeof cat.text), "abcdefg");
    auto caught = CatchRaise([&] { StdPlus_CatN(cat.text, "h", sizeof cat.text); });
    EXPECT_EQ(caught.code, StrX_Err_TooLongPath);
    EXPECT_STREQ(cat.text, "abcdefg");
    EXPECT_EQ(cat.after, '#');

    char pre[16] = "world";
    EXPECT_STREQ(StdPlus_Prepend(pre, "hello "), "hello world");
}

TEST(StdPlusTrail, AddAndDropRespectDoubleByteCharacters) {
    char path[32];
    strcpy(path, "C:\\表");  // ends in the byte 5C, but not in a backslash
    StdPlus_AddTrailChar(path, '\\', sizeof path);
    EXPECT_EQ(std::string(path), std::string("C:\\表\\"));
    StdPlus_AddTrailChar(path, '\\', sizeof path);
    EXPECT_EQ(std::string(path), std::string("C:\\表\\"));
    StdPlus_DropTrailChar(path, '\\');
    EXPECT_EQ(std::string(path), std::string("C:\\表"));
    StdPlus_DropTrailChar(path, '\\');
    EXPECT_EQ(std::string(path), std::string("C:\\表"));

    // The byte-wise forms do not look at characters.
    StdPlus_DropLastIf(path, '\\');
    EXPECT_EQ(strlen(path), 4u);
    strcpy(path, "ab");
    StdPlus_DropLast(path);
    EXPECT_STREQ(path, "a");
    EXPECT_EQ(StdPlus_LastChar(path), 'a');
    EXPECT_EQ(StdPlus_LastChar(""), '\0');
}

TEST(StdPlusTrail, DropBrokenLeadRemovesOnlyAHalfCharacter) {
    char cut[8] = "a";
    cut[1] = kSo[0];  // a lead byte whose trail was cut off
    cut[2] = '\0';
    StdPlus_DropBrokenLead(cut);
    EXPECT_STREQ(cut, "a");
    char whole[8];
    strcpy(whole, "aソ");
    StdPlus_DropBrokenLead(whole);
    EXPECT_EQ(std::string(whole), std::string("aソ"));
}

TEST(StdPlusSearch, FindsOnlyWholeSingleByteCharacters) {
    const char* path = "ソフト\\表示.txt";
    const char* sep = StdPlus_FindChar(path, '\\');
    ASSERT_NE(sep, nullptr);
    EXPECT_EQ(sep - path, 6);
    const char* last = StdPlus_FindLastChar(path, '\\');
    EXPECT_EQ(last, sep);
    EXPECT_EQ(StdPlus_FindChar("表", '\\'), nullptr);
    EXPECT_EQ(StdPlus_FindLastChar("表示", '\\'), nullptr);
    EXPECT_EQ(StdPlus_FindAnyOf("表/x\\", "\\/") - "表/x\\", 2);
    EXPECT_EQ(StdPlus_FindAnyOf("表", "\\/"), nullptr);
    const char* text = "Hello World";
    EXPECT_EQ(StdPlus_FindNoCase(text, "WORLD"), text + 6);
    EXPECT_EQ(StdPlus_FindNoCase(text, "worlds"), nullptr);
}

TEST(StdPlusReplace, CharReplacementLeavesTrailBytes) {
    char path[32];
    strcpy(path, "a\\表\\ソ");
    StdPlus_ReplaceChar(path, '\\', '/');
    EXPECT_EQ(std::string(path), std::string("a/表/ソ"));
}

TEST(StdPlusReplace, TextReplacementStaysInsideTheBuffer) {
    char buf[32] = "a b c";
    EXPECT_STREQ(StdPlus_ReplaceText(buf, sizeof buf, " ", "%20"), "a%20b%20c");
    // Scanning goes on after the inserted text, so "aa" in "a" -> "aa" does not loop.
    char grow[16] = "aaa";
    EXPECT_STREQ(StdPlus_ReplaceText(grow, sizeof grow, "a", "aa"), "aaaaaa");
    char small[8] = "x y z";
    StdPlus_ReplaceText(small, sizeof small, " ", "%20");
    EXPECT_STREQ(small, "x%20y%2");
    char shrink[16] = "one--two--";
    EXPECT_STREQ(StdPlus_ReplaceText(shrink, sizeof shrink, "--", "-"), "one-two-");
}

TEST(StdPlusTrim, RemovesWhiteSpaceAtBothEnds) {
    char buf[32] = " \t key = v \r\n";
    EXPECT_STREQ(StdPlus_Trim(buf), "key = v");
    char blank[4] = "   ";
    EXPECT_STREQ(StdPlus_Trim(blank), "");
}

static std::string Quote(const char* value, size_t size = 256) {
    char out[256];
    return StdPlus_CsvQuote(out, size, value);
}

TEST(StdPlusCsv, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(Quote("inner blanks stay bare"), "inner blanks stay bare");
    EXPECT_EQ(Quote("a,b"), "\"a,b\"");
    EXPECT_EQ(Quote("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(Quote(" lead"), "\" lead\"");
    EXPECT_EQ(Quote("trail "), "\"trail \"");
    EXPECT_EQ(Quote(""), "");
    EXPECT_EQ(Quote("a,b", 4), "\"a,");
}

TEST(StdPlusCsv, FieldsParseInPlace) {
    char text[] = "  plain  , \"q,\"\"x\"\" \" junk , ,last";
    char* next = nullptr;
    EXPECT_STREQ(StdPlus_CsvField(text, &next), "plain");
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(StdPlus_CsvField(next, &next), "q,\"x\" ");
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(StdPlus_CsvField(next, &next), "");
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(StdPlus_CsvField(next, &next), "last");
    EXPECT_EQ(next, nullptr);

    char quoted_end[] = "\"only\"";
    EXPECT_STREQ(StdPlus_CsvField(quoted_end, &next), "only");
    EXPECT_EQ(next, nullptr);
    char empty[] = "   ";
    EXPECT_STREQ(StdPlus_CsvField(empty, &next), "");
    EXPECT_EQ(next, nullptr);
}

TEST(StdPlusCsv, QuotedValuesComeBackWhole) {
    for (const char* value : {"a,b", "\"", " x ", "表示,\"ソ\"", "plain", ""}) {
        char field[256];
        StdPlus_CsvQuote(field, sizeof field, value);
        char line[300];
        snprintf(line, sizeof line, "%s, next", field);
        char* next = nullptr;
        EXPECT_EQ(std::string(StdPlus_CsvField(line, &next)), value);
        ASSERT_NE(next, nullptr);
        EXPECT_STREQ(StdPlus_CsvField(next, &next), "next");
    }
}
