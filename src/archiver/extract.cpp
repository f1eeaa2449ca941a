#include "archiver/extract.h"

#include <cstdio>
#include <cstring>

#include "archiver/arcdll_api.h"
#include "archiver/dllbind.h"
#include "archiver/extract_local.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

namespace {

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

}  // namespace ExtractX

namespace {

using namespace ExtractX;

typedef Own_Archive<HARC, Zent_CloseArchiveFn> OpenArchive;

HARC Open(const Exports& x, const char* path, HWND owner) {
    return x.open(owner, path, Zent_OpenMode_IgnoreSettings | Zent_OpenMode_MatchNames);
}

Layout ProbeLayout(const Exports& x, const Zent_ExtractRow& m, const char* probe, HWND owner) {
    Layout layout;
    Zent_EntryRecord entry = {};
    OpenArchive archive(Open(x, probe, owner), x.close);
    if (x.first(archive.Get(), m.wildcard, &entry) == 0) {
        layout.any_entry = true;
        const char* path = entry.path;
        if (m.drop_leading_separator && IsSeparator(path[0])) path++;
        TakeTop(&layout, path);
        // "..\" or ".\" is no folder of the archive's own: taking it for the top would let
        // the extraction write above the base folder.
        if (TopIsAStep(layout.top)) layout.single_top = false;
        while (x.next(archive.Get(), &entry) == 0) {
            if (!StrX_BeginsWithPath(entry.path, layout.top)) {
                layout.single_top = false;
                break;
            }
        }
    }
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
    OpenArchive archive(Open(x, quoted, owner), x.close);
    if (x.first(archive.Get(), "* *.*", &entry) == 0) {
        do {
            int units = GuardUnits(entry.path);
            if (units > depth) depth = units;
        } while (x.next(archive.Get(), &entry) == 0);
    }
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

// Whether the DLL must run: without a reuse hook always, unless a file stands where the
// folder should be; with it as the hook decides.
static bool DecideExtract(char* result, const char* archive, const Zent_ReuseFolder& reuse) {
    if (!reuse) {
        if (FileX_Exists(result) && !FileX_IsDir(result)) ERRORS_RAISE(Errors_Unofficial, "error");
        return true;
    }
    return reuse(archive, result);
}

Destination PrepareNamed(char* result, const char* archive, const Zent_ReuseFolder& reuse) {
    char name[260];
    StrX_CopyFileName(name, archive);
    StrX_SetExt(name, "");
    StrX_Join(result, name);
    Destination d;
    d.extract = DecideExtract(result, archive, reuse);
    d.created = !FileX_Exists(result);
    if (d.extract) {
        FileX_MakeDirs(result, false);
        SetCurrentDir(result);
    }
    return d;
}

Destination PrepareSingleTop(char* result, const char* archive, const char* top,
                             const Zent_ReuseFolder& reuse) {
    SetCurrentDirectoryA(result);  // may not exist yet when guard levels were added
    StrX_Join(result, top);
    StdPlus_DropLastIf(result, '/');
    StdPlus_DropLastIf(result, '\\');
    Destination d;
    d.extract = DecideExtract(result, archive, reuse);
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

void RunCommand(const Zent_LoadedDll& dll, const Zent_ExtractRow& m, const char* quoted,
                char* result, const char* archive, const Destination& d, HWND owner) {
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

void ExtractFamily(const Zent_LoadedDll& dll, const char* archive, const char* quoted, char* result,
                   const Zent_ReuseFolder& reuse, HWND owner) {
    const Zent_ExtractRow& m = dll.Info().extract;
    Exports x = Resolve(dll);
    const char* probe = m.quoted_probe ? quoted : archive;
    int count = x.count(probe);
    if (count == -1) {
        if (strcmp(quoted, "\"\"") == 0)
            ERRORS_RAISE(Zent_Err_NotFolderWhenCompressing, "通常のフォルダを指定してください。");
        ERRORS_RAISE(Zent_Err_BrokenFileOrOldDLL,
                     "圧縮ファイルがおかしいか、%s のバージョンが古いです", dll.Info().file);
    }
    Layout layout = ProbeLayout(x, m, probe, owner);
    GuardParents(x, quoted, result, owner);
    Destination d = PrepareDestination(layout, count, result, archive, reuse);
    if (d.extract) RunCommand(dll, m, quoted, result, archive, d, owner);
}

}  // namespace

namespace ExtractX {

Destination PrepareDestination(const Layout& layout, int count, char* result, const char* archive,
                               const Zent_ReuseFolder& reuse) {
    // An archive without entries has no top folder: its folder is named after it, so a
    // failure can never take the base folder itself with it.
    bool named = !layout.single_top || !layout.any_entry || (count == 1 && !layout.has_separator);
    return named ? PrepareNamed(result, archive, reuse)
                 : PrepareSingleTop(result, archive, layout.top, reuse);
}

}  // namespace ExtractX

void Zent_ExtractWith(const Zent_DllFrame& frame, const char* archive, const char* base,
                      char* result, const Zent_ReuseFolder& reuse, HWND owner) {
    char quoted[300];
    snprintf(quoted, sizeof quoted, "\"%s\"", archive);
    StdPlus_CopyN(result, base, 260);
    if (frame.Dll().Info().extract.own_interface) {
        ExtractX::ExtractRar(frame.Dll(), archive, quoted, result, reuse);
        return;
    }
    ExtractFamily(frame.Dll(), archive, quoted, result, reuse, owner);
}
