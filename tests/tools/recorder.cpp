// Stand-in for Explorer and for programs registered to file types in the tests: appends
// its own command line, one line per start, to the file that QUARVEL_RECORDER_LOG names.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("QUARVEL_RECORDER_LOG", log, sizeof log);
    if (n == 0 || n >= sizeof log) return 0;
    // Several recorded programs may start at once; one writer at a time keeps lines whole.
    HANDLE lock = CreateMutexA(nullptr, FALSE, "QuarvelRecorderLog");
    WaitForSingleObject(lock, INFINITE);
    FILE* f = fopen(log, "ab");
    if (f != nullptr) {
        fprintf(f, "%s\r\n", GetCommandLineA());
        fclose(f);
    }
    ReleaseMutex(lock);
    CloseHandle(lock);
    return 0;
}
