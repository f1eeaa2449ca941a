// Autorun descriptions as CDs and archives carry them: an "open" command, an icon and a
// menu of verbs given as "shell\verb" / "shell\verb\command" pairs in either order.
#include "winx.h"

#include <shellapi.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/inifile.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

// Values are read as up to four comma-separated fields and joined again: the record
// reader splits at commas, and "icon=x.dll,3" must keep its index.
enum { kFields = 4 };
struct Fields {
    char field[kFields][256];
};

static void Join(const Fields& fields, char* out, size_t size) {
    StdPlus_CopyN(out, fields.field[0], size);
    for (int i = 1; i < kFields && fields.field[i][0] != '\0'; i++) {
        StdPlus_CatN(out, ",", size - 1);
        StdPlus_CatN(out, fields.field[i], size - 1);
    }
}

// The next record of the section; false at its end.
static bool ReadNext(IniFile_Reader* reader, char* key, char* value, size_t size) {
    Fields f;
    memset(&f, 0, sizeof f);
    if (IniFile_ReadAny(reader, key, "ssss", f.field[0], f.field[1], f.field[2], f.field[3]) < 0)
        return false;
    Join(f, value, size);
    return true;
}

static bool IsShellKey(const char* key) {
    return strncasecmp(key, "shell", 5) == 0;
}

// "shell\verb\command" names the command; "shell\verb" the menu text.
static bool IsCommandKey(const char* key) {
    const char* slash = StdPlus_FindLastChar(key + 5, '\\');
    return slash != nullptr && strcasecmp(slash + 1, "command") == 0;
}

static void SplitIcon(Autorun_Info* info) {
    char* comma = StdPlus_FindLastChar(info->icon, ',');
    if (comma != nullptr) {
        *comma = '\0';
        info->icon_index = atoi(comma + 1);
    }
}

// The records of the section in any order, as people write them by hand: "open" and "icon"
// wherever they stand, each verb as its two shell records one after the other.
static void ReadRecords(IniFile_Reader* reader, Autorun_Info* info) {
    char key[256];
    char first[260];
    char second[260];
    while (ReadNext(reader, key, first, sizeof first)) {
        if (strcasecmp(key, "open") == 0) {
            StdPlus_CopyN(info->open, first, sizeof info->open);
            continue;
        }
        if (strcasecmp(key, "icon") == 0) {
            StdPlus_CopyN(info->icon, first, sizeof info->icon);
            SplitIcon(info);
            continue;
        }
        if (!IsShellKey(key)) continue;
        bool command_first = IsCommandKey(key);
        if (!ReadNext(reader, key, second, sizeof second) || !IsShellKey(key)) return;
        if (info->verb_count >= Autorun_MaxVerbs) continue;
        int i = info->verb_count++;
        StdPlus_CopyN(info->verb_text[i], command_first ? second : first,
                      sizeof info->verb_text[i]);
        StdPlus_CopyN(info->verb_command[i], command_first ? first : second,
                      sizeof info->verb_command[i]);
    }
}

// autorun.inf files are written by hand: comments or other sections may come before the
// "autorun" header, in any letter case.
bool WinX_EnterAutorunSection(IniFile_Reader* reader) {
    for (;;) {
        // Lines outside any section (comments among them) up to the next header.
        char key[256];
        while (IniFile_ReadAny(reader, key, "") >= 0) {
        }
        bool entered = false;
        bool at_end = false;
        bool other = false;
        char name[256] = "";
        Except_TryCatch(
            __FILE_NAME__, __LINE__,
            [&] {
                IniFile_Read_setSection(reader, "autorun");
                entered = true;
            },
            [&] {
                int code = Except_Error()->code;
                if (code == FileX_Err_EOF) {
                    at_end = true;
                } else if (code == IniFile_NotFoundSection) {
                    // The reader stood still before another header, whose name the line
                    // buffer still holds.
                    StdPlus_CopyN(name, reader->line + 1, sizeof name);
                    other = true;
                } else if (code != IniFile_Err_BadFormat) {  // a "[" line without "]"
                    Except_Rethrow();
                }
            });
        if (entered) return true;
        if (at_end) return false;
        if (other) IniFile_Read_setSection(reader, name);
    }
}

void WinX_ReadAutorun(Autorun_Info* info, const char* file) {
    memset(info, 0, sizeof *info);
    StdPlus_CopyN(info->file, file, sizeof info->file);
    static char line[256];
    IniFile_Reader reader{};
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            IniFile_OpenRead(&reader, file, line, sizeof line);
            if (WinX_EnterAutorunSection(&reader)) ReadRecords(&reader, info);
        },
        [&] { IniFile_CloseRead(&reader); });
}

const char* WinX_AutorunCommand(const Autorun_Info* info, int index, char* out, size_t size) {
    static char parameters[StrX_PathSize];
    char command[StrX_PathSize];
    StdPlus_CopyN(command, index < 0 ? info->open : info->verb_command[index], sizeof command);
    StrX_AbsFromFileDir(command, sizeof command, info->file);
    // The program ends at the first blank before which an existing file is named, so the
    // blank of a folder such as "Archives Cache" does not cut the program short.
    for (char* blank = StdPlus_FindChar(command, ' '); blank != nullptr;
         blank = StdPlus_FindChar(blank + 1, ' ')) {
        *blank = '\0';
        bool is_file = FileX_Exists(command) && !FileX_IsDir(command);
        *blank = ' ';
        if (is_file) {
            *blank = '\0';
            StdPlus_CopyN(out, command, size);
            return StdPlus_CopyN(parameters, blank + 1, sizeof parameters);
        }
    }
    StdPlus_CopyN(out, command, size);
    return nullptr;
}

HINSTANCE WinX_RunAutorun(const Autorun_Info* info, int index) {
    char program[StrX_PathSize];
    const char* parameters = WinX_AutorunCommand(info, index, program, sizeof program);
    char folder[StrX_PathSize];
    StrX_ParentDir(folder, program);
    return ShellExecuteA(nullptr, nullptr, program, parameters, folder, SW_SHOWNORMAL);
}
