// UNLHA32.DLL as the program drives it: the extraction command, the listing calls and the
// compression commands of freeze and update.
#include <cstring>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "stand_in.h"

namespace archivers_test {
namespace {

using testing_support::FileExists;
using testing_support::ReadFile;

const char kExtract[] = "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 ";

class Lha : public ArchiverTest {
protected:
    StandIn dll{"UNLHA32.DLL", "Unlha"};
};

TEST_F(Lha, ExportsWhatTheProgramResolves) {
    ASSERT_TRUE(dll.Loaded());
    for (const char* name : {"Unlha", "UnlhaGetVersion", "UnlhaGetFileCount", "UnlhaOpenArchive",
                             "UnlhaCloseArchive", "UnlhaFindFirst", "UnlhaFindNext"})
        EXPECT_TRUE(dll.Has(name)) << name;
    EXPECT_GT(dll.Version(), 0);
}

TEST_F(Lha, ExtractsRealArchivesOfEachMethodIntoTheCurrentFolder) {
    for (const char* name : {"doc-top.lzh", "doc-top-lh7.lzh"}) {
        std::string archive = Fixture(name);
        Enter(Path(std::string("out-") + name));
        ASSERT_EQ(0, dll.Command(kExtract + Quoted(archive))) << name;
        EXPECT_EQ(Lines(300), ReadFile(Path(std::string("out-") + name + "\\doc\\a.txt")));
        EXPECT_EQ(Lines(40), ReadFile(Path(std::string("out-") + name + "\\doc\\b.txt")));
        FILETIME written = WriteTimeOf(Path(std::string("out-") + name + "\\doc\\a.txt"));
        FILETIME expected = FixtureTime();
        EXPECT_EQ(0, CompareFileTime(&expected, &written)) << "file time kept";
    }
    std::string tools = Fixture("tools.lzh");
    Enter(Path("out-tools"));
    ASSERT_EQ(0, dll.Command(kExtract + Quoted(tools)));
    EXPECT_EQ(5000u, ReadFile(Path("out-tools\\tools\\x.exe")).size()) << "stored -lh0-";
}

// Archives of other LHA tools: a level-3 header (32-bit sizes), and -lh6- with level-2
// headers and Unix links. Contents as `bsdtar -x` extracts them; `t` checks every CRC-16.
TEST_F(Lha, ReadsLevelThreeHeadersAndLh6) {
    const std::string file1 = std::string(26, ' ') + "file 1 contents\nhello\nhello\nhello\n";
    const std::string file2 =
        std::string(26, ' ') + "file 2 contents\nhello\nhello\nhello\nhello\nhello\nhello\n";
    std::string level3 = Fixture("lha-level3.lzh");
    Enter(Path("out"));
    ASSERT_EQ(0, dll.Command(kExtract + Quoted(level3)));
    EXPECT_EQ(file1, ReadFile(Path("out\\file1")));
    EXPECT_EQ(file2, ReadFile(Path("out\\file2")));
    std::vector<Record> records = dll.List(Quoted(level3));
    ASSERT_EQ(4u, records.size());
    EXPECT_STREQ("file1", records[2].path);
    EXPECT_EQ(Crc16Of(file1), records[2].crc);
    // Unix links (stored as folders named "link|target") are passed over, as TAR32 does.
    std::string lh6 = Fixture("lha-lh6.lzh");
    EXPECT_EQ(0, dll.Command("t " + Quoted(lh6)));
    records = dll.List(Quoted(lh6));
    ASSERT_EQ(4u, records.size());
    EXPECT_STREQ("dir2\\", records[1].path);
    EXPECT_STREQ("file2", records[3].path);
    EXPECT_STREQ("-lh6-", records[3].method);
    Enter(Path("out6"));
    ASSERT_EQ(0, dll.Command(kExtract + Quoted(lh6)));
    EXPECT_EQ((std::vector<std::string>{"dir2\\", "dir\\", "file1=" + file1, "file2=" + file2}),
              TreeOf(Path("out6")));
    // Adding to the archive keeps its links.
    Enter(Path("add"));
    MakeFile(Path("add\\new.txt"), "new");
    testing_support::WriteFile(Path("add\\l.lzh"), ReadFile(lh6));
    ASSERT_EQ(0, dll.Command("a -x1 \"l.lzh\" new.txt"));
    EXPECT_EQ(5u, dll.List(Quoted(Path("add\\l.lzh"))).size());
    EXPECT_NE(std::string::npos, ReadFile(Path("add\\l.lzh")).find("symlink2|.."));
}

TEST_F(Lha, ExtractionOverwritesEvenReadOnlyFiles) {
    std::string archive = Fixture("flat.lzh");
    Enter(Path("out"));
    MakeFile(Path("out\\a.txt"), "old");
    SetFileAttributesA(Path("out\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(0, dll.Command(kExtract + Quoted(archive)));
    EXPECT_EQ(Lines(200), ReadFile(Path("out\\a.txt")));
}

TEST_F(Lha, EntryRecordsCarrySizesCrcTimeMethodAndRatio) {
    std::string archive = Fixture("doc-top.lzh");
    std::vector<Record> records = dll.List(Quoted(archive), 0x202, "* *.*");
    ASSERT_EQ(2u, records.size());
    EXPECT_STREQ("doc\\a.txt", records[0].path);
    EXPECT_STREQ("doc\\b.txt", records[1].path);
    const Record& a = records[0];
    std::string text = Lines(300);
    EXPECT_EQ(text.size(), a.original_size);
    EXPECT_EQ(730u, a.compressed_size);  // as jlha stored it
    EXPECT_EQ(Crc16Of(text), a.crc);
    EXPECT_EQ(a.compressed_size * 1000 / a.original_size, a.ratio);
    EXPECT_STREQ("-lh5-", a.method);
    WORD date, time;
    LocalDosTime(FixtureTime(), &date, &time);
    EXPECT_EQ(date, a.date);
    EXPECT_EQ(time, a.time);
    EXPECT_NE('\0', a.attribute[0]);
    EXPECT_EQ(2, dll.Count(Quoted(archive)));
    EXPECT_STREQ("-lh7-", dll.List(Quoted(Fixture("doc-top-lh7.lzh")))[0].method);
}

TEST_F(Lha, DamagedOrMissingArchivesAreReportedAsSuch) {
    std::string broken = Fixture("broken.lzh");
    EXPECT_EQ(-1, dll.Count(Quoted(broken)));
    EXPECT_TRUE(dll.List(Quoted(broken)).empty());
    Enter(Path("out"));
    EXPECT_NE(0, dll.Command(kExtract + Quoted(broken)));
    EXPECT_EQ(-1, dll.Count(Quoted(Path("missing.lzh"))));
    EXPECT_EQ(0x8029, dll.Command(kExtract + Quoted(Path("missing.lzh"))));
    EXPECT_EQ(-1, dll.Count("\"\"")) << "the empty path of a non-folder";
    auto first = dll.Get<int(WINAPI*)(HANDLE, LPCSTR, Record*)>("UnlhaFindFirst");
    Record r;
    EXPECT_NE(0, first(nullptr, "*", &r)) << "a null handle has no entries";
}

// Parent references are the program's to guard: the DLL writes them as they are.
TEST_F(Lha, KeepsParentReferencesAndDropsLeadingRoots) {
    Enter(Path("src"));
    MakeFile(Path("src\\x.txt"), "up");
    MakeFile(Path("src\\y.txt"), "root");
    ASSERT_EQ(0, dll.Command("a -x1 \"..\\t.lzh\" x.txt y.txt"));
    // Rename the stored names in place: same lengths, so the level-2 header CRC is all that
    // changes, and it is recomputed below.
    std::string lzh = ReadFile(Path("t.lzh"));
    auto rename = [&](const std::string& from, const std::string& dir) {
        size_t at = lzh.find(from);
        ASSERT_NE(std::string::npos, at);
        size_t header = lzh.rfind("-lh", at) - 2;
        unsigned hsize = uint8_t(lzh[header]) | uint8_t(lzh[header + 1]) << 8;
        std::string ext;  // a directory extension in place of the file name one
        ext += char(dir.size() + 3);
        ext += '\0';
        ext += '\2';
        ext += dir;
        lzh.insert(header + hsize - 2, ext);
        hsize += unsigned(ext.size());
        lzh[header] = char(hsize);
        lzh[header + 1] = char(hsize >> 8);
        size_t crc_at = header + 27;
        lzh[crc_at] = lzh[crc_at + 1] = 0;
        uint16_t crc = Crc16Of(lzh.substr(header, hsize));
        lzh[crc_at] = char(crc);
        lzh[crc_at + 1] = char(crc >> 8);
    };
    rename("x.txt", "..\xFF..\xFF");
    rename("y.txt", "\xFF");
    testing_support::WriteFile(Path("t.lzh"), lzh);
    CreateDirectoryA(Path("a").c_str(), nullptr);
    Enter(Path("a\\b"));
    ASSERT_EQ(0, dll.Command(kExtract + Quoted(Path("t.lzh"))));
    EXPECT_EQ("up", ReadFile(Path("x.txt"))) << "two levels up from a\\b";
    EXPECT_EQ("root", ReadFile(Path("a\\b\\y.txt"))) << "a leading root is dropped";
}

// Older archivers write level-0 and level-1 headers; no fixture has them, so they are built
// here byte by byte as those archivers lay them out (stored data, MS-DOS local time).
std::string OldHeader(int level, const std::string& name, const std::string& dir_ext,
                      const std::string& data, WORD date, WORD time) {
    std::string h = "-lh0-";
    std::string ext;  // one extension header: type, data, size of the next one (none)
    if (!dir_ext.empty()) ext = '\2' + dir_ext + std::string(2, '\0');
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) h += char(v >> (8 * i));
    };
    put32(uint32_t(data.size() + ext.size()));
    put32(uint32_t(data.size()));
    h += char(time);
    h += char(time >> 8);
    h += char(date);
    h += char(date >> 8);
    h += char(0x20);
    h += char(level);
    h += char(name.size());
    h += name;
    uint16_t crc = Crc16Of(data);
    h += char(crc);
    h += char(crc >> 8);
    if (level == 1) {
        h += 'M';
        h += char(ext.size());  // the base header ends with the size of the first extension
        h += '\0';
    }
    unsigned sum = 0;
    for (unsigned char c : h) sum += c;
    return std::string(1, char(h.size())) + char(sum) + h + ext + data;
}

TEST_F(Lha, ReadsLevelZeroAndOneHeaders) {
    const WORD date = WORD((24 << 9) | (8 << 5) | 26), time = WORD((14 << 11) | (30 << 5) | 29);
    std::string lzh = OldHeader(0, "a\\b0.txt", "", "zero", date, time) +
                      OldHeader(1, "one.txt", "sub\xFF", "one", date, time) + '\0';
    testing_support::WriteFile(Path("old.lzh"), lzh);
    std::vector<Record> records = dll.List(Quoted(Path("old.lzh")));
    ASSERT_EQ(2u, records.size());
    EXPECT_STREQ("a\\b0.txt", records[0].path);
    EXPECT_STREQ("sub\\one.txt", records[1].path);
    EXPECT_EQ(3u, records[1].original_size);
    EXPECT_EQ(Crc16Of("one"), records[1].crc);
    EXPECT_EQ(date, records[1].date);
    EXPECT_EQ(time, records[1].time);
    EXPECT_EQ(0u, records[1].os_type) << "MS-DOS";
    Enter(Path("out"));
    ASSERT_EQ(0, dll.Command(kExtract + Quoted(Path("old.lzh"))));
    EXPECT_EQ("zero", ReadFile(Path("out\\a\\b0.txt")));
    EXPECT_EQ("one", ReadFile(Path("out\\sub\\one.txt")));
    lzh[lzh.size() - 2] ^= 1;  // damaged content fails its CRC
    testing_support::WriteFile(Path("old.lzh"), lzh);
    EXPECT_NE(0, dll.Command(kExtract + Quoted(Path("old.lzh"))));
}

class LhaFreeze : public Lha {
protected:
    void SetUp() override {
        Lha::SetUp();
        CreateDirectoryA(Path("work").c_str(), nullptr);
        CreateDirectoryA(Path("work\\ソフト").c_str(), nullptr);
        CreateDirectoryA(Path("work\\empty").c_str(), nullptr);
        MakeFile(Path("work\\a.txt"), Lines(2000));
        MakeFile(Path("work\\表示.txt"), "表示");
        MakeFile(Path("work\\ソフト\\noise.bin"), PseudoRandom(20000, 7));
        MakeFile(Path("other.txt"), "other");
    }
    std::vector<std::string> Extracted(const std::string& archive) {
        std::string out = Path("check-" + std::to_string(++checks_));
        Enter(out);
        EXPECT_EQ(0, dll.Command(kExtract + Quoted(archive)));
        return TreeOf(out);
    }
    int checks_ = 0;
};

TEST_F(LhaFreeze, FolderContentsRoundTripWithJapaneseNames) {
    Enter(Path("work"));
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm2 \"new.lzh\" \"*\""));
    std::string archive = Path("work\\new.lzh");
    MoveFileA(archive.c_str(), Path("new.lzh").c_str());
    EXPECT_EQ(TreeOf(Path("work")), Extracted(Path("new.lzh")));
    bool stored = false, packed = false;
    for (const Record& r : dll.List(Quoted(Path("new.lzh")))) {
        if (!std::strcmp(r.path, "a.txt")) packed = !std::strcmp(r.method, "-lh5-");
        if (!std::strcmp(r.path, "ソフト\\noise.bin")) stored = !std::strcmp(r.method, "-lh0-");
    }
    EXPECT_TRUE(packed) << "text is compressed with -lh5-";
    EXPECT_TRUE(stored) << "data that does not shrink is stored";
}

