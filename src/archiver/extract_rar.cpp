// Extraction of RAR archives through UNRAR.DLL, which has an interface of its own: entries
// are read header by header, and a volume set asks for its parts through a callback.
#include <cstdio>
#include <cstring>

#include "archiver/arcdll_api.h"
#include "archiver/dllbind.h"
#include "archiver/extract_local.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

namespace {

using namespace ExtractX;

const char kBroken[] = "圧縮ファイルがおかしいか、UNRAR.DLL のバージョンが古いです";

// Codes 12 to 19 of the DLL, raised with the code itself.
const char* const kRarMessages[] = {
    "CRC error",         "Bad volume",        "Unknown archive format",
    "Volume open error", "File create error", "File close error",
    "Read error",        "Write error",
};

// Other codes (warnings, end of archive) let the work go on.
void RaiseRarCode(int code) {
    if (code < 12 || code > 19) return;
    Errors_Raise(__FILE_NAME__, __LINE__, code, "error", "%s", kRarMessages[code - 12]);
}

int PASCAL AskForVolume(char* volume, int mode) {
    if (mode != Zent_Rar_VolumeAsk) return 1;
    char name[512];
    StdPlus_CopyN(name, volume, sizeof name);
    char text[600];
    snprintf(text, sizeof text, "%s の入っているディスクを入れてください。", name);
    return MessageBoxA(nullptr, text, "Zent", MB_OKCANCEL) == IDOK ? 1 : 0;
}

struct RarExports {
    Zent_RarOpenFn open;
    Zent_RarCloseFn close;
    Zent_RarReadHeaderFn read;
    Zent_RarProcessFileFn process;
    Zent_RarSetChangeVolProcFn set_volume_proc;
};

RarExports Resolve(const Zent_LoadedDll& dll) {
    RarExports x;
    x.open = dll.Get<Zent_RarOpenFn>("RAROpenArchive");
    x.close = dll.Get<Zent_RarCloseFn>("RARCloseArchive");
    x.read = dll.Get<Zent_RarReadHeaderFn>("RARReadHeader");
    x.process = dll.Get<Zent_RarProcessFileFn>("RARProcessFile");
    x.set_volume_proc = dll.Get<Zent_RarSetChangeVolProcFn>("RARSetChangeVolProc");
    return x;
}

// One opening of the archive, closed on every way out.
class RarArchive {
public:
    RarArchive(const RarExports& x, const char* archive, const char* quoted, unsigned mode)
        : x_(x) {
        Zent_RarOpenData data = {};
        data.ArcName = const_cast<char*>(archive);
        data.OpenMode = mode;
        data.CmtBuf = comment_;
        data.CmtBufSize = sizeof comment_;
        handle_ = x_.open(&data);
        if (handle_ == nullptr || data.OpenResult != 0) {
            if (handle_ != nullptr) x_.close(handle_);
            if (strcmp(quoted, "\"\"") == 0)
                ERRORS_RAISE(Zent_Err_NotFolderWhenCompressing,
                             "通常のフォルダを指定してください。");
            ERRORS_RAISE(Zent_Err_BrokenFileOrOldDLL, "%s", kBroken);
        }
        x_.set_volume_proc(handle_, AskForVolume);
    }
    ~RarArchive() { x_.close(handle_); }
    RarArchive(const RarArchive&) = delete;
    RarArchive& operator=(const RarArchive&) = delete;

    // False at the end of the archive; bad data there means a broken archive. A volume
    // that could not be opened (the user cancelled the request for it) ends the headers
    // too: taken for the end, the rest of the set would silently be missing from a
    // "successful" extraction, and every later opening would ask for the volume again.
    bool Next(Zent_RarHeader* header) {
        memset(header, 0, sizeof *header);
        header->CmtBuf = nullptr;
        int code = x_.read(handle_, header);
        if (code == Zent_Rar_BadData) ERRORS_RAISE(Zent_Err_BrokenFileOrOldDLL, "%s", kBroken);
        RaiseRarCode(code);
        return code == 0;
    }
    void Process(int operation) { RaiseRarCode(x_.process(handle_, operation, nullptr, nullptr)); }

private:
    const RarExports& x_;
    HANDLE handle_;
    char comment_[256];
};

// Folder entries are left out: RAR lists a folder before its content, and without its
// separator the folder's own name would be taken for the top.
Layout ProbeLayout(const RarExports& x, const char* archive, const char* quoted, int* count) {
    Layout layout;
    *count = 0;
    RarArchive rar(x, archive, quoted, Zent_Rar_OpenList);
    Zent_RarHeader header;
    while (rar.Next(&header)) {
        if (header.FileAttr != Zent_Rar_DirectoryAttr) {
            ++*count;
            if (!layout.any_entry) {
                layout.any_entry = true;
                TakeTop(&layout, header.FileName);
            } else if (!StrX_BeginsWithPath(header.FileName, layout.top)) {
                layout.single_top = false;
            }
        }
        rar.Process(Zent_Rar_Skip);
    }
    return layout;
}

int GuardParents(const RarExports& x, const char* archive, const char* quoted, char* result) {
    int depth = 0;
    {
        RarArchive rar(x, archive, quoted, Zent_Rar_OpenList);
        EntryNames names;
        Zent_RarHeader header;
        while (rar.Next(&header)) {
            // A name that fills the header's field may have been cut: it cannot be judged.
            names.Check(header.FileName, header.FileAttr == Zent_Rar_DirectoryAttr);
            int units = GuardUnits(header.FileName, sizeof header.FileName - 1, false);
            if (units > depth) depth = units;
            rar.Process(Zent_Rar_Skip);
        }
    }
    AddGuardLevels(result, depth);
    return depth;
}

// Whatever stops the extraction once it has begun, the part already written is kept under
// a free "-remnants" name (when this extraction made the folder): the user may still want what
// came out of a damaged volume set.
void RunExtraction(const RarExports& x, const char* archive, const char* quoted, char* result,
                   const Destination& d) {
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            RarArchive rar(x, archive, quoted, Zent_Rar_OpenExtract);
            Zent_RarHeader header;
            while (rar.Next(&header)) rar.Process(Zent_Rar_Extract);
        },
        [&] {
            KeepRemnants(result, d);
            Except_Rethrow();
        });
}

}  // namespace

namespace ExtractX {

void ExtractRar(const Zent_LoadedDll& dll, const char* archive, const char* quoted, char* result,
                const Zent_ReuseFolder& reuse, Destination* d) {
    RarExports x = Resolve(dll);
    int count = 0;
    Layout layout = ProbeLayout(x, archive, quoted, &count);
    int guard = GuardParents(x, archive, quoted, result);
    *d = PrepareDestination(layout, count, result, archive, reuse, guard);
    if (d->extract) RunExtraction(x, archive, quoted, result, *d);
}

}  // namespace ExtractX
