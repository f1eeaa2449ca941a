// The icon chooser, run on the test's thread and driven from a second one: which icon each
// cell shows (the test files' icons tell their numbers by colour), paging, and the choice.
#include <gtest/gtest.h>
#include <windows.h>

#include <future>
#include <string>
#include <vector>

#include "../support/gui_driver.h"
#include "../support/icon_file.h"
#include "../support/test_folders.h"
#include "lib/stdplus.h"
#include "options/icon_chooser.h"
#include "options/icon_chooser_ids.h"

using testing_support::IconNumber;
using testing_support::MakeIconFile;
using testing_support::TempDir;

namespace {

const char kCaption[] = "アイコンの選択 - Quarvel SV";

struct Look {
    std::string page, count;
    bool previous = false, next = false;
    std::vector<int> icons;  // per cell, -1 for an empty one
};

Look LookAt(HWND chooser) {
    Look look;
    look.page = gui::ControlText(chooser, IDC_ICONS_PAGE);
    look.count = gui::ControlText(chooser, IDC_ICONS_COUNT);
    look.previous = gui::IsEnabled(chooser, IDC_ICONS_PREVIOUS);
    look.next = gui::IsEnabled(chooser, IDC_ICONS_NEXT);
    for (int id : IconChooser_CellIds) look.icons.push_back(IconNumber(gui::IconOf(chooser, id)));
    return look;
}

std::vector<int> Icons(int first, int count) {
    std::vector<int> icons(IconChooser_Cells, -1);
    for (int i = 0; i < count; i++) icons[i] = first + i;
    return icons;
}

class IconChooser : public testing::Test {
protected:
    void SetUp() override {
        MakeIconFile(forty_, 40);
        MakeIconFile(thirty_six_, 36);
        testing_support::WriteFile(text_, "no icons here");
        for (const std::string* file : {&forty_, &thirty_six_})
            StdPlus_CopyN(candidates_[count_++], file->c_str(), 260);
    }

    // Runs the chooser while `drive` works it from another thread.
    template <class Drive>
    bool Choose(Drive drive) {
        auto driver = std::async(std::launch::async, [&] {
            HWND chooser = gui::WaitForWindow(kCaption, GetCurrentProcessId());
            if (chooser != nullptr) drive(chooser);
        });
        bool chosen = Options_ChooseIcon(nullptr, candidates_, count_, file_, &index_);
        driver.get();
        return chosen;
    }

    TempDir dir_;
    std::string forty_ = dir_ / "forty.exe";
    std::string thirty_six_ = dir_ / "thirty-six.exe";
    std::string text_ = dir_ / "readme.txt";
    char candidates_[2][260] = {};
    int count_ = 0;
    char file_[260] = "";
    int index_ = -1;
};

}  // namespace

TEST_F(IconChooser, PagesOfThirtySixColumnByColumnAndAClickChooses) {
    Look first, second, back, exactly36, none;
    bool chosen = Choose([&](HWND chooser) {
        first = LookAt(chooser);
        gui::ClickAndWait(chooser, IDC_ICONS_NEXT);
        second = LookAt(chooser);
        gui::ClickAndWait(chooser, IDC_ICONS_PREVIOUS);
        back = LookAt(chooser);
        gui::Select(chooser, IDC_ICONS_FILE, 1);
        exactly36 = LookAt(chooser);
        gui::SetControlText(chooser, IDC_ICONS_FILE, text_);
        gui::ClickAndWait(chooser, IDC_ICONS_LOAD);
        none = LookAt(chooser);
        gui::Select(chooser, IDC_ICONS_FILE, 0);
        gui::ClickAndWait(chooser, IDC_ICONS_NEXT);
        gui::ClickControl(chooser, 1001);  // second column, top row
    });

    EXPECT_EQ(first.page, "1/2");
    EXPECT_EQ(first.count, "アイコン数 = 40");
    EXPECT_TRUE(first.next);
    EXPECT_FALSE(first.previous);
    EXPECT_EQ(first.icons, Icons(0, 36));
    EXPECT_EQ(second.page, "2/2");
    EXPECT_EQ(second.icons, Icons(36, 4));  // the first column
    EXPECT_FALSE(second.next);
    EXPECT_TRUE(second.previous);
    EXPECT_EQ(back.icons, Icons(0, 36));
    EXPECT_EQ(exactly36.page, "1/1");
    EXPECT_EQ(exactly36.count, "アイコン数 = 36");
    EXPECT_FALSE(exactly36.next);
    EXPECT_EQ(none.page, "1/1");
    EXPECT_EQ(none.count, "アイコン数 = 0");
    EXPECT_EQ(none.icons, Icons(0, 0));

    ASSERT_TRUE(chosen);
    EXPECT_EQ(std::string(file_), forty_);
    EXPECT_EQ(index_, 40);
}

// The browse button's file dialog puts the file it opens into the chooser, which shows its
// icons; cancelling the chooser afterwards still chooses nothing. Whatever fails, the driver
// closes both windows, so a failure cannot leave the test waiting.
TEST_F(IconChooser, BrowsedFileShowsItsIconsAndCancelChoosesNothing) {
    Look browsed;
    std::string file;
    bool opened = false;
    bool chosen = Choose([&](HWND chooser) {
        gui::Click(chooser, IDC_ICONS_BROWSE);
        HWND open = gui::WaitForWindow("開く", GetCurrentProcessId());
        if (open != nullptr) {
            gui::SetControlText(open, 1148, thirty_six_);  // the file name box
            gui::Click(open, IDOK);
            if (!gui::WaitUntilClosed(open)) gui::Click(open, IDCANCEL);
            opened = gui::WaitForControlText(chooser, IDC_ICONS_COUNT, "アイコン数 = 36");
        }
        browsed = LookAt(chooser);
        file = gui::ControlText(chooser, IDC_ICONS_FILE);
        gui::Click(chooser, IDCANCEL);
    });
    EXPECT_TRUE(opened);
    EXPECT_EQ(file, thirty_six_);
    EXPECT_EQ(browsed.icons, Icons(0, 36));
    EXPECT_FALSE(chosen);
}
