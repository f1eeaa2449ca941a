#pragma once
// The records of the Zip DLL's published interface (the 2.3 layout), field by field. In the
// 32-bit build their offsets are those the callers rely on.
#include <windows.h>

#include <cstddef>

extern "C" {

struct ZpVersionPart {
    unsigned char major, minor, patchlevel, not_used;
};

struct ZpVer {
    ULONG structlen;
    unsigned flag;
    char betalevel[10];
    char date[20];
    char zlib_version[10];
    ZpVersionPart zip;
    ZpVersionPart os2dll;
    ZpVersionPart windll;
};

typedef int(WINAPI* ZpPrintFn)(LPSTR text, unsigned long size);
typedef LPSTR(WINAPI* ZpCommentFn)(LPSTR comment);
typedef int(WINAPI* ZpPasswordFn)(LPSTR buffer, int size, LPCSTR prompt, LPCSTR name);
typedef int(WINAPI* ZpServiceFn)(LPCSTR name, unsigned long size);

struct ZipUserFunctions {
    ZpPrintFn print;
    ZpCommentFn comment;
    ZpPasswordFn password;
    ZpServiceFn service;
};

struct ZpOptions {
    LPSTR date;
    LPSTR root_dir;
    LPSTR temp_dir;
    BOOL temp;
    BOOL suffix;
    BOOL encrypt;
    BOOL system;  // include system and hidden files
    BOOL volume;
    BOOL extra;  // store extra attributes
    BOOL no_dir_entries;
    BOOL exclude_date;
    BOOL include_date;
    BOOL verbose;
    BOOL quiet;
    BOOL crlf_lf;
    BOOL lf_crlf;
    BOOL junk_dir;
    BOOL grow;
    BOOL force;
    BOOL move;
    BOOL delete_entries;
    BOOL update;
    BOOL freshen;
    BOOL junk_sfx;
    BOOL latest_time;
    BOOL comment;
    BOOL offsets;
    BOOL privilege;
    BOOL encryption;
    int recurse;  // 1 or 2: into folders
    int repair;
    char level;  // '0'..'9'; anything else is the default
};

#if defined(__i386__)
static_assert(offsetof(ZpVer, zip) == 48, "zip version at 48");
static_assert(sizeof(ZpVer) == 60, "version record size");
static_assert(offsetof(ZpOptions, root_dir) == 4, "root folder at 4");
static_assert(offsetof(ZpOptions, system) == 24, "system switch at 24");
static_assert(offsetof(ZpOptions, extra) == 32, "extra switch at 32");
static_assert(offsetof(ZpOptions, recurse) == 116, "recurse at 116");
static_assert(offsetof(ZpOptions, level) == 124, "level at 124");
static_assert(sizeof(ZpOptions) == 128, "option record size");
static_assert(sizeof(ZipUserFunctions) == 16, "user function record size");
#endif

}  // extern "C"
