// Compression through the stand-in archiver DLLs beside the test program: the command lines
// each operation sends (from the stand-ins' log), the work files, the overwrite questions,
// and what a failure or a cancel leaves of an archive that was there before.
#include "archiver/compress.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "archiver/arcdll_api.h"
#include "archiver/zent_types.h"
#include "lib/errors.h"
#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

// One call of the stand-ins' log: export, arguments, current folder.
struct Call {
    std::string dll, name, args, folder;
};

class Compress : public testing::Test {
protected:
    void SetUp() override {
        work = dir / "work";
        for (const char* folder : {"work", "work\\ソフト", "work\\empty"})
            CreateDirectoryA((dir / folder).c_str(), nullptr);
        WriteFile(work + "\\a.txt", std::string(3000, 'a'));
        WriteFile(work + "\\ソフト\\表示.txt", "表示");
        Hooks("");
    }
    void TearDown() override { SetCurrentDirectoryA(BinDir().c_str()); }

    void Hooks(const std::string& extra) {
        SetEnvironmentVariableA("ARCHIVER_STUB",
                                (extra + (extra.empty() ? "" : ",") + "log:" + log).c_str());
    }
    std::vector<Call> Calls(const std::string& dll) const {
        std::vector<Call> calls;
        std::string text = ReadFile(log);
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            std::vector<std::string> f;
            for (size_t from = at, tab;; from = tab + 1) {
                tab = text.find('\t', from);
                if (tab == std::string::npos || tab > end) {
                    f.push_back(text.substr(from, end - from));
                    break;
                }
                f.push_back(text.substr(from, tab - from));
            }
            if (f.size() == 4 && f[0] == dll) calls.push_back({f[0], f[1], f[2], f[3]});
        }
        return calls;
    }
    // The command lines the DLL was given, in order.
    std::vector<std::string> Commands(const std::string& dll, const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const Call& c : Calls(dll))
            if (c.name == prefix) lines.push_back(c.args);
        return lines;
    }
    Caught Run(const std::string& sources, const std::string& archive, int type, bool store,
               bool sfx = false, bool update = false, const Zent_SfxOptions* options = nullptr) {
        char written[260] = "";
        Caught caught = CatchRaise([&] {
            Zent_CompressTo(sources.c_str(), archive.c_str(), store, sfx, update, options, type,
                            nullptr, written);
        });
        this->written = written;
        return caught;
    }
    // Runs with a driver answering the overwrite question; `question` gets its text ("" when
    // none came).
    Caught Answering(int answer, std::string* question, const std::string& archive, int type,
                     bool sfx = false) {
        auto driver = std::async(std::launch::async, [&] {
            gui::MessageBoxInfo box =
                gui::WaitForMessageBox("圧縮 - Quarvel", GetCurrentProcessId(), 5000);
            if (box.hwnd == nullptr) return std::string();
            // No is the default button: a stray Enter loses nothing.
            LONG style = GetWindowLongA(GetDlgItem(box.hwnd, IDNO), GWL_STYLE);
            EXPECT_EQ(BS_DEFPUSHBUTTON, style & BS_DEFPUSHBUTTON);
            gui::Answer(box, answer);
            return box.text;
        });
        Caught caught = Run(Quoted(work), archive, type, true, sfx);
        *question = driver.get();
        return caught;
    }
    static std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
    std::string Temp(const std::string& name) const { return dir / "~zt1-" + name; }
    // Nothing of the operation's own is left beside the archive or in the working folders.
    void ExpectNoLeftovers() const {
        for (const char* name : {"~zt1-work.lzh", "~zt1-work.exe", "~zt1-work.zip", "~zt1-work.cab",
                                 "~zt1-work.7z", "~zt1-work.yz1", "~zt1-work.tar.gz", "$$", "!",
                                 "$", "work\\$$", "work\\!", "work\\$"})
            EXPECT_FALSE(FileExists(dir / name)) << name;
    }

    TempDir dir;
    std::string work, written;
    std::string log = dir / "calls.log";
    ScopedEnv stub{"ARCHIVER_STUB", nullptr};
};

