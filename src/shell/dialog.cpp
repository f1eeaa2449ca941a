#include "shell/dialog.h"

#include <climits>
#include <vector>

#include "lib/except3.h"
#include "lib/strx.h"
#include "winx_errors.h"
#include "winx_launch.h"

// ---- Carrying a raise out of the window procedure -----------------------------------------

// A raise must not unwind through the window manager's frames: the handler's try block
// catches it, the window ends, and the function that showed the window raises it again
// once the window is gone. The catch clause clears the current record when it completes,
// so the error is kept as a copy.
static void Keep(Dialog_Carried* carried, const Errors_Record* error) {
    carried->error = *error;
    carried->message_at = error->message != nullptr ? error->message - error->text : 0;
    carried->pending = true;
}

[[noreturn]] static void RaiseAgain(const Dialog_Carried& carried) {
    Errors_Record* current = Errors_Current();
    *current = carried.error;
    current->message = current->text + carried.message_at;
    Except_Throw(Except_Main(), current);
}

template <class Work>
bool Dialog_Base::Guarded(Work work) {
    // The first error is the one the caller hears of; the window is already ending.
    if (carried_->pending) return false;
    bool completed = false;
    Except_TryCatch(
        __FILE_NAME__, __LINE__,
        [&] {
            work();
            completed = true;
        },
        [&] {
            Keep(carried_, Except_Error());
            EndAfterError();
        });
    return completed;
}

INT_PTR Dialog_Base::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            Guarded([&] { OnInit(); });
            return TRUE;
        case WM_COMMAND:
            Guarded([&] { OnCommand(LOWORD(wparam), HIWORD(wparam)); });
            return TRUE;
        case WM_TIMER:
            Guarded([&] { OnTimer(wparam); });
            return TRUE;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<const NMHDR*>(lparam);
            INT_PTR result = 0;
            if (!Guarded([&] { result = OnNotify(header); })) result = RefusalOf(header);
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

// ---- Modal dialogs ------------------------------------------------------------------------

INT_PTR CALLBACK Dialog_Modal::Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        reinterpret_cast<Dialog_Modal*>(lparam)->Attach(dialog);
    }
    auto* self = reinterpret_cast<Dialog_Modal*>(GetWindowLongPtrA(dialog, DWLP_USER));
    return self == nullptr ? FALSE : self->Handle(message, wparam, lparam);
}

INT_PTR Dialog_Modal::Run(int template_id, HWND owner) {
    own_ = Dialog_Carried{};
    carried_ = &own_;
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id),
                                     owner, Proc, reinterpret_cast<LPARAM>(this));
    if (own_.pending) RaiseAgain(own_);
    if (result == -1) WinX_RaiseLastError();
    return result;
}

// ---- Property pages -----------------------------------------------------------------------

INT_PTR CALLBACK Dialog_Page::Proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        // A page is given its description; the object is in its lParam.
        LPARAM object = reinterpret_cast<const PROPSHEETPAGEA*>(lparam)->lParam;
        SetWindowLongPtrA(page, DWLP_USER, object);
        reinterpret_cast<Dialog_Page*>(object)->Attach(page);
    }
    auto* self = reinterpret_cast<Dialog_Page*>(GetWindowLongPtrA(page, DWLP_USER));
    return self == nullptr ? FALSE : self->Handle(message, wparam, lparam);
}

