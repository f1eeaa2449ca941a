// Crafted archives with hostile entry names, each melted by dovetrim.exe into every melt
// destination. Archiver DLLs cannot be trusted to clean names up, so what keeps content
// inside the destination is the program's own guard: the whole drive C: is listed before
// and after each destination's round, and every change must lie inside that destination.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cab_format.h"
#include "sevenzip_writer.h"
#include "settings/settings.h"
#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

// ---- Archive writers that store names exactly as given --------------------------------

struct Member {
    std::string name;
    std::string data;
};

uint32_t Crc32(const std::string& bytes) {
    return arc::Crc32(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string Le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; i++) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

const uint32_t kDosStamp = (0x311A << 16) | 0x7000;  // 2004-08-26 14:00

std::string Zip(const std::vector<Member>& members) {
    std::string local, central;
    for (const Member& m : members) {
        std::string common = Le(20, 2) + Le(0, 2) + Le(0, 2) + Le(kDosStamp, 4) +
                             Le(Crc32(m.data), 4) + Le(m.data.size(), 4) + Le(m.data.size(), 4) +
                             Le(m.name.size(), 2) + Le(0, 2);
        central += Le(0x02014b50, 4) + Le(20, 2) + common + Le(0, 2) + Le(0, 2) + Le(0, 2) +
                   Le(0x20, 4) + Le(local.size(), 4) + m.name;
        local += Le(0x04034b50, 4) + common + m.name + m.data;
    }
    return local + central + Le(0x06054b50, 4) + Le(0, 4) + Le(members.size(), 2) +
           Le(members.size(), 2) + Le(central.size(), 4) + Le(local.size(), 4) + Le(0, 2);
}

std::string TarHeader(const std::string& name, size_t size, char type) {
    std::string h(512, '\0');
    h.replace(0, std::min<size_t>(name.size(), 100), name.substr(0, 100));
    h.replace(100, 7, "0000644");
    char field[16];
    snprintf(field, sizeof field, "%011o", static_cast<unsigned>(size));
    h.replace(124, 11, field);
    h.replace(136, 11, "10063741062");
    h[156] = type;
    h.replace(257, 5, "ustar");
    h.replace(148, 8, "        ");
    unsigned sum = 0;
    for (unsigned char c : h) sum += c;
    snprintf(field, sizeof field, "%06o", sum);
    h.replace(148, 7, std::string(field, 6) + '\0');
    return h;
}

std::string Padded(const std::string& data) {
    return data + std::string((512 - data.size() % 512) % 512, '\0');
}

std::string Tar(const std::vector<Member>& members) {
    std::string out;
    for (const Member& m : members) {
        if (m.name.empty()) continue;  // an empty header ends a tar archive
        if (m.name.size() > 100)
            out += TarHeader("././@LongLink", m.name.size() + 1, 'L') + Padded(m.name + '\0');
        out += TarHeader(m.name, m.data.size(), '0') + Padded(m.data);
    }
    return out + std::string(1024, '\0');
}

// Level-0 headers as old DOS archivers wrote them: the name is taken as it stands.
std::string Lzh(const std::vector<Member>& members) {
    std::string out;
    for (const Member& m : members) {
        if (m.name.size() > 233) continue;  // a level-0 header holds no more
        unsigned crc = 0;
        for (unsigned char c : m.data) {
            crc ^= c;
            for (int bit = 0; bit < 8; bit++) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        std::string body = "-lh0-" + Le(m.data.size(), 4) + Le(m.data.size(), 4) +
                           Le(kDosStamp, 4) + char(0x20) + char(0) + char(m.name.size()) + m.name +
                           Le(crc, 2);
        unsigned sum = 0;
        for (unsigned char c : body) sum += c;
        out += std::string(1, char(body.size())) + char(sum & 0xFF) + body + m.data;
    }
    return out + std::string(1, '\0');
}

std::string ArjHeader(const std::string& name, const std::string& data, int type) {
    std::string h = std::string(1, char(30)) + char(11) + char(1) + char(0) + char(0) + char(0) +
                    char(type) + char(0) + Le(kDosStamp, 4) + Le(data.size(), 4) +
                    Le(data.size(), 4) + Le(Crc32(data), 4) + Le(0, 2) + Le(0x20, 2) + Le(0, 2) +
                    name + '\0' + '\0';
    return "\x60\xEA" + Le(h.size(), 2) + h + Le(Crc32(h), 4) + Le(0, 2) + data;
}

std::string Arj(const std::vector<Member>& members) {
    std::string out = ArjHeader("corpus.arj", "", 2);
    for (const Member& m : members) out += ArjHeader(m.name, m.data, 0);
    return out + "\x60\xEA" + Le(0, 2);
}

std::vector<arc::Item> Items(const std::vector<Member>& members) {
    std::vector<arc::Item> items;
    for (const Member& m : members) {
        if (m.name.empty()) continue;
        arc::Item item;
        item.entry.name = m.name;
        item.entry.size = m.data.size();
        item.entry.mtime = 1093530658;
        item.entry.attr = FILE_ATTRIBUTE_ARCHIVE;
        item.data.assign(m.data.begin(), m.data.end());
        items.push_back(item);
    }
    return items;
}

std::string SevenZip(const std::vector<Member>& members) {
    arc::Bytes out;
    if (arc::SevenZip_Write(Items(members), arc::SevenZipMethod::Copy, false, &out) != 0) return "";
    return std::string(out.begin(), out.end());
}

std::string Cab(const std::vector<Member>& members) {
    arc::Bytes out;
    if (arc::Cab_Write(Items(members), false, &out) != 0) return "";
    return std::string(out.begin(), out.end());
}

// ---- The corpus ----------------------------------------------------------------------

struct Attack {
    const char* name;
    std::vector<std::string> entries;
};

std::vector<Attack> Attacks() {
    std::string over_long = std::string(240, 'd') + "/e/f/g/h/i/../../../../../../../../x.txt";
    return {
        {"climb",
         {"../x.txt", "a/b/../../../y.txt", "..\\..\\z.txt", "../../../../../../../../../../w.txt",
          "b.txt"}},
        {"rooted", {"/x.txt", "\\y.txt"}},
        {"drive", {"C:/x.txt", "C:\\y.txt", "D:z.txt"}},
        {"share",
         {"//server/share/x.txt", "\\\\server\\share\\y.txt", "\\\\.\\C:\\z.txt", "//?/C:/w.txt"}},
        {"dots",
         {".../x.txt", ".. /y.txt", "a./z.txt", "b /w.txt", "c. ", "d ..", "CON/v.txt", "NUL.txt"}},
        {"streams", {"a.txt:evil", "b:c/x.txt", "b:c/y.txt"}},
        {"long", {over_long, "b.txt"}},
        {"sjis", {"表/x.txt", "表/ソ.txt"}},
        {"sjis-climb", {"表/../../x.txt", "ソ\\..\\..\\y.txt", "能.txt"}},
        {"empty", {"", "/", "x.txt"}},
        {"case", {"Doc/a.txt", "doc/A.TXT", "DOC/b.txt"}},
    };
}

struct Format {
    const char* ext;
    std::string (*write)(const std::vector<Member>&);
};

const Format kFormats[] = {{"zip", Zip}, {"tar", Tar},     {"lzh", Lzh},
                           {"arj", Arj}, {"7z", SevenZip}, {"cab", Cab}};

// ---- The drive -----------------------------------------------------------------------

struct Seen {
    unsigned long long size;
    FILETIME written;
    DWORD attributes;
};
using Listing = std::map<std::string, Seen>;

// Keys leave out the "\\\\?\\" the walk uses to reach past 260 characters.
void ListInto(const std::wstring& folder, Listing* out) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        char narrow[4096];
        WideCharToMultiByte(CP_UTF8, 0, path.c_str() + 4, -1, narrow, sizeof narrow, nullptr,
                            nullptr);
        (*out)[narrow] = {
            (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
            found.ftLastWriteTime, found.dwFileAttributes};
        bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) ListInto(path, out);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

Listing ListDrive() {
    Listing listing;
    ListInto(L"\\\\?\\C:", &listing);
    return listing;
}

std::string Utf8(const std::string& ansi) {
    wchar_t wide[4096];
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide, 4096);
    char narrow[4096];
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

bool Inside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() &&
           _strnicmp(path.c_str(), folder.c_str(), folder.size()) == 0 &&
           path[folder.size()] == '\\';
}

// Every path new or changed since `before`, except those inside one of `allowed`.
std::vector<std::string> ChangesOutside(const Listing& before, const Listing& after,
                                        const std::vector<std::string>& allowed) {
    std::vector<std::string> outside;
    auto allowed_path = [&](const std::string& path) {
        for (const std::string& folder : allowed)
            if (path == folder || Inside(path, folder)) return true;
        return false;
    };
    for (const auto& [path, seen] : after) {
        auto old = before.find(path);
        // A folder that was there counts by what is in it: Wine's shell touches the
        // profile's folders whenever a program loads it.
        bool folder = (seen.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool changed = old == before.end() ||
                       (!folder && (old->second.size != seen.size ||
                                    CompareFileTime(&old->second.written, &seen.written) != 0));
        if (changed && !allowed_path(path)) outside.push_back(path);
    }
    for (const auto& [path, seen] : before)
        if (after.count(path) == 0 && !allowed_path(path)) outside.push_back(path + " (gone)");
    return outside;
}

// Deletes a tree through the "\\\\?\\" form: what a hostile name made may lie past 260
// characters or carry a trailing dot, which the plain form cannot reach.
void DeleteWide(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring entry = path + L"\\" + name;
            SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                DeleteWide(entry);
            } else if (!DeleteFileW(entry.c_str())) {
                RemoveDirectoryW(entry.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

// The captions of the visible windows of a process, to tell what a melt that did not end
// is waiting for.
std::string WindowsOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::string captions;
    } search{pid, ""};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && IsWindowVisible(hwnd))
                s->captions += " [" + gui::Text(hwnd) + "]";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.captions;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size() && i < 8; i++) text += "\n  " + lines[i];
    return text;
}

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kProgramFiles[] = {"dovetrim.exe", "7-ZIP32.DLL", "CAB32.DLL",   "TAR32.DLL",
                                     "UNARJ32J.DLL", "UNGCA32.DLL", "UNLHA32.DLL", "UNRAR.DLL",
                                     "UNZIP32.DLL",  "YZ1.DLL",     "zip32.dll"};

