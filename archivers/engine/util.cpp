#include "util.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace arc {

bool IsLead(unsigned char c) {
    return IsDBCSLeadByte(c) != 0;
}

static std::string MapSeparator(const std::string& path, char from, char to) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsLead(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) {
            ++i;
        } else if (out[i] == from) {
            out[i] = to;
        }
    }
    return out;
}

std::string ToSlash(const std::string& path) {
    return MapSeparator(path, '\\', '/');
}
// '/' never occurs as a trail byte, so the plain replacement is safe in this direction too;
// the walk is the same for symmetry.
std::string ToBackslash(const std::string& path) {
    return MapSeparator(path, '/', '\\');
}

std::vector<std::string> SplitPath(const std::string& slashed) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : slashed) {
        if (c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string LastComponent(const std::string& slashed) {
    size_t cut = slashed.find_last_of('/');
    return cut == std::string::npos ? slashed : slashed.substr(cut + 1);
}

bool HasWildcard(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

static bool Match(const char* p, const char* t) {
    while (*p) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (!*p) return true;
            for (const char* s = t;;) {
                if (Match(p, s)) return true;
                if (!*s) return false;
                s += (IsLead(static_cast<unsigned char>(*s)) && s[1]) ? 2 : 1;
            }
        }
        if (!*t) return false;
        bool lead = IsLead(static_cast<unsigned char>(*t)) && t[1];
        if (*p == '?') {
            t += lead ? 2 : 1;
            ++p;
            continue;
        }
        if (lead) {
            if (p[0] != t[0] || p[1] != t[1]) return false;
            p += 2;
            t += 2;
            continue;
        }
        if (std::tolower(static_cast<unsigned char>(*p)) !=
            std::tolower(static_cast<unsigned char>(*t)))
            return false;
        ++p;
        ++t;
    }
    return !*t;
}

bool WildMatch(const std::string& pattern, const std::string& text) {
    if (Match(pattern.c_str(), text.c_str())) return true;
    // As on MS-DOS, "name.*" also matches a name without any extension ("*.*" matches all).
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        text.find('.') == std::string::npos)
        return Match(pattern.substr(0, pattern.size() - 2).c_str(), text.c_str());
    return false;
}

static const uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

uint32_t UnixFromTicks(uint64_t ticks) {
    if (ticks < kUnixEpochAsFileTime) return 0;
    return uint32_t((ticks - kUnixEpochAsFileTime) / 10000000ULL);
}

uint64_t TicksFromUnix(uint32_t t) {
    return uint64_t(t) * 10000000ULL + kUnixEpochAsFileTime;
}

uint32_t UnixFromFileTime(const FILETIME& ft) {
    return UnixFromTicks((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FileTimeFromUnix(uint32_t t) {
    uint64_t v = TicksFromUnix(t);
    FILETIME ft;
    ft.dwLowDateTime = DWORD(v);
    ft.dwHighDateTime = DWORD(v >> 32);
    return ft;
}

void DosFromUnix(uint32_t t, uint16_t* date, uint16_t* time) {
    FILETIME utc = FileTimeFromUnix(t), local;
    WORD d = 0x21, tm = 0;  // 1980-01-01 when the time cannot be expressed
    if (FileTimeToLocalFileTime(&utc, &local)) FileTimeToDosDateTime(&local, &d, &tm);
    *date = d;
    *time = tm;
}

uint32_t UnixFromDos(uint16_t date, uint16_t time) {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return 0;
    return UnixFromFileTime(utc);
}

namespace {

bool Decodes(UINT code_page, const std::string& s, std::wstring* wide) {
    if (s.empty()) return true;
    int n =
        MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, s.data(), int(s.size()), nullptr, 0);
    if (n <= 0) return false;
    wide->assign(size_t(n), L'\0');
    return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, s.data(), int(s.size()),
                               &(*wide)[0], n) == n;
}

std::string AnsiFromWideAsItIs(const std::wstring& wide) {
    std::string out;
    for (size_t i = 0; i < wide.size(); ++i) {
        const bool pair =
            i + 1 < wide.size() && IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1]);
        const wchar_t* c = &wide[i];
        const int len = pair ? 2 : 1;
        if (pair) ++i;
        // One character at a time, and only what converts back to itself: no best fit.
        char bytes[8];
        BOOL defaulted = FALSE;
        int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, c, len, bytes, sizeof bytes,
                                    nullptr, &defaulted);
        wchar_t back[4];
        if (n > 0 && !defaulted && MultiByteToWideChar(CP_ACP, 0, bytes, n, back, 4) == len &&
            std::equal(back, back + len, c)) {
            out.append(bytes, size_t(n));
        } else {
            out += '?';
        }
    }
    return out;
}

}  // namespace

// macOS stores names decomposed ("が" as "か" and a combining mark, which the code page has
// not): a name that does not convert as it stands is tried again composed.
std::string AnsiFromWide(const std::wstring& wide) {
    std::string out = AnsiFromWideAsItIs(wide);
    if (out.find('?') == std::string::npos || wide.empty()) return out;
    int n = NormalizeString(NormalizationC, wide.data(), int(wide.size()), nullptr, 0);
    if (n <= 0) return out;
    std::wstring composed(size_t(n), L'\0');
    n = NormalizeString(NormalizationC, wide.data(), int(wide.size()), &composed[0], n);
    if (n <= 0) return out;
    composed.resize(size_t(n));
    return AnsiFromWideAsItIs(composed);
}

