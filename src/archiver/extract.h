#pragma once
// Extraction of one archive into a folder through its archiver DLL: the content goes into
// a folder named after the archive or into the archive's own single top folder, entries
// that climb out with ".." are kept inside the base folder, and an unchanged archive
// already melted into the cache reuses its working folder.
#include <windows.h>

// `result` (260 bytes) receives the folder holding the content; after a cancel in the DLL,
// the "-remnants" folder. The current directory is left where the DLL extracted.
// The DLL is chosen by the archive's extension; unknown extensions go to TAR32.DLL.
void Zent_Extract(const char* archive, const char* base, char* result, bool use_cache,
                  const char* cache_folder, HWND owner);
