// UNGCA32.DLL stand-in: extracts the stand-ins' own GCA container (see archivers/README.md:
// real GCA files are not read).
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"

EXTRACT_ONLY_DLL(UnGCA, "UNGCA32.DLL", arc::kGcaFormat)
