#include "arrx.h"

#include <cstring>

#include "errors.h"

void ArrX_Init(ArrX* buf, void* memory, size_t capacity) {
    buf->start = static_cast<char*>(memory);
    buf->end = buf->start;
    buf->limit = buf->start + capacity;
}

void* ArrX_Alloc(ArrX* buf, size_t n) {
    if (n > static_cast<size_t>(buf->limit - buf->end)) {
        ERRORS_RAISE(ArrX_Err_Full, "バッファが満杯です");
        return nullptr;
    }
    char* p = buf->end;
    buf->end += n;
    return p;
}

void ArrX_Remove(ArrX* buf, void* position, size_t n) {
    char* p = static_cast<char*>(position);
    memmove(p, p + n, buf->end - (p + n));
    buf->end -= n;
}

void ArrX_Able_Init(ArrX_Able* slots, void* memory, size_t size, size_t slot_size,
                    size_t flag_offset) {
    slots->start = static_cast<char*>(memory);
    slots->end = slots->start + size / slot_size * slot_size;
    for (char* p = slots->start; p < slots->end; p += slot_size) p[flag_offset] = 0;
}

void* ArrX_Able_FindOrNull(ArrX_Able* slots, size_t slot_size, size_t flag_offset) {
    for (char* p = slots->start; p < slots->end; p += slot_size) {
        if (p[flag_offset] == 0) return p;
    }
    return nullptr;
}

void* ArrX_Able_Find(ArrX_Able* slots, size_t slot_size, size_t flag_offset) {
    void* slot = ArrX_Able_FindOrNull(slots, slot_size, flag_offset);
    if (slot == nullptr) ERRORS_RAISE(ArrX_Err_Full, "ArrX_Able が満杯です");
    return slot;
}
