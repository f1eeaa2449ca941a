#include "zent_types.h"

#include <windows.h>

#include <cstring>

#include "lib/errors.h"
#include "lib/strx.h"

struct TypeRow {
    const char* name;
    const char* extensions[8];  // null-terminated
    const char* new_ext;        // extension given to a new archive of the type
    int position;               // in the compress dialog, -1 when not compressible
};

static const TypeRow kTypes[] = {
    {"Zent_LzhType", {"lzh"}, "lzh", 0},
    {"Zent_ZipType", {"zip"}, "zip", 1},
    {"Zent_CabType", {"cab"}, "cab", 2},
    {"Zent_RarType", {"rar"}, "lzh", -1},
    {"Zent_ArjType", {"arj"}, "lzh", -1},
    {"Zent_Yz1Type", {"yz1"}, "yz1", 3},
    {"Zent_GcaType", {"gca"}, "lzh", -1},
    {"Zent_TarType", {"gz", "Z", "bz2", "tar", "tgz", "taz", "deb"}, "tar.gz", 4},
    {"Zent_7zType", {"7z"}, "7z", 5},
};
static const int kTypeCount = sizeof kTypes / sizeof kTypes[0];

static bool InRange(int type) {
    return type >= 0 && type < kTypeCount;
}

int Zent_TypeOfExt(const char* ext) {
    for (int type = 0; type < kTypeCount; type++) {
        for (const char* const* e = kTypes[type].extensions; *e != nullptr; e++) {
            if (lstrcmpiA(ext, *e) == 0) return type;
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
    return InRange(type) ? kTypes[type].new_ext : "lzh";
}

const char* Zent_TypeName(int type) {
    return kTypes[InRange(type) ? type : 0].name;
}

int Zent_TypeOfName(const char* name) {
    for (int type = 0; type < kTypeCount; type++) {
        if (strcmp(name, kTypes[type].name) == 0) return type;
    }
    ERRORS_RAISE(Errors_Unofficial, "error");
    return Zent_LzhType;
}

int Zent_PosOfType(int type) {
    return InRange(type) ? kTypes[type].position : -1;
}

int Zent_TypeOfPos(int pos) {
    for (int type = 0; type < kTypeCount; type++) {
        if (kTypes[type].position == pos) return type;
    }
    return Zent_NotArcType;
}
