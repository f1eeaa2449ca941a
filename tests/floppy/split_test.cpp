// Dividing archives onto disks in drive A: through the floppy dialog of dovetrim.exe -v.
#include "floppy_fixture.h"

#include <commctrl.h>

using namespace floppy_test;

namespace {

const char kComments[] =
    "Comment = 分割ファイル（ファイル名 1、2、3...）は、単純にバイナリ分割したものです。\r\n"
    "Comment = 分割ファイルは、MS-DOS の COPY コマンドで結合することができます。（help: COPY "
    "/?）。\r\n";

std::string FirstDescription(int disks, const std::string& update = "2004/08/26-00:05:00") {
    return "[main] \r\nOriginalFName = big.lzh\r\nNumber = 1\r\nTotalSize = 3000000\r\nNFlopy = " +
           std::to_string(disks) + "\r\nUpdate = " + update + "\r\n" + kComments + " \r\n";
}

std::string Description(int number) {
    return "[main] \r\nOriginalFName = big.lzh\r\nNumber = " + std::to_string(number) + "\r\n \r\n";
}

}  // namespace

TEST_F(FloppyDisks, SmallArchiveIsCopiedWholeUnderItsOwnName) {
    // Settings of a newer version: the split goes on with the defaults.
    WriteFile(dir / "prog\\dovetrim.ini", "[main]\r\nApplication = Quarvel\r\nVersion = 999\r\n");
    std::string archive = Archive("small.lzh", 100000);
    ChildProcess child;
    HWND dialog = Divide(&child, archive);
    ASSERT_NE(dialog, nullptr);
    // The floppy drive is chosen and its blank disk may be wiped.
    EXPECT_EQ(gui::ControlText(dialog, IDC_FLOPPY_DRIVE), kA);
    EXPECT_EQ(DiskLine(dialog).substr(0, 30), "1 枚目のフロッピー  空き容量：");
    EXPECT_EQ(gui::ControlText(dialog, IDC_FLOPPY_REST_LINE), "圧縮ファイルの残りサイズ：97.6KB");
    EXPECT_TRUE(gui::IsChecked(dialog, IDC_FLOPPY_DELETE_ALL));
    EXPECT_TRUE(gui::IsChecked(dialog, IDC_FLOPPY_JOINER));
    // The bar rests empty at the low end of -20..100.
    HWND bar = GetDlgItem(dialog, IDC_FLOPPY_BAR);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), -20);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), -20);

    EXPECT_EQ(ExecuteAnswered(dialog, child.Pid()), kDone);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{"small.lzh"});
    EXPECT_TRUE(OnDisk("small.lzh") == ReadFile(archive));
}

TEST_F(FloppyDisks, ThreeMillionBytesGoOverThreeDisksWithTheirDescriptions) {
    std::string archive = Archive("big.lzh", 3000000);
    ChildProcess child;
    HWND dialog = Divide(&child, archive);
    ASSERT_NE(dialog, nullptr);
    gui::ClickAndWait(dialog, IDC_FLOPPY_JOINER);
    Execute(dialog);
    // The description took its cluster before the piece was sized: the piece fills the rest.
    EXPECT_EQ(FreeOnDisk(), 0u);
    EXPECT_EQ(DiskLine(dialog), "2 枚目のフロッピー  空き容量：0.0KB");
    ChangeDisk("d1");
    Execute(dialog);
    ChangeDisk("d2");
    Execute(dialog);
    EXPECT_EQ(DiskLine(dialog), "1 枚目のフロッピーをもう一度入れてください。");
    EXPECT_EQ(gui::ControlText(dialog, IDC_FLOPPY_REST_LINE), "分割結果の構成を記録します。");
    EXPECT_FALSE(gui::IsEnabled(dialog, IDC_FLOPPY_DELETE_ALL));

    // The final description goes on disk 1 only; disk 3 still in the drive is refused.
    std::string refused = ExecuteAnswered(dialog, child.Pid());
    EXPECT_EQ(refused,
              "このフロッピーは 1 枚目ではありません。1 枚目のフロッピーを入れてください。");
    EXPECT_EQ(NamesOnDisk(), (std::vector<std::string>{"3", "3.ini"}));
    ChangeDisk("d3", "d1");
    // The final description carries the archive's time as it is by then.
    time_t touched = 0;
    StrX_MakeTime(&touched, 2004, 8, 27, 1, 0, 0);
    _utimbuf times{touched, touched};
    _utime(archive.c_str(), &times);
    EXPECT_EQ(ExecuteAnswered(dialog, child.Pid()), kDone);
    EXPECT_EQ(child.Wait(), 0);
    ASSERT_EQ(drive.Eject("final"), "");

    EXPECT_EQ(Names(drive.Kept("d1")), (std::vector<std::string>{"1", "1.ini"}));
    EXPECT_EQ(Kept("d1", "1.ini"), FirstDescription(1));
    EXPECT_EQ(Kept("final", "1.ini"), FirstDescription(3, "2004/08/27-01:00:00"));
    EXPECT_EQ(Names(drive.Kept("d2")), (std::vector<std::string>{"2", "2.ini"}));
    EXPECT_EQ(Kept("d2", "2.ini"), Description(2));
    EXPECT_EQ(Kept("d3", "3.ini"), Description(3));
    // cat 1 2 3 is the archive.
    std::string joined = Kept("final", "1") + Kept("d2", "2") + Kept("d3", "3");
    EXPECT_EQ(Kept("d1", "1").size(), Kept("d2", "2").size());
    EXPECT_TRUE(joined == ReadFile(archive));
}

