#pragma once
// Binds one archiver DLL for one operation: waits on the DLL's named semaphore, loads the
// DLL by its bare name and resolves exports; on every way out, a raised error included,
// the DLL is unloaded and the semaphore released and closed.
#include <windows.h>

#include "archiver/zent_types.h"

class Zent_SemaphoreLock {
public:
    explicit Zent_SemaphoreLock(const char* name);  // waits without time-out
    ~Zent_SemaphoreLock();
    Zent_SemaphoreLock(const Zent_SemaphoreLock&) = delete;
    Zent_SemaphoreLock& operator=(const Zent_SemaphoreLock&) = delete;

private:
    HANDLE semaphore_;
};

// A loaded archiver DLL. Loading by the bare name lets the normal DLL search find it
// beside the program.
class Zent_LoadedDll {
public:
    // Raises Zent_Err_NotFoundDLL with `missing_message` when the DLL cannot be loaded.
    Zent_LoadedDll(Zent_DllId dll, const char* missing_message);
    ~Zent_LoadedDll();
    Zent_LoadedDll(const Zent_LoadedDll&) = delete;
    Zent_LoadedDll& operator=(const Zent_LoadedDll&) = delete;

    // The export named by the DLL's prefix followed by `suffix` (the whole name for the
    // DLLs without a prefix). A missing export raises Errors_Unofficial "error".
    FARPROC Export(const char* suffix) const;
    template <class Fn>
    Fn Get(const char* suffix) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Export(suffix)));
    }
    const Zent_DllInfo& Info() const { return info_; }

private:
    const Zent_DllInfo& info_;
    HMODULE module_;
};

// The whole binding for an operation that needs nothing else under the DLL's semaphore.
class Zent_Binding {
public:
    Zent_Binding(Zent_DllId dll, const char* missing_message)
        : lock_(Zent_Dll(dll).semaphore), dll_(dll, missing_message) {}
    const Zent_LoadedDll& Dll() const { return dll_; }

private:
    Zent_SemaphoreLock lock_;  // taken before the load, released after the unload
    Zent_LoadedDll dll_;
};
