#include <windows.h>

#include "app.h"
#include "dispatch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    App_Startup(__DATE__, __TIME__);
    DispatchCommandLine(command_line);
    return App_ExitStatus();
}
