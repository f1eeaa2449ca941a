#include "filex.h"

#include <windows.h>
#include <direct.h>
#include <io.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "errors.h"
#include "except3.h"
#include "handles.h"
#include "nestfind.h"
#include "stdplus.h"
#include "strx.h"

enum { kBlock = 1024, kCompareBlock = 65536 };

static char g_copy_block[kBlock];
static char g_compare_a[kCompareBlock];
static char g_compare_b[kCompareBlock];

namespace {
// Closes the stream on every path out, a raise included.
struct Stream {
    FILE* f;
    explicit Stream(FILE* file) : f(file) {}
    ~Stream() { Close(); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    bool Close() {
        bool ok = f == nullptr || fclose(f) == 0;
        f = nullptr;
        return ok;
    }
};
}  // namespace

static bool HasWriteMode(const char* mode) {
    return strchr(mode, 'w') != nullptr || strchr(mode, 'a') != nullptr;
}

FILE* FileX_Open(const char* path, const char* mode) {
    char name[StrX_PathSize];
    // Cut short, the path would name another file.
    if (strlen(path) >= sizeof name)
        ERRORS_RAISE(StrX_Err_TooLongPath, "パスが長すぎます（%s）", path);
    StdPlus_CopyN(name, path, sizeof name);
    // A quoted root ("\"" as the shell may pass it) means the root folder.
    if (name[0] == '\\' && name[1] == '"' && name[2] == '\0') name[1] = ' ';
    FILE* f = fopen(name, mode);
    if (f != nullptr) return f;
    if (HasWriteMode(mode)) {
        char parent[StrX_PathSize];
        StrX_ParentDir(parent, path);
        if (parent[0] != '\0' && !FileX_IsDir(parent)) {
            ERRORS_RAISE(FileX_Err_CannotWriteOpen,
                         "ファイルを格納するフォルダが無いので、ファイル \"%s\" が書きこめません",
                         path);
        }
        ERRORS_RAISE(FileX_Err_CannotWriteOpen, "ファイル \"%s\" が書きこめません", path);
    }
    char cwd[StrX_PathSize];
    if (GetCurrentDirectoryA(sizeof cwd, cwd) >= sizeof cwd) cwd[0] = '\0';
    ERRORS_RAISE(FileX_Err_CannotReadOpen, "ファイル \"%s\" が見つかりません\nカレント＝%s", path,
                 cwd);
    return nullptr;
}

// A `..` component that resolution could not remove: the path names nothing.
static bool HasParentStep(const char* path) {
    for (const char* p = strstr(path, ".."); p != nullptr; p = strstr(p + 1, "..")) {
        bool starts = p == path || p[-1] == '\\' || p[-1] == '/';
        bool ends = p[2] == '\0' || p[2] == '\\' || p[2] == '/';
        if (starts && ends) return true;
    }
    return false;
}

bool FileX_Exists(const char* path) {
    if (strstr(path, "..") != nullptr) {
        char absolute[StrX_PathSize];
        Except_TryCatch(
            __FILE_NAME__, __LINE__, [&] { StrX_AbsFromCwd(absolute, path, sizeof absolute); },
            [&] {
                if (Except_Error()->code != StrX_Err_NoMoreParentDir) Except_Rethrow();
                strcpy(absolute, "..");
            });
        if (HasParentStep(absolute)) return false;
    }
    return _access(path, 0) == 0;
}

bool FileX_IsDir(const char* path) {
    char name[StrX_PathSize];
    StdPlus_CopyN(name, path, sizeof name);
    for (;;) {
        size_t before = strlen(name);
        StdPlus_DropTrailChar(name, '\\');
        StdPlus_DropTrailChar(name, '/');
        if (strlen(name) == before) break;
    }
    if (name[0] == '\0') {
        if (path[0] == '\0') return false;
        StdPlus_CopyN(name, path, sizeof name);  // a lone separator: the root
    }
    if (isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':' && name[2] == '\0')
        return true;
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileX_IsEmptyDir(const char* folder) {
    char pattern[StrX_PathSize];
    StrX_Join(StdPlus_CopyN(pattern, folder, sizeof pattern), "*");
    Own_Find find(pattern);
    return !find.Next();
}

struct ErrnoEntry {
    int err;
    const char* text;
};

static const ErrnoEntry kErrnoTexts[] = {
    {2, "ENOENT   ファイルまたはディレクトリがない。"},
    {7, "E2BIG   引数リストが長すぎる"},
    {8, "ENOEXEC   実行ファイルのエラー。"},
    {9, "EBADF   不正なファイル番号。"},
    {10, "ECHILD   子プロセスが存在しない"},
    {11, "EAGAIN   これ以上プロセスを生成できない。"},
    {12, "ENOMEM   メモリ不足。"},
    {13, "EACCES   アクセスが拒否された。"},
    {17, "EXIST   ファイルが存在する。"},
    {18, "EXDEV   デバイス間リンク。"},
    {22, "EINVAL   不正な引数。"},
    {24, "EMFILE   開いているファイルが多すぎる。"},
    {28, "ENOSPC   デバイスの空き領域不足。"},
    {33, "EDOM   数値演算関数の引数が関数のドメイン外の値である。"},
    {34, "ERANGE   結果が大きすぎる。"},
    {36, "EDEADLOCK   リソースのデッドロックが発生する可能性がある。"},
};

static const char* ErrnoText(int err) {
    for (const ErrnoEntry& e : kErrnoTexts) {
        if (e.err == err) return e.text;
    }
    return "Unknown Error";
}

void FileX_Time(const char* path, time_t* out) {
    struct _stat64 st;
    if (_stat64(path, &st) != 0) {
        int err = errno;
        Errors_Log("errno = %d : %s", err, ErrnoText(err));
        ERRORS_RAISE(Errors_Unofficial, "error");
    }
    *out = st.st_mtime;
}

unsigned long FileX_Size(const char* path) {
    struct _stat64 st;
    if (_stat64(path, &st) != 0) return 0;
    return static_cast<unsigned long>(st.st_size);
}

// A short read is the end of the file only when the stream says so: a read error or a
// file cut short meanwhile is a failure, never a smaller file.
static void RaiseReadFailed(const char* path) {
    ERRORS_RAISE(FileX_Err_CannotRead, "%s の読みこみに失敗しました。", path);
}

unsigned long FileX_Checksum(const char* path, unsigned long count) {
    Stream in(FileX_Open(path, "rb"));
    unsigned long sum = 0;
    unsigned long k = 0;
    while (k < count) {
        size_t want = count - k < sizeof g_copy_block ? count - k : sizeof g_copy_block;
        size_t n = fread(g_copy_block, 1, want, in.f);
        for (size_t i = 0; i < n; i++, k++)
            sum += static_cast<unsigned long>(static_cast<unsigned char>(g_copy_block[i]))
                   << (k % 7);
        if (n < want) break;
    }
    if (ferror(in.f)) RaiseReadFailed(path);
    return sum;
}

int FileX_Compare(const char* a, const char* b) {
    Stream fa(fopen(a, "rb"));
    Stream fb(fopen(b, "rb"));
    if (fa.f == nullptr && fb.f == nullptr) return -3;
    if (fa.f == nullptr) return -1;
    if (fb.f == nullptr) return -2;
    // Files of different sizes differ: an update compares archives of several hundred
    // megabytes that way, and it need not read them up to their first difference.
    if (_filelengthi64(_fileno(fa.f)) != _filelengthi64(_fileno(fb.f))) return 1;
    for (;;) {
        size_t na = fread(g_compare_a, 1, kCompareBlock, fa.f);
        size_t nb = fread(g_compare_b, 1, kCompareBlock, fb.f);
        if (ferror(fa.f)) RaiseReadFailed(a);
        if (ferror(fb.f)) RaiseReadFailed(b);
        if (na != nb || memcmp(g_compare_a, g_compare_b, na) != 0) return 1;
        if (na < kCompareBlock) return 0;
    }
}

char* FileX_NumberedName(const char* dir, const char* prefix, const char* ext, char* out) {
    char folder[StrX_PathSize];
    if (dir != nullptr && FileX_IsDir(dir)) {
        StdPlus_CopyN(folder, dir, sizeof folder);
    } else {
        DWORD n = GetEnvironmentVariableA("TEMP", folder, sizeof folder);
        if (n == 0 || n >= sizeof folder) folder[0] = '\0';
        StdPlus_DropTrailChar(folder, '\\');
    }
    const char* format =
        StdPlus_LastChar(folder) == '\\' && !StrX_IsTrailByte(folder, folder + strlen(folder) - 1)
            ? "%s%s%d.%s"
            : "%s\\%s%d.%s";
    for (int n = 1;; n++) {
        snprintf(out, StrX_PathSize, format, folder, prefix, n, ext);
        if (!FileX_Exists(out)) return out;
    }
}

void FileX_Copy(const char* dst, const char* src) {
    FileX_CopyProgress(dst, src, nullptr, nullptr);
}

static void RaiseWriteFailed(Stream& out, Stream& in, const char* dst) {
    in.Close();
    out.Close();
    remove(dst);
    ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", dst);
}

// The copy is complete only when every byte the source had was read: a read error, or a
// source that another program cut short meanwhile, leaves no partial copy.
static void CheckReadWhole(Stream& out, Stream& in, const char* dst, const char* src,
                           long long read, long long expected) {
    if (!ferror(in.f) && read >= expected) return;
    in.Close();
    out.Close();
    remove(dst);
    RaiseReadFailed(src);
}

// The modification time to the hundred nanoseconds, as the source has it, and the access
// time now.
static bool CopyTimes(const char* dst, const FILETIME& written) {
    HANDLE h = CreateFileA(dst, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    bool ok = SetFileTime(h, nullptr, &now, &written) != 0;
    CloseHandle(h);
    return ok;
}

void FileX_CopyProgress(const char* dst, const char* src, FileX_Progress progress, void* user) {
    if (!FileX_Exists(src))
        ERRORS_RAISE(FileX_Err_NotFindCopySrc, "コピー元が見つかりません %s", src);
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(src, GetFileExInfoStandard, &info))
        ERRORS_RAISE(Errors_Unofficial, "error");
    time_t modified;
    FileX_Time(src, &modified);
    unsigned long size = FileX_Size(src);
    FileX_MakeDirs(dst, true);
    Stream out(fopen(dst, "wb"));
    if (out.f == nullptr) Errors_RaiseErrno();
    Stream in(fopen(src, "rb"));
    if (in.f == nullptr) {
        out.Close();
        remove(dst);
        FileX_Open(src, "rb");  // raises with the message naming src
    }
    if (progress) progress(user, 0, size);
    unsigned long done = 0;
    for (;;) {
        size_t n = fread(g_copy_block, 1, kBlock, in.f);
        if (fwrite(g_copy_block, 1, n, out.f) < n) RaiseWriteFailed(out, in, dst);
        done += n;
        if (progress) progress(user, done, size);
        if (n < kBlock) break;
    }
    CheckReadWhole(out, in, dst, src, done, size);
    in.Close();
    // The last block reaches the disk only here; a full disk shows up now.
    if (!out.Close()) RaiseWriteFailed(out, in, dst);
    CopyTimes(dst, info.ftLastWriteTime);
    if (!SetFileAttributesA(dst, info.dwFileAttributes)) ERRORS_RAISE(Errors_Unofficial, "error");
}

long FileX_CopyRange(const char* dst, const char* src, long start, long end,
                     FileX_Progress progress, void* user) {
    unsigned long size = FileX_Size(src);
    long long last = end;
    if (end == -1) {
        last = size;
    } else if (end == -2) {
        char root[4];
        StdPlus_CopyN(root, dst, sizeof root);
        FileX_DiskSpace space;
        FileX_GetDiskSpace(&space, root);
        last = start + FileX_FreeBytes(&space) + FileX_SpaceTaken(&space, dst);
    }
    long long total = (static_cast<long long>(size) < last ? size : last) - start;
    if (total < 0) total = 0;
    FileX_MakeDirs(dst, true);
    Stream in(FileX_Open(src, "rb"));
    Stream out(FileX_Open(dst, "wb"));
    fseek(in.f, start, SEEK_SET);
    if (progress) progress(user, 0, static_cast<unsigned long>(total));
    long long pos = start;
    long written = 0;
    for (;;) {
        long long left = last - pos;
        size_t want = left < kBlock ? static_cast<size_t>(left < 0 ? 0 : left) : size_t{kBlock};
        size_t n = want > 0 ? fread(g_copy_block, 1, want, in.f) : 0;
        if (fwrite(g_copy_block, 1, n, out.f) < n) RaiseWriteFailed(out, in, dst);
        written += static_cast<long>(n);
        pos += n;
        if (progress) progress(user, written, static_cast<unsigned long>(total));
        if (n < kBlock) break;
    }
    CheckReadWhole(out, in, dst, src, written, total);
    in.Close();
    if (!out.Close()) RaiseWriteFailed(out, in, dst);
    return written;
}

bool FileX_Replace(const char* target, const char* replacement) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    for (int tries = 1;; tries++) {
        if (MoveFileExA(replacement, target, flags)) return true;
        DWORD error = GetLastError();
        bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        if (!busy || tries == 40) return false;
        Sleep(50);
        SetLastError(error);
    }
}

void FileX_Move(const char* dst, const char* src) {
    // No copy allowed here: across volumes the copy below keeps attributes and times and
    // deletes the source only once the copy is complete. What is there already is never
    // replaced, neither by the rename nor by the copy.
    if (MoveFileExA(src, dst, 0)) return;
    if (GetFileAttributesA(dst) != INVALID_FILE_ATTRIBUTES)
        ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", dst);
    if (FileX_IsDir(src)) {
        FileX_CopyTree(dst, src);
        FileX_DeleteTree(src);
        return;
    }
    FileX_Copy(dst, src);
    // A read-only source is moved too.
    FileX_Delete(src);
}

void FileX_Delete(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    // Windows refuses to delete a file while its read-only flag is set.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!DeleteFileA(path)) {
        if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, attributes);
        ERRORS_RAISE(FileX_Err_AccessDenied, "%s が削除できません", path);
    }
}

