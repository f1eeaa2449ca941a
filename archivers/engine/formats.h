#pragma once
// The formats the stand-ins read and write. A new format adds its reader here and, if it can
// be written, a writer; a DLL lists the readers it accepts in its DllInfo (api.h).
#include <string>
#include <vector>

#include "model.h"

namespace arc {

extern const Format kLzhFormat;
extern const Format kZipFormat;
extern const Format kTarFormat;  // tar, tar.gz and a lone gzip member

// An entry of an LHA archive being written: either kept as it was in `from` (copied raw) or
// taken from disk.
struct LzhItem {
    const Archive* from = nullptr;
    const Entry* kept = nullptr;
    Source source;
};
// `method` is 0 (-lh0-), 5 or 7; a file that does not shrink is stored with -lh0-.
int Lzh_Write(const std::string& path, const std::vector<LzhItem>& items, int method);

// Deflate (stored when that is not smaller), level 0 stores everything.
int Zip_Write(const std::string& path, const std::vector<Source>& sources, int level);

// `gzip` compresses the tar stream; Gz_Write writes one file as a lone gzip member.
int Tar_Write(const std::string& path, const std::vector<Source>& sources, bool gzip);
int Gz_Write(const std::string& path, const Source& source);

}  // namespace arc
