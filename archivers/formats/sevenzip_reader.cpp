#include "sevenzip_reader.h"
#include "reader_format.h"

#include <windows.h>

#include <cstring>

#include "lzma_codec.h"

namespace arc {
namespace {

enum : uint8_t {
    kEnd = 0,
    kHeader,
    kArchiveProperties,
    kAdditionalStreamsInfo,
    kMainStreamsInfo,
    kFilesInfo,
    kPackInfo,
    kUnpackInfo,
    kSubStreamsInfo,
    kSize,
    kCrc,
    kFolder,
    kCodersUnpackSize,
    kNumUnpackStream,
    kEmptyStream,
    kEmptyFile,
    kAnti,
    kName,
    kCTime,
    kATime,
    kMTime,
    kWinAttributes,
    kComment,
    kEncodedHeader,
    kStartPos,
    kDummy
};

const uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

// Header bytes are parsed with a cursor that turns every overrun into a flag instead of a
// read past the end; the caller checks the flag once per structure.
class Cursor {
public:
    Cursor(const uint8_t* p, size_t size) : p_(p), end_(p + size) {}
    bool Bad() const { return bad_; }
    size_t Left() const { return static_cast<size_t>(end_ - p_); }
    const uint8_t* Here() const { return p_; }
    uint8_t Byte() {
        if (p_ >= end_) {
            bad_ = true;
            return 0;
        }
        return *p_++;
    }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return v;
    }
    uint64_t U64() {
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(Byte()) << (8 * i);
        return v;
    }
    uint64_t Number() {
        uint8_t first = Byte();
        uint8_t mask = 0x80;
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if ((first & mask) == 0)
                return value | (static_cast<uint64_t>(first & (mask - 1)) << (8 * i));
            value |= static_cast<uint64_t>(Byte()) << (8 * i);
            mask >>= 1;
        }
        return value;
    }
    // A count that must fit in what is left of the header (guards huge allocations).
    size_t Count() {
        uint64_t n = Number();
        if (n > Left() * 8 + 8) {
            bad_ = true;
            return 0;
        }
        return static_cast<size_t>(n);
    }
    void Skip(uint64_t n) {
        if (n > Left()) {
            bad_ = true;
            p_ = end_;
        } else {
            p_ += n;
        }
    }
    void Fail() { bad_ = true; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
    bool bad_ = false;
};

std::vector<bool> ReadBits(Cursor& c, size_t n) {
    std::vector<bool> bits(n);
    uint8_t byte = 0, mask = 0;
    for (size_t i = 0; i < n; ++i) {
        if (mask == 0) {
            byte = c.Byte();
            mask = 0x80;
        }
        bits[i] = (byte & mask) != 0;
        mask >>= 1;
    }
    return bits;
}

std::vector<bool> ReadOptionalBits(Cursor& c, size_t n) {
    if (c.Byte()) return std::vector<bool>(n, true);
    return ReadBits(c, n);
}

struct Digests {
    std::vector<bool> defined;
    std::vector<uint32_t> values;
};

Digests ReadDigests(Cursor& c, size_t n) {
    Digests d;
    d.defined = ReadOptionalBits(c, n);
    d.values.resize(n);
    for (size_t i = 0; i < n; ++i)
        if (d.defined[i]) d.values[i] = c.U32();
    return d;
}

struct Streams {
    uint64_t pack_pos = 0;
    std::vector<uint64_t> pack_sizes;
    std::vector<SevenZipReader::Folder> folders;
    std::vector<size_t> substream_counts;
    std::vector<uint64_t> substream_sizes;
    std::vector<bool> substream_has_crc;
    std::vector<uint32_t> substream_crcs;
};

void ReadPackInfo(Cursor& c, Streams& s) {
    s.pack_pos = c.Number();
    size_t n = c.Count();
    for (uint8_t id = c.Byte(); id != kEnd && !c.Bad(); id = c.Byte()) {
        if (id == kSize) {
            s.pack_sizes.resize(n);
            for (auto& size : s.pack_sizes) size = c.Number();
        } else if (id == kCrc) {
            ReadDigests(c, n);
        } else {
            c.Fail();
        }
    }
}

const std::vector<uint8_t> kCopyId = {0x00}, kLzmaId = {0x03, 0x01, 0x01}, kLzma2Id = {0x21};
const std::vector<uint8_t> kBcjId = {0x03, 0x03, 0x01, 0x03};

// Reads one folder. Supported are one coder, or the x86 filter fed by one coder (what 7-Zip
// writes for programs); other folders are kept, so entry numbering stays right, but marked
// not simple, and extracting them reports Unsupported.
void ReadFolder(Cursor& c, SevenZipReader::Folder& f, size_t* out_streams, size_t* packed_streams,
                size_t* final_out) {
    size_t coders = c.Count();
    size_t total_in = 0, total_out = 0;
    bool all_plain = true;  // every coder one in, one out
    std::vector<std::vector<uint8_t>> ids;
    std::vector<Bytes> all_props;
    for (size_t i = 0; i < coders && !c.Bad(); ++i) {
        uint8_t flags = c.Byte();
        size_t id_size = flags & 0x0F;
        std::vector<uint8_t> id;
        for (size_t k = 0; k < id_size; ++k) id.push_back(c.Byte());
        size_t in = 1, out = 1;
        if (flags & 0x10) {
            in = c.Count();
            out = c.Count();
            all_plain = all_plain && in == 1 && out == 1;
        }
        Bytes props;
        if (flags & 0x20) {
            size_t n = c.Count();
            for (size_t k = 0; k < n; ++k) props.push_back(c.Byte());
        }
        if (flags & 0x80) c.Fail();  // alternative methods were never written by any tool
        ids.push_back(id);
        all_props.push_back(props);
        total_in += in;
        total_out += out;
    }
    if (total_out == 0 || c.Bad()) {
        c.Fail();
        return;
    }
    size_t bind_pairs = total_out - 1;
    std::vector<bool> bound(total_out, false);
    std::vector<std::pair<uint64_t, uint64_t>> binds;
    for (size_t i = 0; i < bind_pairs; ++i) {
        uint64_t in_index = c.Number();
        uint64_t out_index = c.Number();
        binds.push_back({in_index, out_index});
        if (out_index < total_out) bound[out_index] = true;
    }
    *final_out = 0;
    for (size_t i = 0; i < total_out; ++i)
        if (!bound[i]) *final_out = i;
    f.simple = false;
    if (all_plain && coders == 1) {
        f.simple = true;
        f.coder_id = ids[0];
        f.props = all_props[0];
        f.inner_out = 0;
    } else if (all_plain && coders == 2 && binds.size() == 1 && *final_out < 2 &&
               ids[*final_out] == kBcjId && binds[0].first == *final_out &&
               binds[0].second == 1 - *final_out) {
        f.simple = true;
        f.filter = SevenZipReader::Filter::X86;
        f.inner_out = 1 - *final_out;
        f.coder_id = ids[f.inner_out];
        f.props = all_props[f.inner_out];
    }
    if (total_in < bind_pairs) {
        c.Fail();
        return;
    }
    size_t packed = total_in - bind_pairs;
    if (packed > 1)
        for (size_t i = 0; i < packed; ++i) c.Number();
    *out_streams = total_out;
    *packed_streams = packed;
}

void ReadUnpackInfo(Cursor& c, Streams& s, std::vector<size_t>& packed_per_folder) {
    if (c.Byte() != kFolder) return c.Fail();
    size_t n = c.Count();
    if (c.Byte() != 0) return c.Fail();  // external folders: never written by any tool
    s.folders.resize(n);
    std::vector<size_t> outs(n), finals(n);
    packed_per_folder.resize(n);
    for (size_t i = 0; i < n && !c.Bad(); ++i)
        ReadFolder(c, s.folders[i], &outs[i], &packed_per_folder[i], &finals[i]);
    if (c.Byte() != kCodersUnpackSize) return c.Fail();
    for (size_t i = 0; i < n && !c.Bad(); ++i) {
        // One size per coder output; the folder's own size is that of the unbound output.
        for (size_t k = 0; k < outs[i]; ++k) {
            uint64_t size = c.Number();
            if (k == finals[i]) s.folders[i].unpack_size = size;
            if (k == s.folders[i].inner_out) s.folders[i].inner_size = size;
        }
    }
    for (uint8_t id = c.Byte(); id != kEnd && !c.Bad(); id = c.Byte()) {
        if (id != kCrc) return c.Fail();
        Digests d = ReadDigests(c, n);
        for (size_t i = 0; i < n; ++i) {
            s.folders[i].has_crc = d.defined[i];
            s.folders[i].crc = d.values[i];
        }
    }
}

void ReadSubStreams(Cursor& c, Streams& s) {
    const size_t n = s.folders.size();
    s.substream_counts.assign(n, 1);
    uint8_t id = c.Byte();
    if (id == kNumUnpackStream) {
        for (auto& count : s.substream_counts) count = c.Count();
        id = c.Byte();
    }
    bool have_sizes = id == kSize;
    for (size_t i = 0; i < n && !c.Bad(); ++i) {
        if (s.substream_counts[i] == 0) continue;
        uint64_t sum = 0;
        for (size_t k = 1; k < s.substream_counts[i]; ++k) {
            uint64_t size = have_sizes ? c.Number() : 0;
            s.substream_sizes.push_back(size);
            sum += size;
        }
        if (sum > s.folders[i].unpack_size) return c.Fail();
        s.substream_sizes.push_back(s.folders[i].unpack_size - sum);
    }
    if (have_sizes) id = c.Byte();
    // CRCs of folders with one substream and a folder CRC are not repeated here.
    size_t unknown = 0;
    for (size_t i = 0; i < n; ++i)
        if (!(s.substream_counts[i] == 1 && s.folders[i].has_crc)) unknown += s.substream_counts[i];
    Digests d;
    while (id != kEnd && !c.Bad()) {
        if (id == kCrc) {
            d = ReadDigests(c, unknown);
        } else {
            c.Skip(c.Number());
        }
        id = c.Byte();
    }
    size_t next = 0;
    for (size_t i = 0; i < n; ++i) {
        if (s.substream_counts[i] == 1 && s.folders[i].has_crc) {
            s.substream_has_crc.push_back(true);
            s.substream_crcs.push_back(s.folders[i].crc);
            continue;
        }
        for (size_t k = 0; k < s.substream_counts[i]; ++k, ++next) {
            bool has = next < d.defined.size() && d.defined[next];
            s.substream_has_crc.push_back(has);
            s.substream_crcs.push_back(has ? d.values[next] : 0);
        }
    }
}

void ReadStreamsInfo(Cursor& c, Streams& s) {
    std::vector<size_t> packed_per_folder;
    bool have_substreams = false;
    for (uint8_t id = c.Byte(); id != kEnd && !c.Bad(); id = c.Byte()) {
        if (id == kPackInfo) {
            ReadPackInfo(c, s);
        } else if (id == kUnpackInfo) {
            ReadUnpackInfo(c, s, packed_per_folder);
        } else if (id == kSubStreamsInfo) {
            ReadSubStreams(c, s);
            have_substreams = true;
        } else {
            c.Fail();
        }
    }
    if (c.Bad()) return;
    // Lay the folders over the packed streams in order.
    uint64_t offset = 32 + s.pack_pos;
    size_t pack_index = 0;
    for (size_t i = 0; i < s.folders.size(); ++i) {
        auto& f = s.folders[i];
        if (packed_per_folder[i] != 1) f.simple = false;
        if (pack_index >= s.pack_sizes.size()) return c.Fail();
        f.pack_offset = offset;
        f.pack_size = s.pack_sizes[pack_index];
        for (size_t k = 0; k < packed_per_folder[i] && pack_index < s.pack_sizes.size(); ++k)
            offset += s.pack_sizes[pack_index++];
    }
    if (!have_substreams) {
        for (auto& f : s.folders) {
            s.substream_counts.push_back(1);
            s.substream_sizes.push_back(f.unpack_size);
            s.substream_has_crc.push_back(f.has_crc);
            s.substream_crcs.push_back(f.crc);
        }
    }
}

std::string NameToAnsi(const std::u16string& name) {
    // 7z stores '/' (or '\\' from old Windows tools): EntryName turns both.
    return AnsiFromWide(std::wstring(name.begin(), name.end()));
}

// The folders decoded here: Copy alone, LZMA or LZMA2 alone or behind the x86 filter.
bool OwnFolder(const SevenZipReader::Folder& f) {
    if (!f.simple) return false;
    if (f.coder_id == kCopyId) return f.filter == SevenZipReader::Filter::None;
    return f.coder_id == kLzmaId || f.coder_id == kLzma2Id;
}

int DecodeCoder(const SevenZipReader::Folder& f, const uint8_t* in, Bytes* out) {
    if (!OwnFolder(f)) return kErrNotSupported;
    if (f.coder_id == kCopyId) {
        if (f.pack_size != f.unpack_size) return kErrBrokenData;
        out->assign(in, in + f.pack_size);
        return kOk;
    }
    const bool x86 = f.filter == SevenZipReader::Filter::X86;
    // The filter keeps the size, so its input is as long as the folder's output.
    if (x86 && f.inner_size != f.unpack_size) return kErrBrokenData;
    return Lzma_Decode(f.coder_id == kLzmaId ? LzmaKind::Lzma : LzmaKind::Lzma2, f.props, x86, in,
                       static_cast<size_t>(f.pack_size), f.unpack_size, out);
}

int DecodeFolderOf(const SharedBytes& archive, const SevenZipReader::Folder& f, Bytes* out) {
    if (f.pack_offset > archive.size() || f.pack_size > archive.size() - f.pack_offset)
        return kErrHeaderCrc;
    out->clear();
    int s = DecodeCoder(f, archive.data() + f.pack_offset, out);
    if (s != kOk) return s;
    if (f.has_crc && Crc32(*out) != f.crc) return kErrFileCrc;
    return kOk;
}

// 7-Zip's way of showing a dictionary: a power of two as its exponent, else in m, k or b.
std::string DictionaryText(uint32_t dict) {
    for (int i = 0; i < 32; ++i)
        if ((1u << i) == dict) return std::to_string(i);
    if ((dict & ((1u << 20) - 1)) == 0) return std::to_string(dict >> 20) + "m";
    if ((dict & ((1u << 10) - 1)) == 0) return std::to_string(dict >> 10) + "k";
    return std::to_string(dict) + "b";
}

std::string SevenZip_MethodWithDictionary(const SevenZipReader::Folder& f) {
    std::string name = SevenZip_MethodName(f);
    if (name == "LZMA" && f.props.size() >= 5)
        return name + ":" +
               DictionaryText(f.props[1] | f.props[2] << 8 | f.props[3] << 16 |
                              static_cast<uint32_t>(f.props[4]) << 24);
    if (name == "LZMA2" && f.props.size() >= 1) {
        unsigned p = f.props[0];
        uint32_t dict = p >= 40 ? 0xFFFFFFFFu : (2u | (p & 1)) << (p / 2 + 11);
        return name + ":" + DictionaryText(dict);
    }
    return name;
}

}  // namespace

