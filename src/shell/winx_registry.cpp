// Registry access: every operation opens what it needs and closes it before it returns.
// Not-found conditions have ids of their own (992, 994) because callers catch exactly
// those and carry on; every other failure is an API error naming the failing step.

#include "winx_registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lib/except3.h"
#include "lib/stdplus.h"
#include "winx_local.h"

enum { kSplitLimit = 512 };

// A key-and-value text cut at its last backslash.
struct SplitText {
    char key[kSplitLimit];
    const char* name;  // points into key's buffer, after the cut
};

static void Split(const char* text, SplitText* out) {
    if (strlen(text) >= kSplitLimit)
        ERRORS_RAISE(WinX_Err_TooLongPath, "レジストリのパスが長すぎます（%s）", text);
    strcpy(out->key, text);
    char* cut = (StdPlus_FindLastChar(out->key, '\\'));
    if (cut == nullptr) {
        // A bare name is a value directly below the root key.
        memmove(out->key + 1, out->key, strlen(out->key) + 1);
        out->key[0] = '\0';
        out->name = out->key + 1;
        return;
    }
    *cut = '\0';
    out->name = cut + 1;
}

[[noreturn]] static void RaiseNoData(const char* text, const char* name) {
    if (name == nullptr)
        ERRORS_RAISE(WinX_Err_NoRegData, "レジストリのキー「%s」のデータ（標準）が見つかりません。",
                     text);
    ERRORS_RAISE(WinX_Err_NoRegData, "レジストリのキー「%s」のデータ「%s」が見つかりません。", text,
                 name);
    abort();  // not reached: a raise always throws to a try block or ends the process
}

// Reads one value (name null: the default value); text is what the messages name.
static void ReadValueAt(HKEY root, const char* key_path, const char* name, const char* text,
                        WinX_RegValue* value) {
    Own_Key key;
    LONG rc = RegOpenKeyExA(root, key_path, 0, KEY_READ, key.Out());
    if (rc == ERROR_FILE_NOT_FOUND)
        ERRORS_RAISE(WinX_Err_NoRegKey, "レジストリのキー「%s」が見つかりません。", text);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    DWORD type = 0;
    DWORD size = value->capacity;
    rc = RegQueryValueExA(key.Get(), name, nullptr, &type, static_cast<BYTE*>(value->data), &size);
    if (rc != ERROR_SUCCESS) {
        key.Close();
        // A buffer too small counts as not found: callers treat both as "nothing usable".
        if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_MORE_DATA) RaiseNoData(text, name);
        WINX_API_ERROR(rc);
    }
    value->type = type;
    value->size = size;
    rc = key.Close();
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
}

static void CreateKeyAt(HKEY root, const char* key_path, Own_Key* key) {
    LONG rc = RegCreateKeyExA(root, key_path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, key->Out(), nullptr);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
}

static void WriteValueAt(HKEY root, const char* key_path, const char* name,
                         const WinX_RegValue* value) {
    Own_Key key;
    CreateKeyAt(root, key_path, &key);
    LONG rc = RegSetValueExA(key.Get(), name, 0, value->type, static_cast<const BYTE*>(value->data),
                             value->size);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    rc = key.Close();
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
}

void WinX_RegRead(HKEY root, const char* text, bool is_default, WinX_RegValue* value) {
    if (is_default) {
        ReadValueAt(root, text, nullptr, text, value);
        return;
    }
    SplitText split;
    Split(text, &split);
    ReadValueAt(root, split.key, split.name, text, value);
}

void WinX_RegWrite(HKEY root, const char* text, bool is_default, const WinX_RegValue* value) {
    if (is_default) {
        WriteValueAt(root, text, nullptr, value);
        return;
    }
    SplitText split;
    Split(text, &split);
    WriteValueAt(root, split.key, split.name, value);
}

// Deletes a subkey or a value of an open key path; missing is no error.
static void DeleteBelow(HKEY root, const char* parent, const char* name, bool is_key) {
    Own_Key key;
    LONG rc = RegOpenKeyExA(root, parent, 0, KEY_WRITE, key.Out());
    if (rc == ERROR_FILE_NOT_FOUND) return;
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    rc = is_key ? RegDeleteKeyA(key.Get(), name) : RegDeleteValueA(key.Get(), name);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) WINX_API_ERROR(rc);
}

void WinX_RegDelete(HKEY root, const char* text, bool is_key) {
    if (is_key && StdPlus_FindLastChar(text, '\\') == nullptr) {
        LONG rc = RegDeleteKeyA(root, text);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) WINX_API_ERROR(rc);
        return;
    }
    SplitText split;
    Split(text, &split);
    DeleteBelow(root, split.key, split.name, is_key);
}

