#pragma once
// The archive types the program knows: extensions, settings names and compress-dialog
// positions. The DLL that serves each is in archiver/dlls.h.

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

int Zent_TypeOfExt(const char* ext);  // case-insensitive; 9 when unknown
int Zent_TypeOfPath(const char* path);
bool Zent_IsArchivePath(const char* path);
const char* Zent_ExtOfType(int type);   // extension for a new archive; "lzh" out of range
const char* Zent_TypeName(int type);    // settings name; Zent_LzhType out of range
int Zent_TypeOfName(const char* name);  // raises Errors_Unofficial "error" when unknown
int Zent_PosOfType(int type);           // compress-dialog position, -1 not compressible
int Zent_TypeOfPos(int pos);
