// The DLL installer page's rules that its window tests do not reach.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "options/installer.h"

TEST(InstallerRules, VersionLabelsAndTheIconSlotsOfTheTarTypes) {
    char text[96];
    Installer_Probe probe{true, true, 0x10000 + 205, {}};  // only the function's 16 bits count
    EXPECT_STREQ(Installer_Label(Zent_Dll_7z, true, &probe, text, sizeof text),
                 "7-ZIP32.DLL  ver 2.05");
    const char* ext[Installer_MaxSlotExtensions];
    int n = Installer_SlotExtensions(Zent_Dll(Zent_Dll_Tar).icon_slot, ext,
                                     Installer_MaxSlotExtensions);
    std::string all;
    for (int i = 0; i < n; i++) all += std::string(ext[i]) + " ";
    EXPECT_EQ(all, "gz bz2 tar tgz taz deb xz txz ");
}

TEST(InstallerRules, IconHistoryNewestFirstEightAtMost) {
    char history[Zent_IconHistorySize][260] = {};
    for (const char* file : {"a", "b", "c"}) Installer_RememberIcon(history, file);
    Installer_RememberIcon(history, "A");  // the same file, in other letters
    EXPECT_STREQ(history[0], "A");
    EXPECT_STREQ(history[1], "c");
    EXPECT_STREQ(history[2], "b");
    EXPECT_STREQ(history[3], "");
    for (const char* file : {"1", "2", "3", "4", "5", "6"}) Installer_RememberIcon(history, file);
    EXPECT_STREQ(history[0], "6");
    EXPECT_STREQ(history[7], "c");  // "b" dropped out

    // The chooser's candidates: the history up to its first gap, the program, the system's.
    char candidates[Installer_MaxCandidates][260];
    EXPECT_EQ(
        Installer_IconCandidates(history, "C:\\Q\\dovetrim.exe", "C:\\W\\system32", candidates),
        11);
    EXPECT_STREQ(candidates[8], "C:\\Q\\dovetrim.exe");
    EXPECT_STREQ(candidates[9], "C:\\W\\system32\\COOL.DLL");
}
