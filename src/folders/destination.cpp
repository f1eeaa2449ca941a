#include "destination.h"

#include <cstring>

#include "archiver/extract.h"
#include "folders/cachedb.h"
#include "folders/webmark.h"
#include "lib/filex.h"
#include "lib/errors.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_folders.h"

enum { kPathSize = 260 };

static void ArchiveFolder(const char* archive, char* out) {
    StdPlus_CopyN(out, archive, kPathSize);
    StrX_CutLast(out);
}

static void CopyFolder(char* out, const char* folder) {
    // A folder Windows does not report (TEMP unset) must not turn into the current one.
    if (folder == nullptr) {
        ERRORS_RAISE(Errors_Unofficial, "%s",
                     "解凍先に選ばれたフォルダの場所が Windows から得られません。");
    }
    StdPlus_CopyN(out, folder, kPathSize);
}

static void ResolveBase(const Zent_Settings* s, const char* archive, int choice, char* base) {
    switch (choice) {
        case Zent_MeltTo_Cache:
            CopyFolder(base, s->CachePath);
            break;
        case Zent_MeltTo_Std:
            CopyFolder(base, s->StdMeltPath);
            break;
        case Zent_MeltTo_StdInst:
            CopyFolder(base, s->InstallPath);
            break;
        case Zent_MeltTo_Here:
            ArchiveFolder(archive, base);
            break;
        case Zent_MeltTo_Desktop:
            CopyFolder(base, WinX_DesktopDir());
            break;
        case Zent_MeltTo_MyDoc:
            CopyFolder(base, WinX_PersonalDir());
            break;
        case Zent_MeltTo_ProgFile:
            CopyFolder(base, WinX_ProgramFilesDir());
            break;
        case Zent_MeltTo_System:
            CopyFolder(base, WinX_SystemDir());
            break;
        case Zent_MeltTo_Temp:
            CopyFolder(base, WinX_TempDir());
            break;
        case Zent_MeltTo_Explicit:
            break;  // already in place
        default:
            ERRORS_RAISE(Errors_Unofficial, "%s", "error");
    }
    if (base[0] == '\0') ArchiveFolder(archive, base);
}

void Zent_ExtractIntoBase(const char* archive, const char* base, char* result, bool use_cache,
                          const char* cache_folder, HWND owner, bool* created) {
    // Made before the DLL is bound, so the marks are written once it has been let go.
    WebMark_Carrier web_mark(archive, result);
    Zent_DllId dll = Zent_ExtractDllOf(archive);
    if (!use_cache) {
        Zent_DllFrame frame(dll, Zent_Dll(dll).extract.missing);
        Zent_ExtractInFrame(frame, archive, base, result, web_mark.Watch(nullptr), owner, created);
        return;
    }
    CacheDB_With(cache_folder, [&](CacheDB* db) {
        // An archive melted before and unchanged since, whose working folder is still there
        // in the cache, is not read again: its folder is the result.
        const char* melted = CacheDB_UnchangedFolderOf(db, archive);
        if (melted != nullptr && StrX_IsInside(melted, cache_folder) && FileX_IsDir(melted)) {
            StdPlus_CopyN(result, melted, kPathSize);
            if (created != nullptr) *created = false;
            return;
        }
        // Only a new entry or a vanished working folder needs the DLL.
        auto reuse = [db](const char* archive_path, char* folder) {
            return CacheDB_FindOrAdd(db, archive_path, folder) || !FileX_IsDir(folder);
        };
        Zent_DllFrame frame(dll, Zent_Dll(dll).extract.missing);
        Zent_ExtractInFrame(frame, archive, base, result, web_mark.Watch(reuse), owner, created);
    });
}

void Zent_ExtractToDestination(const Zent_Settings* s, const char* archive, int choice,
                               char* result, bool* created) {
    char base[kPathSize];
    StdPlus_CopyN(base, choice == Zent_MeltTo_Explicit ? result : "", sizeof base);
    ResolveBase(s, archive, choice, base);
    // Zent_ExtractIntoBase chooses the archiver by the extension, every unknown one going to TAR.
    Zent_ExtractIntoBase(archive, base, result, choice == Zent_MeltTo_Cache, s->CachePath, nullptr,
                         created);
}
