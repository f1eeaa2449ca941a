#pragma once
// Melting: an archive extracted into a folder (by default its working folder in the cache)
// and the folder shown, so the archive can be browsed and edited like a folder.
#include "settings/settings.h"

// Extracts into the destination and opens the result folder, in Explorer with the folder
// tree when explorer_view is set, else as a plain folder window.
void MeltOpenFolder(const Zent_Settings* settings, const char* archive, int destination,
                    bool explorer_view);
// Extracts into the destination; nothing is opened.
void MeltExtractOnly(const Zent_Settings* settings, const char* archive, int destination);
// The first token of argument is the archive. A cancel in the archiver's progress window
// asks whether to show the partly extracted folder. Safe records the user adds are saved.
void MeltAutoOpen(Zent_Settings* settings, const char* argument, int destination,
                  int default_action);

// Files that are never started without the user's confirmation: judged by the last
// extension of the name, against every type Windows runs as code.
bool IsDangerousFile(const char* path);
