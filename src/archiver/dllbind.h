#pragma once
// Binds one archiver DLL for one operation: waits on the DLL's named semaphore, loads the
// DLL by its bare name and resolves exports; on every way out, a raised error included,
// the DLL is unloaded and the semaphore released and closed.
#include <windows.h>

#include <functional>

#include "archiver/dlls.h"
#include "archiver/dllwait.h"
#include "lib/handles.h"

// A loaded archiver DLL. Loading by the bare name lets the normal DLL search find it
// beside the program.
class Zent_LoadedDll {
public:
    // Raises Zent_Err_NotFoundDLL with `missing_message` when the DLL cannot be loaded.
    Zent_LoadedDll(Zent_DllId dll, const char* missing_message);
    Zent_LoadedDll(const Zent_LoadedDll&) = delete;
    Zent_LoadedDll& operator=(const Zent_LoadedDll&) = delete;

    // The export named by the DLL's prefix followed by `suffix` (the whole name for the
    // DLLs without a prefix). A missing export raises Errors_Unofficial "error".
    FARPROC Export(const char* suffix) const;
    template <class Fn>
    Fn Get(const char* suffix) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Export(suffix)));
    }
    Zent_DllId Id() const { return id_; }
    const Zent_DllInfo& Info() const { return Zent_Dll(id_); }

private:
    Zent_DllId id_;
    Own_Module module_;
};

// The frame of every operation driven by an archiver DLL (extraction, compression, the
// listing): the semaphore is taken before the load and released after the unload. A wait
// for it that lasts shows a window whose Cancel raises Zent_Err_UserCancel (dllwait.h).
class Zent_DllFrame {
public:
    Zent_DllFrame(Zent_DllId dll, const char* missing_message)
        : lock_(Zent_Dll(dll).semaphore, Zent_WaitForDll, &Zent_Dll(dll)),
          dll_(dll, missing_message) {}
    const Zent_LoadedDll& Dll() const { return dll_; }

private:
    Own_SemaphoreLock lock_;
    Zent_LoadedDll dll_;
};

// Runs `work`; the user's cancel in a DLL's window (Zent_Err_UserCancel) ends it quietly
// and gives false, every other error goes on.
bool Zent_UnlessCancelled(const std::function<void()>& work);
