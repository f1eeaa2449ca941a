// dovetrim.exe -u and -r as Explorer starts them, on archives made by real tools (YZ1 by our
// stand-in): edits written back and listed by the Linux tools, faults injected at every step
// of an update, and archives turned into folders.
#include <gtest/gtest.h>

#include <algorithm>
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
    {"doc-top.tar.gz", "tgz", "doc", "a.txt", "b.txt", "TAR32.DLL", "\tTar\t-zxvf "},
    {"doc-top.tar", "tar", "doc", "a.txt", "b.txt", "TAR32.DLL", "\tTar\t-zxvf "},
    {"doc-top.tar.bz2", "tar.bz2", "doc", "a.txt", "b.txt", "TAR32.DLL", "\tTar\t-zxvf "},
    {"doc-top.7z", "7z", "doc", "a.txt", "b.txt", "7-ZIP32.DLL", "\tSevenZip\tx "},
};

bool IsTarFamily(const Format& f) {
    return f.ext[0] == 't';
}

// The compression an archive of the TAR family is written in, by its first bytes.
std::string CompressionOf(const std::string& bytes) {
    if (bytes.compare(0, 2, "\x1f\x8b") == 0) return "gzip";
    if (bytes.compare(0, 3, "BZh") == 0) return "bzip2";
    if (bytes.size() > 262 && bytes.compare(257, 5, "ustar") == 0) return "none";
    return "unknown";
}

// The working folder as TreeOf shows it: "name=content", folders as "name\".
typedef std::vector<std::string> Tree;

// The file paths, "/" for every 0x5C (7zz shows the trail byte of ソ or 表 so), sorted.
std::vector<std::string> Sorted(std::vector<std::string> names) {
    for (std::string& name : names) std::replace(name.begin(), name.end(), '\\', '/');
    std::sort(names.begin(), names.end());
    return names;
}

// The files of a tree, under the name the archive stores them.
std::vector<std::string> Files(const Tree& tree, const std::string& top) {
    std::vector<std::string> names;
    for (const std::string& entry : tree)
        if (entry.back() != '\\') names.push_back(top + entry.substr(0, entry.find('=')));
    return Sorted(names);
}

// What a Linux tool prints, through a file in `folder`.
std::string LinuxOutput(const std::string& command, const std::string& folder) {
    std::string out = folder + "\\tool.txt";
    RunLinuxShell(command + " >'" + UnixPath(out) + "' 2>&1");
    std::string text = ReadFile(out);
    DeleteFileA(out.c_str());
    return text;
}

