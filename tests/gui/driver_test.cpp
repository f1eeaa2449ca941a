// The dialog driver against real windows of this process: a modal message box and a modal
// dialog run by the test's own thread while the driver works from another thread.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "../support/gui_driver.h"

namespace {

template <class Work>
std::future<void> OnAnotherThread(Work work) {
    return std::async(std::launch::async, work);
}

// A dialog built in memory: an edit, a check box, a combo box, a list box and two buttons.
// Its procedure records the notifications it receives.
enum { kEdit = 101, kCheck = 102, kCombo = 103, kList = 104, kApply = 105 };

struct DialogLog {
    std::vector<std::string> events;
    std::string edit_on_apply;
};

class TemplateWriter {
public:
    void Word(WORD w) { data_.push_back(w); }
    void DWord(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const wchar_t* s) {
        do Word(static_cast<WORD>(*s));
        while (*s++);
    }
    void Align() {
        if (data_.size() % 2) Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
              const wchar_t* text) {
        Align();
        DWord(style | WS_CHILD | WS_VISIBLE);
        DWord(0);
        Word(x), Word(y), Word(cx), Word(cy), Word(id);
        Word(0xFFFF), Word(atom);
        Text(text);
        Word(0);
    }
    DLGTEMPLATE* Get() { return reinterpret_cast<DLGTEMPLATE*>(data_.data()); }

private:
    std::vector<WORD> data_;
};

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        for (const char* item : {"LHA", "ZIP", "7z"}) {
            SendDlgItemMessageA(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        EnableWindow(GetDlgItem(dialog, kApply), FALSE);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    WORD id = LOWORD(wparam), code = HIWORD(wparam);
    if (id == kCombo && code == CBN_SELCHANGE) log->events.push_back("combo changed");
    if (id == kList && code == LBN_SELCHANGE) log->events.push_back("list changed");
    if (id == kCheck && code == BN_CLICKED) {
        log->events.push_back("check clicked");
        EnableWindow(GetDlgItem(dialog, kApply), IsDlgButtonChecked(dialog, kCheck));
    }
    if (id == kApply && code == BN_CLICKED) {
        char text[100];
        GetDlgItemTextA(dialog, kEdit, text, sizeof text);
        log->edit_on_apply = text;
    }
    if (id == IDOK || id == IDCANCEL) EndDialog(dialog, id);
    return TRUE;
}

INT_PTR RunTestDialog(DialogLog* log) {
    TemplateWriter t;
    t.DWord(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    t.DWord(0);
    t.Word(7);
    t.Word(10), t.Word(10), t.Word(200), t.Word(150);
    t.Word(0), t.Word(0);
    t.Text(L"\u30C6\u30B9\u30C8\u753B\u9762");  // テスト画面
    t.Word(9);
    t.Text(L"MS Shell Dlg");
    t.Item(ES_AUTOHSCROLL | WS_BORDER, 5, 5, 100, 12, kEdit, 0x0081, L"");
    t.Item(BS_AUTOCHECKBOX, 5, 20, 100, 12, kCheck, 0x0080, L"check");
    t.Item(CBS_DROPDOWNLIST, 5, 35, 100, 60, kCombo, 0x0085, L"");
    t.Item(LBS_NOTIFY | WS_BORDER, 110, 5, 80, 60, kList, 0x0083, L"");
    t.Item(BS_PUSHBUTTON, 5, 100, 50, 14, kApply, 0x0080, L"Apply");
    t.Item(BS_DEFPUSHBUTTON, 60, 100, 50, 14, IDOK, 0x0080, L"OK");
    t.Item(BS_PUSHBUTTON, 115, 100, 50, 14, IDCANCEL, 0x0080, L"Cancel");
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, TestDialogProc,
                                   reinterpret_cast<LPARAM>(log));
}

}  // namespace

TEST(GuiDriver, AnswersAMessageBoxOfThisProcess) {
    for (int answer : {IDYES, IDNO}) {
        gui::MessageBoxInfo seen;
        auto driver = OnAnotherThread([&] {
            seen = gui::WaitForMessageBox("確認 - Quarvel SV", GetCurrentProcessId());
            gui::Answer(seen, answer);
        });
        int result = MessageBoxA(nullptr, "表示.txt を開きますか?", "確認 - Quarvel SV",
                                 MB_YESNO | MB_ICONQUESTION);
        driver.get();
        EXPECT_EQ(seen.text, "表示.txt を開きますか?");
        EXPECT_EQ(result, answer);
    }
}

TEST(GuiDriver, DrivesTheControlsOfAModalDialog) {
    DialogLog log;
    struct Seen {
        bool apply_enabled_at_start = true, apply_enabled_after_check = false, checked = false;
        int combo = -2, list = -2, combo_count = 0;
        std::string combo_text, caption;
        SIZE size{};
    } seen;
    auto driver = OnAnotherThread([&] {
        HWND dialog = gui::WaitForWindow("テスト画面", GetCurrentProcessId());
        ASSERT_NE(dialog, nullptr);
        seen.caption = gui::Text(dialog);
        seen.apply_enabled_at_start = gui::IsEnabled(dialog, kApply);
        gui::ClickAndWait(dialog, kCheck);
        seen.checked = gui::IsChecked(dialog, kCheck);
        seen.apply_enabled_after_check = gui::IsEnabled(dialog, kApply);
        gui::Select(dialog, kCombo, 2);
        gui::Select(dialog, kList, 1);
        seen.combo = gui::Selection(dialog, kCombo);
        seen.list = gui::Selection(dialog, kList);
        seen.combo_count = gui::ItemCount(dialog, kCombo);
        seen.combo_text = gui::ItemText(dialog, kCombo, 2);
        seen.size = gui::ControlSize(dialog, kList);
        gui::SetControlText(dialog, kEdit, "C:\\ソフト\\表示");
        gui::ClickAndWait(dialog, kApply);
        gui::Click(dialog, IDOK);
    });
    INT_PTR result = RunTestDialog(&log);
    driver.get();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.caption, "テスト画面");
    EXPECT_FALSE(seen.apply_enabled_at_start);
    EXPECT_TRUE(seen.checked);
    EXPECT_TRUE(seen.apply_enabled_after_check);
    EXPECT_EQ(seen.combo, 2);
    EXPECT_EQ(seen.list, 1);
    EXPECT_EQ(seen.combo_count, 3);
    EXPECT_EQ(seen.combo_text, "7z");
    EXPECT_GT(seen.size.cx, 0);
    EXPECT_EQ(log.edit_on_apply, "C:\\ソフト\\表示");
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"check clicked", "combo changed", "list changed"}));
}
