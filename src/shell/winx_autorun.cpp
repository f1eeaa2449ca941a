// Autorun descriptions as CDs and archives carry them: an "open" command, an icon and a
// menu of verbs, each given as "shell\verb" (its menu text) and "shell\verb\command"; and
// the one way their commands are split into the program and its parameters.

#include "winx_autorun.h"
#include "winx_folders.h"
#include "winx_launch.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

namespace {

enum { kLineSize = 1024 };

// A verb as far as its records were met, by name.
struct VerbDraft {
    char name[256];
    char text[256];
    char command[260];
    bool has_text;
    bool has_command;
};

struct Drafts {
    VerbDraft verbs[Autorun_MaxVerbs];
    int count;
};

// The next line, its line end and outer blanks removed; false at the end of the file. A line
// longer than the buffer is read to its end and gives *whole false.
bool NextLine(FILE* f, char* line, size_t size, bool* whole) {
    if (fgets(line, static_cast<int>(size), f) == nullptr) return false;
    size_t n = strlen(line);
    *whole = (n > 0 && line[n - 1] == '\n') || feof(f);
    if (!*whole) {
        for (int c = fgetc(f); c != EOF && c != '\n'; c = fgetc(f)) {
        }
    }
    StdPlus_Trim(line);
    return true;
}

// A text given in quotes ("icon=\"disc.ico\"") loses them; commands keep theirs.
void Unquote(char* text) {
    size_t n = strlen(text);
    if (n >= 2 && text[0] == '"' && text[n - 1] == '"') {
        memmove(text, text + 1, n - 2);
        text[n - 2] = '\0';
    }
}

// Copies a value only when it fits whole: a command cut short would start something else.
bool CopyWhole(char* out, size_t size, const char* value) {
    if (strlen(value) >= size) return false;
    strcpy(out, value);
    return true;
}

VerbDraft* DraftOf(Drafts* drafts, const char* name) {
    for (int i = 0; i < drafts->count; i++) {
        if (strcasecmp(drafts->verbs[i].name, name) == 0) return &drafts->verbs[i];
    }
    if (drafts->count >= Autorun_MaxVerbs) return nullptr;  // verbs beyond the twentieth
    VerbDraft* draft = &drafts->verbs[drafts->count++];
    memset(draft, 0, sizeof *draft);
    StdPlus_CopyN(draft->name, name, sizeof draft->name);
    return draft;
}

// "shell\verb" gives the verb's menu text, "shell\verb\command" its command.
void TakeShellRecord(Drafts* drafts, const char* key, const char* value) {
    if (strncasecmp(key, "shell\\", 6) != 0 || key[6] == '\0') return;
    char name[256];
    StdPlus_CopyN(name, key + 6, sizeof name);
    char* slash = StdPlus_FindLastChar(name, '\\');
    bool is_command = slash != nullptr && strcasecmp(slash + 1, "command") == 0;
    if (is_command) *slash = '\0';
    VerbDraft* draft = DraftOf(drafts, name);
    if (draft == nullptr) return;
    if (is_command) {
        draft->has_command = CopyWhole(draft->command, sizeof draft->command, value);
    } else {
        draft->has_text = CopyWhole(draft->text, sizeof draft->text, value);
        Unquote(draft->text);
    }
}

void TakeIcon(Autorun_Info* info, const char* value) {
    if (!CopyWhole(info->icon, sizeof info->icon, value)) return;
    char* comma = StdPlus_FindLastChar(info->icon, ',');
    if (comma != nullptr) {
        *comma = '\0';
        info->icon_index = atoi(comma + 1);
    }
    StdPlus_Trim(info->icon);
    Unquote(info->icon);
}

void TakeRecord(Autorun_Info* info, Drafts* drafts, char* line) {
    char* equals = strchr(line, '=');
    if (equals == nullptr) return;
    *equals = '\0';
    char* key = StdPlus_Trim(line);
    char* value = StdPlus_Trim(equals + 1);
    if (strcasecmp(key, "open") == 0) {
        if (!CopyWhole(info->open, sizeof info->open, value)) info->open[0] = '\0';
    } else if (strcasecmp(key, "icon") == 0) {
        TakeIcon(info, value);
    } else {
        TakeShellRecord(drafts, key, value);
    }
}

// True for a section header; *autorun says whether it opens the "autorun" section.
bool IsHeader(const char* line, bool* autorun) {
    if (line[0] != '[') return false;
    const char* close = strchr(line, ']');
    size_t n = close != nullptr ? static_cast<size_t>(close - line - 1) : strlen(line + 1);
    *autorun = n == 7 && strncasecmp(line + 1, "autorun", 7) == 0;
    return true;
}

void KeepCompleteVerbs(Autorun_Info* info, const Drafts& drafts) {
    for (int i = 0; i < drafts.count; i++) {
        const VerbDraft& draft = drafts.verbs[i];
        if (!draft.has_text || !draft.has_command) continue;
        int k = info->verb_count++;
        StdPlus_CopyN(info->verb_text[k], draft.text, sizeof info->verb_text[k]);
        StdPlus_CopyN(info->verb_command[k], draft.command, sizeof info->verb_command[k]);
    }
}

}  // namespace

