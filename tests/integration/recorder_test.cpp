#include <gtest/gtest.h>

#include "../support/child_process.h"
#include "../support/test_folders.h"

using namespace testing_support;

TEST(Recorder, AppendsItsCommandLineOnceForEveryStart) {
    TempDir dir;
    std::string log = dir / "log.txt";
    std::string recorder = dir / "explorer.exe";
    ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), recorder.c_str(), FALSE));
    Environment env = {{"QUARVEL_RECORDER_LOG", log}};
    EXPECT_EQ(RunProgram(recorder, "/e,\"C:\\作業\\表示\"", env), 0);
    EXPECT_EQ(RunProgram(recorder, "/n,/select,C:\\a.txt", env), 0);
    EXPECT_EQ(ReadFile(log), "\"" + recorder + "\" /e,\"C:\\作業\\表示\"\r\n\"" + recorder +
                                 "\" /n,/select,C:\\a.txt\r\n");
}
