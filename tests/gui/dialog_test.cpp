// The dialog base and its helpers on real windows: a test dialog and a test property page
// (tests/gui/dialog_test.rc), run modally by the test's thread and driven from a second one.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "dialog_test_ids.h"
#include "shell/dialog.h"

using testing_support::CatchRaise;

namespace {

const char kCaption[] = "ダイアログ試験";
const char kSheetCaption[] = "ページ試験";
const char kFailure[] = "コマンド tool.exe の実行に失敗しました。";

void RaiseFailure() {
    ERRORS_RAISE(Zent_Err_FailToExecCmd, "コマンド %s の実行に失敗しました。", "tool.exe");
}

// Initialisation is the test's; 失敗する raises, OK and Cancel end the dialog.
class TestDialog : public Dialog_Modal {
public:
    std::function<void(HWND)> init;
    std::vector<int> clicks;

protected:
    void OnInit() override {
        if (init) init(Window());
    }
    void OnCommand(int id, int code) override {
        if (code != BN_CLICKED) return;
        clicks.push_back(id);
        if (id == IDC_TEST_RAISE) RaiseFailure();
        if (id == IDOK || id == IDCANCEL) End(id);
    }
};

template <class Act>
INT_PTR RunDriven(TestDialog* dialog, Act act) {
    auto driver = std::async(std::launch::async, [&] {
        HWND window = gui::WaitForWindow(kCaption);
        if (window != nullptr) act(window);
    });
    INT_PTR result = dialog->Run(IDD_TEST_BAND);
    driver.get();
    return result;
}

RECT PlaceIn(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

const int kBelowBand[] = {IDC_TEST_CHECK, IDC_TEST_GROUP_A, IDC_TEST_GROUP_B, IDC_TEST_RAISE,
                          IDOK,           IDCANCEL};

TEST(DialogBase, RaiseInACommandEndsTheDialogAndReachesTheCaller) {
    TestDialog dialog;
    bool closed = false;
    auto caught = CatchRaise([&] {
        RunDriven(&dialog, [&](HWND window) {
            gui::Click(window, IDC_TEST_RAISE);
            closed = gui::WaitUntilClosed(window);
        });
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(caught.code, Zent_Err_FailToExecCmd);
    EXPECT_EQ(caught.message, kFailure);
    EXPECT_NE(caught.text.find(kFailure), std::string::npos) << caught.text;
    EXPECT_EQ(dialog.clicks, std::vector<int>{IDC_TEST_RAISE});

    // The same object runs again, with nothing of the last error left.
    bool shown = false;
    EXPECT_EQ(RunDriven(&dialog,
                        [&](HWND window) {
                            shown = true;
                            gui::Click(window, IDOK);
                        }),
              IDOK);
    EXPECT_TRUE(shown);
}

TEST(DialogBase, ClosedBandMovesTheControlsBelowUpAndShortensTheDialog) {
    TestDialog dialog;
    std::map<int, RECT> before, after;
    int height_before = 0, height_after = 0;
    bool label_shown = true, edit_shown = true, check_shown = false;
    RECT client{};
    dialog.init = [&](HWND window) {
        for (int id : kBelowBand) before[id] = PlaceIn(window, id);
        before[IDC_TEST_TOP] = PlaceIn(window, IDC_TEST_TOP);
        before[IDC_TEST_BAND_EDIT] = PlaceIn(window, IDC_TEST_BAND_EDIT);
        height_before = gui::WindowSize(window).cy;
        Dialog_CloseBand(
            window, {IDC_TEST_BAND_LABEL, IDC_TEST_BAND_EDIT},
            {IDC_TEST_CHECK, IDC_TEST_GROUP_A, IDC_TEST_GROUP_B, IDC_TEST_RAISE, IDOK, IDCANCEL});
    };
    RunDriven(&dialog, [&](HWND window) {
        for (int id : kBelowBand) after[id] = PlaceIn(window, id);
        after[IDC_TEST_TOP] = PlaceIn(window, IDC_TEST_TOP);
        height_after = gui::WindowSize(window).cy;
        label_shown = gui::IsVisible(window, IDC_TEST_BAND_LABEL);
        edit_shown = gui::IsVisible(window, IDC_TEST_BAND_EDIT);
        check_shown = gui::IsVisible(window, IDC_TEST_CHECK);
        GetClientRect(window, &client);
        gui::Click(window, IDOK);
    });
    // The edit is the band's highest control, the check box the highest below it.
    int shift = before[IDC_TEST_CHECK].top - before[IDC_TEST_BAND_EDIT].top;
    ASSERT_GT(shift, 0);
    EXPECT_FALSE(label_shown);
    EXPECT_FALSE(edit_shown);
    EXPECT_TRUE(check_shown);
    EXPECT_EQ(after[IDC_TEST_TOP].top, before[IDC_TEST_TOP].top);
    for (int id : kBelowBand) {
        EXPECT_EQ(after[id].top, before[id].top - shift) << id;
        EXPECT_EQ(after[id].left, before[id].left) << id;
        EXPECT_LE(after[id].bottom, client.bottom) << id;
    }
    EXPECT_EQ(height_after, height_before - shift);
}

TEST(DialogBase, HeightInPixelsAndAHiddenGroup) {
    TestDialog dialog;
    int width_before = 0;
    SIZE size{};
    bool a_shown = true, b_shown = true, check_shown = false;
    dialog.init = [&](HWND window) {
        width_before = gui::WindowSize(window).cx;
        Dialog_SetHeight(window, 450);
        Dialog_ShowGroup(window, {IDC_TEST_GROUP_A, IDC_TEST_GROUP_B}, false);
    };
    RunDriven(&dialog, [&](HWND window) {
        size = gui::WindowSize(window);
        a_shown = gui::IsVisible(window, IDC_TEST_GROUP_A);
        b_shown = gui::IsVisible(window, IDC_TEST_GROUP_B);
        check_shown = gui::IsVisible(window, IDC_TEST_CHECK);
        gui::Click(window, IDCANCEL);
    });
    EXPECT_EQ(size.cy, 450);
    EXPECT_EQ(size.cx, width_before);
    EXPECT_FALSE(a_shown);
    EXPECT_FALSE(b_shown);
    EXPECT_TRUE(check_shown);
}

// A page that tells the sheet of a change when its box is clicked and notes what it saw.
class TestPage : public Dialog_Page {
public:
    TestPage() : Dialog_Page(IDD_TEST_PAGE) {}
    bool raise_on_apply = false;
    int activated = 0;
    int applied = 0;
    bool checked_at_apply = false;

protected:
    void OnSetActive() override { activated++; }
    void OnCommand(int id, int code) override {
        if (id == IDC_TEST_CHECK && code == BN_CLICKED) Changed();
    }
    bool OnApply() override {
        if (raise_on_apply) RaiseFailure();
        applied++;
        checked_at_apply = Dialog_IsChecked(Window(), IDC_TEST_CHECK);
        return true;
    }
};

template <class Act>
int RunSheetDriven(std::initializer_list<Dialog_Page*> pages, Act act) {
    auto driver = std::async(std::launch::async, [&] {
        HWND sheet = gui::WaitForWindow(kSheetCaption);
        if (sheet != nullptr) act(sheet);
    });
    int result = Dialog_RunSheet(nullptr, kSheetCaption, pages);
    driver.get();
    return result;
}

TEST(DialogPage, ApplyReachesThePageWithWhatTheUserSet) {
    TestPage page;
    bool apply_enabled = false, closed = false;
    int result = RunSheetDriven({&page}, [&](HWND sheet) {
        HWND shown = PropSheet_GetCurrentPageHwnd(sheet);
        gui::ClickAndWait(shown, IDC_TEST_CHECK);
        apply_enabled = gui::IsEnabled(sheet, 0x3021);  // the sheet's Apply button
        gui::Click(sheet, IDOK);
        closed = gui::WaitUntilClosed(sheet);
    });
    EXPECT_GT(result, 0);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(apply_enabled);
    EXPECT_EQ(page.activated, 1);
    EXPECT_EQ(page.applied, 1);
    EXPECT_TRUE(page.checked_at_apply);
}

TEST(DialogPage, RaiseInApplyCancelsTheSheetAndReachesTheCaller) {
    TestPage failing, other;
    failing.raise_on_apply = true;
    bool closed = false;
    auto caught = CatchRaise([&] {
        RunSheetDriven({&failing, &other}, [&](HWND sheet) {
            // Both pages exist once the second has been shown.
            SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
            gui::Click(sheet, IDOK);
            closed = gui::WaitUntilClosed(sheet);
        });
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(caught.code, Zent_Err_FailToExecCmd);
    EXPECT_EQ(caught.message, kFailure);
    EXPECT_EQ(other.activated, 1);
    EXPECT_EQ(other.applied, 0);  // nothing is applied after a page failed
}

}  // namespace
