// dovetrim.exe -u and -r as Explorer starts them, on archives made by real tools (YZ1 by our
// stand-in): edits written back and listed by the Linux tools, faults injected at every step
// of an update, and archives turned into folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "settings/settings.h"
#include "simple_container.h"

using namespace testing_support;

namespace {

struct Format {
    const char* fixture;  // in tests\data; null for YZ1, made here
    const char* ext;
    const char* top;      // the archive's top folder: the working folder's name
    const char* changed;  // a file the user edits, and one the user deletes
    const char* deleted;
    const char* dll;         // the DLL that compresses
    const char* extraction;  // an extraction as the stand-ins' log shows it
};
const Format kFormats[] = {
    {"doc-top.lzh", "lzh", "doc", "a.txt", "b.txt", "UNLHA32.DLL", "\tUnlha\te "},
    {"doc-top.zip", "zip", "doc", "a.txt", "b.txt", "zip32.dll", "\tUnZip\t-o "},
    {"sjis-names.cab", "cab", "資料", "表示.txt", "ソフト.txt", "CAB32.DLL", "\tCab\t-x "},
    {nullptr, "yz1", "doc", "a.txt", "b.txt", "YZ1.DLL", "\tYz1\tx "},
    {"doc-top.tar.gz", "tar.gz", "doc", "a.txt", "b.txt", "TAR32.DLL", "\tTar\t-zxvf "},
    {"doc-top.7z", "7z", "doc", "a.txt", "b.txt", "7-ZIP32.DLL", "\tSevenZip\tx "},
};

typedef std::map<std::string, std::string> Tree;  // relative path -> content ("/" for folders)

// Wine runs Linux programs too; they take Unix paths.
std::string UnixPath(const std::string& path) {
    typedef char*(CDECL * ToUnix)(LPCWSTR);
    auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* unix_path = to_unix(wide);
    std::string result = unix_path ? unix_path : "";
    HeapFree(GetProcessHeap(), 0, unix_path);
    return result;
}

// Names as the Linux tools print them: UTF-8 when they decode them, else the CP932 bytes.
std::string AsCp932(const std::string& text) {
    wchar_t wide[MAX_PATH];
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide, MAX_PATH);
    if (n == 0) return text;
    char out[MAX_PATH * 2];
    WideCharToMultiByte(932, 0, wide, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

class UpdateProgram : public testing::Test {
protected:
    UpdateProgram()
        : desktop_(HKEY_CURRENT_USER,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                   "Desktop", dir / "desk") {
        for (const char* name : {"desk", "prog", "win", "dl", "dl2"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : {"dovetrim.exe", "7-ZIP32.DLL", "CAB32.DLL", "TAR32.DLL",
                                 "UNLHA32.DLL", "UNZIP32.DLL", "YZ1.DLL", "zip32.dll"})
            CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
    }
    std::string Download(const Format& f, const std::string& as = "dl\\report.") {
        std::string path = dir / as + f.ext;
        if (f.fixture != nullptr) {
            CopyFileA((DataDir() + "\\" + f.fixture).c_str(), path.c_str(), FALSE);
            return path;
        }
        std::vector<arc::Item> items(2);
        for (size_t i = 0; i < items.size(); i++) {
            items[i].entry.name = i == 0 ? "doc\\a.txt" : "doc\\b.txt";
            items[i].data.assign(300 + i, 'y');
        }
        arc::Bytes image;
        arc::Container_Write(arc::ContainerKind::Yz1, items, true, &image);
        WriteFile(path, std::string(image.begin(), image.end()));
        return path;
    }
    ChildProcess Start(const std::string& args, const std::string& stub = "") {
        Environment env = {{"windir", dir / "win"},
                           {"QUARVEL_RECORDER_LOG", dir / "explorer.log"},
                           {"ARCHIVER_STUB", stub + (stub.empty() ? "" : ",") + "log:" + calls}};
        return StartProgram(dir / "prog\\dovetrim.exe", args, env, dir.Path());
    }
    int Run(const std::string& args, const std::string& stub = "") {
        return Start(args, stub).Wait();
    }
    // A run that must end with its error shown: the text shown, "" when none came.
    std::string RunFailing(const std::string& args, const std::string& stub = "") {
        ChildProcess child = Start(args, stub);
        gui::MessageBoxInfo box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
        if (box.hwnd == nullptr) return "";
        gui::Answer(box, IDOK);
        EXPECT_EQ(child.Wait(), 14);
        return box.text;
    }
    static std::string Verb(const char* verb, const std::string& archive) {
        return std::string(verb) + " \"" + archive + "\"";
    }
    int Extractions(const Format& f) const {
        std::string log = ReadFile(calls);
        int n = 0;
        for (size_t at = 0; (at = log.find(f.extraction, at)) != std::string::npos; at++) n++;
        return n;
    }
    static Tree Snapshot(const std::string& folder, const std::string& prefix = "") {
        Tree tree;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return tree;
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                tree[prefix + name] = "/";
                Tree inner = Snapshot(folder + "\\" + name, prefix + name + "/");
                tree.insert(inner.begin(), inner.end());
            } else {
                tree[prefix + name] = ReadFile(folder + "\\" + name);
            }
        } while (FindNextFileA(h, &found));
        FindClose(h);
        return tree;
    }
    // The user's edits: one file changed, one added, a folder with a CP932 name added, one
    // file deleted.
    void Edit(const std::string& folder, const Format& f) {
        WriteFile(folder + "\\" + f.changed, "changed by the user\r\n");
        WriteFile(folder + "\\new.txt", "new\r\n");
        CreateDirectoryA((folder + "\\ソフト").c_str(), nullptr);
        WriteFile(folder + "\\ソフト\\表示.txt", "表示\r\n");
        DeleteFileA((folder + "\\" + f.deleted).c_str());
    }
    // The files of the archive (no folder entries), as the Linux tool lists them; YZ1 is
    // read with our stand-in's own reader.
    std::vector<std::string> Listed(const std::string& archive, const Format& f) {
        std::vector<std::string> names;
        if (f.fixture == nullptr) {
            std::string bytes = ReadFile(archive);
            arc::ContainerReader reader;
            reader.Open(arc::Bytes(bytes.begin(), bytes.end()), arc::ContainerKind::Yz1);
            for (const arc::Entry& e : reader.Entries())
                if (!e.is_dir) names.push_back(e.name);
        } else {
            bool tar = std::string(f.ext) == "tar.gz";
            std::string text = LinuxOutput((tar ? "/usr/bin/tar --quoting-style=literal -tzf '"
                                                : "/usr/bin/7zz l -slt -ba '") +
                                           UnixPath(archive) + "'");
            std::string path;
            bool folder = false;
            for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos;
                 at = end + 1) {
                std::string line = text.substr(at, end - at);
                if (tar && line.back() != '/') names.push_back(line);
                if (tar) continue;
                if (line.rfind("Path = ", 0) == 0) {
                    if (!path.empty() && !folder) names.push_back(path);
                    path = line.substr(7);
                    folder = false;
                }
                folder = folder || line == "Folder = +" || line.rfind("Attributes = D", 0) == 0;
            }
            if (!path.empty() && !folder) names.push_back(path);
        }
        for (std::string& name : names) {
            // 7zz shows every 0x5C as "/", the trail byte of ソ and 表 included.
            name = AsCp932(name);
            std::replace(name.begin(), name.end(), '\\', '/');
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // Wine starts a Linux program but gives no handle to wait on: the output is renamed into
    // place once complete, and the folder's change notification says when.
    std::string LinuxOutput(const std::string& command) {
        std::string done = dir / "tool.txt", part = UnixPath(dir.Path()) + "/tool.part";
        HANDLE watch =
            FindFirstChangeNotificationA(dir.Path().c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
        std::string line = "/bin/sh -c \"" + command + " >'" + part + "' 2>&1; mv '" + part +
                           "' '" + UnixPath(done) + "'\"";
        STARTUPINFOA start = {};
        start.cb = sizeof start;
        PROCESS_INFORMATION process = {};
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                       &process);
        while (!FileExists(done) && WaitForSingleObject(watch, 30000) == WAIT_OBJECT_0)
            FindNextChangeNotification(watch);
        FindCloseChangeNotification(watch);
        std::string text = ReadFile(done);
        DeleteFileA(done.c_str());
        return text;
    }
    // The files of the working folder, under its name as the archive stores it.
    static std::vector<std::string> Files(const Tree& tree, const std::string& top) {
        std::vector<std::string> names;
        for (const auto& [path, content] : tree)
            if (content != "/") names.push_back(top + path);
        for (std::string& name : names) std::replace(name.begin(), name.end(), '\\', '/');
        std::sort(names.begin(), names.end());
        return names;
    }

    // An archive melted and edited; what it and its working folder hold now.
    void Prepare(const Format& f, const std::string& as = "dl\\report.") {
        archive = Download(f, as);
        folder = cache + "\\" + f.top;
        ASSERT_EQ(Run(Verb("-o", archive)), 0);
        Edit(folder, f);
        before = ReadFile(archive);
        work = Snapshot(folder);
    }
    void ExpectAsBefore(const std::string& copy) {
        EXPECT_EQ(ReadFile(archive), before);
        EXPECT_FALSE(FileExists(copy));
        EXPECT_EQ(Snapshot(folder), work);
    }
    std::string Db() const { return ReadFile(cache + "\\cache-db.ini"); }

    TempDir dir;
    ScopedValue desktop_;
    std::string archive, folder, before;
    Tree work;
    std::string cache = dir / "desk\\Archives Cache";
    std::string calls = dir / "calls.log";
};

}  // namespace

class UpdateEachFormat : public UpdateProgram, public testing::WithParamInterface<Format> {};

TEST_P(UpdateEachFormat, EditsGoBackIntoTheArchive) {
    const Format& f = GetParam();
    std::string archive = Download(f), folder = cache + "\\" + f.top;
    std::string original = ReadFile(archive);
    ASSERT_EQ(Run(Verb("-o", archive)), 0);
    Edit(folder, f);
    Tree edited = Snapshot(folder);
    ASSERT_EQ(Run(Verb("-u", archive)), 0);

    EXPECT_EQ(Listed(archive, f), Files(edited, std::string(f.top) + "/"));
    EXPECT_EQ(ReadFile(cache + "\\report." + f.ext), original);
    EXPECT_FALSE(FileExists(dir / "dl\\report~." + f.ext));
    DeleteFileA(calls.c_str());
    EXPECT_EQ(Run(Verb("-o", archive)), 0);
    EXPECT_EQ(Extractions(f), 0) << "the next melt reuses the working folder";
    // Extracted afresh, the archive gives back exactly the edited folder.
    ASSERT_TRUE(MoveFileA(folder.c_str(), (dir / "edited").c_str()));
    EXPECT_EQ(Run(Verb("-o", archive)), 0);
    EXPECT_EQ(Snapshot(folder), edited);
}

INSTANTIATE_TEST_SUITE_P(Formats, UpdateEachFormat, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<Format>& info) {
                             std::string name = info.param.ext;
                             return name == "tar.gz" ? std::string("tar_gz") : name;
                         });

