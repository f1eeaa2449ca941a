#include "stub.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "model.h"

namespace arc {

static std::string Env(const char* name) {
    char value[2048];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return (n > 0 && n < sizeof value) ? std::string(value, n) : std::string();
}

StubHooks Stub_Read(const char* dll) {
    StubHooks hooks;
    std::string text = Env("ARCHIVER_STUB");
    std::string only;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string item = text.substr(start, comma - start);
        start = comma + 1;
        size_t colon = item.find(':');
        if (colon == std::string::npos) continue;
        std::string key = item.substr(0, colon), value = item.substr(colon + 1);
        long number = std::strtol(value.c_str(), nullptr, 0);
        if (key == "cancel-after") hooks.cancel_after = int(number);
        if (key == "fail") hooks.fail = int(number);
        if (key == "slow") hooks.slow_ms = int(number);
        if (key == "empty") hooks.empty = number != 0;
        if (key == "log") hooks.log = value;
        if (key == "dll") only = value;
    }
    if (!only.empty() && lstrcmpiA(only.c_str(), dll) != 0) {
        StubHooks log_only;
        log_only.log = hooks.log;
        return log_only;
    }
    return hooks;
}

void Stub_Log(const char* dll, const char* export_name, const std::string& args) {
    std::string path = Stub_Read(dll).log;
    if (path.empty()) return;
    char cwd[MAX_PATH * 2] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    std::string line = std::string(dll) + "\t" + export_name + "\t" + args + "\t" + cwd + "\r\n";
    // One append per line, so the lines of concurrent processes do not interleave.
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD put;
    WriteFile(h, line.data(), DWORD(line.size()), &put, nullptr);
    CloseHandle(h);
}

void EntryPacer::Before() const {
    if (hooks_.slow_ms > 0) Sleep(DWORD(hooks_.slow_ms));
}

int EntryPacer::After() {
    ++done_;
    if (hooks_.cancel_after >= 0 && done_ >= hooks_.cancel_after) return kErrUserCancel;
    return kOk;
}

}  // namespace arc
