#pragma once
// Reader of 7z archives: the headers, plain or packed with LZMA, give the entries and what
// listings show. Folders of Copy, LZMA or LZMA2 (the last two perhaps behind the x86 filter)
// are decoded here through liblzma; the others (PPMd, BZip2, Deflate, BCJ2, ARM...) through
// libarchive. Every entry CRC-checked.
#include <memory>

#include "../engine/util.h"
#include "archive_cursor.h"
#include "sevenzip_writer.h"

namespace arc {

class SevenZipReader {
public:
    int Open(SharedBytes archive);
    const std::vector<Entry>& Entries() const { return entries_; }
    // The entry's content, its CRC checked; directories give an empty result.
    int Extract(size_t index, Bytes* out);
    // The entry as a writer of `method` may copy it without decoding: when it fills a block
    // of its own, packed with that method and nothing else, and has a CRC. The item gets the
    // entry's size and CRC and points into this reader's copy of the archive.
    bool KeepPacked(size_t index, SevenZipMethod method, Item* item) const;

    // What the header of a listing shows about the archive as a whole.
    struct Summary {
        uint64_t physical_size = 0;
        uint64_t headers_size = 0;  // everything but the packed streams
        size_t blocks = 0;
        bool solid = false;
        std::string methods;  // "LZMA2:24k", "Copy LZMA:16", ...
    };
    const Summary& Info() const { return summary_; }

    enum class Filter { None, X86 };
    struct Folder {
        std::vector<uint8_t> coder_id;
        Bytes props;
        uint64_t pack_offset = 0, pack_size = 0, unpack_size = 0;
        bool has_crc = false;
        uint32_t crc = 0;
        bool simple = true;  // one coder (perhaps behind the x86 filter), one packed stream
        Filter filter = Filter::None;
        size_t inner_out = 0;     // the coder output that the filter reads
        uint64_t inner_size = 0;  // its size
    };

private:
    SharedBytes archive_;
    Summary summary_;
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
    std::unique_ptr<ArchiveCursor> cursor_;  // decodes the other folders
};

// Text for the method column of listings and entry records.
std::string SevenZip_MethodName(const SevenZipReader::Folder& folder);

// The text of the "l" command, laid out as 7-Zip lays out its own listing, with LF line ends.
std::string SevenZip_ListText(const std::string& archive_path, const SevenZipReader& reader);

}  // namespace arc