TEST_F(LhaFreeze, IncludedFolderAndResponseFileItems) {
    Enter(Path("."));
    testing_support::WriteFile(Path("$$"), "\"other.txt\"\n");
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm4 \"new.lzh\" \"work\\*\" @$$"));
    std::vector<std::string> names;
    for (const Record& r : dll.List(Quoted(Path("new.lzh")))) {
        names.push_back(r.path);
        if (!std::strcmp(r.path, "work\\a.txt")) {
            EXPECT_STREQ("-lh7-", r.method);
        }
    }
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "work\\表示.txt"));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "other.txt"));
    EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), "$$")) << "not the list itself";
    EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), "new.lzh"));
}

TEST_F(LhaFreeze, TheWebsMarkBesideAFileIsNoEntry) {
    // Under Wine a file's stream is a file named "a.txt:Zone.Identifier" beside it.
    testing_support::WriteFile(Path("work\\a.txt:Zone.Identifier"),
                               "[ZoneTransfer]\r\nZoneId=3\r\n");
    Enter(Path("work"));
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm2 \"new.lzh\" \"*\""));
    for (const Record& r : dll.List(Quoted(Path("work\\new.lzh"))))
        EXPECT_EQ(nullptr, std::strchr(r.path, ':')) << r.path;
}

TEST_F(LhaFreeze, UpdateSequenceMirrorsTheFolder) {
    Enter(Path("work"));
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm2 \"u.lzh\" \"*\""));
    MoveFileA(Path("work\\u.lzh").c_str(), Path("u.lzh").c_str());
    MakeFile(Path("work\\a.txt"), "changed", 2010);
    DeleteFileA(Path("work\\表示.txt").c_str());
    MakeFile(Path("work\\new.txt"), "new");
    // The update: the old archive comes into the folder, is freshened, pruned and extended.
    CopyFileA(Path("u.lzh").c_str(), Path("work\\u.lzh").c_str(), FALSE);
    ASSERT_EQ(0, dll.Command("f -x1 -r2 -d -a2 -jm2 \"u.lzh\" \"*\""));
    ASSERT_EQ(0, dll.Command("d -jn -r2 -d \"u.lzh\" \"*\""));
    ASSERT_EQ(0, dll.Command("a -jn -x1 -r2 -d -a2 -jm2 \"u.lzh\" \"*\""));
    MoveFileExA(Path("work\\u.lzh").c_str(), Path("u.lzh").c_str(), MOVEFILE_REPLACE_EXISTING);
    EXPECT_EQ(TreeOf(Path("work")), Extracted(Path("u.lzh")));
}

