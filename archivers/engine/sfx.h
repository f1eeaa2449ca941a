#pragma once
// Self-extracting LHA archives: the stub program with the archive appended and a trailer
// that says where the archive starts.
#include <cstdint>
#include <string>
#include <vector>

namespace arc {

// The stub file name, looked for beside UNLHA32.DLL.
extern const char kSfxStubName[];

int Sfx_Write(const std::string& stub_path, const std::string& archive_path,
              const std::string& exe_path);
// The archive appended to `exe` (the whole file); false when there is none.
bool Sfx_Find(const std::vector<uint8_t>& exe, size_t* start, size_t* end);

}  // namespace arc
