#pragma once
// Shared by the update and back-to-normal sources only; no other module includes it.
#include "settings/settings.h"

enum { Update_PathSize = 260 };

// The archive's full path: the extraction moves the current folder, and a relative name
// would move with it.
char* Update_FullPath(char* out, const char* path);

// Extracts the archive into the cache (reusing its working folder when the cache database
// knows it) and gives the working folder. False after the user cancelled the extraction;
// the partly extracted folder is gone then.
bool Update_MeltIntoCache(const Zent_Settings* settings, const char* archive, char* folder);

// The backup slot of an archive, one per working folder, beside it: the archive's file name
// when the folder is named like the archive (cache\report.lzh for cache\report,
// cache\af1\report.lzh for cache\af1\report), else the folder's name with the archive's
// extension (cache\doc.lzh for report.lzh in cache\doc).
char* Update_SlotPath(char* out, const char* archive, const char* folder);
// `file` goes into the slot: deleted when the slot holds the same bytes already, else moved
// there, replacing the slot's file only once the move is complete. Raises on failure with
// `file` where it was.
void Update_KeepInSlot(const char* slot, const char* file, const char* title);

// Whether the rewritten archive stores the working folder under its own name: it does when
// every entry of the archive lies below a top folder named like the working folder, as the
// extraction named the working folder after such a folder. YZ1 can store nothing else.
bool Update_StoresFolder(const char* archive, const char* folder, int type);

// The archive as it was before an update, kept beside it with "~" before its extension
// (report~.lzh): a second link of the file, or a copy. Only a copy this object made is ever
// put back or removed.
class Update_Backup {
public:
    // Raises when the name is taken: the file there is someone's own.
    explicit Update_Backup(const char* archive);
    Update_Backup(const Update_Backup&) = delete;
    Update_Backup& operator=(const Update_Backup&) = delete;

    const char* Path() const { return path_; }
    void Make(const char* title);
    // The archive as it was, time included, by renaming the copy over it; when the archive
    // was never replaced the copy just goes. Never raises: a copy that cannot be put back
    // stays where it is.
    void PutBack();
    // After a complete update: the copy goes into the slot (or away when the slot holds it).
    void KeepIn(const char* slot, const char* title);
    bool Exists() const;

private:
    char archive_[Update_PathSize];
    char path_[Update_PathSize];
    bool made_ = false;
    bool linked_ = false;
};
