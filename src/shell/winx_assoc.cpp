// Associating file types with the program, and putting back what was there before.
//
// Other programs' registrations are never lost: the first association of an extension
// records the program id it pointed to ("backup") and keeps a copy of our program id's key
// as it stood ("progid_backup", with "existed" telling whether there was one), so that
// un-associating leaves the extension and the program id exactly as they were. Inside the
// program id the parts that would hide our verbs are moved aside under backup names
// (CLSID_BK, DefaultIcon_BK, ddeexec_backup, BrowserFlags_backup, ExplorerFlags_backup);
// these are what an older version's association is restored from, and the only backups
// of the shared classes "folder" and "*".

#include "winx_assoc.h"
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "lib/except3.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "winx_registry.h"
#include "winx_local.h"

static const HKEY kRoot = HKEY_CLASSES_ROOT;
enum { kKeySize = 600 };

static bool IsEnd(const char* name) {
    return strcmp(name, "NULL") == 0;
}

// "folder" and "*" are classes of their own, shared with every other program.
static bool IsSharedClass(const char* extension) {
    return strcasecmp(extension, "folder") == 0 || strcmp(extension, "*") == 0;
}

static void ProgramIdOf(const WinX_TypeRow* row, char* out, size_t size) {
    if (IsSharedClass(row->extension)) {
        snprintf(out, size, "%s", row->extension);
    } else {
        snprintf(out, size, "%sfile", row->extension);
    }
}

// ---- Small registry steps under HKEY_CLASSES_ROOT ---------------------------------------

static void KeyAndName(char* out, const char* key, const char* name) {
    snprintf(out, kKeySize, "%s\\%s", key, name);
}

static void PutValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
    WinX_RegValue value = {type, const_cast<void*>(data), size, size};
    if (name == nullptr) {
        WinX_RegWrite(kRoot, key, true, &value);
        return;
    }
    char text[kKeySize];
    KeyAndName(text, key, name);
    WinX_RegWrite(kRoot, text, false, &value);
}

// Strings are stored with their terminating NUL, as Windows expects of REG_SZ data: a
// reader that takes the value as it comes then always gets a terminated text.
static void PutText(const char* key, const char* name, const char* text) {
    PutValue(key, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

static void PutFourBytes(const char* key, const char* name, DWORD type, const BYTE bytes[4]) {
    PutValue(key, name, type, bytes, 4);
}

// Reads a value (name null: the default value) into value; false when the key or the
// value is missing or larger than the buffer. Other failures pass on.
static bool TryRead(const char* key, const char* name, WinX_RegValue* value) {
    bool found = false;
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            char text[kKeySize];
            if (name != nullptr) KeyAndName(text, key, name);
            WinX_RegRead(kRoot, name != nullptr ? text : key, name == nullptr, value);
            found = true;
        },
        [&] {
            int code = Except_Error()->code;
            if (code != WinX_Err_NoRegKey && code != WinX_Err_NoRegData) Except_Rethrow();
        });
    return found;
}

// A default value as text; empty when it is missing.
static void ReadDefaultText(const char* key, char* out, DWORD size) {
    WinX_RegValue value = {0, out, 0, size - 1};
    out[0] = '\0';
    if (TryRead(key, nullptr, &value)) out[value.size] = '\0';
}

static bool KeyExists(const char* key) {
    return WinX_RegExists(kRoot, key, true, false);
}

static bool ValueExists(const char* key, const char* name) {
    char text[kKeySize];
    KeyAndName(text, key, name);
    return WinX_RegExists(kRoot, text, false, false);
}

static void DeleteValue(const char* key, const char* name) {
    char text[kKeySize];
    KeyAndName(text, key, name);
    WinX_RegDelete(kRoot, text, false);
}

static void CreateKey(const char* key) {
    Own_Key handle;
    LONG rc = RegCreateKeyExA(kRoot, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, handle.Out(), nullptr);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
}

