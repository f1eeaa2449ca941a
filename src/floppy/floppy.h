#pragma once
// Dividing an archive over floppy disks. The floppy dialog "フロッピーに保存 - Quarvel" writes
// one disk per press of 実行: the next bytes of the archive as a piece named by the disk's
// number ("1", "2", ...) with its description file ("1.ini", "2.ini", ...), and on the
// first disk the joining program resume.exe when asked. The pieces are a plain binary split
// that COPY /B joins again. After the last piece the first disk comes back for the final
// description. An archive that fits on the first disk is copied there whole.
#include <windows.h>

#include <cstddef>

#include "lib/filex.h"
#include "settings/settings.h"

// The "-v " action, and the floppy choice of the freeze dialog: the dialog on the archive.
// True when the archive ended up on disks; false when the user cancelled, or when the
// archive is too large to divide (2 GB or more, said in a message).
bool Floppy_Divide(const Zent_Settings* settings, const char* archive, HWND owner);

// ---- The dialog's rules, free of any window -----------------------------------------------

// Where the split stands.
struct Floppy_State {
    int disk;        // the disk the next 実行 writes, from 1
    bool finished;   // every byte is on a disk; disk 1 comes back for the final description
    long written;    // the archive offset of the next piece
    long remaining;  // bytes not on a disk yet
};

// What the drive chosen in the combo box holds.
enum Floppy_DriveKind {
    Floppy_NoDrive,     // no such folder: nothing to write on
    Floppy_FloppySize,  // a disk of floppy size (or one whose size is unknown)
    Floppy_LargeDrive,  // larger than a floppy: a hard disk is never wiped
};
Floppy_DriveKind Floppy_KindOf(bool present, const FileX_DiskSpace& space);

// The three ways of treating what is on the disk, in the order of their radio buttons.
enum Floppy_Option { Floppy_DeleteAll, Floppy_Keep, Floppy_EditFirst };

// What the controls show after a refresh.
struct Floppy_View {
    bool option_enabled[3];
    int option;  // the one checked
    bool execute_enabled;
    bool joiner_enabled;
    bool joiner_checked;
    bool no_content;      // the list shows "no content"
    char disk_line[128];  // the disk and its free space, or the request for disk 1
    char rest_line[128];  // what is left of the archive, or what the last step does
};
Floppy_View Floppy_ViewOf(const Floppy_State& state, Floppy_DriveKind kind,
                          unsigned long long free_bytes);

// Sizes as the dialog shows them: "%d.%0dKB", kilobytes with one decimal digit taken as
// (size mod 1024) / 103.
char* Floppy_FormatSize(unsigned long long size, char* out, size_t out_size);
// The MS-DOS system files and the "." and ".." entries, which clearing a disk leaves alone.
bool Floppy_IsProtectedName(const char* name);
