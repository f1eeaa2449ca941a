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

// UNRAR.DLL: its own interface, records as published. The pointers make the 64-bit layout
// differ; the 32-bit one is what the vendor's DLL expects.
struct Zent_RarOpenData {
    char* ArcName;
    unsigned OpenMode;  // 0 list, 1 extract
    unsigned OpenResult;
    char* CmtBuf;
    unsigned CmtBufSize;
    unsigned CmtSize;
    unsigned CmtState;
};

struct Zent_RarHeader {
    char ArcName[260];
    char FileName[260];
    unsigned Flags;
    unsigned PackSize;
    unsigned UnpSize;
    unsigned HostOS;
    unsigned FileCRC;
    unsigned FileTime;
    unsigned UnpVer;
    unsigned Method;
    unsigned FileAttr;
    char* CmtBuf;
    unsigned CmtBufSize;
    unsigned CmtSize;
    unsigned CmtState;
};

#if !defined(_WIN64)
static_assert(sizeof(Zent_RarOpenData) == 28, "RAR open data is 28 bytes");
static_assert(sizeof(Zent_RarHeader) == 572, "RAR header is 572 bytes");
static_assert(offsetof(Zent_RarHeader, FileName) == 260, "FileName at 260");
static_assert(offsetof(Zent_RarHeader, Flags) == 520, "Flags at 520");
static_assert(offsetof(Zent_RarHeader, FileAttr) == 552, "FileAttr at 552");
static_assert(offsetof(Zent_RarHeader, CmtBuf) == 556, "CmtBuf at 556");
#endif

typedef int(PASCAL* Zent_RarChangeVolFn)(char* volume, int mode);
typedef HANDLE(WINAPI* Zent_RarOpenFn)(Zent_RarOpenData* data);
typedef int(WINAPI* Zent_RarCloseFn)(HANDLE archive);
typedef int(WINAPI* Zent_RarReadHeaderFn)(HANDLE archive, Zent_RarHeader* header);
typedef int(WINAPI* Zent_RarProcessFileFn)(HANDLE archive, int operation, char* dest_path,
                                           char* dest_name);
typedef void(WINAPI* Zent_RarSetChangeVolProcFn)(HANDLE archive, Zent_RarChangeVolFn proc);

enum {
    Zent_Rar_OpenList = 0,
    Zent_Rar_OpenExtract = 1,
    Zent_Rar_Skip = 0,
    Zent_Rar_Extract = 2,
    Zent_Rar_BadData = 12,
    Zent_Rar_VolumeAsk = 0,
    Zent_Rar_DirectoryAttr = 0x10,
};
