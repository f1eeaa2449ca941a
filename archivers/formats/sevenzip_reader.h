#pragma once
// Reader of 7z archives: headers plain or packed, folders with one coder (Copy, LZMA or
// LZMA2), solid or not, CRC-checked. Other coders and filters are reported Unsupported.
#include "format_entry.h"

namespace ArcFormat {

class SevenZipReader {
public:
    Status Open(Bytes archive);
    const std::vector<Entry>& Entries() const { return entries_; }
    // The entry's content, its CRC checked; directories give an empty result.
    Status Extract(size_t index, Bytes* out);

    struct Folder {
        std::vector<uint8_t> coder_id;
        Bytes props;
        uint64_t pack_offset = 0, pack_size = 0, unpack_size = 0;
        bool has_crc = false;
        uint32_t crc = 0;
        bool simple = true;  // one coder, one packed stream
    };

private:
    Status DecodeFolder(size_t folder, Bytes* out);

    Bytes archive_;
    std::vector<Entry> entries_;
    std::vector<Folder> folders_;
    struct Place {
        size_t folder = 0;
        uint64_t offset = 0;  // in the folder's unpacked data
        bool has_stream = false;
    };
    std::vector<Place> places_;
    size_t cached_folder_ = static_cast<size_t>(-1);
    Bytes cached_;
};

// Text for the method column of listings and entry records.
std::string SevenZip_MethodName(const SevenZipReader::Folder& folder);

}  // namespace ArcFormat
