#include "floppy/floppy_local.h"

#include <cstdio>
#include <cstring>

#include "floppy/floppy.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/inifile.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/progress.h"
#include "shell/winx_errors.h"

const char Floppy_Title[] = "フロッピーに保存 - Quarvel";

static const char kComment1[] =
    "分割ファイル（ファイル名 1、2、3...）は、単純にバイナリ分割したものです。";
static const char kComment2[] =
    "分割ファイルは、MS-DOS の COPY コマンドで結合することができます。（help: COPY /?）。";

bool Floppy_ReadSource(const char* archive, Floppy_Source* source, HWND owner) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(archive, GetFileExInfoStandard, &info)) WinX_RaiseLastError();
    StdPlus_CopyN(source->path, archive, sizeof source->path);
    StrX_CopyFileName(source->name, archive);
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > 0x7FFFFFFFul) {
        char text[400];
        snprintf(text, sizeof text, "%s は 2GB 以上あるので、フロッピーに分割できません。",
                 source->name);
        MessageBoxA(owner, text, Floppy_Title, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    source->size = static_cast<long>(info.nFileSizeLow);
    FileX_Time(archive, &source->time);
    return true;
}

std::string Floppy_DescriptionPath(const char* root, int number) {
    char name[32];
    snprintf(name, sizeof name, "%d.ini", number);
    return std::string(root) + name;
}

void Floppy_WriteDescription(const char* root, const Floppy_Source& source, int number, int disks) {
    IniFile_Writer w;
    IniFile_OpenWrite(&w, Floppy_DescriptionPath(root, number).c_str());
    IniFile_WriteSection(&w, "main");
    IniFile_WriteRecord(&w, "OriginalFName", "s", source.name);
    IniFile_WriteRecord(&w, "Number", "i", number);
    if (number == 1) {
        IniFile_WriteRecord(&w, "TotalSize", "i", static_cast<int>(source.size));
        IniFile_WriteRecord(&w, "NFlopy", "i", disks);
        IniFile_WriteRecord(&w, "Update", "t", &source.time);
        IniFile_WriteRecord(&w, "Comment", "s", kComment1);
        IniFile_WriteRecord(&w, "Comment", "s", kComment2);
    }
    IniFile_CloseWrite(&w);
}

namespace {
// Closes a description being read on every way out, a raise included.
struct ReaderCloser {
    IniFile_Reader* reader;
    ~ReaderCloser() {
        if (reader->f != nullptr) IniFile_CloseRead(reader);
    }
};
}  // namespace

bool Floppy_IsFirstDisk(const char* root, const Floppy_Source& source) {
    std::string description = Floppy_DescriptionPath(root, 1);
    std::string piece = std::string(root) + "1";
    if (!FileX_Exists(description.c_str()) || !FileX_Exists(piece.c_str())) return false;
    char line[1024];
    char name[256] = "";
    int number = 0;
    // Whatever else the file holds, it is not this split's first description.
    Except_TryCatch(
        __FILE_NAME__, __LINE__,
        [&] {
            IniFile_Reader r{};
            ReaderCloser closer{&r};
            IniFile_OpenRead(&r, description.c_str(), line, sizeof line);
            IniFile_Read_setSection(&r, "main");
            IniFile_ReadRecord(&r, "OriginalFName", "s", name);
            IniFile_ReadRecord(&r, "Number", "i", &number);
        },
        [&] { number = 0; });
    return number == 1 && lstrcmpiA(name, source.name) == 0;
}

std::vector<std::string> Floppy_ClearableFiles(const char* root) {
    std::vector<std::string> names;
    for (Own_Find find((std::string(root) + "*").c_str()); find.Next();) {
        if (find.IsDir() || Floppy_IsProtectedName(find.Name())) continue;
        names.push_back(find.Name());
    }
    return names;
}

void Floppy_DeleteFiles(const char* root, const std::vector<std::string>& names) {
    for (const std::string& name : names) FileX_Delete((root + name).c_str());
}

void Floppy_CopyWhole(const char* dst, const char* src, HWND owner, const Progress_Mirror& mirror) {
    char root[4];
    StdPlus_CopyN(root, dst, sizeof root);
    FileX_DiskSpace space;
    FileX_GetDiskSpace(&space, root);
    unsigned long long needed =
        FileX_ClustersFor(&space, FileX_Size(src)) * FileX_ClusterSize(&space);
    if (!FileX_Exists(dst) || needed <= FileX_FreeBytes(&space)) {
        WinX_CopyWithProgress(dst, src, Floppy_Title, owner, &mirror);
        return;
    }
    WinX_CopyRangeWithProgress(dst, src, 0, -1, Floppy_Title, owner, &mirror);
}

// The modification time of the archive; a piece is its bytes, so it keeps its time.
static void GiveTimeOf(const char* dst, const char* src) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(src, GetFileExInfoStandard, &info)) return;
    HANDLE file = CreateFileA(dst, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFileTime(file, nullptr, nullptr, &info.ftLastWriteTime);
    CloseHandle(file);
}

long Floppy_CopyPiece(const char* dst, const Floppy_Source& source, long start, long room,
                      HWND owner, const Progress_Mirror& mirror) {
    long written = WinX_CopyRangeWithProgress(dst, source.path, start, start + room, Floppy_Title,
                                              owner, &mirror);
    GiveTimeOf(dst, source.path);
    return written;
}
