#include "archiver/extract.h"

#include <cstdio>
#include <cstring>

#include "archiver/arcdll_api.h"
#include "archiver/dllbind.h"
#include "archiver/extract_local.h"
#include "archiver/zent_types.h"
#include "folders/cachedb.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

namespace {

// One row per DLL of the family; the command line is `before` + quoted path + `after`.
struct Member {
    const char* ext;
    Zent_DllId dll;
    bool quoted_probe;
    const char* wildcard;
    bool drop_leading_separator;
    const char* before;
    const char* after;
    bool output_buffer;
    const char* missing;
};

const Member kMembers[] = {
    {"lzh", Zent_Dll_Unlha, true, "* *.*", true, "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 ", "", false,
     "LHA 形式の解凍には UNLHA32.DLL が必要です。"},
    {"zip", Zent_Dll_Unzip, false, "*", false, "-o ", "", true,
     "ZIP 形式の解凍には UNZIP32.DLL が必要です。"},
    {"cab", Zent_Dll_Cab, false, "*", false, "-x -o ", "", true,
     "CAB 形式の解凍には CAB32.DLL が必要です。"},
    {"arj", Zent_Dll_Unarj, false, "*", false, "e ", " -sx1 -y1", true,
     "ARJ 形式の解凍には UNARJ32J.DLL が必要です。"},
    {"yz1", Zent_Dll_Yz1, false, "*", false, "x -y ", "", true,
     "YZ1 形式の解凍には YZ1.DLL が必要です。"},
    {"gca", Zent_Dll_Ungca, false, "*", false, "e ", " -sx1", true,
     "GCA 形式の解凍には UNGCA32.DLL が必要です。"},
    {"7z", Zent_Dll_7z, false, "*", false, "x ", "", true,
     "7z 形式の解凍には 7-ZIP32.DLL が必要です。"},
    // Every other extension, the rest of the tar family included.
    {nullptr, Zent_Dll_Tar, false, "*", false, "-zxvf ", "", true,
     "tar.gz 形式の解凍には TAR32.DLL が必要です。"},
};

const Member& MemberOf(const char* archive) {
    const char* ext = Zent_ExtOfPath(archive);
    for (const Member& m : kMembers) {
        if (m.ext == nullptr || lstrcmpiA(ext, m.ext) == 0) return m;
    }
    return kMembers[sizeof kMembers / sizeof kMembers[0] - 1];
}

struct Exports {
    Zent_CommandFn command;
    Zent_GetFileCountFn count;
    Zent_OpenArchiveFn open;
    Zent_FindFirstFn first;
    Zent_FindNextFn next;
    Zent_CloseArchiveFn close;
};

Exports Resolve(const Zent_LoadedDll& dll) {
    Exports x;
    x.open = dll.Get<Zent_OpenArchiveFn>("OpenArchive");
    x.close = dll.Get<Zent_CloseArchiveFn>("CloseArchive");
    x.first = dll.Get<Zent_FindFirstFn>("FindFirst");
    x.next = dll.Get<Zent_FindNextFn>("FindNext");
    x.count = dll.Get<Zent_GetFileCountFn>("GetFileCount");
    x.command = nullptr;  // resolved only when extraction really runs
    return x;
}

}  // namespace

