#pragma once
// Loads a stand-in archiver DLL from the build's bin folder and calls its exports the way
// the program does. The entry record is declared here on its own, as a caller would, so the
// DLLs' layout is checked against the published one rather than against itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../support/test_folders.h"

namespace archivers_test {

#pragma pack(push, 1)
struct Record {
    DWORD original_size;
    DWORD compressed_size;
    DWORD crc;
    UINT flag;
    UINT os_type;
    WORD ratio;
    WORD date;
    WORD time;
    char path[513];
    char padding[3];
    char attribute[8];
    char method[8];
};
#pragma pack(pop)
static_assert(sizeof(Record) == 558, "entry record");

class StandIn {
public:
    StandIn(const char* file, const char* prefix);
    ~StandIn();
    bool Loaded() const { return module_ != nullptr; }
    template <typename Fn>
    Fn Get(const std::string& name) const {
        FARPROC f = GetProcAddress(module_, name.c_str());
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(f));
    }
    bool Has(const std::string& name) const { return GetProcAddress(module_, name.c_str()); }

    int Command(const std::string& line, char* out = nullptr, DWORD size = 0) const;
    int Count(const std::string& path) const;
    std::vector<Record> List(const std::string& path, DWORD mode = 0x202,
                             const char* wildcard = "*") const;
    WORD Version() const;

private:
    HMODULE module_;
    std::string prefix_;
};

// Sets or clears ARCHIVER_STUB for one test.
class StubHooks {
public:
    explicit StubHooks(const std::string& value) {
        SetEnvironmentVariableA("ARCHIVER_STUB", value.c_str());
    }
    ~StubHooks() { SetEnvironmentVariableA("ARCHIVER_STUB", nullptr); }
};

// A temporary folder that is also the current directory while the test runs.
class ArchiverTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& name) const { return temp_ / name; }
    void Enter(const std::string& folder);         // creates it and makes it current
    std::string Fixture(const std::string& name);  // copied into the temp folder
    static std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

    testing_support::TempDir temp_;

private:
    char previous_[MAX_PATH] = "";
};

std::string Lines(int count);  // the fixtures' text: "Line 0001: the quick ..." CR LF
std::string PseudoRandom(size_t n, uint32_t seed);
uint32_t Crc32Of(const std::string& bytes);
uint16_t Crc16Of(const std::string& bytes);
void MakeFile(const std::string& path, const std::string& bytes, int year = 2004);
std::vector<std::string> TreeOf(const std::string& folder);  // "name=content" lines, sorted
void LocalDosTime(const FILETIME& utc, WORD* date, WORD* time);
FILETIME FixtureTime();  // 2004-08-26 14:30:58 UTC
FILETIME WriteTimeOf(const std::string& path);

}  // namespace archivers_test