// autorun.inf files are written by hand: comments or other sections may come before the
// "autorun" header, names come in any letter case and records in any order. Values are
// taken whole as they stand, so a quoted program keeps what follows it and commas stay.
void WinX_ReadAutorun(Autorun_Info* info, const char* file) {
    memset(info, 0, sizeof *info);
    StdPlus_CopyN(info->file, file, sizeof info->file);
    Own_File f(FileX_Open(file, "rb"));
    static Drafts drafts;  // about 15 KB: kept off the stack
    drafts.count = 0;
    char line[kLineSize];
    bool whole = true;
    bool inside = false;
    while (NextLine(f.Get(), line, sizeof line, &whole)) {
        bool autorun = false;
        if (IsHeader(line, &autorun)) {
            if (inside) break;  // the section has ended
            inside = autorun;
            continue;
        }
        if (!inside || !whole || line[0] == ';') continue;
        TakeRecord(info, &drafts, line);
    }
    KeepCompleteVerbs(info, drafts);
}

// ---- Commands ------------------------------------------------------------------------

static const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') p++;
    return p;
}

// The first word of the line (quoted or up to a blank) into word; returns what follows it.
static const char* FirstWord(const char* line, char* word, size_t size) {
    const char* end;
    const char* start = line;
    if (*line == '"') {
        start = line + 1;
        end = StdPlus_FindChar(start, '"');
        if (end == nullptr) end = start + strlen(start);
    } else {
        end = StdPlus_FindChar(line, ' ');
        if (end == nullptr) end = line + strlen(line);
    }
    size_t n = static_cast<size_t>(end - start);
    StdPlus_CopyN(word, start, n + 1 < size ? n + 1 : size);
    return *end == '"' ? end + 1 : end;
}

bool WinX_FindViewer(const char* name, char* path) {
    static const char* const kViewers[] = {"explorer", "notepad", "winhlp32", "write"};
    char bare[StrX_PathSize];
    StdPlus_CopyN(bare, name, sizeof bare);
    if (strcasecmp(StrX_Ext(bare), "exe") == 0) StrX_SetExt(bare, "");
    const char* known = nullptr;
    for (const char* viewer : kViewers) {
        if (strcasecmp(bare, viewer) == 0) known = viewer;
    }
    if (known == nullptr) return false;
    // Only Windows' own copy: never one found along a search that starts in the
    // description's folder, where an archive can put a program of that name.
    char folders[2][StrX_PathSize] = {"", ""};
    const char* windows = WinX_WindowsDir();
    if (windows != nullptr) {
        StdPlus_CopyN(folders[0], windows, sizeof folders[0]);
    } else {
        GetWindowsDirectoryA(folders[0], sizeof folders[0]);
    }
    const char* system = WinX_SystemDir();
    if (system != nullptr) StdPlus_CopyN(folders[1], system, sizeof folders[1]);
    for (const char* folder : folders) {
        if (folder[0] == '\0') continue;
        StdPlus_CopyN(path, folder, StrX_PathSize);
        StrX_Join(path, known);
        StdPlus_CatN(path, ".exe", StrX_PathSize);
        if (FileX_Exists(path) && !FileX_IsDir(path)) return true;
    }
    path[0] = '\0';
    return false;
}

