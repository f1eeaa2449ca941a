#pragma once
// Shared by the winx source files only; no other module includes it.
#include <windows.h>

#include <cstddef>

#include "../lib/errors.h"

// An open registry key, closed when it goes out of scope. Close() reports a failed close,
// which the operations that care about it raise as an API error.
class WinX_Key {
public:
    WinX_Key() = default;
    WinX_Key(const WinX_Key&) = delete;
    WinX_Key& operator=(const WinX_Key&) = delete;
    ~WinX_Key() {
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

// Raises an API error with the winx file and line of the failing step.
#define WINX_API_ERROR(code) WinX_RaiseApiErrorAt((code), __FILE_NAME__, __LINE__)
