#pragma once
// Registry and environment set-up for tests that redirect folders and file types. Every test works
// below keys of its own or puts back what it changed, so the tests do not depend on each other's
// order.
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// HKCU\Software\QuarvelTest\<name>, removed before and after the test.
class TestKey {
public:
    explicit TestKey(const std::string& name);
    ~TestKey();
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& sub) const { return path_ + "\\" + sub; }

private:
    std::string path_;
};

// Writes a value with the plain Win32 calls, so the code under test is not its own witness.
void PutString(HKEY root, const std::string& key, const char* name, const std::string& value);
void PutBinary(HKEY root, const std::string& key, const char* name, const std::string& bytes);
void PutDword(HKEY root, const std::string& key, const char* name, DWORD value);
// The value as stored, or "<missing>".
std::string GetValue(HKEY root, const std::string& key, const char* name, DWORD* type = nullptr);
bool KeyExists(HKEY root, const std::string& key);
void DeleteKeyTree(HKEY root, const std::string& key);

// Sets one registry value for the lifetime of the object and restores the old state.
class ScopedValue {
public:
    ScopedValue(HKEY root, const std::string& key, const char* name, const std::string& value);
    ~ScopedValue();

private:
    HKEY root_;
    std::string key_;
    std::string name_;
    bool had_value_;
    DWORD type_;
    std::string old_;
};

// A whole HKCR class tree put aside for the test and put back afterwards. With keep, the
// test starts from the class as it is (a shared class such as "*"); else without it.
class ScopedClass {
public:
    explicit ScopedClass(const std::string& key, bool keep = false);
    ~ScopedClass();

private:
    void Restore();
    std::string key_;
    std::string backup_;
    bool existed_;
};

// Every class the association sets touch (each archive extension and its program id), and
// `others`, put aside for the test and put back afterwards; with keep the test starts from
// them as they are. The shared classes "folder" and "*" are always kept and put back.
class ScopedArchiveClasses {
public:
    explicit ScopedArchiveClasses(bool keep, std::initializer_list<const char*> others = {});

private:
    std::vector<std::unique_ptr<ScopedClass>> guards_;
};

// Sets (or with null removes) an environment variable of this process for the test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();

private:
    std::wstring name_;
    bool had_;
    std::wstring old_;
};

// Waits until the recorder's log holds at least `lines` lines; returns the log's text.
std::string WaitForLog(const std::string& log, int lines, int timeout_ms = 20000);

}  // namespace testing_support
