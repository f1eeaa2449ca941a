#include <windows.h>

#include <fdi.h>

#include <cstdlib>

#include "cab_format.h"
#include "reader_format.h"
#include "cab_memory_files.h"

namespace arc {
namespace {

const char kCabName[] = "cabinet.cab";
const char kCabPath[] = "mem\\";
const uint16_t kNameIsUtf8 = 0x80;

uint32_t Le(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

struct FolderInfo {
    uint16_t type = 0;
    uint64_t packed = 0, unpacked = 0;
};

std::string MethodName(uint16_t type) {
    switch (type & 0x0F) {
        case 0:
            return "Stored";
        case 1:
            return "MSZIP";
        case 2:
            return "Quantum";
        case 3:
            return "LZX:" + std::to_string((type >> 8) & 0x1F);
        default:
            return "Unknown";
    }
}

// The directory of the cabinet, read by hand: FDI reports names, not folder sizes. Offsets
// are added in 64 bits: a hostile one near 4 GiB must not wrap around into the file. It is
// all that an open reads, so it also checks that the data blocks lie inside the file.
int ReadDirectory(const SharedBytes& cab, std::vector<Entry>* entries) {
    const uint64_t n = cab.size();
    if (n < 36 || Le(cab.data(), 4) != 0x4643534Du) return kErrNotArchive;  // "MSCF"
    const uint8_t* h = cab.data();
    uint64_t files_at = Le(h + 16, 4);
    unsigned folders = Le(h + 26, 2), files = Le(h + 28, 2), flags = Le(h + 30, 2);
    if (flags & 0x0003) return kErrNotSupported;  // part of a cabinet set
    uint64_t at = 36;
    unsigned folder_reserve = 0, data_reserve = 0;
    if (flags & 0x0004) {
        if (n < 40) return kErrHeaderCrc;
        unsigned header_reserve = Le(h + 36, 2);
        folder_reserve = h[38];
        data_reserve = h[39];
        at = 40 + header_reserve;
    }
    std::vector<FolderInfo> info(folders);
    for (unsigned f = 0; f < folders; ++f, at += 8 + folder_reserve) {
        if (at + 8 > n) return kErrHeaderCrc;
        uint64_t data_at = Le(h + at, 4);
        unsigned blocks = Le(h + at + 4, 2);
        info[f].type = static_cast<uint16_t>(Le(h + at + 6, 2));
        for (unsigned b = 0; b < blocks; ++b) {
            if (data_at + 8 + data_reserve > n) return kErrHeaderCrc;
            unsigned packed = Le(h + data_at + 4, 2), unpacked = Le(h + data_at + 6, 2);
            info[f].packed += packed;
            info[f].unpacked += unpacked;
            data_at += 8 + data_reserve + packed;
            if (data_at > n) return kErrBrokenData;  // cut short
        }
    }
    at = files_at;
    for (unsigned i = 0; i < files; ++i) {
        if (at + 16 > n) return kErrHeaderCrc;
        Entry e;
        e.size = Le(h + at, 4);
        unsigned folder = Le(h + at + 8, 2);
        SetDosStamp(e, static_cast<uint16_t>(Le(h + at + 10, 2)),
                    static_cast<uint16_t>(Le(h + at + 12, 2)));
        unsigned attributes = Le(h + at + 14, 2);
        size_t name_at = static_cast<size_t>(at) + 16, end = name_at;
        while (end < n && h[end]) ++end;
        if (end >= n) return kErrHeaderCrc;
        std::string name(reinterpret_cast<const char*>(h + name_at), end - name_at);
        e.name = EntryName((attributes & kNameIsUtf8) ? AnsiFromUtf8(name) : name);
        e.attr = attributes & 0x27;
        if (folder >= folders) return kErrNotSupported;  // continued from another cabinet
        const FolderInfo& fi = info[folder];
        e.method = MethodName(fi.type);
        e.has_crc = false;
        // Cabinets compress whole folders; each file gets its share of the folder's size.
        e.packed = fi.unpacked ? fi.packed * e.size / fi.unpacked : 0;
        e.header_offset = entries->size();
        entries->push_back(e);
        at = end + 1;
    }
    return kOk;
}

// FDI's callbacks carry no context; one decode runs at a time in a stand-in DLL.
CabMemoryFiles* g_files = nullptr;
std::vector<Bytes>* g_contents = nullptr;
bool g_spans_cabinets = false;

FNALLOC(Alloc) {
    return std::malloc(cb);
}
FNFREE(Free) {
    std::free(pv);
}
FNOPEN(OpenFile) {
    (void)pmode;
    return g_files->Open(pszFile, oflag);
}
FNREAD(Read) {
    return g_files->Read(hf, pv, cb);
}
FNWRITE(Write) {
    return g_files->Write(hf, pv, cb);
}
FNCLOSE(Close) {
    return g_files->Close(hf);
}
FNSEEK(Seek) {
    return g_files->Seek(hf, dist, seektype);
}

FNFDINOTIFY(Notify) {
    switch (fdint) {
        case fdintCOPY_FILE:
            return g_files->Open("entry" + std::to_string(g_contents->size()),
                                 _O_CREAT | _O_WRONLY | _O_BINARY);
        case fdintCLOSE_FILE_INFO: {
            // Taken, not copied: nothing reads the entry's memory file again.
            auto data = g_files->DataOf(pfdin->hf);
            g_contents->push_back(data ? std::move(*data) : Bytes());
            g_files->Close(pfdin->hf);
            return TRUE;
        }
        case fdintNEXT_CABINET:
            g_spans_cabinets = true;
            return -1;
        default:
            return 0;
    }
}

}  // namespace

int CabReader::Open(SharedBytes archive) {
    entries_.clear();
    contents_.clear();
    decoded_ = false;
    int s = ReadDirectory(archive, &entries_);
    if (s != kOk) return s;
    cabinet_ = std::move(archive);
    return kOk;
}

// FDI decodes the whole cabinet in one pass; the entries' contents are kept for the next.
int CabReader::Decode() {
    CabMemoryFiles files;
    files.Put(std::string(kCabPath) + kCabName, Bytes(cabinet_.begin(), cabinet_.end()));
    cabinet_ = SharedBytes();
    decoded_ = true;
    decode_result_ = kErrBrokenData;
    g_files = &files;
    g_contents = &contents_;
    g_spans_cabinets = false;
    ERF erf = {};
    HFDI fdi = FDICreate(Alloc, Free, OpenFile, Read, Write, Close, Seek, cpuUNKNOWN, &erf);
    if (!fdi) return decode_result_ = kErrCannotRead;
    char name[sizeof kCabName], path[sizeof kCabPath];
    std::memcpy(name, kCabName, sizeof name);
    std::memcpy(path, kCabPath, sizeof path);
    BOOL ok = FDICopy(fdi, name, path, 0, Notify, nullptr, nullptr);
    FDIDestroy(fdi);
    g_files = nullptr;
    g_contents = nullptr;
    if (g_spans_cabinets) return decode_result_ = kErrNotSupported;
    if (!ok || contents_.size() != entries_.size()) {
        contents_.clear();
        return decode_result_ = erf.erfOper == FDIERROR_NOT_A_CABINET ||
                                        erf.erfOper == FDIERROR_UNKNOWN_CABINET_VERSION
                                    ? kErrHeaderCrc
                                    : kErrBrokenData;
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (contents_[i].size() != entries_[i].size) {
            contents_.clear();
            return decode_result_ = kErrBrokenData;
        }
    }
    return decode_result_ = kOk;
}

int CabReader::Extract(size_t index, Bytes* out) {
    if (!decoded_) Decode();
    if (decode_result_ != kOk) return decode_result_;
    if (index >= contents_.size()) return kErrHeaderCrc;
    *out = contents_[index];
    return kOk;
}

static bool SniffCab(const Archive& a) {
    return HasSignature(a, "MSCF", 4);
}
const Format kCabFormat = {"cab", SniffCab, ParseWithReader<CabReader>,
                           DecodeWithReader<CabReader>};

}  // namespace arc