TEST_F(Compress, LhaRunsInTheFolderOrAboveItAsTheIncludeFolderFlagSays) {
    ASSERT_EQ(0, Run(Quoted(work), dir / "inside.lzh", Zent_LzhType, false).code);
    ASSERT_EQ(0, Run(Quoted(work), dir / "above.lzh", Zent_LzhType, true).code);
    std::vector<Call> calls = Calls("UNLHA32.DLL");
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("a -x1 -r2 -d -a2 -jm2 \"" + Temp("inside.lzh") + "\" \"*\"", calls[0].args);
    EXPECT_EQ(work, calls[0].folder);
    EXPECT_EQ("a -x1 -r2 -d -a2 -jm2 \"" + Temp("above.lzh") + "\" \"work\\*\"", calls[1].args);
    EXPECT_EQ(dir.Path(), calls[1].folder);
    EXPECT_EQ(dir / "above.lzh", written);
    EXPECT_TRUE(FileExists(dir / "inside.lzh"));
    ExpectNoLeftovers();
}

TEST_F(Compress, LhaSelfExtractorNamesItsInstallerFilesAndLeavesOnlyTheProgram) {
    struct Case {
        bool ask, install;
        const char* prefix;
        const char* self_extract;
    };
    for (const Case& c :
         {Case{true, true, "! $ ", "s -x1 -gw4 -gx2 "}, Case{true, false, "! ", "s -x1 -gw4 -gx3 "},
          Case{false, true, "$ ", "s -x1 -gw4 -gx2 "}}) {
        SCOPED_TRACE(c.prefix);
        DeleteFileA(log.c_str());
        DeleteFileA((dir / "work.exe").c_str());
        Zent_SfxOptions options{};
        options.ask = c.ask;
        options.install = c.install;
        snprintf(options.question, sizeof options.question, "入れますか？");
        ASSERT_EQ(
            0, Run(Quoted(work), dir / "work.exe", Zent_LzhType, true, true, false, &options).code);
        EXPECT_EQ((std::vector<std::string>{"a -x1 -r2 -d -a2 -jm4 \"" + Temp("work.lzh") + "\" " +
                                                c.prefix + "\"work\\*\"",
                                            c.self_extract + Quoted(Temp("work.lzh"))}),
                  Commands("UNLHA32.DLL", "Unlha"));
        EXPECT_EQ(dir / "work.exe", written);
        EXPECT_TRUE(FileExists(dir / "work.exe"));
        EXPECT_FALSE(FileExists(dir / "work.lzh"));
        ExpectNoLeftovers();
    }
}

TEST_F(Compress, LhaUpdateFreshensThenDropsWhatIsGoneAndAddsWhatIsNew) {
    ASSERT_EQ(0, Run(Quoted(work), dir / "work.lzh", Zent_LzhType, false).code);
    DeleteFileA(log.c_str());
    ASSERT_EQ(0, Run(Quoted(work), dir / "work.lzh", Zent_LzhType, false, false, true).code);
    std::string t = Quoted(Temp("work.lzh"));
    EXPECT_EQ((std::vector<std::string>{"f -x1 -r2 -d -a2 -jm2 " + t + " \"*\"",
                                        "d -jn -r2 -d " + t + " \"*\"",
                                        "a -jn -x1 -r2 -d -a2 -jm2 " + t + " \"*\""}),
              Commands("UNLHA32.DLL", "Unlha"));
    ExpectNoLeftovers();
}

TEST_F(Compress, CabTakesTheItemsAfterTheFirstFromTheListFile) {
    WriteFile(dir / "extra.txt", "extra");
    ASSERT_EQ(
        0, Run(Quoted(work) + " " + Quoted(dir / "extra.txt"), dir / "work.cab", Zent_CabType, true)
               .code);
    EXPECT_EQ((std::vector<std::string>{"-a -r \"" + Temp("work.cab") + "\" \"work\\*\" @$$"}),
              Commands("CAB32.DLL", "Cab"));
    EXPECT_TRUE(FileExists(dir / "work.cab"));
    ExpectNoLeftovers();
}