// Full, case-insensitive comparable form of a folder path: absolute, `..` resolved,
// separators `\`, no trailing separator. Empty when the system cannot make one.
static void Canonical(const char* path, char* out, size_t size) {
    out[0] = '\0';
    if (path[0] == '\0') return;
    char* file_part = nullptr;
    DWORD n = GetFullPathNameA(path, static_cast<DWORD>(size), out, &file_part);
    if (n == 0 || n >= size) {
        out[0] = '\0';
        return;
    }
    StdPlus_ReplaceChar(out, '/', '\\');
    // A short 8.3 spelling (C:\WINDOW~1) names the same folder as the long one.
    char long_form[StrX_PathSize];
    n = GetLongPathNameA(out, long_form, sizeof long_form);
    if (n > 0 && n < sizeof long_form) strcpy(out, long_form);
    while (strlen(out) > 0 && StdPlus_FindLastChar(out, '\\') == out + strlen(out) - 1)
        StdPlus_DropLast(out);
}

static bool IsInside(const char* inner, const char* outer) {
    size_t n = strlen(outer);
    if (n == 0 || strlen(inner) < n) return false;
    char head[StrX_PathSize];
    StdPlus_CopyN(head, inner, n + 1);
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, head, -1, outer, -1) ==
               CSTR_EQUAL &&
           (inner[n] == '\0' || inner[n] == '\\');
}

