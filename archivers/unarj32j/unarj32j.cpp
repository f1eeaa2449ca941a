// UNARJ32J.DLL stand-in: extracts ARJ archives (methods 0 to 4).
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"

EXTRACT_ONLY_DLL(Unarj, "UNARJ32J.DLL", arc::kArjFormat)
