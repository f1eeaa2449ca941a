#pragma once
// Writer of 7z archives with a plain header: solid (one block holding every file, 7-Zip's
// default) or one block per file ("-ms=off"), each block stored or packed with LZMA or LZMA2.
#include "../engine/util.h"

namespace arc {

enum class SevenZipMethod { Copy, Lzma, Lzma2 };

// The id the 7z header gives the method's coder.
const Bytes& SevenZip_CoderId(SevenZipMethod method);

// Items with a packed stream are written as those blocks (not when solid: kErrNotSupported).
// kErrBrokenData only when the coder itself fails (out of memory).
int SevenZip_Write(const std::vector<Item>& items, SevenZipMethod method, bool solid, Bytes* out);

}  // namespace arc
