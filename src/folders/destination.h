#pragma once
// Where an extraction goes: a melt destination resolved to a base folder.
#include <windows.h>

#include "settings/settings.h"

// Melt destination values beyond those kept in the settings.
enum { Zent_MeltTo_Explicit = 9 };

// Extracts through the archive's DLL (archiver/extract.h). With the cache, the cache
// database in cache_folder decides whether an unchanged archive reuses its working folder.
// When the archive carries the web's mark, so does every file the extraction writes
// (folders/webmark.h).
// `created` as Zent_ExtractInFrame gives it.
void Zent_ExtractIntoBase(const char* archive, const char* base, char* result, bool use_cache,
                          const char* cache_folder, HWND owner, bool* created = nullptr);

// choice is a Zent_MeltTo value, or Zent_MeltTo_Explicit with the folder as the initial
// content of result. result (260 bytes) receives the folder that holds the content. Only the
// cache destination goes through the cache database. An empty standard or install folder
// means the archive's own folder, never the process's current one.
void Zent_ExtractToDestination(const Zent_Settings* settings, const char* archive, int choice,
                               char* result, bool* created = nullptr);