void FileX_CopyTree(const char* dst, const char* src) {
    if (FileX_Exists(dst) && !FileX_IsDir(dst))
        ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", dst);
    char full_src[StrX_PathSize];
    char full_dst[StrX_PathSize];
    Canonical(src, full_src, sizeof full_src);
    Canonical(dst, full_dst, sizeof full_dst);
    // A copy into its own source would find its own copies and never end.
    if (IsInside(full_dst, full_src))
        ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", dst);
    FileX_MakeDirs(dst, false);
    static NestFind walk;  // about 12 KB: kept off the stack
    // Folders are reported too, after their contents, so that empty ones are copied.
    NestFind_Begin(&walk, src, 1);
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            while (NestFind_Next(&walk)) {
                char from[StrX_PathSize];
                char to[StrX_PathSize];
                StdPlus_CopyN(from, NestFind_RelPath(&walk), sizeof from);
                StdPlus_CopyN(to, from, sizeof to);
                StrX_MakeAbsolute(from, sizeof from, src);
                StrX_MakeAbsolute(to, sizeof to, dst);
                if (NestFind_IsDir(&walk)) {
                    FileX_MakeDirs(to, false);
                } else if (FileX_Exists(from)) {
                    FileX_Copy(to, from);
                }
            }
        },
        [&] { NestFind_End(&walk); });
}

