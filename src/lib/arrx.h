#pragma once
// Fixed-memory containers: a growing byte buffer and a slot array with free markers.
// Neither ever grows its memory; running out raises ArrX_Err_Full.
#include <cstddef>

struct ArrX {
    char* start;
    char* end;    // end of the used part
    char* limit;  // start + capacity
};

struct ArrX_Able {
    char* start;
    char* end;
};

void ArrX_Init(ArrX* buf, void* memory, size_t capacity);
void* ArrX_Alloc(ArrX* buf, size_t n);
void ArrX_Remove(ArrX* buf, void* position, size_t n);

void ArrX_Able_Init(ArrX_Able* slots, void* memory, size_t size, size_t slot_size,
                    size_t flag_offset);
void* ArrX_Able_Find(ArrX_Able* slots, size_t slot_size, size_t flag_offset);
// As ArrX_Able_Find, but gives null when every slot is taken. The error module needs this:
// it must not raise while it is recording an error.
void* ArrX_Able_FindOrNull(ArrX_Able* slots, size_t slot_size, size_t flag_offset);
