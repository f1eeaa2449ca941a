#include "ar_reader.h"

#include <cstring>

namespace arc {
namespace {

const char kSignature[] = "!<arch>\n";
const size_t kSignatureSize = 8;
const size_t kHeaderSize = 60;

// A decimal field padded with blanks; false when it holds anything else.
bool Decimal(const uint8_t* p, size_t n, uint64_t* value) {
    *value = 0;
    size_t i = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) *value = *value * 10 + (p[i] - '0');
    if (i == 0) return false;
    for (; i < n; ++i)
        if (p[i] != ' ') return false;
    return true;
}

}  // namespace

bool Ar_IsArchive(const uint8_t* in, size_t size) {
    return size >= kSignatureSize && std::memcmp(in, kSignature, kSignatureSize) == 0;
}

int Ar_Read(const uint8_t* in, size_t size, std::vector<ArMember>* members) {
    if (!Ar_IsArchive(in, size)) return kErrNotArchive;
    size_t at = kSignatureSize;
    while (at < size) {
        if (in[at] == '\n' && at + 1 == size) break;  // padding of the last member
        if (size - at < kHeaderSize) return kErrHeaderCrc;
        const uint8_t* h = in + at;
        uint64_t member_size = 0, mtime = 0;
        if (h[58] != '`' || h[59] != '\n' || !Decimal(h + 48, 10, &member_size) ||
            !Decimal(h + 16, 12, &mtime))
            return kErrHeaderCrc;
        const size_t data = at + kHeaderSize;
        if (member_size > size - data) return kErrHeaderCrc;
        ArMember m;
        size_t len = 16;
        while (len > 0 && h[len - 1] == ' ') --len;
        if (len > 1 && h[len - 1] == '/') --len;
        m.name.assign(reinterpret_cast<const char*>(h), len);
        m.offset = data;
        m.size = static_cast<size_t>(member_size);
        m.mtime = static_cast<uint32_t>(mtime);
        members->push_back(m);
        at = data + m.size + (m.size & 1);  // members start on even offsets
    }
    return kOk;
}

int Deb_DataMember(const std::vector<ArMember>& members, const uint8_t* in, ArMember* data) {
    if (members.empty() || members[0].name != "debian-binary" || members[0].size < 2 ||
        std::memcmp(in + members[0].offset, "2.", 2) != 0)
        return kErrHeaderCrc;
    for (const ArMember& m : members) {
        if (m.name.compare(0, 8, "data.tar") == 0) {
            *data = m;
            return kOk;
        }
    }
    return kErrHeaderCrc;
}

}  // namespace arc