namespace ExtractX {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

void TakeTop(Layout* layout, const char* path) {
    StdPlus_CopyN(layout->top, path, sizeof layout->top);
    for (char* p = layout->top; *p != '\0'; p++) {
        if (StdPlus_IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            p++;
        } else if (IsSeparator(*p)) {
            p[1] = '\0';
            layout->has_separator = true;
            return;
        }
    }
}

bool TopIsAStep(const char* top) {
    return strcmp(top, "..\\") == 0 || strcmp(top, "../") == 0 || strcmp(top, ".\\") == 0 ||
           strcmp(top, "./") == 0;
}

bool BeginsWithNoCase(const char* path, const char* top) {
    size_t n = strlen(top);
    if (strlen(path) < n) return false;
    for (size_t i = 0; i < n; i++) {
        char a = path[i], b = top[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

}  // namespace ExtractX

namespace {

using namespace ExtractX;

Layout ProbeLayout(const Exports& x, const Member& m, const char* probe, HWND owner) {
    Layout layout;
    Zent_EntryRecord entry = {};
    HARC archive = x.open(owner, probe, Zent_OpenMode_IgnoreSettings | Zent_OpenMode_MatchNames);
    if (x.first(archive, m.wildcard, &entry) == 0) {
        layout.any_entry = true;
        const char* path = entry.path;
        if (m.drop_leading_separator && IsSeparator(path[0])) path++;
        TakeTop(&layout, path);
        // "..\" or ".\" is no folder of the archive's own: taking it for the top would let
        // the extraction write above the base folder.
        if (TopIsAStep(layout.top)) layout.single_top = false;
        while (x.next(archive, &entry) == 0) {
            if (!BeginsWithNoCase(entry.path, layout.top)) {
                layout.single_top = false;
                break;
            }
        }
    }
    x.close(archive);
    return layout;
}

int LeadingParentUnits(const char* path) {
    int units = 0;
    while (path[0] == '.' && path[1] == '.' && IsSeparator(path[2])) {
        units++;
        path += 3;
    }
    return units;
}

// Entries that begin with "..\" would land outside the base folder: as many "a" levels as
// the deepest such entry climbs are added below the result folder.
void GuardParents(const Exports& x, const char* quoted, char* result, HWND owner) {
    Zent_EntryRecord entry = {};
    int depth = 0;
    HARC archive = x.open(owner, quoted, Zent_OpenMode_IgnoreSettings | Zent_OpenMode_MatchNames);
    Except_TryFinally(
        __FILE__, __LINE__,
        [&] {
            if (x.first(archive, "* *.*", &entry) != 0) return;
            do {
                char path[260];
                StdPlus_CopyN(path, entry.path, sizeof path);
                // Entry names may use "/": judged with "\" only, a/../../x would climb
                // out unnoticed.
                StdPlus_ReplaceChar(path, '/', '\\');
                StrX_ResolveParents(path);
                int units = LeadingParentUnits(path);
                if (units > depth) depth = units;
            } while (x.next(archive, &entry) == 0);
        },
        [&] { x.close(archive); });
    AddGuardLevels(result, depth);
}

}  // namespace

namespace ExtractX {

int GuardUnits(const char* entry_path) {
    char path[260];
    StdPlus_CopyN(path, entry_path, sizeof path);
    // Entry names may use "/": judged with "\\" only, a/../../x would climb out unnoticed.
    StdPlus_ReplaceChar(path, '/', '\\');
    StrX_ResolveParents(path);
    return LeadingParentUnits(path);
}

void AddGuardLevels(char* result, int depth) {
    for (int i = 0; i < depth; i++) {
        StdPlus_DropLastIf(result, '/');
        StdPlus_DropLastIf(result, '\\');
        StdPlus_CatN(result, "\\a", 220);
    }
}

static void SetCurrentDir(const char* folder) {
    if (!SetCurrentDirectoryA(folder)) ERRORS_RAISE(Errors_Unofficial, "error");
}

// Whether the DLL must run: without the cache always, unless a file stands where the
// folder should be; with the cache only for a new entry or a vanished folder.
static bool DecideExtract(char* result, const char* archive, CacheDB* db) {
    if (db == nullptr) {
        if (FileX_Exists(result) && !FileX_IsDir(result)) ERRORS_RAISE(Errors_Unofficial, "error");
        return true;
    }
    bool added = CacheDB_FindOrAdd(db, archive, result);
    return added || !FileX_IsDir(result);
}

Destination PrepareNamed(char* result, const char* archive, CacheDB* db) {
    char name[260];
    StrX_CopyFileName(name, archive);
    StrX_SetExt(name, "");
    StrX_Join(result, name);
    Destination d;
    d.extract = DecideExtract(result, archive, db);
    d.created = !FileX_Exists(result);
    if (d.extract) {
        FileX_MakeDirs(result, false);
        SetCurrentDir(result);
    }
    return d;
}

Destination PrepareSingleTop(char* result, const char* archive, const char* top, CacheDB* db) {
    SetCurrentDirectoryA(result);  // may not exist yet when guard levels were added
    StrX_Join(result, top);
    StdPlus_DropLastIf(result, '/');
    StdPlus_DropLastIf(result, '\\');
    Destination d;
    d.extract = DecideExtract(result, archive, db);
    d.created = !FileX_Exists(result);
    FileX_MakeDirs(result, false);
    SetCurrentDir(result);
    // The archive writes its own top folder: the DLL runs in the folder above.
    SetCurrentDir("..");
    return d;
}

}  // namespace ExtractX

namespace {

using namespace ExtractX;

void RunCommand(const Zent_LoadedDll& dll, const Member& m, const char* quoted, char* result,
                const char* archive, const Destination& d, HWND owner) {
    char command[600];
    snprintf(command, sizeof command, "%s%s%s", m.before, quoted, m.after);
    char remnants[300];
    snprintf(remnants, sizeof remnants, "%s-remnants", result);
    if (FileX_Exists(remnants)) FileX_DeleteTree(remnants);

    Zent_CommandFn run = dll.Get<Zent_CommandFn>("");
    char output[256] = "";
    int ret = m.output_buffer ? run(owner, command, output, sizeof output)
                              : run(owner, command, nullptr, 0);
    if (ret == 0) return;
    if (ret == Zent_Result_ArchiveNotFound)
        ERRORS_RAISE(Zent_Err_NotFoundArcFile, "ファイル %s が見つかりません。", archive);
    if (ret == Zent_Result_Cancel) {
        FileX_Move(remnants, result);
        StdPlus_CopyN(result, remnants, 260);
        ERRORS_RAISE(Zent_Err_UserCancel, "%s", "");
    }
    // A folder that was there before this extraction is the user's: it is never deleted
    // because the DLL failed on it.
    if (d.created && FileX_Exists(result)) FileX_DeleteTree(result);
    ERRORS_RAISE(Errors_Unofficial, "%X", ret);
}

void ExtractFamily(const Member& m, const char* archive, const char* base, char* result,
                   bool use_cache, const char* cache_folder, HWND owner) {
    const Zent_DllInfo& info = Zent_Dll(m.dll);
    RunInFrame(m.dll, archive, base, result, use_cache, cache_folder,
               [&](const char* quoted, CacheDB* cache) {
                   Zent_LoadedDll dll(m.dll, m.missing);
                   Exports x = Resolve(dll);
                   const char* probe = m.quoted_probe ? quoted : archive;
                   int count = x.count(probe);
                   if (count == -1) {
                       if (strcmp(quoted, "\"\"") == 0)
                           ERRORS_RAISE(Zent_Err_NotFolderWhenCompressing,
                                        "通常のフォルダを指定してください。");
                       ERRORS_RAISE(Zent_Err_BrokenFileOrOldDLL,
                                    "圧縮ファイルがおかしいか、%s のバージョンが古いです",
                                    info.file);
                   }
                   Layout layout = ProbeLayout(x, m, probe, owner);
                   GuardParents(x, quoted, result, owner);
                   Destination d = PrepareDestination(layout, count, result, archive, cache);
                   if (d.extract) RunCommand(dll, m, quoted, result, archive, d, owner);
               });
}

}  // namespace

namespace ExtractX {

Destination PrepareDestination(const Layout& layout, int count, char* result, const char* archive,
                               CacheDB* db) {
    // An archive without entries has no top folder: its folder is named after it, so a
    // failure can never take the base folder itself with it.
    bool named = !layout.single_top || !layout.any_entry || (count == 1 && !layout.has_separator);
    return named ? PrepareNamed(result, archive, db)
                 : PrepareSingleTop(result, archive, layout.top, db);
}

void RunInFrame(Zent_DllId dll, const char* archive, const char* base, char* result, bool use_cache,
                const char* cache_folder,
                const std::function<void(const char* quoted, CacheDB* db)>& work) {
    static char area[CacheDB_AreaSize];
    Zent_SemaphoreLock lock(Zent_Dll(dll).semaphore);
    CacheDB db;
    bool db_open = false;
    Except_TryFinally(
        __FILE__, __LINE__,
        [&] {
            char quoted[300];
            snprintf(quoted, sizeof quoted, "\"%s\"", archive);
            StdPlus_CopyN(result, base, 260);
            if (use_cache) {
                char file[260];
                StdPlus_CopyN(file, cache_folder, sizeof file);
                StrX_Join(file, "cache-db.ini");
                CacheDB_Open(&db, file, area, sizeof area);
                db_open = true;
            }
            work(quoted, db_open ? &db : nullptr);
        },
        [&] {
            if (db_open) CacheDB_Close(&db);
        });
}

}  // namespace ExtractX

void Zent_Extract(const char* archive, const char* base, char* result, bool use_cache,
                  const char* cache_folder, HWND owner) {
    if (lstrcmpiA(Zent_ExtOfPath(archive), "rar") == 0) {
        ExtractX::ExtractRar(archive, base, result, use_cache, cache_folder, owner);
        return;
    }
    ExtractFamily(MemberOf(archive), archive, base, result, use_cache, cache_folder, owner);
}
