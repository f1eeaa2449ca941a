#pragma once
// Owners of handles, one small type per kind. Each closes its handle when it goes out of
// scope, so no way out of a function, a raised error included, has to remember to. None
// can be copied; a handle has exactly one owner.
#include <windows.h>

#include <cstdio>

class Own_Base {
protected:
    Own_Base() = default;
    ~Own_Base() = default;

public:
    Own_Base(const Own_Base&) = delete;
    Own_Base& operator=(const Own_Base&) = delete;
};

// An open registry key. Close() reports a failed close, which the operations that care
// about it raise as an API error.
class Own_Key : Own_Base {
public:
    Own_Key() = default;
    ~Own_Key() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }
    LONG Close() {
        LONG rc = key_ != nullptr ? RegCloseKey(key_) : ERROR_SUCCESS;
        key_ = nullptr;
        return rc;
    }

private:
    HKEY key_ = nullptr;
};

// The entries of one folder listing ("C:\\dir\\*"), without "." and "..":
//   for (Own_Find find(pattern); find.Next();) use(find.Data());
class Own_Find : Own_Base {
public:
    explicit Own_Find(const char* pattern) : find_(FindFirstFileA(pattern, &data_)) {}
    ~Own_Find() {
        if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
    }
    // Steps to the next entry; false when there is none (or the pattern matched nothing).
    bool Next() {
        for (;;) {
            if (find_ == INVALID_HANDLE_VALUE) return false;
            if (first_) {
                first_ = false;
            } else if (!FindNextFileA(find_, &data_)) {
                return false;
            }
            const char* name = data_.cFileName;
            bool dots = name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
            if (!dots) return true;
        }
    }
    const WIN32_FIND_DATAA& Data() const { return data_; }
    const char* Name() const { return data_.cFileName; }
    bool IsDir() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

private:
    WIN32_FIND_DATAA data_{};
    HANDLE find_;
    bool first_ = true;
};

// How a semaphore is waited for when it is not free at once; it returns once the semaphore
// is taken, or raises (a user's cancel) to give up.
typedef void (*Own_SemaphoreWait)(HANDLE semaphore, const void* what);

// A named semaphore of count one, taken for the owner's lifetime. The semaphore has no
// owner of its own: a release missed on any path would block every other instance of the
// program for good. So every semaphore taken is also on a list of the process, and the
// fatal path, which ends the process without unwinding, gives them all back.
class Own_SemaphoreLock : Own_Base {
public:
    // Without `wait`, waits without time-out. Raises when the semaphore cannot be made,
    // and passes on what `wait` raises.
    explicit Own_SemaphoreLock(const char* name, Own_SemaphoreWait wait = nullptr,
                               const void* what = nullptr);
    ~Own_SemaphoreLock();

private:
    HANDLE semaphore_;
};

// Releases and closes every semaphore a lock of this process holds. For the fatal path only:
// the locks are not told.
void Own_ReleaseTakenSemaphores();

// A loaded DLL, freed with the owner.
class Own_Module : Own_Base {
public:
    explicit Own_Module(const char* file) : module_(LoadLibraryA(file)) {}
    ~Own_Module() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

// An archive opened through an archiver DLL, closed through the same DLL's close function.
template <class Handle, class CloseFn>
class Own_Archive : Own_Base {
public:
    Own_Archive(Handle handle, CloseFn close) : handle_(handle), close_(close) {}
    ~Own_Archive() {
        if (handle_ != nullptr) close_(handle_);
    }
    Handle Get() const { return handle_; }

private:
    Handle handle_;
    CloseFn close_;
};

// A C runtime stream. Close() reports whether everything written reached the file.
class Own_File : Own_Base {
public:
    explicit Own_File(FILE* f = nullptr) : f_(f) {}
    ~Own_File() {
        if (f_ != nullptr) fclose(f_);
    }
    FILE* Get() const { return f_; }
    void Reset(FILE* f) {
        if (f_ != nullptr) fclose(f_);
        f_ = f;
    }
    bool Close() {
        bool ok = f_ == nullptr || fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    FILE* f_;
};

// An icon made for the owner (not a shared one from LoadImage with LR_SHARED).
class Own_Icon : Own_Base {
public:
    explicit Own_Icon(HICON icon = nullptr) : icon_(icon) {}
    ~Own_Icon() { Reset(nullptr); }
    HICON Get() const { return icon_; }
    void Reset(HICON icon) {
        if (icon_ != nullptr) DestroyIcon(icon_);
        icon_ = icon;
    }

private:
    HICON icon_;
};

// A COM interface pointer, released with the owner.
template <class Interface>
class Own_Com : Own_Base {
public:
    Own_Com() = default;
    ~Own_Com() {
        if (p_ != nullptr) p_->Release();
    }
    Interface** Out() { return &p_; }
    void** OutVoid() { return reinterpret_cast<void**>(&p_); }
    Interface* operator->() const { return p_; }
    Interface* Get() const { return p_; }

private:
    Interface* p_ = nullptr;
};