TEST_F(Compress, Yz1NeedsTheFolderStoredAndYzencForAProgram) {
    EXPECT_EQ("error", Run(Quoted(work), dir / "work.yz1", Zent_Yz1Type, false).message);
    EXPECT_TRUE(Calls("YZ1.DLL").empty());
    ASSERT_EQ(0, Run(Quoted(work), dir / "work.yz1", Zent_Yz1Type, true).code);
    EXPECT_EQ((std::vector<std::string>{"c \"" + Temp("work.yz1") + "\" \"work\""}),
              Commands("YZ1.DLL", "Yz1"));

    Caught refused = Run(Quoted(work), dir / "other.exe", Zent_Yz1Type, true, true);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(std::string("自己解凍ファイルを作るときは、あらかじめ RuziZuzizev を解凍してできる "
                          "yzenc.exe を ") +
                  system + " へコピーしておいてください。",
              refused.message);
    EXPECT_FALSE(FileExists(dir / "other.yz1"));
    EXPECT_FALSE(FileExists(dir / "other.exe"));
    EXPECT_FALSE(FileExists(dir / "~zt1-other.yz1"));
}

TEST_F(Compress, TarGzipsALoneFileAndTarsAFolder) {
    WriteFile(dir / "a.txt", "alone");
    ASSERT_EQ(0, Run(Quoted(dir / "a.txt"), dir / "a.lzh", Zent_TarType, true).code);
    EXPECT_EQ(dir / "a.gz", written);
    ASSERT_EQ(0, Run(Quoted(work), dir / "work.lzh", Zent_TarType, true).code);
    EXPECT_EQ(dir / "work.tar.gz", written);
    EXPECT_EQ((std::vector<std::string>{"-Gcvf \"" + Temp("a.gz") + "\" \"a.txt\"",
                                        "-zcvf \"" + Temp("work.tar.gz") + "\" \"work\\*\""}),
              Commands("TAR32.DLL", "Tar"));
}

TEST_F(Compress, SevenZipAddsUpdatesIntoANewFileAndMakesItsOwnProgram) {
    ASSERT_EQ(0, Run(Quoted(work), dir / "work.lzh", Zent_7zType, true).code);
    std::string archive = dir / "work.7z";
    ASSERT_EQ(0, Run(Quoted(work), archive, Zent_7zType, true, false, true).code);
    std::string before = ReadFile(archive);
    // The program is asked about alone: the archive of that name is left as it is.
    ASSERT_EQ(0, Run(Quoted(work), archive, Zent_7zType, true, true).code);
    EXPECT_EQ(dir / "work.exe", written);
    EXPECT_EQ(before, ReadFile(archive));
    EXPECT_EQ((std::vector<std::string>{
                  "a -t7z -m0=LZMA:a2 -r -ms=off \"" + Temp("work.7z") + "\" \"work\\*\"",
                  "u -t7z -m0=LZMA:a2 -r -ms=off \"" + archive + "\" -u- -up0q0r2x2y2z1w2!\"" +
                      Temp("work.7z") + "\" \"work\\*\"",
                  "a -t7z -m0=LZMA:a2 -r -sfx \"" + Temp("work.exe") + "\" \"work\\*\""}),
              Commands("7-ZIP32.DLL", "SevenZip"));
    ExpectNoLeftovers();
}

TEST_F(Compress, ZipNamesItemsFromTheirRootAndMapsInfoZipErrors) {
    WriteFile(dir / "extra.txt", "extra");
    std::string two = Quoted(work) + " " + Quoted(dir / "extra.txt");
    ASSERT_EQ(0, Run(two, dir / "two.zip", Zent_ZipType, true).code);
    ASSERT_EQ(0, Run(Quoted(work), dir / "content.zip", Zent_ZipType, false).code);
    std::vector<std::string> roots = Commands("zip32.dll", "ZpSetOptions");
    EXPECT_EQ((std::vector<std::string>{dir.Path(), work}), roots);
    EXPECT_EQ(
        (std::vector<std::string>{Temp("two.zip") + " work extra.txt", Temp("content.zip") + " *"}),
        Commands("zip32.dll", "ZpArchive"));

    Hooks("fail:12");
    Caught nothing = Run(Quoted(work), dir / "none.zip", Zent_ZipType, true);
    EXPECT_EQ(3652, nothing.code);
    EXPECT_EQ("InfoZip error (12) Nothing to do!", nothing.message);
    EXPECT_NE(std::string::npos, nothing.text.find("Zent_Err_InfoZipFirst + code")) << nothing.text;
    EXPECT_EQ("error", Run(Quoted(work), dir / "sfx.zip", Zent_ZipType, true, true).message);

    // Names that do not fit the 64 KiB block are refused before the DLL sees any of them.
    Hooks("");
    DeleteFileA(log.c_str());
    std::string many;
    for (int i = 0; i < 400; i++) many += " " + Quoted(dir / (std::string(200, 'n') + ".txt"));
    Caught refused = Run(Quoted(work) + many, dir / "many.zip", Zent_ZipType, true);
    EXPECT_EQ("圧縮するファイルの名前が多すぎて、zip32.dll に一度に渡せません。", refused.message);
    EXPECT_TRUE(Commands("zip32.dll", "ZpArchive").empty());
    EXPECT_FALSE(FileExists(dir / "many.zip"));
}