TEST_F(FloppyDisks, JoiningProgramNeedsRoomOnDiskOneAndAFullDiskWaitsForAnother) {
    std::string archive = Archive("big.lzh", 3000000);
    ChildProcess child;
    HWND dialog = Divide(&child, archive);
    ASSERT_NE(dialog, nullptr);
    // Disk 1 keeps its files and has less room than the joining program takes.
    DWORD per_cluster = 0, sector = 0, free_clusters = 0, clusters = 0;
    GetDiskFreeSpaceA(kA, &per_cluster, &sector, &free_clusters, &clusters);
    unsigned long long cluster = per_cluster * sector;
    unsigned long long joiner = ReadFile(dir / "prog\\resume.exe").size();
    unsigned long long needed = (joiner + cluster - 1) / cluster * cluster;
    WriteFile(kA + std::string("filler"), std::string(FreeOnDisk() - needed + cluster, 'f'));
    gui::ClickAndWait(dialog, IDC_FLOPPY_KEEP);
    EXPECT_EQ(ExecuteAnswered(dialog, child.Pid(), "エラーメッセージ"),
              "１枚目は " + std::to_string(needed / 1024) + "KB 以上の空き容量が必要です。");
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{"filler"});

    DeleteFileA((kA + std::string("filler")).c_str());
    Execute(dialog);
    EXPECT_EQ(NamesOnDisk(), (std::vector<std::string>{"1", "1.ini", "resume.exe"}));
    EXPECT_TRUE(OnDisk("resume.exe") == ReadFile(dir / "prog\\resume.exe"));

    // A full disk gets nothing and disk 2 is asked for again; so is a disk with room for
    // the description alone.
    for (unsigned long long room : {0ull, cluster}) {
        ChangeDisk("");
        WriteFile(kA + std::string("filler"), std::string(FreeOnDisk() - room, 'f'));
        gui::ClickAndWait(dialog, IDC_FLOPPY_KEEP);
        EXPECT_EQ(ExecuteAnswered(dialog, child.Pid()), "ディスクを交換してください");
        EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{"filler"}) << room;
        EXPECT_EQ(DiskLine(dialog).substr(0, 18), "2 枚目のフロッピー");
    }
    ChangeDisk("");
    Execute(dialog);
    EXPECT_EQ(NamesOnDisk(), (std::vector<std::string>{"2", "2.ini"}));
    EXPECT_EQ(DiskLine(dialog).substr(0, 18), "3 枚目のフロッピー");
}

