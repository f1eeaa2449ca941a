#pragma once
// Self-extracting archives: a stub program with the archive appended and a trailer that says
// where the archive starts. UNLHA32 ("s"), CAB32 ("-f") and 7-ZIP32 ("-sfx") take the stub
// lhasfx.exe beside themselves; YZ1 ("s") takes yzenc.exe from the system folder.
#include <cstdint>
#include <string>
#include <vector>

namespace arc {

// The stub file name, looked for beside the DLL.
extern const char kSfxStubName[];

// The stub beside the module (the calling DLL) that holds `address`.
std::string Sfx_StubBeside(const void* address);
// The program's name: the archive's, with the extension "exe".
std::string Sfx_ExeName(const std::string& archive);

// Without the stub these give 0x8023 (not supported) and write nothing.
int Sfx_Write(const std::string& stub_path, const std::string& archive_path,
              const std::string& exe_path);
// Turns an archive image into the program: stub, image, trailer.
int Sfx_Wrap(const std::string& stub_path, std::vector<uint8_t>* image);
// The archive appended to `exe` (the whole file); false when there is none.
bool Sfx_Find(const std::vector<uint8_t>& exe, size_t* start, size_t* end);

}  // namespace arc
