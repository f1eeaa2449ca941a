#include "rar_reader.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace arc {
namespace {

const uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
const uint8_t kMarker5[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
const uint8_t kMainHead = 0x73, kFileHead = 0x74, kEndArc = 0x7B;
const uint32_t kLongBlock = 0x8000, kSplitBefore = 0x01, kSplitAfter = 0x02, kLarge = 0x100;
const uint32_t kDirectoryMask = 0xE0;

uint32_t Le(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// RAR 5 blocks: numbers are variable-length (7 bits a byte, low first), 32- and 64-bit
// fields little-endian. Each reading is false when it runs past the end of the block.
class Rar5Fields {
public:
    Rar5Fields(const Bytes& b, size_t at, size_t end) : b_(b), at_(at), end_(end) {}
    bool Number(uint64_t* v) {
        *v = 0;
        for (int shift = 0; shift < 64 && at_ < end_; shift += 7) {
            uint8_t c = b_[at_++];
            *v |= uint64_t(c & 0x7F) << shift;
            if (!(c & 0x80)) return true;
        }
        return false;
    }
    bool Fixed(int n, uint64_t* v) {
        if (end_ - at_ < size_t(n)) return false;
        *v = 0;
        for (int i = n - 1; i >= 0; --i) *v = (*v << 8) | b_[at_ + size_t(i)];
        at_ += size_t(n);
        return true;
    }
    bool Text(uint64_t n, std::string* text) {
        if (end_ - at_ < n) return false;
        text->assign(reinterpret_cast<const char*>(&b_[at_]), size_t(n));
        at_ += size_t(n);
        return true;
    }
    size_t at() const { return at_; }
    void Seek(size_t at) { at_ = at; }

private:
    const Bytes& b_;
    size_t at_, end_;
};

const uint64_t kMainHead5 = 1, kFileHead5 = 2, kCryptHead5 = 4, kEndArc5 = 5;

}  // namespace

std::string Rar_NextVolumeName(const std::string& path, bool new_numbering) {
    std::string name = path;
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find_first_of("\\/", dot) != std::string::npos)
        return name + ".r00";
    if (new_numbering) {
        // The number is the last run of digits before the extension; it may grow a digit.
        size_t end = dot;
        size_t begin = end;
        while (begin > 0 && isdigit(static_cast<unsigned char>(name[begin - 1]))) --begin;
        if (begin < end) {
            size_t i = end;
            while (i > begin) {
                --i;
                if (name[i] != '9') {
                    ++name[i];
                    return name;
                }
                name[i] = '0';
            }
            name.insert(begin, "1");
            return name;
        }
    }
    std::string ext = name.substr(dot + 1);
    if (ext.size() != 3 || !isdigit(static_cast<unsigned char>(ext[1])) ||
        !isdigit(static_cast<unsigned char>(ext[2])))
        return name.substr(0, dot + 1) + "r00";
    int number = (ext[1] - '0') * 10 + (ext[2] - '0') + 1;
    char letter = ext[0];
    if (number == 100) {
        number = 0;
        ++letter;
    }
    char next[4] = {letter, static_cast<char>('0' + number / 10),
                    static_cast<char>('0' + number % 10), 0};
    return name.substr(0, dot + 1) + next;
}

RarReader::~RarReader() {
    Close();
}

void RarReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

int RarReader::Open(const std::string& path) {
    first_volume_flags_known_ = false;
    pending_ = false;
    gave_up_ = false;
    entries_ = 0;
    volumes_.clear();
    cursor_.reset();
    return OpenVolume(path);
}

int RarReader::OpenVolume(const std::string& path) {
    Close();
    path_ = path;
    volume_ended_ = false;
    next_volume_flag_ = false;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) return kErrCannotRead;
    uint8_t marker[8];
    if (std::fread(marker, 1, 7, file_) != 7) return kErrNotArchive;
    bool rar5 = std::memcmp(marker, kMarker5, 7) == 0;
    if (rar5 && (std::fread(marker + 7, 1, 1, file_) != 1 || marker[7] != 0)) return kErrNotArchive;
    if (!rar5 && std::memcmp(marker, kMarker, 7) != 0) return kErrNotArchive;
    if (first_volume_flags_known_ && rar5 != rar5_) return kErrHeaderCrc;
    rar5_ = rar5;
    if (rar5) {
        Bytes block;
        uint64_t data_size = 0;
        int s = ReadBlock5Raw(&block, &data_size);
        if (s != kOk) return s;
        Rar5Fields f(block, 0, block.size());
        uint64_t type, flags;
        if (!f.Number(&type) || !f.Number(&flags)) return kErrHeaderCrc;
        if (type == kCryptHead5) return kErrNotSupported;  // encrypted headers
        if (type != kMainHead5) return kErrHeaderCrc;
        if (flags & 0x0001 && !f.Number(&flags)) return kErrHeaderCrc;  // the extra area's size
        if (flags & 0x0002 && !f.Number(&flags)) return kErrHeaderCrc;  // the data's size
        uint64_t archive_flags;
        if (!f.Number(&archive_flags)) return kErrHeaderCrc;
        if (!first_volume_flags_known_) {
            archive_flags_ = uint32_t(archive_flags & 0x0001);  // a volume
            new_numbering_ = true;
            first_volume_flags_known_ = true;
        }
        volumes_.push_back(path);
        return kOk;
    }
    uint8_t head[13];
    if (std::fread(head, 1, 13, file_) != 13 || head[2] != kMainHead) return kErrHeaderCrc;
    uint32_t size = Le(head + 5, 2);
    if (size < 13) return kErrHeaderCrc;
    std::vector<uint8_t> block(head, head + 13);
    block.resize(size);
    if (size > 13 && std::fread(block.data() + 13, 1, size - 13, file_) != size - 13)
        return kErrHeaderCrc;
    if ((Crc32(block.data() + 2, size - 2) & 0xFFFF) != Le(block.data(), 2)) return kErrHeaderCrc;
    if (!first_volume_flags_known_) {
        archive_flags_ = Le(head + 3, 2);
        new_numbering_ = (archive_flags_ & 0x0010) != 0;
        first_volume_flags_known_ = true;
    }
    volumes_.push_back(path);
    return kOk;
}

