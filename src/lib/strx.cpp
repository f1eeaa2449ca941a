#include "strx.h"

#include <windows.h>

#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "bigstack.h"
#include "errors.h"
#include "filex.h"
#include "handles.h"
#include "stdplus.h"

static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

static size_t CharLen(const char* p) {
    return StdPlus_IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
}

static bool IsSep(char c) {
    return c == '\\' || c == '/';
}

// The last `\` or `/` that is a character of its own, or null.
static char* LastSep(const char* str) {
    const char* found = nullptr;
    for (const char* p = str; *p != '\0'; p += CharLen(p)) {
        if (IsSep(*p)) found = p;
    }
    return const_cast<char*>(found);
}

static char* LastBackslash(const char* str) {
    return StdPlus_FindLastChar(str, '\\');
}

static bool EndsWithBackslash(const char* str) {
    const char* last = StdPlus_FindLastChar(str, '\\');
    return last != nullptr && last[1] == '\0';
}

static char* EndsWithSep(char* str) {
    char* last = LastSep(str);
    return last != nullptr && last[1] == '\0' ? last : nullptr;
}

bool StrX_IsTrailByte(const char* str, const char* pos) {
    const char* p = str;
    for (; *p != '\0'; p += CharLen(p)) {
        if (p == pos) return false;
        if (pos < p + CharLen(p)) return true;
    }
    if (p != pos) ERRORS_RAISE(Errors_Unofficial, "error");
    return false;
}

bool StrX_IsSpace(int c) {
    return c >= 0 && c <= 255 && isspace(c);
}

bool StrX_IsAllSpace(const char* str) {
    for (const char* p = str; *p != '\0'; p++) {
        if (!StrX_IsSpace(static_cast<unsigned char>(*p))) return false;
    }
    return true;
}

static int Lower(char c) {
    return tolower(static_cast<unsigned char>(c));
}

int StrX_WildCompare(const char* pattern, const char* name) {
    const char* p = pattern;
    const char* n = name;
    for (;;) {
        if (*p == '\0') return *n == '\0' ? 0 : 1;
        if (*p == '?') {
            if (*n == '\0') return 1;
            p++;
            n++;
            continue;
        }
        if (*p != '*') {
            int diff = Lower(*p) - Lower(*n);
            if (diff != 0 || *n == '\0') return diff != 0 ? diff : 1;
            p++;
            n++;
            continue;
        }
        p++;
        size_t len = strcspn(p, "*?");
        if (len == 0) {
            if (*p == '\0') return 0;  // a final `*` takes the rest of the name
            continue;
        }
        size_t i = 0;
        while (*n != '\0' && i < len) {
            if (Lower(*n) == Lower(p[i])) {
                i++;
            } else {
                i = 0;
            }
            n++;
        }
        p += i;
    }
}

bool StrX_IsRooted(const char* path) {
    const char* sep = StdPlus_FindAnyOf(path, "\\/");
    if (sep == nullptr) return false;
    return sep == path || sep[-1] == ':';
}

bool StrX_IsFullPath(const char* path) {
    bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                 path[1] == ':' && IsSep(path[2]);
    bool unc = path[0] == '\\' && path[1] == '\\' && path[2] != '\0' && !IsSep(path[2]);
    return drive || unc;
}

bool StrX_IsDriveless(const char* path) {
    if (IsSep(path[0]) && path[1] == path[0]) return false;
    return path[0] == '\0' || path[1] != ':';
}

// A `..\` or `.\` only counts as a step when it is a whole component.
static bool StartsComponent(const char* path, const char* p) {
    return p == path || p[-1] == '\\';
}

