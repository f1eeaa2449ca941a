#pragma once
// The contents of an archive in memory read through libarchive, entry by entry in the order
// the archive stores them. Our own readers parse the headers (names, times, attributes and
// what listings show); the cursor decodes the bytes. Entries asked for in order are decoded
// in one pass, so a solid block is decoded once; asking for an earlier entry starts over.
#include <memory>

#include "../engine/util.h"

struct archive;

namespace arc {

class ArchiveCursor {
public:
    enum class Kind { SevenZip, Cab, Zip, Rar };
    ArchiveCursor(const Bytes* bytes, Kind kind) : bytes_(bytes), kind_(kind) {}
    ~ArchiveCursor();
    ArchiveCursor(const ArchiveCursor&) = delete;
    ArchiveCursor& operator=(const ArchiveCursor&) = delete;

    // The content of the archive's `index`-th entry (counting folders). kErrFileCrc when it
    // decodes whole but fails its check, kErrBrokenData when libarchive cannot decode it or
    // the archive ends before it.
    int Read(size_t index, Bytes* out);

private:
    bool Reopen();
    const Bytes* bytes_;
    Kind kind_;
    archive* handle_ = nullptr;
    size_t next_ = 0;  // the index of the entry whose header comes next
};

}  // namespace arc
