#include <gtest/gtest.h>

#include <algorithm>

#include "../support/child_process.h"
#include "dll_harness.h"

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

const arc::EntryRecord* Named(const std::vector<arc::EntryRecord>& records,
                              const std::string& name) {
    for (const auto& r : records)
        if (name == r.file_name) return &r;
    return nullptr;
}

// A folder as the program compresses it: CP932 names (表 and ソ end in 0x5C), a subfolder.
void MakeTree(const InFolder& dir) {
    CreateDirectoryA((dir / "資料").c_str(), nullptr);
    CreateDirectoryA((dir / "資料\\ソフト").c_str(), nullptr);
    WriteFile(dir / "資料\\表示.txt", FixtureLines(120));
    WriteFile(dir / "資料\\ソフト\\data.bin", AsText(MixedBytes(20000)));
    WriteFile(dir / "second.txt", FixtureLines(7));
}

// Extracts `archive` with `command` + path in a fresh folder and compares with the tree.
void ExpectTreeBack(const CommonExports& x, const std::string& command, const std::string& archive,
                    bool with_second) {
    InFolder out;
    ASSERT_EQ(0, x.Run(command + archive));
    EXPECT_EQ(FixtureLines(120), ReadFile(out / "資料\\表示.txt"));
    EXPECT_EQ(AsText(MixedBytes(20000)), ReadFile(out / "資料\\ソフト\\data.bin"));
    EXPECT_EQ(with_second, FileExists(out / "second.txt"));
}

// The self-extracting program, run under Wine in a folder of its own, gives the tree back.
void ExpectProgramExtracts(const std::string& exe, bool with_second) {
    InFolder run;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (run / "x.exe").c_str(), FALSE)) << exe;
    ASSERT_EQ(0, testing_support::RunProgram(run / "x.exe", "", {}, run.Path()));
    EXPECT_EQ(FixtureLines(120), ReadFile(run / "資料\\表示.txt"));
    EXPECT_EQ(AsText(MixedBytes(20000)), ReadFile(run / "資料\\ソフト\\data.bin"));
    EXPECT_EQ(with_second, FileExists(run / "second.txt"));
}

TEST(Cab32, CreatesFromAFolderAndAResponseFileAndReadsItBack) {
    StandInDll dll("CAB32.DLL");
    CommonExports x(dll, "Cab");
    InFolder dir;
    MakeTree(dir);
    WriteFile(dir / "$$", "\"second.txt\"\n");
    ASSERT_EQ(0, x.Run("-a -r \"out.cab\" \"資料\\*\" @$$"));
    KeepForInterop("dll-cab32.cab", AsBytes(ReadFile(dir / "out.cab")), {});
    auto records = x.Records(dir / "out.cab");
    ASSERT_EQ(3u, records.size());  // files only: cabinets hold no folders
    EXPECT_STREQ("MSZIP", records[0].method);
    ExpectTreeBack(x, "-x -o ", dir / "out.cab", true);
}

TEST(Cab32, SelfExtractorIsTheStubWithTheCabinet) {
    StandInDll dll("CAB32.DLL");
    CommonExports x(dll, "Cab");
    InFolder dir;
    MakeTree(dir);
    ASSERT_EQ(0, x.Run("-a -r \"out.cab\" \"資料\\*\""));
    ASSERT_EQ(0, x.Run("-f \"out.cab\""));
    ExpectProgramExtracts(dir / "out.exe", false);
    EXPECT_EQ(0x8029, x.Run("-f \"none.cab\""));
    EXPECT_FALSE(FileExists(dir / "none.exe"));
}

TEST(SevenZip32, AddsListsAndCountsLikeTheProgramAsks) {
    StandInDll dll("7-ZIP32.DLL");
    CommonExports x(dll, "SevenZip");
    InFolder dir;
    MakeTree(dir);
    ASSERT_EQ(0, x.Run("a -t7z -m0=LZMA:a2 -r -ms=off \"out.7z\" \"資料\""));
    KeepForInterop("dll-sevenzip32.7z", AsBytes(ReadFile(dir / "out.7z")), {});
    EXPECT_EQ(4, x.count((dir / "out.7z").c_str()));  // two folders, two files
    std::string listing;
    ASSERT_EQ(0, x.Run("l " + Quoted(dir / "out.7z"), &listing));
    EXPECT_NE(std::string::npos, listing.find("Type = 7z\n")) << listing;
    EXPECT_NE(std::string::npos, listing.find("Method = LZMA:")) << listing;
    EXPECT_NE(std::string::npos, listing.find("Solid = -\nBlocks = 2\n")) << listing;
    EXPECT_NE(std::string::npos, listing.find(" 資料\\表示.txt\n")) << listing;
    EXPECT_NE(std::string::npos, listing.find("2 files, 2 folders\n")) << listing;
    EXPECT_EQ(0x8029, x.Run("l " + Quoted(dir / "none.7z"), &listing));
    ExpectTreeBack(x, "x ", dir / "out.7z", false);

    ASSERT_EQ(0, x.Run("a -t7z -m0=Copy -r -ms=off \"copy.7z\" \"資料\""));
    auto copied = x.Records(dir / "copy.7z");
    ASSERT_NE(nullptr, Named(copied, "資料\\表示.txt"));
    EXPECT_STREQ("Copy", Named(copied, "資料\\表示.txt")->method);
    // Without -ms=off the block is solid, as in 7-Zip; LZMA2 on request, unknown methods refused.
    ASSERT_EQ(0, x.Run("a -t7z -m0=LZMA2 -r \"solid.7z\" \"資料\""));
    ASSERT_EQ(0, x.Run("l " + Quoted(dir / "solid.7z"), &listing));
    EXPECT_NE(std::string::npos, listing.find("Method = LZMA2:")) << listing;
    EXPECT_NE(std::string::npos, listing.find("Solid = +\nBlocks = 1\n")) << listing;
    ExpectTreeBack(x, "x ", dir / "solid.7z", false);
    EXPECT_EQ(0x8023, x.Run("a -t7z -m0=PPMd -r \"ppmd.7z\" \"資料\""));
    EXPECT_FALSE(FileExists(dir / "ppmd.7z"));
    ASSERT_EQ(0, x.Run("a -t7z -m0=LZMA:a2 -r -sfx \"sfx.exe\" \"資料\""));
    ExpectProgramExtracts(dir / "sfx.exe", false);
}

