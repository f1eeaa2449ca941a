#include "floppy_drive.h"

#include <windows.h>

#include <chrono>
#include <thread>

#include "test_folders.h"

namespace testing_support {

namespace {

std::string FloppyFolder() {
    char value[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("QUARVEL_FLOPPY", value, sizeof value);
    return n == 0 || n >= sizeof value ? std::string() : std::string(value);
}

std::string WindowsPath(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

}  // namespace

FloppyDrive::~FloppyDrive() {
    if (inserted_) Eject();
    Run("forget");
}

std::string FloppyDrive::Insert(const std::string& kept) {
    std::string result = Run("insert " + kept);
    inserted_ = inserted_ || result.empty();
    return result;
}

std::string FloppyDrive::Eject(const std::string& keep) {
    std::string result = Run("eject " + keep);
    if (result.empty()) inserted_ = false;
    return result;
}

std::string FloppyDrive::Protect() {
    return Run("protect");
}

std::string FloppyDrive::Kept(const std::string& name) const {
    return WindowsPath(FloppyFolder() + "/kept/" + name);
}

// Wine starts a Linux program without a handle to wait on: the script's status file is the
// event waited for.
std::string FloppyDrive::Run(const std::string& command) {
    std::string folder = FloppyFolder();
    if (folder.empty()) return "QUARVEL_FLOPPY is not set (scripts/wine-env.sh sets it)";
    static int counter;
    std::string status = folder + "/status-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++counter);
    // A Linux program: its arguments are Linux paths.
    std::string line = "Z:\\bin\\bash \"" + std::string(QUARVEL_SOURCE_DIR) +
                       "/tests/support/floppy-disk.sh\" \"" + status + "\" " + command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "cannot start floppy-disk.sh";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string windows_status = WindowsPath(status);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        std::string text = ReadFile(windows_status);
        if (!text.empty()) {
            DeleteFileA(windows_status.c_str());
            return text == "ok" ? std::string() : text;
        }
        if (std::chrono::steady_clock::now() > deadline) return "floppy-disk.sh did not answer";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace testing_support
