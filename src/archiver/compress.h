#pragma once
// Compression of folders and files into one archive through the archiver DLL of its type:
// LHA, ZIP (zip32.dll), CAB, YZ1, tar.gz and 7z, optionally as a self-extracting program or
// as an update of an existing archive.
//
// A new archive is always built under a temporary name beside the one it replaces and takes
// its name only once it is complete: a compression that fails or is cancelled leaves an
// existing archive (and an existing program of the same name) exactly as it was.
#include <windows.h>

// What a self-extracting LHA archive does when it runs: the files "!" and "$" it carries.
struct Zent_SfxOptions {
    bool ask;             // a Yes/No question before extracting
    char question[1024];  // its text
    bool install;         // the user chooses the destination
    char title[256];      // $WindowTitle
    char message[256];    // $InstallTitle
    char folder[256];     // $InstallDir, the default destination
    char command[256];    // $Command, run after extraction
};

// The path with the extension of the type: "lzh", "zip", "cab", "yz1", "7z"; for the tar
// family the path is kept when it ends in "gz", else it gets "tar.gz". out: 260 bytes.
char* Zent_ArchivePathOf(char* out, const char* path, int type);

// sources: one or more paths, each quoted or without blanks; the first is the folder (or
// file) whose name the archive is given. store_folder: the archive holds the first item
// under its own name, else its content. sfx may be null. Types that cannot be written do
// nothing. `written` (260 bytes, may be null) receives the file the user now has: the
// archive, or the program when self-extracting. Every failure is raised; "No" to an
// overwrite question and a cancel in the DLL raise Zent_Err_UserCancel.
// An update keeps archive_path as it is; the tar family is then written as its name says:
// ".tar" plain, ".bz2" with bzip2, any other with gzip.
void Zent_CompressTo(const char* sources, const char* archive_path, bool store_folder,
                     bool self_extract, bool update, const Zent_SfxOptions* sfx, int type,
                     HWND owner, char* written = nullptr);