TEST_F(FloppyDisks, FailedWriteLeavesNoPieceAndKeepsTheDiskNumber) {
    std::string archive = Archive("big.lzh", 3000000);
    ChildProcess child;
    HWND dialog = Divide(&child, archive);
    ASSERT_NE(dialog, nullptr);
    gui::ClickAndWait(dialog, IDC_FLOPPY_JOINER);
    Execute(dialog);
    std::string first = OnDisk("1");

    // The disk fills up during the piece: an old "2" promises a megabyte it does not take.
    ChangeDisk("");
    WriteSparse(kA + std::string("2"), 1 << 20);
    gui::ClickAndWait(dialog, IDC_FLOPPY_KEEP);
    // A file that the split did not write is replaced only when the user says so.
    gui::Click(dialog, IDOK);
    gui::MessageBoxInfo replace = gui::WaitForMessageBox("上書き確認", child.Pid());
    EXPECT_EQ(replace.text, "A:\\ にある以下のファイルを上書きします。よろしいですか？\r\n2  ");
    gui::Answer(replace, IDNO);
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::IsEnabled(dialog, IDOK); }));
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{"2"});
    EXPECT_EQ(DiskLine(dialog).substr(0, 18), "2 枚目のフロッピー");
    // The refreshed disk offers clearing again: kept, and replaced this time.
    gui::ClickAndWait(dialog, IDC_FLOPPY_KEEP);
    gui::Click(dialog, IDOK);
    gui::Answer(gui::WaitForMessageBox("上書き確認", child.Pid()), IDYES);
    gui::MessageBoxInfo failed = gui::WaitForMessageBoxOver(dialog, kDialog);
    gui::Answer(failed, IDOK);
    std::string full = failed.text;
    EXPECT_NE(full.find("A:\\2 の書きこみに失敗しました。"), std::string::npos) << full;
    EXPECT_NE(full.find("2 枚目のフロッピーへの書きこみは完了していません。"), std::string::npos);
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{});
    EXPECT_EQ(DiskLine(dialog).substr(0, 18), "2 枚目のフロッピー");

    // A write-protected disk.
    ASSERT_EQ(drive.Protect(), "");
    std::string locked = ExecuteAnswered(dialog, child.Pid());
    EXPECT_NE(locked.find("A:\\2.ini"), std::string::npos) << locked;
    EXPECT_EQ(DiskLine(dialog).substr(0, 18), "2 枚目のフロッピー");

    // The next disk gets piece 2 as it should.
    ChangeDisk("");
    Execute(dialog);
    EXPECT_EQ(NamesOnDisk(), (std::vector<std::string>{"2", "2.ini"}));
    EXPECT_TRUE(OnDisk("2") == ReadFile(archive).substr(first.size(), OnDisk("2").size()));
    EXPECT_EQ(DiskLine(dialog).substr(0, 18), "3 枚目のフロッピー");
}

