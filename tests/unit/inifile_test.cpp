#include "lib/inifile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../support/raise_capture.h"
#include "../support/test_folders.h"
#include "lib/strx.h"

using testing_support::CatchRaise;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// A reader over a file, closed however the test ends.
class Reading {
public:
    Reading(const std::string& path, int size = 512) {
        IniFile_OpenRead(&reader, path.c_str(), line, size);
    }
    ~Reading() { IniFile_CloseRead(&reader); }
    IniFile_Reader reader;

private:
    char line[512];
};

time_t Stamp(int y, int mo, int d, int h, int mi, int s) {
    time_t t = 0;
    StrX_MakeTime(&t, y, mo, d, h, mi, s);
    return t;
}

}  // namespace

TEST(IniFileWrite, SectionsRecordsAndSeparatorsByteForByte) {
    TempDir dir;
    std::string path = dir / "out.ini";
    IniFile_Writer w;
    IniFile_OpenWrite(&w, path.c_str());
    IniFile_WriteSection(&w, "main");
    IniFile_WriteRecord(&w, "Version", "i", 110);
    IniFile_WriteRecord(&w, "Pair", "sb", "inner blanks", 0x100);  // low byte 0
    IniFile_WriteSection(&w, "AutoOpen");
    IniFile_WriteRecord(&w, "Rule", "bsx", 7, "a,b", 0xBEEFu);
    IniFile_WriteRecord(&w, "Empty", "");
    IniFile_CloseWrite(&w);
    EXPECT_EQ(ReadFile(path),
              "[main] \r\n"
              "Version = 110\r\n"
              "Pair = inner blanks, 0\r\n"
              " \r\n"
              "[AutoOpen] \r\n"
              "Rule = 1, \"a,b\", 0xBEEF\r\n"
              "Empty = \r\n"
              " \r\n");
}

TEST(IniFileWrite, QuotesValuesThatNeedIt) {
    TempDir dir;
    std::string path = dir / "q.ini";
    IniFile_Writer w;
    IniFile_OpenWrite(&w, path.c_str());
    IniFile_WriteSection(&w, "s");
    IniFile_WriteRecord(&w, "k", "ssss", "say \"hi\"", " lead", "trail ", "表示");
    time_t t = Stamp(2004, 8, 26, 0, 5, 0);
    IniFile_WriteRecord(&w, "t", "t", &t);
    IniFile_CloseWrite(&w);
    EXPECT_EQ(ReadFile(path),
              "[s] \r\nk = \"say \"\"hi\"\"\", \" lead\", \"trail \", 表示\r\n"
              "t = 2004/08/26-00:05:00\r\n \r\n");
}

TEST(IniFileWrite, UnopenableFileRaises) {
    TempDir dir;
    std::string path = dir / "no\\such\\dir.ini";
    IniFile_Writer w;
    auto caught = CatchRaise([&] { IniFile_OpenWrite(&w, path.c_str()); });
    EXPECT_EQ(caught.code, FileX_Err_CannotWriteOpen);
    EXPECT_EQ(caught.message, "書きこみモードで open できません。" + path);
    IniFile_Reader r;
    char line[64];
    EXPECT_EQ(CatchRaise([&] { IniFile_OpenRead(&r, path.c_str(), line, sizeof line); }).code,
              FileX_Err_CannotReadOpen);
}

TEST(IniFileRoundTrip, FileIdentityRecordWithDoubleBytePath) {
    TempDir dir;
    std::string path = dir / "cache-db.ini";
    // ソ and 表 end in the byte 5C; the working folder name holds a comma and a quote.
    const char* archive = "C:\\ソフト\\表示.lzh";
    const char* folder = "C:\\cache\\表示, \"2\"";
    time_t modified = Stamp(2004, 8, 26, 12, 34, 56);
    {
        IniFile_Writer w;
        IniFile_OpenWrite(&w, path.c_str());
        IniFile_WriteSection(&w, "CacheDB");
        IniFile_WriteRecord(&w, "File", "stiisi", archive, &modified, 123456, -98765, folder, 3);
        IniFile_CloseWrite(&w);
    }
    EXPECT_NE(ReadFile(path).find("\"C:\\cache\\表示, \"\"2\"\"\""), std::string::npos);
    Reading in(path);
    char got_archive[256], got_folder[256];
    time_t got_time = 0;
    int size = 0, sum = 0, seq = 0;
    IniFile_Read_setSection(&in.reader, "CacheDB");
    IniFile_ReadRecord(&in.reader, "File", "stiisi", got_archive, &got_time, &size, &sum,
                       got_folder, &seq);
    EXPECT_EQ(std::string(got_archive), archive);
    EXPECT_EQ(got_time, modified);
    EXPECT_EQ(size, 123456);
    EXPECT_EQ(sum, -98765);
    EXPECT_EQ(std::string(got_folder), folder);
    EXPECT_EQ(seq, 3);
}

