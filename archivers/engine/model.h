#pragma once
// The archive model shared by every stand-in DLL: an archive is mapped or read whole into
// memory, parsed into entries, and each entry's content is decoded on demand by its format.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace arc {

// Result codes of the common DLL family. The program tells 0x8020 and 0x8029 apart; the rest
// are only shown to the user, so they only need to be distinct and stable.
enum Result : int {
    kOk = 0,
    kErrFileCrc = 0x800C,
    kErrCommand = 0x8012,
    kErrCannotCreate = 0x8013,
    kErrCannotRead = 0x8014,
    kErrHeaderCrc = 0x8016,
    kErrBrokenData = 0x8017,
    kErrNotArchive = 0x8019,
    kErrUserCancel = 0x8020,
    kErrNotSupported = 0x8023,
    kErrNoFiles = 0x8025,
    kErrArchiveNotFound = 0x8029,
};

using Bytes = std::vector<uint8_t>;

// Read-only bytes that copies share: a file mapped into memory, or a buffer handed over.
// The mapping or the buffer goes with the last copy.
class SharedBytes {
public:
    SharedBytes() = default;
    // Takes a buffer over (a decoded stream, an archive cut out of a program), or copies
    // one that its owner still needs, as giving a reader a buffer always did.
    SharedBytes(Bytes buffer) {  // NOLINT: implicit, so a reader can be given a buffer
        auto held = std::make_shared<const Bytes>(std::move(buffer));
        data_ = held->data();
        size_ = held->size();
        holder_ = std::move(held);
    }
    SharedBytes(const uint8_t* data, size_t size, std::shared_ptr<const void> holder)
        : holder_(std::move(holder)), data_(data), size_(size) {}

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const uint8_t& operator[](size_t i) const { return data_[i]; }
    const uint8_t* begin() const { return data_; }
    const uint8_t* end() const { return data_ + size_; }

private:
    std::shared_ptr<const void> holder_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// What a command does with an archive's file: reads it only (it is mapped into memory where
// that is safe, and kept from writers while it is held), or writes it anew, which needs the
// file free, so it is read into memory whole.
enum class ArchiveUse { Read, Rewrite };

// One entry of an archive, as every reader gives it and every writer takes it.
struct Entry {
    std::string name;  // CP932 bytes as stored, '/' between components, no trailing '/'
    bool is_dir = false;
    uint64_t size = 0;
    uint64_t packed = 0;
    uint32_t crc = 0;       // the format's own check value (CRC-16 for LHA, CRC-32 otherwise)
    bool has_crc = true;    // false where the format stores none for this entry
    uint32_t mtime = 0;     // seconds since 1970, UTC
    uint16_t dos_date = 0;  // local time, MS-DOS packed
    uint16_t dos_time = 0;
    uint32_t attr = 0;   // MS-DOS attribute bits
    int os_type = 0;     // index into the listing's table of OS names
    std::string method;  // "-lh5-", "deflate", ...
    // Where the entry starts in Archive::bytes (raw copy on update); for the formats read
    // through a reader object, the entry's index in that reader.
    size_t header_offset = 0;
    size_t data_offset = 0;
    size_t data_end = 0;  // end of the packed data; also the end of the raw entry
};

struct Format;

struct Archive {
    std::string path;
    SharedBytes bytes;  // the file, or what a compressed TAR-family file decodes to
    std::vector<Entry> entries;
    const Format* format = nullptr;
    uint64_t file_size = 0;  // size of the archive file itself
    std::string kind;        // what the TAR family found: "tar", "tar.gz", "gzip", "deb"...
    // What the format's parse kept for decoding (a parsed reader, with its cached blocks).
    std::shared_ptr<void> reader;
};

// One readable format. `parse` fills the entries from `bytes`; `decode` yields an entry's
// content, checked against its CRC.
struct Format {
    const char* name;
    bool (*sniff)(const Archive& archive);
    int (*parse)(Archive& archive);
    int (*decode)(const Archive& archive, const Entry& entry, std::vector<uint8_t>& out);
};

// An entry that a writer stores (name, is_dir, size, mtime, attr of `entry`) and where its
// content comes from: the file `disk_path`, the same entry of the archive `from` (kept as it
// was; LHA copies it raw), or `data`.
struct Item {
    Entry entry;
    std::string disk_path;  // as Win32 accepts it (relative to the current folder or absolute)
    const Archive* from = nullptr;
    Bytes data;
    // Instead of `from`: an entry of a 7z archive that fills its block alone, copied as it was
    // packed there (its content is never loaded; only a writer of blocks of one file uses it).
    const uint8_t* packed_stream = nullptr;
    uint64_t packed_size = 0;
    Bytes packed_props;
};

}  // namespace arc
