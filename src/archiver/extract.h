#pragma once
// Extraction of one archive into a folder through its archiver DLL: the content goes into
// a folder named after the archive or into the archive's own single top folder, and
// entries that climb out with ".." are kept inside the base folder.
#include <windows.h>

#include <functional>

#include "archiver/dllbind.h"

// Asked for the folder the content is about to go to, with the DLL's semaphore held: may
// replace it with the folder that already holds the unchanged archive's content, and says
// whether the DLL must run. The cache database reaches the extraction this way.
typedef std::function<bool(const char* archive, char* folder)> Zent_ReuseFolder;

// The frame binds the DLL that Zent_ExtractDllOf chose for the archive, with its
// extraction message (Zent_Dll(id).extract.missing). `result` (260 bytes) receives the
// folder holding the content; after a cancel in the DLL, the "-remnants" folder when this
// extraction made the folder (one that was there before keeps its name). The current
// directory is left where the DLL extracted. `reuse` may be empty. `created` (may be null)
// is set, on every way out, to whether the result folder was made by this extraction: only
// such a folder may be deleted after a failure or a cancel.
void Zent_ExtractInFrame(const Zent_DllFrame& frame, const char* archive, const char* base,
                         char* result, const Zent_ReuseFolder& reuse, HWND owner,
                         bool* created = nullptr);
