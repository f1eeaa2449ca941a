#include "nestfind.h"

#include <windows.h>

#include <cstring>

#include "errors.h"
#include "stdplus.h"

struct Slot {
    char name[256];
    char is_dir;
    char is_link;
    unsigned long size;
};

static Slot g_pool[NestFind_PoolSlots];

// The names of the current entries of levels 0..upto joined with `\`.
static void BuildRel(const NestFind* w, int upto, char* out, size_t size) {
    out[0] = '\0';
    for (int level = 0; level <= upto; level++) {
        if (level > 0) StdPlus_CatN(out, "\\", size);
        StdPlus_CatN(out, g_pool[w->current[level]].name, size);
    }
}

static void BuildFull(const NestFind* w, int upto, char* out, size_t size) {
    StdPlus_CopyN(out, w->base, size);
    size_t n = strlen(out);
    BuildRel(w, upto, out + n, size - n);
}

static HANDLE FindFirst(const char* dir, WIN32_FIND_DATAW* found) {
    // The wide form with the \\?\ prefix has no 260-character limit; names are turned
    // back into the ANSI code page, as the ANSI calls would give them.
    wchar_t wide[NestFind_PathSize + 16] = L"";
    size_t start = 0;
    if (dir[0] != '\0' && dir[1] == ':') {
        wcscpy(wide, L"\\\\?\\");
        start = 4;
    }
    int n = MultiByteToWideChar(CP_ACP, 0, dir, -1, wide + start, NestFind_PathSize);
    if (n == 0) return INVALID_HANDLE_VALUE;
    wcscat(wide, L"*.*");
    return FindFirstFileW(wide, found);
}

// Lists dir (ending in `\`) into the slots after `after`; gives the last slot used.
static int ReadListing(const char* dir, int after) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirst(dir, &found);
    int last = after;
    if (find == INVALID_HANDLE_VALUE) return last;
    do {
        if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
        if (last + 1 >= NestFind_PoolSlots) {
            FindClose(find);
            char full[NestFind_PathSize];
            char name[256];
            WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, name, sizeof name, nullptr,
                                nullptr);
            StdPlus_CopyN(full, dir, sizeof full);
            StdPlus_CatN(full, name, sizeof full);
            ERRORS_RAISE(NestFind_Err_OverBuf, "NestFind: over Buf (%s)\n", full);
        }
        Slot& slot = g_pool[++last];
        if (WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, slot.name, sizeof slot.name,
                                nullptr, nullptr) == 0)
            slot.name[0] = '\0';
        slot.is_dir = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        slot.is_link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        slot.size = found.nFileSizeLow;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return last;
}

void NestFind_Begin(NestFind* w, const char* base, int report_dirs) {
    // Room for the separator added below and for the NUL.
    if (strlen(base) + 2 > sizeof w->base)
        ERRORS_RAISE(StrX_Err_TooLongPath, "パスが長すぎます（%s）", base);
    w->report_dirs = report_dirs;
    w->skip_links = 0;
    StdPlus_CopyN(w->base, base, sizeof w->base - 1);
    StdPlus_AddTrailChar(w->base, '\\', sizeof w->base);
    w->level = 0;
    w->path[0] = '\0';
    w->current[0] = -1;
    w->last[0] = ReadListing(w->base, -1);
}

bool NestFind_Next(NestFind* w) {
    w->current[w->level]++;
    for (;;) {
        int level = w->level;
        if (w->current[level] > w->last[level]) {
            if (level == 0) {
                w->current[0] = w->last[0];
                return false;
            }
            w->level--;
            if (w->report_dirs) return true;
            w->current[w->level]++;
            continue;
        }
        const Slot& entry = g_pool[w->current[level]];
        if (!entry.is_dir || (entry.is_link && w->skip_links)) return true;
        char dir[NestFind_PathSize];
        BuildFull(w, level, dir, sizeof dir - 1);
        if (level + 1 >= NestFind_MaxLevels || strlen(dir) + 2 >= sizeof dir) {
            ERRORS_RAISE(NestFind_Err_OverNest, "NestFind: over Nest (%s)\n", dir);
        }
        StdPlus_CatN(dir, "\\", sizeof dir);
        w->level = level + 1;
        w->current[w->level] = w->last[level];
        w->last[w->level] = ReadListing(dir, w->last[level]);
        w->current[w->level]++;
    }
}

const char* NestFind_RelPath(NestFind* w) {
    BuildRel(w, w->level, w->path, sizeof w->path);
    return w->path;
}

const char* NestFind_Path(NestFind* w) {
    BuildFull(w, w->level, w->path, sizeof w->path);
    return w->path;
}

bool NestFind_IsDir(const NestFind* w) {
    return g_pool[w->current[w->level]].is_dir != 0;
}

bool NestFind_IsLink(const NestFind* w) {
    return g_pool[w->current[w->level]].is_link != 0;
}

void NestFind_StayOutOfLinks(NestFind* w) {
    w->skip_links = 1;
}

unsigned long NestFind_Size(const NestFind* w) {
    return g_pool[w->current[w->level]].size;
}

void NestFind_End(NestFind* w) {
    w->level = 0;
}