TEST_F(LhaFreeze, SelfExtractorExtractsBesideItself) {
    Enter(Path("work"));
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm4 \"s.lzh\" \"*\""));
    ASSERT_EQ(0, dll.Command("s -x1 -gw4 -gx3 \"s.lzh\""));
    DeleteFileA(Path("work\\s.lzh").c_str());
    CreateDirectoryA(Path("run").c_str(), nullptr);
    ASSERT_TRUE(MoveFileA(Path("work\\s.exe").c_str(), Path("run\\s.exe").c_str()));
    ASSERT_EQ(0, testing_support::RunProgram(Path("run\\s.exe"), "", {}, Path(".")));
    DeleteFileA(Path("run\\s.exe").c_str());
    EXPECT_EQ(TreeOf(Path("work")), TreeOf(Path("run")));
}

TEST_F(LhaFreeze, SelfExtractorUsesTheInstallFolderOfItsSettings) {
    Enter(Path("."));
    std::string target = Path("installed\\here");
    testing_support::WriteFile(Path("$"), "$WindowTitle=t\r\n$InstallTitle=m:\r\n$InstallDir=" +
                                              target + "\r\n$Command=\r\n");
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm4 \"i.lzh\" $ \"work\\*\""));
    ASSERT_EQ(0, dll.Command("s -x1 -gw4 -gx2 \"i.lzh\""));
    ASSERT_EQ(0, testing_support::RunProgram(Path("i.exe"), "", {}, Path(".")));
    EXPECT_EQ(TreeOf(Path("work")), TreeOf(Path("installed\\here\\work")));
    EXPECT_FALSE(FileExists(target + "\\$")) << "the settings are not extracted";
}

