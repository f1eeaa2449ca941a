#pragma once
// The plumbing every dialog of the program shares, written once: the window procedure that
// finds the dialog's object, hands it commands and notifications, and keeps a raise from
// unwinding through the window manager's frames (it ends the dialog or the property sheet
// and is raised again to the caller once the window is gone); and small helpers that show,
// enable, check, fill, move and resize controls.
//
// A dialog keeps a State record; plain rule functions turn the state into what the controls
// show; the handlers below only read the controls into the state, call the rules and write
// the result back.
#include <windows.h>
#include <prsht.h>

#include <cstddef>
#include <initializer_list>

#include "lib/errors.h"

// An error raised inside a window procedure, kept until the window has ended.
struct Dialog_Carried {
    bool pending;
    Errors_Record error;
    ptrdiff_t message_at;  // where the message proper starts in error.text
};

// What a modal dialog and a property page have in common.
class Dialog_Base {
public:
    virtual ~Dialog_Base() = default;
    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

protected:
    virtual void OnInit() {}
    // Every WM_COMMAND: the control's id and the notification code (BN_CLICKED...).
    virtual void OnCommand(int id, int code) {
        (void)id;
        (void)code;
    }
    // Every WM_TIMER of the window's own timers (SetTimer on Window()).
    virtual void OnTimer(UINT_PTR id) { (void)id; }
    // Every WM_NOTIFY; the value becomes the message's result (DWLP_MSGRESULT).
    virtual INT_PTR OnNotify(const NMHDR* header) {
        (void)header;
        return 0;
    }
    // How the window ends after a handler raised.
    virtual void EndAfterError() = 0;
    // The result of a notification whose handler raised.
    virtual INT_PTR RefusalOf(const NMHDR* header) {
        (void)header;
        return 0;
    }

    // Runs one handler; a raise is kept in the carrier and ends the window. Once an error is
    // pending no handler runs any more. False when the handler did not complete.
    template <class Work>
    bool Guarded(Work work);
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Attach(HWND window) { window_ = window; }

    Dialog_Carried own_{};
    Dialog_Carried* carried_ = &own_;  // a sheet's pages share one

private:
    HWND window_ = nullptr;
};

// A modal dialog from a template in the program's resources.
class Dialog_Modal : public Dialog_Base {
public:
    // Shows the dialog and gives the value passed to End. A raise inside a handler ends the
    // dialog and is raised again here; a dialog that cannot be created raises too.
    INT_PTR Run(int template_id, HWND owner = nullptr);

protected:
    void End(INT_PTR result) { EndDialog(Window(), result); }
    void EndAfterError() override { End(IDCANCEL); }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
};

// One page of a property sheet, from a template in the program's resources.
class Dialog_Page : public Dialog_Base {
public:
    explicit Dialog_Page(int template_id) : template_id_(template_id) {}
    // The page's description for a sheet whose pages report errors to `carried`.
    PROPSHEETPAGEA Describe(Dialog_Carried* carried);

protected:
    // OK or Apply: false keeps the sheet open on this page.
    virtual bool OnApply() { return true; }
    virtual void OnSetActive() {}
    // Leaving the page: false keeps the user on it (a value to correct, say).
    virtual bool OnKillActive() { return true; }
    // The sheet's Help button, pressed while this page is shown.
    virtual void OnHelp() {}
    // Tells the sheet that the page has a change for Apply.
    void Changed() { PropSheet_Changed(GetParent(Window()), Window()); }

    INT_PTR OnNotify(const NMHDR* header) override;
    INT_PTR RefusalOf(const NMHDR* header) override;
    // The sheet is cancelled: the error that caused it is raised again by Dialog_RunSheet.
    void EndAfterError() override;

private:
    static INT_PTR CALLBACK Proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
    int template_id_;
};

// How a sheet starts: the page shown first, and whether it has a Help button (each page
// then hears of it through OnHelp).
struct Dialog_SheetStart {
    int page = 0;
    bool help = false;
};

// Shows a modal property sheet of the pages (they must outlive it) and gives PropertySheet's
// result: positive when the pages were applied, 0 when cancelled. A raise in any page
// cancels the sheet and is raised again here.
int Dialog_RunSheet(HWND owner, const char* caption, std::initializer_list<Dialog_Page*> pages,
                    Dialog_SheetStart start = Dialog_SheetStart());

// The hourglass while the object lives; the previous cursor comes back after it.
class Dialog_WaitCursor {
public:
    Dialog_WaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~Dialog_WaitCursor() { SetCursor(previous_); }
    Dialog_WaitCursor(const Dialog_WaitCursor&) = delete;
    Dialog_WaitCursor& operator=(const Dialog_WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// Opens a page of the help beside the program ("index.htm#dll") in the browser. Help that
// cannot be shown (no browser registered) says why in a box over owner with this caption;
// the dialog stays open.
void Dialog_OpenHelp(HWND owner, const char* page, const char* caption);

// ---- Controls ------------------------------------------------------------------------
// The program's icon (resource icon_id) as the dialog's large and small icon.
void Dialog_SetAppIcons(HWND dialog, int icon_id);
void Dialog_Enable(HWND dialog, int id, bool enabled);
void Dialog_Show(HWND dialog, int id, bool visible);
void Dialog_ShowGroup(HWND dialog, std::initializer_list<int> ids, bool visible);
void Dialog_Check(HWND dialog, int id, bool checked);
bool Dialog_IsChecked(HWND dialog, int id);
void Dialog_SetText(HWND dialog, int id, const char* text);
char* Dialog_GetText(HWND dialog, int id, char* out, size_t size);

// Combo boxes. An index of -1 is no entry.
void Dialog_ComboClear(HWND dialog, int id);
void Dialog_ComboAdd(HWND dialog, int id, const char* text);
void Dialog_ComboReplace(HWND dialog, int id, int index, const char* text);
void Dialog_ComboSelect(HWND dialog, int id, int index);
int Dialog_ComboSelected(HWND dialog, int id);
// The text of entry index; "" when there is no such entry or it does not fit in size.
char* Dialog_ComboItemText(HWND dialog, int id, int index, char* out, size_t size);
// The most characters the edit part takes.
void Dialog_ComboLimit(HWND dialog, int id, int characters);
// The entries are texts, in order; then selected is selected.
template <size_t N>
void Dialog_ComboFill(HWND dialog, int id, const char* const (&texts)[N], int selected = -1) {
    Dialog_ComboClear(dialog, id);
    for (const char* text : texts) Dialog_ComboAdd(dialog, id, text);
    Dialog_ComboSelect(dialog, id, selected);
}

// Hides the band's controls, moves the controls below it up into its place and makes the
// dialog shorter by as much, so no empty band is left. The distance is that between the
// highest control of the band and the highest control below it.
void Dialog_CloseBand(HWND dialog, std::initializer_list<int> band,
                      std::initializer_list<int> below);
// The dialog's outer height in pixels; its width and place stay.
void Dialog_SetHeight(HWND dialog, int pixels);
// A control's width in pixels; its height and place stay.
void Dialog_SetWidth(HWND dialog, int id, int pixels);
