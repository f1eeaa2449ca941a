#include "lib/strx.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "../support/raise_capture.h"
#include "../support/test_folders.h"
#include "lib/bigstack.h"
#include "lib/filex.h"

using testing_support::CatchRaise;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(StrXBuildDate, CompileDateBecomesSixDigitVersion) {
    EXPECT_STREQ(StrX_BuildDate("Aug 26 2004", "00:05:00", "%y%m%d"), "040826");
    EXPECT_STREQ(StrX_BuildDate("Dec  3 2026", "23:59:58", "%Y-%m-%d %H:%M:%S"),
                 "2026-12-03 23:59:58");
}

TEST(StrXBuildDate, UnknownMonthNameCountsAsThirteen) {
    EXPECT_STREQ(StrX_BuildDate("Foo  1 2004", "00:00:00", "%m"), "13");
}

TEST(StrXTrailByte, TellsSecondBytesFromFirstBytes) {
    const char* s = "a表b";
    EXPECT_FALSE(StrX_IsTrailByte(s, s));
    EXPECT_FALSE(StrX_IsTrailByte(s, s + 1));
    EXPECT_TRUE(StrX_IsTrailByte(s, s + 2));
    EXPECT_FALSE(StrX_IsTrailByte(s, s + 3));
    EXPECT_FALSE(StrX_IsTrailByte(s, s + 4));  // the terminating NUL
    EXPECT_EQ(CatchRaise([&] { StrX_IsTrailByte(s, s + 5); }).code, Errors_Unofficial);
}

TEST(StrXSpace, NegativeValuesAreNotSpace) {
    EXPECT_TRUE(StrX_IsSpace(' '));
    EXPECT_FALSE(StrX_IsSpace(-1));
    EXPECT_FALSE(StrX_IsSpace(-0x7b));
    EXPECT_TRUE(StrX_IsAllSpace(""));
    EXPECT_TRUE(StrX_IsAllSpace(" \t\r\n"));
    EXPECT_FALSE(StrX_IsAllSpace(" x "));
}

TEST(StrXWildCompare, MatchesLikeTheShell) {
    EXPECT_EQ(StrX_WildCompare("*.txt", "A.TXT"), 0);
    EXPECT_NE(StrX_WildCompare("a?c", "ab"), 0);
    EXPECT_EQ(StrX_WildCompare("a?c", "abc"), 0);
    for (const char* name : {"", "x", "read me.htm", "表示.txt"})
        EXPECT_EQ(StrX_WildCompare("*", name), 0);
    EXPECT_EQ(StrX_WildCompare("read*.htm", "README.HTM"), 0);
    EXPECT_EQ(StrX_WildCompare("*setup*", "MySetup.exe"), 0);
    EXPECT_NE(StrX_WildCompare("*.txt", "a.txt.bak"), 0);
    EXPECT_NE(StrX_WildCompare("abc", "abcd"), 0);
    EXPECT_NE(StrX_WildCompare("abcd", "abc"), 0);
    EXPECT_EQ(StrX_WildCompare("*.*", "a.b"), 0);
    EXPECT_EQ(StrX_WildCompare("**x", "abx"), 0);
}

TEST(StrXWildCompare, DoesNotBacktrackIntoAPartialMatch) {
    // After "a" matched and the next "a" failed, the search goes on after that second a.
    EXPECT_NE(StrX_WildCompare("*ab", "aab"), 0);
    EXPECT_EQ(StrX_WildCompare("*ab", "xab"), 0);
}

TEST(StrXRoots, RootedAndDrivelessForms) {
    EXPECT_TRUE(StrX_IsRooted("\\a"));
    EXPECT_TRUE(StrX_IsRooted("C:\\a"));
    EXPECT_TRUE(StrX_IsRooted("C:/a"));
    EXPECT_FALSE(StrX_IsRooted("a\\b"));
    EXPECT_FALSE(StrX_IsRooted("name"));
    EXPECT_FALSE(StrX_IsRooted("表\\"));  // no separator at all: the 5C is a trail byte
    EXPECT_FALSE(StrX_IsDriveless("\\\\srv\\s"));
    EXPECT_FALSE(StrX_IsDriveless("//srv/s"));
    EXPECT_FALSE(StrX_IsDriveless("C:\\a"));
    EXPECT_TRUE(StrX_IsDriveless("\\a"));
    EXPECT_TRUE(StrX_IsDriveless("a"));
    for (const char* full : {"C:\\a", "c:/a", "\\\\srv\\s"})
        EXPECT_TRUE(StrX_IsFullPath(full)) << full;
    for (const char* part : {"C:a", "\\a", "\\\\\\a", "\\\\", "a\\b", "1:\\a"})
        EXPECT_FALSE(StrX_IsFullPath(part)) << part;
}

