#pragma once
// Extract and install: an archive's content put into a new folder of the user's choice
// (Program Files, say) for good, outside the cache. A folder the user already had is
// replaced only when they said so, and only once the new content is complete.
#include <windows.h>

#include "settings/settings.h"

// The dialog, then the questions about an existing target, then the extraction into a new
// folder beside the target and the move to the chosen name. Explorer shows the new folder
// (with the folder pane when explorer_view) unless it lies next to the archive. A cancel in
// the archiver's progress window ends it quietly; any other failure is raised. Either way
// the destination is left as it was.
void InstallArchive(Zent_Settings* settings, const char* archive, bool explorer_view);

// Puts the folder fresh in the place of target: an existing target is first moved aside,
// and deleted only once fresh is in its place; if fresh cannot be moved in, the old target
// is put back, and when even that fails the error names the folder it stays in. Every move
// is a rename: fresh must lie on the target's volume.
void Zent_ReplaceFolder(const char* target, const char* fresh);

// A new, empty folder of this run's own in parent ("~dovetrimN.new"): no one else's content
// is in it, so everything in it may go. out: 260 bytes; "" when the creation raised.
void Zent_MakeOwnFolder(const char* parent, char* out);
