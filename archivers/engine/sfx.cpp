#include "sfx.h"

#include <windows.h>

#include <cstring>

#include "model.h"
#include "util.h"

namespace arc {

const char kSfxStubName[] = "lhasfx.exe";

static const char kMagic[8] = {'Q', 'S', 'F', 'X', 'L', 'Z', 'H', '1'};

std::string Sfx_StubBeside(const void* address) {
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCSTR>(address), &self);
    char dll_path[MAX_PATH] = "";
    GetModuleFileNameA(self, dll_path, sizeof dll_path);
    std::string stub = dll_path;
    return stub.substr(0, stub.find_last_of('\\') + 1) + kSfxStubName;
}

std::string Sfx_ExeName(const std::string& archive) {
    std::string exe = archive;
    size_t dot = exe.find_last_of('.'), slash = exe.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) exe.resize(dot);
    return exe + ".exe";
}

int Sfx_Wrap(const std::string& stub_path, std::vector<uint8_t>* image) {
    std::vector<uint8_t> out;
    if (!ReadWholeFile(stub_path, out)) return kErrNotSupported;
    uint32_t stub_size = uint32_t(out.size());
    out.insert(out.end(), image->begin(), image->end());
    out.insert(out.end(), kMagic, kMagic + 8);
    Put32(out, stub_size);
    Put32(out, uint32_t(image->size()));
    image->swap(out);
    return kOk;
}

int Sfx_Write(const std::string& stub_path, const std::string& archive_path,
              const std::string& exe_path) {
    std::vector<uint8_t> image;
    if (!FileExists(stub_path)) return kErrNotSupported;
    if (!ReadWholeFile(archive_path, image)) return kErrArchiveNotFound;
    int r = Sfx_Wrap(stub_path, &image);
    if (r) return r;
    return WriteWholeFile(exe_path, image.data(), image.size()) ? kOk : kErrCannotCreate;
}

bool Sfx_Find(const std::vector<uint8_t>& exe, size_t* start, size_t* end) {
    if (exe.size() < 16) return false;
    const uint8_t* t = exe.data() + exe.size() - 16;
    if (std::memcmp(t, kMagic, 8) != 0) return false;
    size_t s = Get32(t + 8), n = Get32(t + 12);
    if (s > exe.size() - 16 || n > exe.size() - 16 - s) return false;
    *start = s;
    *end = s + n;
    return true;
}

}  // namespace arc
