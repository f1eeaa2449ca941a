#pragma once
// Small helpers of the engine: CP932-aware path text, DOS times, whole-file I/O, CRCs.
#include <cstdint>
#include <string>
#include <vector>

#include "model.h"

namespace arc {

bool IsLead(unsigned char c);
// '\' to '/', leaving trail bytes of double-byte characters alone.
std::string ToSlash(const std::string& path);
std::string ToBackslash(const std::string& path);
std::vector<std::string> SplitPath(const std::string& slashed);  // by '/'
std::string LastComponent(const std::string& slashed);
bool HasWildcard(const std::string& text);
// DOS-style wildcard match ('*', '?'), ASCII case-insensitive, byte-wise but double-byte aware.
bool WildMatch(const std::string& pattern, const std::string& text);

// Times: seconds since 1970 (UTC) as entries keep them, FILETIMEs (also as one number of
// 100 ns ticks, as some formats store them) and MS-DOS stamps, which are local time.
uint32_t UnixFromFileTime(const FILETIME& ft);
FILETIME FileTimeFromUnix(uint32_t t);
uint32_t UnixFromTicks(uint64_t ticks);
uint64_t TicksFromUnix(uint32_t t);
void DosFromUnix(uint32_t t, uint16_t* date, uint16_t* time);  // in local time
uint32_t UnixFromDos(uint16_t date, uint16_t time);            // from local time

// What every reader fills the same way: the name ('/' between components, no trailing '/'),
// the time from a DOS stamp or from UTC seconds (the other one derived), and the five
// MS-DOS attribute bits that entries keep.
std::string EntryName(const std::string& stored);

// Names stored in Unicode (UTF-16, or UTF-8 by the format's definition or flag) in the ANSI
// code page. A character the code page cannot hold becomes '?', which no Windows name may
// contain: never a substitute that could be written, or meet another entry's name. The
// program refuses an archive with such a name before anything is extracted.
std::string AnsiFromWide(const std::wstring& wide);
std::string AnsiFromUtf8(const std::string& utf8);
// A name in the ANSI code page as UTF-16; false when its bytes are not that code page's.
bool WideFromAnsi(const std::string& ansi, std::wstring* wide);
// A name stored without saying its code (Linux and macOS write UTF-8, Windows its code
// page): taken as UTF-8 when its bytes are UTF-8 beyond ASCII, kept as they are otherwise.
// Many UTF-8 names are also valid CP932 bytes ("表示" reads as "陦ｨ遉ｺ"), while CP932 names
// are almost never valid UTF-8: their lead bytes 81-9F cannot begin a UTF-8 character.
std::string AnsiFromRawName(const std::string& raw);
void SetDosStamp(Entry& e, uint16_t date, uint16_t time);
void SetUnixTime(Entry& e, uint32_t t);
uint32_t DosAttributes(uint32_t attr, bool is_dir);

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out);
// The file's bytes, mapped read-only for ArchiveUse::Read where it lies on a fixed disk
// (nobody may write it while they are held), else read whole: a view of a file on a disk that
// can go away would fault on the first page that can no longer be read. A file that another
// program has open for writing is read whole too.
bool HoldWholeFile(const std::string& path, ArchiveUse use, SharedBytes* out);
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t n);
bool MakeDirs(const std::string& folder);  // with all missing parents
bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
std::string FullPath(const std::string& path);
void SetTimes(const std::string& path, uint32_t mtime, bool folder);

// Runs a deflate stream set up by the caller over all of `in` (`extra`: room for headers
// beyond zlib's bound) and ends it; false unless it finished.
bool DeflateAll(struct z_stream_s& z, const Bytes& in, size_t extra, Bytes& out);

uint16_t Crc16(const uint8_t* data, size_t n, uint16_t crc = 0);
uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0);
inline uint32_t Crc32(const Bytes& data) {
    return Crc32(data.data(), data.size());
}

inline uint16_t Get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Put16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

}  // namespace arc
