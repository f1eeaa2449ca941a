#include "archiver/compress.h"

#include <cstdio>
#include <cstring>

#include "archiver/arcdll_api.h"
#include "archiver/compress_local.h"
#include "archiver/zent_types.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_errors.h"

char* Zent_ArchivePathOf(char* out, const char* path, int type) {
    StdPlus_CopyN(out, path, CompressX::kPath);
    if (type == Zent_TarType) {
        if (lstrcmpiA(StrX_Ext(out), "gz") != 0) StrX_SetExt(out, "tar.gz");
        return out;
    }
    return StrX_SetExt(out, Zent_ExtOfType(type));
}

namespace CompressX {

void WorkingPlace(const Job& job, char* folder, char* pattern) {
    if (!job.store_folder && job.first_is_folder) {
        StdPlus_CopyN(folder, job.first, kPath);
        StdPlus_CopyN(pattern, "*", kPath);
        return;
    }
    StrX_ParentDir(folder, job.first);
    StrX_CopyFileName(pattern, job.first);
    if (job.first_is_folder) StrX_Join(pattern, "*");
}

void AskOverwrite(HWND owner, const char* first, const char* second) {
    char text[800];
    if (second == nullptr) {
        snprintf(text, sizeof text, "%s ファイルは既に存在します。\r\n上書きしますか?", first);
    } else {
        snprintf(text, sizeof text, "%s と %s ファイルは既に存在します。\r\n上書きしますか?", first,
                 second);
    }
    if (MessageBoxA(owner, text, "圧縮 - Quarvel", MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
        IDYES)
        ERRORS_RAISE(Zent_Err_UserCancel, "%s", "");
}

void AskOverwriteEither(const Job& job, const char* archive, const char* exe) {
    bool archive_there = FileX_Exists(archive);
    bool exe_there = job.self_extract && FileX_Exists(exe);
    if (archive_there && exe_there) {
        AskOverwrite(job.owner, archive, exe);
    } else if (exe_there) {
        AskOverwrite(job.owner, exe, nullptr);
    } else if (archive_there && !job.update) {
        AskOverwrite(job.owner, archive, nullptr);
    }
}

char* WithExt(char* out, const char* path, const char* ext) {
    StdPlus_CopyN(out, path, kPath);
    return StrX_SetExt(out, ext);
}

void TemporaryBeside(const char* final_path, char* out) {
    char folder[kPath], name[kPath], exe[kPath];
    StrX_ParentDir(folder, final_path);
    StrX_CopyFileName(name, final_path);
    for (int n = 1;; n++) {
        char leaf[kPath];
        snprintf(leaf, sizeof leaf, "~zt%d-%s", n, name);
        StdPlus_CopyN(out, folder, kPath);
        StrX_Join(out, leaf);
        if (!FileX_Exists(out) && !FileX_Exists(WithExt(exe, out, "exe"))) return;
    }
}

void Replace(const char* final_path, const char* built) {
    if (!MoveFileExA(built, final_path, MOVEFILE_REPLACE_EXISTING)) WinX_RaiseLastError();
}

void Report(const Job& job, const char* path) {
    if (job.written != nullptr) StdPlus_CopyN(job.written, path, kPath);
}

void RunCommand(const Zent_LoadedDll& dll, const char* command, HWND owner) {
    Zent_CommandFn run = dll.Get<Zent_CommandFn>("");
    int result = run(owner, command, nullptr, 0);
    if (result == 0) return;
    if (result == Zent_Result_Cancel) ERRORS_RAISE(Zent_Err_UserCancel, "%s", "");
    ERRORS_RAISE(Errors_Unofficial, "%X", result);
}

Scratch::~Scratch() {
    for (int i = 0; i < count_; i++) {
        if (FileX_Exists(paths_[i])) DeleteFileA(paths_[i]);
    }
}

void Scratch::Add(const char* path) {
    if (count_ == kMax) {
        ERRORS_RAISE(Errors_Unofficial, "作業用のファイルが多すぎて %s を覚えておけません。", path);
    }
    StdPlus_CopyN(paths_[count_++], path, kPath);
}

void Scratch::Write(const char* path, const char* text) {
    if (FileX_Exists(path))
        ERRORS_RAISE(FileX_Err_CannotWriteOpen, "作業用のファイル %s が既にあります。", path);
    Add(path);
    Own_File file(FileX_Open(path, "wt"));
    fputs(text, file.Get());
    if (!file.Close()) ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", path);
}

KeepCurrentDir::KeepCurrentDir() {
    GetCurrentDirectoryA(sizeof saved_, saved_);
}

KeepCurrentDir::~KeepCurrentDir() {
    if (saved_[0] != '\0') SetCurrentDirectoryA(saved_);
}

void SetCurrentDir(const char* folder) {
    if (!SetCurrentDirectoryA(folder))
        ERRORS_RAISE(Zent_Err_NotFolderWhenCompressing, "通常のフォルダを指定してください。");
}

}  // namespace CompressX

void Zent_CompressTo(const char* sources, const char* archive_path, bool store_folder,
                     bool self_extract, bool update, const Zent_SfxOptions* sfx, int type,
                     HWND owner, char* written) {
    Zent_DllId dll = Zent_CompressDllOf(type);
    if (dll == Zent_Dll_Count) return;
    CompressX::Job job{};
    job.sources = sources;
    StrX_Args items;
    StrX_ArgsInit(&items, sources);
    job.count = StrX_ArgsCount(&items);
    StdPlus_CopyN(job.first, StrX_ArgsCurrent(&items), sizeof job.first);
    job.first_is_folder = FileX_IsDir(job.first);
    // An update writes the archive back under the name it has.
    if (update) {
        StdPlus_CopyN(job.archive, archive_path, sizeof job.archive);
    } else {
        Zent_ArchivePathOf(job.archive, archive_path, type);
    }
    job.store_folder = store_folder;
    job.self_extract = self_extract;
    job.update = update;
    job.sfx = sfx;
    job.owner = owner;
    job.written = written;
    Zent_Type(type).compress(job, dll);
}
