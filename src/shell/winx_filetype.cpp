// Reading what a file type registered under HKEY_CLASSES_ROOT: its icon, its verbs and
// whether opening one of its files asks first. Missing entries are normal here (most
// types register only part of this), so not-found reads are caught and skipped.

#include "winx_filetype.h"
#include "winx_registry.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/except3.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "winx_local.h"

// Reads a default value (key path) or a named value into out, terminated. False when the
// key or value is missing or does not fit; other failures pass on.
static bool TryRead(const char* key, const char* name, void* out, DWORD size, bool terminate) {
    bool found = false;
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            char text[600];
            if (name != nullptr) snprintf(text, sizeof text, "%s\\%s", key, name);
            WinX_RegValue value = {0, out, 0, size};
            WinX_RegRead(HKEY_CLASSES_ROOT, name != nullptr ? text : key, name == nullptr, &value);
            if (terminate)
                static_cast<char*>(out)[value.size < size ? value.size : size - 1] = '\0';
            found = true;
        },
        [&] {
            int code = Except_Error()->code;
            if (code != WinX_Err_NoRegKey && code != WinX_Err_NoRegData) Except_Rethrow();
        });
    if (!found && terminate && size > 0) static_cast<char*>(out)[0] = '\0';
    return found;
}

static bool TryReadText(const char* key, char* out, DWORD size) {
    return TryRead(key, nullptr, out, size, true);
}

// The program id of an extension ("lzh" -> "lzhfile"); false when none is registered.
static bool ProgramId(const char* extension, char* out, DWORD size) {
    char key[MAX_PATH];
    snprintf(key, sizeof key, ".%s", extension);
    return TryReadText(key, out, size) && out[0] != '\0';
}

void WinX_GetTypeIcon(const char* extension, char* icon_file, int* index) {
    icon_file[0] = '\0';
    *index = 0;
    char program_id[256];
    if (!ProgramId(extension, program_id, sizeof program_id)) return;
    char key[600];
    char value[MAX_PATH];
    snprintf(key, sizeof key, "%s\\DefaultIcon", program_id);
    if (!WinX_RegExists(HKEY_CLASSES_ROOT, key, true, false)) {
        // No icon of its own: Explorer shows the first icon of the program that opens it.
        char verb[256];
        snprintf(key, sizeof key, "%s\\Shell", program_id);
        if (!TryReadText(key, verb, sizeof verb)) return;
        snprintf(key, sizeof key, "%s\\Shell\\%s\\command", program_id, verb);
        char command[512];
        if (!TryReadText(key, command, sizeof command)) return;
        char program[StrX_PathSize];
        const char* rest = nullptr;
        StrX_SplitCommand(command, program, &rest);
        StdPlus_CopyN(icon_file, program, MAX_PATH);
        return;
    }
    if (!TryReadText(key, value, sizeof value)) return;
    char* comma = (StdPlus_FindLastChar(value, ','));
    if (comma != nullptr) {
        *comma = '\0';
        *index = atoi(comma + 1);
    }
    StdPlus_CopyN(icon_file, value, MAX_PATH);
}

// ---- Verbs ---------------------------------------------------------------------------

static void FillDde(const char* verb_key, WinX_VerbInfo* record) {
    char key[600];
    snprintf(key, sizeof key, "%s\\ddeExec", verb_key);
    bool all = TryReadText(key, record->dde_message, sizeof record->dde_message);
    snprintf(key, sizeof key, "%s\\ddeExec\\application", verb_key);
    all = TryReadText(key, record->dde_application, sizeof record->dde_application) && all;
    snprintf(key, sizeof key, "%s\\ddeExec\\ifexec", verb_key);
    all = TryReadText(key, record->dde_ifexec, sizeof record->dde_ifexec) && all;
    snprintf(key, sizeof key, "%s\\ddeExec\\topic", verb_key);
    all = TryReadText(key, record->dde_topic, sizeof record->dde_topic) && all;
    record->has_dde = all;
}

