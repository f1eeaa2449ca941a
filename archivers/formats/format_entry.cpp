#include "format_entry.h"

#include <cstdio>

namespace ArcFormat {

uint16_t Format_Ratio(uint64_t packed, uint64_t size) {
    if (size == 0) return 0;
    uint64_t ratio = packed * 1000 / size;
    return static_cast<uint16_t>(ratio > 65535 ? 65535 : ratio);
}

uint32_t Format_Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// Days from 1970-01-01 for a civil date (proleptic Gregorian); avoids the C library's
// time zone handling, since archive times are taken as they are stored.
static int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

static const uint64_t kUnixEpochTicks = 116444736000000000ull;

uint64_t Format_DosToFileTime(uint16_t dos_date, uint16_t dos_time) {
    int year = 1980 + (dos_date >> 9);
    unsigned month = (dos_date >> 5) & 15, day = dos_date & 31;
    if (month < 1) month = 1;
    if (day < 1) day = 1;
    int64_t seconds = DaysFromCivil(year, month, day) * 86400 + (dos_time >> 11) * 3600 +
                      ((dos_time >> 5) & 63) * 60 + (dos_time & 31) * 2;
    return kUnixEpochTicks + static_cast<uint64_t>(seconds) * 10000000ull;
}

void Format_FileTimeToDos(uint64_t filetime, uint16_t* dos_date, uint16_t* dos_time) {
    int64_t seconds = filetime < kUnixEpochTicks
                          ? 0
                          : static_cast<int64_t>((filetime - kUnixEpochTicks) / 10000000ull);
    int64_t days = seconds / 86400, rest = seconds % 86400;
    // civil_from_days
    days += 719468;
    const int64_t era = days / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int y = static_cast<int>(yoe + era * 400);
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
    if (y < 1980) {
        *dos_date = (0 << 9) | (1 << 5) | 1;
        *dos_time = 0;
        return;
    }
    *dos_date = static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d);
    *dos_time = static_cast<uint16_t>(((rest / 3600) << 11) | (((rest / 60) % 60) << 5) |
                                      ((rest % 60) / 2));
}

bool Format_ReadFile(const std::string& path, Bytes* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out->clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out->insert(out->end(), buffer, buffer + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool Format_WriteFile(const std::string& path, const Bytes& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

}  // namespace ArcFormat