static std::string Resolve(const char* path) {
    char buf[260];
    strcpy(buf, path);
    return StrX_ResolveParents(buf);
}

TEST(StrXResolveParents, RemovesParentAndCurrentSteps) {
    EXPECT_EQ(Resolve("a\\b\\..\\c"), "a\\c");
    EXPECT_EQ(Resolve("..\\x"), "..\\x");
    EXPECT_EQ(Resolve("..\\..\\x"), "..\\..\\x");
    EXPECT_EQ(Resolve(".\\a\\.\\b"), "a\\b");
    EXPECT_EQ(Resolve("C:\\w\\a\\b\\..\\..\\c"), "C:\\w\\c");
    EXPECT_EQ(Resolve("C:\\w\\sub\\..\\f.txt"), "C:\\w\\f.txt");
    EXPECT_EQ(Resolve("x.\\y"), "x.\\y");  // a name ending in a dot is no step
}

TEST(StrXResolveParents, TooManyParentStepsRaise) {
    for (const char* path : {"a\\..\\..\\c", "C:\\..\\x", "dir\\..\\file"}) {
        auto caught = CatchRaise([&] { Resolve(path); });
        EXPECT_EQ(caught.code, StrX_Err_NoMoreParentDir) << path;
        EXPECT_EQ(caught.message, "親ディレクトリ指定\"..\\\"が多すぎます。");
    }
}

TEST(StrXResolveParents, ParentOfADoubleByteFolderDropsTheWholeFolder) {
    // The byte before フ is ソ's trail 5C; only the real separator ends the folder.
    EXPECT_EQ(Resolve("C:\\ソフト\\..\\x"), "C:\\x");
    EXPECT_EQ(Resolve("C:\\表\\表示\\..\\y"), "C:\\表\\y");
}

static std::string Absolute(const char* path, const char* base, size_t size = 260) {
    char buf[600];
    strcpy(buf, path);
    return StrX_MakeAbsolute(buf, size, base);
}

TEST(StrXMakeAbsolute, JoinsRelativePathsToTheBase) {
    EXPECT_EQ(Absolute("sub\\..\\f.txt", "C:\\w"), "C:\\w\\f.txt");
    EXPECT_EQ(Absolute("f.txt", "C:\\w\\"), "C:\\w\\f.txt");
    EXPECT_EQ(Absolute("f.txt", "http://host/"), "http://host/f.txt");
    EXPECT_EQ(Absolute("http:x", "C:\\w"), "http:x");
    EXPECT_EQ(Absolute("file:///C|/a", "C:\\w"), "file:///C|/a");
    EXPECT_EQ(Absolute("\\root", "C:\\w"), "\\root");
    EXPECT_EQ(Absolute("D:\\x", "C:\\w"), "D:\\x");
    EXPECT_EQ(Absolute("", "C:\\w"), "");
    EXPECT_EQ(Absolute(".", "C:\\w"), "C:\\w\\");
    EXPECT_EQ(Absolute("表示.txt", "C:\\ソフト"), "C:\\ソフト\\表示.txt");
    EXPECT_EQ(Absolute("abcdef", "C:\\w", 8), "C:\\w\\ab");
}

static std::string Relative(const char* path, const char* base, size_t size = 260) {
    char buf[260];
    strcpy(buf, path);
    return StrX_MakeRelative(buf, size, base);
}

