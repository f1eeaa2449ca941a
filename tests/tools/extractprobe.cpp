// Runs one extraction in a process of its own, after the same start-up as the program:
//   extractprobe OUT ARCHIVE BASE CACHE|-
// OUT receives "CODE|MESSAGE|RESULT-FOLDER|SEMAPHORE" (code 0 when nothing was raised;
// SEMAPHORE is "free" when a fresh handle could take the DLL's semaphore at once). With
// QUARVEL_PROBE_HOLD=NAME the process then signals the event NAME-done and stays alive until
// NAME-go is set, so another process can look at the semaphore while this one still lives.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../../src/app/app.h"
#include "../../src/folders/destination.h"
#include "../../src/archiver/dlls.h"
#include "../../src/lib/errors.h"
#include "../../src/lib/except3.h"
#include "../../src/lib/strx.h"

static const char* SemaphoreOf(const char* archive) {
    return Zent_Dll(Zent_ExtractDllOf(archive)).semaphore;
}

static bool SemaphoreFree(const char* name) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, name);
    bool free = WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0;
    if (free) ReleaseSemaphore(semaphore, 1, nullptr);
    CloseHandle(semaphore);
    return free;
}

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    App_Startup(__DATE__, __TIME__);
    const char* archive = argv[2];
    bool use_cache = strcmp(argv[4], "-") != 0;
    char result[260] = "";
    int code = 0;
    std::string message;
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            Zent_ExtractIntoBase(archive, use_cache ? argv[4] : argv[3], result, use_cache,
                                 use_cache ? argv[4] : "", nullptr);
        },
        [&] {
            code = Except_Error()->code;
            message = Except_Error()->message;
        });
    FILE* out = fopen(argv[1], "wb");
    if (out == nullptr) return 3;
    fprintf(out, "%d|%s|%s|%s", code, message.c_str(), result,
            SemaphoreFree(SemaphoreOf(archive)) ? "free" : "held");
    fclose(out);

    char hold[200];
    if (GetEnvironmentVariableA("QUARVEL_PROBE_HOLD", hold, sizeof hold) > 0) {
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, (std::string(hold) + "-done").c_str());
        HANDLE go = CreateEventA(nullptr, TRUE, FALSE, (std::string(hold) + "-go").c_str());
        SetEvent(done);
        WaitForSingleObject(go, 30000);
        CloseHandle(done);
        CloseHandle(go);
    }
    return 0;
}
