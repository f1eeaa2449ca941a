#pragma once
// What the floppy dialog writes on a disk: the description files, the pieces and whole
// copies, and the clearing of a disk.
#include <windows.h>

#include <ctime>
#include <string>
#include <vector>
#include "shell/progress.h"

struct Progress_Mirror;

extern const char Floppy_Title[];  // "フロッピーに保存 - Quarvel"

// The archive being divided, as it was when the dialog opened.
struct Floppy_Source {
    char path[260];
    char name[260];  // without its folder
    long size;
    time_t time;
};
// False, after saying so, for an archive of 2 GB or more: the pieces' offsets and the
// description files count in signed 32 bits.
bool Floppy_ReadSource(const char* archive, Floppy_Source* source, HWND owner);

// "%d.ini" in the root. Disk 1's file carries the whole record with the number of disks
// (1 on the first writing, the count on the final one); the others name and number.
std::string Floppy_DescriptionPath(const char* root, int number);
void Floppy_WriteDescription(const char* root, const Floppy_Source& source, int number, int disks);
// The disk in the drive is the first of this archive's split: its "1.ini" names the
// archive as number 1, and piece "1" is there.
bool Floppy_IsFirstDisk(const char* root, const Floppy_Source& source);

// The files of the root that clearing the disk deletes: folders and the protected names
// stay.
std::vector<std::string> Floppy_ClearableFiles(const char* root);
void Floppy_DeleteFiles(const char* root, const std::vector<std::string>& names);

// A whole file onto a disk: beside the file of that name when both fit, so that it stays
// until its replacement is whole; in its place otherwise.
void Floppy_CopyWhole(const char* dst, const char* src, HWND owner, const Progress_Mirror& mirror);
// The piece that starts at start, room bytes at most, in place. It gets the archive's
// time, which the joining program checks. Gives its size.
long Floppy_CopyPiece(const char* dst, const Floppy_Source& source, long start, long room,
                      HWND owner, const Progress_Mirror& mirror);
