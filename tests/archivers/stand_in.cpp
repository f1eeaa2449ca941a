#include "stand_in.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace archivers_test {

using namespace testing_support;

StandIn::StandIn(const char* file, const char* prefix)
    : module_(LoadLibraryA(BinPath(file).c_str())), prefix_(prefix) {}

StandIn::~StandIn() {
    if (module_) FreeLibrary(module_);
}

int StandIn::Command(const std::string& line, char* out, DWORD size) const {
    auto f = Get<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>(prefix_);
    return f(nullptr, line.c_str(), out, size);
}

int StandIn::Count(const std::string& path) const {
    return Get<int(WINAPI*)(LPCSTR)>(prefix_ + "GetFileCount")(path.c_str());
}

std::vector<Record> StandIn::List(const std::string& path, DWORD mode, const char* wildcard) const {
    auto open = Get<HANDLE(WINAPI*)(HWND, LPCSTR, DWORD)>(prefix_ + "OpenArchive");
    auto first = Get<int(WINAPI*)(HANDLE, LPCSTR, Record*)>(prefix_ + "FindFirst");
    auto next = Get<int(WINAPI*)(HANDLE, Record*)>(prefix_ + "FindNext");
    auto close = Get<int(WINAPI*)(HANDLE)>(prefix_ + "CloseArchive");
    std::vector<Record> records;
    HANDLE h = open(nullptr, path.c_str(), mode);
    if (!h) return records;
    Record r;
    for (int found = first(h, wildcard, &r); found == 0; found = next(h, &r)) records.push_back(r);
    EXPECT_EQ(-1, next(h, &r)) << "the end stays the end";
    close(h);
    return records;
}

WORD StandIn::Version() const {
    return Get<WORD(WINAPI*)()>(prefix_ + "GetVersion")();
}

void ArchiverTest::SetUp() {
    GetCurrentDirectoryA(sizeof previous_, previous_);
}

void ArchiverTest::TearDown() {
    SetCurrentDirectoryA(previous_);
}

void ArchiverTest::Enter(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
}

std::string ArchiverTest::Fixture(const std::string& name) {
    std::string target = Path(name);
    CopyFileA((DataDir() + "\\" + name).c_str(), target.c_str(), FALSE);
    return target;
}

std::string Lines(int count) {
    return FixtureLines(count);
}

std::string PseudoRandom(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    return s;
}

uint32_t Crc32Of(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

uint16_t Crc16Of(const std::string& bytes) {
    unsigned crc = 0;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return uint16_t(crc);
}

void MakeFile(const std::string& path, const std::string& bytes, int year) {
    WriteFile(path, bytes);
    SYSTEMTIME st = {};
    st.wYear = WORD(year);
    st.wMonth = 3;
    st.wDay = 4;
    st.wHour = 5;
    st.wMinute = 6;
    st.wSecond = 8;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    HANDLE h =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

static void Walk(const std::string& folder, const std::string& prefix,
                 std::vector<std::string>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(prefix + name + "\\");
            Walk(folder + "\\" + name, prefix + name + "\\", out);
        } else {
            out.push_back(prefix + name + "=" + ReadFile(folder + "\\" + name));
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

std::vector<std::string> TreeOf(const std::string& folder) {
    std::vector<std::string> out;
    Walk(folder, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

void LocalDosTime(const FILETIME& utc, WORD* date, WORD* time) {
    FILETIME local;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToDosDateTime(&local, date, time);
}

FILETIME FixtureTime() {
    SYSTEMTIME st = {};
    st.wYear = 2004;
    st.wMonth = 8;
    st.wDay = 26;
    st.wHour = 14;
    st.wMinute = 30;
    st.wSecond = 58;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

FILETIME WriteTimeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

}  // namespace archivers_test