char* StrX_ResolveParents(char* path) {
    char* start = path;
    while (strncmp(start, "..\\", 3) == 0) start += 3;
    char* search = start;
    char* dots;
    while ((dots = strstr(search, "..\\")) != nullptr) {
        if (!StartsComponent(path, dots) || (dots != start && dots[-1] != '\\')) {
            search = dots + 3;
            continue;
        }
        if (dots == start) {
            ERRORS_RAISE(StrX_Err_NoMoreParentDir, "親ディレクトリ指定\"..\\\"が多すぎます。");
        }
        char* rest = dots + 3;
        dots[-1] = '\0';
        // Looked for character by character: in ソフト\..\ the byte before フ is a trail byte
        // 0x5C, not the separator.
        char* sep = LastBackslash(start);
        if (sep == nullptr) {
            // Nothing names the folder the step would leave (dir\..\file): refused, so an
            // archive entry written like that never gets past the parent guard unjudged.
            dots[-1] = '\\';
            ERRORS_RAISE(StrX_Err_NoMoreParentDir, "親ディレクトリ指定\"..\\\"が多すぎます。");
        }
        char* keep = sep + 1;
        memmove(keep, rest, strlen(rest) + 1);
        search = keep;
    }
    char* p = path;
    while ((p = strstr(p, ".\\")) != nullptr) {
        if (p > path && p[-1] == '.') {
            p += 2;
        } else if (StartsComponent(path, p)) {
            memmove(p, p + 2, strlen(p + 2) + 1);
        } else {
            p += 2;
        }
    }
    return path;
}

char* StrX_MakeAbsolute(char* path, size_t size, const char* base) {
    if (path[0] == '\0' || IsSep(path[0]) || path[1] == ':' || strncmp(path, "file:", 5) == 0 ||
        strncmp(path, "http:", 5) == 0)
        return path;
    char buf[512];
    StdPlus_CopyN(buf, base, sizeof buf - 2);
    if (StdPlus_LastChar(buf) != '/') StdPlus_AddTrailChar(buf, '\\', sizeof buf);
    StdPlus_CatN(buf, path, sizeof buf);
    StrX_ResolveParents(buf);
    StdPlus_CopyN(path, buf, size);
    size_t n = strlen(path);
    if (n >= 2 && path[n - 1] == '.' && IsSep(path[n - 2]) && !StrX_IsTrailByte(path, path + n - 2))
        path[n - 1] = '\0';
    return path;
}

char* StrX_AbsFromCwd(char* dst, const char* src, size_t size) {
    char cwd[254];
    if (GetCurrentDirectoryA(sizeof cwd, cwd) >= sizeof cwd) cwd[0] = '\0';
    if (dst != src) StdPlus_CopyN(dst, src, size);
    return StrX_MakeAbsolute(dst, size, cwd);
}

char* StrX_AbsFromProgramDir(char* dst, const char* src, size_t size) {
    if (src[0] == '\\' || (src[0] != '\0' && src[1] == ':')) return StdPlus_CopyN(dst, src, size);
    char buf[260];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) buf[0] = '\0';
    StrX_CutLast(buf);
    StdPlus_AddTrailChar(buf, '\\', sizeof buf);
    StdPlus_CatN(buf, src, 256);
    StrX_ResolveParents(buf);
    return StdPlus_CopyN(dst, buf, size);
}

char* StrX_AbsFromFileDir(char* path, size_t size, const char* file) {
    if (path[0] == '\0') return path;
    char dir[StrX_PathSize];
    StrX_ParentDir(dir, file);
    return StrX_MakeAbsolute(path, size, dir);
}

// Counts the separators of base from `from` on that are followed by more characters;
// each stands for one directory to climb out of.
static int ClimbsIn(const char* from, char* sep_char) {
    int count = 0;
    for (const char* p = from; *p != '\0'; p += CharLen(p)) {
        if (IsSep(*p) && p[1] != '\0') {
            count++;
            *sep_char = *p;
        }
    }
    return count;
}

