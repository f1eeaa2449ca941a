#pragma once
// The formats the stand-ins read and write. A new format adds its reader here and, if it can
// be written, a writer; a DLL lists the readers it accepts in its DllInfo (api.h). The
// writers of archivers/formats build images in memory from items with their `data`.
#include <string>
#include <vector>

#include "model.h"

namespace arc {

extern const Format kLzhFormat;
extern const Format kZipFormat;
extern const Format kTarFormat;  // tar, tar.gz and a lone gzip member
// Read through the reader objects of archivers/formats (reader_format.h).
extern const Format kSevenZipFormat;
extern const Format kArjFormat;
extern const Format kCabFormat;
extern const Format kYz1Format;  // our own container (simple_container.h)
extern const Format kGcaFormat;

// Writers of files on disk (`disk_path` of each item). The LHA writer also copies items kept
// from an archive read before (`from`) as they were. `method` is 0 (-lh0-), 5 or 7; a file
// that does not shrink is stored with -lh0-.
int Lzh_Write(const std::string& path, const std::vector<Item>& items, int method);

// Deflate (stored when that is not smaller), level 0 stores everything.
int Zip_Write(const std::string& path, const std::vector<Item>& sources, int level);

// The tar stream as it is, or compressed with gzip or bzip2; Gz_Write writes one file as a
// lone gzip member.
enum class TarPacking { None, Gzip, Bzip2 };
int Tar_Write(const std::string& path, const std::vector<Item>& sources, TarPacking packing);
int Gz_Write(const std::string& path, const Item& source);

}  // namespace arc