class Corpus : public testing::Test {
protected:
    Corpus() {
        for (const char* name :
             {"prog", "dl", "cwd", "cache", "std", "inst", "desk", "docs", "progfiles", "temp"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : kProgramFiles)
            CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE);
    }
    ~Corpus() override {
        wchar_t wide[MAX_PATH] = L"\\\\?\\";
        MultiByteToWideChar(CP_ACP, 0, dir.Path().c_str(), -1, wide + 4, MAX_PATH - 4);
        DeleteWide(wide);
    }
    // Melts every archive, a few processes at a time, answering the error box of each
    // archive that is refused; gives the archives whose melt did not end with 0 or 14.
    std::vector<std::string> MeltAll(const std::vector<std::string>& archives) {
        struct Running {
            std::string archive;
            ChildProcess child;
            HANDLE process;
        };
        std::vector<std::string> odd;
        std::vector<Running> running;
        size_t next = 0;
        auto deadline = GetTickCount64() + 120000;
        while ((next < archives.size() || !running.empty()) && GetTickCount64() < deadline) {
            while (running.size() < 3 && next < archives.size()) {
                const std::string& archive = archives[next++];
                ChildProcess child =
                    StartProgram(dir / "prog\\dovetrim.exe", "-d \"" + archive + "\"",
                                 {{"TEMP", dir / "temp"}}, dir / "cwd");
                HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, child.Pid());
                running.push_back({archive, std::move(child), process});
            }
            std::vector<HANDLE> handles;
            for (const Running& r : running) handles.push_back(r.process);
            WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 20);
            for (size_t i = 0; i < running.size();) {
                Running& r = running[i];
                if (WaitForSingleObject(r.process, 0) == WAIT_OBJECT_0) {
                    int code = r.child.Wait(0);
                    if (code != 0 && code != 14)
                        odd.push_back(r.archive + " ended with " + std::to_string(code));
                    CloseHandle(r.process);
                    running.erase(running.begin() + i);
                    continue;
                }
                auto box = gui::WaitForMessageBox("エラーメッセージ", r.child.Pid(), 0);
                if (box.hwnd != nullptr) gui::Answer(box, IDOK);
                i++;
            }
        }
        for (Running& r : running) {
            odd.push_back(r.archive + " still running, windows:" + WindowsOf(r.child.Pid()));
            CloseHandle(r.process);
        }
        return odd;
    }

    TempDir dir;
    ScopedValue desktop{HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk"};
    ScopedValue personal{HKEY_CURRENT_USER, kShellFolders, "Personal", dir / "docs"};
    ScopedValue program_files{HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                              "ProgramFilesDir", dir / "progfiles"};
};

}  // namespace

