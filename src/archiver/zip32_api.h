#pragma once
// zip32.dll's published interface (the Zip 2.3 DLL), records declared field by field. The
// vendor's DLL is 32-bit: the offsets the program relies on are checked for the i686 build.
#include <windows.h>

#include <cstddef>

struct Zent_ZpVersionPart {
    unsigned char major, minor, patchlevel, not_used;
};

struct Zent_ZpVer {
    ULONG structlen;
    unsigned flag;
    char betalevel[10];
    char date[20];
    char zlib_version[10];
    Zent_ZpVersionPart zip;
    Zent_ZpVersionPart os2dll;
    Zent_ZpVersionPart windll;
};

typedef int(WINAPI* Zent_ZpPrintFn)(LPSTR text, unsigned long size);
typedef LPSTR(WINAPI* Zent_ZpCommentFn)(LPSTR comment);
typedef int(WINAPI* Zent_ZpPasswordFn)(LPSTR buffer, int size, LPCSTR prompt, LPCSTR name);
typedef int(WINAPI* Zent_ZpServiceFn)(LPCSTR name, unsigned long size);

struct Zent_ZpUserFunctions {
    Zent_ZpPrintFn print;
    Zent_ZpCommentFn comment;
    Zent_ZpPasswordFn password;
    Zent_ZpServiceFn service;
};

struct Zent_ZpOptions {
    LPSTR date;
    LPSTR root_dir;
    LPSTR temp_dir;
    BOOL temp;
    BOOL suffix;
    BOOL encrypt;
    BOOL system;  // include system and hidden files
    BOOL volume;
    BOOL extra;  // the extra-attributes switch
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
    int recurse;  // into folders
    int repair;
    char level;  // an ASCII digit; 0 is the DLL's default
};

#if !defined(_WIN64)
static_assert(offsetof(Zent_ZpVer, zip) == 48, "zip version at 48");
static_assert(offsetof(Zent_ZpOptions, root_dir) == 4, "root folder at 4");
static_assert(offsetof(Zent_ZpOptions, system) == 24, "system switch at 24");
static_assert(offsetof(Zent_ZpOptions, extra) == 32, "extra switch at 32");
static_assert(offsetof(Zent_ZpOptions, recurse) == 116, "recurse at 116");
static_assert(sizeof(Zent_ZpOptions) == 128, "option record is 128 bytes");
static_assert(sizeof(Zent_ZpUserFunctions) == 16, "user functions record is 16 bytes");
#endif

typedef void(WINAPI* Zent_ZpVersionFn)(Zent_ZpVer* version);
typedef BOOL(WINAPI* Zent_ZpInitFn)(Zent_ZpUserFunctions* functions);
typedef BOOL(WINAPI* Zent_ZpSetOptionsFn)(Zent_ZpOptions* options);
// The published record {count, archive, names} passed by value is, on the 32-bit stack, the
// same as these three arguments.
typedef int(WINAPI* Zent_ZpArchiveFn)(int count, LPSTR archive, char** names);