bool RarReader::NextVolume() {
    std::string name = Rar_NextVolumeName(path_, new_numbering_);
    while (!FileExists(name) || IsFolder(name)) {
        if (!hook_ || !hook_(name, true)) {
            gave_up_ = true;
            return false;
        }
    }
    if (hook_) hook_(name, false);
    return OpenVolume(name) == kOk;
}

// Reads one RAR 5 header: its CRC-32, its size, and that many bytes (from the type on), which
// it returns once the CRC (over the size and the rest) matches. NotArchive at the end of file.
int RarReader::ReadBlock5Raw(Bytes* block, uint64_t* data_size) {
    uint8_t crc_bytes[4];
    size_t got = std::fread(crc_bytes, 1, 4, file_);
    if (got == 0) return kErrNotArchive;
    if (got != 4) return kErrHeaderCrc;
    Bytes size_bytes;
    uint64_t size = 0;
    for (int shift = 0;; shift += 7) {
        int c = std::fgetc(file_);
        if (c == EOF || shift > 14) return kErrHeaderCrc;  // headers are at most 2 MB
        size_bytes.push_back(uint8_t(c));
        size |= uint64_t(c & 0x7F) << shift;
        if (!(c & 0x80)) break;
    }
    if (size == 0 || size > (2u << 20)) return kErrHeaderCrc;
    block->resize(size_t(size));
    if (std::fread(block->data(), 1, block->size(), file_) != block->size()) return kErrHeaderCrc;
    uint32_t crc = Crc32(size_bytes.data(), size_bytes.size());
    if (Crc32(block->data(), block->size(), crc) != Le(crc_bytes, 4)) return kErrHeaderCrc;
    Rar5Fields f(*block, 0, block->size());
    uint64_t type, flags, extra = 0;
    *data_size = 0;
    if (!f.Number(&type) || !f.Number(&flags)) return kErrHeaderCrc;
    if ((flags & 0x0001 && !f.Number(&extra)) || (flags & 0x0002 && !f.Number(data_size)))
        return kErrHeaderCrc;
    return kOk;
}

