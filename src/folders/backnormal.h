#pragma once
// Back to normal: an archive turned into an ordinary folder beside it. Its working folder
// (extracted first when the archive was never melted) moves next to the archive under its
// own name, and the archive moves into the cache's backup slot.
#include "settings/settings.h"

// A folder of that name already beside the archive is reported and nothing changes. A
// cancel while extracting removes only the partly extracted folder.
void BackToNormal(const Zent_Settings* settings, const char* archive);
