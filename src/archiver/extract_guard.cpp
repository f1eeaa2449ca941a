// What keeps an archive's content inside the folder it is extracted to. Archiver DLLs cannot
// be trusted to clean names up, so every name is judged here before the DLL runs: the top
// folder must be a folder name of the archive's own, and entries that climb with ".." get as
// many guard levels below the base folder as the deepest of them climbs, in a folder that
// the extraction makes itself.
#include <cstdio>
#include <cstring>

#include "archiver/extract_local.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

namespace {

const char kTooLongName[] = "圧縮ファイルの中に長すぎる名前があるため、安全に解凍できません。";
const char kTooLongResult[] = "解凍先のパスが長すぎるため、安全に解凍できません。";
const char kOutside[] = "圧縮ファイルの中に解凍先の外を指す名前があるため、安全に解凍できません。";
enum { kResultLimit = 220 };

// Names Windows takes for devices, with or without an extension ("CON", "nul.txt").
bool IsDeviceName(const char* name) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    char base[16];
    size_t n = strcspn(name, ".");
    while (n > 0 && name[n - 1] == ' ') n--;
    if (n == 0 || n >= sizeof base) return false;
    memcpy(base, name, n);
    base[n] = '\0';
    for (const char* device : kDevices) {
        if (_stricmp(base, device) == 0) return true;
    }
    return n == 4 && (_strnicmp(base, "COM", 3) == 0 || _strnicmp(base, "LPT", 3) == 0) &&
           base[3] >= '0' && base[3] <= '9';
}

// Windows drops trailing dots and blanks from a name: "..." and ".. " are no folder names,
// and may even be taken for the folder above.
bool OnlyDotsAndBlanks(const char* begin, const char* end) {
    for (const char* p = begin; p < end; p++) {
        if (*p != '.' && *p != ' ') return false;
    }
    return true;
}

int LeadingParentUnits(const char* path) {
    int units = 0;
    while (strncmp(path, "..\\", 3) == 0) {
        units++;
        path += 3;
    }
    return units;
}

// Every component of dots and blanks with two dots or more becomes "..": whether Windows
// reads such a name as the folder above or not, counting it as a climb only adds a guard
// level.
void DotRunsAsParents(char* path) {
    char out[StrX_PathSize * 2] = "";
    for (char* start = path;;) {
        char* sep = StdPlus_FindChar(start, '\\');
        char* end = sep != nullptr ? sep : start + strlen(start);
        size_t dots = 0;
        for (const char* p = start; p < end; p++) dots += *p == '.';
        bool step = end > start && dots >= 2 && OnlyDotsAndBlanks(start, end);
        size_t o = strlen(out);
        if (step) {
            strcpy(out + o, "..");
        } else {
            memcpy(out + o, start, end - start);
            out[o + (end - start)] = '\0';
        }
        if (sep == nullptr) break;
        strcat(out, "\\");
        start = sep + 1;
    }
    strcpy(path, out);
}

}  // namespace

namespace ExtractX {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool TopIsAFolderName(const char* top) {
    char name[StrX_PathSize];
    StdPlus_CopyN(name, top, sizeof name);
    StdPlus_DropTrailChar(name, '/');
    StdPlus_DropTrailChar(name, '\\');
    if (name[0] == '\0' || StdPlus_FindAnyOf(name, "\\/:*?\"<>|") != nullptr) return false;
    for (const char* p = name; *p != '\0'; p++) {
        if (static_cast<unsigned char>(*p) < 0x20) return false;
    }
    if (OnlyDotsAndBlanks(name, name + strlen(name))) return false;
    return !IsDeviceName(name);
}

void TakeTop(Layout* layout, const char* path) {
    StdPlus_CopyN(layout->top, path, sizeof layout->top);
    for (char* p = layout->top; *p != '\0'; p++) {
        if (StdPlus_IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            p++;
        } else if (IsSeparator(*p)) {
            p[1] = '\0';
            layout->has_separator = true;
            break;
        }
    }
    if (!TopIsAFolderName(layout->top)) layout->single_top = false;
}

int GuardUnits(const char* entry_path, size_t limit, bool drop_leading_separator) {
    if (strlen(entry_path) >= limit) ERRORS_RAISE(Zent_Err_UnsafeArchive, "%s", kTooLongName);
    // A rooted name (\x, \\server\share\x, \\.\C:\x) or one with a drive (C:x) names
    // a place of its own, wherever the DLL runs: no guard level holds it. Only the
    // LHA DLL is told to drop one leading separator.
    const char* name = entry_path;
    if (drop_leading_separator && IsSeparator(name[0])) name++;
    if (IsSeparator(name[0]) || (name[0] != '\0' && name[1] == ':'))
        ERRORS_RAISE(Zent_Err_UnsafeArchive, "%s", kOutside);
    char path[StrX_PathSize];
    StdPlus_CopyN(path, entry_path, sizeof path);
    // Entry names may use "/": judged with "\\" only, a/../../x would climb out unnoticed.
    StdPlus_ReplaceChar(path, '/', '\\');
    DotRunsAsParents(path);
    StrX_ResolveParents(path);
    return LeadingParentUnits(path);
}

// The first level is a name that nothing in the base folder has ("a", else "a2", "a3"...):
// a folder of that name is another archive's working folder or the user's own.
void AddGuardLevels(char* result, int depth) {
    for (int i = 0; i < depth; i++) {
        StdPlus_DropTrailChar(result, '/');
        StdPlus_DropTrailChar(result, '\\');
        size_t length = strlen(result);
        for (int n = 1;; n++) {
            char level[16] = "\\a";
            if (n > 1) snprintf(level, sizeof level, "\\a%d", n);
            // Cut short, the levels would not hold the deepest entry inside the base folder.
            if (length + strlen(level) > kResultLimit)
                ERRORS_RAISE(Zent_Err_UnsafeArchive, "%s", kTooLongResult);
            strcpy(result + length, level);
            if (i > 0 || !FileX_Exists(result)) break;
        }
    }
}

void ClaimGuardLevels(const char* folder, int depth) {
    if (depth == 0) return;
    char top[StrX_PathSize];
    StdPlus_CopyN(top, folder, sizeof top);
    for (int i = 0; i < depth; i++) StrX_CutLast(top);
    FileX_MakeDirs(top, true);
    // Made here or refused: another process may have taken the name since it was chosen.
    if (!CreateDirectoryA(top, nullptr)) ERRORS_RAISE(Zent_Err_UnsafeArchive, "%s", kOutside);
}

}  // namespace ExtractX
