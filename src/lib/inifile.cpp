#include "inifile.h"

#include <windows.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "errors.h"
#include "except3.h"
#include "filex.h"
#include "stdplus.h"
#include "strx.h"

enum { kQuoteBuffer = 4096, kMaxTargets = 64 };

static char g_quoted[kQuoteBuffer];

static bool Consumes(char letter) {
    return strchr("bistxIS", letter) != nullptr;
}

void IniFile_OpenWrite(IniFile_Writer* w, const char* path) {
    StdPlus_CopyN(w->path, path, sizeof w->path);
    w->f = fopen(path, "wt");
    if (w->f == nullptr)
        ERRORS_RAISE(FileX_Err_CannotWriteOpen, "書きこみモードで open できません。%s", path);
    w->first_section = true;
}

void IniFile_WriteSection(IniFile_Writer* w, const char* name) {
    if (!w->first_section) fputs(" \n", w->f);
    w->first_section = false;
    fprintf(w->f, "[%s] \n", name);
}

void IniFile_WriteRecord(IniFile_Writer* w, const char* key, const char* format, ...) {
    fprintf(w->f, "%s = ", key);
    va_list args;
    va_start(args, format);
    bool first = true;
    for (const char* letter = format; *letter != '\0'; letter++) {
        if (strchr("sibtx", *letter) == nullptr) continue;
        if (!first) fputs(", ", w->f);
        first = false;
        switch (*letter) {
            case 's':
                fputs(StdPlus_CsvQuote(g_quoted, sizeof g_quoted, va_arg(args, const char*)), w->f);
                break;
            case 'i':
                fprintf(w->f, "%d", va_arg(args, int));
                break;
            case 'b':
                fputc((va_arg(args, int) & 0xFF) != 0 ? '1' : '0', w->f);
                break;
            case 't': {
                char stamp[20];
                fputs(StrX_FormatStamp(*va_arg(args, const time_t*), stamp), w->f);
                break;
            }
            case 'x':
                fprintf(w->f, "0x%X", va_arg(args, unsigned));
                break;
        }
    }
    va_end(args);
    fputc('\n', w->f);
}

void IniFile_CloseWrite(IniFile_Writer* w) {
    fputs(" \n", w->f);
    bool failed = ferror(w->f) != 0;
    failed = fclose(w->f) != 0 || failed;
    w->f = nullptr;
    // A settings file cut short by a full disk must not pass for a saved one.
    if (failed) ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", w->path);
}

// Closes a file that is being given up (after a failure), without raising.
static void DiscardWrite(IniFile_Writer* w) {
    if (w->f != nullptr) fclose(w->f);
    w->f = nullptr;
}

bool IniFile_WriteWhole(const char* path, const char* temporary,
                        const std::function<void(IniFile_Writer* writer)>& write) {
    IniFile_Writer writer{};
    bool replaced = false;
    Except_TryCatch(
        __FILE_NAME__, __LINE__,
        [&] {
            IniFile_OpenWrite(&writer, temporary);
            write(&writer);
            IniFile_CloseWrite(&writer);
            replaced = FileX_Replace(path, temporary);
        },
        [&] {
            DiscardWrite(&writer);
            DeleteFileA(temporary);
            Except_Rethrow();
        });
    if (!replaced) {
        DWORD error = GetLastError();
        DeleteFileA(temporary);
        SetLastError(error);
    }
    return replaced;
}

void IniFile_OpenRead(IniFile_Reader* r, const char* path, char* line, int size) {
    StdPlus_CopyN(r->path, path, sizeof r->path);
    r->line = line;
    r->size = size;
    r->max_string = 256;
    // Read as bytes, line ends stripped here: file positions then stay exact for files with
    // bare LF line ends too, which text-mode ftell miscounts.
    r->f = FileX_Open(path, "rb");
}

void IniFile_CloseRead(IniFile_Reader* r) {
    if (r->f != nullptr) fclose(r->f);
    r->f = nullptr;
}

// The next line (or piece of a long line) without its line end; false at the end.
static bool ReadLine(IniFile_Reader* r) {
    if (fgets(r->line, r->size, r->f) == nullptr) return false;
    size_t n = strlen(r->line);
    while (n > 0 && (r->line[n - 1] == '\n' || r->line[n - 1] == '\r')) r->line[--n] = '\0';
    return true;
}

static bool KeyMatches(const char* text, const char* key) {
    size_t n = strlen(key);
    if (_strnicmp(text, key, n) != 0) return false;
    return text[n] == ' ' || text[n] == ':' || text[n] == '=';
}

static char* SkipBlanks(char* p) {
    while (*p == ' ' || *p == '\t') p++;
    return p;
}

void IniFile_Read_setSection(IniFile_Reader* r, const char* name) {
    long pos = ftell(r->f);
    for (;;) {
        if (!ReadLine(r)) ERRORS_RAISE(FileX_Err_EOF, "EOF in IniFile_Read_setSection");
        StdPlus_Trim(r->line);
        if (r->line[0] != '\0') break;
    }
    char* close = strchr(r->line, ']');
    if (r->line[0] != '[' || close == nullptr) {
        ERRORS_RAISE(IniFile_Err_BadFormat,
                     "フォーマットがおかしい in IniFile_Read_setSection (%s)", name);
    }
    *close = '\0';
    if (_stricmp(r->line + 1, name) != 0) {
        fseek(r->f, pos, SEEK_SET);
        ERRORS_RAISE(IniFile_NotFoundSection, "セクション名が期待したものと異なる (%s)", name);
    }
}