std::string SevenZip_MethodName(const SevenZipReader::Folder& folder) {
    if (!folder.simple) return "Complex";
    if (folder.coder_id == kCopyId) return "Copy";
    if (folder.coder_id == kLzmaId) return "LZMA";
    if (folder.coder_id == kLzma2Id) return "LZMA2";
    static const struct {
        std::vector<uint8_t> id;
        const char* name;
    } kOthers[] = {{{0x03, 0x04, 0x01}, "PPMD"},
                   {{0x04, 0x01, 0x02}, "BZip2"},
                   {{0x04, 0x01, 0x08}, "Deflate"},
                   {{0x04, 0x01, 0x09}, "Deflate64"}};
    for (const auto& other : kOthers)
        if (folder.coder_id == other.id) return other.name;
    return "Unknown";
}

int SevenZipReader::Open(SharedBytes archive) {
    archive_ = std::move(archive);
    entries_.clear();
    folders_.clear();
    places_.clear();
    cursor_.reset();
    cached_folder_ = static_cast<size_t>(-1);
    if (archive_.size() < 32 || std::memcmp(archive_.data(), kSignature, 6) != 0)
        return kErrNotArchive;
    Cursor start(archive_.data() + 12, 20);
    if (Crc32(archive_.data() + 12, 20) != Cursor(archive_.data() + 8, 4).U32())
        return kErrHeaderCrc;
    uint64_t next_offset = start.U64(), next_size = start.U64();
    uint32_t next_crc = start.U32();
    if (next_size == 0) return kOk;  // an empty archive
    if (next_offset > archive_.size() - 32 || next_size > archive_.size() - 32 - next_offset)
        return kErrHeaderCrc;
    const uint8_t* header = archive_.data() + 32 + next_offset;
    if (Crc32(header, static_cast<size_t>(next_size)) != next_crc) return kErrHeaderCrc;

    Bytes unpacked;
    Cursor c(header, static_cast<size_t>(next_size));
    uint8_t id = c.Byte();
    while (id == kEncodedHeader) {
        Streams s;
        ReadStreamsInfo(c, s);
        if (c.Bad() || s.folders.empty()) return kErrHeaderCrc;
        Bytes decoded;
        int st = DecodeFolderOf(archive_, s.folders[0], &decoded);
        if (st != kOk) return st == kErrNotSupported ? st : kErrHeaderCrc;
        unpacked.swap(decoded);
        c = Cursor(unpacked.data(), unpacked.size());
        id = c.Byte();
    }
    if (id != kHeader) return kErrHeaderCrc;

    Streams s;
    size_t num_files = 0;
    std::vector<bool> empty_stream, empty_file, anti;
    std::vector<std::u16string> names;
    std::vector<uint64_t> mtimes;
    std::vector<bool> mtime_defined, attr_defined;
    std::vector<uint32_t> attrs;
    for (id = c.Byte(); id != kEnd && !c.Bad(); id = c.Byte()) {
        if (id == kArchiveProperties) {
            for (uint8_t p = c.Byte(); p != kEnd && !c.Bad(); p = c.Byte()) c.Skip(c.Number());
        } else if (id == kAdditionalStreamsInfo) {
            Streams extra;
            ReadStreamsInfo(c, extra);
        } else if (id == kMainStreamsInfo) {
            ReadStreamsInfo(c, s);
        } else if (id == kFilesInfo) {
            num_files = c.Count();
            for (uint8_t p = c.Byte(); p != kEnd && !c.Bad(); p = c.Byte()) {
                uint64_t size = c.Number();
                if (size > c.Left()) return kErrHeaderCrc;
                Cursor prop(c.Here(), static_cast<size_t>(size));
                c.Skip(size);
                if (p == kEmptyStream) {
                    empty_stream = ReadBits(prop, num_files);
                } else if (p == kEmptyFile || p == kAnti) {
                    size_t empties = 0;
                    for (bool b : empty_stream) empties += b;
                    (p == kEmptyFile ? empty_file : anti) = ReadBits(prop, empties);
                } else if (p == kName) {
                    if (prop.Byte() != 0) return kErrNotSupported;
                    std::u16string name;
                    while (prop.Left() >= 2 && names.size() < num_files) {
                        char16_t ch = static_cast<char16_t>(prop.Byte() | (prop.Byte() << 8));
                        if (ch == 0) {
                            names.push_back(name);
                            name.clear();
                        } else {
                            name.push_back(ch);
                        }
                    }
                } else if (p == kMTime || p == kWinAttributes) {
                    std::vector<bool> defined = ReadOptionalBits(prop, num_files);
                    if (prop.Byte() != 0) return kErrNotSupported;
                    for (size_t i = 0; i < num_files; ++i) {
                        if (p == kMTime)
                            mtimes.push_back(defined[i] ? prop.U64() : 0);
                        else
                            attrs.push_back(defined[i] ? prop.U32() : 0);
                    }
                    (p == kMTime ? mtime_defined : attr_defined) = defined;
                }
                if (prop.Bad()) return kErrHeaderCrc;
            }
        } else {
            return kErrHeaderCrc;
        }
    }
    if (c.Bad() || names.size() != num_files) return kErrHeaderCrc;
    empty_stream.resize(num_files, false);

    folders_ = s.folders;
    summary_ = Summary();
    summary_.physical_size = archive_.size();
    uint64_t packed_total = 0;
    for (uint64_t size : s.pack_sizes) packed_total += size;
    summary_.headers_size = archive_.size() > packed_total ? archive_.size() - packed_total : 0;
    summary_.blocks = folders_.size();
    for (size_t count : s.substream_counts) summary_.solid = summary_.solid || count > 1;
    for (const auto& f : folders_) {
        std::string m = SevenZip_MethodWithDictionary(f);
        if (f.filter == Filter::X86) m += " BCJ";
        if ((" " + summary_.methods + " ").find(" " + m + " ") == std::string::npos)
            summary_.methods += (summary_.methods.empty() ? "" : " ") + m;
    }
    size_t folder = 0, in_folder = 0, stream = 0, empty_index = 0;
    uint64_t offset = 0;
    for (size_t i = 0; i < num_files; ++i) {
        Entry e;
        Place place;
        e.name = EntryName(NameToAnsi(names[i]));
        e.header_offset = i;
        e.has_crc = false;
        if (empty_stream[i]) {
            bool is_empty_file = empty_index < empty_file.size() && empty_file[empty_index];
            ++empty_index;
            e.is_dir = !is_empty_file;
        } else {
            while (folder < s.substream_counts.size() && in_folder >= s.substream_counts[folder]) {
                ++folder;
                in_folder = 0;
                offset = 0;
            }
            if (folder >= folders_.size() || stream >= s.substream_sizes.size())
                return kErrHeaderCrc;
            place.folder = folder;
            place.offset = offset;
            place.has_stream = true;
            e.size = s.substream_sizes[stream];
            e.has_crc = s.substream_has_crc[stream];
            e.crc = s.substream_crcs[stream];
            // 7-Zip shows a solid block's packed size on its first file only.
            e.packed = in_folder == 0 ? folders_[folder].pack_size : 0;
            e.method = SevenZip_MethodName(folders_[folder]);
            offset += e.size;
            ++in_folder;
            ++stream;
        }
        if (i < attrs.size() && attr_defined[i]) e.attr = DosAttributes(attrs[i], e.is_dir);
        if (e.is_dir) e.attr |= FILE_ATTRIBUTE_DIRECTORY;
        if (e.attr & FILE_ATTRIBUTE_DIRECTORY) e.is_dir = true;
        const bool has_time = i < mtimes.size() && mtime_defined[i];
        SetUnixTime(e, has_time ? UnixFromTicks(mtimes[i]) : 0);
        entries_.push_back(e);
        places_.push_back(place);
    }
    return kOk;
}

