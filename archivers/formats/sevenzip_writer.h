#pragma once
// Writer of non-solid 7z archives (one folder per file), stored or LZMA-compressed, with a
// plain header, as the program's "-ms=off" commands ask for.
#include "../engine/util.h"

namespace arc {

enum class SevenZipMethod { Copy, Lzma };

int SevenZip_Write(const std::vector<Item>& items, SevenZipMethod method, Bytes* out);

}  // namespace arc
