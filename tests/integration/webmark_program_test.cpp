// The web's mark through dovetrim.exe: what is melted from a downloaded archive is marked as
// downloaded too, and the confirmation says where the file came from.
#include <gtest/gtest.h>

#include <string>

#include "melt_fixture.h"

using namespace testing_support;
using namespace melt_fixture;

namespace {

const char kMark[] = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.com/dl\r\n";
enum { kOrigin = 1106 };

class WebMark : public AutoOpenProgram {
protected:
    std::string Marked(const std::string& fixture, const std::string& as = "") {
        std::string path = Download(fixture, as);
        WriteFile(path + ":Zone.Identifier", kMark);
        return path;
    }
    static std::string MarkOf(const std::string& file) {
        return ReadFile(file + ":Zone.Identifier");
    }
};

}  // namespace

TEST_F(WebMark, EveryMeltedFileCarriesTheArchivesMarkAndOthersNone) {
    std::string marked = Marked("doc-top.lzh");
    EXPECT_EQ(Run("-d \"" + marked + "\""), 0);
    for (const char* name : {"a.txt", "b.txt"}) EXPECT_EQ(MarkOf(cache + "\\doc\\" + name), kMark);
    // The mark is no entry of the working folder: nothing else is there to open.
    EXPECT_EQ(WaitForLog(log, 1), Explored(cache + "\\doc"));

    std::string plain = Download("flat.lzh", "report.lzh");
    EXPECT_EQ(Run("-d \"" + plain + "\""), 0);
    EXPECT_TRUE(FileExists(cache + "\\report\\a.txt"));
    EXPECT_FALSE(FileExists(cache + "\\report\\a.txt:Zone.Identifier"));
}

TEST_F(WebMark, MarkedLoneDocumentIsStillTheOnlyEntry) {
    std::string marked = Marked("lone-doc.zip");
    EXPECT_EQ(Run("-d \"" + marked + "\""), 0);
    EXPECT_EQ(WaitForLog(log, 1), Opened(cache + "\\lone-doc\\report.doc"));
    EXPECT_EQ(MarkOf(cache + "\\lone-doc\\report.doc"), kMark);
}

TEST_F(WebMark, ConfirmationSaysTheFileCameFromTheInternet) {
    std::string app = Marked("app.lzh");
    ChildProcess child = Start("-d \"" + app + "\"");
    HWND dialog = WaitForSafety(child);
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000);
    EXPECT_TRUE(gui::IsVisible(dialog, kOrigin));
    EXPECT_EQ(gui::ControlText(dialog, kOrigin),
              "このファイルはインターネットから取得されたものです。");
    gui::Click(dialog, kCancel);
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(WebMark, ExtractionIntoTheUsersFolderMarksOnlyWhatItWrote) {
    // Melted beside the archive into a folder that holds a file of the user's.
    static Zent_Settings settings;
    std::string ini = dir / "prog\\dovetrim.ini";
    Zent_LoadSettings(&settings, ini.c_str());
    settings.DefActOnDblClk = Zent_DefAct_Fold;
    settings.MeltToOnDblClk = Zent_MeltTo_Here;
    Zent_SaveSettings(&settings, ini.c_str());
    std::string mine = dir / "dl\\doc\\mine.txt";
    CreateDirectoryA((dir / "dl\\doc").c_str(), nullptr);
    WriteFile(mine, "my own");

    EXPECT_EQ(Run("-d \"" + Marked("doc-top.lzh") + "\""), 0);
    EXPECT_EQ(MarkOf(dir / "dl\\doc\\a.txt"), kMark);
    EXPECT_FALSE(FileExists(mine + ":Zone.Identifier"));
}

TEST_F(WebMark, WhatACancelledExtractionLeftIsMarkedToo) {
    ChildProcess child = Start("-d \"" + Marked("doc-top.lzh") + "\"", "cancel-after:1");
    auto box = gui::WaitForMessageBox("Quarvel", child.Pid());
    ASSERT_NE(box.hwnd, nullptr) << "exit " << child.Wait(1000);
    gui::Answer(box, IDYES);
    HWND dialog = WaitForSafety(child);  // a.txt alone: a type that asks first
    ASSERT_NE(dialog, nullptr) << "exit " << child.Wait(1000);
    EXPECT_TRUE(gui::IsVisible(dialog, kOrigin));
    gui::Click(dialog, 1027);  // "フォルダ開く(&O)"
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(MarkOf(cache + "\\doc-remnants\\a.txt"), kMark);
}
