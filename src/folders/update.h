#pragma once
// Update: the working folder of a melted archive, with the user's edits, written back into
// the archive. At every moment the archive is the old one or the new one: the old one is
// copied beside it first ("report~.lzh"), put back on any failure, and kept afterwards in
// the cache's backup slot, where back to normal also leaves an archive (backnormal.h).
#include "settings/settings.h"

// An archive never melted is extracted into the cache first. A cancel in the archiver's
// window ends the update quietly with the archive as it was; every other failure is raised
// after the archive was put back.
void UpdateArchive(const Zent_Settings* settings, const char* archive);
