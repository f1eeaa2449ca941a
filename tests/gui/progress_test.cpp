// The progress window of long copies, as the user meets it: a real window in the copying
// thread, its キャンセル pressed by the driver.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/test_folders.h"
#include "shell/progress.h"

using testing_support::CatchRaise;
using testing_support::FileExists;
using testing_support::Names;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const char kTitle[] = "コピー - Quarvel SV";

std::string Bytes(size_t size) {
    std::string bytes(size, '\0');
    unsigned x = 12345;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return bytes;
}

// Watches the bar of the progress window in this thread. The copy sets it and then handles
// its messages, so a click posted when the bar passes a mark is seen by the next update:
// the cancel lands in the middle of the copy at the same point every time.
struct BarWatch {
    int cancel_at = -1;  // bar position (of 1000) at which キャンセル is clicked; -1 never
    int last = -1;
    bool clicked = false;
    std::string caption, line, button;
};
BarWatch* g_watch;

LRESULT CALLBACK WatchBar(int code, WPARAM wparam, LPARAM lparam) {
    auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && sent->message == PBM_SETPOS && g_watch != nullptr) {
        HWND window = GetParent(sent->hwnd);
        g_watch->last = static_cast<int>(sent->wParam);
        g_watch->caption = gui::Text(window);
        g_watch->line = gui::ControlText(window, IDC_PROGRESS_LINE);
        g_watch->button = gui::ControlText(window, IDCANCEL);
        if (!g_watch->clicked && g_watch->cancel_at >= 0 && g_watch->last >= g_watch->cancel_at) {
            g_watch->clicked = true;
            gui::Click(window, IDCANCEL);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

class ProgressCopy : public ::testing::Test {
protected:
    void SetUp() override {
        g_watch = &watch_;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, WatchBar, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook_, nullptr);
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook_);
        g_watch = nullptr;
    }

    TempDir dir_;
    BarWatch watch_;
    HHOOK hook_ = nullptr;
};

TEST_F(ProgressCopy, CompletedCopyIsByteIdenticalAndTheWindowIsGone) {
    std::string src = dir_ / "元データ.bin";
    std::string content = Bytes(200 * 1024);
    WriteFile(src, content);
    std::string dst = dir_ / "new\\写し.bin";  // its folder is made too
    auto caught = CatchRaise([&] { WinX_CopyWithProgress(dst.c_str(), src.c_str(), kTitle); });
    EXPECT_EQ(caught.code, 0) << caught.text;
    EXPECT_TRUE(ReadFile(dst) == content);
    EXPECT_EQ(Names(dir_ / "new"), std::vector<std::string>{"写し.bin"});
    EXPECT_EQ(watch_.last, 1000);
    EXPECT_EQ(watch_.caption, kTitle);
    EXPECT_EQ(watch_.line, "コピー中： 元データ.bin");
    EXPECT_EQ(watch_.button, "キャンセル");
    EXPECT_EQ(FindWindowA(nullptr, kTitle), nullptr);
}

TEST_F(ProgressCopy, CancelRaisesUserCancelAndLeavesNoPartialFile) {
    std::string src = dir_ / "big.bin";
    WriteFile(src, Bytes(256 * 1024));
    std::string dst = dir_ / "copy.bin";
    watch_.cancel_at = 500;
    auto caught = CatchRaise([&] { WinX_CopyWithProgress(dst.c_str(), src.c_str(), kTitle); });
    EXPECT_TRUE(watch_.clicked);
    EXPECT_LT(watch_.last, 1000);  // stopped in the middle
    EXPECT_EQ(caught.code, Zent_Err_UserCancel);
    EXPECT_EQ(caught.message, "");
    EXPECT_FALSE(FileExists(dst));
    EXPECT_EQ(Names(dir_.Path()), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(FindWindowA(nullptr, kTitle), nullptr);

    // A file already there keeps its content when the copy meant to replace it is cancelled.
    WriteFile(dst, "older copy");
    watch_ = BarWatch{};
    watch_.cancel_at = 500;
    caught = CatchRaise([&] { WinX_CopyWithProgress(dst.c_str(), src.c_str(), kTitle); });
    EXPECT_EQ(caught.code, Zent_Err_UserCancel);
    EXPECT_EQ(ReadFile(dst), "older copy");
    EXPECT_EQ(Names(dir_.Path()).size(), 2u);
}

}  // namespace
