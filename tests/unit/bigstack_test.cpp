#include "lib/bigstack.h"

#include <gtest/gtest.h>

#include "../support/raise_capture.h"

using testing_support::CatchRaise;

TEST(BigStack, AllocRoundsUpToFourBytes) {
    alignas(4) char memory[64];
    BigStack stack;
    BigStack_Init(&stack, memory, sizeof memory);
    char* first = static_cast<char*>(BigStack_Alloc(&stack, 5));
    char* second = static_cast<char*>(BigStack_Alloc(&stack, 1));
    EXPECT_EQ(second - first, 8);
    EXPECT_EQ(stack.highest, 12u);
}

TEST(BigStack, PopReleasesEverythingSinceItsPushAndNestedFramesUnwindInOrder) {
    alignas(4) char memory[64];
    BigStack stack;
    BigStack_Init(&stack, memory, sizeof memory);
    BigStack_Alloc(&stack, 4);
    char* before = stack.top;
    BigStack_Push(&stack);
    BigStack_Alloc(&stack, 6);
    char* inner_before = stack.top;
    BigStack_Push(&stack);
    BigStack_Alloc(&stack, 10);
    BigStack_Pop(&stack);
    EXPECT_EQ(stack.top, inner_before);
    BigStack_Alloc(&stack, 3);
    BigStack_Pop(&stack);
    EXPECT_EQ(stack.top, before);
    EXPECT_EQ(stack.frame, nullptr);
}

TEST(BigStack, FullReportsTheFreeBytesAndTheRoundedRequest) {
    alignas(4) char memory[32];
    BigStack stack;
    BigStack_Init(&stack, memory, 30);
    BigStack_Alloc(&stack, 20);
    auto caught = CatchRaise([&] { BigStack_Alloc(&stack, 12); });
    EXPECT_EQ(caught.code, BigStack_Full);
    EXPECT_EQ(caught.message, "BigStack 不足です (usable=10, request=12)");
    EXPECT_EQ(stack.top, memory + 20) << "a failed allocation takes nothing";
    EXPECT_EQ(CatchRaise([&] { BigStack_Alloc(&stack, 9); }).code, BigStack_Full)
        << "9 rounds up to 12";
    EXPECT_EQ(CatchRaise([&] { BigStack_Alloc(&stack, 8); }).code, 0);
}

TEST(BigStack, TheProgramsStackHoldsSixtyFourKilobytes) {
    BigStack* main = BigStack_Main();
    EXPECT_EQ(main->capacity, 65536u);
    BigStack_Push(main);
    EXPECT_EQ(CatchRaise([&] { BigStack_Alloc(main, 65536); }).code, BigStack_Full);
    EXPECT_EQ(CatchRaise([&] { BigStack_Alloc(main, 65532 - (main->top - main->start)); }).code, 0);
    BigStack_Pop(main);
}