TEST(IniFileRoundTrip, LongStringsComeBackCutTo255) {
    TempDir dir;
    std::string path = dir / "long.ini";
    std::string long_value(300, 'x');
    IniFile_Writer w;
    IniFile_OpenWrite(&w, path.c_str());
    IniFile_WriteSection(&w, "s");
    IniFile_WriteRecord(&w, "k", "s", long_value.c_str());
    IniFile_CloseWrite(&w);
    Reading in(path);
    char value[256];
    IniFile_Read_setSection(&in.reader, "s");
    IniFile_ReadRecord(&in.reader, "k", "s", value);
    EXPECT_EQ(std::string(value), std::string(255, 'x'));
}

TEST(IniFileSections, SetSectionIgnoresCaseFindSectionDoesNot) {
    TempDir dir;
    std::string path = dir / "s.ini";
    WriteFile(path, "[main] \r\na = 1\r\n \r\n[other] \r\nb = 2\r\n \r\n");
    {
        Reading in(path);
        IniFile_Read_setSection(&in.reader, "Main");
        int a = 0;
        IniFile_ReadRecord(&in.reader, "a", "i", &a);
        EXPECT_EQ(a, 1);
    }
    {
        Reading in(path);
        auto caught = CatchRaise([&] { IniFile_FindSection(&in.reader, "Main", true); });
        EXPECT_EQ(caught.code, IniFile_NotFoundSection);
        EXPECT_EQ(caught.message, "セクション Main が見つかりません");
    }
    {
        Reading in(path);
        IniFile_FindSection(&in.reader, "other", false);
        int b = 0;
        IniFile_ReadRecord(&in.reader, "b", "i", &b);
        EXPECT_EQ(b, 2);
        // Past "main" now: found again only by searching once around.
        EXPECT_EQ(CatchRaise([&] { IniFile_FindSection(&in.reader, "main", false); }).code,
                  IniFile_NotFoundSection);
        long after = IniFile_FindSection(&in.reader, "main", true);
        EXPECT_EQ(after, 9);
        int a = 0;
        IniFile_ReadRecord(&in.reader, "a", "i", &a);
        EXPECT_EQ(a, 1);
    }
}

TEST(IniFileSections, WrongMissingAndMalformedSections) {
    TempDir dir;
    std::string path = dir / "s.ini";
    WriteFile(path, "[main] \r\na = 1\r\n \r\n");
    {
        Reading in(path);
        auto caught = CatchRaise([&] { IniFile_Read_setSection(&in.reader, "AutoOpen"); });
        EXPECT_EQ(caught.code, IniFile_NotFoundSection);
        EXPECT_EQ(caught.message, "セクション名が期待したものと異なる (AutoOpen)");
        // The failed check left the position before the header.
        IniFile_Read_setSection(&in.reader, "main");
        int a = 0;
        IniFile_ReadRecord(&in.reader, "a", "i", &a);
        EXPECT_EQ(a, 1);
        caught = CatchRaise([&] { IniFile_Read_setSection(&in.reader, "next"); });
        EXPECT_EQ(caught.code, FileX_Err_EOF);
        EXPECT_EQ(caught.message, "EOF in IniFile_Read_setSection");
    }
    {
        Reading in(path);
        IniFile_Read_setSection(&in.reader, "main");
        auto caught = CatchRaise([&] { IniFile_Read_setSection(&in.reader, "main"); });
        EXPECT_EQ(caught.code, IniFile_Err_BadFormat);
        EXPECT_EQ(caught.message, "フォーマットがおかしい in IniFile_Read_setSection (main)");
    }
}

TEST(IniFileRecords, OtherOrderOrTooFewRecordsRaise) {
    TempDir dir;
    std::string path = dir / "order.ini";
    WriteFile(path, "[main] \r\nSecond = 2\r\n");
    Reading in(path);
    IniFile_Read_setSection(&in.reader, "main");
    int v = 0;
    auto caught = CatchRaise([&] { IniFile_ReadRecord(&in.reader, "First", "i", &v); });
    EXPECT_EQ(caught.code, IniFile_Err_BadAttr);
    EXPECT_EQ(caught.message, "属性名が異なる（アプリ=First, ファイル=Second in " + path + "）");
    caught = CatchRaise([&] { IniFile_ReadRecord(&in.reader, "Third", "i", &v); });
    EXPECT_EQ(caught.code, IniFile_Err_FewAttr);
    EXPECT_EQ(caught.message, "属性が少ない");
}

TEST(IniFileRecords, KeyIsAWholeWordWithoutCase) {
    TempDir dir;
    std::string path = dir / "k.ini";
    WriteFile(path, "[m] \r\nSafeList = 1\r\n  safe: 2\r\n");
    Reading in(path);
    IniFile_Read_setSection(&in.reader, "m");
    int v = 0;
    EXPECT_EQ(CatchRaise([&] { IniFile_ReadRecord(&in.reader, "Safe", "i", &v); }).code,
              IniFile_Err_BadAttr);
    IniFile_ReadRecord(&in.reader, "SAFE", "i", &v);
    EXPECT_EQ(v, 2);
}

