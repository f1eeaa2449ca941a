// A DLL that must never be loaded. Put under an archiver DLL's name where only a search of
// the current folder would find it, it leaves "<its own path>.loaded" behind when it is.
#include <windows.h>

#include <cstdio>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH - 8);
    if (n == 0 || n >= MAX_PATH - 8) return TRUE;
    snprintf(path + n, MAX_PATH - n, ".loaded");
    FILE* f = fopen(path, "wb");
    if (f != nullptr) {
        fputs("loaded", f);
        fclose(f);
    }
    return TRUE;
}
