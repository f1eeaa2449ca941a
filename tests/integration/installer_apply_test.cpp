// The DLL installer page's Apply on the prefix's registry: the two zip rows, whatever the
// boxes were and are.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../support/registry_env.h"
#include "options/installer.h"

using testing_support::GetValue;
using testing_support::KeyExists;
using testing_support::ScopedArchiveClasses;

namespace {

const char kProgram[] = "C:\\Tools\\QuarvelSV\\dovetrim.exe";

enum Zip { kNone, kShort, kFull };
const char* const kZipNames[] = {"none", "UNZIP32", "UNZIP32+ZIP32"};

void Boxes(Zip zip, bool* boxes) {
    for (int dll = 0; dll < Zent_Dll_Count; dll++) boxes[dll] = false;
    boxes[Zent_Dll_Unzip] = zip != kNone;
    boxes[Zent_Dll_Zip] = zip == kFull;
}

// One Apply from the boxes `from` to `to`; the "No" of the uninstall question when no box
// is left.
void Apply(Zip from, Zip to) {
    bool was[Zent_Dll_Count];
    bool is[Zent_Dll_Count];
    Boxes(from, was);
    Boxes(to, is);
    char before[Zent_Dll_Count];
    for (int dll = 0; dll < Zent_Dll_Count; dll++) before[dll] = was[dll] ? 1 : 0;
    Installer_Plan plan;
    Installer_PlanApply(before, is, Zent_SettingsVersion, &plan);
    Installer_WriteAssociations(&plan, kProgram);
}

Zip ZipInRegistry() {
    if (GetValue(HKEY_CLASSES_ROOT, ".zip", nullptr) != "zipfile") return kNone;
    bool open = KeyExists(HKEY_CLASSES_ROOT, "zipfile\\shell\\open\\command");
    bool update = KeyExists(HKEY_CLASSES_ROOT, "zipfile\\shell\\5.&Update\\command");
    return !open ? kNone : update ? kFull : kShort;
}

}  // namespace

// After Apply zip is associated exactly when UNZIP32.DLL or ZIP32.DLL is checked, with the
// full verb list when ZIP32.DLL is, from any state before; and it is gone with every box.
TEST(InstallerApply, ZipFollowsItsTwoBoxesFromAnyState) {
    for (Zip from : {kNone, kShort, kFull}) {
        for (Zip to : {kNone, kShort, kFull}) {
            ScopedArchiveClasses classes(false);
            Apply(kNone, from);
            ASSERT_EQ(ZipInRegistry(), from);
            Apply(from, to);
            EXPECT_EQ(ZipInRegistry(), to) << kZipNames[from] << " -> " << kZipNames[to];
            if (to == kNone) {
                EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".zip"));
            }
        }
    }
}
