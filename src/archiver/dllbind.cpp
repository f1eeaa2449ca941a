#include "archiver/dllbind.h"

#include <cstdio>

#include "lib/errors.h"

Zent_SemaphoreLock::Zent_SemaphoreLock(const char* name)
    : semaphore_(CreateSemaphoreA(nullptr, 1, 1, name)) {
    if (semaphore_ == nullptr) {
        ERRORS_RAISE(Errors_Unofficial, "error");
        return;
    }
    WaitForSingleObject(semaphore_, INFINITE);
}

Zent_SemaphoreLock::~Zent_SemaphoreLock() {
    // The semaphore has no owner: a release missed on any path would block every other
    // instance of the program for good.
    ReleaseSemaphore(semaphore_, 1, nullptr);
    CloseHandle(semaphore_);
}

Zent_LoadedDll::Zent_LoadedDll(Zent_DllId dll, const char* missing_message)
    : info_(Zent_Dll(dll)), module_(LoadLibraryA(info_.file)) {
    if (module_ == nullptr) ERRORS_RAISE(Zent_Err_NotFoundDLL, "%s", missing_message);
}

Zent_LoadedDll::~Zent_LoadedDll() {
    if (module_ != nullptr) FreeLibrary(module_);
}

FARPROC Zent_LoadedDll::Export(const char* suffix) const {
    char name[64];
    snprintf(name, sizeof name, "%s%s", info_.prefix ? info_.prefix : "", suffix);
    FARPROC function = GetProcAddress(module_, name);
    if (function == nullptr) ERRORS_RAISE(Errors_Unofficial, "error");
    return function;
}