// A name as a Linux tool prints it: UTF-8 when it could decode it, else the CP932 bytes.
std::string AsCp932(const std::string& text) {
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide, MAX_PATH))
        return text;
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
    // YZ1 archives are made here, by default with doc\a.txt and doc\b.txt.
    std::string Download(const Format& f, const std::string& as = "dl\\report.",
                         const std::vector<std::string>& names = {"doc\\a.txt", "doc\\b.txt"}) {
        std::string path = dir / as + f.ext;
        if (f.fixture != nullptr) {
            CopyFileA((DataDir() + "\\" + f.fixture).c_str(), path.c_str(), FALSE);
            return path;
        }
        std::vector<arc::Item> items(names.size());
        for (size_t i = 0; i < names.size(); i++) {
            items[i].entry.name = names[i];
            items[i].data.assign(300, 'y');
        }
        arc::Bytes image;
        arc::Container_Write(arc::ContainerKind::Yz1, items, true, &image);
        WriteFile(path, std::string(image.begin(), image.end()));
        return path;
    }
    ChildProcess Start(const char* verb, const std::string& path, const std::string& stub = "") {
        Environment env = {{"windir", dir / "win"},
                           {"QUARVEL_RECORDER_LOG", dir / "explorer.log"},
                           {"ARCHIVER_STUB", stub + (stub.empty() ? "" : ",") + "log:" + calls}};
        return StartProgram(dir / "prog\\dovetrim.exe", std::string(verb) + " \"" + path + "\"",
                            env, dir.Path());
    }
    int Run(const char* verb, const std::string& path, const std::string& stub = "") {
        return Start(verb, path, stub).Wait();
    }
    // The text of the message box the run shows (answered with OK), and its exit code.
    std::string Shown(ChildProcess child, const char* caption = "エラーメッセージ",
                      int exit_code = 14) {
        gui::MessageBoxInfo box = gui::WaitForMessageBox(caption, child.Pid());
        if (box.hwnd != nullptr) gui::Answer(box, IDOK);
        EXPECT_EQ(child.Wait(), exit_code);
        return box.text;
    }
    int Extractions(const Format& f) const {
        std::string log = ReadFile(calls);
        int n = 0;
        for (size_t at = 0; (at = log.find(f.extraction, at)) != std::string::npos; at++) n++;
        return n;
    }
    // The files of the archive (no folder entries) as the Linux tool lists them; YZ1 by our
    // stand-in's own reader.
    std::vector<std::string> Listed(const std::string& path, const Format& f) {
        std::vector<std::string> names;
        if (f.fixture == nullptr) {
            std::string bytes = ReadFile(path);
            arc::ContainerReader reader;
            reader.Open(arc::Bytes(bytes.begin(), bytes.end()), arc::ContainerKind::Yz1);
            for (const arc::Entry& e : reader.Entries())
                if (!e.is_dir) names.push_back(e.name);
            return Sorted(names);
        }
        bool tar = IsTarFamily(f);
        std::string text = LinuxOutput(
            (tar ? "/usr/bin/tar --quoting-style=literal -tf '" : "/usr/bin/7zz l -ba '") +
                UnixPath(path) + "'",
            dir.Path());
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            std::string line = text.substr(at, end - at);
            if (tar && line.back() != '/') names.push_back(AsCp932(line));
            if (!tar && line.size() > 53 && line[20] != 'D')
                names.push_back(AsCp932(line.substr(53)));
        }
        return Sorted(names);
    }
    // An archive melted and edited as a user would: one file changed, one added, a folder
    // with a CP932 name added, one file deleted.
    void Prepare(const Format& f) {
        archive = Download(f);
        folder = cache + "\\" + f.top;
        ASSERT_EQ(Run("-o", archive), 0);
        WriteFile(folder + "\\" + f.changed, "changed by the user\r\n");
        WriteFile(folder + "\\new.txt", "new\r\n");
        CreateDirectoryA((folder + "\\ソフト").c_str(), nullptr);
        WriteFile(folder + "\\ソフト\\表示.txt", "表示\r\n");
        DeleteFileA((folder + "\\" + f.deleted).c_str());
        before = ReadFile(archive);
        attributes = GetFileAttributesA(archive.c_str());
        work = TreeOf(folder);
    }
    void ExpectAsBefore(const std::string& fault) {
        EXPECT_EQ(ReadFile(archive), before) << fault;
        EXPECT_EQ(GetFileAttributesA(archive.c_str()), attributes) << fault;
        EXPECT_FALSE(FileExists(copy)) << fault;
        EXPECT_EQ(TreeOf(folder), work) << fault;
    }
    std::string Db() const { return ReadFile(cache + "\\cache-db.ini"); }
    // The copy made during an update: "~" before the last "." (report.tar~.gz).
    static std::string CopyOf(std::string path) { return path.insert(path.rfind('.'), "~"); }

    TempDir dir;
    ScopedValue desktop_;
    std::string cache = dir / "desk\\Archives Cache", calls = dir / "calls.log";
    std::string archive, folder, before, copy;
    DWORD attributes = 0;
    Tree work;
};

class UpdateEachFormat : public UpdateProgram, public testing::WithParamInterface<Format> {};

}  // namespace

