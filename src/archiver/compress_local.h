#pragma once
// Shared by the compression source files only; no other module includes it.
#include <windows.h>

#include "archiver/compress.h"
#include "archiver/dllbind.h"

namespace CompressX {

enum { kPath = 260 };

// One call of Zent_CompressTo, its sources taken apart.
struct Job {
    const char* sources;
    int count;  // items in sources
    char first[kPath];
    bool first_is_folder;
    char archive[kPath];  // with the type's extension
    bool store_folder;
    bool self_extract;
    bool update;
    const Zent_SfxOptions* sfx;
    HWND owner;
    char* written;  // may be null
};

// Where the DLL runs and what it is told to take. The first item stored under its own name:
// its parent and its name (a folder's with "\*"); else the folder itself and "*". A lone file
// has no folder of its own to run in, so it is always taken from its parent.
void WorkingPlace(const Job& job, char* folder, char* pattern);

// The overwrite question; second may be null. "No" raises Zent_Err_UserCancel.
void AskOverwrite(HWND owner, const char* first, const char* second);
// Its three forms for an archive and the program of the same name.
void AskOverwriteEither(const Job& job, const char* archive, const char* exe);

char* WithExt(char* out, const char* path, const char* ext);
// A free name "~ztN-<name>" beside final_path whose form with "exe" is free too.
void TemporaryBeside(const char* final_path, char* out);
// final_path takes the complete file built beside it, replacing what was there.
void Replace(const char* final_path, const char* built);
void Report(const Job& job, const char* path);  // fills job.written

// Runs one command of a DLL of the common family: 0x8020 is the user's cancel, any other
// failure is raised with its number.
void RunCommand(const Zent_LoadedDll& dll, const char* command, HWND owner);

// Files that exist only while the operation runs: each is deleted on every way out unless
// it was taken (Replace moved it away).
class Scratch {
public:
    Scratch() = default;
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch();
    // path: 260 bytes. Writes text into a new file (text mode); a file of that name that is
    // already there is someone's own and is refused, never overwritten.
    void Write(const char* path, const char* text);
    void Add(const char* path);

private:
    enum { kMax = 6 };
    char paths_[kMax][kPath] = {};
    int count_ = 0;
};

// The current directory of the process, put back when the object goes.
class KeepCurrentDir {
public:
    KeepCurrentDir();
    ~KeepCurrentDir();
    KeepCurrentDir(const KeepCurrentDir&) = delete;
    KeepCurrentDir& operator=(const KeepCurrentDir&) = delete;

private:
    char saved_[MAX_PATH] = "";
};
void SetCurrentDir(const char* folder);

// The compression operation of each writable type (Zent_TypeInfo::compress), run with the
// DLL that writes the type.
void CompressLha(const Job& job, Zent_DllId dll);
void CompressCab(const Job& job, Zent_DllId dll);
void CompressYz1(const Job& job, Zent_DllId dll);
void CompressTar(const Job& job, Zent_DllId dll);
void CompressSevenZip(const Job& job, Zent_DllId dll);
void CompressZip(const Job& job, Zent_DllId dll);

}  // namespace CompressX
