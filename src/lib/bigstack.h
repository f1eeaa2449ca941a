#pragma once
// A stack allocator with frames over one fixed block, used instead of the heap for
// scratch space that lives for one call.
#include <cstddef>

struct BigStack {
    char* start;
    size_t capacity;
    char* top;
    char* frame;  // innermost frame mark, null when no frame is open
    size_t highest;
};

void BigStack_Init(BigStack* stack, void* memory, size_t capacity);
void BigStack_Push(BigStack* stack);
void* BigStack_Alloc(BigStack* stack, size_t n);
void BigStack_Pop(BigStack* stack);

// The process's big stack of 65,536 bytes, set up at start-up.
BigStack* BigStack_Main();
void BigStack_SetupMain();
