#include "archiver/zent_types.h"

#include <gtest/gtest.h>

#include "../support/raise_capture.h"

using testing_support::CatchRaise;

TEST(ZentTypes, TypeComesFromTheLastExtensionOfTheFileName) {
    EXPECT_EQ(Zent_TypeOfPath("C:\\a\\x.LZH"), Zent_LzhType);
    EXPECT_EQ(Zent_TypeOfPath("C:\\a\\x.tar.gz"), Zent_TarType);
    EXPECT_EQ(Zent_TypeOfPath("x.Z"), Zent_TarType);
    EXPECT_EQ(Zent_TypeOfPath("x.z"), Zent_TarType) << "extensions compare without case";
    EXPECT_EQ(Zent_TypeOfPath("C:\\dir.lzh\\readme"), Zent_NotArcType)
        << "a dot in a folder name is no extension";
    EXPECT_EQ(Zent_TypeOfPath("noext"), Zent_NotArcType);
    EXPECT_EQ(Zent_TypeOfPath("x.7z"), Zent_7zType);
    EXPECT_EQ(Zent_TypeOfPath("x.deb"), Zent_TarType);
    EXPECT_EQ(Zent_TypeOfPath("x.tar.xz"), Zent_TarType);
    EXPECT_EQ(Zent_TypeOfPath("x.TXZ"), Zent_TarType);
    EXPECT_EQ(Zent_TypeOfPath("x.lzh.txt"), Zent_NotArcType);
}

TEST(ZentTypes, TypeOfAPathWithDoubleByteNames) {
    EXPECT_EQ(Zent_TypeOfPath("C:\\表示.lzh"), Zent_LzhType);
}

TEST(ZentTypes, NewArchiveExtensionsAndOutOfRangeFallbacks) {
    const char* expected[] = {"lzh", "zip",   "cab",    nullptr, nullptr,
                              "yz1", nullptr, "tar.gz", "7z"};
    for (int type : {0, 1, 2, 5, 7, 8}) EXPECT_STREQ(Zent_ExtOfType(type), expected[type]);
    EXPECT_STREQ(Zent_ExtOfType(9), "lzh");
    EXPECT_STREQ(Zent_ExtOfType(-1), "lzh");
    EXPECT_STREQ(Zent_TypeName(12), "Zent_LzhType");
}

TEST(ZentTypes, SettingsNamesRoundTripAndAnUnknownNameRaises) {
    for (int type = 0; type <= 8; type++) EXPECT_EQ(Zent_TypeOfName(Zent_TypeName(type)), type);
    auto caught = CatchRaise([] { Zent_TypeOfName("zent_lzhtype"); });
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(caught.message, "error");
}

TEST(ZentTypes, CompressDialogPositionsCoverTheCompressibleTypesOnly) {
    const int positions[] = {0, 1, 2, -1, -1, 3, -1, 4, 5};
    for (int type = 0; type <= 8; type++) EXPECT_EQ(Zent_PosOfType(type), positions[type]);
    const int types[] = {0, 1, 2, 5, 7, 8};
    for (int pos = 0; pos < 6; pos++) EXPECT_EQ(Zent_TypeOfPos(pos), types[pos]);
}
