// The compression operations of the types written through a DLL's command line: LHA, CAB,
// YZ1 and tar.gz share one plan, 7z has its own. Each builds the new archive under a temporary name
// beside the archive it makes and gives it the archive's name only once it is complete.
#include <cstdio>
#include <cstring>
#include <string>

#include "archiver/arcdll_api.h"
#include "archiver/compress_local.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_errors.h"
#include "shell/winx_folders.h"

namespace CompressX {

namespace {

// The archive and the program a self-extracting run makes of it.
struct Names {
    char archive[kPath];
    char exe[kPath];
};

bool SingleFileTar(const Job& job) {
    return !job.first_is_folder && job.count < 2;
}

// The tar family's compression follows the archive's name, which an update keeps.
const char* TarCompression(const Job& job) {
    if (SingleFileTar(job)) return "G";
    const char* ext = StrX_Ext(job.archive);
    if (lstrcmpiA(ext, "tar") == 0) return "";
    return lstrcmpiA(ext, "bz2") == 0 ? "j" : "z";
}

Names NamesOf(const Job& job, bool lone_gzip) {
    Names n;
    StdPlus_CopyN(n.archive, job.archive, kPath);
    if (!lone_gzip) {
        WithExt(n.exe, n.archive, "exe");
        return n;
    }
    // A lone file is gzipped as it is: x.tar.gz becomes x.gz.
    if (SingleFileTar(job)) WithExt(n.archive, WithExt(n.archive, job.archive, ""), "gz");
    WithExt(n.exe, WithExt(n.exe, job.archive, ""), "exe");
    return n;
}

// The items after the first, one quoted name a line: named from the working folder when
// they lie in it, else by their full path.
std::string ListOfOthers(const Job& job, const char* folder) {
    std::string list;
    StrX_Args items;
    StrX_ArgsInit(&items, job.sources);
    while (StrX_ArgsNext(&items)) {
        const char* item = StrX_ArgsCurrent(&items);
        char parent[kPath];
        StrX_ParentDir(parent, item);
        list += "\"";
        list += StrX_SamePath(parent, folder) ? StrX_FileName(item) : item;
        list += "\"\n";
    }
    return list;
}

// The items after the first reach the DLL through the response file "$$" in the folder it
// runs in.
void AddListOfOthers(const Job& job, const char* folder, char* command, size_t size,
                     Scratch* scratch) {
    if (job.count < 2) return;
    char list[kPath];
    StrX_Join(StdPlus_CopyN(list, folder, kPath), "$$");
    scratch->Write(list, ListOfOthers(job, folder).c_str());
    StdPlus_CatN(command, " @$$", size);
}

// "! " and "$ " name the installer files in the command when the DLL runs above the folder:
// inside it, "*" takes them anyway.
const char* LhaPrefix(const Job& job) {
    if (!job.self_extract || !job.store_folder || job.sfx == nullptr) return "";
    if (job.sfx->ask && job.sfx->install) return "! $ ";
    if (job.sfx->ask) return "! ";
    if (job.sfx->install) return "$ ";
    return "";
}

void WriteInstallerFiles(const Job& job, const char* folder, Scratch* scratch) {
    if (!job.self_extract || job.sfx == nullptr) return;
    char path[kPath];
    if (job.sfx->ask) {
        StrX_Join(StdPlus_CopyN(path, folder, kPath), "!");
        scratch->Write(path, job.sfx->question);
    }
    if (job.sfx->install) {
        std::string text =
            std::string("$WindowTitle=") + job.sfx->title + "\n$InstallTitle=" + job.sfx->message +
            ":\n$InstallDir=" + job.sfx->folder + "\n$Command=" + job.sfx->command + "\n";
        StrX_Join(StdPlus_CopyN(path, folder, kPath), "$");
        scratch->Write(path, text.c_str());
    }
}

// The command that writes the temporary archive, one per type of the family.
typedef void (*CommandFn)(const Job& job, const char* temp, const char* pattern, char* command,
                          size_t size);

void LhaCommand(const Job& job, const char* temp, const char* pattern, char* command, size_t size) {
    snprintf(command, size, "%c -x1 -r2 -d -a2 -jm%c \"%s\" %s\"%s\"", job.update ? 'f' : 'a',
             job.self_extract ? '4' : '2', temp, LhaPrefix(job), pattern);
}

void CabCommand(const Job&, const char* temp, const char* pattern, char* command, size_t size) {
    snprintf(command, size, "-a -r \"%s\" \"%s\"", temp, pattern);
}

void Yz1Command(const Job& job, const char* temp, const char*, char* command, size_t size) {
    snprintf(command, size, "c \"%s\" \"%s\"", temp, StrX_FileName(job.first));
}

void TarCommand(const Job& job, const char* temp, const char* pattern, char* command, size_t size) {
    snprintf(command, size, "-%scvf%s \"%s\" \"%s\"", TarCompression(job),
             job.self_extract ? " --self-extracting=1" : "", temp, pattern);
}

// What sets the types of the family apart.
struct Plan {
    CommandFn command = nullptr;
    bool folder_only = false;      // YZ1 stores the folder itself, never only its content
    bool installer_files = false;  // LHA: "!" and "$" carry the self-extractor's question and setup
    bool freshen = false;          // LHA: an update freshens a copy of the archive
    bool lone_gzip = false;        // tar: a lone file is gzipped as it is
};

// After the DLL freshened the entries it had: drop those whose files are gone, add the new.
// Both must succeed: a failed drop would bring back what the user deleted at the next melt,
// a failed add would leave the new files out of an archive reported as updated.
void UpdateLha(const Job& job, const Zent_LoadedDll& dll, const char* temp, const char* pattern) {
    char command[kPath * 3];
    snprintf(command, sizeof command, "d -jn -r2 -d \"%s\" \"%s\"", temp, pattern);
    RunCommand(dll, command, job.owner);
    snprintf(command, sizeof command, "a -jn -x1 -r2 -d -a2 -jm%c \"%s\" \"%s\"",
             job.self_extract ? '4' : '2', temp, pattern);
    RunCommand(dll, command, job.owner);
}

// The DLL turns the temporary archive into a program beside it; the program takes the name
// of the one the user asked for, and the plain archive goes.
void MakeProgram(const Job& job, const Zent_LoadedDll& dll, const Names& names, const char* temp,
                 Scratch* scratch) {
    const Zent_CompressRow& row = dll.Info().compress;
    char temp_exe[kPath];
    WithExt(temp_exe, temp, "exe");
    scratch->Add(temp_exe);
    char command[kPath * 2];
    bool install = job.sfx != nullptr && job.sfx->install;
    snprintf(command, sizeof command, install ? row.self_extract_install : row.self_extract, temp);
    if (dll.Get<Zent_CommandFn>("")(job.owner, command, nullptr, 0) != 0) {
        if (row.self_extract_failed != nullptr)
            ERRORS_RAISE(Errors_Unofficial, row.self_extract_failed, WinX_SystemDir());
        ERRORS_RAISE(Errors_Unofficial, "error");
    }
    Replace(names.exe, temp_exe);
    // The user agreed to lose an archive of that name: only the program remains.
    if (FileX_Exists(names.archive) && !DeleteFileA(names.archive)) WinX_RaiseLastError();
    Report(job, names.exe);
}

void CompressFamily(const Job& job, Zent_DllId dll, const Plan& plan) {
    if (plan.folder_only && !job.store_folder) ERRORS_RAISE(Errors_Unofficial, "error");
    const Zent_CompressRow& row = Zent_Dll(dll).compress;
    Names names = NamesOf(job, plan.lone_gzip);
    char folder[kPath], pattern[kPath];
    WorkingPlace(job, folder, pattern);
    AskOverwriteEither(job, names.archive, names.exe);

    Zent_DllFrame frame(dll, row.missing);
    KeepCurrentDir keep;
    SetCurrentDir(folder);
    Scratch scratch;
    char temp[kPath];
    TemporaryBeside(names.archive, temp);
    scratch.Add(temp);
    if (plan.installer_files) WriteInstallerFiles(job, folder, &scratch);
    char command[kPath * 3];
    plan.command(job, temp, pattern, command, sizeof command);
    if (row.list_file) AddListOfOthers(job, folder, command, sizeof command, &scratch);
    bool freshen = job.update && plan.freshen && FileX_Exists(names.archive);
    if (freshen) FileX_Copy(temp, names.archive);

    RunCommand(frame.Dll(), command, job.owner);
    if (freshen) UpdateLha(job, frame.Dll(), temp, pattern);
    if (job.self_extract && row.self_extract != nullptr) {
        MakeProgram(job, frame.Dll(), names, temp, &scratch);
        return;
    }
    Replace(names.archive, temp);
    Report(job, names.archive);
}

}  // namespace

void CompressLha(const Job& job, Zent_DllId dll) {
    CompressFamily(job, dll, {.command = LhaCommand, .installer_files = true, .freshen = true});
}

void CompressCab(const Job& job, Zent_DllId dll) {
    CompressFamily(job, dll, {.command = CabCommand});
}

void CompressYz1(const Job& job, Zent_DllId dll) {
    CompressFamily(job, dll, {.command = Yz1Command, .folder_only = true});
}

void CompressTar(const Job& job, Zent_DllId dll) {
    CompressFamily(job, dll, {.command = TarCommand, .lone_gzip = true});
}

// 7z makes a self-extracting program itself (-sfx), named in the command. In update mode the
// DLL writes the mirror of the folder into a new file and leaves the archive as it was.
void CompressSevenZip(const Job& job, Zent_DllId dll) {
    char exe[kPath], folder[kPath], pattern[kPath];
    WithExt(exe, job.archive, "exe");
    WorkingPlace(job, folder, pattern);
    if (job.self_extract) {
        if (FileX_Exists(exe)) AskOverwrite(job.owner, exe, nullptr);
    } else if (FileX_Exists(job.archive) && !job.update) {
        AskOverwrite(job.owner, job.archive, nullptr);
    }

    const Zent_CompressRow& row = Zent_Dll(dll).compress;
    Zent_DllFrame frame(dll, row.missing);
    KeepCurrentDir keep;
    SetCurrentDir(folder);
    const char* target = job.self_extract ? exe : job.archive;
    Scratch scratch;
    char temp[kPath];
    TemporaryBeside(target, temp);
    scratch.Add(temp);
    char command[kPath * 4];
    if (job.update && !job.self_extract) {
        snprintf(command, sizeof command,
                 "u -t7z -m0=LZMA:a2 -r -ms=off \"%s\" -u- -up0q0r2x2y2z1w2!\"%s\" \"%s\"",
                 job.archive, temp, pattern);
    } else {
        snprintf(command, sizeof command, "a -t7z -m0=LZMA:a2 -r%s \"%s\" \"%s\"",
                 job.self_extract ? " -sfx" : " -ms=off", temp, pattern);
    }
    if (row.list_file) AddListOfOthers(job, folder, command, sizeof command, &scratch);
    RunCommand(frame.Dll(), command, job.owner);
    Replace(target, temp);
    Report(job, target);
}

}  // namespace CompressX