PROPSHEETPAGEA Dialog_Page::Describe(Dialog_Carried* carried) {
    carried_ = carried;
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(template_id_);
    page.pfnDlgProc = Proc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

INT_PTR Dialog_Page::OnNotify(const NMHDR* header) {
    switch (header->code) {
        case PSN_APPLY:
            return OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        case PSN_SETACTIVE:
            OnSetActive();
            return 0;
        case PSN_KILLACTIVE:
            return OnKillActive() ? FALSE : TRUE;
        case PSN_HELP:
            OnHelp();
            return 0;
        default:
            return 0;
    }
}

// A page that failed applies nothing and is not left or entered; the cancel that
// EndAfterError posted then ends the sheet.
INT_PTR Dialog_Page::RefusalOf(const NMHDR* header) {
    switch (header->code) {
        case PSN_APPLY:
            return PSNRET_INVALID_NOCHANGEPAGE;
        case PSN_SETACTIVE:
            return -1;
        case PSN_KILLACTIVE:
            return TRUE;
        default:
            return 0;
    }
}

void Dialog_Page::EndAfterError() {
    // Posted: the sheet may be in the middle of sending this very notification.
    PostMessageA(GetParent(Window()), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

int Dialog_RunSheet(HWND owner, const char* caption, std::initializer_list<Dialog_Page*> pages,
                    Dialog_SheetStart start) {
    Dialog_Carried carried{};
    std::vector<PROPSHEETPAGEA> described;
    for (Dialog_Page* page : pages) {
        described.push_back(page->Describe(&carried));
        if (start.help) described.back().dwFlags |= PSP_HASHELP;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP | (start.help ? PSH_HASHELP : 0);
    if (start.page > 0 && start.page < static_cast<int>(described.size()))
        header.nStartPage = static_cast<UINT>(start.page);
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = caption;
    header.nPages = static_cast<UINT>(described.size());
    header.ppsp = described.data();
    INT_PTR result = PropertySheetA(&header);
    if (carried.pending) RaiseAgain(carried);
    if (result == -1) WinX_RaiseLastError();
    return static_cast<int>(result);
}

// ---- Controls -----------------------------------------------------------------------------

void Dialog_SetAppIcons(HWND dialog, int icon_id) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    auto load = [&](int metric_x, int metric_y) {
        return reinterpret_cast<LPARAM>(LoadImageA(module, MAKEINTRESOURCEA(icon_id), IMAGE_ICON,
                                                   GetSystemMetrics(metric_x),
                                                   GetSystemMetrics(metric_y), LR_SHARED));
    };
    SendMessageA(dialog, WM_SETICON, ICON_BIG, load(SM_CXICON, SM_CYICON));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, load(SM_CXSMICON, SM_CYSMICON));
}

void Dialog_Enable(HWND dialog, int id, bool enabled) {
    EnableWindow(GetDlgItem(dialog, id), enabled);
}

void Dialog_Show(HWND dialog, int id, bool visible) {
    ShowWindow(GetDlgItem(dialog, id), visible ? SW_SHOW : SW_HIDE);
}

void Dialog_ShowGroup(HWND dialog, std::initializer_list<int> ids, bool visible) {
    for (int id : ids) Dialog_Show(dialog, id, visible);
}

void Dialog_Check(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Dialog_IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Dialog_SetText(HWND dialog, int id, const char* text) {
    SetDlgItemTextA(dialog, id, text);
}

void Dialog_ComboClear(HWND dialog, int id) {
    SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
}

void Dialog_ComboAdd(HWND dialog, int id, const char* text) {
    SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void Dialog_ComboReplace(HWND dialog, int id, int index, const char* text) {
    SendDlgItemMessageA(dialog, id, CB_DELETESTRING, index, 0);
    SendDlgItemMessageA(dialog, id, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text));
}

void Dialog_ComboSelect(HWND dialog, int id, int index) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
}

int Dialog_ComboSelected(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

char* Dialog_ComboItemText(HWND dialog, int id, int index, char* out, size_t size) {
    if (size == 0) return out;
    out[0] = '\0';
    LRESULT length =
        index < 0 ? CB_ERR : SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || static_cast<size_t>(length) >= size) return out;
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(out));
    return out;
}

void Dialog_ComboLimit(HWND dialog, int id, int characters) {
    SendDlgItemMessageA(dialog, id, CB_LIMITTEXT, characters, 0);
}

char* Dialog_GetText(HWND dialog, int id, char* out, size_t size) {
    if (size == 0) return out;
    out[0] = '\0';
    GetDlgItemTextA(dialog, id, out, static_cast<int>(size));
    return out;
}

// A control's rectangle in the dialog's client coordinates.
static RECT PlaceOf(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

static int HighestTop(HWND dialog, std::initializer_list<int> ids) {
    int top = INT_MAX;
    for (int id : ids) {
        HWND control = GetDlgItem(dialog, id);
        if (control == nullptr) continue;
        RECT r = PlaceOf(dialog, control);
        if (r.top < top) top = r.top;
    }
    return top;
}

void Dialog_CloseBand(HWND dialog, std::initializer_list<int> band,
                      std::initializer_list<int> below) {
    int band_top = HighestTop(dialog, band);
    int below_top = HighestTop(dialog, below);
    Dialog_ShowGroup(dialog, band, false);
    if (band_top == INT_MAX || below_top == INT_MAX || below_top <= band_top) return;
    int shift = below_top - band_top;
    for (int id : below) {
        HWND control = GetDlgItem(dialog, id);
        if (control == nullptr) continue;
        RECT r = PlaceOf(dialog, control);
        SetWindowPos(control, nullptr, r.left, r.top - shift, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame;
    GetWindowRect(dialog, &frame);
    Dialog_SetHeight(dialog, frame.bottom - frame.top - shift);
}

void Dialog_SetHeight(HWND dialog, int pixels) {
    RECT frame;
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, pixels,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog_SetWidth(HWND dialog, int id, int pixels) {
    HWND control = GetDlgItem(dialog, id);
    RECT r;
    GetWindowRect(control, &r);
    SetWindowPos(control, nullptr, 0, 0, pixels, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog_OpenHelp(HWND owner, const char* page, const char* caption) {
    char path[StrX_PathSize];
    StrX_AbsFromProgramDir(path, page, sizeof path);
    Except_TryCatch(
        __FILE_NAME__, __LINE__, [&] { WinX_OpenUrl(path, true); },
        [&] {
            const Errors_Record* error = Except_Error();
            MessageBoxA(owner, error->message != nullptr ? error->message : error->text, caption,
                        MB_OK | MB_ICONWARNING);
        });
}