// Fills the record for one verb key; false when the verb has no command (not listed).
static bool ReadVerb(const char* shell_key, const char* name, WinX_VerbInfo* record) {
    memset(record, 0, sizeof *record);
    StdPlus_CopyN(record->name, name, sizeof record->name);
    char verb_key[600];
    snprintf(verb_key, sizeof verb_key, "%s\\%s", shell_key, name);
    char key[700];
    snprintf(key, sizeof key, "%s\\command", verb_key);
    if (!TryReadText(key, record->command, sizeof record->command)) return false;
    TryReadText(verb_key, record->menu, sizeof record->menu);
    if (record->menu[0] == '\0') {
        const char* menu = name;
        if (strcasecmp(name, "open") == 0) menu = "開く(&O)";
        if (strcasecmp(name, "print") == 0) menu = "印刷(&P)";
        StdPlus_CopyN(record->menu, menu, sizeof record->menu);
    }
    // Stored as four bytes, whether written as binary or as a DWORD.
    BYTE flags[4] = {0, 0, 0, 0};
    if (TryRead(verb_key, "EditFlags", flags, sizeof flags, false))
        memcpy(record->edit_flags, flags, sizeof flags);
    FillDde(verb_key, record);
    return true;
}

static void MoveToFront(WinX_VerbInfo* records, int front, int index) {
    if (index == front) return;
    WinX_VerbInfo moved = records[index];
    memmove(&records[front + 1], &records[front], sizeof moved * (index - front));
    records[front] = moved;
}

// Appends the verbs of one shell key; the default verb (or, without one, "open" when
// open_counts) goes to the front of what this key added.
static int ListShellKey(const char* shell_key, WinX_VerbInfo* records, int count, int capacity,
                        bool open_counts, int* default_index) {
    Own_Key key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, shell_key, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return count;
    char default_verb[64];
    TryReadText(shell_key, default_verb, sizeof default_verb);
    int first = count;
    bool front_taken = false;
    for (DWORD i = 0; count < capacity; i++) {
        char name[256];
        DWORD length = sizeof name;
        LONG rc = RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // longer than a verb name can be
        if (rc != ERROR_SUCCESS) break;
        if (strlen(name) >= sizeof records[count].name) continue;
        if (!ReadVerb(shell_key, name, &records[count])) continue;
        bool is_default = default_verb[0] != '\0' && strcasecmp(name, default_verb) == 0;
        // Without a default verb Explorer opens with "open", so that one leads instead.
        bool is_open =
            open_counts && default_verb[0] == '\0' && !front_taken && strcasecmp(name, "open") == 0;
        if (is_default || is_open) {
            MoveToFront(records, first, count);
            front_taken = true;
            if (*default_index < 0) *default_index = first;
        }
        count++;
    }
    return count;
}

int WinX_ListVerbs(const char* extension, WinX_VerbInfo* records, int capacity, bool with_all_files,
                   int* default_index) {
    *default_index = -1;
    int count = 0;
    if (with_all_files)
        count = ListShellKey("*\\shell", records, count, capacity, false, default_index);
    char program_id[256];
    if (extension[0] == '\0' || strcmp(extension, "*") == 0) {
        StdPlus_CopyN(program_id, "*", sizeof program_id);
    } else if (!ProgramId(extension, program_id, sizeof program_id)) {
        return count;
    }
    char shell_key[300];
    snprintf(shell_key, sizeof shell_key, "%s\\shell", program_id);
    return ListShellKey(shell_key, records, count, capacity, true, default_index);
}

bool WinX_TypeConfirmsOpen(const char* extension) {
    char program_id[256];
    if (!ProgramId(extension, program_id, sizeof program_id)) return true;
    BYTE flags[4] = {0, 0, 0, 0};
    if (!TryRead(program_id, "EditFlags", flags, sizeof flags, false)) return true;
    if (flags[0] == 0) return true;
    return flags[2] == 0;
}
