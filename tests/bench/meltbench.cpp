// Time of one melt into an empty cache, for comparing changes:
//   meltbench.exe archive cache-folder
// Melts the archive as a double click with the default action "do nothing" does
// (MeltExtractOnly into the cache: extraction, cache database, the web's mark when the archive
// has one) and prints the milliseconds it took. Not a test: it checks nothing and is not run
// by the suite. The archiver DLLs are the ones beside the program.
#include <windows.h>

#include <cstdio>

#include "app/app.h"
#include "folders/melt.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"

static Zent_Settings g_settings;

int main(int argc, char** argv) {
    if (argc < 3) {
        printf("usage: meltbench archive cache-folder\n");
        return 2;
    }
    App_Startup(__DATE__, __TIME__);
    Zent_LoadSettings(&g_settings, "");  // no file: the defaults
    StdPlus_CopyN(g_settings.CachePath, argv[2], sizeof g_settings.CachePath);
    if (FileX_Exists(argv[2])) FileX_DeleteTree(argv[2]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    MeltExtractOnly(&g_settings, argv[1], Zent_MeltTo_Cache);
    QueryPerformanceCounter(&end);
    printf("%.1f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                         static_cast<double>(frequency.QuadPart));
    return 0;
}