bool SevenZipReader::KeepPacked(size_t index, SevenZipMethod method, Item* item) const {
    if (index >= entries_.size() || !places_[index].has_stream) return false;
    const Entry& e = entries_[index];
    const Folder& f = folders_[places_[index].folder];
    if (!f.simple || f.filter != Filter::None || f.coder_id != SevenZip_CoderId(method) ||
        !e.has_crc || f.unpack_size != e.size || f.pack_offset > archive_.size() ||
        f.pack_size > archive_.size() - f.pack_offset)
        return false;
    item->entry.size = e.size;
    item->entry.crc = e.crc;
    item->packed_stream = archive_.data() + f.pack_offset;
    item->packed_size = f.pack_size;
    item->packed_props = f.props;
    return true;
}

int SevenZipReader::Extract(size_t index, Bytes* out) {
    out->clear();
    if (index >= entries_.size()) return kErrHeaderCrc;
    const Place& place = places_[index];
    if (!place.has_stream) return kOk;
    const Entry& e = entries_[index];
    const Folder& f = folders_[place.folder];
    if (!OwnFolder(f)) {
        if (!cursor_)
            cursor_ = std::make_unique<ArchiveCursor>(&archive_, ArchiveCursor::Kind::SevenZip);
        int s = cursor_->Read(index, out);
        if (s != kOk) return s;
    } else {
        if (cached_folder_ != place.folder) {
            cached_folder_ = static_cast<size_t>(-1);
            int s = DecodeFolderOf(archive_, folders_[place.folder], &cached_);
            if (s != kOk) return s;
            cached_folder_ = place.folder;
        }
        if (place.offset + e.size > cached_.size()) return kErrBrokenData;
        out->assign(cached_.begin() + place.offset, cached_.begin() + place.offset + e.size);
    }
    if (out->size() != e.size) return kErrBrokenData;
    if (e.has_crc && Crc32(*out) != e.crc) return kErrFileCrc;
    return kOk;
}

static bool Sniff7z(const Archive& a) {
    return HasSignature(a, "7z\xBC\xAF\x27\x1C", 6);
}
const Format kSevenZipFormat = {"7z", Sniff7z, ParseWithReader<SevenZipReader>,
                                DecodeWithReader<SevenZipReader>};

}  // namespace arc
