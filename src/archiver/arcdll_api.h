#pragma once
// The exported interface of the archiver DLLs, declared field by field as published. The
// vendors' DLLs are 32-bit, so the layouts are checked for the i686 build.
#include <windows.h>

#include <cstddef>
#include <cstdint>

typedef HANDLE HARC;

#pragma pack(push, 1)
// Entry record filled by FindFirst/FindNext of the common DLLs: 558 bytes, no pointers, so
// the same in both builds.
struct Zent_EntryRecord {
    uint32_t original_size;
    uint32_t compressed_size;
    uint32_t crc;
    uint32_t flags;
    uint32_t os_type;
    uint16_t ratio;  // tenths of a percent
    uint16_t date;   // MS-DOS packed
    uint16_t time;
    char path[513];
    char padding[3];
    char attribute[8];
    char method[8];
};
#pragma pack(pop)
static_assert(sizeof(Zent_EntryRecord) == 558, "entry record is 558 bytes");
static_assert(offsetof(Zent_EntryRecord, path) == 26, "path at 26");
static_assert(offsetof(Zent_EntryRecord, attribute) == 542, "attribute text at 542");
static_assert(offsetof(Zent_EntryRecord, method) == 550, "method text at 550");

// The common DLLs: P, PGetVersion, PGetFileCount, POpenArchive, PFindFirst, PFindNext,
// PCloseArchive, with P the DLL's export prefix.
typedef int(WINAPI* Zent_CommandFn)(HWND owner, LPCSTR command, LPSTR output, DWORD size);
typedef WORD(WINAPI* Zent_GetVersionFn)();
typedef int(WINAPI* Zent_GetFileCountFn)(LPCSTR archive);
typedef HARC(WINAPI* Zent_OpenArchiveFn)(HWND owner, LPCSTR archive, DWORD mode);
typedef int(WINAPI* Zent_FindFirstFn)(HARC archive, LPCSTR wildcard, Zent_EntryRecord* entry);
typedef int(WINAPI* Zent_FindNextFn)(HARC archive, Zent_EntryRecord* entry);
typedef int(WINAPI* Zent_CloseArchiveFn)(HARC archive);

enum {
    Zent_Result_Cancel = 0x8020,
    Zent_Result_ArchiveNotFound = 0x8029,
    Zent_OpenMode_IgnoreSettings = 0x2,
    Zent_OpenMode_MatchNames = 0x200,
};