// Every step of an update that can fail, failed once in turn: the archive stays byte for
// byte, no "~" copy is left, the working folder is untouched, and the next update succeeds.
// Here the steps inside the DLL; the others (the copy "~", the move of the new archive, the
// cache database, an empty result) below.
TEST_P(UpdateEachFormat, EachInjectedFaultLeavesTheArchiveAsItWas) {
    const Format& f = GetParam();
    Prepare(f);
    std::string copy = dir / "dl\\report~." + f.ext;
    std::string only = std::string("dll:") + f.dll + ",";

    EXPECT_NE(RunFailing(Verb("-u", archive), only + "fail:0x8017"), "");
    ExpectAsBefore(copy);
    // A cancel ends the update quietly; zip32.dll knows only "interrupted", its error 9. The
    // second entry is late enough for LHA's last command, the one that adds the new files.
    if (std::string(f.ext) == "zip") {
        EXPECT_EQ(RunFailing(Verb("-u", archive), only + "cancel-after:2"),
                  "InfoZip error (9) Interrupted");
    } else {
        EXPECT_EQ(Run(Verb("-u", archive), only + "cancel-after:2"), 0);
    }
    ExpectAsBefore(copy);
    HANDLE held = CreateFileA((folder + "\\" + f.changed).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(RunFailing(Verb("-u", archive)), "");
    CloseHandle(held);
    ExpectAsBefore(copy);

    EXPECT_EQ(Run(Verb("-u", archive)), 0);
    EXPECT_EQ(Listed(archive, f), Files(work, std::string(f.top) + "/"));
}

TEST_F(UpdateProgram, TakenCopyNameAndHeldArchiveLeaveEverythingAsItWas) {
    Prepare(kFormats[0]);
    std::string copy = dir / "dl\\report~.lzh";
    WriteFile(copy, "the user's own file");
    EXPECT_EQ(RunFailing(Verb("-u", archive)),
              copy + " が既にあるので、更新の間に元の圧縮ファイルを残しておけません。");
    EXPECT_EQ(ReadFile(copy), "the user's own file");
    DeleteFileA(copy.c_str());
    ExpectAsBefore(copy);
    // Another program reads the archive and lets nobody replace it: the new archive cannot
    // take its place.
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(RunFailing(Verb("-u", archive)), "");
    CloseHandle(held);
    ExpectAsBefore(copy);
    EXPECT_EQ(Run(Verb("-u", archive)), 0);
    EXPECT_NE(ReadFile(archive), before);
}

TEST_F(UpdateProgram, FailedWriteOfTheCacheDatabasePutsTheNewArchiveBack) {
    Prepare(kFormats[1]);
    std::string copy = dir / "dl\\report~.zip", db = cache + "\\cache-db.ini";
    std::string db_before = Db();
    // zip32.dll's semaphore stops the update once its copy "~" exists; meanwhile the database
    // is opened for reading only, so the update can read it but not write it.
    HANDLE zip = CreateSemaphoreA(nullptr, 1, 1, "ZIP");
    ASSERT_EQ(WaitForSingleObject(zip, 20000), WAIT_OBJECT_0);
    HANDLE watch =
        FindFirstChangeNotificationA((dir / "dl").c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ChildProcess child = Start(Verb("-u", archive));
    while (!FileExists(copy) && WaitForSingleObject(watch, 20000) == WAIT_OBJECT_0)
        FindNextChangeNotification(watch);
    FindCloseChangeNotification(watch);
    HANDLE reader =
        CreateFileA(db.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ReleaseSemaphore(zip, 1, nullptr);
    gui::MessageBoxInfo box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_NE(box.text.find("cache-db.ini"), std::string::npos) << box.text;
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
    CloseHandle(reader);
    CloseHandle(zip);
    ExpectAsBefore(copy);
    EXPECT_EQ(Db(), db_before);
    EXPECT_EQ(Run(Verb("-u", archive)), 0);
    EXPECT_NE(ReadFile(archive), before);
}

TEST_F(UpdateProgram, EmptyResultOrEmptyFolderNeverReplacesTheArchive) {
    Prepare(kFormats[3]);
    std::string copy = dir / "dl\\report~.yz1";
    EXPECT_EQ(RunFailing(Verb("-u", archive), "dll:YZ1.DLL,empty:1"),
              "圧縮の結果、" + archive + " が空になったので、元の圧縮ファイルに戻しました。");
    ExpectAsBefore(copy);

    for (const auto& [path, content] : work)
        if (content != "/") DeleteFileA((folder + "\\" + path).c_str());
    RemoveDirectoryA((folder + "\\ソフト").c_str());
    ChildProcess child = Start(Verb("-u", archive));
    gui::MessageBoxInfo box = gui::WaitForMessageBox("Quarvel", child.Pid());
    EXPECT_EQ(box.text, "ファイルの入ってないフォルダは圧縮できません。");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(ReadFile(archive), before);
}

// The archive keeps its layout: entries below the working folder's name when it had them as
// its one top folder, else the folder's content at the top (ZIP included, which would
// otherwise gain a top folder). The top folder stays even when the user replaced every
// file, so no file of the old archive is left to tell.
TEST_F(UpdateProgram, EveryArchiveKeepsItsLayout) {
    const Format top = kFormats[0];
    Format flat_lzh = kFormats[0], flat_zip = kFormats[1];
    flat_lzh.fixture = "flat.lzh";
    flat_zip.fixture = "flat.zip";
    std::string with_top = Download(top, "dl\\top."), lzh = Download(flat_lzh, "dl\\flat."),
                zip = Download(flat_zip, "dl\\flatz.");
    for (const std::string& a : {with_top, lzh, zip}) ASSERT_EQ(Run(Verb("-o", a)), 0);
    DeleteFileA((cache + "\\doc\\a.txt").c_str());
    DeleteFileA((cache + "\\doc\\b.txt").c_str());
    WriteFile(cache + "\\doc\\c.txt", "c");
    WriteFile(cache + "\\flat\\c.txt", "c");
    WriteFile(cache + "\\flatz\\c.txt", "c");
    for (const std::string& a : {with_top, lzh, zip}) ASSERT_EQ(Run(Verb("-u", a)), 0);
    EXPECT_EQ(Listed(with_top, top), std::vector<std::string>{"doc/c.txt"});
    std::vector<std::string> flat = {"a.txt", "b.txt", "c.txt"};
    EXPECT_EQ(Listed(lzh, flat_lzh), flat);
    EXPECT_EQ(Listed(zip, flat_zip), flat);
}

// Never melted, the archive is extracted first and rewritten from that content (zip32.dll
// writes it otherwise than Info-ZIP did); a second update without edits then changes
// nothing at all, its time included, and the slot keeps the original archive.
TEST_F(UpdateProgram, NeverMeltedArchiveThenASecondUpdateWithoutEdits) {
    archive = Download(kFormats[1]);
    std::string original = ReadFile(archive), slot = cache + "\\report.zip";
    ASSERT_EQ(Run(Verb("-u", archive)), 0);
    EXPECT_EQ(Extractions(kFormats[1]), 1);
    EXPECT_EQ(ReadFile(slot), original);
    std::string first = ReadFile(archive);
    EXPECT_NE(first, original);
    WIN32_FILE_ATTRIBUTE_DATA was, now;
    GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &was);
    ASSERT_EQ(Run(Verb("-u", archive)), 0);
    GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &now);
    EXPECT_EQ(ReadFile(archive), first);
    EXPECT_EQ(CompareFileTime(&was.ftLastWriteTime, &now.ftLastWriteTime), 0);
    EXPECT_EQ(ReadFile(slot), original);
    EXPECT_FALSE(FileExists(dir / "dl\\report~.zip"));
}

// Names the update cannot write back in their own format are refused before anything
// happens: RAR, a ".tgz" (it would become ".tar.gz"), a lone gzip member (it would become a
// tar), and a name without "." (no type, and no place for "~").
TEST_F(UpdateProgram, ArchivesThatCannotBeWrittenBackAreLeftAlone) {
    for (const auto& [fixture, as] :
         std::vector<std::pair<std::string, std::string>>{{"flat-store.rar", "report.rar"},
                                                          {"flat.tgz", "report.tgz"},
                                                          {"a.txt.gz", "a.txt.gz"},
                                                          {"doc-top.tar.gz", "report"}}) {
        std::string path = dir / "dl\\" + as;
        CopyFileA((DataDir() + "\\" + fixture).c_str(), path.c_str(), FALSE);
        EXPECT_EQ(RunFailing(Verb("-u", path)),
                  path + " は、この形式のままでは書きこめないので、更新できません。");
        EXPECT_EQ(ReadFile(path), ReadFile(DataDir() + "\\" + fixture));
    }
    EXPECT_FALSE(FileExists(cache));
}

// The cache database keeps paths of up to 255 characters, so a working folder deeper than
// that is not found again once the melt has written it. Without its entry the rewritten
// archive would lose its working folder: the update refuses before anything changes.
TEST_F(UpdateProgram, WorkingFolderMissingFromTheCacheDatabaseIsRefused) {
    static Zent_Settings settings;
    std::string ini = dir / "prog\\dovetrim.ini";
    Zent_LoadSettings(&settings, ini.c_str());
    std::string deep = dir / std::string(254 - dir.Path().size() - 1, 'c');
    snprintf(settings.CachePath, sizeof settings.CachePath, "%s", deep.c_str());
    Zent_SaveSettings(&settings, ini.c_str());
    Format flat = kFormats[0];
    flat.fixture = "flat.lzh";
    archive = Download(flat, "dl\\r.");
    EXPECT_EQ(
        RunFailing(Verb("-u", archive)),
        archive + " の作業フォルダ " + deep + "\\r がキャッシュの記録にないので、更新できません。");
    EXPECT_EQ(ReadFile(archive), ReadFile(DataDir() + "\\flat.lzh"));
    EXPECT_FALSE(FileExists(dir / "dl\\r~.lzh"));
}

// ---- Back to normal ----------------------------------------------------------------------

TEST_F(UpdateProgram, BackToNormalPutsTheFolderBesideTheArchive) {
    Prepare(kFormats[0]);
    ASSERT_EQ(Run(Verb("-r", archive)), 0);
    EXPECT_EQ(Snapshot(dir / "dl\\doc"), work);
    EXPECT_FALSE(FileExists(archive));
    EXPECT_FALSE(FileExists(folder));
    std::string slot = cache + "\\report.lzh";
    EXPECT_EQ(ReadFile(slot), before);
    EXPECT_EQ(Db().find(archive), std::string::npos) << Db();
    // The archive in the slot is a new one to the cache, and melts as any other.
    ASSERT_EQ(Run(Verb("-o", slot)), 0);
    EXPECT_TRUE(FileExists(folder + "\\b.txt"));
}

// A slot that holds the same archive already keeps it: the archive itself goes.
TEST_F(UpdateProgram, BackToNormalOfANeverMeltedArchiveWhoseCopyIsInTheSlot) {
    archive = Download(kFormats[0]);
    std::string slot = cache + "\\report.lzh";
    CreateDirectoryA(cache.c_str(), nullptr);
    CopyFileA(archive.c_str(), slot.c_str(), FALSE);
    ASSERT_EQ(Run(Verb("-r", archive)), 0);
    EXPECT_TRUE(FileExists(dir / "dl\\doc\\a.txt"));
    EXPECT_FALSE(FileExists(archive));
    EXPECT_EQ(ReadFile(slot), ReadFile(DataDir() + "\\doc-top.lzh"));
}

TEST_F(UpdateProgram, BackToNormalBesideAFolderOfThatNameChangesNothing) {
    Prepare(kFormats[0]);
    std::string target = dir / "dl\\doc", db = Db();
    CreateDirectoryA(target.c_str(), nullptr);
    ChildProcess child = Start(Verb("-r", archive));
    gui::MessageBoxInfo box = gui::WaitForMessageBox("Quarvel", child.Pid());
    EXPECT_EQ(box.text, target + " は既に存在するので、フォルダを作成することができません。");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 0);
    ExpectAsBefore(dir / "dl\\report~.lzh");
    EXPECT_EQ(Db(), db);
    EXPECT_TRUE(Snapshot(target).empty());
}

