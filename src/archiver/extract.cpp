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
    x.command = nullptr;  // resolved only when extraction really runs
    return x;
}

}  // namespace

namespace {

using namespace ExtractX;

typedef Own_Archive<HARC, Zent_CloseArchiveFn> OpenArchive;

HARC Open(const Exports& x, const char* path, HWND owner) {
    return x.open(owner, path, Zent_OpenMode_IgnoreSettings | Zent_OpenMode_MatchNames);
}

// A folder entry ends with a separator (one character of its own, not a trail byte).
bool EndsWithSeparator(const char* path) {
    const char* end = path + strlen(path);
    const char* last = CharPrevA(path, end);
    return last < end && last + 1 == end && IsSeparator(*last);
}

// What one walk over the entries tells before anything is extracted.
struct Survey {
    Layout layout;
    int count = 0;
    int guard = 0;  // guard levels the deepest "..\" entry needs
};

// One walk over every entry, the archive read once: the count, the layout (whether the
// entries share one top folder) and the names' checks. Entries that begin with "..\" would
// land outside the base folder: as many guard levels as the deepest such entry climbs are
// added below the result folder.
Survey SurveyEntries(const Exports& x, const Zent_ExtractRow& m, const char* quoted, char* result,
                     const char* dll_file, HWND owner) {
    OpenArchive opened(Open(x, quoted, owner), x.close);
    if (opened.Get() == nullptr) {
        if (strcmp(quoted, "\"\"") == 0)
            ERRORS_RAISE(Zent_Err_NotFolderWhenCompressing, "通常のフォルダを指定してください。");
        ERRORS_RAISE(Zent_Err_BrokenFileOrOldDLL,
                     "圧縮ファイルがおかしいか、%s のバージョンが古いです", dll_file);
    }
    Survey s;
    Zent_EntryRecord entry = {};
    EntryNames names;
    for (int found = x.first(opened.Get(), "* *.*", &entry); found == 0;
         found = x.next(opened.Get(), &entry)) {
        names.Check(entry.path, EndsWithSeparator(entry.path));
        int units = GuardUnits(entry.path, StrX_PathSize, m.drop_leading_separator);
        if (units > s.guard) s.guard = units;
        if (s.count++ == 0) {
            s.layout.any_entry = true;
            const char* path = entry.path;
            if (m.drop_leading_separator && IsSeparator(path[0])) path++;
            TakeTop(&s.layout, path);
        } else if (s.layout.single_top && !StrX_BeginsWithPath(entry.path, s.layout.top)) {
            s.layout.single_top = false;
        }
    }
    AddGuardLevels(result, s.guard);
    return s;
}

}  // namespace