// Reads RAR 5 blocks until a file header or the end; the file header is given in the terms of
// RAR 4 (flags, host OS, method 0x30 + n), its name from UTF-8 into the ANSI code page.
int RarReader::ReadBlock5(RarHeader* header, bool* end) {
    *end = false;
    while (true) {
        Bytes block;
        uint64_t data_size = 0;
        int s = ReadBlock5Raw(&block, &data_size);
        if (s == kErrNotArchive) {
            *end = true;  // a volume without an end block simply stops
            return kOk;
        }
        if (s != kOk) return s;
        Rar5Fields f(block, 0, block.size());
        uint64_t type, hflags, extra = 0, skip;
        f.Number(&type);
        f.Number(&hflags);
        if (hflags & 0x0001) f.Number(&extra);
        if (hflags & 0x0002) f.Number(&skip);
        if (extra > block.size() - f.at()) return kErrHeaderCrc;
        const size_t extra_at = block.size() - size_t(extra);
        if (type == kEndArc5) {
            uint64_t end_flags = 0;
            f.Number(&end_flags);
            next_volume_flag_ = (end_flags & 0x0001) != 0;
            *end = true;
            return kOk;
        }
        if (type != kFileHead5) {
            if (data_size > 0x7FFFFFFF ||
                std::fseek(file_, static_cast<long>(data_size), SEEK_CUR) != 0)
                return kErrHeaderCrc;
            continue;
        }
        Rar5Fields fields(block, f.at(), extra_at);
        uint64_t file_flags, unp_size, attr, mtime = 0, crc = 0, compression, host, name_size;
        std::string name;
        if (!fields.Number(&file_flags) || !fields.Number(&unp_size) || !fields.Number(&attr) ||
            (file_flags & 0x0002 && !fields.Fixed(4, &mtime)) ||
            (file_flags & 0x0004 && !fields.Fixed(4, &crc)) || !fields.Number(&compression) ||
            !fields.Number(&host) || !fields.Number(&name_size) || !fields.Text(name_size, &name))
            return kErrHeaderCrc;
        if (data_size > 0xFFFFFFFF || unp_size > 0xFFFFFFFF) return kErrNotSupported;  // 4 GB
        RarHeader h;
        // The extra records: the encryption record, and the time when it is kept there.
        Rar5Fields records(block, extra_at, block.size());
        while (records.at() < block.size()) {
            uint64_t record_size, record_type;
            if (!records.Number(&record_size) || record_size > block.size() - records.at())
                return kErrHeaderCrc;
            size_t record_end = records.at() + size_t(record_size);
            Rar5Fields record(block, records.at(), record_end);
            if (!record.Number(&record_type)) return kErrHeaderCrc;
            uint64_t time_flags, stamp;
            if (record_type == 1) h.encrypted = true;
            if (record_type == 3 && record.Number(&time_flags) && (time_flags & 0x0002) &&
                record.Fixed(time_flags & 0x0001 ? 4 : 8, &stamp)) {
                if (time_flags & 0x0001) {
                    mtime = stamp;
                } else {
                    FILETIME ft;
                    ft.dwLowDateTime = uint32_t(stamp);
                    ft.dwHighDateTime = uint32_t(stamp >> 32);
                    mtime = UnixFromFileTime(ft);
                }
            }
            records.Seek(record_end);
        }
        const bool is_dir = (file_flags & 0x0001) != 0;
        h.flags = (hflags & 0x0008 ? kSplitBefore : 0) | (hflags & 0x0010 ? kSplitAfter : 0) |
                  (is_dir ? kDirectoryMask : 0) | (compression & 0x0040 ? 0x0010 : 0);
        h.pack_size = uint32_t(data_size);
        h.host_os = host == 0 ? 2 : 3;  // Windows or Unix, as RAR 4 numbers them
        h.unp_ver = (compression & 0x3F) == 0 ? 50 : 70;
        h.method = 0x30 + uint32_t((compression >> 7) & 7);
        Entry& e = h.entry;
        e.name = EntryName(AnsiFromUtf8(name));
        e.size = unp_size;
        e.packed = data_size;
        e.crc = uint32_t(crc);
        e.has_crc = (file_flags & 0x0004) != 0;
        SetUnixTime(e, uint32_t(mtime));
        h.file_time = (uint32_t(e.dos_date) << 16) | e.dos_time;
        e.is_dir = is_dir;
        e.attr = h.host_os == 3 ? (is_dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE)
                                : uint32_t(attr);
        if (is_dir) e.attr |= FILE_ATTRIBUTE_DIRECTORY;
        e.method = h.method == 0x30 ? "Stored" : "m" + std::to_string(h.method - 0x30);
        data_offset_ = std::ftell(file_);
        *header = h;
        return kOk;
    }
}