TEST_F(Corpus, NoEntryEverLandsOutsideItsDestination) {
    std::vector<std::string> archives;
    for (const Attack& attack : Attacks()) {
        std::vector<Member> members;
        for (const std::string& entry : attack.entries)
            members.push_back({entry, "escaped? " + entry + "\r\n"});
        for (const Format& format : kFormats) {
            std::string bytes = format.write(members);
            if (bytes.empty()) continue;  // a name the format cannot hold
            std::string path = dir / "dl\\" + attack.name + "-" + format.ext + "." + format.ext;
            WriteFile(path, bytes);
            archives.push_back(path);
        }
    }
    ASSERT_GE(archives.size(), 60u);
    printf("[ corpus   ] %d archives, each melted into 9 destinations\n",
           static_cast<int>(archives.size()));

    struct Destination {
        int value;
        std::string folder;
    };
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    const Destination destinations[] = {
        {Zent_MeltTo_Cache, dir / "cache"},        {Zent_MeltTo_Std, dir / "std"},
        {Zent_MeltTo_StdInst, dir / "inst"},       {Zent_MeltTo_Here, dir / "dl"},
        {Zent_MeltTo_Desktop, dir / "desk"},       {Zent_MeltTo_MyDoc, dir / "docs"},
        {Zent_MeltTo_ProgFile, dir / "progfiles"}, {Zent_MeltTo_System, system},
        {Zent_MeltTo_Temp, dir / "temp"},
    };
    // What a run may write besides its destination: the settings of each round and the
    // error log of a refused archive in the folder the program started in.
    const std::vector<std::string> own = {Utf8(dir / "prog"), Utf8(dir / "cwd")};

    Listing before = ListDrive();
    for (const Destination& d : destinations) {
        SCOPED_TRACE(d.folder);
        static Zent_Settings settings;
        std::string ini = dir / "prog\\dovetrim.ini";
        Zent_LoadSettings(&settings, ini.c_str());
        settings.DefActOnDblClk = Zent_DefAct_None;
        settings.MeltToOnDblClk = d.value;
        snprintf(settings.CachePath, sizeof settings.CachePath, "%s", (dir / "cache").c_str());
        snprintf(settings.StdMeltPath, sizeof settings.StdMeltPath, "%s", (dir / "std").c_str());
        snprintf(settings.InstallPath, sizeof settings.InstallPath, "%s", (dir / "inst").c_str());
        Zent_SaveSettings(&settings, ini.c_str());
        std::vector<std::string> odd = MeltAll(archives);
        EXPECT_TRUE(odd.empty()) << odd.size() << " melts ended oddly: " << Joined(odd);
        Listing after = ListDrive();
        std::vector<std::string> allowed = own;
        allowed.push_back(Utf8(d.folder));
        std::vector<std::string> outside = ChangesOutside(before, after, allowed);
        EXPECT_TRUE(outside.empty()) << outside.size() << " outside: " << Joined(outside);
        // The system folder is the machine's: what went there is taken out again.
        if (d.value == Zent_MeltTo_System) {
            std::vector<std::string> added;
            for (const auto& [path, seen] : after)
                if (before.count(path) == 0) added.push_back(path);
            std::sort(added.rbegin(), added.rend());  // contents before their folders
            for (const std::string& path : added) {
                wchar_t wide[4096] = L"\\\\?\\";
                MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide + 4, 4090);
                SetFileAttributesW(wide, FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(wide)) RemoveDirectoryW(wide);
            }
            after = ListDrive();
        }
        before = after;
    }
}

