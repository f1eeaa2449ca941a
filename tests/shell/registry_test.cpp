#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../support/raise_capture.h"
#include "shell/winx_errors.h"
#include "shell/winx_registry.h"
#include "../support/registry_env.h"

using testing_support::CatchRaise;
using testing_support::GetValue;
using testing_support::KeyExists;
using testing_support::PutBinary;
using testing_support::PutDword;
using testing_support::PutString;
using testing_support::TestKey;

namespace {

std::string ReadText(const std::string& text, bool is_default) {
    char buffer[256] = {};
    WinX_RegValue value = {0, buffer, 0, sizeof buffer};
    WinX_RegRead(HKEY_CURRENT_USER, text.c_str(), is_default, &value);
    return std::string(buffer, value.size ? value.size - 1 : 0);
}

void WriteText(const std::string& text, bool is_default, const std::string& data) {
    WinX_RegValue value = {REG_SZ, const_cast<char*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1), 0};
    WinX_RegWrite(HKEY_CURRENT_USER, text.c_str(), is_default, &value);
}

}  // namespace

TEST(WinXRegRead, SplitsTheTextAtItsLastBackslashUnlessTheDefaultIsMeant) {
    TestKey key("RegReadSplit");
    PutString(HKEY_CURRENT_USER, key / "X", "Name", "named");
    PutString(HKEY_CURRENT_USER, key / "X\\Name", nullptr, "default of the subkey");
    EXPECT_EQ(ReadText(key / "X\\Name", false), "named");
    EXPECT_EQ(ReadText(key / "X\\Name", true), "default of the subkey");
}

TEST(WinXRegRead, ReportsTheTypeAndByteCount) {
    TestKey key("RegReadType");
    PutDword(HKEY_CURRENT_USER, key.Path(), "Count", 0x01020304);
    DWORD data = 0;
    WinX_RegValue value = {0, &data, 0, sizeof data};
    WinX_RegRead(HKEY_CURRENT_USER, (key / "Count").c_str(), false, &value);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value.size, 4u);
    EXPECT_EQ(data, 0x01020304u);
}