char* StrX_MakeRelative(char* path, size_t size, const char* base) {
    if (path[0] == '\0' || size == 0) return path;
    char src[512];
    StdPlus_CopyN(src, path, sizeof src);
    const char* p = src;
    const char* b = base;
    bool path_drive = src[1] == ':';
    bool base_drive = base[0] != '\0' && base[1] == ':';
    if (path_drive && base_drive) {
        if (Lower(src[0]) != Lower(base[0])) return path;
        p += 2;
        b += 2;
    } else if (path_drive) {
        p += 2;
    } else if (base_drive) {
        return path;  // no drive to relate a driveless path to
    }
    size_t i = 0;
    long common = -1;  // index of the last separator shared by both
    while (p[i] != '\0' && b[i] != '\0' && Lower(p[i]) == Lower(b[i])) {
        size_t len = CharLen(p + i);
        if (len == 2 && Lower(p[i + 1]) != Lower(b[i + 1])) break;
        if (len == 1 && IsSep(p[i])) common = static_cast<long>(i);
        i += len;
    }
    bool base_done = b[i] == '\0' && (IsSep(p[i]) || p[i] == '\0');
    if (base_done || (p[i] == '\0' && IsSep(b[i]))) common = static_cast<long>(i);

    char out[512] = "";
    size_t room = size - 1 < sizeof out - 1 ? size - 1 : sizeof out - 1;
    size_t o = 0;
    bool full = false;
    if (!base_done) {
        char sep = '\\';
        const char* from = b + (common < 0 ? 0 : common);
        int climbs = common < 0 ? ClimbsIn(b, &sep) + (IsSep(b[0]) ? 0 : 1) : ClimbsIn(from, &sep);
        for (int k = 0; k < climbs; k++) {
            if (room - o < 3) {
                full = true;
                break;
            }
            out[o++] = '.';
            out[o++] = '.';
            out[o++] = sep;
        }
    }
    const char* rest = p + (common < 0 ? 0 : common + (p[common] != '\0' ? 1 : 0));
    if (full) {
        // The output ended while still climbing: no part of the path follows.
    } else if (*rest != '\0') {
        size_t n = strlen(rest);
        if (n > room - o) n = room - o;
        memcpy(out + o, rest, n);
        o += n;
    } else if (o > 0) {
        o--;
    }
    out[o] = '\0';
    if (o == 0) {
        char* trailing = EndsWithSep(src);
        snprintf(out, sizeof out, trailing != nullptr ? ".%c" : ".", trailing ? *trailing : 0);
    }
    return StdPlus_CopyN(path, out, size);
}

char* StrX_ToFileUrl(char* out, const char* path) {
    char url[StrX_PathSize];
    if (IsSep(path[0]) && IsSep(path[1])) {
        snprintf(url, sizeof url, "file://%s", path + 2);
    } else {
        snprintf(url, sizeof url, "file:///%s", path);
        if (url[9] == ':') url[9] = '|';
    }
    StdPlus_ReplaceChar(url, '\\', '/');
    StdPlus_ReplaceText(url, sizeof url, " ", "%20");
    return strcpy(out, url);
}

const char* StrX_FileName(const char* path) {
    const char* last = nullptr;
    const char* before = nullptr;
    for (const char* p = path; *p != '\0'; p += CharLen(p)) {
        if (*p == '\\') {
            before = last;
            last = p;
        }
    }
    if (last == nullptr) return path;
    if (last[1] != '\0') return last + 1;
    return before != nullptr ? before + 1 : path;
}

char* StrX_CopyFileName(char* out, const char* path) {
    char tmp[StrX_PathSize];
    StdPlus_CopyN(tmp, path, sizeof tmp);
    char* trailing = EndsWithSep(tmp);
    if (trailing != nullptr) *trailing = '\0';
    char* sep = LastSep(tmp);
    return strcpy(out, sep != nullptr ? sep + 1 : tmp);
}

char* StrX_CutLast(char* path) {
    char* trailing = EndsWithSep(path);
    if (trailing != nullptr) *trailing = '\0';
    char* sep = LastSep(path);
    if (sep == nullptr) {
        path[0] = '\0';
    } else if (sep == path || (sep == path + 2 && path[1] == ':')) {
        sep[1] = '\0';  // the root stays: C:\a gives C:\, \a gives backslash
    } else {
        *sep = '\0';
    }
    return path;
}

char* StrX_ParentDir(char* dst, const char* path) {
    if (dst != path) StdPlus_CopyN(dst, path, StrX_PathSize);
    return StrX_CutLast(dst);
}

// A path that would not fit its 260 bytes is refused whole: cut short it would name
// another file.
static void RaiseTooLong(const char* head, const char* tail) {
    ERRORS_RAISE(StrX_Err_TooLongPath, "パスが長すぎます（%s\\%s）", head, tail);
}