TEST_F(LhaFreeze, SelfExtractorAsksTheQuestionFirst) {
    Enter(Path("."));
    testing_support::WriteFile(Path("!"), "展開しますか?");
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm4 \"q.lzh\" ! \"work\\*\""));
    ASSERT_EQ(0, dll.Command("s -x1 -gw4 -gx3 \"q.lzh\""));
    CreateDirectoryA(Path("run").c_str(), nullptr);
    ASSERT_TRUE(MoveFileA(Path("q.exe").c_str(), Path("run\\q.exe").c_str()));
    for (int answer : {IDNO, IDYES}) {
        testing_support::ChildProcess child =
            testing_support::StartProgram(Path("run\\q.exe"), "", {}, Path("."));
        gui::MessageBoxInfo box = gui::WaitForMessageBox("自己解凍", child.Pid());
        ASSERT_NE(nullptr, box.hwnd);
        EXPECT_EQ("展開しますか?", box.text);
        ASSERT_TRUE(gui::Answer(box, answer));
        EXPECT_EQ(answer == IDYES ? 0 : 2, child.Wait());
        EXPECT_EQ(answer == IDYES, FileExists(Path("run\\work\\a.txt")));
    }
    EXPECT_FALSE(FileExists(Path("run\\!")));
}

TEST_F(LhaFreeze, SelfExtractorNeedsAnArchive) {
    Enter(Path("work"));
    EXPECT_EQ(0x8029, dll.Command("s -x1 -gw4 -gx3 \"none.lzh\""));
    EXPECT_FALSE(FileExists(Path("work\\none.exe")));
}

TEST_F(LhaFreeze, QuotedPathsWithBlanks) {
    CreateDirectoryA(Path("my folder").c_str(), nullptr);
    MakeFile(Path("my folder\\a b.txt"), "blank");
    Enter(Path("my folder"));
    ASSERT_EQ(0, dll.Command("a -x1 -r2 -d -a2 -jm2 \"x y.lzh\" \"a b.txt\""));
    EXPECT_EQ(1, dll.Count(Quoted(Path("my folder\\x y.lzh"))));
}

}  // namespace
}  // namespace archivers_test
