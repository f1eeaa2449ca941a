#include "registry_env.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "archiver/associations.h"
#include "test_folders.h"

namespace testing_support {

TestKey::TestKey(const std::string& name) : path_("Software\\QuarvelTest\\" + name) {
    DeleteKeyTree(HKEY_CURRENT_USER, path_);
}

TestKey::~TestKey() {
    DeleteKeyTree(HKEY_CURRENT_USER, path_);
}

static void Put(HKEY root, const std::string& key, const char* name, DWORD type, const void* data,
                DWORD size) {
    HKEY k;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
}

void PutString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    Put(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void PutBinary(HKEY root, const std::string& key, const char* name, const std::string& bytes) {
    Put(root, key, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void PutDword(HKEY root, const std::string& key, const char* name, DWORD value) {
    Put(root, key, name, REG_DWORD, &value, sizeof value);
}

std::string GetValue(HKEY root, const std::string& key, const char* name, DWORD* type) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<missing>";
    std::vector<char> data(70000);
    DWORD size = static_cast<DWORD>(data.size());
    DWORD t = 0;
    LONG rc = RegQueryValueExA(k, name, nullptr, &t, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return "<missing>";
    if (type != nullptr) *type = t;
    std::string value(data.data(), size);
    if (t == REG_SZ && !value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

void DeleteKeyTree(HKEY root, const std::string& key) {
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
}

ScopedValue::ScopedValue(HKEY root, const std::string& key, const char* name,
                         const std::string& value)
    : root_(root), key_(key), name_(name != nullptr ? name : ""), type_(REG_SZ) {
    old_ = GetValue(root, key, name, &type_);
    had_value_ = old_ != "<missing>";
    PutString(root, key, name, value);
}

ScopedValue::~ScopedValue() {
    const char* name = name_.empty() ? nullptr : name_.c_str();
    if (had_value_) {
        std::string data = old_;
        if (type_ == REG_SZ || type_ == REG_EXPAND_SZ) data.push_back('\0');
        Put(root_, key_, name, type_, data.data(), static_cast<DWORD>(data.size()));
        return;
    }
    HKEY k;
    if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_WRITE, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, name);
        RegCloseKey(k);
    }
}

ScopedClass::ScopedClass(const std::string& key, bool keep)
    : key_(key), backup_("Software\\QuarvelTest\\ClassBackup\\" + key) {
    std::replace(backup_.begin(), backup_.end(), '*', '_');
    if (KeyExists(HKEY_CURRENT_USER, backup_)) {
        // A run that ended early left its backup: that is the class as it was.
        existed_ = true;
        Restore();
    }
    existed_ = KeyExists(HKEY_CLASSES_ROOT, key_);
    if (existed_) {
        HKEY dest;
        RegCreateKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &dest, nullptr);
        SHCopyKeyA(HKEY_CLASSES_ROOT, key_.c_str(), dest, 0);
        RegCloseKey(dest);
    }
    if (!keep) DeleteKeyTree(HKEY_CLASSES_ROOT, key_);
}

ScopedClass::~ScopedClass() {
    Restore();
}

void ScopedClass::Restore() {
    DeleteKeyTree(HKEY_CLASSES_ROOT, key_);
    if (existed_) {
        HKEY dest;
        RegCreateKeyExA(HKEY_CLASSES_ROOT, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &dest, nullptr);
        SHCopyKeyA(HKEY_CURRENT_USER, backup_.c_str(), dest, 0);
        RegCloseKey(dest);
    }
    DeleteKeyTree(HKEY_CURRENT_USER, backup_);
}

ScopedArchiveClasses::ScopedArchiveClasses(bool keep, std::initializer_list<const char*> others) {
    const WinX_TypeRow* rows = Zent_AssociationSet()->rows;
    for (int r = 0; r < Zent_ArchiveRowCount(); r++) {
        const char* ext = rows[r].extension;
        if (r > 0 && strcmp(ext, rows[r - 1].extension) == 0) continue;  // zip's second row
        guards_.emplace_back(new ScopedClass(std::string(".") + ext, keep));
        guards_.emplace_back(new ScopedClass(std::string(ext) + "file", keep));
    }
    for (const char* other : others) guards_.emplace_back(new ScopedClass(other, keep));
    guards_.emplace_back(new ScopedClass("folder", true));
    guards_.emplace_back(new ScopedClass("*", true));
}

// Saved and restored through the wide calls: Wine's GetEnvironmentVariableA cuts values
// with double-byte characters short.
static std::wstring Wide(const char* text) {
    WCHAR wide[32768];
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 32768);
    return wide;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(Wide(name)) {
    static WCHAR buffer[32768];
    DWORD n = GetEnvironmentVariableW(name_.c_str(), buffer, 32768);
    had_ = n > 0 && n < 32768;
    if (had_) old_ = buffer;
    SetEnvironmentVariableW(name_.c_str(), value != nullptr ? Wide(value).c_str() : nullptr);
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr);
}

std::string WaitForLog(const std::string& log, int lines, int timeout_ms) {
    // The recorder is started without a handle we could wait on (WinExec, ShellExecute), so
    // the log it writes is the event we wait for.
    DWORD start = GetTickCount();
    for (;;) {
        std::string text = testing_support::ReadFile(log);
        int count = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        if (count >= lines || GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return text;
        Sleep(20);
    }
}

}  // namespace testing_support
