#include "lib/errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "app/app.h"
#include "../support/raise_capture.h"

using testing_support::CatchRaise;

TEST(ErrorsRaise, ComposedLineIsHeaderThenMessage) {
    auto caught = CatchRaise([] {
        Errors_Raise("filex", 785, FileX_Err_AccessDenied, "FileX_Err_AccessDenied",
                     "%s を削除できません", "a.txt");
    });
    ASSERT_EQ(caught.code, FileX_Err_AccessDenied);
    EXPECT_EQ(caught.text, "filex(785) : id = " + std::to_string(caught.serial) +
                               ", code = 367, FileX_Err_AccessDenied, a.txt を削除できません");
    EXPECT_EQ(caught.message, "a.txt を削除できません");
}

TEST(ErrorsRaise, SerialCountsEveryRaiseOfTheProcess) {
    int first = CatchRaise([] { ERRORS_RAISE(Errors_Unofficial, "error"); }).serial;
    int second = CatchRaise([] { ERRORS_RAISE(Errors_Unofficial, "error"); }).serial;
    EXPECT_GT(first, 0);
    EXPECT_EQ(second, first + 1);
}

TEST(ErrorsRaise, OverlongLineKeepsItsFirst1019CharactersAndThreeDots) {
    std::string header_probe = CatchRaise([] { ERRORS_RAISE(Errors_Unofficial, "x"); }).text;
    size_t header_length = header_probe.size() - 1;  // next raise has the same serial width
    std::string message(1100 - header_length, 'm');
    auto caught = CatchRaise([&] { ERRORS_RAISE(Errors_Unofficial, "%s", message.c_str()); });
    ASSERT_EQ(caught.text.size(), 1022u);
    EXPECT_EQ(caught.text.substr(1019), "...");
    EXPECT_EQ(caught.text.substr(header_length, 1019 - header_length),
              std::string(1019 - header_length, 'm'));
}

TEST(ErrorsRaise, RaiseEntersTheTranscriptWithTheProductAndVersion) {
    auto caught = CatchRaise([] { ERRORS_RAISE(Errors_Unofficial, "記録されるエラー"); });
    std::string transcript = Errors_Transcript();
    std::string expected = caught.text +
                           "\r\nApplication = Quarvel\r\nVersion = " + std::string(App_Version()) +
                           "\r\n";
    EXPECT_NE(transcript.find(expected), std::string::npos) << transcript;
    EXPECT_EQ(std::string(App_Version()).size(), 6u);
}

TEST(ErrorsRaise, CaughtErrorIsClearedSoALaterRaiseIsNoDoubleError) {
    CatchRaise([] { ERRORS_RAISE(FileX_Err_CannotWrite, "一回目"); });
    EXPECT_EQ(Errors_Current()->code, 0);
    EXPECT_EQ(Errors_Current()->serial, 0);
    // A double error would end this test program with exit code 14.
    auto second = CatchRaise([] { ERRORS_RAISE(FileX_Err_CannotWrite, "二回目"); });
    EXPECT_EQ(second.message, "二回目");
}

TEST(ErrorsRaiseErrno, UsesTheTextOfTheErrnoTable) {
    auto caught = CatchRaise([] {
        errno = EACCES;
        Errors_RaiseErrno();
    });
    EXPECT_EQ(caught.code, Errors_Err_Errno);
    EXPECT_EQ(caught.message, "errno = EACCES : アクセスが拒否された。");
    EXPECT_STREQ(Errors_ErrnoText(ENOSPC),
                 "デバイスの空き領域不足。デバイスに書き込み用の領域が残っていません "
                 "(たとえば、ディスクがいっぱいになった場合)。");
    EXPECT_STREQ(Errors_ErrnoText(999), "errno = 999");
}

// Lines written while an error is pending go to the transcript only, so the test writes
// them from a catch clause and no box appears.
TEST(ErrorsTranscript, WrapStartsANewPageAtTheBeginningWithBothMarkers) {
    std::string area;
    int page_before = 0;
    std::string line(100, 'L');
    Except_TryCatch(
        __FILE__, __LINE__, [] { ERRORS_RAISE(Errors_Unofficial, "error"); },
        [&] {
            page_before = Errors_TranscriptPage();
            for (int i = 0; i < 40 && Errors_TranscriptPage() == page_before; i++) {
                line[0] = static_cast<char>('a' + i % 26);
                Errors_Message("%s", line.c_str());
            }
            area.assign(Errors_Transcript(), Errors_TranscriptSize);
        });
    ASSERT_EQ(Errors_TranscriptPage(), page_before + 1);
    std::string start = "--- Page " + std::to_string(page_before + 1) + "\r\n" + line + "\r\n";
    std::string after = "\r\n--- Page " + std::to_string(page_before) + "\r\n ";
    EXPECT_EQ(area.substr(0, start.size()), start);
    EXPECT_EQ(area.substr(start.size(), after.size()), after);
}

TEST(ErrorsMessage, OverlongTextKeepsItsFirst1020CharactersAndThreeDots) {
    std::string copy;
    std::string text(1030, 'z');
    Except_TryCatch(
        __FILE__, __LINE__, [] { ERRORS_RAISE(Errors_Unofficial, "error"); },
        [&] { copy = Errors_Message("%s", text.c_str()); });
    EXPECT_EQ(copy.substr(0, copy.find('\r')), std::string(1020, 'z') + "...");
}
