#include "sevenzip_writer.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>

#include "lzma_codec.h"

namespace arc {
namespace {

void PutNumber(Bytes& b, uint64_t v) {
    // The shortest form: a first byte whose leading one bits count the extra bytes.
    int extra = 0;
    while (extra < 8 && v >= (1ull << (7 * (extra + 1)))) ++extra;
    if (extra == 8) {
        b.push_back(0xFF);
        for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return;
    }
    uint8_t first = static_cast<uint8_t>(0xFF00 >> extra);
    first = static_cast<uint8_t>(first | (v >> (8 * extra)));
    b.push_back(first);
    for (int i = 0; i < extra; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutU64(Bytes& b, uint64_t v) {
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes Bits(const std::vector<bool>& bits) {
    Bytes b((bits.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) b[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return b;
}

void PutProperty(Bytes& header, uint8_t id, const Bytes& body) {
    header.push_back(id);
    PutNumber(header, body.size());
    header.insert(header.end(), body.begin(), body.end());
}

std::u16string NameToUtf16(const std::string& path) {
    // Separators are turned after the conversion: before it, a '\\' byte may be the trail
    // byte of a CP932 character such as 表.
    const std::string& name = path;
    int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), &wide[0], n);
    std::u16string out(wide.begin(), wide.end());
    for (auto& ch : out)
        if (ch == u'\\') ch = u'/';
    return out;
}

// One block (a 7z folder): the files it holds one after another, packed as one stream.
struct Block {
    Bytes props;
    uint64_t packed = 0, size = 0;
    std::vector<uint64_t> sizes;  // of its files
    std::vector<uint32_t> crcs;
    const uint8_t* content = nullptr;  // size bytes: the one file's, or every file's when solid
    Bytes stream;                      // the packed content
    const uint8_t* kept = nullptr;     // or, packed bytes copied from another archive
};

void PutCoder(Bytes& h, SevenZipMethod method, const Bytes& props) {
    h.push_back(0x01);  // one coder
    const Bytes& id = SevenZip_CoderId(method);
    const bool with_props = method != SevenZipMethod::Copy;
    h.push_back(uint8_t(id.size() | (with_props ? 0x20 : 0)));  // the id's length, properties
    h.insert(h.end(), id.begin(), id.end());
    if (!with_props) return;
    PutNumber(h, props.size());
    h.insert(h.end(), props.begin(), props.end());
}

// The streams part of the header. The files' sizes and CRCs go in the substreams record,
// which 7-Zip always writes and libarchive requires, even when every block holds one file.
void PutStreams(Bytes& h, const std::vector<Block>& blocks, SevenZipMethod method) {
    h.push_back(0x04);  // main streams
    h.push_back(0x06);  // pack info
    PutNumber(h, 0);
    PutNumber(h, blocks.size());
    h.push_back(0x09);
    for (const auto& b : blocks) PutNumber(h, b.packed);
    h.push_back(0x00);
    h.push_back(0x07);  // unpack info
    h.push_back(0x0B);
    PutNumber(h, blocks.size());
    h.push_back(0x00);
    for (const auto& b : blocks) PutCoder(h, method, b.props);
    h.push_back(0x0C);
    for (const auto& b : blocks) PutNumber(h, b.size);
    h.push_back(0x00);
    h.push_back(0x08);  // substreams
    bool several = false;
    for (const auto& b : blocks) several = several || b.sizes.size() > 1;
    if (several) {
        h.push_back(0x0D);
        for (const auto& b : blocks) PutNumber(h, b.sizes.size());
        h.push_back(0x09);  // every size but a block's last (the rest of the block's size)
        for (const auto& b : blocks)
            for (size_t i = 0; i + 1 < b.sizes.size(); ++i) PutNumber(h, b.sizes[i]);
    }
    h.push_back(0x0A);
    h.push_back(0x01);  // all CRCs defined
    for (const auto& b : blocks)
        for (uint32_t crc : b.crcs) PutU32(h, crc);
    h.push_back(0x00);
    h.push_back(0x00);
}

bool Pack(Block& b, SevenZipMethod method) {
    if (b.kept) return true;
    if (method == SevenZipMethod::Copy) {
        b.stream.assign(b.content, b.content + b.size);
    } else {
        LzmaKind kind = method == SevenZipMethod::Lzma ? LzmaKind::Lzma : LzmaKind::Lzma2;
        if (!Lzma_Encode(kind, b.content, b.size, &b.stream, &b.props)) return false;
    }
    b.packed = b.stream.size();
    return true;
}

// The blocks are independent of each other, so they are packed on as many threads as the
// machine has processors (one block per file gives every processor work).
bool PackAll(std::vector<Block>& blocks, SevenZipMethod method) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (size_t i; !failed && (i = next++) < blocks.size();)
            if (!Pack(blocks[i], method)) failed = true;
    };
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_t helpers = std::min<size_t>(info.dwNumberOfProcessors, blocks.size());
    std::vector<std::thread> threads;
    try {
        while (threads.size() + 1 < helpers) threads.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads: those started and this one do the work.
    }
    work();
    for (auto& t : threads) t.join();
    return !failed;
}

}  // namespace

const Bytes& SevenZip_CoderId(SevenZipMethod method) {
    static const Bytes kCopy = {0x00}, kLzma = {0x03, 0x01, 0x01}, kLzma2 = {0x21};
    return method == SevenZipMethod::Copy ? kCopy : method == SevenZipMethod::Lzma ? kLzma : kLzma2;
}

int SevenZip_Write(const std::vector<Item>& items, SevenZipMethod method, bool solid, Bytes* out) {
    std::vector<Block> blocks;
    Bytes content;  // of the one block when solid
    std::vector<bool> empty_stream, empty_file;
    bool any_empty = false;
    for (const auto& item : items) {
        // A block kept as packed holds one file, so it cannot join a solid block.
        if (item.packed_stream && solid) return kErrNotSupported;
        bool has_stream =
            !item.entry.is_dir && (item.packed_stream ? item.entry.size > 0 : !item.data.empty());
        empty_stream.push_back(!has_stream);
        if (!has_stream) {
            empty_file.push_back(!item.entry.is_dir);
            any_empty = true;
            continue;
        }
        if (!solid || blocks.empty()) blocks.emplace_back();
        Block& b = blocks.back();
        if (item.packed_stream) {
            b.kept = item.packed_stream;
            b.packed = item.packed_size;
            b.props = item.packed_props;
        } else if (solid) {
            content.insert(content.end(), item.data.begin(), item.data.end());
        } else {
            b.content = item.data.data();
        }
        const uint64_t size = item.packed_stream ? item.entry.size : item.data.size();
        b.size += size;
        b.sizes.push_back(size);
        b.crcs.push_back(item.packed_stream ? item.entry.crc : Crc32(item.data));
    }
    if (solid && !blocks.empty()) blocks.back().content = content.data();
    if (!PackAll(blocks, method)) return kErrBrokenData;
    out->assign(32, 0);
    for (Block& b : blocks) {
        if (b.kept) out->insert(out->end(), b.kept, b.kept + b.packed);
        out->insert(out->end(), b.stream.begin(), b.stream.end());
        Bytes().swap(b.stream);
    }

    Bytes h;
    h.push_back(0x01);  // header
    if (!blocks.empty()) PutStreams(h, blocks, method);
    h.push_back(0x05);  // files
    PutNumber(h, items.size());
    if (any_empty) {
        PutProperty(h, 0x0E, Bits(empty_stream));
        PutProperty(h, 0x0F, Bits(empty_file));
    }
    Bytes names;
    names.push_back(0);
    for (const auto& item : items) {
        for (char16_t ch : NameToUtf16(item.entry.name)) {
            names.push_back(static_cast<uint8_t>(ch));
            names.push_back(static_cast<uint8_t>(ch >> 8));
        }
        names.push_back(0);
        names.push_back(0);
    }
    PutProperty(h, 0x11, names);
    Bytes times = {1, 0};
    for (const auto& item : items) PutU64(times, TicksFromUnix(item.entry.mtime));
    PutProperty(h, 0x14, times);
    Bytes attrs = {1, 0};
    for (const auto& item : items) {
        uint32_t a = item.entry.attr & 0x7FFF;
        if (item.entry.is_dir)
            a |= FILE_ATTRIBUTE_DIRECTORY;
        else if (a == 0)
            a = FILE_ATTRIBUTE_ARCHIVE;
        PutU32(attrs, a);
    }
    PutProperty(h, 0x15, attrs);
    h.push_back(0x00);  // end of files
    h.push_back(0x00);  // end of header

    const uint64_t header_offset = out->size() - 32;
    out->insert(out->end(), h.begin(), h.end());
    Bytes start;
    PutU64(start, header_offset);
    PutU64(start, h.size());
    PutU32(start, Crc32(h));
    const uint8_t signature[8] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4};
    std::memcpy(out->data(), signature, 8);
    uint32_t start_crc = Crc32(start);
    for (int i = 0; i < 4; ++i) (*out)[8 + i] = static_cast<uint8_t>(start_crc >> (8 * i));
    std::memcpy(out->data() + 12, start.data(), start.size());
    return kOk;
}

}  // namespace arc