static bool EndsWithSeparator(const char* path) {
    size_t n = strlen(path);
    if (n == 0) return false;
    const char* last = path + n - 1;
    return (*last == '\\' || *last == '/') && !StrX_IsTrailByte(path, last);
}

static bool IsRootForm(const char* canonical) {
    size_t n = strlen(canonical);
    if (n == 0) return true;
    if (n == 2 && canonical[1] == ':') return true;
    // \\server\share is the root of a network drive.
    if (canonical[0] == '\\' && canonical[1] == '\\') {
        const char* server_end = StdPlus_FindChar(canonical + 2, '\\');
        return server_end == nullptr || StdPlus_FindChar(server_end + 1, '\\') == nullptr;
    }
    return false;
}

static bool SameFolder(const char* a, const char* b) {
    return a[0] != '\0' && b[0] != '\0' &&
           CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

static bool IsProtected(const char* canonical) {
    char raw[StrX_PathSize];
    char folder[StrX_PathSize];
    DWORD n = GetEnvironmentVariableA("windir", raw, sizeof raw);
    if (n > 0 && n < sizeof raw) {
        Canonical(raw, folder, sizeof folder);
        if (SameFolder(canonical, folder)) return true;
    }
    n = GetWindowsDirectoryA(raw, sizeof raw);
    if (n > 0 && n < sizeof raw) {
        Canonical(raw, folder, sizeof folder);
        if (SameFolder(canonical, folder)) return true;
    }
    n = GetSystemDirectoryA(raw, sizeof raw);
    if (n > 0 && n < sizeof raw) {
        Canonical(raw, folder, sizeof folder);
        if (SameFolder(canonical, folder)) return true;
    }
    return false;
}

static void RaiseLastError() {
    DWORD code = GetLastError();
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 1024,
                   text, sizeof text, nullptr);
    ERRORS_RAISE(WinX_Err_API_Error, "API Error : %s, allcode = %08lX (Facility=%lu, Code=%lu)",
                 text, code, (code >> 16) & 0xFFF, code & 0xFFFF);
}

