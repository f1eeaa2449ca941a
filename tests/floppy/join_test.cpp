// resume.exe joining a split back: from disk 1 in drive A:, asking for the other disks, and
// from a folder holding every piece, where a missing or altered piece is refused; disks
// made by hand name the archive as a plain file name or are refused.
#include "floppy_fixture.h"

using namespace floppy_test;

namespace {

const char kJoiner[] = "結合 - Quarvel";
const char kFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

BOOL CALLBACK FindPicker(HWND window, LPARAM out) {
    if (!IsWindowVisible(window)) return TRUE;
    if (FindWindowExA(window, nullptr, "SysTreeView32", nullptr) == nullptr) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// The folder picker of whichever process shows it (the joining program runs from a copy
// of its own when started from a disk).
HWND WaitForPicker() {
    for (int tries = 0; tries < 1000; tries++) {
        HWND found = nullptr;
        EnumWindows(FindPicker, reinterpret_cast<LPARAM>(&found));
        if (found != nullptr) return found;
        Sleep(20);
    }
    return nullptr;
}

class Join : public FloppyDisks {
protected:
    // The joining program asks Windows for the desktop, which writes what it found to
    // "Shell Folders" too: both are put back afterwards.
    Join()
        : desktop(HKEY_CURRENT_USER, std::string(kFolders) + "User Shell Folders", "Desktop",
                  dir / "desk"),
          mirror(HKEY_CURRENT_USER, std::string(kFolders) + "Shell Folders", "Desktop",
                 dir / "desk") {}

    // Starts the joining program and accepts the folder it proposes, the desktop.
    ChildProcess StartJoin(const std::string& program) {
        ChildProcess child = StartProgram(program, "", Env(), dir / "cwd");
        HWND picker = WaitForPicker();
        EXPECT_NE(picker, nullptr);
        if (picker == nullptr) return child;
        gui::Click(picker, IDOK);
        gui::WaitUntilClosed(picker);
        return child;
    }
    std::string Answered(const std::string& caption = kJoiner) {
        gui::MessageBoxInfo box = gui::WaitForMessageBox(caption);
        gui::Answer(box, IDOK);
        return box.text;
    }

    ScopedValue desktop, mirror;
};

}  // namespace

TEST_F(Join, FromDiskOneItAsksForEachDiskAndRestoresTheArchive) {
    std::string archive = Archive("big.lzh", 3000000);
    SplitOverThreeDisks(archive, true);
    ASSERT_EQ(drive.Insert("final"), "");
    ChildProcess child = StartJoin("A:\\resume.exe");
    // The disks can change: the program does not run from the disk.
    gui::MessageBoxInfo ask = gui::WaitForMessageBox(kJoiner);
    EXPECT_EQ(ask.text, "2 枚目のフロッピーを入れて、OK を押してください。");
    ChangeDisk("", "d2");
    gui::Answer(ask, IDOK);
    // A wrong disk is named as such and the right one asked for again.
    ask = gui::WaitForMessageBox(kJoiner);
    EXPECT_EQ(ask.text, "3 枚目のフロッピーを入れて、OK を押してください。");
    ChangeDisk("", "d1");
    gui::Answer(ask, IDOK);
    ask = gui::WaitForMessageBox(kJoiner);
    EXPECT_EQ(ask.text,
              "3 枚目の説明ファイル A:\\3.ini がありません。\r\n\r\n"
              "3 枚目のフロッピーを入れて、OK を押してください。");
    ChangeDisk("", "d3");
    gui::Answer(ask, IDOK);
    std::string joined = dir / "desk\\big.lzh";
    EXPECT_EQ(Answered(), joined + " を結合しました。");
    EXPECT_TRUE(ReadFile(joined) == ReadFile(archive));
    EXPECT_EQ(TimeOf(joined), TimeOf(archive));
    EXPECT_EQ(Names(dir / "desk"), std::vector<std::string>{"big.lzh"});
}

TEST_F(Join, FromOneFolderAMissingOrAlteredPieceIsRefused) {
    std::string archive = Archive("big.lzh", 3000000);
    SplitOverThreeDisks(archive, true);
    std::string pieces = dir / "pieces";
    CreateDirectoryA(pieces.c_str(), nullptr);
    for (const char* disk : {"final", "d2", "d3"}) {
        for (const std::string& name : Names(drive.Kept(disk)))
            CopyFileA((drive.Kept(disk) + "\\" + name).c_str(), (pieces + "\\" + name).c_str(),
                      FALSE);
    }
    std::string program = pieces + "\\resume.exe";
    std::string piece3 = pieces + "\\3", kept3 = dir / "kept3";
    MoveFileA(piece3.c_str(), kept3.c_str());
    ChildProcess missing = StartJoin(program);
    EXPECT_EQ(Answered(),
              "3 枚目の分割ファイル " + piece3 + " がありません。\r\n\r\n結合は中止しました。");
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_EQ(Names(dir / "desk"), std::vector<std::string>{});

    // One byte of piece 2 changed.
    MoveFileA(kept3.c_str(), piece3.c_str());
    std::string piece2 = pieces + "\\2";
    std::string altered = ReadFile(piece2);
    altered[1000] = static_cast<char>(altered[1000] ^ 1);
    WriteFile(piece2, altered);
    ChildProcess changed = StartJoin(program);
    EXPECT_EQ(Answered(),
              "分割ファイル " + piece2 +
                  " は、big.lzh を分割したときのものではありません（更新日時が違います）"
                  "。\r\n\r\n結合は中止しました。");
    EXPECT_EQ(changed.Wait(), 1);
    EXPECT_EQ(Names(dir / "desk"), std::vector<std::string>{});
}

// ---- Disks made by hand (no drive needed) ---------------------------------------------------

namespace {

// A folder holding resume.exe, a first description naming the archive as given and its
// one piece of five bytes.
class CraftedDisk : public testing::TestWithParam<std::string> {
protected:
    CraftedDisk()
        : desktop(HKEY_CURRENT_USER, std::string(kFolders) + "User Shell Folders", "Desktop",
                  dir / "desk"),
          mirror(HKEY_CURRENT_USER, std::string(kFolders) + "Shell Folders", "Desktop",
                 dir / "desk") {
        for (const char* name : {"disk", "desk", "cwd"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        CopyFileA(BinPath("resume.exe").c_str(), (dir / "disk\\resume.exe").c_str(), FALSE);
    }
    ChildProcess Join(const std::string& name) {
        WriteFile(dir / "disk\\1.ini", "[main] \r\nOriginalFName = " + name +
                                           "\r\nNumber = 1\r\nTotalSize = 5\r\nNFlopy = 1\r\n"
                                           "Update = 2004/08/26-00:05:00\r\n");
        std::string piece = dir / "disk\\1";
        WriteFile(piece, "12345");
        time_t t = 0;
        StrX_MakeTime(&t, 2004, 8, 26, 0, 5, 0);
        _utimbuf times{t, t};
        _utime(piece.c_str(), &times);
        return StartProgram(dir / "disk\\resume.exe", "\"" + dir / "disk" + "\"", {}, dir / "cwd");
    }

    TempDir dir;
    ScopedValue desktop, mirror;
};

}  // namespace

// The archive goes into the folder the user picks or nowhere: a name with a folder, a drive,
// a stream, a device or nothing at all is refused before any question, and nothing is
// written anywhere.
TEST_P(CraftedDisk, NameThatIsNoPlainFileNameIsRefused) {
    ChildProcess child = Join(GetParam());
    gui::MessageBoxInfo box = gui::WaitForMessageBox(kJoiner, child.Pid());
    EXPECT_EQ(box.text, dir / "disk\\1.ini" + " の元のファイル名「" + GetParam() +
                            "」は、ファイル名として使えません。");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 1);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"cwd", "desk", "disk"}));
    EXPECT_EQ(Names(dir / "desk"), std::vector<std::string>{});
    EXPECT_EQ(Names(dir / "disk"), (std::vector<std::string>{"1", "1.ini", "resume.exe"}));
    EXPECT_FALSE(FileExists("C:\\x.exe"));
}

INSTANTIATE_TEST_SUITE_P(Hostile, CraftedDisk,
                         testing::Values("..\\..\\x.exe", "..\\x.exe", "C:\\x.exe", "C:x.exe",
                                         "\\x.exe", "sub/x.exe", "x.txt:stream", "..", "CON",
                                         "con.txt", "LPT1", "NUL.lzh", "COM9", "", "x?.lzh",
                                         "x.lzh."));

// A Japanese name whose second byte is a backslash is a plain name all the same.
TEST_F(CraftedDisk, JapaneseNameWithTrailBackslashIsJoinedInThePickedFolder) {
    ChildProcess child = Join("ソフト表.lzh");
    HWND picker = WaitForPicker();
    ASSERT_NE(picker, nullptr);
    gui::Click(picker, IDOK);
    gui::MessageBoxInfo box = gui::WaitForMessageBox(kJoiner, child.Pid());
    EXPECT_EQ(box.text, dir / "desk\\ソフト表.lzh" + " を結合しました。");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(ReadFile(dir / "desk\\ソフト表.lzh"), "12345");
}
