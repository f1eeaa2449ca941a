#pragma once
// Archives written through libarchive into memory: ZIP (each entry deflated or stored) and
// GNU tar, plain or compressed with gzip or bzip2. Names are the ANSI code page's bytes and
// are stored as those same bytes: no UTF-8 flag, no conversion, whatever the second byte of
// a double-byte character is (0x5C in "表" and "ソ" stays a character, not a separator).
#include <string>

#include "../engine/util.h"

struct archive;

namespace arc {

class ArchiveWriter {
public:
    enum class Kind { Zip, Tar, TarGzip, TarBzip2 };
    // `zip_level` is the deflate level of ZIP entries (1 to 9).
    explicit ArchiveWriter(Kind kind, int zip_level = 6);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Adds `entry` (its name, folder flag, time and read-only attribute, which become Unix
    // permissions 0755, 0444 or 0644) with its content; a ZIP entry is stored as it is when
    // `store`, else deflated. kErrCannotCreate when libarchive refuses it (a name the code
    // page does not hold, no memory).
    int Add(const Entry& entry, const Bytes& data, bool store = false);
    // Ends the archive and gives all of its bytes.
    int Finish(Bytes* out);

private:
    Kind kind_;
    archive* handle_ = nullptr;
    bool ok_ = false;
    Bytes out_;
};

}  // namespace arc
