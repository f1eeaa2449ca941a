#pragma once
// File operations every workflow needs, each either succeeding or raising with a message
// the user can act on: opening, tests, time, size and checksum, comparison, copies with
// progress, moves across volumes, tree copy and guarded tree deletion, folder creation.
#include <cstdio>
#include <ctime>

// Called once per copied block with (user, bytes done, total bytes).
typedef void (*FileX_Progress)(void* user, unsigned long done, unsigned long total);

// Never returns null: a failure raises FileX_Err_CannotWriteOpen or FileX_Err_CannotReadOpen.
FILE* FileX_Open(const char* path, const char* mode);
bool FileX_Exists(const char* path);
bool FileX_IsDir(const char* path);
// True when the folder holds no file or folder (or cannot be listed).
bool FileX_IsEmptyDir(const char* folder);
void FileX_Time(const char* path, time_t* out);
unsigned long FileX_Size(const char* path);  // 0 when the path cannot be examined
// Sum of the first count bytes, byte k shifted left by k mod 7.
unsigned long FileX_Checksum(const char* path, unsigned long count);
// 0 same content, 1 different, -1 only b opens, -2 only a opens, -3 neither.
int FileX_Compare(const char* a, const char* b);
// The first free dir\prefixN.ext (N from 1) into out (260 bytes); TEMP when dir is no folder.
char* FileX_NumberedName(const char* dir, const char* prefix, const char* ext, char* out);

void FileX_Copy(const char* dst, const char* src);
void FileX_CopyProgress(const char* dst, const char* src, FileX_Progress progress, void* user);
// Copies bytes start..end of src into a new dst and gives the count written. end -1: to
// the end of src; end -2: as much as the destination drive can hold.
long FileX_CopyRange(const char* dst, const char* src, long start, long end,
                     FileX_Progress progress, void* user);
void FileX_Move(const char* dst, const char* src);
// Deletes a file, read-only or not; raises FileX_Err_AccessDenied with the file as it was
// when it cannot go.
void FileX_Delete(const char* path);
// Puts the complete file `replacement` in the place of `target` (same volume), written
// through. A target that another process has open (every start of the program reads its
// settings file) cannot be replaced for that moment: the replace is tried again for up to
// two seconds. False with GetLastError() set when it still fails; `replacement` stays then.
bool FileX_Replace(const char* target, const char* replacement);
void FileX_CopyTree(const char* dst, const char* src);
// Refuses, with Errors_Unofficial "error", the Windows and system folders and every root.
void FileX_DeleteTree(const char* path);
void FileX_MakeDirs(const char* path, bool parent_only);

struct FileX_DiskSpace {
    unsigned long sectors_per_cluster;
    unsigned long bytes_per_sector;
    unsigned long free_clusters;
    unsigned long total_clusters;
};
// A failed query leaves all four 0. Root like "C:\".
void FileX_GetDiskSpace(FileX_DiskSpace* space, const char* root);
unsigned long long FileX_FreeBytes(const FileX_DiskSpace* space);
unsigned long long FileX_TotalBytes(const FileX_DiskSpace* space);
unsigned long FileX_ClusterSize(const FileX_DiskSpace* space);
unsigned long long FileX_ClustersFor(const FileX_DiskSpace* space, unsigned long long bytes);
// The space an existing file takes, in whole clusters; 0 when there is no such file.
unsigned long long FileX_SpaceTaken(const FileX_DiskSpace* space, const char* path);
