// The folder picker as a user meets it: a real dialog, answered by its buttons.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <future>
#include <string>

#include "../support/gui_driver.h"
#include "../support/test_folders.h"
#include "shell/winx_shortcut.h"

namespace {

struct PickerResult {
    bool chosen = false;
    std::string path;
};

// Runs the picker on a thread of its own and hands back the dialog it shows.
class Picker {
public:
    Picker() {
        result_ = std::async(std::launch::async, [this] {
            thread_id_ = GetCurrentThreadId();
            SetEvent(started_);
            char path[MAX_PATH] = "unchanged";
            PickerResult r;
            r.chosen = WinX_BrowseFolder(nullptr, "解凍先を選んでください", path);
            r.path = path;
            return r;
        });
        WaitForSingleObject(started_, 10000);
    }
    ~Picker() { CloseHandle(started_); }

    // The picker's dialog once it is up, or null after the timeout.
    HWND Dialog() {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < static_cast<DWORD>(gui::kDefaultTimeoutMs)) {
            HWND found = nullptr;
            EnumThreadWindows(thread_id_, FindVisible, reinterpret_cast<LPARAM>(&found));
            if (found != nullptr && GetDlgItem(found, IDOK) != nullptr) return found;
            Sleep(20);
        }
        return nullptr;
    }
    PickerResult Result() { return result_.get(); }

private:
    static BOOL CALLBACK FindVisible(HWND hwnd, LPARAM out) {
        if (!IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }
    HANDLE started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD thread_id_ = 0;
    std::future<PickerResult> result_;
};

// The text of the tree's selected line, in the picker of this process.
std::string SelectedInTree(HWND dialog) {
    HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
    char text[MAX_PATH] = "";
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (item.hItem == nullptr ||
        !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return "";
    return text;
}

}  // namespace

TEST(WinXBrowseFolder, CancelAnswersFalse) {
    Picker picker;
    HWND dialog = picker.Dialog();
    ASSERT_NE(dialog, nullptr);
    gui::Click(dialog, IDCANCEL);
    PickerResult r = picker.Result();
    EXPECT_FALSE(r.chosen);
}

TEST(WinXBrowseFolder, OkAnswersTheChosenFolder) {
    testing_support::TempDir dir;
    std::string chosen = dir / "解凍先";
    ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
    Picker picker;
    HWND dialog = picker.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(gui::Text(dialog), "");
    // Under Wine the tree may not take a choice made just as the dialog shows: the choice
    // is made again until the tree's selection is the folder.
    ASSERT_TRUE(gui::WaitUntil([&] {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(chosen.c_str()));
        return SelectedInTree(dialog) == "解凍先";
    }));
    gui::Click(dialog, IDOK);
    PickerResult r = picker.Result();
    EXPECT_TRUE(r.chosen);
    EXPECT_EQ(r.path, chosen);
}