TEST_P(UpdateEachFormat, EditsGoBackIntoTheArchive) {
    const Format& f = GetParam();
    Prepare(f);
    ASSERT_EQ(Run("-u", archive), 0);
    EXPECT_EQ(Listed(archive, f), Files(work, std::string(f.top) + "/"));
    EXPECT_EQ(CompressionOf(ReadFile(archive)), CompressionOf(before));
    EXPECT_EQ(ReadFile(cache + "\\" + f.top + "." + f.ext), before)
        << "the slot keeps the old archive";
    EXPECT_FALSE(FileExists(CopyOf(archive)));
    DeleteFileA(calls.c_str());
    EXPECT_EQ(Run("-o", archive), 0);
    EXPECT_EQ(Extractions(f), 0) << "the next melt reuses the working folder";
    // Extracted afresh, the archive gives back exactly the edited folder.
    ASSERT_TRUE(MoveFileA(folder.c_str(), (dir / "edited").c_str()));
    EXPECT_EQ(Run("-o", archive), 0);
    EXPECT_EQ(TreeOf(folder), work);
}

// Every step of an update that can fail, failed once in turn: the archive stays byte for
// byte, no "~" copy is left, the working folder is untouched, and the next update succeeds.
// The failed write of the cache database and an empty result follow below.
TEST_P(UpdateEachFormat, EachInjectedFaultLeavesTheArchiveAsItWas) {
    const Format& f = GetParam();
    Prepare(f);
    copy = CopyOf(archive);
    std::string only = std::string("dll:") + f.dll + ",";
    EXPECT_NE(Shown(Start("-u", archive, only + "fail:0x8017")), "");
    ExpectAsBefore("the DLL fails");
    // The second entry is late enough for LHA's last command, the one that adds new files.
    // A cancel ends the update quietly; zip32.dll knows only "interrupted", its error 9.
    if (std::string(f.ext) == "zip") {
        EXPECT_EQ(Shown(Start("-u", archive, only + "cancel-after:2")),
                  "InfoZip error (9) Interrupted");
    } else {
        EXPECT_EQ(Run("-u", archive, only + "cancel-after:2"), 0);
    }
    ExpectAsBefore("the user cancels in the DLL");
    // A hidden archive stays hidden whatever becomes of the update.
    ASSERT_TRUE(SetFileAttributesA(archive.c_str(), attributes |= FILE_ATTRIBUTE_HIDDEN));
    for (const std::string& held : {folder + "\\" + f.changed, archive}) {
        // Another program reads the file and shares it with nobody else, or lets nobody
        // replace it: the DLL cannot read it, or the new archive cannot take its place.
        DWORD share = held == archive ? FILE_SHARE_READ : 0;
        HANDLE h =
            CreateFileA(held.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(Shown(Start("-u", archive)), "");
        CloseHandle(h);
        ExpectAsBefore("held: " + held);
    }
    WriteFile(copy, "the user's own file");
    EXPECT_EQ(Shown(Start("-u", archive)),
              copy + " が既にあるので、更新の間に元の圧縮ファイルを残しておけません。");
    EXPECT_EQ(ReadFile(copy), "the user's own file");
    DeleteFileA(copy.c_str());
    ExpectAsBefore("the name of the copy is taken");

    EXPECT_EQ(Run("-u", archive), 0);
    EXPECT_EQ(Listed(archive, f), Files(work, std::string(f.top) + "/"));
}

INSTANTIATE_TEST_SUITE_P(Formats, UpdateEachFormat, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<Format>& info) {
                             std::string name = info.param.ext;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST_F(UpdateProgram, FailedWriteOfTheCacheDatabasePutsTheNewArchiveBack) {
    Prepare(kFormats[1]);
    copy = CopyOf(archive);
    std::string db = Db();
    // zip32.dll's semaphore stops the update once its copy "~" exists; then the database is
    // held open for reading only, so the update can read it but not write it.
    HANDLE zip = CreateSemaphoreA(nullptr, 1, 1, "ZIP");
    ASSERT_EQ(WaitForSingleObject(zip, 20000), WAIT_OBJECT_0);
    HANDLE watch =
        FindFirstChangeNotificationA((dir / "dl").c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ChildProcess child = Start("-u", archive);
    while (!FileExists(copy) && WaitForSingleObject(watch, 20000) == WAIT_OBJECT_0)
        FindNextChangeNotification(watch);
    FindCloseChangeNotification(watch);
    HANDLE reader = CreateFileA((cache + "\\cache-db.ini").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ReleaseSemaphore(zip, 1, nullptr);
    EXPECT_NE(Shown(std::move(child)).find("cache-db.ini"), std::string::npos);
    CloseHandle(reader);
    CloseHandle(zip);
    ExpectAsBefore("the cache database cannot be written");
    EXPECT_EQ(Db(), db);
    EXPECT_EQ(Run("-u", archive), 0);
    EXPECT_NE(ReadFile(archive), before);
}

TEST_F(UpdateProgram, EmptyResultOrEmptyFolderNeverReplacesTheArchive) {
    Prepare(kFormats[3]);
    copy = CopyOf(archive);
    EXPECT_EQ(Shown(Start("-u", archive, "dll:YZ1.DLL,empty:1")),
              "圧縮の結果、" + archive + " が空になったので、元の圧縮ファイルに戻しました。");
    ExpectAsBefore("the DLL leaves the archive empty");
    for (const std::string& entry : work)
        DeleteFileA((folder + "\\" + entry.substr(0, entry.find('='))).c_str());
    RemoveDirectoryA((folder + "\\ソフト").c_str());
    EXPECT_EQ(Shown(Start("-u", archive), "Quarvel", 0),
              "ファイルの入ってないフォルダは圧縮できません。");
    EXPECT_EQ(ReadFile(archive), before);
}

// Two updates at once wait for one DLL, each having read the cache database before the
// other wrote it back: neither brings back the other's previous archive, so the next edit of
// each goes into its archive through the same working folder.
TEST_F(UpdateProgram, TwoUpdatesAtOnceKeepEachOthersArchives) {
    Format flat = kFormats[1];
    flat.fixture = "flat.zip";
    std::string first = Download(kFormats[1]), second = Download(flat, "dl2\\other.");
    for (const std::string& a : {first, second}) ASSERT_EQ(Run("-o", a), 0);
    std::vector<std::string> folders = {cache + "\\doc", cache + "\\other"};
    for (const std::string& f : folders) WriteFile(f + "\\c.txt", "c");
    // zip32.dll's semaphore holds both once their copies "~" exist.
    HANDLE zip = CreateSemaphoreA(nullptr, 1, 1, "ZIP");
    ASSERT_EQ(WaitForSingleObject(zip, 20000), WAIT_OBJECT_0);
    HANDLE watch =
        FindFirstChangeNotificationA(dir.Path().c_str(), TRUE, FILE_NOTIFY_CHANGE_FILE_NAME);
    ChildProcess one = Start("-u", first), two = Start("-u", second);
    while (!(FileExists(CopyOf(first)) && FileExists(CopyOf(second))) &&
           WaitForSingleObject(watch, 20000) == WAIT_OBJECT_0)
        FindNextChangeNotification(watch);
    FindCloseChangeNotification(watch);
    ReleaseSemaphore(zip, 1, nullptr);
    EXPECT_EQ(one.Wait(), 0);
    EXPECT_EQ(two.Wait(), 0);
    CloseHandle(zip);
    for (const std::string& f : folders) WriteFile(f + "\\d.txt", "d");
    for (const std::string& a : {first, second}) ASSERT_EQ(Run("-u", a), 0);
    EXPECT_EQ(Listed(first, kFormats[1]),
              (std::vector<std::string>{"doc/a.txt", "doc/b.txt", "doc/c.txt", "doc/d.txt"}));
    EXPECT_EQ(Listed(second, flat), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_FALSE(FileExists(cache + "\\af1"));
}

// The working folder of an archive that is gone cannot be deleted while a file in it is open:
// the update is complete all the same, and the database knows the new archive.
TEST_F(UpdateProgram, StaleFolderHeldOpenDoesNotFailTheUpdate) {
    Prepare(kFormats[1]);
    Format flat = kFormats[1];
    flat.fixture = "flat.zip";
    std::string gone = Download(flat, "dl2\\gone.");
    ASSERT_EQ(Run("-o", gone), 0);
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    HANDLE held = CreateFileA((cache + "\\gone\\a.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(Run("-u", archive), 0);
    CloseHandle(held);
    EXPECT_EQ(Listed(archive, kFormats[1]), Files(work, "doc/"));
    DeleteFileA(calls.c_str());
    ASSERT_EQ(Run("-o", archive), 0);
    EXPECT_EQ(Extractions(kFormats[1]), 0) << "the database knows the new archive";
    EXPECT_FALSE(FileExists(cache + "\\gone"));
}

// Archives of one name whose working folders share a parent: each previous version has a
// slot of its own. The archive named like its working folder keeps the slot of its name.
TEST_F(UpdateProgram, ArchivesOfOneNameKeepTheirOwnPreviousVersions) {
    Format flat = kFormats[0];
    flat.fixture = "flat.lzh";
    std::string top = Download(kFormats[0]), other = Download(flat, "dl2\\report.");
    std::string top_before = ReadFile(top), other_before = ReadFile(other);
    for (const std::string& a : {top, other}) ASSERT_EQ(Run("-o", a), 0);
    for (const char* name : {"doc", "report"}) WriteFile(cache + "\\" + name + "\\c.txt", "c");
    for (const std::string& a : {top, other}) ASSERT_EQ(Run("-u", a), 0);
    EXPECT_TRUE(ReadFile(cache + "\\report.lzh") == other_before);
    EXPECT_TRUE(ReadFile(cache + "\\doc.lzh") == top_before);
}

// The archive keeps its layout: below the working folder's name when that was its one top
// folder, else the folder's content at the top (ZIP too, which would otherwise gain a top
// folder). The top folder stays when the user replaced every file, so that no file of the
// old archive is left to tell.
TEST_F(UpdateProgram, EveryArchiveKeepsItsLayout) {
    Format top = kFormats[0], flat_lzh = kFormats[0], flat_zip = kFormats[1];
    flat_lzh.fixture = "flat.lzh";
    flat_zip.fixture = "flat.zip";
    std::string with_top = Download(top, "dl\\top."), lzh = Download(flat_lzh, "dl\\flat."),
                zip = Download(flat_zip, "dl\\flatz.");
    for (const std::string& a : {with_top, lzh, zip}) ASSERT_EQ(Run("-o", a), 0);
    DeleteFileA((cache + "\\doc\\a.txt").c_str());
    DeleteFileA((cache + "\\doc\\b.txt").c_str());
    for (const char* name : {"doc", "flat", "flatz"})
        WriteFile(cache + "\\" + name + "\\c.txt", "c");
    for (const std::string& a : {with_top, lzh, zip}) ASSERT_EQ(Run("-u", a), 0);
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
    std::string original = ReadFile(archive), slot = cache + "\\doc.zip";
    ASSERT_EQ(Run("-u", archive), 0);
    EXPECT_EQ(Extractions(kFormats[1]), 1);
    EXPECT_EQ(ReadFile(slot), original);
    std::string first = ReadFile(archive);
    EXPECT_NE(first, original);
    WIN32_FILE_ATTRIBUTE_DATA was, now;
    GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &was);
    ASSERT_EQ(Run("-u", archive), 0);
    GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &now);
    EXPECT_EQ(ReadFile(archive), first);
    EXPECT_EQ(CompareFileTime(&was.ftLastWriteTime, &now.ftLastWriteTime), 0);
    EXPECT_EQ(ReadFile(slot), original);
    EXPECT_FALSE(FileExists(CopyOf(archive)));
}

// Refused before anything happens: RAR, a tar compressed with compress or xz and a lone
// bzip2 file (none can be written), a lone gzip member (it would become a tar), a name without
// "." (no type, and no place for "~").
TEST_F(UpdateProgram, WhatCannotBeWrittenBackIsLeftAlone) {
    for (const auto& [fixture, as] :
         std::vector<std::pair<std::string, std::string>>{{"flat-store.rar", "report.rar"},
                                                          {"doc-top.tar.Z", "report.tar.Z"},
                                                          {"doc-top.txz", "report.txz"},
                                                          {"a.txt.bz2", "a.txt.bz2"},
                                                          {"a.txt.gz", "a.txt.gz"},
                                                          {"doc-top.tar.gz", "report"}}) {
        std::string path = dir / "dl\\" + as;
        CopyFileA((DataDir() + "\\" + fixture).c_str(), path.c_str(), FALSE);
        EXPECT_EQ(Shown(Start("-u", path)),
                  path + " は、この形式のままでは書きこめないので、更新できません。");
        EXPECT_EQ(ReadFile(path), ReadFile(DataDir() + "\\" + fixture));
    }
    EXPECT_FALSE(FileExists(cache));
}

// A cache folder of 246 characters: its database file is at the path limit, and so is what
// the database is written through; the working folder of 255 characters is updated as any,
// and its slot of 259 characters takes the previous archive.
TEST_F(UpdateProgram, CacheAtThePathLimitStillUpdates) {
    static Zent_Settings settings;
    std::string ini = dir / "prog\\dovetrim.ini",
                deep = dir / std::string(245 - dir.Path().size(), 'c');
    Zent_LoadSettings(&settings, ini.c_str());
    snprintf(settings.CachePath, sizeof settings.CachePath, "%s", deep.c_str());
    Zent_SaveSettings(&settings, ini.c_str());
    const Format& f = kFormats[3];
    archive = Download(f, "dl\\r.", {"rrrrrrrr\\x", "rrrrrrrr\\y"});
    ASSERT_EQ(Run("-o", archive), 0);
    WriteFile(deep + "\\rrrrrrrr\\z", "z");
    ASSERT_EQ(Run("-u", archive), 0);
    EXPECT_EQ(Listed(archive, f),
              (std::vector<std::string>{"rrrrrrrr/x", "rrrrrrrr/y", "rrrrrrrr/z"}));
    EXPECT_NE(ReadFile(deep + "\\cache-db.ini").find(archive), std::string::npos);
    EXPECT_FALSE(FileExists(CopyOf(archive)));
    EXPECT_TRUE(FileExists(deep + "\\rrrrrrrr.yz1"));
}

// ---- Back to normal ----------------------------------------------------------------------

TEST_F(UpdateProgram, BackToNormalPutsTheFolderBesideTheArchive) {
    Prepare(kFormats[0]);
    ASSERT_EQ(Run("-r", archive), 0);
    EXPECT_EQ(TreeOf(dir / "dl\\doc"), work);
    EXPECT_FALSE(FileExists(archive));
    EXPECT_FALSE(FileExists(folder));
    std::string slot = cache + "\\doc.lzh";
    EXPECT_EQ(ReadFile(slot), before);
    EXPECT_EQ(Db().find(archive), std::string::npos) << Db();
    // The archive in the slot is a new one to the cache, and melts as any other.
    ASSERT_EQ(Run("-o", slot), 0);
    EXPECT_TRUE(FileExists(folder + "\\b.txt"));
}

// Never melted: a cancel while extracting leaves nothing; a folder of the working folder's
// name beside the archive is reported and changes nothing; a slot that holds the same
// archive already keeps it, and the archive itself goes.
TEST_F(UpdateProgram, BackToNormalOfANeverMeltedArchive) {
    archive = Download(kFormats[0]);
    before = ReadFile(archive);
    std::string target = dir / "dl\\doc";
    EXPECT_EQ(Run("-r", archive, "cancel-after:1"), 0);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_FALSE(FileExists(cache + "\\doc"));
    EXPECT_FALSE(FileExists(cache + "\\doc-remnants"));
    EXPECT_FALSE(FileExists(target));

    CreateDirectoryA(target.c_str(), nullptr);
    EXPECT_EQ(Shown(Start("-r", archive), "Quarvel", 0),
              target + " は既に存在するので、フォルダを作成することができません。");
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_TRUE(TreeOf(target).empty());
    EXPECT_NE(Db().find(archive), std::string::npos);

    RemoveDirectoryA(target.c_str());
    CopyFileA(archive.c_str(), (cache + "\\doc.lzh").c_str(), FALSE);
    ASSERT_EQ(Run("-r", archive), 0);
    EXPECT_TRUE(FileExists(target + "\\a.txt"));
    EXPECT_FALSE(FileExists(archive));
    EXPECT_EQ(ReadFile(cache + "\\doc.lzh"), before);
}

// The second archive of a name lives in cache\af1\report; its folder and its slot are there.
TEST_F(UpdateProgram, BackToNormalOfTheSecondArchiveOfAName) {
    Format flat = kFormats[0], other = kFormats[0];
    flat.fixture = "flat.lzh";
    other.fixture = "readme-only.lzh";
    std::string first = Download(flat), second = Download(other, "dl2\\report.");
    std::string original = ReadFile(second);
    ASSERT_EQ(Run("-o", first), 0);
    ASSERT_EQ(Run("-o", second), 0);
    ASSERT_TRUE(FileExists(cache + "\\af1\\report\\readme.txt"));
    ASSERT_EQ(Run("-r", second), 0);
    EXPECT_TRUE(FileExists(dir / "dl2\\report\\readme.txt"));
    EXPECT_EQ(ReadFile(cache + "\\af1\\report.lzh"), original);
    EXPECT_FALSE(FileExists(cache + "\\af1\\report"));
    EXPECT_TRUE(FileExists(cache + "\\report\\a.txt"));
}

// The cache on another volume (drive Q: of the test prefix): the folder is copied beside the
// archive. While another program holds a file of the working folder, the folder cannot go:
// the copy goes again, and the folder, its entry and the archive stay as they were.
TEST_F(UpdateProgram, BackToNormalAcrossVolumesUndoesTheCopyWhenTheFolderCannotGo) {
    static Zent_Settings settings;  // large: kept out of the stack
    std::string ini = dir / "prog\\dovetrim.ini";
    Zent_LoadSettings(&settings, ini.c_str());
    snprintf(settings.CachePath, sizeof settings.CachePath, "Q:\\quarvel-cache-%lu",
             GetCurrentProcessId());
    Zent_SaveSettings(&settings, ini.c_str());
    cache = settings.CachePath;
    struct Remove {
        std::string unix_path;
        ~Remove() { RunLinuxShell("rm -rf '" + unix_path + "'"); }
    } remove{UnixPath(cache)};
    Prepare(kFormats[0]);
    std::string target = dir / "dl\\doc";
    HANDLE held = CreateFileA((folder + "\\new.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(Shown(Start("-r", archive)), "");
    CloseHandle(held);
    EXPECT_EQ(TreeOf(folder), work);
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_NE(Db().find(archive), std::string::npos) << Db();

    ASSERT_EQ(Run("-r", archive), 0);
    EXPECT_EQ(TreeOf(target), work);
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(FileExists(archive));
}