// Guard levels are folders of this extraction's own. A working folder of the guard's name
// in the cache (the folder of an archive "a.tar") and a user's folder of that name beside
// the archive keep their content; what the archive holds lands in new folders only.
TEST_F(Corpus, ClimbingContentNeverLandsInAFolderThatWasThere) {
    std::vector<std::string> archives;
    std::vector<Member> members = {{"../notes.txt", "the stranger's"}, {"y.txt", "plain"}};
    for (const Format& format : kFormats) {
        std::string ext = format.ext;
        if (ext != "zip" && ext != "tar" && ext != "lzh" && ext != "7z") continue;
        std::string path = dir / "dl\\climb-" + ext + "." + ext;
        WriteFile(path, format.write(members));
        archives.push_back(path);
    }
    ASSERT_EQ(archives.size(), 4u);
    for (int destination : {Zent_MeltTo_Cache, Zent_MeltTo_Here}) {
        std::string base = dir / (destination == Zent_MeltTo_Cache ? "cache" : "dl");
        SCOPED_TRACE(base);
        CreateDirectoryA((base + "\\a").c_str(), nullptr);
        WriteFile(base + "\\a\\notes.txt", "the user's edit");
        static Zent_Settings settings;
        std::string ini = dir / "prog\\dovetrim.ini";
        Zent_LoadSettings(&settings, ini.c_str());
        settings.DefActOnDblClk = Zent_DefAct_None;
        settings.MeltToOnDblClk = destination;
        snprintf(settings.CachePath, sizeof settings.CachePath, "%s", (dir / "cache").c_str());
        Zent_SaveSettings(&settings, ini.c_str());

        std::wstring wide(L"\\\\?\\");
        for (char c : dir.Path()) wide += static_cast<wchar_t>(c);
        Listing before;
        ListInto(wide, &before);
        // One at a time: each finds the folders the one before made.
        for (const std::string& archive : archives) {
            std::vector<std::string> odd = MeltAll({archive});
            EXPECT_TRUE(odd.empty()) << Joined(odd);
        }
        Listing after;
        ListInto(wide, &after);
        EXPECT_EQ(ReadFile(base + "\\a\\notes.txt"), "the user's edit");
        // Every change lies in a folder of the base that was not there before.
        std::vector<std::string> outside =
            ChangesOutside(before, after, {Utf8(dir / "prog"), Utf8(dir / "cwd")});
        std::vector<std::string> old_folders;
        for (const std::string& path : outside) {
            std::string rest = path.substr(0, Utf8(base).size() + 1) == Utf8(base) + "\\"
                                   ? path.substr(Utf8(base).size() + 1)
                                   : "";
            std::string top = rest.substr(0, rest.find('\\'));
            bool new_top = !top.empty() && before.count(Utf8(base) + "\\" + top) == 0;
            if (!new_top && rest != "cache-db.ini") old_folders.push_back(path);
        }
        EXPECT_TRUE(old_folders.empty()) << old_folders.size() << ": " << Joined(old_folders);
        int plain = 0;
        for (const auto& [path, seen] : after)
            if (before.count(path) == 0 && path.size() > 6 &&
                path.substr(path.size() - 6) == "\\y.txt")
                plain++;
        EXPECT_EQ(plain, 4) << "each archive extracted";
    }
}
