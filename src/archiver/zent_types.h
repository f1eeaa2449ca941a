#pragma once
// The archive types the program knows, one record each: extensions, settings name, the
// format names the freeze dialog and the options page list, and how an archive of the type
// is written. The DLL that extracts each is in archiver/dlls.h.
#include "archiver/dll_ids.h"

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

namespace CompressX {
struct Job;
}
// Writes the job's archive through the type's DLL (archiver/compress.h).
typedef void (*Zent_CompressOp)(const CompressX::Job& job, Zent_DllId dll);

struct Zent_TypeInfo {
    Zent_ArcType id;
    const char* name = nullptr;          // in dovetrim.ini
    const char* extensions[10] = {};     // null-terminated
    const char* new_ext = nullptr;       // extension given to a new archive of the type
    Zent_DllId writer = Zent_Dll_Count;  // the DLL that writes it (with compress)
    Zent_CompressOp compress = nullptr;  // null: not writable, and not in the format lists
    const char* format_name = nullptr;   // in the freeze dialog's format list
    const char* option_name = nullptr;   // in the options page's format list
    bool self_extract = false;           // can become a self-extracting program
    bool self_extract_options = false;   // the program asks and installs as the freeze dialog says
};

const Zent_TypeInfo& Zent_Type(int type);  // out of range: a type nothing writes
int Zent_TypeOfExt(const char* ext);       // case-insensitive; 9 when unknown
int Zent_TypeOfPath(const char* path);
bool Zent_IsArchivePath(const char* path);
const char* Zent_ExtOfType(int type);   // extension for a new archive; "lzh" out of range
const char* Zent_TypeName(int type);    // settings name; Zent_LzhType out of range
int Zent_TypeOfName(const char* name);  // raises Errors_Unofficial "error" when unknown
// The format lists of the freeze dialog and the options page offer the writable types in
// the order of their ids.
int Zent_PosOfType(int type);  // -1 not writable
int Zent_TypeOfPos(int pos);   // Zent_NotArcType past the end
int Zent_FormatCount();