char* StrX_Join(char* dst, const char* name) {
    if (dst[0] != '\0' && !(name[0] != '\0' && name[1] == ':')) {
        size_t separator = EndsWithBackslash(dst) ? 0 : 1;
        if (strlen(dst) + separator + strlen(name) > StrX_PathSize - 1) RaiseTooLong(dst, name);
        StdPlus_AddTrailChar(dst, '\\', StrX_PathSize);
        return strcat(dst, name);
    }
    if (strlen(name) > StrX_PathSize - 1) RaiseTooLong("", name);
    return strcpy(dst, name);
}

char* StrX_MoveToDir(char* path, const char* dir) {
    char name[StrX_PathSize];
    char folder[StrX_PathSize];
    StrX_CopyFileName(name, path);
    if (dir[0] == '\\' || (dir[0] != '\0' && dir[1] == ':')) {
        if (strlen(dir) > StrX_PathSize - 1) RaiseTooLong(dir, name);
        strcpy(folder, dir);
    } else {
        StrX_ParentDir(folder, path);
        StrX_Join(folder, dir);
        StdPlus_AddTrailChar(folder, '\\', sizeof folder);
        StrX_ResolveParents(folder);
    }
    StdPlus_CopyN(path, folder, StrX_PathSize);
    return StrX_Join(path, name);
}

// The last "." of the file name, walked by characters: a trail byte of a double-byte
// character may look like "\", and a "." of a folder's name is no extension.
static const char* ExtDot(const char* path) {
    const char* dot = nullptr;
    for (const char* p = path; *p != '\0'; p += CharLen(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            dot = nullptr;
        } else if (*p == '.') {
            dot = p;
        }
    }
    return dot;
}

// Letters compare without case, double-byte characters byte for byte (a trail byte is no
// letter). Gives the length of the common head of `path` that equals `head`, or -1.
static int PathHeadLength(const char* path, const char* head) {
    const char* p = path;
    for (const char* h = head; *h != '\0';) {
        size_t n = CharLen(h);
        if (n == 2) {
            if (p[0] != h[0] || p[1] != h[1]) return -1;
        } else if (tolower(static_cast<unsigned char>(*p)) !=
                   tolower(static_cast<unsigned char>(*h))) {
            return -1;
        }
        p += n, h += n;
    }
    return static_cast<int>(p - path);
}

bool StrX_SamePath(const char* a, const char* b) {
    int n = PathHeadLength(a, b);
    return n >= 0 && a[n] == '\0';
}

bool StrX_BeginsWithPath(const char* path, const char* head) {
    return PathHeadLength(path, head) >= 0;
}

bool StrX_IsInside(const char* path, const char* folder) {
    int n = PathHeadLength(path, folder);
    if (n <= 0 || path[n] == '\0') return false;
    // "C:\Cache" is the head of "C:\Cache2\app", which is no folder of the cache's.
    const char* last = folder + n - 1;
    return path[n] == '\\' || (*last == '\\' && !StrX_IsTrailByte(folder, last));
}

const char* StrX_Ext(const char* path) {
    const char* dot = ExtDot(path);
    return dot != nullptr ? dot + 1 : path + strlen(path);
}

char* StrX_SetExt(char* path, const char* ext) {
    char* dot = const_cast<char*>(ExtDot(path));
    if (dot != nullptr) {
        if (ext[0] != '\0') {
            StdPlus_CopyN(dot + 1, ext, StrX_PathSize - (dot + 1 - path));
        } else {
            *dot = '\0';
        }
    } else if (ext[0] != '\0') {
        StdPlus_CatN(path, ".", StrX_PathSize);
        StdPlus_CatN(path, ext, StrX_PathSize);
    }
    return path;
}

const char* StrX_Fragment(const char* path) {
    const char* hash = strrchr(path, '#');
    const char* dot = strrchr(path, '.');
    if (hash != nullptr && (dot == nullptr || hash >= dot)) return hash + 1;
    return path + strlen(path);
}

const char* StrX_ParseInt(const char* text, int* out) {
    const char* p = text;
    int sign = 1;
    if (*p == '+') p++;
    while (*p == '-') {
        sign = -sign;
        p++;
    }
    int value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + (*p++ - '0');
    *out = sign * value;
    return p;
}