TEST_F(FloppyDisks, ClearingKeepsTheSystemAndFoldersAndIsOfferedOnFloppiesOnly) {
    std::string archive = Archive("small.lzh", 100000);
    const char* const kSystem[] = {"autoexec.bat", "command.com", "config.sys", "io.sys",
                                   "msdos.sys"};
    for (const char* name : kSystem) WriteFile(kA + std::string(name), "system");
    CreateDirectoryA("A:\\dos", nullptr);
    WriteFile("A:\\dos\\edit.com", "editor");
    WriteFile("A:\\old.txt", "old");
    WriteFile("A:\\draft.txt", "draft");
    ChildProcess child;
    HWND dialog = Divide(&child, archive);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gui::ItemCount(dialog, IDC_FLOPPY_CONTENTS), 8);

    // Deleting the chosen files leaves a chosen folder alone.
    HWND list = GetDlgItem(dialog, IDC_FLOPPY_CONTENTS);
    for (int i = 0; i < gui::ItemCount(dialog, IDC_FLOPPY_CONTENTS); i++) {
        std::string line = gui::ItemText(dialog, IDC_FLOPPY_CONTENTS, i);
        if (line == " dos\\" || line.rfind("draft.txt  /  ", 0) == 0)
            SendMessageA(list, LB_SETSEL, TRUE, i);
    }
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FLOPPY_CONTENTS, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    ASSERT_TRUE(gui::IsEnabled(dialog, IDC_FLOPPY_DELETE_SELECTED));
    gui::Click(dialog, IDC_FLOPPY_DELETE_SELECTED);
    gui::MessageBoxInfo chosen = gui::WaitForMessageBox("削除確認", child.Pid());
    EXPECT_EQ(chosen.text,
              "以下のファイルを削除します。よろしいですか？\r\ndraft.txt  \r\n"
              "選択したフォルダは削除されません");
    gui::Answer(chosen, IDYES);
    // The list answers once the dialog is done with the deletion.
    EXPECT_EQ(gui::ItemCount(dialog, IDC_FLOPPY_CONTENTS), 7);
    EXPECT_FALSE(FileExists("A:\\draft.txt"));

    // A hard disk cannot be wiped.
    int fixed = -1;
    for (int i = 0; i < gui::ItemCount(dialog, IDC_FLOPPY_DRIVE); i++) {
        if (GetDriveTypeA(gui::ItemText(dialog, IDC_FLOPPY_DRIVE, i).c_str()) == DRIVE_FIXED)
            fixed = i;
    }
    ASSERT_GE(fixed, 0);
    gui::Select(dialog, IDC_FLOPPY_DRIVE, fixed);
    EXPECT_FALSE(gui::IsEnabled(dialog, IDC_FLOPPY_DELETE_ALL));
    EXPECT_FALSE(gui::IsChecked(dialog, IDC_FLOPPY_DELETE_ALL));
    EXPECT_TRUE(gui::IsChecked(dialog, IDC_FLOPPY_KEEP));
    gui::Select(dialog, IDC_FLOPPY_DRIVE, 0);
    EXPECT_TRUE(gui::IsEnabled(dialog, IDC_FLOPPY_DELETE_ALL));
    EXPECT_TRUE(gui::IsChecked(dialog, IDC_FLOPPY_DELETE_ALL));

    // Nor when it is typed into the drive box and Enter pressed there at once: 実行 looks at
    // the drive the box names now and shows it, offering nothing on it for deletion.
    const std::string planted = "C:\\quarvel-floppy-test.txt";
    WriteFile(planted, "not the floppy's");
    SetFileAttributesA(planted.c_str(), FILE_ATTRIBUTE_READONLY);
    gui::SetControlText(dialog, IDC_FLOPPY_DRIVE, "C:");
    gui::PressEnter(dialog, IDC_FLOPPY_DRIVE);
    if (!gui::WaitUntil([&] { return gui::IsChecked(dialog, IDC_FLOPPY_KEEP); })) {
        gui::MessageBoxInfo asked = gui::WaitForMessageBox("削除確認", child.Pid());
        ADD_FAILURE() << "asked about C: " << asked.text;
        gui::Answer(asked, IDNO);
    }
    EXPECT_FALSE(gui::IsEnabled(dialog, IDC_FLOPPY_DELETE_ALL));
    EXPECT_EQ(ReadFile(planted), "not the floppy's");
    EXPECT_FALSE(FileExists("C:\\small.lzh"));
    SetFileAttributesA(planted.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(planted.c_str());
    gui::SetControlText(dialog, IDC_FLOPPY_DRIVE, kA);
    gui::Leave(dialog, IDC_FLOPPY_DRIVE);
    EXPECT_TRUE(gui::IsChecked(dialog, IDC_FLOPPY_DELETE_ALL));

    // Editing first shows the disk in Explorer, and then the disk is kept as edited.
    gui::ClickAndWait(dialog, IDC_FLOPPY_EDIT_FIRST);
    Execute(dialog);
    EXPECT_EQ(WaitForLog(log, 1), dir / "win\\explorer.exe /e,\"A:\\\"\r\n");
    EXPECT_TRUE(gui::IsChecked(dialog, IDC_FLOPPY_KEEP));
    EXPECT_FALSE(gui::IsChecked(dialog, IDC_FLOPPY_EDIT_FIRST));
    EXPECT_TRUE(gui::IsEnabled(dialog, IDOK));

    // Clearing asks first, naming the drive and the one file it would delete.
    gui::ClickAndWait(dialog, IDC_FLOPPY_DELETE_ALL);
    gui::Click(dialog, IDOK);
    gui::MessageBoxInfo box = gui::WaitForMessageBox("削除確認", child.Pid());
    EXPECT_EQ(box.text,
              "A:\\ の以下のファイルを削除または上書きします。よろしいですか？\r\nold.txt  ");
    gui::Answer(box, IDNO);
    EXPECT_EQ(gui::ItemCount(dialog, IDC_FLOPPY_CONTENTS), 7);  // the dialog is done with it
    EXPECT_EQ(NamesOnDisk().size(), 7u);
    gui::Click(dialog, IDOK);
    gui::Answer(gui::WaitForMessageBox("削除確認", child.Pid()), IDYES);
    gui::MessageBoxInfo done = gui::WaitForMessageBoxOver(dialog, kDialog);
    EXPECT_EQ(done.text, kDone);
    gui::Answer(done, IDOK);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(NamesOnDisk(), (std::vector<std::string>{"autoexec.bat", "command.com", "config.sys",
                                                       "dos", "io.sys", "msdos.sys", "small.lzh"}));
    EXPECT_EQ(ReadFile("A:\\dos\\edit.com"), "editor");
}

TEST_F(FloppyDisks, ArchiveOfTwoGigabytesOrMoreIsRefusedPlainly) {
    std::string archive = dir / "src\\huge.lzh";
    WriteSparse(archive, 3ll << 30);
    ChildProcess child = Program("-v \"" + archive + "\"");
    gui::MessageBoxInfo box = gui::WaitForMessageBox(kDialog, child.Pid());
    EXPECT_EQ(box.text, "huge.lzh は 2GB 以上あるので、フロッピーに分割できません。");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{});
}
