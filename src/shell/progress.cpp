#include "shell/progress.h"

#include <commctrl.h>

#include <cstdio>

#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/strx.h"
#include "winx_errors.h"

enum { kBarRange = 1000, kBarStep = 10 };

Progress_Window::Progress_Window(const char* title, HWND owner) : owner_(owner) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    window_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), owner,
                                 Proc, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr) WinX_RaiseLastError();
    SetWindowTextA(window_, title);
    SendDlgItemMessageA(window_, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, kBarRange);
    if (owner_ != nullptr) EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

Progress_Window::~Progress_Window() {
    // The owner takes input again first, so that it is the window activated next.
    if (owner_ != nullptr) EnableWindow(owner_, TRUE);
    DestroyWindow(window_);
}

void Progress_Window::SetLine(const char* text) {
    SetDlgItemTextA(window_, IDC_PROGRESS_LINE, text);
}

bool Progress_Window::Update(unsigned long long done, unsigned long long total) {
    int position =
        total == 0 || done >= total ? kBarRange : static_cast<int>(done * kBarRange / total);
    // The bar moves in steps of a hundredth, and the messages are handled then or after a
    // tenth of a second: a copy calls in for every block, and redrawing the bar for each
    // thousandth made a copy of a few megabytes take most of a second.
    DWORD now = GetTickCount();
    bool step = position_ < 0 || position - position_ >= kBarStep ||
                (position == kBarRange && position_ != kBarRange);
    if (!step && now - shown_at_ < 100) return cancelled_;
    shown_at_ = now;
    if (position != position_) {
        position_ = position;
        SendDlgItemMessageA(window_, IDC_PROGRESS_BAR, PBM_SETPOS, position, 0);
        if (mirror_.bar != nullptr) {
            int shown = mirror_.from + (mirror_.to - mirror_.from) * position / kBarRange;
            SendMessageA(mirror_.bar, PBM_SETPOS, shown, 0);
        }
    }
    Pump();
    return cancelled_;
}

void Progress_Window::Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Meant for the loop that runs the program: put back, and stop the operation.
            PostQuitMessage(static_cast<int>(msg.wParam));
            cancelled_ = true;
            return;
        }
        if (IsDialogMessageA(window_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

INT_PTR CALLBACK Progress_Window::Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lparam);
        return TRUE;
    }
    auto* self = reinterpret_cast<Progress_Window*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr || message != WM_COMMAND || LOWORD(wparam) != IDCANCEL) return FALSE;
    // Esc and the close box arrive here as IDCANCEL too.
    self->cancelled_ = true;
    EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
    return TRUE;
}

// ---- A copy with the window -----------------------------------------------------------------

static void OnCopied(void* user, unsigned long done, unsigned long total) {
    if (static_cast<Progress_Window*>(user)->Update(done, total))
        ERRORS_RAISE(Zent_Err_UserCancel, "%s", "");
}

static void ShowCopying(Progress_Window* window, const char* src, const Progress_Mirror* mirror) {
    char line[StrX_PathSize + 32];
    snprintf(line, sizeof line, "コピー中： %s", StrX_FileName(src));
    window->SetLine(line);
    if (mirror != nullptr) window->Mirror(*mirror);
}

static void RemovePart(const char* part) {
    SetFileAttributesA(part, FILE_ATTRIBUTE_NORMAL);  // the copy took the source's attributes
    DeleteFileA(part);
}

namespace {

// Deletes what a copy wrote unless the copy completed; it runs on the way out of a raise
// too, so a copy needs no try block of its own: the copies run inside dialogs that are
// themselves inside try blocks, and the frames are few.
class PartialFile {
public:
    explicit PartialFile(const char* path) : path_(path) {}
    ~PartialFile() {
        if (!kept_) RemovePart(path_);
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    void Keep() { kept_ = true; }

private:
    const char* path_;
    bool kept_ = false;
};

}  // namespace

void WinX_CopyWithProgress(const char* dst, const char* src, const char* title, HWND owner,
                           const Progress_Mirror* mirror) {
    char target[StrX_PathSize];
    DWORD n = GetFullPathNameA(dst, sizeof target, target, nullptr);
    if (n == 0 || n >= sizeof target)
        ERRORS_RAISE(FileX_Err_CannotWriteOpen, "ファイル \"%s\" が書きこめません", dst);
    // The copy is made under a name of its own beside the target, which it takes only when
    // complete: a cancelled or failed copy leaves no partial file behind, and a file that
    // was there before stays as it was until its replacement is whole.
    FileX_MakeDirs(target, true);
    char folder[StrX_PathSize];
    StrX_ParentDir(folder, target);
    char part[StrX_PathSize];
    FileX_NumberedName(folder, "~qvcopy", "tmp", part);

    Progress_Window window(title, owner);
    ShowCopying(&window, src, mirror);
    PartialFile partial(part);
    FileX_CopyProgress(part, src, OnCopied, &window);
    if (!MoveFileExA(part, target, MOVEFILE_REPLACE_EXISTING)) WinX_RaiseLastError();
    partial.Keep();
}

long WinX_CopyRangeWithProgress(const char* dst, const char* src, long start, long end,
                                const char* title, HWND owner, const Progress_Mirror* mirror) {
    // Nothing is deleted for a copy that cannot start.
    if (!FileX_Exists(src))
        ERRORS_RAISE(FileX_Err_NotFindCopySrc, "コピー元が見つかりません %s", src);
    Progress_Window window(title, owner);
    ShowCopying(&window, src, mirror);
    PartialFile partial(dst);
    long written = FileX_CopyRange(dst, src, start, end, OnCopied, &window);
    partial.Keep();
    return written;
}
