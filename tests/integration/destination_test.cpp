// Destination choices resolved against shell folders redirected through the registry, and the
// folder texts with variables.
#include "folders/destination.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "folders/melt.h"
#include "settings/path_variables.h"
#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class Destinations : public testing::Test {
protected:
    Destinations()
        : desktop_value(HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk"),
          personal_value(HKEY_CURRENT_USER, kShellFolders, "Personal", dir / "docs"),
          program_files_value(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                              "ProgramFilesDir", dir / "apps"),
          temp_value("TEMP", (dir / "tmp").c_str()),
          stub("ARCHIVER_STUB", nullptr) {
        for (const char* name :
             {"desk", "docs", "apps", "tmp", "dl", "cache", "std", "inst", "pick"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        memset(&settings, 0, sizeof settings);
        strcpy(settings.CachePath, (dir / "cache").c_str());
        strcpy(settings.StdMeltPath, (dir / "std").c_str());
        strcpy(settings.InstallPath, (dir / "inst").c_str());
    }
    ~Destinations() override { SetCurrentDirectoryA(BinDir().c_str()); }

    std::string Fixture(const std::string& name) {
        std::string path = dir / "dl\\" + name;
        CopyFileA((DataDir() + "\\" + name).c_str(), path.c_str(), FALSE);
        return path;
    }
    std::string Extract(const std::string& archive, int choice,
                        const std::string& explicit_folder = "") {
        char result[260];
        strcpy(result, explicit_folder.c_str());
        Caught caught = CatchRaise(
            [&] { Zent_ExtractToDestination(&settings, archive.c_str(), choice, result); });
        EXPECT_EQ(caught.code, 0) << caught.message;
        return result;
    }

    TempDir dir;
    ScopedValue desktop_value, personal_value, program_files_value;
    ScopedEnv temp_value, stub;
    Zent_Settings settings;
};

std::string Abbreviate(const std::string& path) {
    char out[260];
    return AbbreviatePath(out, path.c_str());
}
std::string Expand(const std::string& text) {
    char out[260];
    return ExpandPath(out, text.c_str());
}

}  // namespace

TEST_F(Destinations, EachChoiceExtractsIntoItsBaseFolder) {
    struct Case {
        int choice;
        const char* base;
    };
    const Case cases[] = {
        {Zent_MeltTo_Std, "std"},    {Zent_MeltTo_StdInst, "inst"},
        {Zent_MeltTo_Here, "dl"},    {Zent_MeltTo_Desktop, "desk"},
        {Zent_MeltTo_MyDoc, "docs"}, {Zent_MeltTo_ProgFile, "apps"},
        {Zent_MeltTo_Temp, "tmp"},
    };
    std::string archive = Fixture("doc-top.lzh");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        EXPECT_EQ(Extract(archive, c.choice), dir / c.base + "\\doc");
        EXPECT_TRUE(FileExists(dir / c.base + "\\doc\\a.txt"));
    }
    EXPECT_FALSE(FileExists(dir / "cache\\cache-db.ini")) << "only the cache uses the database";
}

TEST_F(Destinations, ExplicitFolderIsTheInitialResult) {
    std::string archive = Fixture("flat.zip");
    EXPECT_EQ(Extract(archive, Zent_MeltTo_Explicit, dir / "pick"), dir / "pick\\flat");
    EXPECT_TRUE(FileExists(dir / "pick\\flat\\b.txt"));
}

TEST_F(Destinations, SystemFolderIsTheSystemsOwn) {
    // Only resolved, not filled: a broken archive stops before anything is written.
    std::string archive = Fixture("broken.lzh");
    char result[260] = "";
    Caught caught = CatchRaise(
        [&] { Zent_ExtractToDestination(&settings, archive.c_str(), Zent_MeltTo_System, result); });
    EXPECT_NE(caught.code, 0);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(std::string(result).rfind(system, 0), 0u) << result;
}

TEST_F(Destinations, CacheGoesThroughTheDatabaseAndReusesTheFolder) {
    std::string archive = Fixture("doc-top.lzh");
    std::string first = Extract(archive, Zent_MeltTo_Cache);
    EXPECT_EQ(first.rfind(dir / "cache\\", 0), 0u) << first;
    EXPECT_NE(ReadFile(dir / "cache\\cache-db.ini").find(archive), std::string::npos);
    WriteFile(first + "\\mine.txt", "kept");
    EXPECT_EQ(Extract(archive, Zent_MeltTo_Cache), first);
    EXPECT_EQ(ReadFile(first + "\\mine.txt"), "kept");
}

TEST_F(Destinations, EmptyStandardFoldersMeanTheArchivesFolderNotTheCurrentOne) {
    std::string archive = Fixture("doc-top.lzh");
    SetCurrentDirectoryA((dir / "pick").c_str());
    settings.StdMeltPath[0] = '\0';
    EXPECT_EQ(Extract(archive, Zent_MeltTo_Std), dir / "dl\\doc");
    settings.InstallPath[0] = '\0';
    EXPECT_EQ(Extract(Fixture("flat.zip"), Zent_MeltTo_StdInst), dir / "dl\\flat");
    EXPECT_FALSE(FileExists(dir / "pick\\doc"));
    EXPECT_FALSE(FileExists(dir / "pick\\flat"));
}