TEST(WinXRegRead, MissingKeyAndValueRaiseTheirOwnIdsWithTheGivenText) {
    TestKey key("RegReadMissing");
    PutString(HKEY_CURRENT_USER, key.Path(), "Other", "x");
    std::string no_key = key / "Nowhere\\Name";
    auto caught = CatchRaise([&] { ReadText(no_key, false); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegKey);
    EXPECT_EQ(caught.message, "レジストリのキー「" + no_key + "」が見つかりません。");

    std::string no_value = key / "Name";
    caught = CatchRaise([&] { ReadText(no_value, false); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegData);
    EXPECT_EQ(caught.message,
              "レジストリのキー「" + no_value + "」のデータ「Name」が見つかりません。");

    caught = CatchRaise([&] { ReadText(key.Path(), true); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegData);
    EXPECT_EQ(caught.message,
              "レジストリのキー「" + key.Path() + "」のデータ（標準）が見つかりません。");
}

TEST(WinXRegRead, ValueLargerThanTheBufferReadsAsNotFound) {
    TestKey key("RegReadLarge");
    PutString(HKEY_CURRENT_USER, key.Path(), "Long", std::string(300, 'a'));
    auto caught = CatchRaise([&] { ReadText(key / "Long", false); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegData);
}

TEST(WinXRegRead, TextOf512CharactersIsRefusedBeforeAnyRegistryCall) {
    std::string text = "Software\\" + std::string(503, 'a');
    ASSERT_EQ(text.size(), 512u);
    auto caught = CatchRaise([&] { ReadText(text, false); });
    EXPECT_EQ(caught.code, WinX_Err_TooLongPath);
    EXPECT_EQ(caught.message, "レジストリのパスが長すぎます（" + text + "）");
    // One character less gets as far as the registry, which has no such key.
    caught = CatchRaise([&] { ReadText(text.substr(1), false); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegKey);
}

TEST(WinXRegRead, SplitRespectsDoubleByteCharacters) {
    // The second byte of "表" is 0x5C, the code of a backslash.
    TestKey key("RegReadDbcs");
    PutString(HKEY_CURRENT_USER, key.Path(), "表", "value");
    EXPECT_EQ(ReadText(key / "表", false), "value");
}

TEST(WinXRegWrite, CreatesEveryMissingKeyOnTheWay) {
    TestKey key("RegWriteCreates");
    WriteText(key / "A\\B\\C\\Name", false, "deep");
    WriteText(key / "A\\B", true, "default");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key / "A\\B\\C", "Name"), "deep");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key / "A\\B", nullptr), "default");
}

TEST(WinXRegDelete, DeletesKeysAndValuesAndIgnoresWhatIsMissing) {
    TestKey key("RegDelete");
    PutString(HKEY_CURRENT_USER, key.Path(), "Gone", "x");
    PutString(HKEY_CURRENT_USER, key / "Sub", "Kept", "x");
    WinX_RegDelete(HKEY_CURRENT_USER, (key / "Gone").c_str(), false);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key.Path(), "Gone"), "<missing>");
    WinX_RegDelete(HKEY_CURRENT_USER, (key / "Sub").c_str(), true);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key / "Sub"));

    auto caught = CatchRaise([&] {
        WinX_RegDelete(HKEY_CURRENT_USER, (key / "Nowhere\\Sub").c_str(), true);
        WinX_RegDelete(HKEY_CURRENT_USER, (key / "Sub").c_str(), true);
        WinX_RegDelete(HKEY_CURRENT_USER, (key / "NoValue").c_str(), false);
        WinX_RegDelete(HKEY_CURRENT_USER, "QuarvelNoSuchTopKey", true);
    });
    EXPECT_EQ(caught.code, 0) << caught.text;
}

TEST(WinXRegDeleteIfLeaf, DeletesOnlyAKeyWithoutSubkeys) {
    TestKey key("RegDeleteIfLeaf");
    PutString(HKEY_CURRENT_USER, key / "Parent\\Child", "v", "x");
    PutString(HKEY_CURRENT_USER, key / "Leaf", "v", "x");
    WinX_RegDeleteIfLeaf(HKEY_CURRENT_USER, (key / "Parent").c_str());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key / "Parent\\Child"));
    WinX_RegDeleteIfLeaf(HKEY_CURRENT_USER, (key / "Leaf").c_str());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key / "Leaf"));
    auto caught =
        CatchRaise([&] { WinX_RegDeleteIfLeaf(HKEY_CURRENT_USER, (key / "Missing").c_str()); });
    EXPECT_EQ(caught.code, 0);
}

TEST(WinXRegExists, AnswersInItsThreeModes) {
    TestKey key("RegExists");
    PutString(HKEY_CURRENT_USER, key / "Sub", "Value", "x");
    std::string sub = key / "Sub";
    std::string value = key / "Sub\\Value";
    // A key only.
    EXPECT_TRUE(WinX_RegExists(HKEY_CURRENT_USER, sub.c_str(), true, false));
    EXPECT_FALSE(WinX_RegExists(HKEY_CURRENT_USER, value.c_str(), true, false));
    // A key, or else a value.
    EXPECT_TRUE(WinX_RegExists(HKEY_CURRENT_USER, sub.c_str(), true, true));
    EXPECT_TRUE(WinX_RegExists(HKEY_CURRENT_USER, value.c_str(), true, true));
    EXPECT_FALSE(WinX_RegExists(HKEY_CURRENT_USER, (key / "Sub\\None").c_str(), true, true));
    // A value only.
    EXPECT_TRUE(WinX_RegExists(HKEY_CURRENT_USER, value.c_str(), false, false));
    EXPECT_FALSE(WinX_RegExists(HKEY_CURRENT_USER, (key / "Sub\\None").c_str(), false, false));
    EXPECT_FALSE(WinX_RegExists(HKEY_CURRENT_USER, (key / "No\\Value").c_str(), false, false));
    // Never raises, not even for a text too long to split.
    std::string huge(600, 'a');
    EXPECT_FALSE(WinX_RegExists(HKEY_CURRENT_USER, huge.c_str(), false, false));
}

