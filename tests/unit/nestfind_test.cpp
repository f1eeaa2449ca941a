#include "lib/nestfind.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include <string>
#include <vector>

#include "../support/raise_capture.h"
#include "../support/test_folders.h"

using testing_support::CatchRaise;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// What the walk must give, built independently with the platform's own listing: every
// entry in listing order, a folder's subtree where the folder stands, the folder itself
// after its contents when folders are reported.
void Expected(const std::string& base, const std::string& rel, bool dirs,
              std::vector<std::string>* out) {
    WIN32_FIND_DATAA found;
    std::string dir = rel.empty() ? base : base + "\\" + rel;
    HANDLE find = FindFirstFileA((dir + "\\*.*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = rel.empty() ? name : rel + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Expected(base, path, dirs, out);
            if (dirs) out->push_back(path);
        } else {
            out->push_back(path);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

std::vector<std::string> Walk(const std::string& base, int dirs) {
    std::vector<std::string> seen;
    NestFind walk;
    NestFind_Begin(&walk, base.c_str(), dirs);
    while (NestFind_Next(&walk)) {
        seen.push_back(NestFind_RelPath(&walk));
        std::string root = base.back() == '\\' ? base : base + "\\";
        EXPECT_EQ(std::string(NestFind_Path(&walk)), root + seen.back());
    }
    NestFind_End(&walk);
    return seen;
}

// Large trees are made and removed by the Linux shell, which Wine starts natively for a
// program that is not a Windows executable: through Wine, 30,000 files take minutes to
// create and delete on a busy machine. The walk itself still lists them through Wine.
std::string UnixPath(const std::string& path) {
    typedef char*(CDECL * ToUnix)(LPCWSTR);
    auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (to_unix == nullptr) return "";
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* unix_path = to_unix(wide);
    if (unix_path == nullptr) return "";
    std::string result = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    return result;
}

// Runs a shell script (no double quotes in it) in the Unix folder of dir and gives its
// exit code. Wine hands back no process to wait for when it starts a Unix program, so the
// script reports its end by renaming its exit-code file into place, and the test waits
// for that file to appear.
int Shell(const std::string& dir, const std::string& script) {
    static int counter;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char marker[MAX_PATH];
    snprintf(marker, sizeof marker, "%squarvel-shell-%lu-%d", temp, GetCurrentProcessId(),
             ++counter);
    DeleteFileA(marker);
    std::string done = UnixPath(marker);
    std::string command = "sh -c \"(cd '" + UnixPath(dir) + "' && " + script + "); echo $? > '" +
                          done + ".part' && mv '" + done + ".part' '" + done + "'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return -1;
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    DWORD start = GetTickCount();
    while (GetFileAttributesA(marker) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 60000) return -1;
        Sleep(5);
    }
    std::string code = testing_support::ReadFile(marker);
    DeleteFileA(marker);
    return atoi(code.c_str());
}

std::string Repeat(const std::string& part, int n) {
    std::string s;
    for (int i = 0; i < n; i++) s += part;
    return s;
}

}  // namespace

TEST(NestFind, EmptyAndMissingBasesGiveEmptyWalks) {
    TempDir dir;
    EXPECT_TRUE(Walk(dir.Path(), 0).empty());
    EXPECT_TRUE(Walk(dir.Path(), 1).empty());
    EXPECT_TRUE(Walk(dir / "none", 1).empty());
}

// A base of 259 characters, the longest the ANSI calls take, is walked as it is: cut to
// 258 it would name a sibling, whose entries a deletion would then remove.
TEST(NestFind, BaseOfTheLongestPathIsNeverShortened) {
    TempDir dir;
    std::string sibling = dir / std::string(258 - dir.Path().size() - 1, 's');
    std::string base = sibling + "t";
    ASSERT_EQ(base.size(), 259u);
    CreateDirectoryA(sibling.c_str(), nullptr);
    CreateDirectoryA(base.c_str(), nullptr);
    WriteFile(sibling + "\\f", "the sibling's");
    WriteFile(base + "\\g", "the base's");
    EXPECT_EQ(Walk(base, 1), std::vector<std::string>{"g"});
    // Past 259 characters only the long form reaches the files.
    for (const std::string& file : {sibling + "\\f", base + "\\g"}) {
        wchar_t wide[300] = L"\\\\?\\";
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide + 4, 290);
        EXPECT_TRUE(DeleteFileW(wide));
    }

    std::string longer = std::string(4095, 'x');
    auto caught = CatchRaise([&] { Walk(longer, 0); });
    EXPECT_EQ(caught.code, StrX_Err_TooLongPath);
}

