#pragma once
// The contents of an archive in memory read through libarchive, entry by entry in the order
// the archive stores them. Our own readers parse the headers (names, times, attributes and
// what listings show); the cursor decodes the bytes. Entries asked for in order are decoded
// in one pass, so a solid block is decoded once; asking for an earlier entry starts over.
#include <memory>
#include <string>
#include <vector>

#include "../engine/util.h"

struct archive;

namespace arc {

class ArchiveCursor {
public:
    enum class Kind { SevenZip, Cab, Zip, Rar, Lha };
    ArchiveCursor(const SharedBytes* bytes, Kind kind) : bytes_(bytes), kind_(kind) {}
    // The files of a volume set, first volume first (RAR).
    ArchiveCursor(std::vector<std::string> paths, Kind kind)
        : bytes_(nullptr), paths_(std::move(paths)), kind_(kind) {}
    ~ArchiveCursor();
    ArchiveCursor(const ArchiveCursor&) = delete;
    ArchiveCursor& operator=(const ArchiveCursor&) = delete;

    // The content of the archive's `index`-th entry (counting folders). kErrFileCrc when it
    // decodes whole but fails its check, kErrBrokenData when libarchive cannot decode it or
    // the archive ends before it.
    int Read(size_t index, Bytes* out);

private:
    bool Reopen();
    const SharedBytes* bytes_;
    std::vector<std::string> paths_;
    Kind kind_;
    archive* handle_ = nullptr;
    size_t next_ = 0;  // the index of the entry whose header comes next
};

// A cursor kept with the archive it reads (in Archive::reader, made when the archive is
// parsed), with where each entry starts in the bytes, in the order libarchive reads them: an
// entry is found by its Entry::header_offset, whatever entries a caller has dropped from its
// copy of the list. Read goes through a cursor of its own when the bytes were copied since.
struct KeptCursor {
    KeptCursor(const SharedBytes* bytes, ArchiveCursor::Kind kind, std::vector<size_t> starts);
    static int Read(void* kept, const SharedBytes& bytes, size_t header_offset, Bytes* out);
    const SharedBytes* bytes;
    ArchiveCursor::Kind kind;
    std::vector<size_t> starts;  // ascending
    ArchiveCursor cursor;
};

}  // namespace arc