void StrX_SplitCommand(const char* line, char* program, const char** rest) {
    if (line[0] == '"') {
        const char* close = StdPlus_FindChar(line + 1, '"');
        if (close == nullptr) {
            StdPlus_CopyN(program, line + 1, StrX_PathSize);
            *rest = line + strlen(line);
            return;
        }
        size_t n = close - (line + 1);
        StdPlus_CopyN(program, line + 1,
                      n + 1 < size_t{StrX_PathSize} ? n + 1 : size_t{StrX_PathSize});
        const char* r = close + 1;
        while (*r == ' ') r++;
        *rest = r;
        return;
    }
    for (const char* p = line; *p != '\0'; p += CharLen(p)) {
        if (*p != ' ') continue;
        size_t n = p - line;
        if (n >= StrX_PathSize) break;
        char prefix[StrX_PathSize];
        memcpy(prefix, line, n);
        prefix[n] = '\0';
        // A folder on the way to the program (C:\Program Files) is not the program.
        if (FileX_Exists(prefix) && !FileX_IsDir(prefix)) {
            strcpy(program, prefix);
            *rest = p + 1;
            return;
        }
    }
    StdPlus_CopyN(program, line, StrX_PathSize);
    *rest = line + strlen(line);
}

// The stored name of the last component of path, or false when there is none to ask for.
static bool StoredName(const char* path, const char* component, char* out) {
    if (strpbrk(component, "*?") != nullptr || component[0] == '\0') return false;
    if (strcmp(component, ".") == 0 || strcmp(component, "..") == 0) return false;
    Own_Find find(path);
    if (!find.Next()) return false;
    strcpy(out, find.Name());
    return true;
}

namespace {
struct BigStackFrame {
    BigStackFrame() { BigStack_Push(BigStack_Main()); }
    ~BigStackFrame() { BigStack_Pop(BigStack_Main()); }
};
}  // namespace

// Appends one component to both the lookup path and the result, in its stored form when
// the disk has it; a component that is not there is kept as written.
static void AddComponent(char* so_far, char* result, const char* component, bool with_sep) {
    StdPlus_CatN(so_far, component, StrX_PathSize);
    char stored[MAX_PATH];
    StdPlus_CatN(result, StoredName(so_far, component, stored) ? stored : component, StrX_PathSize);
    if (with_sep) {
        StdPlus_CatN(so_far, "\\", StrX_PathSize);
        StdPlus_CatN(result, "\\", StrX_PathSize);
    }
}

char* StrX_TrueCase(char* dst, const char* path) {
    if ((path[0] != '\0' && path[1] == ':' && path[2] == '\\' && path[3] == '\0') ||
        (path[0] == '\\' && path[1] == '\\'))
        return StdPlus_CopyN(dst, path, StrX_PathSize);
    BigStackFrame frame;
    char* so_far = static_cast<char*>(BigStack_Alloc(BigStack_Main(), StrX_PathSize));
    char result[StrX_PathSize] = "";
    so_far[0] = '\0';
    const char* p = path;
    const char* first = StdPlus_FindChar(path, '\\');
    if (first != nullptr) {
        size_t n = first + 1 - path;
        if (n >= StrX_PathSize) n = StrX_PathSize - 1;
        memcpy(so_far, path, n);
        so_far[n] = '\0';
        strcpy(result, so_far);
        p = first + 1;
    }
    char component[StrX_PathSize];
    for (;;) {
        const char* sep = StdPlus_FindChar(p, '\\');
        if (sep == nullptr) break;
        size_t n = sep - p;
        StdPlus_CopyN(component, p, n + 1 < sizeof component ? n + 1 : sizeof component);
        AddComponent(so_far, result, component, true);
        p = sep + 1;
    }
    if (*p != '\0') AddComponent(so_far, result, p, false);
    return StdPlus_CopyN(dst, result, StrX_PathSize);
}

static void ParseArg(StrX_Args* args) {
    char raw[StrX_PathSize];
    const char* p = args->current;
    if (*p == '"') {
        StdPlus_CopyUntil(raw, StrX_PathSize - 1, p + 1, '"');
    } else {
        StdPlus_CopyUntil(raw, StrX_PathSize - 1, p, ' ');
    }
    StrX_TrueCase(args->arg, raw);
}

void StrX_ArgsInit(StrX_Args* args, const char* text) {
    args->start = text;
    args->current = text;
    ParseArg(args);
}