TEST(IniFileRecords, MissingValuesBecomeZeroAndEmpty) {
    TempDir dir;
    std::string path = dir / "few.ini";
    WriteFile(path, "[m] \r\nRule = 1, , x\r\n");
    Reading in(path);
    IniFile_Read_setSection(&in.reader, "m");
    char flag = 9, s1[256] = "old", s2[256] = "old";
    int i = 9;
    time_t t = 12345;
    IniFile_ReadRecord(&in.reader, "Rule", "bisSti", &flag, &i, s1, s2, &t, &i);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(i, 0);
    EXPECT_STREQ(s1, "x");
    EXPECT_STREQ(s2, "");
    EXPECT_EQ(t, 12345);
}

TEST(IniFileRecords, CountAndReadOrDefault) {
    TempDir dir;
    std::string path = dir / "c.ini";
    WriteFile(path, "[main] \r\nSafe = a\r\nsafe = b\r\nSafe=c\r\nDelOrg = 1\r\n \r\n");
    Reading in(path);
    IniFile_Read_setSection(&in.reader, "main");
    EXPECT_EQ(IniFile_CountRecords(&in.reader, "Safe"), 3);
    EXPECT_EQ(IniFile_CountRecords(&in.reader, "Safe"), 3);  // position kept
    EXPECT_EQ(IniFile_CountRecords(&in.reader, "DelOrg"), 0);
    char name[256];
    for (const char* want : {"a", "b", "c"}) {
        IniFile_ReadRecord(&in.reader, "Safe", "s", name);
        EXPECT_STREQ(name, want);
    }
    char icon[256] = "old";
    IniFile_ReadOrDefault(&in.reader, "IconHis", "s", icon, "");
    EXPECT_STREQ(icon, "");
    int number = 0;
    IniFile_ReadOrDefault(&in.reader, "Missing", "i", &number, 42);
    EXPECT_EQ(number, 42);
    char flag = 0;
    IniFile_ReadOrDefault(&in.reader, "AlsoMissing", "b", &flag, 0x101);
    EXPECT_EQ(flag, 1);
    // The line stayed unread: it is the next record.
    flag = 0;
    IniFile_ReadOrDefault(&in.reader, "DelOrg", "b", &flag, 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(IniFile_CountRecords(&in.reader, "DelOrg"), 0);
}

TEST(IniFileForeign, AutorunRecordsWithoutBlanks) {
    TempDir dir;
    std::string path = dir / "autorun.inf";
    WriteFile(path,
              "[autorun]\r\nopen=setup.exe /s\r\n\r\n icon = 表示.ico,0\r\n[other]\r\nx=1\r\n");
    {
        Reading in(path, 256);
        IniFile_FindSection(&in.reader, "autorun", false);
        char open[256];
        IniFile_ReadRecord(&in.reader, "open", "s", open);
        EXPECT_STREQ(open, "setup.exe /s");
        char icon[256];
        int index = -1;
        IniFile_ReadRecord(&in.reader, "icon", "si", icon, &index);
        EXPECT_EQ(std::string(icon), "表示.ico");
        EXPECT_EQ(index, 0);
    }
    {
        Reading in(path, 256);
        IniFile_FindSection(&in.reader, "autorun", false);
        char key[256], value[256];
        EXPECT_EQ(IniFile_ReadAny(&in.reader, key, "s", value), 11);
        EXPECT_STREQ(key, "open");
        EXPECT_STREQ(value, "setup.exe /s");
        EXPECT_GT(IniFile_ReadAny(&in.reader, key, "s", value), 11);
        EXPECT_STREQ(key, "icon");
        EXPECT_EQ(std::string(value), "表示.ico");
        EXPECT_EQ(IniFile_ReadAny(&in.reader, key, "s", value), -1);  // next section
        IniFile_FindSection(&in.reader, "other", false);
        EXPECT_GT(IniFile_ReadAny(&in.reader, key, "s", value), 0);
        EXPECT_STREQ(key, "x");
        EXPECT_EQ(IniFile_ReadAny(&in.reader, key, "s", value), -1);  // end of file
    }
}

TEST(IniFileForeign, BareLineFeedsKeepPositionsRight) {
    TempDir dir;
    std::string path = dir / "lf.inf";
    WriteFile(path, "[autorun]\nopen=a.exe\n[next]\nk=v\n");
    Reading in(path, 256);
    IniFile_FindSection(&in.reader, "autorun", false);
    char key[256], value[256];
    EXPECT_GT(IniFile_ReadAny(&in.reader, key, "s", value), 0);
    EXPECT_EQ(IniFile_ReadAny(&in.reader, key, "s", value), -1);
    IniFile_Read_setSection(&in.reader, "next");
    IniFile_ReadRecord(&in.reader, "k", "s", value);
    EXPECT_STREQ(value, "v");
}
