#include "archiver/listing.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "archiver/dllbind.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

namespace {

const char* const kOsNames[] = {"MS-DOS", "1",    "UNIX", "3",      "MAC-OS", "OS/2",   "6",
                                "7",      "8",    "9",    "other",  "OS9",    "OS/68K", "OS/386",
                                "HUMAN",  "CP/M", "FLEX", "Runser", "WinNT",  "Win95"};
const unsigned kOsCount = sizeof kOsNames / sizeof kOsNames[0];
const unsigned kOsOther = 10;

const char kHeading[] =
    "PartFileName   OrgSize   CmpSize  Ratio  Date     Time    CRC   CmpOS  Attr    Mode    "
    "FileName(Full)";
enum { kRuleWidth = 117 };

// Cut to `bytes` bytes without leaving the lead byte of a double-byte character at the end.
void CutTo(char* text, size_t bytes) {
    if (strlen(text) <= bytes) return;
    text[bytes] = '\0';
    StdPlus_DropBrokenLead(text);
}

// The last component of an entry path ("\" or "/" between folders); for a folder entry,
// which ends in a separator, the folder's own name.
void LastComponent(const char* path, char* out, size_t size) {
    char copy[520];
    StdPlus_CopyN(copy, path, sizeof copy);
    StdPlus_ReplaceChar(copy, '/', '\\');
    StdPlus_DropTrailChar(copy, '\\');
    const char* separator = StdPlus_FindLastChar(copy, '\\');
    StdPlus_CopyN(out, separator != nullptr ? separator + 1 : copy, size);
}

// The file name without its last extension (cut to 8 bytes), and that extension (cut to 3).
void NameParts(const char* path, char* name, char* ext) {
    char last[520];
    LastComponent(path, last, sizeof last);
    ext[0] = '\0';
    char* dot = StdPlus_FindLastChar(last, '.');
    if (dot != nullptr) {
        StdPlus_CopyN(ext, dot + 1, 16);
        *dot = '\0';
    }
    StdPlus_CopyN(name, last, 16);
    CutTo(name, 8);
    CutTo(ext, 3);
}

void WriteLhaReport(const Zent_LoadedDll& dll, const char* archive, FILE* out) {
    auto version = dll.Get<Zent_GetVersionFn>("GetVersion");
    auto open = dll.Get<Zent_OpenArchiveFn>("OpenArchive");
    auto close = dll.Get<Zent_CloseArchiveFn>("CloseArchive");
    auto first = dll.Get<Zent_FindFirstFn>("FindFirst");
    auto next = dll.Get<Zent_FindNextFn>("FindNext");

    char quoted[300];
    snprintf(quoted, sizeof quoted, "\"%s\"", archive);
    fprintf(out, "%s  information\n\n", quoted);
    unsigned v = version() & 0xFFFF;
    fprintf(out, "UNLHA32.DLL Version = %u.%02u\n\n", v / 100, v % 100);
    fprintf(out, "%s\n", kHeading);
    for (int i = 0; i < kRuleWidth; i++) fputc('-', out);
    fputc('\n', out);

    Own_Archive<HARC, Zent_CloseArchiveFn> opened(open(nullptr, quoted, 2), close);
    if (opened.Get() == nullptr) return;
    Zent_EntryRecord entry = {};
    char line[700];
    for (int found = first(opened.Get(), "* *.*", &entry); found == 0;
         found = next(opened.Get(), &entry))
        fputs(Zent_LhaReportLine(&entry, line, sizeof line), out);
}

void WriteSevenZipReport(const Zent_LoadedDll& dll, const char* archive, FILE* out) {
    auto run = dll.Get<Zent_CommandFn>("");
    auto count = dll.Get<Zent_GetFileCountFn>("GetFileCount");
    int entries = count(archive);
    if (entries < 0) entries = 0;
    std::vector<char> buffer(static_cast<size_t>(entries) * 260 + 512, '\0');
    char command[300];
    snprintf(command, sizeof command, "l \"%s\"", archive);
    int result = run(nullptr, command, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (result == Zent_Result_ArchiveNotFound)
        ERRORS_RAISE(Zent_Err_NotFoundArcFile, "ファイル %s が見つかりません。", archive);
    if (result != 0) ERRORS_RAISE(Errors_Unofficial, "%X", result);
    buffer.back() = '\0';
    fprintf(out, "%s\n", buffer.data());
}

}  // namespace

char* Zent_LhaReportLine(const Zent_EntryRecord* e, char* out, size_t size) {
    char name[16], ext[16];
    char path[sizeof e->path + 1], attribute[sizeof e->attribute + 1], method[sizeof e->method + 1];
    StdPlus_CopyN(path, e->path, sizeof path);
    StdPlus_CopyN(attribute, e->attribute, sizeof attribute);
    StdPlus_CopyN(method, e->method, sizeof method);
    NameParts(path, name, ext);
    const char* os = kOsNames[e->os_type < kOsCount ? e->os_type : kOsOther];
    snprintf(out, size,
             "%-8s.%-3s %9d %9d %3d.%d%% %02d/%02d/%02d %02d:%02d:%02d %04X  %-6s %-7s %-7s %s\n",
             name, ext, static_cast<int>(e->original_size), static_cast<int>(e->compressed_size),
             e->ratio / 10, e->ratio % 10, ((e->date >> 9) + 80) % 100, (e->date >> 5) & 0x0F,
             e->date & 0x1F, e->time >> 11, (e->time >> 5) & 0x3F, (e->time & 0x1F) * 2,
             static_cast<unsigned>(e->crc), os, attribute, method, path);
    return out;
}

void Zent_ListReport(const char* archive) {
    bool lha = lstrcmpiA(StrX_Ext(archive), "lzh") == 0;
    if (!lha && lstrcmpiA(StrX_Ext(archive), "7z") != 0) ERRORS_RAISE(Errors_Unofficial, "error");
    // Bound before the report is made: without the DLL an earlier report stays as it was.
    Zent_DllFrame frame(lha ? Zent_Dll_Unlha : Zent_Dll_7z,
                        lha ? "一覧の出力には UNLHA32.DLL が必要です。"
                            : "一覧の出力には 7-ZIP32.DLL が必要です。");
    char report[StrX_PathSize];
    StdPlus_CopyN(report, "zent-out.txt", sizeof report);
    StrX_AbsFromFileDir(report, sizeof report, archive);
    Own_File out(FileX_Open(report, "wt"));
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            if (lha) {
                WriteLhaReport(frame.Dll(), archive, out.Get());
            } else {
                WriteSevenZipReport(frame.Dll(), archive, out.Get());
            }
            if (!out.Close())
                ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", report);
        },
        [&] {
            // No half report is left behind.
            out.Close();
            DeleteFileA(report);
            Except_Rethrow();
        });
}
