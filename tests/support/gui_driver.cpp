#include "gui_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

namespace gui {

namespace {

struct FindRequest {
    const std::string* caption;
    DWORD pid;
    HWND except;
    HWND found;
    HWND owner = nullptr;  // when set, only a message box it owns
};

// The text of a message box is the static control 0xFFFF; another window of the owner
// with the same caption (a progress window) has none.
bool IsMessageBox(HWND hwnd) {
    return GetDlgItem(hwnd, 0xFFFF) != nullptr;
}

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM param) {
    auto* request = reinterpret_cast<FindRequest*>(param);
    if (!IsWindowVisible(hwnd) || hwnd == request->except) return TRUE;
    if (request->pid != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != request->pid) return TRUE;
    }
    if (request->owner != nullptr &&
        (GetWindow(hwnd, GW_OWNER) != request->owner || !IsMessageBox(hwnd)))
        return TRUE;
    if (Text(hwnd) != *request->caption) return TRUE;
    request->found = hwnd;
    return FALSE;
}

std::string ClassName(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool IsComboBox(HWND control) {
    return _stricmp(ClassName(control).c_str(), "ComboBox") == 0;
}

HWND Control(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
    auto* text = reinterpret_cast<std::string*>(param);
    if (_stricmp(ClassName(child).c_str(), "Static") != 0) return TRUE;
    std::string t = Text(child);
    if (t.empty()) return TRUE;
    *text = t;
    return FALSE;
}

}  // namespace

HWND WaitForWindow(const std::string& caption, DWORD pid, int timeout_ms, HWND except) {
    FindRequest request{&caption, pid, except, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&request));
            return request.found != nullptr;
        },
        timeout_ms);
    return request.found;
}

bool WaitUntilClosed(HWND hwnd, int timeout_ms) {
    return WaitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, timeout_ms);
}

std::string Text(HWND hwnd) {
    // WM_GETTEXT rather than GetWindowText: the latter does not ask another process.
    LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    return text;
}

std::string ControlText(HWND dialog, int id) {
    return Text(Control(dialog, id));
}
bool WaitForControlText(HWND dialog, int id, const std::string& text, int timeout_ms) {
    return WaitUntil([&] { return ControlText(dialog, id) == text; }, timeout_ms);
}

bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(Control(dialog, id)) != FALSE;
}
bool IsVisible(HWND dialog, int id) {
    return IsWindowVisible(Control(dialog, id)) != FALSE;
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageA(Control(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Selection(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    UINT message = IsComboBox(control) ? CB_GETCURSEL : LB_GETCURSEL;
    return static_cast<int>(SendMessageA(control, message, 0, 0));
}

int ItemCount(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    UINT message = IsComboBox(control) ? CB_GETCOUNT : LB_GETCOUNT;
    return static_cast<int>(SendMessageA(control, message, 0, 0));
}

std::string ItemText(HWND dialog, int id, int index) {
    HWND control = Control(dialog, id);
    bool combo = IsComboBox(control);
    // Asked in UTF-16 and converted here: Wine hands a list item of another process to an
    // ANSI caller without converting it.
    LRESULT length = SendMessageW(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
    if (length < 0) return std::string();
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
                 reinterpret_cast<LPARAM>(&wide[0]));
    wide.resize(static_cast<size_t>(length));
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], bytes, nullptr, nullptr);
    text.resize(strlen(text.c_str()));
    return text;
}

SIZE WindowSize(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE ControlSize(HWND dialog, int id) {
    return WindowSize(Control(dialog, id));
}

int DefaultButton(HWND dialog) {
    LRESULT result = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    return HIWORD(result) == DC_HASDEFID ? LOWORD(result) : 0;
}

std::vector<int> ControlOrder(HWND dialog) {
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        ids.push_back(id == 0xFFFF || id < 0 ? -1 : id);
    }
    return ids;
}

void SetControlText(HWND dialog, int id, const std::string& text) {
    SendMessageA(Control(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Select(HWND dialog, int id, int index) {
    HWND control = Control(dialog, id);
    bool combo = IsComboBox(control);
    SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0);
    // Setting the selection by message sends no notification; a user's choice does.
    WORD notification = combo ? CBN_SELCHANGE : LBN_SELCHANGE;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(control));
}

void SelectLines(HWND dialog, int id, const std::vector<int>& lines) {
    HWND control = Control(dialog, id);
    SendMessageA(control, LB_SETSEL, FALSE, -1);
    for (int line : lines) SendMessageA(control, LB_SETSEL, TRUE, line);
    if (!lines.empty()) SendMessageA(control, LB_SETCARETINDEX, lines.back(), FALSE);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
}

std::vector<int> SelectedLines(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    std::vector<int> lines;
    int count = static_cast<int>(SendMessageA(control, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; i++) {
        if (SendMessageA(control, LB_GETSEL, i, 0) > 0) lines.push_back(i);
    }
    return lines;
}

void Leave(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    WORD notification = IsComboBox(control) ? CBN_KILLFOCUS : EN_KILLFOCUS;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(control));
}

void PressEnter(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    // An editable combo box takes its keys in its edit part.
    HWND edit = IsComboBox(control) ? FindWindowExA(control, nullptr, "Edit", nullptr) : nullptr;
    HWND target = edit != nullptr ? edit : control;
    PostMessageA(target, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(target, WM_KEYUP, VK_RETURN, 0xC0000001);
}

HWND Focused(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

std::pair<int, int> EditSelection(HWND dialog, int id) {
    // Without buffers the answer comes packed in the result, which works across processes.
    LRESULT packed = SendMessageA(Control(dialog, id), EM_GETSEL, 0, 0);
    return {LOWORD(packed), HIWORD(packed)};
}

HWND SheetPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int SheetPageIndex(HWND sheet) {
    return static_cast<int>(
        SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(SheetPage(sheet)), 0));
}

HWND ShowPage(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return SheetPage(sheet);
}

void Click(HWND dialog, int id) {
    PostMessageA(Control(dialog, id), BM_CLICK, 0, 0);
}

void ClickAndWait(HWND dialog, int id) {
    SendMessageA(Control(dialog, id), BM_CLICK, 0, 0);
}

void ClickControl(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

HICON IconOf(HWND dialog, int id) {
    return reinterpret_cast<HICON>(SendMessageA(Control(dialog, id), STM_GETICON, 0, 0));
}

static MessageBoxInfo DescribeBox(HWND hwnd, const std::string& caption) {
    MessageBoxInfo box;
    box.hwnd = hwnd;
    if (box.hwnd == nullptr) return box;
    box.caption = caption;
    EnumChildWindows(box.hwnd, CollectStaticText, reinterpret_cast<LPARAM>(&box.text));
    return box;
}

MessageBoxInfo WaitForMessageBox(const std::string& caption, DWORD pid, int timeout_ms,
                                 HWND except) {
    return DescribeBox(WaitForWindow(caption, pid, timeout_ms, except), caption);
}

MessageBoxInfo WaitForMessageBoxOver(HWND owner, const std::string& caption, int timeout_ms) {
    FindRequest request{&caption, 0, nullptr, nullptr, owner};
    WaitUntil(
        [&] {
            EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&request));
            return request.found != nullptr;
        },
        timeout_ms);
    return DescribeBox(request.found, caption);
}

bool HasButton(const MessageBoxInfo& box, int button_id) {
    HWND button = GetDlgItem(box.hwnd, button_id);
    return button != nullptr && IsWindowVisible(button);
}

bool Answer(const MessageBoxInfo& box, int button_id) {
    if (box.hwnd == nullptr) return false;
    PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, button_id)));
    return WaitUntilClosed(box.hwnd);
}

}  // namespace gui
