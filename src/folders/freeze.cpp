#include "folders/freeze.h"

#include <cstdio>
#include <vector>

#include "archiver/dllbind.h"
#include "archiver/zent_types.h"
#include "floppy/floppy.h"
#include "folders/cachedb.h"
#include "folders/install.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/dialog.h"
#include "shell/winx_errors.h"
#include "shell/winx_folders.h"

namespace {

enum { kPath = 260 };

std::string Quoted(const char* path) {
    return std::string("\"") + path + "\"";
}

// Where the frozen items go in the cache. `whole`: the folder itself becomes the working
// folder (it is the archive's one top folder); else the items move into it. `keep_archive`:
// the archive is going (a floppy's source) and moves beside the working folder instead.
struct CacheMove {
    const char* archive;
    char proposed[kPath];
    std::vector<std::string> items;
    bool whole;
    bool keep_archive;
};

// An entry whose archive is gone loses its working folder: the archive moves beside the
// folder and the entry names it there. Someone's file of that name stays, and the freeze
// stops before anything moved.
void KeepArchiveBeside(CacheDB* db, const char* archive, const char* folder) {
    CacheDB_Entry* entry = CacheDB_Find(db, archive, folder);
    if (entry == nullptr) {
        ERRORS_RAISE(Errors_Unofficial, "%s の作業フォルダ %s がキャッシュの記録にありません。",
                     archive, folder);
    }
    char kept[kPath];
    StrX_Join(StrX_ParentDir(kept, folder), StrX_FileName(archive));
    FileX_MakeDirs(kept, true);
    if (!MoveFileExA(archive, kept, MOVEFILE_COPY_ALLOWED)) WinX_RaiseLastError();
    CacheDB_SetArchive(entry, kept);
}

// A folder of this run's own, removed with the files in it when the object goes, on every
// way out (a destructor rather than a try block: the floppy dialog needs the frames).
struct ScratchFolder {
    char path[kPath] = "";
    ~ScratchFolder() {
        if (path[0] == '\0') return;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((std::string(path) + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((std::string(path) + "\\" + data.cFileName).c_str());
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(path);
    }
};

// The cache database learns the new archive with the items as its working folder, exactly
// as if it had just been melted. A folder of the cache that stands in the way belongs to the
// cache, never to the user; the items are moved, never deleted.
void MoveIntoCache(const Zent_Settings* s, CacheMove* move) {
    FileX_MakeDirs(s->CachePath, false);
    CacheDB_With(s->CachePath, [&](CacheDB* db) {
        char folder[kPath];
        StdPlus_CopyN(folder, move->proposed, sizeof folder);
        CacheDB_FindOrAdd(db, move->archive, folder);
        if (move->keep_archive) KeepArchiveBeside(db, move->archive, folder);
        if (FileX_Exists(folder) && StrX_IsInside(folder, s->CachePath)) FileX_DeleteTree(folder);
        FileX_MakeDirs(folder, move->whole);
        if (move->whole) {
            FileX_Move(folder, move->items.front().c_str());
            return;
        }
        for (const std::string& item : move->items) {
            char target[kPath];
            StrX_Join(StdPlus_CopyN(target, folder, sizeof target), StrX_FileName(item.c_str()));
            FileX_Move(target, item.c_str());
        }
    });
}

// The cache folder joined with the item's name; with `cut`, without its extension.
void ProposedFolder(const Zent_Settings* s, const char* item, bool cut, char* out) {
    StrX_Join(StdPlus_CopyN(out, s->CachePath, kPath), StrX_FileName(item));
    if (cut) StrX_SetExt(out, "");
}

// A saved web page's folder "X.files" goes with its page into X.<ext>; deleted, both move
// into the working folder X.
void FreezeSavedPage(const Zent_Settings* s, const char* folder, const char* page,
                     bool delete_items) {
    char path[kPath], written[kPath];
    StdPlus_CopyN(path, folder, sizeof path);
    StrX_SetExt(path, Zent_ExtOfType(s->DefCompressType));
    std::string sources = Quoted(folder) + " " + Quoted(page);
    Zent_CompressTo(sources.c_str(), path, true, false, false, nullptr, s->DefCompressType, nullptr,
                    written);
    if (!delete_items) return;
    CacheMove move{written, "", {page, folder}, false, false};
    ProposedFolder(s, folder, true, move.proposed);
    MoveIntoCache(s, &move);
}

}  // namespace

void Freeze_RefuseArchive() {
    MessageBoxA(nullptr, "圧縮ファイルを、さらに圧縮することはできません。", "Quarvel SV",
                MB_OK | MB_ICONINFORMATION);
}

void Freeze_RefuseEmptyFolder() {
    MessageBoxA(nullptr, "ファイルの入ってないフォルダは圧縮できません。", "Quarvel",
                MB_OK | MB_ICONINFORMATION);
}

bool Freeze_PageOfFolder(const char* folder, char* page) {
    if (lstrcmpiA(StrX_Ext(folder), "files") != 0) return false;
    for (const char* ext : {"htm", "html"}) {
        StrX_SetExt(StdPlus_CopyN(page, folder, kPath), ext);
        if (FileX_Exists(page) && !FileX_IsDir(page)) return true;
    }
    return false;
}

bool Freeze_FolderOfPage(const char* item, char* folder) {
    StrX_SetExt(StdPlus_CopyN(folder, item, kPath), "files");
    return !StrX_SamePath(folder, item) && FileX_IsDir(folder);
}

char* Freeze_FreeArchiveName(char* out, const char* first_item, const char* ext) {
    char base[kPath];
    StrX_SetExt(StdPlus_CopyN(base, first_item, sizeof base), "");
    snprintf(out, kPath, "%s.%s", base, ext);
    for (int n = 2; FileX_Exists(out); n++) snprintf(out, kPath, "%s(%d).%s", base, n, ext);
    return out;
}

std::string Freeze_SourcesWithCompanions(const char* argument) {
    std::vector<std::string> items;
    StrX_Args args;
    StrX_ArgsInit(&args, argument);
    do {
        items.push_back(StrX_ArgsCurrent(&args));
    } while (StrX_ArgsNext(&args));
    size_t given = items.size();
    for (size_t i = 0; i < given; i++) {
        char companion[kPath];
        const char* item = items[i].c_str();
        bool found = lstrcmpiA(StrX_Ext(item), "files") == 0 ? Freeze_PageOfFolder(item, companion)
                                                             : Freeze_FolderOfPage(item, companion);
        if (!found) continue;
        bool listed = false;
        for (const std::string& other : items)
            listed = listed || StrX_SamePath(other.c_str(), companion);
        if (!listed) items.push_back(companion);
    }
    std::string sources;
    for (const std::string& item : items)
        sources += (sources.empty() ? "" : " ") + Quoted(item.c_str());
    return sources;
}

void QuickFreezeFolder(const Zent_Settings* s, const char* argument, bool delete_items) {
    StrX_Args args;
    StrX_ArgsInit(&args, argument);
    char folder[kPath];
    StdPlus_CopyN(folder, StrX_ArgsCurrent(&args), sizeof folder);
    StdPlus_DropTrailChar(folder, '\\');
    Zent_UnlessCancelled([&] {
        if (FileX_IsEmptyDir(folder)) {
            Freeze_RefuseEmptyFolder();
            return;
        }
        Dialog_WaitCursor wait;
        char page[kPath];
        if (Freeze_PageOfFolder(folder, page)) {
            FreezeSavedPage(s, folder, page, delete_items);
            return;
        }
        char path[kPath], written[kPath];
        snprintf(path, sizeof path, "%s.%s", folder, Zent_ExtOfType(s->DefCompressType));
        Zent_CompressTo(Quoted(folder).c_str(), path, true, false, false, nullptr,
                        s->DefCompressType, nullptr, written);
        if (!delete_items) return;
        CacheMove move{written, "", {folder}, true, false};
        ProposedFolder(s, folder, false, move.proposed);
        MoveIntoCache(s, &move);
    });
}

void QuickFreezeItems(const Zent_Settings* s, const char* argument, bool delete_items) {
    Zent_UnlessCancelled([&] {
        StrX_Args args;
        StrX_ArgsInit(&args, argument);
        char first[kPath], path[kPath], written[kPath];
        StdPlus_CopyN(first, StrX_ArgsCurrent(&args), sizeof first);
        Freeze_FreeArchiveName(path, first, Zent_ExtOfType(s->DefCompressType));
        std::string sources = Freeze_SourcesWithCompanions(argument);
        Dialog_WaitCursor wait;
        Zent_CompressTo(sources.c_str(), path, true, false, false, nullptr, s->DefCompressType,
                        nullptr, written);
        if (!delete_items) return;
        CacheMove move{written, "", {}, false, false};
        ProposedFolder(s, first, true, move.proposed);
        StrX_ArgsInit(&args, sources.c_str());
        do {
            move.items.push_back(StrX_ArgsCurrent(&args));
        } while (StrX_ArgsNext(&args));
        MoveIntoCache(s, &move);
    });
}

void Freeze_Commit(const Zent_Settings* s, const char* folder, const Freeze_Choice& choice,
                   HWND owner) {
    // The floppy choice writes to the desktop too, into a folder of its own that goes with
    // the archive afterwards: the archive is the floppies' source and keeps the name the
    // disks record, and no file of the user's is asked about or replaced.
    ScratchFolder staging;
    const char* desktop = WinX_KnownFolder(WinX_DesktopDir(), "デスクトップ");
    if (choice.output == Freeze_Floppy) Zent_MakeOwnFolder(desktop, staging.path);
    char path[kPath];
    if (choice.output == Freeze_SameFolder) {
        StrX_ParentDir(path, folder);
    } else {
        StdPlus_CopyN(path, staging.path[0] != '\0' ? staging.path : desktop, sizeof path);
    }
    StrX_Join(path, choice.name);
    StdPlus_CatN(path, choice.self_extract ? ".exe" : ".lzh", sizeof path);
    char written[kPath];
    Zent_CompressTo(Quoted(folder).c_str(), path, choice.store_folder, choice.self_extract, false,
                    &choice.sfx, choice.type, owner, written);
    // The folder moves only once the archive is on the disks; it stays its working folder.
    if (choice.output == Freeze_Floppy && !Floppy_Divide(s, written, owner)) return;
    if (!choice.delete_folder) return;
    // The folder becomes what a melt of the archive would make: its own name when the
    // archive holds it, else a folder named after the archive.
    CacheMove move{written, "", {folder}, true, choice.output == Freeze_Floppy};
    ProposedFolder(s, choice.store_folder ? folder : path, !choice.store_folder, move.proposed);
    MoveIntoCache(s, &move);
}
