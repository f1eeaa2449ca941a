#include "test_folders.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace testing_support {

namespace {

void DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string BinDir() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\'));
}

std::string BinPath(const std::string& name) {
    return BinDir() + "\\" + name;
}

std::string DataDir() {
    std::string unix_path = QUARVEL_TEST_DATA;
    std::string windows_path = "Z:" + unix_path;
    for (char& c : windows_path) {
        if (c == '/') c = '\\';
    }
    return windows_path;
}

std::string FixtureLines(int count) {
    std::string text;
    char line[80];
    for (int i = 1; i <= count; ++i) {
        snprintf(line, sizeof line, "Line %04d: the quick brown fox jumps over the lazy dog.\r\n",
                 i);
        text += line;
    }
    return text;
}

// Through the C runtime's ANSI open, so that CP932 names such as 表示.txt work; the C++
// streams of this runtime do not take them.
std::string ReadFile(const std::string& path) {
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) bytes.append(block, n);
    fclose(f);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static void Collect(const std::string& root, const std::string& rel,
                    std::vector<std::string>* out) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((root + "\\" + rel + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->push_back(rel + name + "\\");
            Collect(root, rel + name + "\\", out);
        } else {
            out->push_back(rel + name + "=" + ReadFile(root + "\\" + rel + name));
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

std::vector<std::string> TreeOf(const std::string& folder) {
    std::vector<std::string> tree;
    Collect(folder, "", &tree);
    std::sort(tree.begin(), tree.end());
    return tree;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string UnixPath(const std::string& windows_path) {
    typedef char*(__cdecl * ToUnix)(const wchar_t*);
    auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (to_unix == nullptr ||
        MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH) == 0)
        return "";
    char* unix_path = to_unix(wide);
    if (unix_path == nullptr) return "";
    std::string result = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    return result;
}

int RunLinuxShell(const std::string& command, int timeout_ms) {
    static int counter;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char mark[MAX_PATH];
    snprintf(mark, sizeof mark, "%squarvel-shell-%lu-%d.done", temp, GetCurrentProcessId(),
             ++counter);
    DeleteFileA(mark);
    std::string line = "/bin/sh -c \"" + command + "; echo $? > '" + UnixPath(mark) + "'\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        std::string status = ReadFile(mark);
        if (!status.empty() && status.back() == '\n') {
            DeleteFileA(mark);
            return atoi(status.c_str());
        }
        Sleep(10);
    }
    return -1;
}

bool MakeLinuxLink(const std::string& target, const std::string& link) {
    return RunLinuxShell("ln -s '" + UnixPath(target) + "' '" + UnixPath(link) + "'") == 0;
}

TempDir::TempDir() {
    static int counter;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%squarvel-test-%lu-%d", base, GetCurrentProcessId(), ++counter);
    path_ = name;
    DeleteTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    DeleteTree(path_);
}

}  // namespace testing_support