static bool IsEmptyKey(const char* key) {
    Own_Key handle;
    if (RegOpenKeyExA(kRoot, key, 0, KEY_READ, handle.Out()) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    LONG rc = RegQueryInfoKeyA(handle.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    return subkeys == 0 && values == 0;
}

// Moves a key with everything below it to another name.
static void MoveTree(const char* from, const char* to) {
    WinX_RegCopyTree(kRoot, to, kRoot, from);
    WinX_RegDeleteTree(kRoot, from);
}

// ---- Associate -------------------------------------------------------------------------

// The program id's key as it stands before the first association, under the extension.
static void SaveProgramId(const char* ext_key, const char* program_id) {
    char backup[kKeySize];
    KeyAndName(backup, ext_key, "progid_backup");
    DWORD existed = KeyExists(program_id) ? 1 : 0;
    PutValue(backup, "existed", REG_DWORD, &existed, sizeof existed);
    if (!existed) return;
    char tree[kKeySize];
    KeyAndName(tree, backup, "tree");
    WinX_RegCopyTree(kRoot, tree, kRoot, program_id);
}

// Points the extension at the program id, recording what it pointed to before.
static void TakeExtension(const WinX_TypeRow* row, const char* program_id) {
    char ext_key[64];
    snprintf(ext_key, sizeof ext_key, ".%s", row->extension);
    CreateKey(ext_key);
    char old[256];
    WinX_RegValue old_value = {REG_SZ, old, 0, sizeof old - 1};
    bool has_old = TryRead(ext_key, nullptr, &old_value);
    if (has_old) old[old_value.size] = '\0';
    if (old[0] == '\0') has_old = false;

    bool first = !ValueExists(ext_key, "backup");
    bool ours = has_old && strcasecmp(old, program_id) == 0;
    if (ours && !first) return;  // associated before: the first backup stays
    if (first) SaveProgramId(ext_key, program_id);
    if (has_old && !ours) {
        // The other program's verbs stay on offer beside ours.
        WinX_RegCopyTree(kRoot, program_id, kRoot, old);
    }
    if (has_old) {
        PutValue(ext_key, "backup", old_value.type, old, old_value.size);
    } else {
        PutText(ext_key, "backup", "");
    }
    if (!ours) PutText(ext_key, nullptr, program_id);
}

static void WriteIcon(const WinX_TypeRow* row, const char* program_id, const char* program_path) {
    char icon_key[kKeySize];
    char icon_backup[kKeySize];
    KeyAndName(icon_key, program_id, "DefaultIcon");
    KeyAndName(icon_backup, program_id, "DefaultIcon_BK");
    if (KeyExists(icon_key) && !KeyExists(icon_backup)) MoveTree(icon_key, icon_backup);
    char file[StrX_PathSize];
    StdPlus_CopyN(file, row->icon_file != nullptr ? row->icon_file : "", sizeof file);
    if (file[0] == '\0') {
        StdPlus_CopyN(file, program_path, sizeof file);
    } else {
        StrX_AbsFromFileDir(file, sizeof file, program_path);
    }
    char text[StrX_PathSize + 16];
    snprintf(text, sizeof text, "%s,%d", file, row->icon_index);
    PutText(icon_key, nullptr, text);
}

// BrowserFlags and ExplorerFlags would make Explorer open the file itself; they are kept
// aside as DWORD copies.
static void MoveFlagsAside(const char* verb_key, const char* name) {
    BYTE data[256];
    WinX_RegValue value = {0, data, 0, sizeof data};
    if (!TryRead(verb_key, name, &value)) return;
    if (value.type != REG_DWORD) ERRORS_RAISE(Errors_Unofficial, "%s", "error");
    char backup_name[64];
    snprintf(backup_name, sizeof backup_name, "%s_backup", name);
    PutFourBytes(verb_key, backup_name, REG_DWORD, data);
    DeleteValue(verb_key, name);
}

// The command line of the verb, as associating writes it.
static void CommandOf(const WinX_VerbRow* verb, const char* program_path, char* command) {
    char program[StrX_PathSize];
    StdPlus_CopyN(program, verb->program, sizeof program);
    if (program[0] == '\0') {
        StdPlus_CopyN(program, program_path, sizeof program);
    } else {
        StrX_AbsFromFileDir(program, sizeof program, program_path);
    }
    snprintf(command, kKeySize, "\"%s\" %s", program, verb->arguments);
}

// How the verb of the program id stands: not there, holding the command this program writes
// for it, or holding another.
enum VerbState { kVerbAbsent, kVerbOwn, kVerbOthers };
static VerbState VerbStateOf(const WinX_VerbRow* verb, const char* program_id,
                             const char* program_path) {
    char key[kKeySize];
    snprintf(key, sizeof key, "%s\\shell\\%s", program_id, verb->key);
    if (!KeyExists(key)) return kVerbAbsent;
    char command_key[kKeySize];
    char command[kKeySize];
    char own[kKeySize];
    KeyAndName(command_key, key, "command");
    ReadDefaultText(command_key, command, sizeof command);
    CommandOf(verb, program_path, own);
    return strcasecmp(command, own) == 0 ? kVerbOwn : kVerbOthers;
}

// A program id carries this program's registration while one of the row's verbs holds our
// command. It is still ours while none of them holds another's: a program that registered
// the id after us removed or rewrote them.
static bool CarriesOwnVerb(const WinX_TypeRow* row, const char* program_id,
                           const char* program_path) {
    for (const WinX_VerbRow* verb = row->verbs; !IsEnd(verb->key); verb++) {
        if (VerbStateOf(verb, program_id, program_path) == kVerbOwn) return true;
    }
    return false;
}
static bool StillOurs(const WinX_TypeRow* row, const char* program_id, const char* program_path) {
    for (const WinX_VerbRow* verb = row->verbs; !IsEnd(verb->key); verb++) {
        if (VerbStateOf(verb, program_id, program_path) == kVerbOthers) return false;
    }
    return CarriesOwnVerb(row, program_id, program_path);
}

static void WriteVerb(const WinX_VerbRow* verb, const char* program_id, const char* program_path) {
    char shell[kKeySize];
    KeyAndName(shell, program_id, "shell");
    char current[256];
    ReadDefaultText(shell, current, sizeof current);
    if (verb->default_mode == WinX_Verb_Default ||
        (verb->default_mode == WinX_Verb_DefaultIfNone && current[0] == '\0'))
        PutText(shell, nullptr, verb->key);

    char verb_key[kKeySize];
    KeyAndName(verb_key, shell, verb->key);
    static const BYTE kVerbFlags[4] = {1, 0, 0, 0};
    PutText(verb_key, nullptr, verb->menu);
    PutFourBytes(verb_key, "EditFlags", REG_BINARY, kVerbFlags);
    MoveFlagsAside(verb_key, "BrowserFlags");
    MoveFlagsAside(verb_key, "ExplorerFlags");

    // Without its DDE conversation Explorer runs the command line below.
    char dde[kKeySize];
    char dde_backup[kKeySize];
    KeyAndName(dde, verb_key, "ddeexec");
    KeyAndName(dde_backup, verb_key, "ddeexec_backup");
    if (WinX_RegExists(kRoot, dde, true, true)) MoveTree(dde, dde_backup);

    char command[kKeySize];
    CommandOf(verb, program_path, command);
    char command_key[kKeySize];
    KeyAndName(command_key, verb_key, "command");
    PutText(command_key, nullptr, command);
}

static void AssociateRow(const WinX_TypeRow* row, const char* program_path) {
    char program_id[256];
    ProgramIdOf(row, program_id, sizeof program_id);
    if (!IsSharedClass(row->extension)) TakeExtension(row, program_id);

    static const BYTE kFlagsZero[4] = {0, 0, 0, 0};
    static const BYTE kFlagsConfirm[4] = {0, 0, 1, 0};
    if (row->description != nullptr) PutText(program_id, nullptr, row->description);
    PutFourBytes(program_id, "EditFlags", REG_BINARY,
                 row->edit_flags_zero ? kFlagsZero : kFlagsConfirm);

    char clsid[kKeySize];
    char clsid_backup[kKeySize];
    KeyAndName(clsid, program_id, "CLSID");
    KeyAndName(clsid_backup, program_id, "CLSID_BK");
    if (KeyExists(clsid)) MoveTree(clsid, clsid_backup);

    if (row->icon_index != -1) WriteIcon(row, program_id, program_path);
    for (const WinX_VerbRow* verb = row->verbs; !IsEnd(verb->key); verb++)
        WriteVerb(verb, program_id, program_path);
}

static bool Selected(const bool* selection, int index) {
    return selection == nullptr || selection[index];
}

void WinX_Associate(const WinX_TypeSet* set, const char* program_path, const bool* selection) {
    for (int i = 0; !IsEnd(set->rows[i].extension); i++) {
        if (Selected(selection, i)) AssociateRow(&set->rows[i], program_path);
    }
}

// ---- Unassociate -----------------------------------------------------------------------

// Takes back what the row's verbs changed inside the program id, from the backups kept
// there: the way of the shared classes and of an older version's associations.
static void RestoreInside(const WinX_TypeRow* row, const char* program_id) {
    char key[kKeySize];
    char backup[kKeySize];
    KeyAndName(key, program_id, "DefaultIcon");
    KeyAndName(backup, program_id, "DefaultIcon_BK");
    if (KeyExists(backup)) {
        WinX_RegDeleteTree(kRoot, key);
        MoveTree(backup, key);
    }
    KeyAndName(key, program_id, "CLSID");
    KeyAndName(backup, program_id, "CLSID_BK");
    if (KeyExists(backup)) MoveTree(backup, key);

    char shell[kKeySize];
    KeyAndName(shell, program_id, "shell");
    char default_verb[256];
    ReadDefaultText(shell, default_verb, sizeof default_verb);
    for (const WinX_VerbRow* verb = row->verbs; !IsEnd(verb->key); verb++) {
        KeyAndName(key, shell, verb->key);
        WinX_RegDeleteTree(kRoot, key);
        // A default verb we set must not outlive the verb.
        if (strcasecmp(default_verb, verb->key) == 0) DeleteValue(shell, "");
    }
    WinX_RegDeleteIfLeaf(kRoot, shell);
    WinX_RegDeleteIfLeaf(kRoot, program_id);
}

// Our verbs that still hold our commands go; a default verb naming one of them goes too.
static void RemoveOwnVerbs(const WinX_TypeRow* row, const char* program_id,
                           const char* program_path) {
    char shell[kKeySize];
    KeyAndName(shell, program_id, "shell");
    char default_verb[256];
    ReadDefaultText(shell, default_verb, sizeof default_verb);
    for (const WinX_VerbRow* verb = row->verbs; !IsEnd(verb->key); verb++) {
        if (VerbStateOf(verb, program_id, program_path) != kVerbOwn) continue;
        char key[kKeySize];
        KeyAndName(key, shell, verb->key);
        WinX_RegDeleteTree(kRoot, key);
        if (strcasecmp(default_verb, verb->key) == 0) DeleteValue(shell, "");
    }
}

// Puts the program id's key back as it stood before the first association. False when
// another program registered the id after us: it is that program's now and stays, less
// the verbs of ours it kept.
static bool RestoreProgramId(const WinX_TypeRow* row, const char* backup, const char* program_id,
                             const char* program_path) {
    bool ours = StillOurs(row, program_id, program_path);
    if (ours) {
        DWORD existed = 0;
        WinX_RegValue value = {0, &existed, 0, sizeof existed};
        TryRead(backup, "existed", &value);
        WinX_RegDeleteTree(kRoot, program_id);
        if (existed) {
            char tree[kKeySize];
            KeyAndName(tree, backup, "tree");
            WinX_RegCopyTree(kRoot, program_id, kRoot, tree);
        }
    } else {
        RemoveOwnVerbs(row, program_id, program_path);
    }
    WinX_RegDeleteTree(kRoot, backup);
    return ours;
}

// Points the extension back at the program id it had, or removes what association added
// when it had none; anything else registered under the extension stays.
static void ReturnExtension(const char* ext_key) {
    char old[256];
    WinX_RegValue value = {0, old, 0, sizeof old};
    if (!TryRead(ext_key, "backup", &value)) return;
    DeleteValue(ext_key, "backup");
    if (value.size == 0 || old[0] == '\0') {
        DeleteValue(ext_key, "");
        if (IsEmptyKey(ext_key)) WinX_RegDelete(kRoot, ext_key, true);
        return;
    }
    PutValue(ext_key, nullptr, value.type, old, value.size);
}

static void UnassociateRow(const WinX_TypeRow* row, const char* program_path) {
    char program_id[256];
    ProgramIdOf(row, program_id, sizeof program_id);
    if (IsSharedClass(row->extension)) {
        RestoreInside(row, program_id);
        return;
    }
    char ext_key[64];
    snprintf(ext_key, sizeof ext_key, ".%s", row->extension);
    char current[256];
    ReadDefaultText(ext_key, current, sizeof current);
    // Pointed elsewhere since (the user chose another program), or never ours: left alone.
    if (strcmp(current, program_id) != 0 || !ValueExists(ext_key, "backup")) return;
    char backup[kKeySize];
    KeyAndName(backup, ext_key, "progid_backup");
    if (KeyExists(backup)) {
        if (!RestoreProgramId(row, backup, program_id, program_path)) {
            // The extension points to the other program's registration now.
            DeleteValue(ext_key, "backup");
            return;
        }
    } else {
        RestoreInside(row, program_id);
    }
    ReturnExtension(ext_key);
}

void WinX_Unassociate(const WinX_TypeSet* set, const char* program_path, const bool* selection) {
    for (int i = 0; !IsEnd(set->rows[i].extension); i++) {
        if (selection == nullptr || !selection[i]) UnassociateRow(&set->rows[i], program_path);
    }
}

// ---- Icon ------------------------------------------------------------------------------

// Whether the program id carries this program's verbs for the extension, in any row of it.
static bool CarriesOwnVerbFor(const WinX_TypeSet* set, const char* extension,
                              const char* program_id, const char* program_path) {
    const WinX_TypeRow* rows = set->rows;
    for (int i = 0; !IsEnd(rows[i].extension); i++) {
        if (strcasecmp(rows[i].extension, extension) == 0 &&
            CarriesOwnVerb(&rows[i], program_id, program_path))
            return true;
    }
    return false;
}

void WinX_SetTypeIcon(const WinX_TypeSet* set, const char* extension, const char* icon_file,
                      int index, const char* program_path) {
    char ext_key[64];
    snprintf(ext_key, sizeof ext_key, ".%s", extension);
    char program_id[256];
    {
        Own_Key key;
        LONG rc = RegOpenKeyExA(kRoot, ext_key, 0, KEY_READ, key.Out());
        if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
        DWORD size = sizeof program_id - 1;
        rc = RegQueryValueExA(key.Get(), nullptr, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(program_id), &size);
        if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
        program_id[size] = '\0';
        if (program_id[0] == '\0') WINX_API_ERROR(ERROR_FILE_NOT_FOUND);
    }
    // Another program's class keeps its own icon.
    if (!CarriesOwnVerbFor(set, extension, program_id, program_path)) return;
    char icon_key[kKeySize];
    KeyAndName(icon_key, program_id, "DefaultIcon");
    char text[StrX_PathSize + 16];
    snprintf(text, sizeof text, "%s,%d", icon_file, index);
    PutText(icon_key, nullptr, text);
}
