// Exercises the ways an error can end a process, one scenario per run, after the same
// start-up as the program. The tests watch the boxes it shows and its exit code.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "../../src/app/app.h"
#include "../../src/archiver/dllbind.h"
#include "../../src/lib/errors.h"
#include "../../src/lib/except3.h"

static void WriteText(const char* name, const char* text) {
    FILE* f = fopen(name, "wb");
    if (f == nullptr) return;
    fputs(text, f);
    fclose(f);
}

static void Uncaught() {
    ERRORS_RAISE(Zent_Err_NotFoundDLL, "LHA 形式の解凍には UNLHA32.DLL が必要です。");
}

static void PassedOn() {
    Except_TryFinally(
        __FILE__, __LINE__, [] { ERRORS_RAISE(FileX_Err_CannotWrite, "書き込めません"); },
        [] { WriteText("finally.txt", "ran"); });
}

static void DoubleError() {
    char address[32];
    snprintf(address, sizeof address, "%p", static_cast<const void*>(Errors_Transcript()));
    WriteText("transcript-address.txt", address);
    Except_TryCatch(
        __FILE__, __LINE__, [] { ERRORS_RAISE(Errors_Unofficial, "最初のエラー"); },
        [] { ERRORS_RAISE(FileX_Err_CannotWrite, "catch の中のエラー"); });
}

static void ThirdRaise() {
    for (int i = 0; i < 2; i++) {
        Except_TryCatch(
            __FILE__, __LINE__, [] { ERRORS_RAISE(Errors_Unofficial, "error"); }, [] {});
    }
    Except_TryCatch(
        __FILE__, __LINE__,
        [] {
            Errors_Raise("filex", 785, FileX_Err_AccessDenied, "FileX_Err_AccessDenied",
                         "%s を削除できません", "a.txt");
        },
        [] { WriteText("record.txt", Except_Error()->text); });
}

static void Nest(int depth) {
    Except_TryFinally(
        __FILE__, __LINE__,
        [depth] {
            if (depth > 1) Nest(depth - 1);
        },
        [] {});
}

// Binds UNLHA32.DLL and asks for its command export, then reports what was raised and
// whether another process could take the DLL's semaphore right away.
static void BindLha() {
    char result[600];
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            Zent_DllFrame binding(Zent_Dll_Unlha, "LHA 形式の解凍には UNLHA32.DLL が必要です。");
            binding.Dll().Export("");
            snprintf(result, sizeof result, "bound");
        },
        [&] {
            snprintf(result, sizeof result, "%d %s", Except_Error()->code, Except_Error()->message);
        });
    HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, "UNLHA");
    bool free = WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0;
    if (free) ReleaseSemaphore(semaphore, 1, nullptr);
    CloseHandle(semaphore);
    snprintf(result + strlen(result), sizeof result - strlen(result), "|%s",
             free ? "free" : "held");
    WriteText("bind.txt", result);
}

// An error that no block catches while the DLL's semaphore is taken: nothing unwinds, and
// the process ends through the fatal path with the semaphore still in its hands.
static void FatalWhileBound() {
    Zent_DllFrame binding(Zent_Dll_Unlha, "LHA 形式の解凍には UNLHA32.DLL が必要です。");
    ERRORS_RAISE(Errors_Unofficial, "%s", "bound and failing");
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    App_Startup(__DATE__, __TIME__);
    const char* scenario = command_line;
    if (strcmp(scenario, "uncaught") == 0) Uncaught();
    if (strcmp(scenario, "passed-on") == 0) PassedOn();
    if (strcmp(scenario, "double") == 0) DoubleError();
    if (strcmp(scenario, "third-raise") == 0) ThirdRaise();
    if (strcmp(scenario, "message") == 0) Errors_Message("確認してください: %d", 42);
    if (strcmp(scenario, "log") == 0) {
        Errors_Log("errno = %d : %s", 2, "一行目");
        Errors_Log("二行目");
    }
    if (strcmp(scenario, "five-blocks") == 0) Nest(5);
    if (strcmp(scenario, "six-blocks") == 0) Nest(6);
    if (strcmp(scenario, "bind-lha") == 0) BindLha();
    if (strcmp(scenario, "fatal-while-bound") == 0) FatalWhileBound();
    if (strcmp(scenario, "end-without-try") == 0) Except_End(Except_Main());
    return 0;
}