const char* StrX_ArgsCurrent(const StrX_Args* args) {
    return args->arg;
}

bool StrX_ArgsNext(StrX_Args* args) {
    const char* p = args->current;
    if (*p == '"') {
        const char* close = strchr(p + 1, '"');
        if (close == nullptr || close[1] == '\0') return false;
        args->current = close + 2;
    } else {
        const char* blank = strchr(p, ' ');
        if (blank == nullptr) return false;
        args->current = blank + 1;
    }
    ParseArg(args);
    return true;
}

int StrX_ArgsCount(StrX_Args* args) {
    const char* saved = args->current;
    char saved_arg[StrX_PathSize];
    strcpy(saved_arg, args->arg);
    args->current = args->start;
    int count = 1;
    // Only the positions matter here; the stored-case lookups of the arguments are skipped.
    for (;;) {
        const char* p = args->current;
        if (*p == '"') {
            const char* close = strchr(p + 1, '"');
            if (close == nullptr || close[1] == '\0') break;
            args->current = close + 2;
        } else {
            const char* blank = strchr(p, ' ');
            if (blank == nullptr) break;
            args->current = blank + 1;
        }
        count++;
    }
    args->current = saved;
    strcpy(args->arg, saved_arg);
    return count;
}

static void InitTimeOnce() {
    static bool done;
    if (done) return;
    done = true;
    setlocale(LC_ALL, "");
    _tzset();
}

int StrX_MakeTime(time_t* out, int year, int month, int day, int hour, int minute, int second) {
    InitTimeOnce();
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    time_t made = mktime(&t);
    if (made == static_cast<time_t>(-1)) return 1;
    *out = made;
    return 0;
}

char* StrX_FormatTime(time_t time, const char* format, char* out, size_t size) {
    InitTimeOnce();
    if (size == 0) return out;
    out[0] = '\0';
    struct tm* local = localtime(&time);
    if (local == nullptr) return out;
    char expanded[256];
    StdPlus_CopyN(expanded, format, sizeof expanded);
    StdPlus_ReplaceText(expanded, sizeof expanded, "%n", kMonths[local->tm_mon]);
    if (strftime(out, size, expanded, local) == 0) out[0] = '\0';
    return out;
}

char* StrX_FormatStamp(time_t time, char* out) {
    return StrX_FormatTime(time, "%Y/%m/%d-%H:%M:%S", out, 20);
}

int StrX_ParseStamp(time_t* out, const char* text) {
    int v[6];
    const char* p = text;
    for (int k = 0; k < 6; k++) {
        if (k > 0) {
            if (*p == '\0') return 2;
            p++;
        }
        const char* after = StrX_ParseInt(p, &v[k]);
        if (after == p || !(after[-1] >= '0' && after[-1] <= '9')) return 2;
        p = after;
    }
    return StrX_MakeTime(out, v[0], v[1], v[2], v[3], v[4], v[5]);
}

const char* StrX_BuildDate(const char* date, const char* time, const char* format) {
    static char result[100];  // handed back to the caller
    char month_name[16] = "";
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    sscanf(date, "%15s %d %d", month_name, &day, &year);
    sscanf(time, "%d:%d:%d", &hour, &minute, &second);
    int month = 13;
    for (int i = 0; i < 12; i++) {
        if (strcmp(month_name, kMonths[i]) == 0) {
            month = i + 1;
            break;
        }
    }
    // Formatted here rather than by strftime, which refuses a month of 13.
    const int values[] = {year % 100, year, month, day, hour, minute, second};
    const char letters[] = "yYmdHMS";
    size_t n = 0;
    for (const char* f = format; *f != '\0' && n < sizeof result - 1; f++) {
        const char* letter = f[0] == '%' && f[1] != '\0' ? strchr(letters, f[1]) : nullptr;
        if (letter == nullptr || f[1] == '\0') {
            if (f[0] == '%' && f[1] == '%') f++;
            result[n++] = *f;
            continue;
        }
        int value = values[letter - letters];
        n += snprintf(result + n, sizeof result - n, *letter == 'Y' ? "%04d" : "%02d", value);
        f++;
    }
    result[n < sizeof result ? n : sizeof result - 1] = '\0';
    return result;
}