void FileX_DeleteTree(const char* path) {
    // Judged by the folder the path names, whatever its spelling: relative, other letter
    // case, `/`, `..` steps or a trailing separator.
    char target[StrX_PathSize];
    StdPlus_CopyN(target, path, sizeof target);
    while (EndsWithSeparator(target)) StdPlus_DropLast(target);
    // "C:" alone is the current folder of drive C to the system, but a user means the drive.
    if (target[0] != '\0' && target[1] == ':' && target[2] == '\0')
        ERRORS_RAISE(Errors_Unofficial, "error");
    Canonical(path, target, sizeof target);
    if (IsRootForm(target) || IsProtected(target)) ERRORS_RAISE(Errors_Unofficial, "error");
    if (!FileX_Exists(target)) return;
    char cwd[StrX_PathSize];
    DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
    if (n > 0 && n < sizeof cwd) {
        char current[StrX_PathSize];
        Canonical(cwd, current, sizeof current);
        // The folder cannot go while it is the current directory, nor while one inside it is.
        if (IsInside(current, target)) {
            char parent[StrX_PathSize];
            StrX_ParentDir(parent, target);
            SetCurrentDirectoryA(parent);
        }
    }
    // A link is removed itself; what it points to is no part of the tree.
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!((attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(target)
                                                      : DeleteFileA(target)))
            RaiseLastError();
        return;
    }
    static NestFind walk;  // about 12 KB: kept off the stack
    NestFind_Begin(&walk, target, 1);
    NestFind_StayOutOfLinks(&walk);
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            while (NestFind_Next(&walk)) {
                const char* entry = NestFind_Path(&walk);
                if (NestFind_IsDir(&walk)) {
                    RemoveDirectoryA(entry);  // of a link: the link alone
                } else {
                    _chmod(entry, _S_IREAD | _S_IWRITE);
                    remove(entry);
                }
            }
        },
        [&] { NestFind_End(&walk); });
    if (!RemoveDirectoryA(target)) RaiseLastError();
}

