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

// Small text helpers, defined in winx.cpp.
// TODO: use StrX_/StdPlus_ once the support library lands.
// Last single-byte c, stepping over double-byte characters; null if none.
const char* WinXText_FindLastChar(const char* text, char c);
// Copies at most size-1 bytes and terminates.
void WinXText_CopyN(char* dst, const char* src, size_t size);
// The text after the last '#' when that '#' lies at or after the last '.'; else "".
const char* WinXText_Fragment(const char* path);
// Does the file or folder exist?
bool WinXText_PathExists(const char* path);
// Replaces every occurrence of from by to, never growing beyond size-1 characters.
void WinXText_ReplaceText(char* text, size_t size, const char* from, const char* to);
// Makes path absolute against base (left alone when already rooted or a URL).
void WinXText_MakeAbsolute(char* path, size_t size, const char* base);
