#pragma once
// Loads a stand-in DLL of the build the way the program does (LoadLibrary by file name,
// exports by name) and runs its commands in a temporary current folder.
#include <windows.h>

#include <string>

#include "../../archivers/engine/api.h"
#include "../archiver_formats/format_fixtures.h"
#include "../support/test_folders.h"

class StandInDll {
public:
    explicit StandInDll(const std::string& file)
        : module_(LoadLibraryA(testing_support::BinPath(file).c_str())) {}
    ~StandInDll() {
        if (module_) FreeLibrary(module_);
    }
    StandInDll(const StandInDll&) = delete;
    StandInDll& operator=(const StandInDll&) = delete;
    bool Loaded() const { return module_ != nullptr; }
    template <class F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// The exports of the common family, resolved by prefix.
struct CommonExports {
    using Command = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
    using Count = int(WINAPI*)(LPCSTR);
    using Open = HANDLE(WINAPI*)(HWND, LPCSTR, DWORD);
    using First = int(WINAPI*)(HANDLE, LPCSTR, arc::EntryRecord*);
    using Next = int(WINAPI*)(HANDLE, arc::EntryRecord*);
    using Close = int(WINAPI*)(HANDLE);
    Command command;
    Count count;
    Open open;
    First first;
    Next next;
    Close close;

    CommonExports(const StandInDll& dll, const std::string& p)
        : command(dll.Get<Command>(p.c_str())),
          count(dll.Get<Count>((p + "GetFileCount").c_str())),
          open(dll.Get<Open>((p + "OpenArchive").c_str())),
          first(dll.Get<First>((p + "FindFirst").c_str())),
          next(dll.Get<Next>((p + "FindNext").c_str())),
          close(dll.Get<Close>((p + "CloseArchive").c_str())) {}
    bool Complete() const { return command && count && open && first && next && close; }

    int Run(const std::string& line, std::string* out = nullptr) const {
        char buffer[8192] = "";
        int r = command(nullptr, line.c_str(), buffer, sizeof buffer);
        if (out) *out = buffer;
        return r;
    }
    std::vector<arc::EntryRecord> Records(const std::string& archive) const {
        std::vector<arc::EntryRecord> records;
        HANDLE h = open(nullptr, archive.c_str(), 0x202);
        if (!h) return records;
        arc::EntryRecord r;
        for (int found = first(h, "*", &r); found == 0; found = next(h, &r)) records.push_back(r);
        close(h);
        return records;
    }
};

// Makes a temporary folder the current one for the test's lifetime.
class InFolder {
public:
    InFolder() {
        GetCurrentDirectoryA(sizeof previous_, previous_);
        SetCurrentDirectoryA(dir_.Path().c_str());
    }
    ~InFolder() { SetCurrentDirectoryA(previous_); }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    const std::string& Path() const { return dir_.Path(); }

private:
    testing_support::TempDir dir_;
    char previous_[MAX_PATH] = "";
};

inline std::string DataPath(const std::string& name) {
    return testing_support::DataDir() + "\\" + name;
}
inline std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// 2004-08-26 14:30:58, the stamp of the fixture entries (local time = UTC in the test prefix).
const uint16_t kFixtureDosDate = ((2004 - 1980) << 9) | (8 << 5) | 26;
const uint16_t kFixtureDosTime = (14 << 11) | (30 << 5) | (58 / 2);
