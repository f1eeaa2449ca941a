#include "bigstack.h"

#include <cstdint>
#include <cstring>

#include "errors.h"

// A frame mark is a 4-byte word in the stack holding the previous mark. Pointers may be
// 8 bytes wide, so the word stores the previous mark as an offset plus one (0 = no frame).
static uint32_t MarkToWord(const BigStack* stack, const char* mark) {
    return mark == nullptr ? 0 : static_cast<uint32_t>(mark - stack->start) + 1;
}

static char* WordToMark(const BigStack* stack, uint32_t word) {
    return word == 0 ? nullptr : stack->start + (word - 1);
}

void BigStack_Init(BigStack* stack, void* memory, size_t capacity) {
    stack->start = static_cast<char*>(memory);
    stack->capacity = capacity;
    stack->top = stack->start;
    stack->frame = nullptr;
    stack->highest = 0;
}

void BigStack_Push(BigStack* stack) {
    uint32_t word = MarkToWord(stack, stack->frame);
    char* mark = static_cast<char*>(BigStack_Alloc(stack, sizeof word));
    memcpy(mark, &word, sizeof word);
    stack->frame = mark;
}

void* BigStack_Alloc(BigStack* stack, size_t n) {
    size_t rounded = (n + 3) / 4 * 4;
    size_t used = stack->top - stack->start;
    if (used + rounded > stack->capacity) {
        ERRORS_RAISE(BigStack_Full, "BigStack 不足です (usable=%d, request=%d)",
                     static_cast<int>(stack->capacity - used), static_cast<int>(rounded));
        return nullptr;
    }
    char* p = stack->top;
    stack->top += rounded;
    if (used + rounded > stack->highest) stack->highest = used + rounded;
    return p;
}

void BigStack_Pop(BigStack* stack) {
    if (stack->frame == nullptr) return;
    uint32_t word;
    memcpy(&word, stack->frame, sizeof word);
    stack->top = stack->frame;
    stack->frame = WordToMark(stack, word);
}

static char g_main_memory[65536];
static BigStack g_main;

BigStack* BigStack_Main() {
    return &g_main;
}

void BigStack_SetupMain() {
    BigStack_Init(&g_main, g_main_memory, sizeof g_main_memory);
}
