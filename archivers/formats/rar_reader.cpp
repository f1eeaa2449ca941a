#include "rar_reader.h"

#include <windows.h>

#include <cctype>
#include <cstring>

namespace arc {
namespace {

const uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
const uint8_t kMainHead = 0x73, kFileHead = 0x74, kEndArc = 0x7B;
const uint32_t kLongBlock = 0x8000, kSplitBefore = 0x01, kSplitAfter = 0x02, kLarge = 0x100;
const uint32_t kDirectoryMask = 0xE0;

uint32_t Le(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

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
    return OpenVolume(path);
}

int RarReader::OpenVolume(const std::string& path) {
    Close();
    path_ = path;
    volume_entries_ = 0;
    volume_bytes_.clear();
    cursor_.reset();
    volume_ended_ = false;
    next_volume_flag_ = false;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) return kErrCannotRead;
    uint8_t marker[7];
    if (std::fread(marker, 1, 7, file_) != 7 || std::memcmp(marker, kMarker, 7) != 0)
        return kErrNotArchive;
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
        first_volume_flags_known_ = true;
    }
    return kOk;
}

bool RarReader::NextVolume() {
    std::string name = Rar_NextVolumeName(path_, (archive_flags_ & 0x0010) != 0);
    while (!FileExists(name) || IsFolder(name)) {
        if (!hook_ || !hook_(name, true)) {
            gave_up_ = true;
            return false;
        }
    }
    if (hook_) hook_(name, false);
    return OpenVolume(name) == kOk;
}

// Reads one block; file headers are returned, other blocks skipped.
int RarReader::ReadBlock(RarHeader* header, bool* end) {
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
    ++volume_entries_;
    // A piece continued from an earlier volume that was not followed there has no entry of
    // its own; it is skipped the way its first part would have been.
    if (header->flags & kSplitBefore) {
        if (std::fseek(file_, data_offset_ + static_cast<long>(header->pack_size), SEEK_SET) != 0)
            return kErrHeaderCrc;
        return ReadHeader(header);
    }
    current_ = *header;
    pending_ = true;
    return kOk;
}

int RarReader::Process(Bytes* out) {
    if (!pending_) return kErrHeaderCrc;
    pending_ = false;
    if (out) out->clear();
    RarHeader part = current_;
    const bool stored = part.method == 0x30;
    while (true) {
        if (out && stored && !part.entry.is_dir) {
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
            if ((part.flags & kSplitAfter) &&
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
    if (part.entry.is_dir) return kOk;
    if (!stored) {
        // Compressed entries are decoded by libarchive, from this one volume: one that goes
        // on in the next volume is not.
        if (current_.flags & (kSplitBefore | kSplitAfter)) return kErrNotSupported;
        if (!cursor_) {
            if (!ReadWholeFile(path_, volume_bytes_)) return kErrCannotRead;
            cursor_ = std::make_unique<ArchiveCursor>(&volume_bytes_, ArchiveCursor::Kind::Rar);
        }
        int s = cursor_->Read(volume_entries_ - 1, out);
        if (s != kOk) return s;
    }
    if (out->size() != current_.entry.size || Crc32(*out) != part.entry.crc) return kErrFileCrc;
    return kOk;
}

}  // namespace arc
