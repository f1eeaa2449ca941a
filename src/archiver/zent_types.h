#pragma once
// The archive types the program knows: extensions, settings names, compress-dialog
// positions and the archiver DLL that serves each.

enum Zent_ArcType {
    Zent_LzhType = 0,
    Zent_ZipType = 1,
    Zent_CabType = 2,
    Zent_RarType = 3,
    Zent_ArjType = 4,
    Zent_Yz1Type = 5,
    Zent_GcaType = 6,
    Zent_TarType = 7,
    Zent_7zType = 8,
    Zent_NotArcType = 9,
};

// The archiver DLLs, each with its export prefix and the named semaphore that keeps all
// work through it sequential across processes.
enum Zent_DllId {
    Zent_Dll_Unlha,
    Zent_Dll_Unzip,
    Zent_Dll_Zip,
    Zent_Dll_Cab,
    Zent_Dll_Unrar,
    Zent_Dll_Unarj,
    Zent_Dll_Yz1,
    Zent_Dll_Ungca,
    Zent_Dll_Tar,
    Zent_Dll_7z,
    Zent_Dll_Count,
};

struct Zent_DllInfo {
    const char* file;    // loaded by this bare name
    const char* prefix;  // export names start with it; null for the DLLs of their own kind
    const char* semaphore;
};

const Zent_DllInfo& Zent_Dll(Zent_DllId id);

// The extension of a path: the text after the last "." of its file name, "" if none.
const char* Zent_ExtOfPath(const char* path);
int Zent_TypeOfExt(const char* ext);  // case-insensitive; 9 when unknown
int Zent_TypeOfPath(const char* path);
bool Zent_IsArchivePath(const char* path);
const char* Zent_ExtOfType(int type);   // extension for a new archive; "lzh" out of range
const char* Zent_TypeName(int type);    // settings name; Zent_LzhType out of range
int Zent_TypeOfName(const char* name);  // raises Errors_Unofficial "error" when unknown
int Zent_PosOfType(int type);           // compress-dialog position, -1 not compressible
int Zent_TypeOfPos(int pos);
