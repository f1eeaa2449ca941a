#pragma once
// A small modeless window for long file operations: a caption, a line of text, a bar and
// キャンセル. The operation runs in the same thread and updates the window as it goes; each
// update handles the messages waiting, so the window repaints and a click on Cancel is seen.
//
// The resource script includes this header for the ids only.
#define IDD_PROGRESS 130
#define IDC_PROGRESS_LINE 1200
#define IDC_PROGRESS_BAR 1201

#ifndef RC_INVOKED
#include <windows.h>

// A progress bar of another window that follows the window's bar over part of its own
// range: a dialog that has a bar of its own (the floppy dialog) shows the copy there too.
struct Progress_Mirror {
    HWND bar;
    int from;  // that bar's position when nothing is done
    int to;    // and when everything is
};

class Progress_Window {
public:
    // Shows the window; an owner (may be null) takes no input while it is shown.
    explicit Progress_Window(const char* title, HWND owner = nullptr);
    ~Progress_Window();
    Progress_Window(const Progress_Window&) = delete;
    Progress_Window& operator=(const Progress_Window&) = delete;

    void SetLine(const char* text);
    // Moves the bar to done of total and handles the waiting messages. True once the user
    // has cancelled (キャンセル, Esc or the close box).
    bool Update(unsigned long long done, unsigned long long total);
    bool Cancelled() const { return cancelled_; }
    HWND Window() const { return window_; }
    void Mirror(const Progress_Mirror& mirror) { mirror_ = mirror; }

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void Pump();

    HWND window_ = nullptr;
    HWND owner_;
    bool cancelled_ = false;
    int position_ = -1;
    DWORD shown_at_ = 0;  // tick count of the last handling of the messages
    Progress_Mirror mirror_{};
};

// Long copies.
// FileX_Copy with a progress window titled title (owner may be null) and a キャンセル button;
// a mirror (may be null) shows the copy on a bar of the owner too. Cancel raises
// Zent_Err_UserCancel with an empty message. The copy takes dst's name only once it is
// complete: a cancelled or failed copy leaves no partial file, and a dst that was there
// before is kept as it was.
void WinX_CopyWithProgress(const char* dst, const char* src, const char* title,
                           HWND owner = nullptr, const Progress_Mirror* mirror = nullptr);
// FileX_CopyRange (bytes start..end of src; end -1: to its end, -2: as much as dst's drive
// holds) with the same window, written in place: for a disk where only the space of the
// file it replaces makes room. A cancelled or failed copy deletes what it wrote, so no
// partial file is left, but a dst that was there is gone. Gives the count written.
long WinX_CopyRangeWithProgress(const char* dst, const char* src, long start, long end,
                                const char* title, HWND owner = nullptr,
                                const Progress_Mirror* mirror = nullptr);
#endif
