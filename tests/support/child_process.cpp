#include "child_process.h"

#include <cstdio>
#include <cstring>

namespace testing_support {

namespace {

std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('=', 1));
}

std::vector<char> BuildEnvironmentBlock(const Environment& overrides) {
    std::vector<std::string> entries;
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p != '\0'; p += strlen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : overrides) {
        std::string entry = name + "=" + value;
        bool replaced = false;
        for (std::string& existing : entries) {
            if (_stricmp(NameOf(existing).c_str(), name.c_str()) == 0) {
                existing = entry;
                replaced = true;
            }
        }
        if (!replaced) entries.push_back(entry);
    }
    std::vector<char> result;
    for (const std::string& entry : entries) {
        result.insert(result.end(), entry.begin(), entry.end());
        result.push_back('\0');
    }
    result.push_back('\0');
    return result;
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(other.process_), pid_(other.pid_) {
    other.process_ = nullptr;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    std::swap(process_, other.process_);
    std::swap(pid_, other.pid_);
    return *this;
}

ChildProcess::~ChildProcess() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    CloseHandle(process_);
}

int ChildProcess::Wait(int timeout_ms) {
    if (process_ == nullptr) return -1;
    if (WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
}

// exe null: Windows takes the program from the command line, as a registered command is run.
ChildProcess Start(const char* exe, const std::string& command_line, const Environment& env,
                   const std::string& cwd) {
    std::vector<char> command(command_line.begin(), command_line.end());
    command.push_back('\0');
    std::vector<char> block = BuildEnvironmentBlock(env);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ChildProcess child;
    // Wine's CreateProcess also fails when the new process dies while Wine starts it, before
    // any of the program's code ran (seen once in a whole run of the suite): the error is
    // printed and the start tried once more, so that a test fails for what the program did.
    for (int attempt = 1;; attempt++) {
        if (CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, block.data(),
                           cwd.empty() ? nullptr : cwd.c_str(), &startup, &info)) {
            break;
        }
        fprintf(stderr, "CreateProcess failed (error %lu) for: %s\n", GetLastError(),
                command_line.c_str());
        if (attempt == 2) return child;
    }
    CloseHandle(info.hThread);
    child.process_ = info.hProcess;
    child.pid_ = info.dwProcessId;
    return child;
}

ChildProcess StartProgram(const std::string& exe, const std::string& args, const Environment& env,
                          const std::string& cwd) {
    std::string command_line = "\"" + exe + "\"";
    if (!args.empty()) command_line += " " + args;
    return Start(exe.c_str(), command_line, env, cwd);
}

ChildProcess StartCommandLine(const std::string& command_line, const Environment& env,
                              const std::string& cwd) {
    return Start(nullptr, command_line, env, cwd);
}

int RunProgram(const std::string& exe, const std::string& args, const Environment& env,
               const std::string& cwd, int timeout_ms) {
    ChildProcess child = StartProgram(exe, args, env, cwd);
    return child.Wait(timeout_ms);
}

bool SemaphoreFree(const char* name) {
    HANDLE s = CreateSemaphoreA(nullptr, 1, 1, name);
    bool free = WaitForSingleObject(s, 0) == WAIT_OBJECT_0;
    if (free) ReleaseSemaphore(s, 1, nullptr);
    CloseHandle(s);
    return free;
}

}  // namespace testing_support
