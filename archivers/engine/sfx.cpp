#include "sfx.h"

#include <cstring>

#include "model.h"
#include "util.h"

namespace arc {

const char kSfxStubName[] = "lhasfx.exe";

static const char kMagic[8] = {'Q', 'S', 'F', 'X', 'L', 'Z', 'H', '1'};

int Sfx_Write(const std::string& stub_path, const std::string& archive_path,
              const std::string& exe_path) {
    std::vector<uint8_t> stub, archive;
    if (!ReadWholeFile(stub_path, stub)) return kErrNotSupported;
    if (!ReadWholeFile(archive_path, archive)) return kErrArchiveNotFound;
    std::vector<uint8_t> out = stub;
    out.insert(out.end(), archive.begin(), archive.end());
    out.insert(out.end(), kMagic, kMagic + 8);
    Put32(out, uint32_t(stub.size()));
    Put32(out, uint32_t(archive.size()));
    return WriteWholeFile(exe_path, out.data(), out.size()) ? kOk : kErrCannotCreate;
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
