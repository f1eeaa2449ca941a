// dovetrim.exe freezing as Explorer's "-c " verb, a drop, and "-x " start it, and writing the
// listing report for "-p ": a private program folder with the archiver DLLs, the desktop
// (and with it the cache) redirected into a temporary folder, Explorer a recorder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "archiver/arcdll_api.h"
#include "archiver/zent_types.h"
#include "settings/settings.h"

using namespace testing_support;

namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kProgramFiles[] = {"dovetrim.exe", "7-ZIP32.DLL", "CAB32.DLL",
                                     "TAR32.DLL",    "UNLHA32.DLL", "UNZIP32.DLL",
                                     "YZ1.DLL",      "zip32.dll",   "lhasfx.exe"};

Zent_Settings g_settings;  // large: kept out of the stack

// The entries of an LHA or 7z archive, as the stand-in lists them.
std::vector<std::string> Entries(const std::string& archive) {
    bool lha = archive.substr(archive.rfind('.')) == ".lzh";
    std::vector<std::string> names;
    HMODULE dll = LoadLibraryA(BinPath(lha ? "UNLHA32.DLL" : "7-ZIP32.DLL").c_str());
    auto get = [&](const char* name) {
        return reinterpret_cast<void*>(
            GetProcAddress(dll, (std::string(lha ? "Unlha" : "SevenZip") + name).c_str()));
    };
    auto open = reinterpret_cast<Zent_OpenArchiveFn>(get("OpenArchive"));
    auto first = reinterpret_cast<Zent_FindFirstFn>(get("FindFirst"));
    auto next = reinterpret_cast<Zent_FindNextFn>(get("FindNext"));
    auto close = reinterpret_cast<Zent_CloseArchiveFn>(get("CloseArchive"));
    HARC h = open(nullptr, archive.c_str(), 2);
    Zent_EntryRecord e;
    for (int r = first(h, lha ? "* *.*" : "*", &e); r == 0; r = next(h, &e))
        names.push_back(e.path);
    close(h);
    FreeLibrary(dll);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class FreezeProgram : public testing::Test {
protected:
    FreezeProgram() : desktop_value(HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk") {
        for (const char* name : {"desk", "prog", "win", "dl", "cwd"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : kProgramFiles)
            CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
        cache = dir / "desk\\Archives Cache";
        folder = dir / "dl\\資料 集";
    }
    void Settings(int type, bool delete_items) {
        std::string ini = dir / "prog\\dovetrim.ini";
        Zent_LoadSettings(&g_settings, ini.c_str());
        g_settings.DefCompressType = type;
        g_settings.DelOrgOnMenu = delete_items;
        Zent_SaveSettings(&g_settings, ini.c_str());
    }
    // A tree as users have them: nested folders, an empty one, CP932 names whose second
    // byte is 0x5C, a blank in a name, a read-only file and an empty file.
    void MakeTree() {
        for (const char* sub : {"", "\\ソフト", "\\ソフト\\深い", "\\空"})
            CreateDirectoryA((folder + sub).c_str(), nullptr);
        WriteFile(folder + "\\表示.txt", "表示の中身\r\n");
        WriteFile(folder + "\\ソフト\\a b.txt", std::string(5000, 'x'));
        WriteFile(folder + "\\ソフト\\深い\\zero.dat", "");
        WriteFile(folder + "\\readonly.txt", "keep");
        SetFileAttributesA((folder + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ChildProcess Start(const std::string& args, const std::string& stub = "") {
        Environment env = {{"windir", dir / "win"},
                           {"QUARVEL_RECORDER_LOG", log},
                           {"ARCHIVER_STUB", (stub.empty() ? "" : stub + ",") + "log:" + calls}};
        return StartProgram(dir / "prog\\dovetrim.exe", args, env, dir / "cwd");
    }
    int Run(const std::string& args, const std::string& stub = "") {
        return Start(args, stub).Wait();
    }
    // Runs the program, answers the one message box titled `caption`, gives its text.
    std::string RunAnswering(const std::string& args, const std::string& caption, int answer,
                             int expected_exit, const std::string& stub = "") {
        ChildProcess child = Start(args, stub);
        gui::MessageBoxInfo box = gui::WaitForMessageBox(caption, child.Pid());
        EXPECT_NE(nullptr, box.hwnd) << args << "\n" << ReadFile(calls);
        gui::Answer(box, answer);
        EXPECT_EQ(expected_exit, child.Wait()) << args;
        return box.text;
    }
    static std::string Q(const std::string& path) { return "\"" + path + "\""; }

    TempDir dir;
    ScopedValue desktop_value;
    std::string cache, folder;
    std::string log = dir / "explorer.log";
    std::string calls = dir / "calls.log";
};

TEST_F(FreezeProgram, QuickFreezeWithDeletionMakesTheFolderTheArchivesWorkingFolder) {
    struct Case {
        int type;
        const char* ext;
        const char* command;  // the DLL's command export in the log
    };
    for (const Case& c :
         {Case{Zent_LzhType, "lzh", "\tUnlha\t"}, Case{Zent_ZipType, "zip", "\tUnZip\t"},
          Case{Zent_CabType, "cab", "\tCab\t"}, Case{Zent_Yz1Type, "yz1", "\tYz1\t"},
          Case{Zent_TarType, "tar.gz", "\tTar\t"}, Case{Zent_7zType, "7z", "\tSevenZip\t"}}) {
        SCOPED_TRACE(c.ext);
        Settings(c.type, true);
        MakeTree();
        std::vector<std::string> tree = TreeOf(folder);
        std::string archive = folder + "." + c.ext;
        ASSERT_EQ(0, Run("-c " + Q(folder))) << ReadFile(calls);
        EXPECT_TRUE(FileExists(archive));
        EXPECT_FALSE(FileExists(folder));
        // Each format's archive of the same name gets a working folder of its own.
        std::string db = ReadFile(cache + "\\cache-db.ini");
        size_t entry = db.find("File = " + archive + ", ");
        ASSERT_NE(std::string::npos, entry) << db;
        std::string melted = db.substr(db.find(", " + cache, entry) + 2);
        melted = melted.substr(0, melted.find(", "));
        EXPECT_EQ(tree, TreeOf(melted));

        DeleteFileA(calls.c_str());
        DeleteFileA(log.c_str());
        ASSERT_EQ(0, Run("-o " + Q(archive)));
        EXPECT_EQ(std::string::npos, ReadFile(calls).find(c.command)) << ReadFile(calls);
        EXPECT_EQ(dir / "win\\explorer.exe /e,/root," + Q(melted) + "\r\n", WaitForLog(log, 1));
    }
}

// Every item goes into the archive, whatever the format's way of naming several.
TEST_F(FreezeProgram, ItemsTakeTheirCompanionsAndTheFirstFreeName) {
    for (auto format : {std::make_pair(Zent_LzhType, std::string("lzh")),
                        std::make_pair(Zent_7zType, std::string("7z"))}) {
        const std::string& ext = format.second;
        SCOPED_TRACE(ext);
        Settings(format.first, true);
        CreateDirectoryA((dir / "dl\\page.files").c_str(), nullptr);
        WriteFile(dir / "dl\\page.files\\img.txt", "img");
        WriteFile(dir / "dl\\page.htm", "<html>");
        WriteFile(dir / "dl\\x.txt", "x");
        WriteFile(dir / "dl\\page." + ext, "taken");
        ASSERT_EQ(0, Run(Q(dir / "dl\\page.htm") + " " + Q(dir / "dl\\x.txt")));  // a drop
        ASSERT_EQ(0, Run("-c " + Q(dir / "dl\\page.htm") + " " + Q(dir / "dl\\page." + ext)));
        // The drop's default keeps the items; the menu's deletes them.
        EXPECT_EQ(
            (std::vector<std::string>{"page.files\\", "page.files\\img.txt", "page.htm", "x.txt"}),
            Entries(dir / "dl\\page(2)." + ext));
        EXPECT_EQ(Sorted({"page.files\\", "page.files\\img.txt", "page.htm", "page." + ext}),
                  Entries(dir / "dl\\page(3)." + ext));
        EXPECT_EQ(Sorted({"page.files\\", "page.files\\img.txt=img", "page.htm=<html>",
                          "page." + ext + "=taken"}),
                  TreeOf(cache + (ext == "lzh" ? "\\page" : "\\af1\\page")));
        EXPECT_TRUE(FileExists(dir / "dl\\x.txt"));
        DeleteFileA((dir / "dl\\x.txt").c_str());
    }
}

TEST_F(FreezeProgram, SavedPageFolderTakesItsPageAlong) {
    for (auto format : {std::make_pair(Zent_LzhType, std::string("lzh")),
                        std::make_pair(Zent_7zType, std::string("7z"))}) {
        const std::string& ext = format.second;
        SCOPED_TRACE(ext);
        Settings(format.first, true);
        CreateDirectoryA((dir / "dl\\site.files").c_str(), nullptr);
        WriteFile(dir / "dl\\site.files\\style.css", "css");
        WriteFile(dir / "dl\\site.html", "<html>");
        ASSERT_EQ(0, Run("-c " + Q(dir / "dl\\site.files")));
        EXPECT_EQ((std::vector<std::string>{"site.files\\style.css", "site.html"}),
                  Entries(dir / "dl\\site." + ext));
        EXPECT_EQ((std::vector<std::string>{"site.files\\", "site.files\\style.css=css",
                                            "site.html=<html>"}),
                  TreeOf(cache + (ext == "lzh" ? "\\site" : "\\af1\\site")));
    }
}

TEST_F(FreezeProgram, ArchivesAndEmptyFoldersAreRefused) {
    std::string archive = dir / "dl\\a.lzh";
    WriteFile(archive, "archive");
    for (const char* option : {"-c ", "-x "})
        EXPECT_EQ("圧縮ファイルを、さらに圧縮することはできません。",
                  RunAnswering(std::string(option) + Q(archive), "Quarvel SV", IDOK, 0));
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_EQ("ファイルの入ってないフォルダは圧縮できません。",
              RunAnswering("-c " + Q(folder), "Quarvel", IDOK, 0));
    EXPECT_FALSE(FileExists(dir / "dl\\a.lzh.lzh"));
    EXPECT_FALSE(FileExists(folder + ".lzh"));
}

// A failure, a cancel in the DLL or a "No" keeps both the old archive and the folder.
TEST_F(FreezeProgram, FailedFreezeKeepsTheOldArchiveAndTheFolder) {
    Settings(Zent_LzhType, true);
    MakeTree();
    std::string archive = folder + ".lzh";
    WriteFile(archive, "the old archive");
    struct Case {
        const char* stub;
        int answer, exit;
    };
    for (const Case& c :
         {Case{"fail:0x8017", IDYES, 14}, Case{"cancel-after:1", IDYES, 0}, Case{"", IDNO, 0}}) {
        SCOPED_TRACE(c.stub);
        ChildProcess child = Start("-c " + Q(folder), c.stub);
        gui::MessageBoxInfo box = gui::WaitForMessageBox("圧縮 - Quarvel", child.Pid());
        ASSERT_NE(nullptr, box.hwnd);
        gui::Answer(box, c.answer);
        if (c.exit == 14) {
            gui::MessageBoxInfo error = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
            EXPECT_EQ("8017", error.text);
            gui::Answer(error, IDOK);
        }
        EXPECT_EQ(c.exit, child.Wait());
        EXPECT_EQ("the old archive", ReadFile(archive));
        EXPECT_TRUE(FileExists(folder + "\\表示.txt"));
        EXPECT_FALSE(FileExists(cache + "\\資料 集"));
    }
}

TEST_F(FreezeProgram, FreezeVerbShowsTheDialogWhoseSettingsButtonOpensTheSheetOnItsLastPage) {
    Zent_LoadSettings(&g_settings, (dir / "prog\\dovetrim.ini").c_str());
    g_settings.PrevPage = 1;  // the compress page
    g_settings.dll[0] = 1;    // with no DLL flagged the sheet insists on its DLL page
    Zent_SaveSettings(&g_settings, (dir / "prog\\dovetrim.ini").c_str());
    MakeTree();
    ChildProcess child = Start("-x " + Q(folder));
    HWND dialog = gui::WaitForWindow("圧縮 - Quarvel", child.Pid());
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("資料 集", gui::ControlText(dialog, 1018));
    gui::Click(dialog, 1032);  // "設定"
    HWND sheet = gui::WaitForWindow("Quarvel SV", child.Pid());
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(1, gui::SheetPageIndex(sheet));
    gui::Click(sheet, IDCANCEL);
    EXPECT_TRUE(gui::WaitUntilClosed(sheet));
    gui::Click(dialog, IDCANCEL);
    EXPECT_EQ(0, child.Wait());
    EXPECT_FALSE(FileExists(folder + ".lzh"));
}

TEST_F(FreezeProgram, MissingDllIsNamed) {
    Settings(Zent_CabType, false);
    MakeTree();
    DeleteFileA((dir / "prog\\CAB32.DLL").c_str());
    EXPECT_EQ("CAB 形式の圧縮には CAB32.DLL が必要です。",
              RunAnswering("-c " + Q(folder), "エラーメッセージ", IDOK, 14));
}

TEST_F(FreezeProgram, ListingReportOfLhaAndSevenZip) {
    // The report reads no settings: another program's file beside it changes nothing.
    WriteFile(dir / "prog\\dovetrim.ini", "[main]\r\nApplication = Another\r\nVersion = 1\r\n");
    std::string lzh = dir / "dl\\doc-top.lzh", seven = dir / "dl\\doc-top.7z";
    CopyFileA((DataDir() + "\\doc-top.lzh").c_str(), lzh.c_str(), FALSE);
    ASSERT_EQ(0, Run("-p " + Q(lzh)));
    EXPECT_EQ(Q(lzh) +
                  "  information\r\n\r\nUNLHA32.DLL Version = 1.00\r\n\r\n"
                  "PartFileName   OrgSize   CmpSize  Ratio  Date     Time    CRC   CmpOS  Attr    "
                  "Mode    FileName(Full)\r\n" +
                  std::string(117, '-') +
                  "\r\n"
                  "a       .txt     17100       730   4.2% 04/08/26 14:30:58 4B71  other  -----   "
                  "-lh5-   doc\\a.txt\r\n"
                  "b       .txt      2280       154   6.7% 04/08/26 14:30:58 B39A  other  -----   "
                  "-lh5-   doc\\b.txt\r\n",
              ReadFile(dir / "dl\\zent-out.txt"));

    // 7z: the DLL's own listing, with CR LF line ends and one more line end.
    CopyFileA((DataDir() + "\\doc-top.7z").c_str(), seven.c_str(), FALSE);
    ASSERT_EQ(0, Run("-p " + Q(seven)));
    HMODULE dll = LoadLibraryA(BinPath("7-ZIP32.DLL").c_str());
    auto run =
        reinterpret_cast<Zent_CommandFn>(reinterpret_cast<void*>(GetProcAddress(dll, "SevenZip")));
    std::string listing(8192, '\0');
    ASSERT_EQ(0, run(nullptr, ("l " + Q(seven)).c_str(), &listing[0], 8192));
    FreeLibrary(dll);
    listing = listing.c_str();
    std::string expected;
    for (char ch : listing + "\n")
        expected += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    EXPECT_EQ(expected, ReadFile(dir / "dl\\zent-out.txt"));

    WriteFile(dir / "dl\\x.zip", "zip");
    EXPECT_EQ("error", RunAnswering("-p " + Q(dir / "dl\\x.zip"), "エラーメッセージ", IDOK, 14));
}

}  // namespace
