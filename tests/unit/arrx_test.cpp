#include "lib/arrx.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "../support/raise_capture.h"

using testing_support::CatchRaise;

TEST(ArrX, AllocOfExactlyTheRemainingCapacitySucceedsAndOneMoreByteIsFull) {
    char memory[16];
    ArrX buf;
    ArrX_Init(&buf, memory, sizeof memory);
    ASSERT_EQ(ArrX_Alloc(&buf, 10), memory);
    EXPECT_EQ(CatchRaise([&] { ArrX_Alloc(&buf, 6); }).code, 0);
    EXPECT_EQ(buf.end, memory + 16);

    auto caught = CatchRaise([&] { ArrX_Alloc(&buf, 1); });
    EXPECT_EQ(caught.code, ArrX_Err_Full);
    EXPECT_EQ(caught.message, "バッファが満杯です");
    EXPECT_EQ(buf.end, memory + 16);
}

TEST(ArrX, RemoveMovesLaterRecordsDownAndRemovingTheLastOnlyShrinks) {
    char memory[16];
    ArrX buf;
    ArrX_Init(&buf, memory, sizeof memory);
    char* a = static_cast<char*>(ArrX_Alloc(&buf, 3));
    memcpy(a, "abcdefgh", 8);
    ArrX_Alloc(&buf, 5);
    ArrX_Remove(&buf, a, 3);
    EXPECT_EQ(std::string(buf.start, buf.end), "defgh");
    ArrX_Remove(&buf, buf.start + 3, 2);
    EXPECT_EQ(std::string(buf.start, buf.end), "def");
}

struct Slot {
    int value;
    char taken;
};

TEST(ArrXAble, FindGivesFreeSlotsInOrderUntilAllAreTaken) {
    Slot slots[3];
    for (Slot& s : slots) s.taken = 7;
    ArrX_Able able;
    ArrX_Able_Init(&able, slots, sizeof slots, sizeof(Slot), offsetof(Slot, taken));
    for (Slot& expected : slots) {
        Slot* s = static_cast<Slot*>(ArrX_Able_Find(&able, sizeof(Slot), offsetof(Slot, taken)));
        ASSERT_EQ(s, &expected);
        EXPECT_EQ(s->taken, 0) << "Init marks every slot free";
        s->taken = 1;
    }
    auto caught = CatchRaise([&] { ArrX_Able_Find(&able, sizeof(Slot), offsetof(Slot, taken)); });
    EXPECT_EQ(caught.code, ArrX_Err_Full);
    EXPECT_EQ(caught.message, "ArrX_Able が満杯です");
    EXPECT_EQ(ArrX_Able_FindOrNull(&able, sizeof(Slot), offsetof(Slot, taken)), nullptr);
}