TEST(WinXRegReadTyped, ChecksTheTypeAndReportsMissingValues) {
    TestKey key("RegReadTyped");
    PutString(HKEY_CURRENT_USER, key.Path(), "Text", "hello");
    PutString(HKEY_CURRENT_USER, key.Path(), nullptr, "default");
    PutDword(HKEY_CURRENT_USER, key.Path(), "Number", 7);
    PutBinary(HKEY_CURRENT_USER, key.Path(), "Bytes", std::string("\x01\x00\x02\x00", 4));
    char text[64];
    EXPECT_STREQ(WinX_RegReadString(HKEY_CURRENT_USER, key.Path().c_str(), "Text", text, 64),
                 "hello");
    EXPECT_STREQ(WinX_RegReadString(HKEY_CURRENT_USER, key.Path().c_str(), nullptr, text, 64),
                 "default");
    unsigned char bytes[4] = {};
    WinX_RegReadBinary(HKEY_CURRENT_USER, key.Path().c_str(), "Bytes", bytes, 4);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[2], 2);

    auto caught = CatchRaise(
        [&] { WinX_RegReadString(HKEY_CURRENT_USER, key.Path().c_str(), "Number", text, 64); });
    EXPECT_EQ(caught.code, WinX_Err_DifferentType);
    EXPECT_EQ(caught.message,
              "レジストリのキー「" + key.Path() + "」のデータ「Number」のタイプが異なります。");
    unsigned char room[64];
    caught = CatchRaise(
        [&] { WinX_RegReadBinary(HKEY_CURRENT_USER, key.Path().c_str(), "Text", room, 64); });
    EXPECT_EQ(caught.code, WinX_Err_DifferentType);
    caught = CatchRaise(
        [&] { WinX_RegReadString(HKEY_CURRENT_USER, key.Path().c_str(), "None", text, 64); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegData);
    EXPECT_EQ(caught.message,
              "レジストリのキー「" + key.Path() + "」のデータ「None」が見つかりません。");
    caught = CatchRaise(
        [&] { WinX_RegReadString(HKEY_CURRENT_USER, (key / "No").c_str(), "Text", text, 64); });
    EXPECT_EQ(caught.code, WinX_Err_NoRegKey);
    EXPECT_EQ(caught.message, "レジストリのキー「" + key / "No" + "」が見つかりません。");
}

TEST(WinXRegReadTyped, TooSmallBufferIsAnApiErrorWithTheFullCode) {
    TestKey key("RegReadTypedSmall");
    PutString(HKEY_CURRENT_USER, key.Path(), "Text", std::string(100, 'x'));
    char text[16];
    auto caught = CatchRaise(
        [&] { WinX_RegReadString(HKEY_CURRENT_USER, key.Path().c_str(), "Text", text, 16); });
    EXPECT_EQ(caught.code, WinX_Err_API_Error);
    EXPECT_NE(
        caught.message.find(", allcode = 000000EA (Facility=0, Code=234) in winx_registry.cpp("),
        std::string::npos)
        << caught.message;
}

