// Binding an archiver DLL from a program folder that has or lacks it. The probe runs from a
// folder of its own, so the DLL search sees exactly what the test put there.
#include <gtest/gtest.h>

#include "../support/child_process.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

class DllBinding : public testing::Test {
protected:
    std::string RunBindProbe() {
        std::string probe = dir / "errprobe.exe";
        EXPECT_TRUE(CopyFileA(BinPath("errprobe.exe").c_str(), probe.c_str(), FALSE));
        EXPECT_EQ(RunProgram(probe, "bind-lha", {}, dir.Path()), 0);
        return ReadFile(dir / "bind.txt");
    }
    TempDir dir;
};

}  // namespace

TEST_F(DllBinding, MissingDllRaisesItsMessageAndLeavesTheSemaphoreFree) {
    EXPECT_EQ(RunBindProbe(), "3634 LHA 形式の解凍には UNLHA32.DLL が必要です。|free");
}

TEST_F(DllBinding, MissingExportRaisesErrorAndStillReleasesEverything) {
    // Any loadable module serves as a DLL without the archiver's exports.
    ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), (dir / "UNLHA32.DLL").c_str(), FALSE));
    EXPECT_EQ(RunBindProbe(), "102 error|free");
    // The module was unloaded too: Windows would refuse to delete a mapped image.
    EXPECT_TRUE(DeleteFileA((dir / "UNLHA32.DLL").c_str()));
}
