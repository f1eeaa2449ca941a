// dovetrim.exe as a user meets it: its resources, and the answer to a command line.
#include <gtest/gtest.h>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

class Module {
public:
    explicit Module(const std::string& path)
        : handle_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module() {
        if (handle_) FreeLibrary(handle_);
    }
    HMODULE get() const { return handle_; }
    std::string Resource(LPCSTR name, LPCSTR type) const {
        HRSRC found = FindResourceA(handle_, name, type);
        if (found == nullptr) return std::string();
        const char* data = static_cast<const char*>(LockResource(LoadResource(handle_, found)));
        return std::string(data, SizeofResource(handle_, found));
    }

private:
    HMODULE handle_;
};

std::string VersionString(const std::string& exe, const char* key) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    std::string block(size, '\0');
    if (size == 0 || !GetFileVersionInfoA(exe.c_str(), 0, size, &block[0])) return "";
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\041103A4\\") + key;
    if (!VerQueryValueA(&block[0], path.c_str(), reinterpret_cast<void**>(&value), &length))
        return "";
    return std::string(value);
}

}  // namespace

TEST(Program, CarriesItsIconVersionAndManifest) {
    std::string exe = BinPath("dovetrim.exe");
    Module module(exe);
    ASSERT_NE(module.get(), nullptr);
    EXPECT_FALSE(module.Resource(MAKEINTRESOURCEA(128), RT_GROUP_ICON).empty());
    std::string manifest = module.Resource(MAKEINTRESOURCEA(1), RT_MANIFEST);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
    EXPECT_EQ(VersionString(exe, "ProductName"), "Quarvel SV");
    EXPECT_EQ(VersionString(exe, "FileVersion"), "1.10");
}

// Compared as bytes: a message must reach the window in CP932 exactly.
TEST(Program, MessagesArriveInCp932) {
    TempDir dir;
    std::string archive = dir.Path() + "\\a.lzh";
    WriteFile(archive, "archive");
    ChildProcess child =
        StartProgram(BinPath("dovetrim.exe"), "-c \"" + archive + "\"", {}, dir.Path());
    auto box = gui::WaitForMessageBox("Quarvel SV", child.Pid());
    ASSERT_NE(box.hwnd, nullptr);
    const char expected[] =
        "\x88\xB3\x8F\x6B\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x81\x41\x82\xB3\x82\xE7"
        "\x82\xC9\x88\xB3\x8F\x6B\x82\xB7\x82\xE9\x82\xB1\x82\xC6\x82\xCD\x82\xC5\x82\xAB"
        "\x82\xDC\x82\xB9\x82\xF1\x81\x42";
    EXPECT_EQ(box.text, std::string(expected));
    gui::Answer(box, IDOK);
    EXPECT_EQ(child.Wait(), 0);
}
