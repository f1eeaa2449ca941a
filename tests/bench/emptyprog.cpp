// The program's start without its work, for comparing against: linked like dovetrim.exe,
// with its resources and the same entry points kept (so the same DLLs are imported and
// loaded), it returns at once. Not a test: scripts/bench-melt.sh times it.
#include <windows.h>

#include "app/app.h"
#include "app/dispatch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    // Never true at run time; the compiler cannot know it, so everything the program links
    // stays linked.
    if (GetEnvironmentVariableA("QUARVEL_EMPTYPROG_NEVER", nullptr, 0) == 0xFFFFFFFF) {
        App_Startup(__DATE__, __TIME__);
        DispatchCommandLine(command_line);
        return App_ExitStatus();
    }
    return 0;
}