TEST(SevenZip32, UpdateWritesTheMirrorOfTheDiskToTheTarget) {
    StandInDll dll("7-ZIP32.DLL");
    CommonExports x(dll, "SevenZip");
    InFolder dir;
    MakeTree(dir);
    WriteFile(dir / "資料\\same.txt", FixtureLines(60));
    ASSERT_EQ(0, x.Run("a -t7z -m0=LZMA:a2 -r -ms=off \"old.7z\" \"資料\""));
    // The user edits the melted folder: one file changed, one removed, one added, one kept.
    WriteFile(dir / "資料\\表示.txt", FixtureLines(5));
    DeleteFileA((dir / "資料\\ソフト\\data.bin").c_str());
    WriteFile(dir / "資料\\new.txt", "new\r\n");
    std::string old_archive = ReadFile(dir / "old.7z");
    std::string target = dir / "7z-update1.7z";
    ASSERT_EQ(0, x.Run("u -t7z -m0=LZMA:a2 -r -ms=off " + Quoted(dir / "old.7z") +
                       " -u- -up0q0r2x2y2z1w2!" + Quoted(target) + " \"資料\""));
    EXPECT_EQ(old_archive, ReadFile(dir / "old.7z"));  // -u-: the old archive stays as it was
    std::vector<std::string> names;
    for (const auto& r : x.Records(target)) names.push_back(r.file_name);
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = {"資料\\", "資料\\ソフト\\", "資料\\new.txt",
                                         "資料\\same.txt", "資料\\表示.txt"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
    InFolder out;
    ASSERT_EQ(0, x.Run("x " + target));
    EXPECT_EQ(FixtureLines(5), ReadFile(out / "資料\\表示.txt"));
    EXPECT_EQ("new\r\n", ReadFile(out / "資料\\new.txt"));
    EXPECT_EQ(FixtureLines(60), ReadFile(out / "資料\\same.txt"));
}

TEST(Yz1, CompressesWithTheProgramsCommandAndExtractsBack) {
    StandInDll dll("YZ1.DLL");
    CommonExports x(dll, "Yz1");
    InFolder dir;
    MakeTree(dir);
    WriteFile(dir / "$$", "\"second.txt\"\n");
    ASSERT_EQ(0, x.Run("c \"out.yz1\" \"資料\" @$$"));
    auto records = x.Records(dir / "out.yz1");
    ASSERT_EQ(5u, records.size());
    const arc::EntryRecord* text = Named(records, "資料\\表示.txt");
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("lzma", text->method);
    EXPECT_LT(text->ratio, 300);  // repetitive text really shrinks
    ExpectTreeBack(x, "x -y ", dir / "out.yz1", true);
}

// "s" needs yzenc.exe in the system folder, as the vendor's DLL does.
TEST(Yz1, SelfExtractorNeedsYzencInTheSystemFolder) {
    StandInDll dll("YZ1.DLL");
    CommonExports x(dll, "Yz1");
    InFolder dir;
    MakeTree(dir);
    ASSERT_EQ(0, x.Run("c \"out.yz1\" \"資料\""));
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::string yzenc = std::string(system) + "\\yzenc.exe";
    DeleteFileA(yzenc.c_str());
    EXPECT_EQ(0x8023, x.Run("s \"out.yz1\""));
    EXPECT_FALSE(FileExists(dir / "out.exe"));
    ASSERT_TRUE(CopyFileA(testing_support::BinPath("yzenc.exe").c_str(), yzenc.c_str(), FALSE));
    int made = x.Run("s \"out.yz1\"");
    DeleteFileA(yzenc.c_str());
    ASSERT_EQ(0, made);
    ExpectProgramExtracts(dir / "out.exe", false);
}

// Extraction commands carry the archive path without quotes; a path with blanks must still
// name the archive rather than fail on its first word.
TEST(CommonDlls, UnquotedArchivePathWithBlanksIsFound) {
    StandInDll dll("UNARJ32J.DLL");
    CommonExports x(dll, "Unarj");
    InFolder dir;
    CreateDirectoryA((dir / "My Documents").c_str(), nullptr);
    std::string archive = dir / "My Documents\\doc top.arj";
    WriteFile(archive, ReadFile(DataPath("doc-top.arj")));
    ASSERT_EQ(0, x.Run("e " + archive + " -sx1 -y1"));
    EXPECT_EQ(FixtureLines(40), ReadFile(dir / "doc\\b.txt"));
}

}  // namespace
