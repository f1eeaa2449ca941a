#pragma once
// A format read through a reader object (Open on the archive's bytes, Entries, Extract by
// index) as a Format of the engine. The parsed reader stays with the archive, so solid 7z
// blocks and whole cabinets are decoded once, not once per entry.
#include <cstring>
#include <memory>

#include "../engine/formats.h"

namespace arc {

inline bool HasSignature(const Archive& a, const char* magic, size_t n) {
    return a.bytes.size() >= n && std::memcmp(a.bytes.data(), magic, n) == 0;
}

template <class Reader>
int ParseWithReader(Archive& a) {
    auto reader = std::make_shared<Reader>();
    a.reader.reset();
    int r = reader->Open(a.bytes);
    if (r != kOk) return r;
    a.entries = reader->Entries();
    a.reader = reader;
    return kOk;
}

template <class Reader>
int DecodeWithReader(const Archive& a, const Entry& e, Bytes& out) {
    auto* reader = static_cast<Reader*>(a.reader.get());
    if (!reader) return kErrBrokenData;
    return reader->Extract(e.header_offset, &out);
}

}  // namespace arc
