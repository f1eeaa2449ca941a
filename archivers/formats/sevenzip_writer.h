#pragma once
// Writer of non-solid 7z archives (one folder per file), stored or LZMA-compressed, with a
// plain header, as the program's "-ms=off" commands ask for.
#include "format_entry.h"

namespace ArcFormat {

enum class SevenZipMethod { Copy, Lzma };

Status SevenZip_Write(const std::vector<WriteItem>& items, SevenZipMethod method, Bytes* out);

}  // namespace ArcFormat