TEST(NestFind, FilesOnlyInListingOrder) {
    TempDir dir;
    WriteFile(dir / "a", "1");
    WriteFile(dir / "b", "22");
    CreateDirectoryA((dir / "d").c_str(), nullptr);
    WriteFile(dir / "d\\c", "333");
    std::vector<std::string> expected;
    Expected(dir.Path(), "", false, &expected);
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(Walk(dir.Path(), 0), expected);
}

TEST(NestFind, FoldersComeAfterTheirContents) {
    TempDir dir;
    WriteFile(dir / "a", "1");
    CreateDirectoryA((dir / "d").c_str(), nullptr);
    WriteFile(dir / "d\\c", "333");
    CreateDirectoryA((dir / "d\\empty").c_str(), nullptr);
    CreateDirectoryA((dir / "ソフト").c_str(), nullptr);
    WriteFile(dir / "ソフト\\表示.txt", "x");
    std::vector<std::string> seen = Walk(dir.Path() + "\\", 1);
    std::vector<std::string> expected;
    Expected(dir.Path(), "", true, &expected);
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(seen.size(), 6u);
    auto at = [&](const std::string& s) {
        return std::find(seen.begin(), seen.end(), s) - seen.begin();
    };
    EXPECT_EQ(at("d"), at("d\\c") > at("d\\empty") ? at("d\\c") + 1 : at("d\\empty") + 1);
    EXPECT_EQ(at("ソフト"), at("ソフト\\表示.txt") + 1);
}

TEST(NestFind, ReportsDirectoryFlagAndSize) {
    TempDir dir;
    WriteFile(dir / "five", "12345");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    NestFind walk;
    NestFind_Begin(&walk, dir.Path().c_str(), 1);
    int files = 0, dirs = 0;
    while (NestFind_Next(&walk)) {
        if (NestFind_IsDir(&walk)) {
            dirs++;
            EXPECT_STREQ(NestFind_RelPath(&walk), "sub");
        } else {
            files++;
            EXPECT_EQ(NestFind_Size(&walk), 5u);
        }
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(dirs, 1);
}

TEST(NestFind, ChainOf499FoldersWalksAndThe500thRaises) {
    TempDir dir;
    std::string chain = Repeat("a/", 499);
    ASSERT_EQ(Shell(dir.Path(), "mkdir -p " + chain + " && : > " + chain + "end.txt"), 0);

    std::vector<std::string> seen;
    auto caught = CatchRaise([&] { seen = Walk(dir.Path(), 0); });
    EXPECT_EQ(caught.code, 0) << caught.message;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], Repeat("a\\", 499) + "end.txt");

    ASSERT_EQ(Shell(dir.Path(), "mkdir " + chain + "a"), 0);
    caught = CatchRaise([&] { Walk(dir.Path(), 1); });
    EXPECT_EQ(caught.code, NestFind_Err_OverNest);
    // The message names the folder of the 500th level. It is longer than a message may be,
    // so only its start is kept.
    std::string start = "NestFind: over Nest (" + dir.Path() + Repeat("\\a", 400);
    EXPECT_EQ(caught.message.substr(0, start.size()), start);
    EXPECT_EQ(Shell(dir.Path(), "rm -rf a"), 0);
}

TEST(NestFind, PoolHoldsThirtyThousandNamesOnThePath) {
    TempDir dir;
    // Every folder on the path is listed in the pool at once: 300 levels of 99 files and
    // the next folder fill its 30,000 slots exactly; the deepest folder is empty.
    const int levels = 300;
    const int per_level = NestFind_PoolSlots / levels;
    ASSERT_EQ(levels * per_level, NestFind_PoolSlots);
    ASSERT_EQ(Shell(dir.Path(),
                    "for l in $(seq " + std::to_string(levels) +
                        "); do for i in $(seq -w 0 98); do : > f$i; done; mkdir d; cd d; done"),
              0);
    size_t files = 0;
    auto caught = CatchRaise([&] { files = Walk(dir.Path(), 0).size(); });
    EXPECT_EQ(caught.code, 0) << caught.message;
    EXPECT_EQ(files, static_cast<size_t>(levels * (per_level - 1)));

    // One more name on the path is one too many.
    std::string deepest = Repeat("d/", levels);
    ASSERT_EQ(Shell(dir.Path(), ": > " + deepest + "over"), 0);
    caught = CatchRaise([&] { Walk(dir.Path(), 0); });
    EXPECT_EQ(caught.code, NestFind_Err_OverBuf);
    EXPECT_EQ(caught.message,
              "NestFind: over Buf (" + dir.Path() + Repeat("\\d", levels) + "\\over)\n");
    EXPECT_EQ(Shell(dir.Path(), "rm -rf d f*"), 0);
}