void WinX_RegDeleteIfLeaf(HKEY root, const char* key_path) {
    {
        Own_Key key;
        LONG rc = RegOpenKeyExA(root, key_path, 0, KEY_ALL_ACCESS, key.Out());
        if (rc == ERROR_FILE_NOT_FOUND) return;
        if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
        char first[256];
        DWORD length = sizeof first;
        rc = RegEnumKeyExA(key.Get(), 0, first, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) return;  // has a subkey: stays
    }
    if (StdPlus_FindLastChar(key_path, '\\') == nullptr) {
        LONG rc = RegDeleteKeyA(root, key_path);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) WINX_API_ERROR(rc);
        return;
    }
    SplitText split;
    Split(key_path, &split);
    Own_Key parent;
    LONG rc = RegOpenKeyExA(root, split.key, 0, KEY_ALL_ACCESS, parent.Out());
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    rc = RegDeleteKeyA(parent.Get(), split.name);
    if (rc != ERROR_SUCCESS)
        ERRORS_RAISE(WinX_Err_AccessDenied, "%s(%s,%s) を削除できません(%d)", split.name, split.key,
                     "", static_cast<int>(rc));
}

bool WinX_RegExists(HKEY root, const char* text, bool as_key, bool key_or_value) {
    if (as_key || key_or_value) {
        Own_Key key;
        if (RegOpenKeyExA(root, text, 0, KEY_QUERY_VALUE, key.Out()) == ERROR_SUCCESS) return true;
        if (as_key && !key_or_value) return false;
    }
    if (strlen(text) >= kSplitLimit) return false;
    SplitText split;
    Split(text, &split);
    Own_Key key;
    if (RegOpenKeyExA(root, split.key, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(key.Get(), split.name, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

static void ReadTyped(HKEY root, const char* key_path, const char* name, void* buffer,
                      DWORD capacity, DWORD wanted_type) {
    Own_Key key;
    LONG rc = RegOpenKeyExA(root, key_path, 0, KEY_READ, key.Out());
    if (rc == ERROR_FILE_NOT_FOUND)
        ERRORS_RAISE(WinX_Err_NoRegKey, "レジストリのキー「%s」が見つかりません。", key_path);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    DWORD type = 0;
    DWORD size = capacity;
    rc = RegQueryValueExA(key.Get(), name, nullptr, &type, static_cast<BYTE*>(buffer), &size);
    if (rc == ERROR_FILE_NOT_FOUND) {
        key.Close();
        RaiseNoData(key_path, name);
    }
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    if (type != wanted_type)
        ERRORS_RAISE(WinX_Err_DifferentType,
                     "レジストリのキー「%s」のデータ「%s」のタイプが異なります。", key_path,
                     name != nullptr ? name : "（標準）");
    if (type == REG_SZ) {
        // A string stored without its NUL may fill the buffer exactly.
        char* text = static_cast<char*>(buffer);
        text[size < capacity ? size : capacity - 1] = '\0';
    }
    rc = key.Close();
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
}

char* WinX_RegReadString(HKEY root, const char* key, const char* value_name, char* buffer,
                         DWORD capacity) {
    ReadTyped(root, key, value_name, buffer, capacity, REG_SZ);
    return buffer;
}

void* WinX_RegReadBinary(HKEY root, const char* key, const char* value_name, void* buffer,
                         DWORD capacity) {
    ReadTyped(root, key, value_name, buffer, capacity, REG_BINARY);
    return buffer;
}

// ---- Walker --------------------------------------------------------------------------

struct WinX_RegWalkLevel {
    int first;  // the level's items in the pool: named values first, then subkeys
    int end;
    int pos;         // the next item; a subkey stays current while its level is open
    char key[1024];  // relative path of the level's key ("" for the start key)
};

static void JoinPath(char* out, size_t size, const char* a, const char* b) {
    if (a[0] == '\0') {
        snprintf(out, size, "%s", b);
    } else if (b[0] == '\0') {
        snprintf(out, size, "%s", a);
    } else {
        snprintf(out, size, "%s\\%s", a, b);
    }
}

static void AddToPool(WinX_RegWalk* walk, const char* name, bool is_key) {
    if (walk->pool_used >= WinX_RegWalk_PoolNames)
        ERRORS_RAISE(ArrX_Err_Full, "レジストリ %s の項目が多すぎます", walk->start);
    StdPlus_CopyN(walk->pool[walk->pool_used], name, WinX_RegWalk_NameSize);
    walk->pool_is_key[walk->pool_used] = is_key;
    walk->pool_used++;
}

[[noreturn]] static void RaiseLongName(const WinX_RegWalk* walk, const char* key) {
    ERRORS_RAISE(WinX_Err_TooLongPath, "レジストリのパスが長すぎます（%s\\%s）", walk->start, key);
    abort();
}

// Lists the key's named values and subkeys into the pool as a new level.
static void PushLevel(WinX_RegWalk* walk, const char* relative_key) {
    if (walk->depth >= WinX_RegWalk_Depth)
        ERRORS_RAISE(ArrX_Err_Full, "レジストリ %s\\%s の階層が深すぎます", walk->start,
                     relative_key);
    char full[1536];
    JoinPath(full, sizeof full, walk->start, relative_key);
    Own_Key key;
    if (RegOpenKeyExA(walk->root, full, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        ERRORS_RAISE(WinX_Err_CannotAddNest, "レジストリ %s がありません", full);

    WinX_RegWalkLevel* level = &walk->levels[walk->depth];
    level->first = walk->pool_used;
    StdPlus_CopyN(level->key, relative_key, sizeof level->key);
    char name[WinX_RegWalk_NameSize];
    for (DWORD i = 0;; i++) {
        DWORD length = sizeof name;
        LONG rc = RegEnumValueA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA) RaiseLongName(walk, relative_key);
        if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
        if (name[0] != '\0') AddToPool(walk, name, false);  // the default value is the key's
    }
    for (DWORD i = 0;; i++) {
        DWORD length = sizeof name;
        LONG rc = RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA) RaiseLongName(walk, relative_key);
        if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
        AddToPool(walk, name, true);
    }
    level->end = walk->pool_used;
    level->pos = level->first;
    walk->depth++;
}

void WinX_RegWalk_Start(WinX_RegWalk* walk, HKEY root, const char* key, bool visit_keys) {
    memset(walk, 0, sizeof *walk);
    walk->root = root;
    walk->visit_keys = visit_keys;
    if (strlen(key) >= sizeof walk->start)
        ERRORS_RAISE(WinX_Err_TooLongPath, "レジストリのパスが長すぎます（%s）", key);
    strcpy(walk->start, key);
    // A failed allocation raises; the caller's finally section ends the walk.
    walk->pool = static_cast<char(*)[WinX_RegWalk_NameSize]>(
        StdPlus_Malloc(WinX_RegWalk_PoolNames * WinX_RegWalk_NameSize));
    walk->pool_is_key = static_cast<bool*>(StdPlus_Malloc(WinX_RegWalk_PoolNames * sizeof(bool)));
    walk->levels = static_cast<WinX_RegWalkLevel*>(
        StdPlus_Malloc(WinX_RegWalk_Depth * sizeof(WinX_RegWalkLevel)));
    Except_TryCatch(
        __FILE__, __LINE__, [&] { PushLevel(walk, ""); },
        [&] {
            // A start key that cannot be opened is an empty walk.
            if (Except_Error()->code != WinX_Err_CannotAddNest) Except_Rethrow();
            walk->depth = 0;
            walk->pool_used = 0;
        });
}

static void SetItem(WinX_RegWalk* walk, const char* key, const char* name, bool is_key) {
    walk->is_key = is_key;
    StdPlus_CopyN(walk->item_key, key, sizeof walk->item_key);
    StdPlus_CopyN(walk->item_name, name, sizeof walk->item_name);
    JoinPath(walk->relative, sizeof walk->relative, key, name);
    JoinPath(walk->full, sizeof walk->full, walk->start, walk->relative);
}

bool WinX_RegWalk_Next(WinX_RegWalk* walk) {
    while (walk->depth > 0) {
        WinX_RegWalkLevel* level = &walk->levels[walk->depth - 1];
        if (level->pos < level->end) {
            const char* name = walk->pool[level->pos];
            if (!walk->pool_is_key[level->pos]) {
                SetItem(walk, level->key, name, false);
                level->pos++;
                return true;
            }
            char child[1024];
            JoinPath(child, sizeof child, level->key, name);
            PushLevel(walk, child);
            continue;
        }
        // Everything below this key is done; the key itself comes now.
        walk->pool_used = level->first;
        walk->depth--;
        if (walk->depth == 0) return false;
        WinX_RegWalkLevel* parent = &walk->levels[walk->depth - 1];
        const char* name = walk->pool[parent->pos];
        parent->pos++;
        if (walk->visit_keys) {
            SetItem(walk, parent->key, name, true);
            return true;
        }
    }
    return false;
}

const char* WinX_RegWalk_Relative(const WinX_RegWalk* walk) {
    return walk->relative;
}
const char* WinX_RegWalk_Full(const WinX_RegWalk* walk) {
    return walk->full;
}

// The key that holds the current item's data below base: the key item itself, or the
// value's key.
static void ItemDataKey(const WinX_RegWalk* walk, const char* base, char* out, size_t size) {
    char relative[1024];
    if (walk->is_key) {
        JoinPath(relative, sizeof relative, walk->item_key, walk->item_name);
    } else {
        StdPlus_CopyN(relative, walk->item_key, sizeof relative);
    }
    JoinPath(out, size, base, relative);
}

void WinX_RegWalk_Read(const WinX_RegWalk* walk, WinX_RegValue* value) {
    char key[1536];
    ItemDataKey(walk, walk->start, key, sizeof key);
    ReadValueAt(walk->root, key, walk->is_key ? nullptr : walk->item_name, walk->full, value);
}

void WinX_RegWalk_End(WinX_RegWalk* walk) {
    StdPlus_Free(walk->pool);
    StdPlus_Free(walk->pool_is_key);
    StdPlus_Free(walk->levels);
    walk->pool = nullptr;
    walk->pool_is_key = nullptr;
    walk->levels = nullptr;
    walk->depth = 0;
}

// ---- Tree operations -------------------------------------------------------------------

// The whole value, however large: a copy made as a backup must not lose a long command.
// False when the value does not exist.
static bool ReadWhole(HKEY root, const char* key_path, const char* name, DWORD* type,
                      std::vector<BYTE>* data) {
    Own_Key key;
    LONG rc = RegOpenKeyExA(root, key_path, 0, KEY_READ, key.Out());
    if (rc == ERROR_FILE_NOT_FOUND) return false;
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    for (;;) {
        DWORD size = static_cast<DWORD>(data->size());
        rc = RegQueryValueExA(key.Get(), name, nullptr, type,
                              data->empty() ? nullptr : data->data(), &size);
        if (rc == ERROR_FILE_NOT_FOUND) return false;
        if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && data->empty() && size > 0)) {
            data->resize(size + 1);
            continue;
        }
        if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
        data->resize(size);
        return true;
    }
}

static void CopyValue(HKEY dest_root, const char* dest_key, HKEY src_root, const char* src_key,
                      const char* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadWhole(src_root, src_key, name, &type, &data)) return;
    WinX_RegValue value = {type, data.data(), static_cast<DWORD>(data.size()),
                           static_cast<DWORD>(data.size())};
    WriteValueAt(dest_root, dest_key, name, &value);
}

// The key with its default value, if it has one. A key without values counts as much as any
// other: an empty "Insertable" or "shellex" branch means something to the program that
// registered it.
static void CopyKey(HKEY dest_root, const char* dest_key, HKEY src_root, const char* src_key) {
    Own_Key key;
    CreateKeyAt(dest_root, dest_key, &key);
    CopyValue(dest_root, dest_key, src_root, src_key, nullptr);
}

void WinX_RegCopyTree(HKEY dest_root, const char* dest_key, HKEY src_root, const char* src_key) {
    if (!WinX_RegExists(src_root, src_key, true, false)) return;
    CopyKey(dest_root, dest_key, src_root, src_key);
    WinX_RegWalk walk;
    Except_TryFinally(
        __FILE__, __LINE__,
        [&] {
            WinX_RegWalk_Start(&walk, src_root, src_key, true);
            while (WinX_RegWalk_Next(&walk)) {
                char source[1536];
                char dest[1536];
                ItemDataKey(&walk, src_key, source, sizeof source);
                ItemDataKey(&walk, dest_key, dest, sizeof dest);
                if (walk.is_key) {
                    CopyKey(dest_root, dest, src_root, source);
                } else {
                    CopyValue(dest_root, dest, src_root, source, walk.item_name);
                }
            }
        },
        [&] { WinX_RegWalk_End(&walk); });
}

void WinX_RegDeleteTree(HKEY root, const char* key) {
    WinX_RegWalk walk;
    Except_TryFinally(
        __FILE__, __LINE__,
        [&] {
            WinX_RegWalk_Start(&walk, root, key, true);
            while (WinX_RegWalk_Next(&walk)) {
                // Deleted through the item's parent, so a deep path needs no re-splitting.
                char parent[1536];
                JoinPath(parent, sizeof parent, key, walk.item_key);
                DeleteBelow(root, parent, walk.item_name, walk.is_key);
            }
        },
        [&] { WinX_RegWalk_End(&walk); });
    WinX_RegDelete(root, key, true);
}