bool IniFile_SeekSection(IniFile_Reader* r, const char* name, bool wrap) {
    bool wrapped = false;
    size_t n = strlen(name);
    for (;;) {
        if (!ReadLine(r)) {
            if (!wrap || wrapped) return false;
            wrapped = true;
            rewind(r->f);
            continue;
        }
        char* close = strchr(r->line, ']');
        if (r->line[0] == '[' && close != nullptr &&
            static_cast<size_t>(close - r->line - 1) == n && strncmp(r->line + 1, name, n) == 0)
            return true;
    }
}

long IniFile_FindSection(IniFile_Reader* r, const char* name, bool wrap) {
    if (!IniFile_SeekSection(r, name, wrap))
        ERRORS_RAISE(IniFile_NotFoundSection, "セクション %s が見つかりません", name);
    return ftell(r->f);
}

int IniFile_CountRecords(IniFile_Reader* r, const char* key) {
    long pos = ftell(r->f);
    int count = 0;
    while (ReadLine(r) && KeyMatches(SkipBlanks(r->line), key)) count++;
    fseek(r->f, pos, SEEK_SET);
    return count;
}

static void CollectTargets(const char* format, va_list args, void** targets) {
    int n = 0;
    for (const char* letter = format; *letter != '\0' && n < kMaxTargets; letter++) {
        if (Consumes(*letter)) targets[n++] = va_arg(args, void*);
    }
}

static void StoreString(const IniFile_Reader* r, void* target, const char* value) {
    char* out = static_cast<char*>(target);
    StdPlus_CopyN(out, value, r->max_string);
    // A value cut inside a double-byte character would end in half a character.
    if (strlen(value) >= static_cast<size_t>(r->max_string)) StdPlus_DropBrokenLead(out);
}

// Parses the values of a record into the targets, one field per letter; missing and empty
// fields give 0 and "", and leave time stamps as they were.
static void ParseValues(const IniFile_Reader* r, char* text, const char* format, void** targets) {
    char* rest = text;
    int n = 0;
    for (const char* letter = format; *letter != '\0' && n < kMaxTargets; letter++) {
        if (!Consumes(*letter)) continue;
        const char* field = "";
        if (rest != nullptr) field = StdPlus_CsvField(rest, &rest);
        void* target = targets[n++];
        switch (*letter) {
            case 's':
            case 'S':
                StoreString(r, target, field);
                break;
            case 'i':
            case 'I':
                *static_cast<int*>(target) = field[0] != '\0' ? atoi(field) : 0;
                break;
            case 'b':
                *static_cast<char*>(target) = field[0] == '\0' || field[0] == '0' ? 0 : 1;
                break;
            case 't':
                if (field[0] != '\0') StrX_ParseStamp(static_cast<time_t*>(target), field);
                break;
            case 'x':
                *static_cast<unsigned*>(target) =
                    static_cast<unsigned>(strtoul(field, nullptr, 16));
                break;
        }
    }
}

static long ReadExpected(IniFile_Reader* r, const char* key, const char* format, void** targets) {
    long pos;
    for (;;) {
        pos = ftell(r->f);
        if (!ReadLine(r)) ERRORS_RAISE(IniFile_Err_FewAttr, "属性が少ない");
        if (r->line[0] != '\0') break;
    }
    char* text = SkipBlanks(r->line);
    if (!KeyMatches(text, key)) {
        char found[256];
        size_t n = strcspn(text, " :=");
        StdPlus_CopyN(found, text, n + 1 < sizeof found ? n + 1 : sizeof found);
        ERRORS_RAISE(IniFile_Err_BadAttr, "属性名が異なる（アプリ=%s, ファイル=%s in %s）", key,
                     found, r->path);
    }
    char* values = SkipBlanks(text + strlen(key) + 1);
    if (*values == '=' || *values == ':') values = SkipBlanks(values + 1);
    ParseValues(r, values, format, targets);
    return pos;
}

long IniFile_ReadRecord(IniFile_Reader* r, const char* key, const char* format, ...) {
    void* targets[kMaxTargets];
    va_list args;
    va_start(args, format);
    CollectTargets(format, args, targets);
    va_end(args);
    return ReadExpected(r, key, format, targets);
}

void IniFile_ReadOrDefault(IniFile_Reader* r, const char* key, const char* format, void* target,
                           ...) {
    va_list args;
    va_start(args, target);
    char first = format[0];
    int default_int = 0;
    const char* default_string = "";
    if (first == 's') {
        default_string = va_arg(args, const char*);
    } else {
        default_int = va_arg(args, int);
    }
    void* targets[kMaxTargets];
    targets[0] = target;
    CollectTargets(format[0] != '\0' ? format + 1 : format, args, targets + 1);
    va_end(args);
    if (IniFile_CountRecords(r, key) >= 1) {
        ReadExpected(r, key, format, targets);
        return;
    }
    if (first == 'b') *static_cast<char*>(target) = static_cast<char>(default_int & 0xFF);
    if (first == 'i') *static_cast<int*>(target) = default_int;
    if (first == 's') StoreString(r, target, default_string);
}

long IniFile_ReadAny(IniFile_Reader* r, char* key_out, const char* format, ...) {
    void* targets[kMaxTargets];
    va_list args;
    va_start(args, format);
    CollectTargets(format, args, targets);
    va_end(args);
    long pos = ftell(r->f);
    for (;;) {
        if (!ReadLine(r)) return -1;
        StdPlus_Trim(r->line);
        if (r->line[0] != '\0') break;
    }
    if (r->line[0] == '[') {
        fseek(r->f, pos, SEEK_SET);
        return -1;
    }
    char* eq = strchr(r->line, '=');
    char empty[1] = "";
    char* values = empty;
    if (eq != nullptr) {
        *eq = '\0';
        values = SkipBlanks(eq + 1);
    }
    StdPlus_Trim(r->line);
    StdPlus_CopyN(key_out, r->line, 256);
    ParseValues(r, values, format, targets);
    return pos;
}
