#include "archiver/dllbind.h"

#include <cstdio>

#include "lib/errors.h"
#include "lib/except3.h"

Zent_LoadedDll::Zent_LoadedDll(Zent_DllId dll, const char* missing_message)
    : id_(dll), module_(Zent_Dll(dll).file) {
    if (module_.Get() == nullptr) ERRORS_RAISE(Zent_Err_NotFoundDLL, "%s", missing_message);
}

FARPROC Zent_LoadedDll::Export(const char* suffix) const {
    const Zent_DllInfo& info = Info();
    char name[64];
    snprintf(name, sizeof name, "%s%s", info.prefix ? info.prefix : "", suffix);
    FARPROC function = GetProcAddress(module_.Get(), name);
    if (function == nullptr) ERRORS_RAISE(Errors_Unofficial, "error");
    return function;
}

bool Zent_UnlessCancelled(const std::function<void()>& work) {
    bool cancelled = false;
    Except_TryCatch(__FILE__, __LINE__, work, [&] {
        if (Except_Error()->code != Zent_Err_UserCancel) Except_Rethrow();
        cancelled = true;
    });
    return !cancelled;
}