// Reads one block; file headers are returned, other blocks skipped.
int RarReader::ReadBlock(RarHeader* header, bool* end) {
    if (rar5_) return ReadBlock5(header, end);
    *end = false;
    while (true) {
        uint8_t base[7];
        size_t got = std::fread(base, 1, 7, file_);
        if (got == 0) {
            *end = true;  // a volume without an end block simply stops
            return kOk;
        }
        if (got != 7) return kErrHeaderCrc;
        uint32_t type = base[2], flags = Le(base + 3, 2), size = Le(base + 5, 2);
        if (size < 7) return kErrHeaderCrc;
        std::vector<uint8_t> block(base, base + 7);
        block.resize(size);
        if (std::fread(block.data() + 7, 1, size - 7, file_) != size - 7) return kErrHeaderCrc;
        if ((Crc32(block.data() + 2, size - 2) & 0xFFFF) != Le(block.data(), 2))
            return kErrHeaderCrc;
        if (type == kEndArc) {
            next_volume_flag_ = (flags & 0x0001) != 0;
            *end = true;
            return kOk;
        }
        uint32_t add = (flags & kLongBlock) && size >= 11 ? Le(block.data() + 7, 4) : 0;
        if (type != kFileHead) {
            if (std::fseek(file_, static_cast<long>(add), SEEK_CUR) != 0) return kErrHeaderCrc;
            continue;
        }
        if (size < 32) return kErrHeaderCrc;
        const uint8_t* p = block.data() + 7;
        RarHeader h;
        h.flags = flags;
        h.pack_size = Le(p, 4);
        uint32_t unp_size = Le(p + 4, 4);
        h.host_os = p[8];
        uint32_t crc = Le(p + 9, 4);
        h.file_time = Le(p + 13, 4);
        h.unp_ver = p[17];
        h.method = p[18];
        uint32_t name_size = Le(p + 19, 2);
        uint32_t attr = Le(p + 21, 4);
        size_t name_at = 32;
        if (flags & kLarge) {
            if (size < 40 || Le(p + 25, 4) || Le(p + 29, 4)) return kErrNotSupported;  // over 4 GB
            name_at = 40;
        }
        if (name_at + name_size > size) return kErrHeaderCrc;
        std::string name(reinterpret_cast<const char*>(block.data() + name_at), name_size);
        // With a Unicode name, the ANSI form comes first, ended by a NUL.
        size_t nul = name.find('\0');
        if (nul != std::string::npos) name.resize(nul);
        Entry& e = h.entry;
        e.name = EntryName(name);
        e.size = unp_size;
        e.packed = h.pack_size;
        e.crc = crc;
        SetDosStamp(e, static_cast<uint16_t>(h.file_time >> 16),
                    static_cast<uint16_t>(h.file_time));
        e.is_dir = (flags & kDirectoryMask) == kDirectoryMask;
        // Unix hosts store a mode, not attributes; the others' are handed on whole.
        e.attr =
            h.host_os == 3 ? (e.is_dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) : attr;
        if (e.is_dir) e.attr |= FILE_ATTRIBUTE_DIRECTORY;
        e.method = h.method == 0x30 ? "Stored" : "m" + std::to_string(h.method - 0x30);
        data_offset_ = std::ftell(file_);
        *header = h;
        return kOk;
    }
}

