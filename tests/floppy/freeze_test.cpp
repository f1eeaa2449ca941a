// The freeze dialog's floppy choice: the archive is made in a folder of its own on the
// desktop, divided onto the disk and removed from the desktop; the folder moves into the
// cache only when the archive reached the disk.
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
    // dialog it opens.
    HWND FreezeOntoFloppy(ChildProcess* child) {
        *child = Program("-x \"" + folder + "\"");
        HWND freeze = gui::WaitForWindow("圧縮 - Quarvel", child->Pid());
        if (freeze == nullptr) return nullptr;
        gui::ClickAndWait(freeze, IDC_FREEZE_FLOPPY);
        gui::ClickAndWait(freeze, IDC_FREEZE_DELETE);
        gui::Click(freeze, IDOK);
        return gui::WaitForWindow(kDialog, child->Pid());
    }

    ScopedValue desktop;
    std::string folder = dir / "docs";
};

}  // namespace

// The user's own docs.lzh on the desktop is neither asked about nor touched, and the
// working folder of another archive named like the folder stays as it was.
TEST_F(FreezeToFloppy, ArchiveGoesOntoTheDiskAndNotOntoTheDesktop) {
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFile(folder + "\\report.txt", "quarterly report\r\n");
    WriteFile(folder + "\\data.bin", Bytes(20000));
    WriteFile(dir / "desk\\docs.lzh", "the user's own");
    std::string cache = dir / "desk\\Archives Cache";
    CreateDirectoryA(cache.c_str(), nullptr);
    CreateDirectoryA((cache + "\\docs").c_str(), nullptr);
    WriteFile(cache + "\\docs\\other.txt", "another archive's");

    // Cancelled: nothing on the disk, the folder stays where it is.
    ChildProcess cancelled;
    HWND dialog = FreezeOntoFloppy(&cancelled);
    ASSERT_NE(dialog, nullptr);
    gui::Click(dialog, IDCANCEL);
    EXPECT_EQ(cancelled.Wait(), 0);
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{});
    EXPECT_EQ(Names(dir / "desk"), (std::vector<std::string>{"Archives Cache", "docs.lzh"}));
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"data.bin", "report.txt"}));

    ChildProcess divided;
    dialog = FreezeOntoFloppy(&divided);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ExecuteAnswered(dialog, divided.Pid()), kDone);
    EXPECT_EQ(divided.Wait(), 0);
    EXPECT_EQ(NamesOnDisk(), std::vector<std::string>{"docs.lzh"});
    EXPECT_EQ(ReadFile(dir / "desk\\docs.lzh"), "the user's own");
    EXPECT_EQ(Names(dir / "desk"), (std::vector<std::string>{"Archives Cache", "docs.lzh"}));
    // The folder is the working folder of its own entry, whose archive is kept beside it.
    EXPECT_FALSE(FileExists(folder));
    EXPECT_EQ(TreeOf(cache + "\\docs"), std::vector<std::string>{"other.txt=another archive's"});
    std::string moved = cache + "\\af1\\docs";
    EXPECT_EQ(ReadFile(moved + "\\report.txt"), "quarterly report\r\n");
    std::string kept = cache + "\\af1\\docs.lzh";
    EXPECT_TRUE(OnDisk("docs.lzh") == ReadFile(kept));
    EXPECT_FALSE(ReadFile(kept).empty());
    std::string db = ReadFile(cache + "\\cache-db.ini");
    EXPECT_NE(db.find("File = " + kept + ", "), std::string::npos) << db;
    EXPECT_NE(db.find(", " + moved + ", "), std::string::npos) << db;
}