TEST_F(Compress, OverwriteQuestionsInTheirThreeFormsAndNoChangesNothing) {
    std::string lzh = dir / "work.lzh", exe = dir / "work.exe";
    WriteFile(lzh, "old archive");
    std::string question;
    EXPECT_EQ(Zent_Err_UserCancel, Answering(IDNO, &question, lzh, Zent_LzhType).code);
    EXPECT_EQ(lzh + " ファイルは既に存在します。\r\n上書きしますか?", question);
    WriteFile(exe, "old program");
    EXPECT_EQ(Zent_Err_UserCancel, Answering(IDNO, &question, exe, Zent_LzhType, true).code);
    EXPECT_EQ(lzh + " と " + exe + " ファイルは既に存在します。\r\n上書きしますか?", question);
    DeleteFileA(lzh.c_str());
    EXPECT_EQ(Zent_Err_UserCancel, Answering(IDNO, &question, exe, Zent_LzhType, true).code);
    EXPECT_EQ(exe + " ファイルは既に存在します。\r\n上書きしますか?", question);
    EXPECT_EQ("old program", ReadFile(exe));
    EXPECT_TRUE(Calls("UNLHA32.DLL").empty());

    EXPECT_EQ(0, Answering(IDYES, &question, exe, Zent_LzhType, true).code);
    EXPECT_NE("old program", ReadFile(exe));
}

// The old archive stays byte for byte when the DLL fails or the user cancels in it.
TEST_F(Compress, FailureOrCancelKeepsTheArchiveThatWasThere) {
    struct Case {
        int type;
        const char* ext;
        const char* fail;
        int code;
    };
    for (const Case& c : {Case{Zent_LzhType, "lzh", "fail:0x8017", Errors_Unofficial},
                          Case{Zent_ZipType, "zip", "fail:18", Zent_Err_InfoZipFirst + 18},
                          Case{Zent_CabType, "cab", "fail:0x8013", Errors_Unofficial},
                          Case{Zent_Yz1Type, "yz1", "fail:0x8014", Errors_Unofficial},
                          Case{Zent_TarType, "tar.gz", "fail:0x8013", Errors_Unofficial},
                          Case{Zent_7zType, "7z", "fail:0x8017", Errors_Unofficial}}) {
        SCOPED_TRACE(c.ext);
        std::string archive = dir / (std::string("work.") + c.ext);
        Hooks("");
        ASSERT_EQ(0, Run(Quoted(work), archive, c.type, true).code);
        std::string before = ReadFile(archive), question;
        Hooks(c.fail);
        EXPECT_EQ(c.code, Answering(IDYES, &question, archive, c.type).code);
        EXPECT_EQ(before, ReadFile(archive));
        Hooks("cancel-after:1");
        Caught cancelled = Answering(IDYES, &question, archive, c.type);
        // zip32.dll has no cancel of its own: an interrupted run is its error 9.
        EXPECT_EQ(c.type == Zent_ZipType ? Zent_Err_InfoZipFirst + 9 : Zent_Err_UserCancel,
                  cancelled.code);
        EXPECT_EQ(before, ReadFile(archive));
        ExpectNoLeftovers();
    }
}

}  // namespace