// The second archive of a name lives in cache\af1\report; its folder and its slot are there.
TEST_F(UpdateProgram, BackToNormalOfTheSecondArchiveOfAName) {
    Format flat = kFormats[0], other = kFormats[0];
    flat.fixture = "flat.lzh";
    other.fixture = "readme-only.lzh";
    std::string first = Download(flat), second = Download(other, "dl2\\report.");
    std::string original = ReadFile(second);
    ASSERT_EQ(Run(Verb("-o", first)), 0);
    ASSERT_EQ(Run(Verb("-o", second)), 0);
    ASSERT_TRUE(FileExists(cache + "\\af1\\report\\readme.txt"));
    ASSERT_EQ(Run(Verb("-r", second)), 0);
    EXPECT_TRUE(FileExists(dir / "dl2\\report\\readme.txt"));
    EXPECT_EQ(ReadFile(cache + "\\af1\\report.lzh"), original);
    EXPECT_FALSE(FileExists(cache + "\\af1\\report"));
    EXPECT_TRUE(FileExists(cache + "\\report\\a.txt"));
}

TEST_F(UpdateProgram, CancelWhileExtractingForBackToNormalLeavesTheArchive) {
    archive = Download(kFormats[0]);
    std::string original = ReadFile(archive);
    EXPECT_EQ(Run(Verb("-r", archive), "cancel-after:1"), 0);
    EXPECT_EQ(ReadFile(archive), original);
    EXPECT_FALSE(FileExists(dir / "dl\\doc"));
    EXPECT_FALSE(FileExists(cache + "\\doc"));
    EXPECT_FALSE(FileExists(cache + "\\doc-remnants"));
}
