#include "simple_container.h"
#include "reader_format.h"

#include <windows.h>

#include <cstring>

#include "lzma_codec.h"

namespace arc {
namespace {

// "QVSC" + kind + version: never the start of a real YZ1 or GCA file.
const char* Signature(ContainerKind kind) {
    return kind == ContainerKind::Yz1 ? "QVSCyz1\x01" : "QVSCgca\x01";
}
const size_t kSignatureSize = 8;
const size_t kFixedHeader = 4 + 2 + 1 + 1 + 4 + 8 + 8 + 8 + 4;  // see Container_Write
const uint8_t kStored = 0, kLzma = 1;

void Put(Bytes& b, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint64_t Get(const uint8_t* p, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

int Container_Write(ContainerKind kind, const std::vector<Item>& items, bool compress, Bytes* out) {
    out->assign(Signature(kind), Signature(kind) + kSignatureSize);
    for (const auto& item : items) {
        Bytes packed;
        uint8_t method = kStored;
        if (compress && !item.entry.is_dir && !item.data.empty()) {
            // The 5 property bytes first, then the stream.
            Bytes props;
            if (!Lzma_Encode(LzmaKind::Lzma, item.data.data(), item.data.size(), &packed, &props))
                return kErrBrokenData;
            packed.insert(packed.begin(), props.begin(), props.end());
            method = kLzma;
            if (packed.size() >= item.data.size()) method = kStored;  // incompressible data
        }
        if (method == kStored) packed = item.data;
        const std::string name = ToBackslash(item.entry.name);
        Bytes h;
        Put(h, name.size(), 2);
        h.push_back(method);
        h.push_back(item.entry.is_dir ? 1 : 0);
        uint32_t attributes = item.entry.attr | (item.entry.is_dir ? FILE_ATTRIBUTE_DIRECTORY : 0);
        Put(h, attributes, 4);
        Put(h, TicksFromUnix(item.entry.mtime), 8);
        Put(h, item.data.size(), 8);
        Put(h, packed.size(), 8);
        Put(h, Crc32(item.data), 4);
        h.insert(h.end(), name.begin(), name.end());
        Put(*out, Crc32(h), 4);
        out->insert(out->end(), h.begin(), h.end());
        out->insert(out->end(), packed.begin(), packed.end());
    }
    return kOk;
}

int ContainerReader::Open(SharedBytes archive, ContainerKind kind) {
    archive_ = std::move(archive);
    entries_.clear();
    offsets_.clear();
    methods_.clear();
    if (archive_.size() < kSignatureSize ||
        std::memcmp(archive_.data(), Signature(kind), kSignatureSize) != 0)
        return kErrNotArchive;
    size_t at = kSignatureSize;
    while (at < archive_.size()) {
        if (archive_.size() - at < kFixedHeader) return kErrHeaderCrc;
        const uint8_t* p = archive_.data() + at;
        size_t name_size = static_cast<size_t>(Get(p + 4, 2));
        if (archive_.size() - at - kFixedHeader < name_size) return kErrHeaderCrc;
        if (Crc32(p + 4, kFixedHeader - 4 + name_size) != Get(p, 4)) return kErrHeaderCrc;
        Entry e;
        uint8_t method = p[6];
        e.is_dir = p[7] != 0;
        e.attr = DosAttributes(static_cast<uint32_t>(Get(p + 8, 4)), e.is_dir);
        SetUnixTime(e, UnixFromTicks(Get(p + 12, 8)));
        e.size = Get(p + 20, 8);
        e.packed = Get(p + 28, 8);
        e.crc = static_cast<uint32_t>(Get(p + 36, 4));
        e.name = EntryName(std::string(reinterpret_cast<const char*>(p + kFixedHeader), name_size));
        e.header_offset = entries_.size();
        e.method = method == kLzma ? "lzma" : "store";
        if (method > kLzma) return kErrNotSupported;
        at += kFixedHeader + name_size;
        if (e.packed > archive_.size() - at) return kErrHeaderCrc;
        offsets_.push_back(at);
        methods_.push_back(method);
        at += static_cast<size_t>(e.packed);
        entries_.push_back(e);
    }
    return kOk;
}

int ContainerReader::Extract(size_t index, Bytes* out) {
    out->clear();
    if (index >= entries_.size()) return kErrHeaderCrc;
    const Entry& e = entries_[index];
    const uint8_t* data = archive_.data() + offsets_[index];
    if (methods_[index] == kLzma) {
        if (e.packed < 5) return kErrBrokenData;
        int s = Lzma_Decode(LzmaKind::Lzma, Bytes(data, data + 5), false, data + 5,
                            static_cast<size_t>(e.packed - 5), e.size, out);
        if (s != kOk) return s;
    } else {
        out->assign(data, data + e.packed);
    }
    if (out->size() != e.size || Crc32(*out) != e.crc) return kErrFileCrc;
    return kOk;
}

// The container of each kind as a format of its own.
template <ContainerKind kKind>
struct KindReader : ContainerReader {
    int Open(SharedBytes archive) { return ContainerReader::Open(std::move(archive), kKind); }
};
template <ContainerKind kKind>
bool SniffKind(const Archive& a) {
    return HasSignature(a, Signature(kKind), kSignatureSize - 1);
}
const Format kYz1Format = {"yz1", SniffKind<ContainerKind::Yz1>,
                           ParseWithReader<KindReader<ContainerKind::Yz1>>,
                           DecodeWithReader<KindReader<ContainerKind::Yz1>>};
const Format kGcaFormat = {"gca", SniffKind<ContainerKind::Gca>,
                           ParseWithReader<KindReader<ContainerKind::Gca>>,
                           DecodeWithReader<KindReader<ContainerKind::Gca>>};

}  // namespace arc