TEST(WinXApiError, TextsCarryTheSystemTextCodeFacilityAndPosition) {
    auto at = CatchRaise([] { WinX_RaiseApiErrorAt(0x80070005, "caller.cpp", 42); });
    EXPECT_EQ(at.code, WinX_Err_API_Error);
    ASSERT_EQ(at.message.rfind("API Error : ", 0), 0u) << at.message;
    std::string tail = ", allcode = 80070005 (Facility=7, Code=5) in caller.cpp(42)";
    ASSERT_GE(at.message.size(), tail.size());
    EXPECT_EQ(at.message.substr(at.message.size() - tail.size()), tail);
    EXPECT_NE(at.text.find("caller.cpp(42) : "), std::string::npos) << at.text;

    SetLastError(ERROR_ACCESS_DENIED);
    auto last = CatchRaise([] { WinX_RaiseLastError(); });
    EXPECT_EQ(last.code, WinX_Err_API_Error);
    std::string last_tail = ", allcode = 00000005 (Facility=0, Code=5)";
    ASSERT_GT(last.message.size(), last_tail.size() + 12);  // a system text in between
    EXPECT_EQ(last.message.substr(last.message.size() - last_tail.size()), last_tail);
    EXPECT_EQ(last.message.find('\n'), std::string::npos);

    auto plain = CatchRaise([] { WinX_RaiseApiError(ERROR_FILE_NOT_FOUND); });
    EXPECT_EQ(plain.code, WinX_Err_API_Error);
    EXPECT_EQ(plain.message.rfind("API Error : ", 0), 0u);
    EXPECT_GT(plain.message.size(), strlen("API Error : "));
    EXPECT_EQ(plain.message.find("allcode"), std::string::npos);
}

// ---- Walker and trees -----------------------------------------------------------------

namespace {

std::vector<std::string> WalkOrder(const std::string& start, bool visit_keys) {
    std::vector<std::string> items;
    WinX_RegWalk walk;
    Except_TryFinally(
        __FILE__, __LINE__,
        [&] {
            WinX_RegWalk_Start(&walk, HKEY_CURRENT_USER, start.c_str(), visit_keys);
            while (WinX_RegWalk_Next(&walk)) {
                items.push_back(std::string(walk.is_key ? "key " : "value ") +
                                WinX_RegWalk_Relative(&walk));
                EXPECT_EQ(std::string(WinX_RegWalk_Full(&walk)),
                          start + "\\" + WinX_RegWalk_Relative(&walk));
            }
        },
        [&] { WinX_RegWalk_End(&walk); });
    return items;
}

}  // namespace

TEST(WinXRegWalk, ValuesComeBeforeSubkeysAndKeysAfterTheirContents) {
    TestKey key("RegWalkOrder");
    PutString(HKEY_CURRENT_USER, key.Path(), nullptr, "the start key's default");
    PutString(HKEY_CURRENT_USER, key.Path(), "v1", "x");
    PutString(HKEY_CURRENT_USER, key / "A", nullptr, "a default");
    PutString(HKEY_CURRENT_USER, key / "A", "va", "x");
    PutString(HKEY_CURRENT_USER, key / "A\\B", "vb", "x");
    PutString(HKEY_CURRENT_USER, key / "C", "vc", "x");
    std::vector<std::string> expected = {"value v1", "value A\\va", "value A\\B\\vb", "key A\\B",
                                         "key A",    "value C\\vc", "key C"};
    EXPECT_EQ(WalkOrder(key.Path(), true), expected);
    std::vector<std::string> values_only = {"value v1", "value A\\va", "value A\\B\\vb",
                                            "value C\\vc"};
    EXPECT_EQ(WalkOrder(key.Path(), false), values_only);
}

TEST(WinXRegWalk, MissingStartKeyIsAnEmptyWalk) {
    TestKey key("RegWalkMissing");
    EXPECT_TRUE(WalkOrder(key / "None", true).empty());
}

TEST(WinXRegWalk, ReadsTheCurrentItem) {
    TestKey key("RegWalkRead");
    PutString(HKEY_CURRENT_USER, key / "K", nullptr, "key default");
    PutString(HKEY_CURRENT_USER, key / "K", "v", "value data");
    std::vector<std::string> read;
    WinX_RegWalk walk;
    WinX_RegWalk_Start(&walk, HKEY_CURRENT_USER, key.Path().c_str(), true);
    while (WinX_RegWalk_Next(&walk)) {
        char buffer[64] = {};
        WinX_RegValue value = {0, buffer, 0, sizeof buffer};
        WinX_RegWalk_Read(&walk, &value);
        read.push_back(buffer);
    }
    WinX_RegWalk_End(&walk);
    EXPECT_EQ(read, (std::vector<std::string>{"value data", "key default"}));
}

