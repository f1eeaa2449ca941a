#!/usr/bin/env python3
"""Writes the RAR fixtures of tests/data from the published RAR 4 block layout.

No RAR compressor exists for Linux under a free licence, so the test archives are built here
field by field: stored entries (method 0x30), one volume set split inside a file, and one
archive whose entry claims a compressed method. Run it from tests/data; the output is
committed; `lsar -t` (unar) accepts every stored archive it writes.
"""
import struct
import zlib

MARK = b"Rar!\x1a\x07\x00"
# 2004-08-26 14:30:58, DOS packed as RAR stores it (date in the high word).
DOS_TIME = (((2004 - 1980) << 9 | 8 << 5 | 26) << 16) | (14 << 11 | 30 << 5 | 58 // 2)


def lines(n):
    return b"".join(b"Line %04d: the quick brown fox jumps over the lazy dog.\r\n" % i
                    for i in range(1, n + 1))


def block(kind, flags, body, add=b""):
    size = 7 + len(body)
    head = struct.pack("<BHH", kind, flags, size) + body
    crc = zlib.crc32(head) & 0xFFFF
    return struct.pack("<H", crc) + head + add


def main_header(flags):
    return block(0x73, flags, struct.pack("<HI", 0, 0))


def file_block(name, data, *, crc=None, flags=0, method=0x30, attr=0x20, unp_size=None):
    raw = name.encode("cp932")
    body = struct.pack("<IIBIIBBHI", len(data), len(data) if unp_size is None else unp_size,
                       2, zlib.crc32(data) if crc is None else crc, DOS_TIME, 20, method,
                       len(raw), attr) + raw
    return block(0x74, flags | 0x8000, body, data)


def end_block(flags=0):
    return block(0x7B, flags, b"")


def write(name, parts):
    with open(name, "wb") as f:
        f.write(b"".join(parts))


a, b = lines(200), lines(20)
write("flat-store.rar", [MARK, main_header(0), file_block("a.txt", a), file_block("b.txt", b),
                         end_block()])
write("doc-top-store.rar", [MARK, main_header(0),
                            file_block("doc", b"", attr=0x10, flags=0xE0),
                            file_block("doc\\a.txt", a), file_block("doc\\b.txt", b),
                            end_block()])
write("sjis-store.rar", [MARK, main_header(0),
                         file_block("資料", b"", attr=0x10, flags=0xE0),
                         file_block("資料\\表示.txt", b), file_block("資料\\ソフト.txt", a),
                         end_block()])
# A method this stand-in does not decode: the header is sound, the data is not LZ output.
write("compressed.rar", [MARK, main_header(0),
                         file_block("a.txt", b"\x00" * 64, crc=zlib.crc32(a), method=0x33,
                                    unp_size=len(a)), end_block()])

# A volume set in the new naming, a.txt split over the first two parts. It is stored as
# vol-1.rar ... vol-3.rar; the build gives the copies the volume names vol.partN.rar.
# A part that continues carries the CRC of its own piece; the last one that of the whole file.
first, second = a[:6000], a[6000:]
write("vol-1.rar", [MARK, main_header(0x0001 | 0x0010 | 0x0100),
                        file_block("a.txt", first, flags=0x02, unp_size=len(a)), end_block(0x0001)])
write("vol-2.rar", [MARK, main_header(0x0001 | 0x0010),
                        file_block("a.txt", second, crc=zlib.crc32(a), flags=0x01,
                                   unp_size=len(a)),
                        end_block(0x0001)])
write("vol-3.rar", [MARK, main_header(0x0001 | 0x0010), file_block("b.txt", b),
                        end_block()])

# A compressed entry split over two volumes: the first entry of compressed-rar4.rar (method
# 0x33, libarchive's test data) with its packed data cut in two, its header as it was but for
# the size, the split flags and, in the first part, the CRC of that part's piece.
source = open("compressed-rar4.rar", "rb").read()
at = len(MARK) + 13  # the archive header
flags, size = struct.unpack("<HH", source[at + 3:at + 7])
body = source[at + 7:at + size]
packed = source[at + size:at + size + struct.unpack("<I", body[:4])[0]]
pieces = [packed[:3000], packed[3000:]]
parts = []
for i, piece in enumerate(pieces):
    head = bytearray(body)
    head[0:4] = struct.pack("<I", len(piece))
    if i == 0:
        head[9:13] = struct.pack("<I", zlib.crc32(piece))
    parts.append(block(0x74, flags | (0x02 if i == 0 else 0x01), bytes(head), piece))
write("rar4-split-1.rar", [MARK, main_header(0x0001 | 0x0010 | 0x0100), parts[0],
                             end_block(0x0001)])
write("rar4-split-2.rar", [MARK, main_header(0x0001 | 0x0010), parts[1], end_block()])


# RAR 5: blocks of variable-length numbers, each with the CRC-32 of its size and the rest.
def vint(n):
    out = bytearray()
    while True:
        out.append((n & 0x7F) | (0x80 if n > 0x7F else 0))
        n >>= 7
        if not out[-1] & 0x80:
            return bytes(out)


def block5(kind, fields, extra=b"", data=b""):
    flags = (0x0001 if extra else 0) | (0x0002 if data else 0)
    head = vint(kind) + vint(flags) + (vint(len(extra)) if extra else b"") + \
        (vint(len(data)) if data else b"") + fields + extra
    sized = vint(len(head)) + head
    return struct.pack("<I", zlib.crc32(sized)) + sized + data


def file5(name, data, extra=b""):
    raw = name.encode("utf-8")
    fields = vint(0x0002 | 0x0004) + vint(len(data)) + vint(0x20) + \
        struct.pack("<II", 1093530658, zlib.crc32(data)) + vint(0) + vint(0) + vint(len(raw)) + raw
    return block5(2, fields, extra, data)


# An encrypted entry (its encryption record: version, flags, count, salt, IV; the data is
# noise) before a stored one.
crypt = vint(0) + vint(0) + bytes([15]) + bytes(range(16)) + bytes(range(16, 32))
crypt_record = vint(len(vint(1) + crypt)) + vint(1) + crypt
write("rar5-encrypted.rar", [b"Rar!\x1a\x07\x01\x00", block5(1, vint(0)),
                             file5("secret.txt", bytes(range(48)), crypt_record),
                             file5("plain.txt", b), block5(5, vint(0))])
# Names in UTF-8, as RAR 5 stores every name: one the ANSI code page holds, one it does not.
write("rar5-names.rar", [b"Rar!\x1a\x07\x01\x00", block5(1, vint(0)),
                         file5("資料/表示.txt", b), file5("한국.txt", b"k"), block5(5, vint(0))])
