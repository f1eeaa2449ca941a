#include "zent_types.h"

#include <windows.h>

#include <cstring>

#include "archiver/compress_local.h"
#include "lib/errors.h"
#include "lib/strx.h"

// One record per type, in the order of their ids.
static constexpr Zent_TypeInfo kTypes[] = {
    {.id = Zent_LzhType,
     .name = "Zent_LzhType",
     .extensions = {"lzh"},
     .new_ext = "lzh",
     .writer = Zent_Dll_Unlha,
     .compress = CompressX::CompressLha,
     .format_name = "LHA 形式",
     .option_name = "LZH 形式",
     .self_extract = true,
     .self_extract_options = true},
    {.id = Zent_ZipType,
     .name = "Zent_ZipType",
     .extensions = {"zip"},
     .new_ext = "zip",
     .writer = Zent_Dll_Zip,
     .compress = CompressX::CompressZip,
     .format_name = "ZIP 形式",
     .option_name = "ZIP 形式"},
    {.id = Zent_CabType,
     .name = "Zent_CabType",
     .extensions = {"cab"},
     .new_ext = "cab",
     .writer = Zent_Dll_Cab,
     .compress = CompressX::CompressCab,
     .format_name = "CAB 形式",
     .option_name = "CAB 形式",
     .self_extract = true},
    {.id = Zent_RarType, .name = "Zent_RarType", .extensions = {"rar"}, .new_ext = "lzh"},
    {.id = Zent_ArjType, .name = "Zent_ArjType", .extensions = {"arj"}, .new_ext = "lzh"},
    {.id = Zent_Yz1Type,
     .name = "Zent_Yz1Type",
     .extensions = {"yz1"},
     .new_ext = "yz1",
     .writer = Zent_Dll_Yz1,
     .compress = CompressX::CompressYz1,
     .format_name = "YZ1 形式",
     .option_name = "YZ1 形式",
     .self_extract = true},
    {.id = Zent_GcaType, .name = "Zent_GcaType", .extensions = {"gca"}, .new_ext = "lzh"},
    {.id = Zent_TarType,
     .name = "Zent_TarType",
     .extensions = {"gz", "Z", "bz2", "tar", "tgz", "taz", "deb", "xz", "txz"},
     .new_ext = "tar.gz",
     .writer = Zent_Dll_Tar,
     .compress = CompressX::CompressTar,
     .format_name = "tar.gz 形式",
     .option_name = "tar.gz 形式"},
    {.id = Zent_7zType,
     .name = "Zent_7zType",
     .extensions = {"7z"},
     .new_ext = "7z",
     .writer = Zent_Dll_7z,
     .compress = CompressX::CompressSevenZip,
     .format_name = "7-ZIP 形式",
     .option_name = "7ZIP 形式",
     .self_extract = true},
};
static constexpr int kTypeCount = sizeof kTypes / sizeof kTypes[0];

static constexpr bool InIdOrder() {
    for (int i = 0; i < kTypeCount; i++) {
        if (kTypes[i].id != i) return false;
    }
    return kTypeCount == Zent_NotArcType;
}
static_assert(InIdOrder(), "one record per type, in the order of their ids");

// What a name outside the table gets: written by nothing, and a new archive's settings
// and extension fall back to LHA's.
static constexpr Zent_TypeInfo kUnknown = {
    .id = Zent_NotArcType, .name = "Zent_LzhType", .extensions = {}, .new_ext = "lzh"};

const Zent_TypeInfo& Zent_Type(int type) {
    return type >= 0 && type < kTypeCount ? kTypes[type] : kUnknown;
}

int Zent_TypeOfExt(const char* ext) {
    for (const Zent_TypeInfo& t : kTypes) {
        for (const char* const* e = t.extensions; *e != nullptr; e++) {
            if (lstrcmpiA(ext, *e) == 0) return t.id;
        }
    }
    return Zent_NotArcType;
}

int Zent_TypeOfPath(const char* path) {
    return Zent_TypeOfExt(StrX_Ext(path));
}

bool Zent_IsArchivePath(const char* path) {
    return Zent_TypeOfPath(path) != Zent_NotArcType;
}

const char* Zent_ExtOfType(int type) {
    return Zent_Type(type).new_ext;
}

const char* Zent_TypeName(int type) {
    return Zent_Type(type).name;
}

int Zent_TypeOfName(const char* name) {
    for (const Zent_TypeInfo& t : kTypes) {
        if (strcmp(name, t.name) == 0) return t.id;
    }
    ERRORS_RAISE(Errors_Unofficial, "error");
    return Zent_LzhType;
}

int Zent_PosOfType(int type) {
    if (type < 0 || type >= kTypeCount || kTypes[type].compress == nullptr) return -1;
    int pos = 0;
    for (int t = 0; t < type; t++) pos += kTypes[t].compress != nullptr;
    return pos;
}

int Zent_TypeOfPos(int pos) {
    for (const Zent_TypeInfo& t : kTypes) {
        if (t.compress != nullptr && pos-- == 0) return t.id;
    }
    return Zent_NotArcType;
}

int Zent_FormatCount() {
    int n = 0;
    for (const Zent_TypeInfo& t : kTypes) n += t.compress != nullptr;
    return n;
}
