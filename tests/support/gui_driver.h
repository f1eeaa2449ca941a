#pragma once
// Drives real windows the way a user would: finds a dialog or message box by caption,
// reads its controls, types into edits, picks list and combo entries (with the
// notification a user's choice sends) and presses buttons. Works on windows of this
// process (a modal dialog run by the test on another thread) and of child processes.
#include <windows.h>

#include <string>
#include <vector>

namespace gui {

constexpr int kDefaultTimeoutMs = 20000;

// A visible top-level window with this exact caption (CP932); of process `pid` when it is
// not 0. Null after the timeout.
HWND WaitForWindow(const std::string& caption, DWORD pid = 0, int timeout_ms = kDefaultTimeoutMs);
// Waits until the window is gone; false after the timeout.
bool WaitUntilClosed(HWND hwnd, int timeout_ms = kDefaultTimeoutMs);

std::string Text(HWND hwnd);
std::string ControlText(HWND dialog, int id);
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
// Presses a button as a click would, without waiting for what it starts (it may open a
// modal window). ClickAndWait returns once the dialog has handled the click.
void Click(HWND dialog, int id);
void ClickAndWait(HWND dialog, int id);

// A message box: its caption and text, and the answer given to it.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
};
MessageBoxInfo WaitForMessageBox(const std::string& caption, DWORD pid = 0,
                                 int timeout_ms = kDefaultTimeoutMs);
// A message box that a dialog shows: for a box with the dialog's own caption.
MessageBoxInfo WaitForMessageBoxOf(HWND owner, const std::string& caption,
                                   int timeout_ms = kDefaultTimeoutMs);
bool HasButton(const MessageBoxInfo& box, int button_id);
// Presses IDOK, IDCANCEL, IDYES, IDNO, IDRETRY... and waits until the box is gone.
bool Answer(const MessageBoxInfo& box, int button_id);

}  // namespace gui
