#pragma once
// Drives real windows the way a user would: finds a dialog or message box by caption,
// reads its controls, types into edits, picks list and combo entries (with the
// notification a user's choice sends) and presses buttons. Works on windows of this
// process (a modal dialog run by the test on another thread) and of child processes.
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace gui {

constexpr int kDefaultTimeoutMs = 20000;

// Polls a condition until it holds; false after the timeout. Windows of other threads and
// processes give no notification a test could wait on.
template <class Condition>
bool WaitUntil(Condition condition, int timeout_ms = kDefaultTimeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// A visible top-level window with this exact caption (CP932); of process `pid` when it is
// not 0, and other than `except` (a dialog whose message box has its caption). Null after
// the timeout.
HWND WaitForWindow(const std::string& caption, DWORD pid = 0, int timeout_ms = kDefaultTimeoutMs,
                   HWND except = nullptr);
// Waits until the window is gone; false after the timeout.
bool WaitUntilClosed(HWND hwnd, int timeout_ms = kDefaultTimeoutMs);

std::string Text(HWND hwnd);
std::string ControlText(HWND dialog, int id);
// Waits until the control shows this text; false after the timeout.
bool WaitForControlText(HWND dialog, int id, const std::string& text,
                        int timeout_ms = kDefaultTimeoutMs);
bool IsEnabled(HWND dialog, int id);
bool IsVisible(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
int Selection(HWND dialog, int id);  // list box or combo box; -1 when nothing is selected
std::string ItemText(HWND dialog, int id, int index);
int ItemCount(HWND dialog, int id);
SIZE ControlSize(HWND dialog, int id);  // in pixels
SIZE WindowSize(HWND hwnd);
// The id of the dialog's default push button (DM_GETDEFID), 0 when it has none.
int DefaultButton(HWND dialog);
// The ids of the dialog's controls in tab order (their z-order); controls without an id
// of their own (-1 in the template) give -1.
std::vector<int> ControlOrder(HWND dialog);

void SetControlText(HWND dialog, int id, const std::string& text);
void Select(HWND dialog, int id, int index);
// A list box that takes several lines: selects exactly these lines, the caret on the last,
// and sends the notification a user's selection sends.
void SelectLines(HWND dialog, int id, const std::vector<int>& lines);
std::vector<int> SelectedLines(HWND dialog, int id);
// The focus leaves the control: the notification an edit or combo box sends its dialog.
void Leave(HWND dialog, int id);
// Enter pressed in a control (an edit, or the edit part of a combo box) without the focus
// leaving it: the dialog's default button answers, as for a user. Does not wait.
void PressEnter(HWND dialog, int id);
// The control with the keyboard focus in the window's thread; null when none has it.
HWND Focused(HWND window);
// The selected part of an edit control's text: first and one past the last character.
std::pair<int, int> EditSelection(HWND dialog, int id);
// Presses a button as a click would, without waiting for what it starts (it may open a
// modal window). ClickAndWait returns once the dialog has handled the click.
void Click(HWND dialog, int id);
void ClickAndWait(HWND dialog, int id);
// Clicks a control that is no button (an icon that reports clicks, say) with the mouse
// messages of a user's click, without waiting.
void ClickControl(HWND dialog, int id);
// The icon a static control shows; null when it shows none. The handle is of the window's
// own process.
HICON IconOf(HWND dialog, int id);

// A property sheet: the index of the page on show, and showing a page as a click on its tab
// does. ShowPage gives the page's window.
int SheetPageIndex(HWND sheet);
HWND SheetPage(HWND sheet);
HWND ShowPage(HWND sheet, int index);

// A message box: its caption and text, and the answer given to it.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
};
MessageBoxInfo WaitForMessageBox(const std::string& caption, DWORD pid = 0,
                                 int timeout_ms = kDefaultTimeoutMs, HWND except = nullptr);
// A message box shown over owner: found even when it shares its caption with its owner.
MessageBoxInfo WaitForMessageBoxOver(HWND owner, const std::string& caption,
                                     int timeout_ms = kDefaultTimeoutMs);
bool HasButton(const MessageBoxInfo& box, int button_id);
// Presses IDOK, IDCANCEL, IDYES, IDNO, IDRETRY... and waits until the box is gone.
bool Answer(const MessageBoxInfo& box, int button_id);

}  // namespace gui