TEST(WinXRegCopyTree, KeyWithOnlyItsDefaultValueIsCopied) {
    TestKey key("RegCopyDefaultOnly");
    PutString(HKEY_CURRENT_USER, key / "Src", nullptr, "only the default");
    WinX_RegCopyTree(HKEY_CURRENT_USER, (key / "Dst").c_str(), HKEY_CURRENT_USER,
                     (key / "Src").c_str());
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key / "Dst", nullptr), "only the default");
}

TEST(WinXRegCopyTree, CopiesEveryValueAndDefaultBelowTheKeyWithItsType) {
    TestKey key("RegCopyWhole");
    std::string src = key / "Src";
    PutString(HKEY_CURRENT_USER, src, "Name", "named");
    PutBinary(HKEY_CURRENT_USER, src, "Flags", std::string("\x00\x00\x01\x00", 4));
    PutString(HKEY_CURRENT_USER, src + "\\shell\\open", nullptr, "開く(&O)");
    PutString(HKEY_CURRENT_USER, src + "\\shell\\open\\command", nullptr,
              "\"C:\\a b\\prog.exe\" \"%1\" " + std::string(400, 'x'));
    PutDword(HKEY_CURRENT_USER, src + "\\shell", "Count", 3);
    WinX_RegCopyTree(HKEY_CURRENT_USER, (key / "Dst").c_str(), HKEY_CURRENT_USER, src.c_str());

    std::string dst = key / "Dst";
    DWORD type = 0;
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, dst, "Name"), "named");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, dst, "Flags", &type), std::string("\x00\x00\x01\x00", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, dst + "\\shell\\open", nullptr), "開く(&O)");
    // A command longer than 256 bytes arrives whole.
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, dst + "\\shell\\open\\command", nullptr),
              GetValue(HKEY_CURRENT_USER, src + "\\shell\\open\\command", nullptr));
    GetValue(HKEY_CURRENT_USER, dst + "\\shell", "Count", &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    // The source is left as it was.
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, src, "Name"), "named");
}

TEST(WinXRegDeleteTree, RemovesTheKeyWithEverythingBelowIt) {
    TestKey key("RegDeleteTree");
    std::string doomed = key / "Doomed";
    PutString(HKEY_CURRENT_USER, doomed, nullptr, "d");
    PutString(HKEY_CURRENT_USER, doomed, "v", "x");
    PutString(HKEY_CURRENT_USER, doomed + "\\a\\b\\c", "deep", "x");
    PutString(HKEY_CURRENT_USER, doomed + "\\a\\other", nullptr, "x");
    PutString(HKEY_CURRENT_USER, key / "Neighbour", "v", "kept");
    WinX_RegDeleteTree(HKEY_CURRENT_USER, doomed.c_str());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, doomed));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, key / "Neighbour", "v"), "kept");
    auto caught = CatchRaise([&] { WinX_RegDeleteTree(HKEY_CURRENT_USER, doomed.c_str()); });
    EXPECT_EQ(caught.code, 0);
}

TEST(WinXRegWalk, TreeDeeperThanTheStackIsRefusedNotOverrun) {
    TestKey key("RegWalkDeep");
    std::string deep = key.Path();
    for (int i = 0; i < WinX_RegWalk_Depth + 1; i++) deep += "\\k";
    PutString(HKEY_CURRENT_USER, deep, "v", "x");
    auto caught = CatchRaise([&] { WalkOrder(key.Path(), true); });
    EXPECT_EQ(caught.code, ArrX_Err_Full);
    // Within the limit the same tree is walked to its bottom.
    EXPECT_EQ(WalkOrder(key / "k\\k", false).size(), 1u);
}
