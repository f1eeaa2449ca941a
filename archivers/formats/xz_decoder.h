#pragma once
// The .xz container around LZMA2: stream header and footer, block headers, the index, and the
// check of every block (none, CRC-32 or CRC-64) verified. Streams written one after another,
// with zero padding between them, are decoded in turn.
#include "format_entry.h"

namespace ArcFormat {

bool Xz_IsStream(const uint8_t* in, size_t size);

// Appends the decoded bytes. NotArchive without the magic bytes, BrokenHeader for a damaged
// header, index or footer (their CRC-32 included), BadData for undecodable data, CrcError when
// a block's check does not match, Unsupported for filters other than LZMA2 and for SHA-256
// and unknown checks.
Status Xz_Decode(const uint8_t* in, size_t size, Bytes* out);

}  // namespace ArcFormat