bool WideFromAnsi(const std::string& ansi, std::wstring* wide) {
    wide->clear();
    return Decodes(CP_ACP, ansi, wide);
}

std::string AnsiFromUtf8(const std::string& utf8) {
    std::wstring wide;
    if (!Decodes(CP_UTF8, utf8, &wide)) return AnsiFromRawName(utf8);  // not UTF-8 after all
    return AnsiFromWide(wide);
}

std::string AnsiFromRawName(const std::string& raw) {
    std::wstring wide;
    bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii || !Decodes(CP_UTF8, raw, &wide)) return raw;
    return AnsiFromWide(wide);
}

std::string EntryName(const std::string& stored) {
    std::string name = ToSlash(stored);
    while (!name.empty() && name.back() == '/') name.pop_back();
    return name;
}

void SetDosStamp(Entry& e, uint16_t date, uint16_t time) {
    e.dos_date = date;
    e.dos_time = time;
    e.mtime = UnixFromDos(date, time);
}

void SetUnixTime(Entry& e, uint32_t t) {
    e.mtime = t;
    DosFromUnix(t, &e.dos_date, &e.dos_time);
}

uint32_t DosAttributes(uint32_t attr, bool is_dir) {
    attr &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;
    return is_dir ? attr | FILE_ATTRIBUTE_DIRECTORY : attr;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart < (1LL << 31);
    if (ok) {
        out.resize(size_t(size.QuadPart));
        size_t done = 0;
        while (ok && done < out.size()) {
            DWORD got = 0;
            DWORD want = DWORD(std::min<size_t>(out.size() - done, 1 << 24));
            ok = ReadFile(h, out.data() + done, want, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    return ok;
}

namespace {

// A file mapped read-only, with the handle that keeps others from writing it meanwhile.
struct FileView {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    const uint8_t* view = nullptr;
    ~FileView() {
        if (view) UnmapViewOfFile(view);
        if (mapping) CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
};

bool OnFixedDisk(const std::string& path) {
    const std::string full = FullPath(path);
    if (full.size() < 3 || full[1] != ':' || full[2] != '\\') return false;
    const char root[] = {full[0], ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_RAMDISK;
}

// False when the file cannot be mapped as it is: empty, 2 GiB or more, or open for writing in
// another program (a mapping would show its writes while the archive is parsed).
bool MapWholeFile(const std::string& path, SharedBytes* out) {
    auto v = std::make_shared<FileView>();
    v->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size;
    if (v->file == INVALID_HANDLE_VALUE || !GetFileSizeEx(v->file, &size) || size.QuadPart == 0 ||
        size.QuadPart >= (1LL << 31))
        return false;
    v->mapping = CreateFileMappingA(v->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (v->mapping)
        v->view = static_cast<const uint8_t*>(MapViewOfFile(v->mapping, FILE_MAP_READ, 0, 0, 0));
    if (!v->view) return false;
    const uint8_t* data = v->view;
    *out = SharedBytes(data, size_t(size.QuadPart), std::move(v));
    return true;
}

}  // namespace

bool HoldWholeFile(const std::string& path, ArchiveUse use, SharedBytes* out) {
    if (use == ArchiveUse::Read && OnFixedDisk(path) && MapWholeFile(path, out)) return true;
    Bytes bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    *out = std::move(bytes);
    return true;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t n) {
    // A read-only file left by an earlier extraction must not stop an overwrite.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < n) {
        DWORD put = 0;
        DWORD want = DWORD(std::min<size_t>(n - done, 1 << 24));
        ok = WriteFile(h, data + done, want, &put, nullptr) && put == want;
        done += put;
    }
    return CloseHandle(h) && ok;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirs(const std::string& folder) {
    if (folder.empty() || IsFolder(folder)) return true;
    std::string walked;
    for (size_t i = 0; i <= folder.size(); ++i) {
        bool end = i == folder.size();
        if (!end && IsLead(static_cast<unsigned char>(folder[i])) && i + 1 < folder.size()) {
            walked += folder[i];
            walked += folder[++i];
            continue;
        }
        if (end || folder[i] == '\\' || folder[i] == '/') {
            bool is_drive = walked.size() == 2 && walked[1] == ':';
            if (!walked.empty() && !is_drive && walked != "." && walked != ".." &&
                !IsFolder(walked) && !CreateDirectoryA(walked.c_str(), nullptr))
                return false;
        }
        if (!end) walked += folder[i];
    }
    return IsFolder(folder);
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return (n > 0 && n < sizeof full) ? std::string(full, n) : path;
}

void SetTimes(const std::string& path, uint32_t mtime, bool folder) {
    HANDLE h =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FILETIME ft = FileTimeFromUnix(mtime);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

bool DeflateAll(z_stream& z, const Bytes& in, size_t extra, Bytes& out) {
    out.resize(deflateBound(&z, uLong(in.size())) + extra);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    int r = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return r == Z_STREAM_END;
}

uint16_t Crc16(const uint8_t* data, size_t n, uint16_t crc) {
    static uint16_t table[256];
    static bool ready = false;
    if (!ready) {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned r = i;
            for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ 0xA001 : r >> 1;
            table[i] = uint16_t(r);
        }
        ready = true;
    }
    for (size_t i = 0; i < n; ++i) crc = uint16_t(table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

// libdeflate's CRC-32 (zlib's, with the processor's carry-less multiply where it has one)
// runs several times faster than zlib's on the megabytes every listing and check goes over.
uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc) {
    return libdeflate_crc32(crc, data, n);
}

}  // namespace arc
