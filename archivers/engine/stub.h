#pragma once
// Fault injection and call logging for the tests, driven by the environment variable
// ARCHIVER_STUB (read on every call, so a test may change it between calls):
//   cancel-after:N   the command returns 0x8020 after N entries were written
//   fail:CODE        the command returns CODE (decimal or 0x hex) without doing anything
//   slow:MS          sleep MS milliseconds before each entry
//   log:PATH         append one line per export call: DLL <TAB> export <TAB> arguments
//                    <TAB> current folder
//   empty:1          a command that creates an archive (7z, CAB, YZ1) reports success
//                    but writes the archive without any entry
//   dll:NAME         cancel-after, fail, slow and empty apply only to the DLL of that file name
// Items are separated by commas, e.g. ARCHIVER_STUB=cancel-after:2,log:C:\x\cmd.log
#include <string>

namespace arc {

struct StubHooks {
    int cancel_after = -1;
    int fail = 0;
    int slow_ms = 0;
    bool empty = false;
    std::string log;
};

StubHooks Stub_Read(const char* dll);
void Stub_Log(const char* dll, const char* export_name, const std::string& args);

// Counts the entries one command writes, applying the slow and cancel hooks.
class EntryPacer {
public:
    explicit EntryPacer(const StubHooks& hooks) : hooks_(hooks) {}
    void Before() const;
    // Returns 0x8020 once the hooked number of entries has been written.
    int After();

private:
    StubHooks hooks_;
    int done_ = 0;
};

}  // namespace arc