int RarReader::ReadHeader(RarHeader* header) {
    if (!file_ || gave_up_) return kErrCannotRead;
    if (pending_) {
        int s = Process(nullptr);
        if (s != kOk) return s;
    }
    while (true) {
        bool end;
        int s = ReadBlock(header, &end);
        if (s != kOk) return s;
        if (!end) break;
        if (!IsVolume() || !next_volume_flag_) return kErrNotArchive;
        if (!NextVolume()) return kErrCannotRead;
    }
    // A piece continued from an earlier volume that was not followed there has no entry of
    // its own; it is skipped the way its first part would have been.
    if (header->flags & kSplitBefore) {
        if (std::fseek(file_, data_offset_ + static_cast<long>(header->pack_size), SEEK_SET) != 0)
            return kErrHeaderCrc;
        return ReadHeader(header);
    }
    current_ = *header;
    pending_ = true;
    ++entries_;
    return kOk;
}

int RarReader::Process(Bytes* out) {
    if (!pending_) return kErrHeaderCrc;
    pending_ = false;
    if (out) out->clear();
    RarHeader part = current_;
    const bool stored = part.method == 0x30;
    // Encrypted content cannot be read: it is passed over like a skipped entry.
    Bytes* const sink = current_.encrypted ? nullptr : out;
    while (true) {
        if (sink && stored && !part.entry.is_dir) {
            // The size is the header's word: check it against the file before trusting it.
            if (std::fseek(file_, 0, SEEK_END) != 0 || std::ftell(file_) < data_offset_ ||
                static_cast<unsigned long>(std::ftell(file_) - data_offset_) < part.pack_size)
                return kErrBrokenData;
            size_t at = out->size();
            out->resize(at + part.pack_size);
            if (std::fseek(file_, data_offset_, SEEK_SET) != 0 ||
                std::fread(out->data() + at, 1, part.pack_size, file_) != part.pack_size)
                return kErrBrokenData;
            // A piece that continues carries the CRC of its own bytes.
            if ((part.flags & kSplitAfter) && part.entry.has_crc &&
                Crc32(out->data() + at, part.pack_size) != part.entry.crc)
                return kErrFileCrc;
        } else if (std::fseek(file_, data_offset_ + static_cast<long>(part.pack_size), SEEK_SET) !=
                   0) {
            return kErrHeaderCrc;
        }
        if (!(part.flags & kSplitAfter)) break;
        if (!NextVolume()) return kErrCannotRead;
        bool end;
        int s = ReadBlock(&part, &end);
        if (s != kOk) return s;
        if (end || !(part.flags & kSplitBefore)) return kErrHeaderCrc;
    }
    if (!out) return kOk;
    if (current_.encrypted) return kErrNotSupported;
    if (part.entry.is_dir) return kOk;
    if (!stored) {
        // Compressed entries are decoded by libarchive over the volume set (an entry split
        // over volumes has had them all opened here by now). The cursor gets the volumes
        // still to come as well, as far as they are there under the names the set expects,
        // so that a solid set is decoded once, not again from its start at each new volume.
        bool known = cursor_ && volumes_.size() <= cursor_volumes_.size() &&
                     std::equal(volumes_.begin(), volumes_.end(), cursor_volumes_.begin());
        if (!known) {
            cursor_volumes_ = volumes_;
            for (int more = 0; IsVolume() && more < 10000; ++more) {
                std::string next = Rar_NextVolumeName(cursor_volumes_.back(), new_numbering_);
                if (!FileExists(next) || IsFolder(next)) break;
                cursor_volumes_.push_back(next);
            }
            cursor_ = std::make_unique<ArchiveCursor>(cursor_volumes_, ArchiveCursor::Kind::Rar);
        }
        int s = cursor_->Read(entries_ - 1, out);
        if (s != kOk) return s;
    }
    if (out->size() != current_.entry.size || (part.entry.has_crc && Crc32(*out) != part.entry.crc))
        return kErrFileCrc;
    return kOk;
}

}  // namespace arc
