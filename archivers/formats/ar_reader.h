#pragma once
// Unix ar archives ("!<arch>\n"), the container of Debian packages: members with their
// names and where their bytes are; nothing is decoded here.
#include <string>

#include "../engine/util.h"

namespace arc {

struct ArMember {
    std::string name;   // GNU ar's trailing '/' and the padding removed
    size_t offset = 0;  // of the member's data in the archive
    size_t size = 0;
    uint32_t mtime = 0;  // seconds since 1970
};

bool Ar_IsArchive(const uint8_t* in, size_t size);

// kErrNotArchive without the signature; kErrHeaderCrc for a member header that is damaged
// or a member that runs past the end.
int Ar_Read(const uint8_t* in, size_t size, std::vector<ArMember>* members);

// The member of a Debian package that holds its files: "data.tar" with or without a
// compression suffix. kErrHeaderCrc when the package has none or does not begin with
// "debian-binary" of version 2.
int Deb_DataMember(const std::vector<ArMember>& members, const uint8_t* in, ArMember* data);

}  // namespace arc
