#pragma once
// Starts a program of the build (dovetrim.exe, recorder.exe...) as a child process with a
// chosen environment and working folder, and waits for its exit code.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

using Environment = std::vector<std::pair<std::string, std::string>>;

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ~ChildProcess();  // a child still running is ended, so no test leaves one behind

    bool Started() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    // The exit code, or -1 when the child did not end in time (it is then ended).
    int Wait(int timeout_ms = 30000);

private:
    friend ChildProcess Start(const char*, const std::string&, const Environment&,
                              const std::string&);
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// `env` adds or replaces variables of the test's own environment (names compared without
// regard to case, as Windows does).
ChildProcess StartProgram(const std::string& exe, const std::string& args,
                          const Environment& env = {}, const std::string& cwd = "");
// A whole command line, split into program and arguments by Windows as for a command that
// the registry holds.
ChildProcess StartCommandLine(const std::string& command_line, const Environment& env = {},
                              const std::string& cwd = "");
// Whether no process holds the named semaphore (the program and its DLLs take theirs
// for an operation and must give them back).
bool SemaphoreFree(const char* name);

int RunProgram(const std::string& exe, const std::string& args, const Environment& env = {},
               const std::string& cwd = "", int timeout_ms = 30000);

}  // namespace testing_support