namespace ExtractX {

static void SetCurrentDir(const char* folder) {
    if (!SetCurrentDirectoryA(folder)) {
        ERRORS_RAISE(Errors_Unofficial, "フォルダ %s に移れませんでした。", folder);
    }
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

Destination PrepareNamed(char* result, const char* archive, const Zent_ReuseFolder& reuse,
                         int guard) {
    char name[260];
    StrX_CopyFileName(name, archive);
    StrX_SetExt(name, "");
    StrX_Join(result, name);
    Destination d;
    d.extract = DecideExtract(result, archive, reuse);
    d.created = !FileX_Exists(result);
    if (d.extract) {
        ClaimGuardLevels(result, guard);
        FileX_MakeDirs(result, false);
        SetCurrentDir(result);
    }
    return d;
}

Destination PrepareSingleTop(char* result, const char* archive, const char* top,
                             const Zent_ReuseFolder& reuse, int guard) {
    SetCurrentDirectoryA(result);  // may not exist yet when guard levels were added
    StrX_Join(result, top);
    // One separator, found by characters: the last byte of 表 or ソ is no separator.
    StdPlus_DropTrailChar(result, '/');
    StdPlus_DropTrailChar(result, '\\');
    Destination d;
    d.extract = DecideExtract(result, archive, reuse);
    d.created = !FileX_Exists(result);
    if (d.extract) {
        char writer[StrX_PathSize];
        ClaimGuardLevels(StrX_ParentDir(writer, result), guard);
    }
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

    Zent_CommandFn run = dll.Get<Zent_CommandFn>("");
    char output[256] = "";
    int ret = m.output_buffer ? run(owner, command, output, sizeof output)
                              : run(owner, command, nullptr, 0);
    if (ret == 0) return;
    if (ret == Zent_Result_ArchiveNotFound)
        ERRORS_RAISE(Zent_Err_NotFoundArcFile, "ファイル %s が見つかりません。", archive);
    if (ret == Zent_Result_Cancel) {
        KeepRemnants(result, d);
        ERRORS_RAISE(Zent_Err_UserCancel, "%s", "");
    }
    // A folder that was there before this extraction is the user's: it is never deleted
    // because the DLL failed on it.
    if (d.created && FileX_Exists(result)) FileX_DeleteTree(result);
    ERRORS_RAISE(Errors_Unofficial, "%X", ret);
}

void ExtractFamily(const Zent_LoadedDll& dll, const char* archive, const char* quoted, char* result,
                   const Zent_ReuseFolder& reuse, HWND owner, Destination* d) {
    const Zent_ExtractRow& m = dll.Info().extract;
    Exports x = Resolve(dll);
    Survey survey = SurveyEntries(x, m, quoted, result, dll.Info().file, owner);
    *d = PrepareDestination(survey.layout, survey.count, result, archive, reuse, survey.guard);
    if (d->extract) RunCommand(dll, m, quoted, result, archive, *d, owner);
}

// Tells the caller, on every way out, whether the result folder is one this extraction made.
struct ReportCreated {
    bool* out;
    const Destination& d;
    ~ReportCreated() {
        if (out != nullptr) *out = d.created;
    }
};

}  // namespace

namespace ExtractX {

void KeepRemnants(char* result, const Destination& d) {
    if (!d.created || !FileX_Exists(result)) return;
    // A "-remnants" folder of an earlier cancel is the user's to keep: the first free name
    // ("-remnants", "-remnants2"...) is taken.
    char remnants[StrX_PathSize + 16];
    for (int n = 1;; n++) {
        if (n == 1) {
            snprintf(remnants, sizeof remnants, "%s-remnants", result);
        } else {
            snprintf(remnants, sizeof remnants, "%s-remnants%d", result, n);
        }
        if (strlen(remnants) >= StrX_PathSize) return;  // no name to give it: it stays as it is
        if (!FileX_Exists(remnants)) break;
    }
    // Windows refuses to rename a process's current directory.
    char parent[StrX_PathSize];
    StrX_ParentDir(parent, result);
    SetCurrentDirectoryA(parent);
    FileX_Move(remnants, result);
    strcpy(result, remnants);
}

Destination PrepareDestination(const Layout& layout, int count, char* result, const char* archive,
                               const Zent_ReuseFolder& reuse, int guard) {
    // An archive without entries has no top folder: its folder is named after it, so a
    // failure can never take the base folder itself with it.
    bool named = !layout.single_top || !layout.any_entry || (count == 1 && !layout.has_separator);
    return named ? PrepareNamed(result, archive, reuse, guard)
                 : PrepareSingleTop(result, archive, layout.top, reuse, guard);
}

}  // namespace ExtractX

void Zent_ExtractInFrame(const Zent_DllFrame& frame, const char* archive, const char* base,
                         char* result, const Zent_ReuseFolder& reuse, HWND owner, bool* created) {
    char quoted[300];
    snprintf(quoted, sizeof quoted, "\"%s\"", archive);
    StdPlus_CopyN(result, base, 260);
    Destination d{};
    ReportCreated report{created, d};
    if (frame.Dll().Info().extract.own_interface) {
        ExtractX::ExtractRar(frame.Dll(), archive, quoted, result, reuse, &d);
        return;
    }
    ExtractFamily(frame.Dll(), archive, quoted, result, reuse, owner, &d);
}