// A viewer runs in the description's folder, where the document it is given lies.
static bool SplitViewer(const char* line, const char* base_file, WinX_Command* out) {
    char word[StrX_PathSize];
    const char* rest = FirstWord(line, word, sizeof word);
    if (!WinX_FindViewer(word, out->program)) return false;
    out->viewer = true;
    StdPlus_CopyN(out->parameters, SkipBlanks(rest), sizeof out->parameters);
    StrX_ParentDir(out->folder, base_file);
    return true;
}

static void SplitQuoted(const char* line, const char* base_file, WinX_Command* out) {
    const char* close = StdPlus_FindChar(line + 1, '"');
    size_t n = close != nullptr ? static_cast<size_t>(close - (line + 1)) : strlen(line + 1);
    StdPlus_CopyN(out->program, line + 1,
                  n + 1 < sizeof out->program ? n + 1 : sizeof out->program);
    StrX_AbsFromFileDir(out->program, sizeof out->program, base_file);
    if (close != nullptr)
        StdPlus_CopyN(out->parameters, SkipBlanks(close + 1), sizeof out->parameters);
}

// The program ends at the first blank before which an existing file is named, so a blank
// in a folder's name ("Program Files") does not cut it short. Without one the whole text is
// the program (a folder such as "my docs", or a program that is not there).
static void SplitPlain(const char* line, const char* base_file, WinX_Command* out) {
    for (const char* blank = StdPlus_FindChar(line, ' '); blank != nullptr;
         blank = StdPlus_FindChar(blank + 1, ' ')) {
        char candidate[StrX_PathSize];
        size_t n = static_cast<size_t>(blank - line);
        if (n + 1 > sizeof candidate) break;
        StdPlus_CopyN(candidate, line, n + 1);
        StrX_AbsFromFileDir(candidate, sizeof candidate, base_file);
        if (FileX_Exists(candidate) && !FileX_IsDir(candidate)) {
            StdPlus_CopyN(out->program, candidate, sizeof out->program);
            StdPlus_CopyN(out->parameters, SkipBlanks(blank + 1), sizeof out->parameters);
            return;
        }
    }
    StdPlus_CopyN(out->program, line, sizeof out->program);
    StrX_AbsFromFileDir(out->program, sizeof out->program, base_file);
}

void WinX_SplitCommand(const char* command, const char* base_file, WinX_Command* out) {
    memset(out, 0, sizeof *out);
    char line[StrX_PathSize];
    StdPlus_CopyN(line, command, sizeof line);
    StdPlus_Trim(line);
    if (line[0] == '\0') return;
    if (SplitViewer(line, base_file, out)) return;
    if (line[0] == '"') {
        SplitQuoted(line, base_file, out);
    } else {
        SplitPlain(line, base_file, out);
    }
    StrX_ParentDir(out->folder, out->program);
}

void WinX_AutorunEntry(const Autorun_Info* info, int index, WinX_Command* out) {
    WinX_SplitCommand(index < 0 ? info->open : info->verb_command[index], info->file, out);
}

void WinX_RunAutorun(const Autorun_Info* info, int index, bool tree) {
    WinX_Command command;
    WinX_AutorunEntry(info, index, &command);
    WinX_StartCommand(&command, tree);
}
