#include "lib/handles.h"

#include "lib/errors.h"

// The semaphores the locks of this process hold now; a process holds one or two at once.
static HANDLE g_taken[8];

static void Remember(HANDLE semaphore) {
    for (HANDLE& slot : g_taken) {
        if (slot == nullptr) {
            slot = semaphore;
            return;
        }
    }
}

static bool Forget(HANDLE semaphore) {
    for (HANDLE& slot : g_taken) {
        if (slot == semaphore) {
            slot = nullptr;
            return true;
        }
    }
    return false;
}

namespace {
// Closes a semaphore handle that was made but never taken, when the wait gives up.
struct Unclaimed {
    HANDLE handle;
    ~Unclaimed() {
        if (handle != nullptr) CloseHandle(handle);
    }
};
}  // namespace

Own_SemaphoreLock::Own_SemaphoreLock(const char* name, Own_SemaphoreWait wait, const void* what) {
    Unclaimed made{CreateSemaphoreA(nullptr, 1, 1, name)};
    if (made.handle == nullptr) {
        ERRORS_RAISE(Errors_Unofficial, "セマフォ %s を作れませんでした。", name);
    }
    if (wait != nullptr) {
        wait(made.handle, what);
    } else {
        WaitForSingleObject(made.handle, INFINITE);
    }
    semaphore_ = made.handle;
    made.handle = nullptr;
    Remember(semaphore_);
}

Own_SemaphoreLock::~Own_SemaphoreLock() {
    // Already given back by the fatal path when it is no longer on the list.
    if (!Forget(semaphore_)) return;
    ReleaseSemaphore(semaphore_, 1, nullptr);
    CloseHandle(semaphore_);
}

void Own_ReleaseTakenSemaphores() {
    for (HANDLE& slot : g_taken) {
        if (slot == nullptr) continue;
        ReleaseSemaphore(slot, 1, nullptr);
        CloseHandle(slot);
        slot = nullptr;
    }
}
