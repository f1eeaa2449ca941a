#pragma once
// The registry. Every failure is raised (lib/errors.h); nothing is returned as a code.
#include <windows.h>

// Most operations take one text that names a key and a value together: the part after
// the last backslash is the value name. With is_default set the whole text is the key
// and its unnamed default value is meant. A text to split must be shorter than 512.

struct WinX_RegValue {
    DWORD type;      // REG_SZ, REG_BINARY, REG_DWORD...: set by a read, used by a write
    void* data;      // the caller's buffer
    DWORD size;      // bytes of data: set by a read, used by a write
    DWORD capacity;  // the buffer's size, used by a read
};

void WinX_RegRead(HKEY root, const char* text, bool is_default, WinX_RegValue* value);
// Creates the key and every key above it when needed.
void WinX_RegWrite(HKEY root, const char* text, bool is_default, const WinX_RegValue* value);
// Deletes a key (is_key) or a value; what does not exist is no error.
void WinX_RegDelete(HKEY root, const char* text, bool is_key);
// Deletes the key only when it has no subkeys; a missing key is no error.
void WinX_RegDeleteIfLeaf(HKEY root, const char* key);
// Never raises. as_key alone: is there such a key. as_key and key_or_value: a key of that
// name, or else a value (split form). Neither: is there such a value (split form).
bool WinX_RegExists(HKEY root, const char* text, bool as_key, bool key_or_value);
// Typed reads; value_name null means the default value. A value of another type raises
// WinX_Err_DifferentType, one larger than the buffer an API error.
char* WinX_RegReadString(HKEY root, const char* key, const char* value_name, char* buffer,
                         DWORD capacity);
void* WinX_RegReadBinary(HKEY root, const char* key, const char* value_name, void* buffer,
                         DWORD capacity);
// Copies every value of the source key and below it, default values included, to the same
// relative place below the destination key.
void WinX_RegCopyTree(HKEY dest_root, const char* dest_key, HKEY src_root, const char* src_key);
void WinX_RegDeleteTree(HKEY root, const char* key);

// Depth-first walk below a start key. The named values of a key come before its subkeys;
// with visit_keys every subkey is visited after everything below it. A key's default value
// is no item of its own. The walk holds no registry handle between steps.
enum { WinX_RegWalk_PoolNames = 8192, WinX_RegWalk_NameSize = 251, WinX_RegWalk_Depth = 51 };
struct WinX_RegWalkLevel;
struct WinX_RegWalk {
    HKEY root;
    char start[512];
    bool visit_keys;
    bool is_key;  // the current item is a key (else a value)
    char (*pool)[WinX_RegWalk_NameSize];
    bool* pool_is_key;
    int pool_used;
    WinX_RegWalkLevel* levels;
    int depth;
    char relative[1024];
    char full[1536];
    char item_key[1024];                    // relative path of the key that holds the current item
    char item_name[WinX_RegWalk_NameSize];  // the current item's own name
};
void WinX_RegWalk_Start(WinX_RegWalk* walk, HKEY root, const char* key, bool visit_keys);
bool WinX_RegWalk_Next(WinX_RegWalk* walk);  // false when the walk is done
const char* WinX_RegWalk_Relative(const WinX_RegWalk* walk);
const char* WinX_RegWalk_Full(const WinX_RegWalk* walk);
// A key item reads its default value, a value item that value.
void WinX_RegWalk_Read(const WinX_RegWalk* walk, WinX_RegValue* value);
void WinX_RegWalk_End(WinX_RegWalk* walk);
