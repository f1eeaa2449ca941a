#include <windows.h>

#include <cstdio>

#include "sevenzip_reader.h"

namespace arc {
namespace {

// Entries without a time (and none before 1970) show blanks.
std::string LocalStamp(uint32_t mtime) {
    if (mtime == 0) return std::string(19, ' ');
    FILETIME utc = FileTimeFromUnix(mtime), local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
        return std::string(19, ' ');
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond);
    return text;
}

std::string AttributeText(const Entry& e) {
    std::string a = ".....";
    if (e.is_dir) a[0] = 'D';
    if (e.attr & FILE_ATTRIBUTE_READONLY) a[1] = 'R';
    if (e.attr & FILE_ATTRIBUTE_HIDDEN) a[2] = 'H';
    if (e.attr & FILE_ATTRIBUTE_SYSTEM) a[3] = 'S';
    if (e.attr & FILE_ATTRIBUTE_ARCHIVE) a[4] = 'A';
    return a;
}

std::string Number(uint64_t n) {
    char text[24];
    std::snprintf(text, sizeof text, "%12llu", static_cast<unsigned long long>(n));
    return text;
}

const char kRule[] =
    "------------------- ----- ------------ ------------  ------------------------\n";

}  // namespace

std::string SevenZip_ListText(const std::string& archive_path, const SevenZipReader& reader) {
    const auto& info = reader.Info();
    std::string t;
    t += "\nListing archive: " + archive_path + "\n\n--\n";
    t += "Path = " + archive_path + "\nType = 7z\n";
    t += "Physical Size = " + std::to_string(info.physical_size) + "\n";
    t += "Headers Size = " + std::to_string(info.headers_size) + "\n";
    if (!info.methods.empty()) t += "Method = " + info.methods + "\n";
    t += std::string("Solid = ") + (info.solid ? "+" : "-") + "\n";
    t += "Blocks = " + std::to_string(info.blocks) + "\n\n";
    t += "   Date      Time    Attr         Size   Compressed  Name\n";
    t += kRule;
    uint64_t size = 0, packed = 0;
    uint32_t newest = 0;
    size_t files = 0, folders = 0;
    for (const auto& e : reader.Entries()) {
        // Inside a solid block only the first file shows the block's packed size.
        bool shows_packed = e.is_dir || e.packed != 0 || e.size == 0;
        t += LocalStamp(e.mtime) + " " + AttributeText(e) + " " + Number(e.size) + " " +
             (shows_packed ? Number(e.packed) : std::string(12, ' ')) + "  " + ToBackslash(e.name) +
             "\n";
        size += e.size;
        packed += e.packed;
        if (e.mtime > newest) newest = e.mtime;
        (e.is_dir ? folders : files)++;
    }
    t += kRule;
    t += LocalStamp(newest) + "       " + Number(size) + " " + Number(packed) + "  " +
         std::to_string(files) + " files";
    if (folders) t += ", " + std::to_string(folders) + " folders";
    t += "\n";
    return t;
}

}  // namespace arc
