#include "archiver/dllwait.h"

#include <cstdio>

#include "archiver/dlls.h"
#include "archiver/dllwait_ids.h"
#include "lib/errors.h"
#include "shell/dialog.h"

enum { kQuietWaitMs = 2000, kPollMs = 100, kPollTimer = 1 };

namespace {

// A modal window cannot block on the semaphore; it looks again on every tick of a timer.
class WaitWindow : public Dialog_Modal {
public:
    WaitWindow(HANDLE semaphore, const Zent_DllInfo& dll) : semaphore_(semaphore), dll_(dll) {}
    bool Taken() const { return taken_; }

protected:
    void OnInit() override {
        char text[256];
        snprintf(text, sizeof text,
                 "%s を使う別の解凍または圧縮が実行中です。\n終わるのを待っています。", dll_.file);
        Dialog_SetText(Window(), IDC_DLLWAIT_TEXT, text);
        SetTimer(Window(), kPollTimer, kPollMs, nullptr);
    }
    void OnTimer(UINT_PTR) override {
        if (ended_ || WaitForSingleObject(semaphore_, 0) != WAIT_OBJECT_0) return;
        taken_ = true;
        Finish(IDOK);
    }
    void OnCommand(int id, int) override {
        if (id == IDCANCEL && !ended_) Finish(IDCANCEL);
    }

private:
    void Finish(INT_PTR result) {
        ended_ = true;
        KillTimer(Window(), kPollTimer);
        End(result);
    }

    HANDLE semaphore_;
    const Zent_DllInfo& dll_;
    bool taken_ = false;
    bool ended_ = false;
};

}  // namespace

void Zent_WaitForDll(HANDLE semaphore, const void* dll) {
    if (WaitForSingleObject(semaphore, kQuietWaitMs) == WAIT_OBJECT_0) return;
    WaitWindow window(semaphore, *static_cast<const Zent_DllInfo*>(dll));
    window.Run(IDD_DLLWAIT);
    if (!window.Taken()) ERRORS_RAISE(Zent_Err_UserCancel, "%s", "");
}
