#include "app.h"

#include <windows.h>

#include <cstdio>

#include "lib/bigstack.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/strx.h"
#include "shell/winx_dllsearch.h"

static const char kProductName[] = "Quarvel";

static char g_program_path[256];
static char g_version[16];
static int g_exit_status;

void App_Startup(const char* build_date, const char* build_time) {
    BigStack_SetupMain();
    Errors_SetupMainHistory();
    Except_SetupMain();
    Errors_SetHandler(Except_ThrowingHandler);
    WinX_KeepDllSearchOutOfUserFolders();
    GetModuleFileNameA(nullptr, g_program_path, sizeof g_program_path);
    snprintf(g_version, sizeof g_version, "%s", StrX_BuildDate(build_date, build_time, "%y%m%d"));
    Errors_SetAppName(kProductName);
    Errors_SetVersion(g_version);
}

const char* App_ProgramPath() {
    return g_program_path;
}
const char* App_Version() {
    return g_version;
}
int App_ExitStatus() {
    return g_exit_status;
}
void App_SetExitStatus(int status) {
    g_exit_status = status;
}
