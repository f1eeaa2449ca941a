#pragma once
// What every archive reader of the stand-in DLLs hands back: one record per entry, in the
// terms the DLL interface needs (sizes, CRC, DOS time, Windows attributes, method text), and a
// status that the export layers turn into their DLL's own result codes.
#include <cstdint>
#include <string>
#include <vector>

namespace ArcFormat {

using Bytes = std::vector<uint8_t>;

enum class Status {
    Ok,
    NotArchive,    // no signature of the format at all
    BrokenHeader,  // signature found, headers damaged or cut short
    BadData,       // compressed data does not decode
    CrcError,      // decoded, but the stored CRC does not match
    Unsupported,   // a method or feature this reader does not implement
    IoError,       // a file could not be read or written
};

struct Entry {
    std::string path;  // CP932 bytes as stored, separators turned into '\'
    uint64_t size = 0;
    uint64_t packed = 0;
    uint32_t crc = 0;
    bool has_crc = false;
    uint16_t dos_date = 0;
    uint16_t dos_time = 0;
    uint64_t filetime = 0;  // FILETIME ticks, UTC; 0 when the format stores none
    // The format stores a DOS stamp, which is local time: dos_date/dos_time are the truth and
    // filetime is only their reading as UTC.
    bool dos_is_local = false;
    uint32_t attributes = 0;  // FILE_ATTRIBUTE_* bits
    bool is_dir = false;
    std::string method;  // short method text such as "LZMA2" or "-arj1-"
};

// One item handed to an archive writer: a file with its content, or a folder.
struct WriteItem {
    std::string path;  // CP932 bytes, '\' separators, relative
    bool is_dir = false;
    Bytes data;
    uint64_t filetime = 0;    // FILETIME ticks, UTC
    uint32_t attributes = 0;  // FILE_ATTRIBUTE_* bits
};

// Ratio in tenths of a percent, as the entry record of the DLL interface carries it.
uint16_t Format_Ratio(uint64_t packed, uint64_t size);

uint32_t Format_Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
inline uint32_t Format_Crc32(const Bytes& data) {
    return Format_Crc32(data.data(), data.size());
}

// DOS packed date/time <-> Windows FILETIME ticks (100 ns since 1601, UTC as stored).
uint64_t Format_DosToFileTime(uint16_t dos_date, uint16_t dos_time);
void Format_FileTimeToDos(uint64_t filetime, uint16_t* dos_date, uint16_t* dos_time);

// Reads or writes a whole file; false when it cannot.
bool Format_ReadFile(const std::string& path, Bytes* out);
bool Format_WriteFile(const std::string& path, const Bytes& data);

}  // namespace ArcFormat
