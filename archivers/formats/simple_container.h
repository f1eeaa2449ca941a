#pragma once
// The archive format of our YZ1 and GCA stand-ins. Neither real format has a public
// description, so these DLLs read and write a container of our own instead: a signature
// naming the kind, then entries each with a CRC-guarded header, stored or LZMA-packed data.
// Real YZ1 or GCA files are reported NotArchive.
#include "../engine/util.h"

namespace arc {

enum class ContainerKind { Yz1, Gca };

int Container_Write(ContainerKind kind, const std::vector<Item>& items, bool compress, Bytes* out);

class ContainerReader {
public:
    int Open(SharedBytes archive, ContainerKind kind);
    const std::vector<Entry>& Entries() const { return entries_; }
    int Extract(size_t index, Bytes* out);

private:
    SharedBytes archive_;
    std::vector<Entry> entries_;
    std::vector<size_t> offsets_;
    std::vector<uint8_t> methods_;
};

}  // namespace arc