TEST_F(Destinations, TarFamilyAndUnknownExtensionsGoToTheTarArchiver) {
    std::string log = dir / "calls.log";
    ScopedEnv calls("ARCHIVER_STUB", ("log:" + log).c_str());
    std::string tgz = Fixture("flat.tgz");
    EXPECT_EQ(Extract(tgz, Zent_MeltTo_Here), dir / "dl\\flat");
    std::string text = ReadFile(log);
    EXPECT_NE(text.find("TAR32.DLL"), std::string::npos) << text;
    EXPECT_EQ(text.find("UNLHA32.DLL"), std::string::npos) << text;
}

TEST_F(Destinations, UnknownChoiceIsRefused) {
    std::string archive = Fixture("flat.zip");
    char result[260] = "";
    EXPECT_EQ(
        CatchRaise([&] { Zent_ExtractToDestination(&settings, archive.c_str(), 10, result); }).code,
        Errors_Unofficial);
}

TEST_F(Destinations, VariablesStandForTheirFolders) {
    EXPECT_EQ(Abbreviate(dir / "desk"), "$(デスクトップ)");
    EXPECT_EQ(Abbreviate(dir / "desk\\Archives Cache"), "$(デスクトップ)\\Archives Cache");
    EXPECT_EQ(Abbreviate(dir / "docs\\x"), "$(マイドキュメント)\\x");
    EXPECT_EQ(Abbreviate(dir / "apps\\Tool"), "$(Program Files)\\Tool");
    EXPECT_EQ(Abbreviate(dir / "tmp"), "$(テンポラリ)");
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(Abbreviate(std::string(system) + "\\drivers"), "$(Windows System)\\drivers");
    EXPECT_EQ(Abbreviate(""), "$(同じフォルダ)");
    EXPECT_EQ(Expand("$(同じフォルダ)"), "");
    EXPECT_EQ(Expand("$(デスクトップ)\\Archives Cache"), dir / "desk\\Archives Cache");
    EXPECT_EQ(Expand("$(Program Files)"), dir / "apps");
}

TEST_F(Destinations, LetterCaseMatters) {
    std::string upper = dir / "DESK";
    EXPECT_EQ(Abbreviate(upper), upper);
    EXPECT_EQ(Expand("$(デスクトップ)"), dir / "desk");
    EXPECT_EQ(Expand("$(ﾃﾞｽｸﾄｯﾌﾟ)"), "$(ﾃﾞｽｸﾄｯﾌﾟ)");
    EXPECT_EQ(Expand("$(program files)"), "$(program files)");
}

TEST_F(Destinations, AbbreviatingThenExpandingGivesTheFolderBack) {
    for (const std::string& folder : {dir / "desk", dir / "desk\\表示\\深い", dir / "apps\\a",
                                      dir / "elsewhere", std::string("C:\\")}) {
        EXPECT_EQ(Expand(Abbreviate(folder)), folder);
    }
}

TEST_F(Destinations, UnsetTempHasNoVariableAndIsNoDestination) {
    ScopedEnv unset("TEMP", nullptr);
    EXPECT_EQ(Expand("$(テンポラリ)\\x"), "$(テンポラリ)\\x");
    std::string archive = Fixture("flat.zip");
    char result[260] = "";
    EXPECT_EQ(CatchRaise([&] {
                  Zent_ExtractToDestination(&settings, archive.c_str(), Zent_MeltTo_Temp, result);
              }).code,
              Errors_Unofficial);
}

TEST(Melt, DangerousFilesByTheirLastExtension) {
    for (const char* name : {"setup.exe", "SETUP.EXE", "a.scr", "x.Reg", "autorun.inf", "s.js",
                             "s.vbs", "go.bat", "c.com", "C:\\d.txt\\run.exe", "readme.txt.exe"})
        EXPECT_TRUE(IsDangerousFile(name)) << name;
    // Whatever Windows runs as code, also behind a document's name.
    for (const char* name :
         {"index.htm.cmd", "page.html.PIF", "readme.txt.lnk", "site.url",       "x.scf",
          "a.hta",         "a.wsf",         "a.wsh",          "a.vbe",          "a.jse",
          "setup.msi",     "patch.msp",     "panel.cpl",      "run.ps1",        "app.jar",
          "help.chm",      "snap.msc",      "a.sct",          "index.htm.cmd.", "index.htm.cmd  "})
        EXPECT_TRUE(IsDangerousFile(name)) << name;
    for (const char* name : {"readme.txt", "index.htm", "exe", "a.exe.txt", "C:\\x.exe\\readme",
                             "a.ex", "noext", "report.doc", "page.html", "cmd"})
        EXPECT_FALSE(IsDangerousFile(name)) << name;
}
