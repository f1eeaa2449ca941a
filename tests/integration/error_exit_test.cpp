// How an error ends a process, watched from outside: the box the user sees, the error log
// and the exit code. errprobe.exe starts exactly like dovetrim.exe and runs one scenario.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

class ErrorExit : public testing::Test {
protected:
    ChildProcess Start(const std::string& scenario) {
        ChildProcess child = StartProgram(BinPath("errprobe.exe"), scenario, {}, dir.Path());
        EXPECT_TRUE(child.Started());
        return child;
    }
    std::string Log() { return ReadFile(dir / "errlog4.txt"); }
    TempDir dir;
};

}  // namespace

TEST_F(ErrorExit, ErrorOutsideAnyBlockShowsItsMessageLogsItsLineAndExits14) {
    ChildProcess child = Start("uncaught");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, "LHA 形式の解凍には UNLHA32.DLL が必要です。");
    EXPECT_TRUE(gui::HasButton(box, IDOK));
    ASSERT_TRUE(gui::Answer(box, IDOK));
    EXPECT_EQ(child.Wait(), 14);
    // The header names the raising source line; only its digits are left open here.
    std::string log = Log();
    const std::string head = "errprobe.cpp(";
    const std::string tail =
        ") : id = 1, code = 3634, Zent_Err_NotFoundDLL, "
        "LHA 形式の解凍には UNLHA32.DLL が必要です。\r\n";
    ASSERT_GT(log.size(), head.size() + tail.size());
    EXPECT_EQ(log.substr(0, head.size()), head);
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    std::string line = log.substr(head.size(), log.size() - head.size() - tail.size());
    EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << line;
}

TEST_F(ErrorExit, ErrorPassedOutOfTheOutermostBlockRunsItsFinallyThenExits14) {
    ChildProcess child = Start("passed-on");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    EXPECT_EQ(box.text, "書き込めません");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
    EXPECT_EQ(ReadFile(dir / "finally.txt"), "ran");
}

TEST_F(ErrorExit, RaiseInsideACatchClauseIsADoubleErrorRecordedInTheTranscript) {
    ChildProcess child = Start("double");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    ASSERT_NE(box.hwnd, nullptr);
    const std::string double_line =
        "二重エラーです。catch または finally の中でエラーになっている可能性があります。";
    EXPECT_EQ(box.text, double_line + "\n\ncatch の中のエラー");

    // While the box is up the transcript is still in the child's memory: read it there.
    void* address = reinterpret_cast<void*>(
        std::strtoull(ReadFile(dir / "transcript-address.txt").c_str(), nullptr, 16));
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, child.Pid());
    ASSERT_NE(process, nullptr);
    std::string transcript(1912, '\0');
    SIZE_T got = 0;
    ASSERT_TRUE(ReadProcessMemory(process, address, &transcript[0], transcript.size(), &got));
    CloseHandle(process);
    EXPECT_NE(transcript.find("最初のエラー\r\n"), std::string::npos);
    EXPECT_NE(transcript.find("catch の中のエラー\r\n" + double_line + "\r\n"), std::string::npos);

    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
    EXPECT_NE(Log().find("code = 365, FileX_Err_CannotWrite, catch の中のエラー"),
              std::string::npos);
}

TEST_F(ErrorExit, ThirdRaiseOfTheProcessCarriesSerialThreeInItsHeader) {
    ChildProcess child = Start("third-raise");
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(ReadFile(dir / "record.txt"),
              "filex(785) : id = 3, code = 367, FileX_Err_AccessDenied, a.txt を削除できません");
}

TEST_F(ErrorExit, ErrorBoxCancelEndsTheProcessWith14AndOkReturns) {
    for (int button : {IDOK, IDCANCEL}) {
        ChildProcess child = Start("message");
        auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
        EXPECT_EQ(box.text, "確認してください: 42");
        EXPECT_TRUE(gui::HasButton(box, IDOK));
        EXPECT_TRUE(gui::HasButton(box, IDCANCEL));
        gui::Answer(box, button);
        EXPECT_EQ(child.Wait(), button == IDOK ? 0 : 14);
    }
}

TEST_F(ErrorExit, FirstLogLineOfAProcessReplacesTheOldLogAndLaterLinesAppend) {
    WriteFile(dir / "errlog4.txt", "前のプロセスの記録\r\n");
    ChildProcess child = Start("log");
    for (const char* text : {"errno = 2 : 一行目", "二行目"}) {
        auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
        EXPECT_EQ(box.text, text);
        gui::Answer(box, IDOK);
    }
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(Log(), "errno = 2 : 一行目\r\n二行目\r\n");
}

TEST_F(ErrorExit, FiveNestedBlocksAreAllowedAndASixthEndsTheProcess) {
    EXPECT_EQ(Start("five-blocks").Wait(), 0);
    ChildProcess child = Start("six-blocks");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    EXPECT_EQ(box.text, "try 用スタック領域がいっぱいになりました。");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
}

TEST_F(ErrorExit, EndWithoutATryEndsTheProcessWith14) {
    ChildProcess child = Start("end-without-try");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    EXPECT_EQ(box.text, "キャッチできない例外が発生しました");
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
}

// The fatal path ends the process without unwinding: the semaphore is given back before the
// box is shown, so another instance waiting on it goes on while the box is still open.
TEST_F(ErrorExit, FatalErrorGivesBackTheSemaphoreItHeld) {
    HANDLE unlha = CreateSemaphoreA(nullptr, 1, 1, "UNLHA");
    ChildProcess child = Start("fatal-while-bound");
    auto box = gui::WaitForMessageBox("エラーメッセージ", child.Pid());
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, "bound and failing");
    bool free = WaitForSingleObject(unlha, 0) == WAIT_OBJECT_0;
    EXPECT_TRUE(free) << "the semaphore is still taken while the error box is open";
    if (free) ReleaseSemaphore(unlha, 1, nullptr);
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 14);
    EXPECT_EQ(WaitForSingleObject(unlha, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    ReleaseSemaphore(unlha, 1, nullptr);
    CloseHandle(unlha);
}
