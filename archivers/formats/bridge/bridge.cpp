#include "bridge.h"

#include <windows.h>

#include <cstring>
#include <memory>

#include "../../engine/util.h"
#include "arj_reader.h"
#include "cab_format.h"
#include "sevenzip_reader.h"
#include "simple_container.h"

namespace arc {
namespace {

using ArcFormat::Bytes;
using ArcFormat::Status;

const uint64_t kUnixEpochTicks = 116444736000000000ull;

Entry ToEngine(const ArcFormat::Entry& in, size_t index) {
    Entry e;
    e.name = ToSlash(in.path);
    while (!e.name.empty() && e.name.back() == '/') e.name.pop_back();
    e.is_dir = in.is_dir;
    e.size = in.size;
    e.packed = in.packed;
    e.crc = in.crc;
    // DOS stamps are local time; the engine's mtime is UTC, as FILETIMEs are.
    if (in.dos_is_local) {
        e.dos_date = in.dos_date;
        e.dos_time = in.dos_time;
        e.mtime = UnixFromDos(in.dos_date, in.dos_time);
    } else {
        e.mtime = in.filetime > kUnixEpochTicks
                      ? uint32_t((in.filetime - kUnixEpochTicks) / 10000000ull)
                      : 0;
        DosFromUnix(e.mtime, &e.dos_date, &e.dos_time);
    }
    e.attr =
        in.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
    if (e.is_dir) e.attr |= FILE_ATTRIBUTE_DIRECTORY;
    e.os_type = 0;
    e.method = in.method;
    e.header_offset = index;  // which entry of the reader this is
    return e;
}

// One parsed reader per archive image: decode is called once per entry, and solid 7z
// blocks or whole cabinets should not be decoded again for each of them.
template <class Reader>
struct ReaderCache {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::unique_ptr<Reader> reader;
};

template <class Reader, class OpenFn>
Reader* CachedReader(ReaderCache<Reader>& cache, const Archive& a, OpenFn open, Status* status) {
    *status = Status::Ok;
    if (cache.reader && cache.data == a.bytes.data() && cache.size == a.bytes.size())
        return cache.reader.get();
    cache.reader.reset(new Reader);
    cache.data = a.bytes.data();
    cache.size = a.bytes.size();
    *status = open(*cache.reader, Bytes(a.bytes.begin(), a.bytes.end()));
    if (*status != Status::Ok) {
        cache.reader.reset();
        return nullptr;
    }
    return cache.reader.get();
}

template <class Reader, class OpenFn>
int Parse(ReaderCache<Reader>& cache, Archive& a, OpenFn open) {
    // Always a fresh reader here: a new archive image may reuse a freed one's address, and
    // every image is parsed before anything of it is decoded.
    cache.reader.reset();
    Status s;
    Reader* r = CachedReader(cache, a, open, &s);
    if (!r) return Bridge_Result(s);
    a.entries.clear();
    for (size_t i = 0; i < r->Entries().size(); ++i)
        a.entries.push_back(ToEngine(r->Entries()[i], i));
    return kOk;
}

template <class Reader, class OpenFn>
int Decode(ReaderCache<Reader>& cache, const Archive& a, const Entry& e, std::vector<uint8_t>& out,
           OpenFn open) {
    Status s;
    Reader* r = CachedReader(cache, a, open, &s);
    if (!r) return Bridge_Result(s);
    Bytes content;
    s = r->Extract(e.header_offset, &content);
    out.assign(content.begin(), content.end());
    return Bridge_Result(s);
}

bool StartsWith(const Archive& a, const char* magic, size_t n) {
    return a.bytes.size() >= n && std::memcmp(a.bytes.data(), magic, n) == 0;
}

// --- 7z
ReaderCache<ArcFormat::SevenZipReader> g_7z;
Status Open7z(ArcFormat::SevenZipReader& r, Bytes b) {
    return r.Open(std::move(b));
}
bool Sniff7z(const Archive& a) {
    return StartsWith(a, "7z\xBC\xAF\x27\x1C", 6);
}
int Parse7z(Archive& a) {
    return Parse(g_7z, a, Open7z);
}
int Decode7z(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    return Decode(g_7z, a, e, out, Open7z);
}

// --- ARJ
ReaderCache<ArcFormat::ArjReader> g_arj;
Status OpenArj(ArcFormat::ArjReader& r, Bytes b) {
    return r.Open(std::move(b));
}
bool SniffArj(const Archive& a) {
    return StartsWith(a, "\x60\xEA", 2);
}
int ParseArj(Archive& a) {
    return Parse(g_arj, a, OpenArj);
}
int DecodeArj(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    return Decode(g_arj, a, e, out, OpenArj);
}

// --- CAB
ReaderCache<ArcFormat::CabReader> g_cab;
Status OpenCab(ArcFormat::CabReader& r, Bytes b) {
    return r.Open(std::move(b));
}
bool SniffCab(const Archive& a) {
    return StartsWith(a, "MSCF", 4);
}
int ParseCab(Archive& a) {
    return Parse(g_cab, a, OpenCab);
}
int DecodeCab(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    return Decode(g_cab, a, e, out, OpenCab);
}

// --- our YZ1 and GCA containers
ReaderCache<ArcFormat::ContainerReader> g_yz1, g_gca;
Status OpenYz1(ArcFormat::ContainerReader& r, Bytes b) {
    return r.Open(std::move(b), ArcFormat::ContainerKind::Yz1);
}
Status OpenGca(ArcFormat::ContainerReader& r, Bytes b) {
    return r.Open(std::move(b), ArcFormat::ContainerKind::Gca);
}
bool SniffYz1(const Archive& a) {
    return StartsWith(a, "QVSCyz1", 7);
}
bool SniffGca(const Archive& a) {
    return StartsWith(a, "QVSCgca", 7);
}
int ParseYz1(Archive& a) {
    return Parse(g_yz1, a, OpenYz1);
}
int ParseGca(Archive& a) {
    return Parse(g_gca, a, OpenGca);
}
int DecodeYz1(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    return Decode(g_yz1, a, e, out, OpenYz1);
}
int DecodeGca(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    return Decode(g_gca, a, e, out, OpenGca);
}

}  // namespace

const Format kSevenZipFormat = {"7z", Sniff7z, Parse7z, Decode7z};
const Format kArjFormat = {"arj", SniffArj, ParseArj, DecodeArj};
const Format kCabFormat = {"cab", SniffCab, ParseCab, DecodeCab};
const Format kYz1Format = {"yz1", SniffYz1, ParseYz1, DecodeYz1};
const Format kGcaFormat = {"gca", SniffGca, ParseGca, DecodeGca};

int Bridge_Result(Status status) {
    switch (status) {
        case Status::Ok:
            return kOk;
        case Status::NotArchive:
            return kErrNotArchive;
        case Status::BrokenHeader:
            return kErrHeaderCrc;
        case Status::BadData:
            return kErrBrokenData;
        case Status::CrcError:
            return kErrFileCrc;
        case Status::Unsupported:
            return kErrNotSupported;
        case Status::IoError:
            return kErrCannotRead;
    }
    return kErrBrokenData;
}

std::vector<BridgeItem> Bridge_FromSources(const std::vector<Source>& sources) {
    std::vector<BridgeItem> items;
    for (const Source& s : sources) {
        BridgeItem item;
        item.source = s;
        items.push_back(item);
    }
    return items;
}

int Bridge_Items(const std::vector<BridgeItem>& items, std::vector<ArcFormat::WriteItem>* out) {
    out->clear();
    for (const BridgeItem& item : items) {
        ArcFormat::WriteItem w;
        std::vector<uint8_t> content;
        uint32_t mtime;
        if (item.kept) {
            w.path = ToBackslash(item.kept->name);
            w.is_dir = item.kept->is_dir;
            w.attributes = item.kept->attr;
            mtime = item.kept->mtime;
            if (!w.is_dir) {
                int r = item.from->format->decode(*item.from, *item.kept, content);
                if (r) return r;
            }
        } else {
            w.path = ToBackslash(item.source.name);
            w.is_dir = item.source.is_dir;
            w.attributes = item.source.attr;
            mtime = item.source.mtime;
            if (!w.is_dir && !ReadWholeFile(item.source.disk_path, content)) return kErrCannotRead;
        }
        w.data.assign(content.begin(), content.end());
        w.filetime = uint64_t(mtime) * 10000000ull + kUnixEpochTicks;
        out->push_back(std::move(w));
    }
    return kOk;
}

int Bridge_Save(const std::string& path, const ArcFormat::Bytes& image) {
    return WriteWholeFile(path, image.data(), image.size()) ? kOk : kErrCannotCreate;
}

void Bridge_JoinArchiveWords(std::string* archive, std::vector<std::string>* names) {
    if (archive->empty() || FileExists(*archive)) return;
    std::string joined = *archive;
    for (size_t i = 0; i < names->size(); ++i) {
        joined += " " + (*names)[i];
        if (FileExists(joined) && !IsFolder(joined)) {
            *archive = joined;
            names->erase(names->begin(), names->begin() + i + 1);
            return;
        }
    }
}

}  // namespace arc
