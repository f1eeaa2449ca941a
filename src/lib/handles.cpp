#include "lib/handles.h"

#include "lib/errors.h"

Own_SemaphoreLock::Own_SemaphoreLock(const char* name)
    : semaphore_(CreateSemaphoreA(nullptr, 1, 1, name)) {
    if (semaphore_ == nullptr) ERRORS_RAISE(Errors_Unofficial, "error");
    WaitForSingleObject(semaphore_, INFINITE);
}
