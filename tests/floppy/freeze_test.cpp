// The freeze dialog's floppy choice: the archive is made on the desktop, divided onto the
// disk and removed from the desktop; the folder moves into the cache only when the archive
// reached the disk.
#include "floppy_fixture.h"
#include "folders/freeze_ids.h"

using namespace floppy_test;

namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class FreezeToFloppy : public FloppyDisks {
protected:
    FreezeToFloppy() : desktop(HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk") {}

    // The freeze dialog on the folder with the floppy choice and deletion, and the floppy
    // dialog it opens, while the archive is on the desktop.
    HWND FreezeOntoFloppy(ChildProcess* child) {
        *child = Program("-x \"" + folder + "\"");
        HWND freeze = gui::WaitForWindow("圧縮 - Quarvel", child->Pid());
        if (freeze == nullptr) return nullptr;
        gui::ClickAndWait(freeze, IDC_FREEZE_FLOPPY);
        gui::ClickAndWait(freeze, IDC_FREEZE_DELETE);
        gui::Click(freeze, IDOK);
        HWND dialog = gui::WaitForWindow(kDialog, child->Pid());
        EXPECT_EQ(Names(dir / "desk"), std::vector<std::string>{"docs.lzh"});
        return dialog;
    }

    ScopedValue desktop;
    std::string folder = dir / "docs";
};

}  // namespace

TEST_F(FreezeToFloppy, ArchiveGoesOntoTheDiskAndNotOntoTheDesktop) {
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFile(folder + "\\report.txt", "quarterly report\r\n");
    WriteFile(folder + "\\data.bin", Bytes(20000));

    // Cancelled: nothing on the disk, the folder stays where it is.
    ChildProcess cancelled;
    HWND dialog = FreezeOntoFloppy(&cancelled);
    ASSERT_NE(dialog, nullptr);
    gui::Click(dialog, IDCANCEL);
    EXPECT_EQ(cancelled.Wait(), 0);
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{});
    EXPECT_EQ(Names(dir / "desk"), std::vector<std::string>{});
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"data.bin", "report.txt"}));

    ChildProcess divided;
    dialog = FreezeOntoFloppy(&divided);
    ASSERT_NE(dialog, nullptr);
    std::string made = ReadFile(dir / "desk\\docs.lzh");
    EXPECT_EQ(ExecuteAnswered(dialog, divided.Pid()), kDone);
    EXPECT_EQ(divided.Wait(), 0);
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{"docs.lzh"});
    EXPECT_TRUE(OnDisk("docs.lzh") == made);
    EXPECT_FALSE(made.empty());
    // The folder moved into the cache; no archive is left on the desktop.
    EXPECT_FALSE(FileExists(folder));
    EXPECT_EQ(Names(dir / "desk"), std::vector<std::string>{"Archives Cache"});
    EXPECT_EQ(ReadFile(dir / "desk\\Archives Cache\\docs\\report.txt"), "quarterly report\r\n");
}