void FileX_MakeDirs(const char* path, bool parent_only) {
    char buf[259];
    StrX_AbsFromCwd(buf, path, sizeof buf);
    if (parent_only) StrX_CutLast(buf);
    StdPlus_DropTrailChar(buf, '\\');
    char* p = buf;
    if (buf[0] != '\0' && buf[1] == ':') {
        p = buf + 2;
    } else if (buf[0] == '\\' && buf[1] == '\\') {
        // \\server\share exists or not as a whole; folders start below it.
        char* server_end = StdPlus_FindChar(buf + 2, '\\');
        p = server_end != nullptr ? StdPlus_FindChar(server_end + 1, '\\') : nullptr;
        if (p == nullptr) return;
    }
    if (*p == '\\') p++;
    for (; (p = StdPlus_FindChar(p, '\\')) != nullptr; p++) {
        *p = '\0';
        if (!FileX_IsDir(buf)) CreateDirectoryA(buf, nullptr);
        *p = '\\';
    }
    if (buf[0] != '\0' && !FileX_IsDir(buf)) CreateDirectoryA(buf, nullptr);
}

void FileX_GetDiskSpace(FileX_DiskSpace* space, const char* root) {
    DWORD spc, bps, free_clusters, total_clusters;
    if (!GetDiskFreeSpaceA(root, &spc, &bps, &free_clusters, &total_clusters)) {
        *space = FileX_DiskSpace{0, 0, 0, 0};
        return;
    }
    *space = FileX_DiskSpace{spc, bps, free_clusters, total_clusters};
}

// Products in 64 bits: today's disks overflow the 32 bits of the four counts' products.
unsigned long FileX_ClusterSize(const FileX_DiskSpace* s) {
    return s->sectors_per_cluster * s->bytes_per_sector;
}

unsigned long long FileX_FreeBytes(const FileX_DiskSpace* s) {
    return static_cast<unsigned long long>(FileX_ClusterSize(s)) * s->free_clusters;
}

unsigned long long FileX_TotalBytes(const FileX_DiskSpace* s) {
    return static_cast<unsigned long long>(FileX_ClusterSize(s)) * s->total_clusters;
}

unsigned long long FileX_ClustersFor(const FileX_DiskSpace* s, unsigned long long bytes) {
    unsigned long cluster = FileX_ClusterSize(s);
    return cluster == 0 ? 0 : (bytes + cluster - 1) / cluster;
}

unsigned long long FileX_SpaceTaken(const FileX_DiskSpace* s, const char* path) {
    if (!FileX_Exists(path) || FileX_IsDir(path)) return 0;
    return FileX_ClustersFor(s, FileX_Size(path)) * FileX_ClusterSize(s);
}
