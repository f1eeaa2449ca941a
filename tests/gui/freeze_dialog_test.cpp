// The freeze dialog: its rules without a window, then the real dialog driven from a second
// thread while the test's thread runs it, writing self-extracting programs that are run.
#include <gtest/gtest.h>
#include <windows.h>

#include <future>
#include <string>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "archiver/zent_types.h"
#include "folders/freeze.h"
#include "folders/freeze_dialog.h"
#include "folders/freeze_ids.h"
#include "options/sheet.h"

using namespace testing_support;

namespace {

const char kCaption[] = "圧縮 - Quarvel";

TEST(FreezeRules, ZipAndTarGzCannotSelfExtract) {
    for (int type : {Zent_ZipType, Zent_TarType}) {
        Freeze_DialogView view = Freeze_ViewOf({Zent_PosOfType(type), true, false, true});
        EXPECT_FALSE(view.self_extract_enabled);
        EXPECT_FALSE(view.self_extract);
        EXPECT_EQ(std::string(".") + Zent_ExtOfType(type), view.extension);
        EXPECT_EQ(210, view.height);
        EXPECT_FALSE(view.options_shown);
    }
}

TEST(FreezeRules, OnlySelfExtractingLhaGrowsToShowItsOptions) {
    Freeze_DialogView lha = Freeze_ViewOf({0, true, true, true});
    EXPECT_EQ(450, lha.height);
    EXPECT_TRUE(lha.options_shown);
    EXPECT_STREQ(".exe", lha.extension);
    EXPECT_TRUE(lha.question_enabled);
    EXPECT_STREQ("デフォルト解凍先(&O):", lha.destination_label);
    EXPECT_EQ(130, lha.destination_label_width);

    Freeze_DialogView cab = Freeze_ViewOf({Zent_PosOfType(Zent_CabType), true, false, false});
    EXPECT_EQ(210, cab.height);
    EXPECT_FALSE(cab.options_shown);
    EXPECT_STREQ(".exe", cab.extension);
    EXPECT_FALSE(cab.question_enabled);
    EXPECT_FALSE(cab.message_enabled);
    EXPECT_STREQ("解凍先(&O):", cab.destination_label);
    EXPECT_EQ(100, cab.destination_label_width);
    EXPECT_STREQ(".7z", Freeze_ViewOf({Zent_PosOfType(Zent_7zType), false, false, true}).extension);
}

TEST(FreezeRules, InitialTextsAndTheOneEntryRule) {
    Freeze_Texts t;
    Freeze_InitialTexts("C:\\作業\\ソフト\\", &t);
    EXPECT_STREQ("C:\\作業\\ソフト を圧縮します。", t.caption);
    EXPECT_STREQ("ソフト", t.name);
    EXPECT_STREQ("ソフト インストール", t.title);
    EXPECT_STREQ("ソフト をインストールします。よろしいですか？", t.question);
    EXPECT_STREQ("explorer \"ソフト\"", t.command);

    TempDir dir;
    EXPECT_TRUE(Freeze_StoreFolderAtFirst(dir.Path().c_str()));
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    EXPECT_TRUE(Freeze_StoreFolderAtFirst(dir.Path().c_str()));
    EXPECT_TRUE(Freeze_StoreFolderAtFirst((dir / "sub").c_str()));
    WriteFile(dir / "sub\\one.txt", "1");
    EXPECT_FALSE(Freeze_StoreFolderAtFirst((dir / "sub").c_str()));
    // The web's mark is a stream of the file, no entry of its own.
    WriteFile(dir / "sub\\one.txt:Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
    EXPECT_FALSE(Freeze_StoreFolderAtFirst((dir / "sub").c_str()));
    WriteFile(dir / "sub\\two.txt", "2");
    EXPECT_TRUE(Freeze_StoreFolderAtFirst((dir / "sub").c_str()));
}

Zent_Settings g_settings;  // large: kept out of the stack

class FreezeDialogTest : public testing::Test {
protected:
    void SetUp() override {
        memset(&g_settings, 0, sizeof g_settings);
        folder = dir / "ソフト";
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\表示").c_str(), nullptr);
        WriteFile(folder + "\\表示\\readme.txt", "readme\r\n");
        WriteFile(folder + "\\setup.ini", std::string(4000, 's'));
    }
    // Shows the dialog on the folder; the driver does what `act` says with it.
    template <class Act>
    void Show(Act act) {
        auto driver = std::async(std::launch::async, [&] {
            HWND dialog = gui::WaitForWindow(kCaption, GetCurrentProcessId());
            ASSERT_NE(nullptr, dialog);
            act(dialog);
        });
        FreezeWithDialog(&g_settings, folder.c_str());
        driver.get();
    }

    TempDir dir;
    std::string folder;
};

TEST_F(FreezeDialogTest, RulesShowInTheRealDialog) {
    // A settings file of the test's own, which the sheet opened from the dialog reads.
    std::string ini = dir / "dovetrim.ini";
    Zent_LoadSettings(&g_settings, ini.c_str());
    g_settings.dll[0] = 1;  // with no DLL flagged the sheet insists on its DLL page
    g_settings.PrevPage = Options_AutoOpenPage;
    Zent_SaveSettings(&g_settings, ini.c_str());
    Show([&](HWND d) {
        EXPECT_EQ(folder + " を圧縮します。", gui::ControlText(d, IDC_FREEZE_CAPTION));
        EXPECT_EQ("ソフト", gui::ControlText(d, IDC_FREEZE_NAME));
        EXPECT_EQ(".lzh", gui::ControlText(d, IDC_FREEZE_EXTENSION));
        EXPECT_TRUE(gui::IsChecked(d, IDC_FREEZE_SAME_FOLDER));
        EXPECT_TRUE(gui::IsChecked(d, IDC_FREEZE_STORE_FOLDER));
        EXPECT_EQ(6, gui::ItemCount(d, IDC_FREEZE_FORMAT));
        EXPECT_EQ("tar.gz 形式", gui::ItemText(d, IDC_FREEZE_FORMAT, 4));
        EXPECT_EQ(210, gui::WindowSize(d).cy);
        EXPECT_FALSE(gui::IsVisible(d, IDC_FREEZE_OPTIONS_GROUP));

        gui::ClickAndWait(d, IDC_FREEZE_SELF_EXTRACT);
        gui::Select(d, IDC_FREEZE_FORMAT, Zent_PosOfType(Zent_ZipType));
        EXPECT_FALSE(gui::IsEnabled(d, IDC_FREEZE_SELF_EXTRACT));
        EXPECT_FALSE(gui::IsChecked(d, IDC_FREEZE_SELF_EXTRACT));
        EXPECT_EQ(".zip", gui::ControlText(d, IDC_FREEZE_EXTENSION));

        gui::Select(d, IDC_FREEZE_FORMAT, Zent_PosOfType(Zent_LzhType));
        gui::ClickAndWait(d, IDC_FREEZE_SELF_EXTRACT);
        EXPECT_EQ(450, gui::WindowSize(d).cy);
        EXPECT_TRUE(gui::IsVisible(d, IDC_FREEZE_OPTIONS_GROUP));
        EXPECT_TRUE(gui::IsVisible(d, IDC_FREEZE_COMMAND));
        EXPECT_FALSE(gui::IsEnabled(d, IDC_FREEZE_QUESTION));
        gui::ClickAndWait(d, IDC_FREEZE_ASK);
        EXPECT_TRUE(gui::IsEnabled(d, IDC_FREEZE_QUESTION));
        EXPECT_EQ(130, gui::ControlSize(d, IDC_FREEZE_DESTINATION_LABEL).cx);
        gui::ClickAndWait(d, IDC_FREEZE_USER_CHOOSES);
        EXPECT_EQ("解凍先(&O):", gui::ControlText(d, IDC_FREEZE_DESTINATION_LABEL));
        EXPECT_FALSE(gui::IsEnabled(d, IDC_FREEZE_MESSAGE));

        gui::Click(d, IDC_FREEZE_VARIABLES_HELP);
        gui::MessageBoxInfo help =
            gui::WaitForMessageBox("ヘルプ - Quarvel", GetCurrentProcessId());
        EXPECT_EQ(
            "解凍先には、次の変数が使えます。\r\n%ProgramFiles%   c:\\Program Files\r\n"
            "%SystemDir%   c:\\wondows\\system\r\n%WinDir%   c:\\windows\r\n"
            "%WORK%   c:\\windows\\temp\r\n"
            "何も指定しないと実行ファイルのあるフォルダに解凍します。",
            help.text);
        gui::Answer(help, IDOK);
        // 設定 opens the options sheet on the page used last, editing the dialog's record.
        gui::Click(d, IDC_FREEZE_SETTINGS);
        HWND sheet = gui::WaitForWindow("Quarvel SV", GetCurrentProcessId());
        ASSERT_NE(nullptr, sheet);
        EXPECT_EQ(Options_AutoOpenPage, gui::SheetPageIndex(sheet));
        gui::Click(sheet, IDCANCEL);
        EXPECT_TRUE(gui::WaitUntilClosed(sheet));
        gui::Click(d, IDCANCEL);
    });
    EXPECT_FALSE(FileExists(dir / "ソフト.lzh"));
    EXPECT_FALSE(FileExists(dir / "ソフト.exe"));
}

// OK writes the program; run, it asks its question and installs where it was told.
TEST_F(FreezeDialogTest, SelfExtractingLhaAsksAndInstallsWhereItWasTold) {
    std::string target = dir / "入れ先";
    Show([&](HWND d) {
        gui::ClickAndWait(d, IDC_FREEZE_SELF_EXTRACT);
        gui::ClickAndWait(d, IDC_FREEZE_ASK);
        gui::SetControlText(d, IDC_FREEZE_DESTINATION, target);
        gui::Click(d, IDOK);
        EXPECT_TRUE(gui::WaitUntilClosed(d));
    });
    std::string program = dir / "ソフト.exe";
    ASSERT_TRUE(FileExists(program));
    EXPECT_FALSE(FileExists(dir / "ソフト.lzh"));
    EXPECT_FALSE(FileExists(dir / "!"));
    EXPECT_FALSE(FileExists(dir / "$"));
    ChildProcess child = StartProgram(program, "", {}, dir.Path());
    gui::MessageBoxInfo box = gui::WaitForMessageBox("ソフト インストール", child.Pid());
    EXPECT_EQ("ソフト をインストールします。よろしいですか？", box.text);
    gui::Answer(box, IDYES);
    EXPECT_EQ(0, child.Wait());
    EXPECT_EQ(TreeOf(folder), TreeOf(target + "\\ソフト"));
}

TEST_F(FreezeDialogTest, SelfExtractingCabinetAndSevenZipExtractBesideThemselves) {
    for (int type : {Zent_CabType, Zent_7zType}) {
        SCOPED_TRACE(type);
        Show([&](HWND d) {
            gui::Select(d, IDC_FREEZE_FORMAT, Zent_PosOfType(type));
            gui::ClickAndWait(d, IDC_FREEZE_SELF_EXTRACT);
            EXPECT_EQ(210, gui::WindowSize(d).cy);
            gui::Click(d, IDOK);
            EXPECT_TRUE(gui::WaitUntilClosed(d));
        });
        std::string program = dir / "ソフト.exe";
        EXPECT_FALSE(FileExists(dir / (std::string("ソフト.") + Zent_ExtOfType(type))));
        TempDir run;
        ASSERT_TRUE(CopyFileA(program.c_str(), (run / "x.exe").c_str(), FALSE));
        DeleteFileA(program.c_str());
        ASSERT_EQ(0, RunProgram(run / "x.exe", "", {}, run.Path()));
        EXPECT_EQ(TreeOf(folder), TreeOf(run / "ソフト"));
    }
}

// Its content alone is stored; deleted, it becomes the working folder a melt of the renamed
// archive would make.
TEST_F(FreezeDialogTest, FolderOfOneFileStoresItsContentOnlyAndMovesIntoTheCache) {
    std::string one = dir / "one";
    CreateDirectoryA(one.c_str(), nullptr);
    WriteFile(one + "\\only.txt", "only");
    folder = one;
    snprintf(g_settings.CachePath, sizeof g_settings.CachePath, "%s", (dir / "cache").c_str());
    std::string calls = dir / "calls.log";
    ScopedEnv stub("ARCHIVER_STUB", ("log:" + calls).c_str());
    Show([&](HWND d) {
        EXPECT_FALSE(gui::IsChecked(d, IDC_FREEZE_STORE_FOLDER));
        gui::SetControlText(d, IDC_FREEZE_NAME, "renamed");
        gui::ClickAndWait(d, IDC_FREEZE_DELETE);
        gui::Click(d, IDOK);
        EXPECT_TRUE(gui::WaitUntilClosed(d));
    });
    std::string archive = dir / "renamed.lzh";
    EXPECT_TRUE(FileExists(archive));
    EXPECT_NE(std::string::npos, ReadFile(calls).find("\" \"*\"\t" + one + "\r\n"))
        << ReadFile(calls);
    EXPECT_FALSE(FileExists(one));
    EXPECT_EQ("only", ReadFile(dir / "cache\\renamed\\only.txt"));
    EXPECT_NE(std::string::npos, ReadFile(dir / "cache\\cache-db.ini").find("File = " + archive));
}

}  // namespace
