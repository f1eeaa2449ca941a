// dovetrim.exe itself (the same start-up, dispatch and resources), which afterwards writes
// the deepest nesting of try blocks its action reached into "depth.txt" beside itself.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "../../src/app/app.h"
#include "../../src/app/dispatch.h"
#include "../../src/lib/except3.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    App_Startup(__DATE__, __TIME__);
    DispatchCommandLine(command_line);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* name = strrchr(path, '\\');
    if (name != nullptr) snprintf(name + 1, sizeof path - (name + 1 - path), "depth.txt");
    FILE* f = fopen(path, "wb");
    if (f != nullptr) {
        fprintf(f, "%d", Except_Main()->deepest);
        fclose(f);
    }
    return App_ExitStatus();
}