TEST(StrXMakeRelative, ClimbsOutOfTheBaseAsFarAsNeeded) {
    EXPECT_EQ(Relative("C:\\w\\a\\f.txt", "C:\\w"), "a\\f.txt");
    EXPECT_EQ(Relative("C:\\w\\a\\f.txt", "c:\\W\\"), "a\\f.txt");
    EXPECT_EQ(Relative("C:\\w\\a\\f.txt", "C:\\w\\b"), "..\\a\\f.txt");
    EXPECT_EQ(Relative("C:\\w\\f.txt", "C:\\w\\b\\c"), "..\\..\\f.txt");
    EXPECT_EQ(Relative("C:\\w", "C:\\w\\b"), "..");
    EXPECT_EQ(Relative("C:\\wx\\f", "C:\\w"), "..\\wx\\f");
    EXPECT_EQ(Relative("C:\\w", "C:\\w"), ".");
    EXPECT_EQ(Relative("C:\\w\\", "C:\\w\\"), ".\\");
    EXPECT_EQ(Relative("D:\\w\\f", "C:\\w"), "D:\\w\\f");
    EXPECT_EQ(Relative("", "C:\\w"), "");
    EXPECT_EQ(Relative("\\w\\f", "C:\\w"), "\\w\\f");
}

TEST(StrXMakeRelative, DoubleByteNamesCountNoExtraFolders) {
    EXPECT_EQ(Relative("C:\\ソフト\\表示.txt", "C:\\ソフト"), "表示.txt");
    EXPECT_EQ(Relative("C:\\x\\f", "C:\\ソフト"), "..\\x\\f");
}

TEST(StrXMakeRelative, StopsClimbingWhenTheBufferIsFull) {
    EXPECT_EQ(Relative("C:\\f", "C:\\a\\b\\c\\d", 8), "..\\..\\");
}

static std::string Url(const char* path) {
    char out[260];
    return StrX_ToFileUrl(out, path);
}

TEST(StrXToFileUrl, DrivePathsAndSharesBecomeUrls) {
    EXPECT_EQ(Url("C:\\My Docs\\a.htm"), "file:///C|/My%20Docs/a.htm");
    EXPECT_EQ(Url("\\\\srv\\s\\a"), "file://srv/s/a");
    EXPECT_EQ(Url("C:\\表示\\ソフト.htm"), "file:///C|/表示/ソフト.htm");
}

