#pragma once
// The .xz container around LZMA2: stream header and footer, block headers, the index, and the
// check of every block (none, CRC-32 or CRC-64) verified. Streams written one after another,
// with zero padding between them, are decoded in turn.
#include "../engine/util.h"

namespace arc {

bool Xz_IsStream(const uint8_t* in, size_t size);

// Appends the decoded bytes. kErrNotArchive without the magic bytes, kErrHeaderCrc for a
// damaged header, index or footer (their CRC-32 included), kErrBrokenData for undecodable
// data, kErrFileCrc when a block's check does not match, kErrNotSupported for filters other
// than LZMA2 and for SHA-256 and unknown checks.
int Xz_Decode(const uint8_t* in, size_t size, Bytes* out);

}  // namespace arc
