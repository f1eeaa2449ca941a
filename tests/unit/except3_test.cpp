#include "lib/except3.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../support/raise_capture.h"

using testing_support::CatchRaise;

namespace {

class ExceptBlocks : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(Except_Main()->depth, 0) << "every block is closed again";
        EXPECT_EQ(Errors_Current()->code, 0) << "no error is left pending";
    }
    std::vector<std::string> events;
};

}  // namespace

TEST_F(ExceptBlocks, HandledCodeRunsCatchOnceAndFinallyOnceThenClears) {
    Except_Block(
        __FILE__, __LINE__,
        [&] {
            events.push_back("body");
            ERRORS_RAISE(FileX_Err_CannotWrite, "書けません");
            events.push_back("after raise");
        },
        [&] { events.push_back("catch " + std::to_string(Except_Error()->code)); },
        [&] { events.push_back("finally"); });
    EXPECT_EQ(events, (std::vector<std::string>{"body", "catch 365", "finally"}));
    events.clear();
    // The error was cleared: a new raise is handled as a fresh one.
    EXPECT_EQ(CatchRaise([] { ERRORS_RAISE(Errors_Unofficial, "error"); }).code, Errors_Unofficial);
}

TEST_F(ExceptBlocks, RethrowReachesTheEnclosingBlockWithTheSameRecord) {
    int inner_serial = 0, outer_serial = 0, outer_code = 0;
    Except_Block(
        __FILE__, __LINE__,
        [&] {
            Except_Block(
                __FILE__, __LINE__, [] { ERRORS_RAISE(WinX_Err_NoRegKey, "キーがありません"); },
                [&] {
                    events.push_back("inner catch");
                    inner_serial = Except_Error()->serial;
                    if (Except_Error()->code != FileX_Err_CannotWrite) Except_Rethrow();
                    events.push_back("inner handled");
                },
                [&] { events.push_back("inner finally"); });
            events.push_back("after inner block");
        },
        [&] {
            events.push_back("outer catch");
            outer_serial = Except_Error()->serial;
            outer_code = Except_Error()->code;
        },
        [&] { events.push_back("outer finally"); });
    EXPECT_EQ(events, (std::vector<std::string>{"inner catch", "inner finally", "outer catch",
                                                "outer finally"}));
    EXPECT_EQ(outer_serial, inner_serial);
    EXPECT_EQ(outer_code, WinX_Err_NoRegKey);
}

TEST_F(ExceptBlocks, BlockWithoutCatchRunsItsFinallyBeforeTheOuterCatch) {
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            Except_TryFinally(
                __FILE__, __LINE__, [] { ERRORS_RAISE(Errors_Unofficial, "error"); },
                [&] { events.push_back("inner finally"); });
        },
        [&] { events.push_back("outer catch"); });
    EXPECT_EQ(events, (std::vector<std::string>{"inner finally", "outer catch"}));
}

TEST_F(ExceptBlocks, RaiseInFinallyAfterACleanBodyComesBackToTheSameBlock) {
    int finally_runs = 0;
    Except_Block(
        __FILE__, __LINE__, [&] { events.push_back("body"); },
        [&] { events.push_back("catch " + std::to_string(Except_Error()->code)); },
        [&] {
            events.push_back("finally");
            if (++finally_runs == 1) ERRORS_RAISE(FileX_Err_EOF, "終わり");
        });
    EXPECT_EQ(events, (std::vector<std::string>{"body", "finally", "catch 361", "finally"}));
}

TEST_F(ExceptBlocks, FiveNestedBlocksPassAnErrorOutwardThroughEveryFinally) {
    std::function<void(int)> nest = [&](int level) {
        Except_TryFinally(
            __FILE__, __LINE__,
            [&] {
                if (level == 4) ERRORS_RAISE(Errors_Unofficial, "deep");
                nest(level + 1);
            },
            [&, level] { events.push_back("finally " + std::to_string(level)); });
    };
    auto caught = CatchRaise([&] { nest(1); });
    EXPECT_EQ(caught.message, "deep");
    EXPECT_EQ(events,
              (std::vector<std::string>{"finally 4", "finally 3", "finally 2", "finally 1"}));
}

TEST_F(ExceptBlocks, JumpRunsTheDestructorsOfTheFramesItLeaves) {
    struct Guard {
        std::vector<std::string>* events;
        const char* name;
        ~Guard() { events->push_back(name); }
    };
    auto raise_deep = [&] {
        Guard inner{&events, "inner guard released"};
        ERRORS_RAISE(Errors_Unofficial, "error");
    };
    auto caught = CatchRaise([&] {
        Guard outer{&events, "outer guard released"};
        raise_deep();
    });
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(events, (std::vector<std::string>{"inner guard released", "outer guard released"}));
}

TEST_F(ExceptBlocks, CatchClauseSkippedWhenItThrewItselfIsNotEnteredAgain) {
    int catch_runs = 0;
    auto caught = CatchRaise([&] {
        Except_TryCatch(
            __FILE__, __LINE__, [] { ERRORS_RAISE(Errors_Unofficial, "error"); },
            [&] {
                ++catch_runs;
                Except_Rethrow();
            });
    });
    EXPECT_EQ(catch_runs, 1);
    EXPECT_EQ(caught.code, Errors_Unofficial);
}

TEST_F(ExceptBlocks, BlockInsideAFinallySectionKeepsThePendingErrorGoing) {
    auto caught = CatchRaise([&] {
        Except_TryFinally(
            __FILE__, __LINE__, [&] { ERRORS_RAISE(Zent_Err_UserCancel, "%s", ""); },
            [&] {
                // Clean-up that has try blocks of its own, as a database write-back does.
                Except_TryFinally(
                    __FILE__, __LINE__, [&] { events.push_back("clean body"); },
                    [&] { events.push_back("clean finally"); });
            });
        events.push_back("after the failed block");
    });
    EXPECT_EQ(caught.code, Zent_Err_UserCancel);
    EXPECT_EQ(events, (std::vector<std::string>{"clean body", "clean finally"}));
}

TEST_F(ExceptBlocks, CleanBlockInsideACatchClauseLeavesItsRethrowIntact) {
    int catches = 0;
    auto caught = CatchRaise([&] {
        Except_TryCatch(
            __FILE__, __LINE__, [&] { ERRORS_RAISE(FileX_Err_CannotWrite, "書けません"); },
            [&] {
                catches++;
                Except_TryFinally(
                    __FILE__, __LINE__, [&] { events.push_back("inner body"); },
                    [&] { events.push_back("inner finally"); });
                Except_Rethrow();
            });
        events.push_back("after the failed block");
    });
    EXPECT_EQ(caught.code, FileX_Err_CannotWrite);
    EXPECT_EQ(catches, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"inner body", "inner finally"}));
}