TEST(StrXNames, FileNameAndCopyFileName) {
    EXPECT_STREQ(StrX_FileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_STREQ(StrX_FileName("C:\\a\\b\\"), "b\\");
    EXPECT_STREQ(StrX_FileName("name"), "name");
    EXPECT_EQ(std::string(StrX_FileName("C:\\ソフト\\表示.txt")), "表示.txt");
    EXPECT_EQ(std::string(StrX_FileName("C:\\表示")), "表示");
    char out[260];
    EXPECT_STREQ(StrX_CopyFileName(out, "C:\\a\\b\\"), "b");
    EXPECT_STREQ(StrX_CopyFileName(out, "C:/a/b.txt"), "b.txt");
    EXPECT_EQ(std::string(StrX_CopyFileName(out, "C:\\x\\表")), "表");
    EXPECT_EQ(std::string(StrX_CopyFileName(out, "ソフト")), "ソフト");
}

static std::string Cut(const char* path) {
    char buf[260];
    strcpy(buf, path);
    return StrX_CutLast(buf);
}

TEST(StrXCutLast, KeepsTheDriveRoot) {
    EXPECT_EQ(Cut("C:\\a"), "C:\\");
    EXPECT_EQ(Cut("C:\\a\\b\\"), "C:\\a");
    EXPECT_EQ(Cut("C:/a/b"), "C:/a");
    EXPECT_EQ(Cut("name"), "");
    EXPECT_EQ(Cut("C:\\ソフト\\表"), "C:\\ソフト");
    EXPECT_EQ(Cut("C:\\表"), "C:\\");
    EXPECT_EQ(Cut("表"), "");
    char parent[260];
    EXPECT_EQ(std::string(StrX_ParentDir(parent, "C:\\ソフト\\表示.txt")), "C:\\ソフト");
}

static std::string Join(const char* dir, const char* name) {
    char buf[260];
    strcpy(buf, dir);
    return StrX_Join(buf, name);
}

TEST(StrXJoin, AddsOneSeparatorUnlessTheNameHasADrive) {
    EXPECT_EQ(Join("C:\\a", "b"), "C:\\a\\b");
    EXPECT_EQ(Join("C:\\a\\", "b"), "C:\\a\\b");
    EXPECT_EQ(Join("C:\\表", "b"), "C:\\表\\b");
    EXPECT_EQ(Join("", "b"), "b");
    EXPECT_EQ(Join("C:\\a", "D:\\b"), "D:\\b");
}

TEST(StrXMoveToDir, ReplacesOrRelocatesTheFolder) {
    char path[260];
    strcpy(path, "C:\\w\\a\\f.txt");
    EXPECT_STREQ(StrX_MoveToDir(path, "D:\\out"), "D:\\out\\f.txt");
    strcpy(path, "C:\\w\\a\\f.txt");
    EXPECT_STREQ(StrX_MoveToDir(path, "..\\b"), "C:\\w\\b\\f.txt");
    strcpy(path, "C:\\ソフト\\表示.txt");
    EXPECT_EQ(std::string(StrX_MoveToDir(path, "sub")), "C:\\ソフト\\sub\\表示.txt");
}

// A path buffer with a byte after it that no write may reach.
struct GuardedPath {
    char path[260];
    char after = 'G';
};

// Joining onto a path that already fills its buffer raises instead of writing past it.
TEST(StrXJoin, PathThatDoesNotFitRaisesAndWritesNothingPastTheBuffer) {
    static GuardedPath p;
    std::string long_dir = "C:\\" + std::string(255, 'd');  // 258 characters
    strcpy(p.path, (long_dir + "x").c_str());               // 259
    auto caught = CatchRaise([&] { StrX_Join(p.path, "name"); });
    EXPECT_EQ(caught.code, StrX_Err_TooLongPath);
    EXPECT_EQ(p.after, 'G');
    EXPECT_EQ(strlen(p.path), 259u);

    strcpy(p.path, long_dir.c_str());
    caught = CatchRaise([&] { StrX_Join(p.path, "n"); });  // 258 + "\\" + "n" = 260
    EXPECT_EQ(caught.code, StrX_Err_TooLongPath);
    EXPECT_EQ(p.after, 'G');
    EXPECT_EQ(std::string(p.path), long_dir) << "a refused join leaves the path as it was";

    strcpy(p.path, "C:\\w\\f.txt");
    caught = CatchRaise([&] { StrX_MoveToDir(p.path, (long_dir + "x").c_str()); });
    EXPECT_EQ(caught.code, StrX_Err_TooLongPath);
    EXPECT_EQ(p.after, 'G');
    strcpy(p.path, "C:\\a");
    EXPECT_EQ(CatchRaise([&] { StrX_Join(p.path, std::string(254, 'n').c_str()); }).code, 0);
    EXPECT_EQ(strlen(p.path), 259u) << "259 characters still fit";
}

TEST(StrXExt, OnlyTheFileNameHasAnExtension) {
    EXPECT_STREQ(StrX_Ext("C:\\a\\b.lzh"), "lzh");
    EXPECT_STREQ(StrX_Ext("C:\\a\\b"), "");
    // ソ is 0x83 0x5C: its trail byte must not be read as a folder separator.
    EXPECT_STREQ(StrX_Ext("C:\\ソ.zip"), "zip");
    EXPECT_STREQ(StrX_Ext("C:\\a.b\\ソフト"), "");
    char path[260];
    strcpy(path, "C:\\dir.x\\file");
    EXPECT_STREQ(StrX_SetExt(path, "lzh"), "C:\\dir.x\\file.lzh");
    strcpy(path, "a.txt");
    EXPECT_STREQ(StrX_SetExt(path, ""), "a");
    strcpy(path, "a");
    EXPECT_STREQ(StrX_SetExt(path, "ini"), "a.ini");
    strcpy(path, "a");
    EXPECT_STREQ(StrX_SetExt(path, ""), "a");
}

TEST(StrXFragment, AnchorAfterTheLastDot) {
    EXPECT_STREQ(StrX_Fragment("index.htm#melt"), "melt");
    EXPECT_STREQ(StrX_Fragment("a#b.htm"), "");
    EXPECT_STREQ(StrX_Fragment("index.htm"), "");
}

TEST(StrXParseInt, SignsAndStop) {
    int v = 0;
    EXPECT_STREQ(StrX_ParseInt("+12x", &v), "x");
    EXPECT_EQ(v, 12);
    StrX_ParseInt("--7", &v);
    EXPECT_EQ(v, 7);
    StrX_ParseInt("---7", &v);
    EXPECT_EQ(v, -7);
}

TEST(StrXStamp, FormatAndParseRoundTrip) {
    time_t t = 0;
    ASSERT_EQ(StrX_MakeTime(&t, 2004, 8, 26, 0, 5, 9), 0);
    char stamp[20];
    EXPECT_STREQ(StrX_FormatStamp(t, stamp), "2004/08/26-00:05:09");
    time_t back = 0;
    EXPECT_EQ(StrX_ParseStamp(&back, stamp), 0);
    EXPECT_EQ(back, t);
    EXPECT_EQ(StrX_ParseStamp(&back, "2004 8 26 0 5"), 2);
    EXPECT_EQ(StrX_ParseStamp(&back, "2004/08/26"), 2);
    char text[64];
    EXPECT_STREQ(StrX_FormatTime(t, "%d %n %Y", text, sizeof text), "26 Aug 2004");
}

TEST(StrXSplitCommand, QuotedProgramAndRest) {
    char program[260];
    const char* rest = nullptr;
    StrX_SplitCommand("\"C:\\Program Files\\x.exe\"   /a b", program, &rest);
    EXPECT_STREQ(program, "C:\\Program Files\\x.exe");
    EXPECT_STREQ(rest, "/a b");
    StrX_SplitCommand("\"C:\\open", program, &rest);
    EXPECT_STREQ(program, "C:\\open");
    EXPECT_STREQ(rest, "");
}

TEST(StrXSplitCommand, UnquotedProgramIsTheFirstExistingPrefix) {
    TempDir dir;
    CreateDirectoryA((dir / "My Tools").c_str(), nullptr);
    std::string program_path = dir / "My Tools\\表 ソ.exe";
    WriteFile(program_path, "MZ");
    ASSERT_TRUE(testing_support::FileExists(program_path));
    ASSERT_TRUE(FileX_Exists(program_path.c_str()));
    ASSERT_FALSE(FileX_IsDir(program_path.c_str()));
    std::string line = program_path + " -x 表示.txt";
    char program[260];
    const char* rest = nullptr;
    StrX_SplitCommand(line.c_str(), program, &rest);
    EXPECT_EQ(std::string(program), program_path);
    EXPECT_STREQ(rest, "-x 表示.txt");

    std::string missing = dir / "none here";
    StrX_SplitCommand(missing.c_str(), program, &rest);
    EXPECT_EQ(std::string(program), missing);
    EXPECT_STREQ(rest, "");
}

TEST(StrXTrueCase, GivesStoredLetterCase) {
    TempDir dir;
    CreateDirectoryA((dir / "MixedCase").c_str(), nullptr);
    WriteFile(dir / "MixedCase\\ReadMe.TXT", "x");
    CreateDirectoryA((dir / "ソフト").c_str(), nullptr);
    WriteFile(dir / "ソフト\\表示.txt", "x");
    char out[260];
    std::string lower = dir.Path() + "\\mixedcase\\readme.txt";
    StrX_TrueCase(out, lower.c_str());
    EXPECT_EQ(std::string(StrX_FileName(out)), "ReadMe.TXT");
    EXPECT_NE(std::string(out).find("\\MixedCase\\ReadMe.TXT"), std::string::npos);
    std::string folder = dir.Path() + "\\mixedcase\\";
    StrX_TrueCase(out, folder.c_str());
    EXPECT_EQ(std::string(StrX_FileName(out)), "MixedCase\\");
    std::string japanese = dir / "ソフト\\表示.txt";
    StrX_TrueCase(out, japanese.c_str());
    EXPECT_EQ(std::string(StrX_FileName(out)), "表示.txt");
    // A component that is not on disk is kept as written.
    std::string missing = dir.Path() + "\\mixedcase\\NoSuch.bin";
    StrX_TrueCase(out, missing.c_str());
    EXPECT_NE(std::string(out).find("\\MixedCase\\NoSuch.bin"), std::string::npos);
    EXPECT_STREQ(StrX_TrueCase(out, "C:\\"), "C:\\");
    EXPECT_STREQ(StrX_TrueCase(out, "\\\\srv\\Share"), "\\\\srv\\Share");
    // Its scratch space is given back.
    EXPECT_EQ(BigStack_Main()->top, BigStack_Main()->start);
}

TEST(StrXArgs, WalksQuotedAndPlainArguments) {
    StrX_Args args;
    StrX_ArgsInit(&args, "\"C:\\a b\\x.lzh\" C:\\y.zip \"C:\\表\\z.cab\"");
    EXPECT_STREQ(StrX_ArgsCurrent(&args), "C:\\a b\\x.lzh");
    EXPECT_EQ(StrX_ArgsCount(&args), 3);
    EXPECT_STREQ(StrX_ArgsCurrent(&args), "C:\\a b\\x.lzh");
    ASSERT_TRUE(StrX_ArgsNext(&args));
    EXPECT_STREQ(StrX_ArgsCurrent(&args), "C:\\y.zip");
    ASSERT_TRUE(StrX_ArgsNext(&args));
    EXPECT_EQ(std::string(StrX_ArgsCurrent(&args)), "C:\\表\\z.cab");
    EXPECT_FALSE(StrX_ArgsNext(&args));

    StrX_ArgsInit(&args, "one");
    EXPECT_EQ(StrX_ArgsCount(&args), 1);
    EXPECT_FALSE(StrX_ArgsNext(&args));
}

TEST(StrXArgs, ArgumentsComeInStoredCase) {
    TempDir dir;
    WriteFile(dir / "Report.LZH", "x");
    std::string text = "\"" + dir.Path() + "\\report.lzh\"";
    StrX_Args args;
    StrX_ArgsInit(&args, text.c_str());
    EXPECT_STREQ(StrX_FileName(StrX_ArgsCurrent(&args)), "Report.LZH");
}

TEST(StrXAbsolute, FromCurrentProgramAndFileFolders) {
    char out[260];
    char cwd[260];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    StrX_AbsFromCwd(out, "x.txt", sizeof out);
    EXPECT_EQ(std::string(out),
              std::string(cwd) + (cwd[strlen(cwd) - 1] == '\\' ? "" : "\\") + "x.txt");
    char program[260];
    GetModuleFileNameA(nullptr, program, sizeof program);
    StrX_AbsFromProgramDir(out, "dovetrim.ini", sizeof out);
    StrX_CutLast(program);
    EXPECT_EQ(std::string(out), std::string(program) + "\\dovetrim.ini");
    StrX_AbsFromProgramDir(out, "D:\\x.ini", sizeof out);
    EXPECT_STREQ(out, "D:\\x.ini");
    strcpy(out, "..\\b.txt");
    EXPECT_STREQ(StrX_AbsFromFileDir(out, sizeof out, "C:\\w\\a\\list.txt"), "C:\\w\\b.txt");
}

TEST(StrXPaths, ComparedAsWindowsComparesNames) {
    EXPECT_TRUE(StrX_SamePath("C:\\Data\\App.LZH", "c:\\data\\app.lzh"));
    EXPECT_FALSE(StrX_SamePath("C:\\Data\\app.lzh", "C:\\Data\\app.lz"));
    // Ｐ (0x82 0x6F) and ｐ (0x82 0x90) differ; the trail byte 0x6F is no letter to fold.
    EXPECT_FALSE(StrX_SamePath("\x82\x6F", "\x82\x4F"));
    EXPECT_TRUE(StrX_BeginsWithPath("DOC\\a.txt", "doc\\"));
    EXPECT_FALSE(StrX_BeginsWithPath("do", "doc\\"));

    EXPECT_TRUE(StrX_IsInside("C:\\Cache\\app", "c:\\cache"));
    EXPECT_TRUE(StrX_IsInside("C:\\Cache\\app", "C:\\Cache\\"));
    EXPECT_FALSE(StrX_IsInside("C:\\Cache2\\app", "C:\\Cache"));
    EXPECT_FALSE(StrX_IsInside("C:\\Cache", "C:\\Cache"));
    // A folder ending in ソ does not end in a separator.
    EXPECT_FALSE(StrX_IsInside("C:\\ソフ", "C:\\ソ"));
    EXPECT_TRUE(StrX_IsInside("C:\\ソ\\a", "C:\\ソ"));
}
