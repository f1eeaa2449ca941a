#include "app/args.h"

#include <gtest/gtest.h>

#include <string>

#include "../support/raise_capture.h"
#include "../support/test_folders.h"

using testing_support::CatchRaise;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(GetArgumentPath, TakesTheFirstQuotedOrPlainToken) {
    TempDir dir;
    std::string archive = dir / "表示 ソフト.lzh";
    WriteFile(archive, "x");
    WriteFile(dir / "plain.zip", "x");
    char buffer[260];
    std::string quoted = "  \"" + archive + "\" \"C:\\other.lzh\"";
    EXPECT_EQ(std::string(GetArgumentPath(quoted.c_str(), buffer, sizeof buffer)), archive);
    std::string plain = " " + dir.Path() + "\\plain.zip C:\\second.zip";
    EXPECT_EQ(std::string(GetArgumentPath(plain.c_str(), buffer, sizeof buffer)),
              dir / "plain.zip");
    // Folders count as well as files.
    std::string folder = "\"" + dir.Path() + "\"";
    EXPECT_EQ(std::string(GetArgumentPath(folder.c_str(), buffer, sizeof buffer)), dir.Path());
}

TEST(GetArgumentPath, MissingPathRaisesWithItsName) {
    TempDir dir;
    std::string missing = dir / "none.lzh";
    std::string argument = "\"" + missing + "\"";
    char buffer[260];
    auto caught = CatchRaise([&] { GetArgumentPath(argument.c_str(), buffer, sizeof buffer); });
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(caught.message, missing + " ファイルが見つかりません。");
    caught = CatchRaise([&] { GetArgumentPath("", buffer, sizeof buffer); });
    EXPECT_EQ(caught.code, Errors_Unofficial);
}

TEST(GetArgumentPath, LongTokensAreCutTo259Characters) {
    std::string long_path = "C:\\" + std::string(400, 'x');
    std::string argument = "\"" + long_path + "\"";
    char buffer[260];
    auto caught = CatchRaise([&] { GetArgumentPath(argument.c_str(), buffer, sizeof buffer); });
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(caught.message, long_path.substr(0, 259) + " ファイルが見つかりません。");
}
