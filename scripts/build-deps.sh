#!/usr/bin/env bash
# Cross-builds the libraries of the stand-in archiver DLLs as static libraries for one
# configuration (x86_64 or i686) into build/deps/<configuration>/{include,lib}: bzip2,
# liblzma, zstd and libarchive (reading and writing archives, with the other three and the
# system's mingw zlib linked in; nothing else: no crypto, XML, iconv or ACL libraries), and
# libdeflate's decoder and CRC-32 (whole gzip streams in memory, faster than zlib's).
# Sources come from scripts/fetch-sources.sh. Does nothing when that configuration was
# built from the same sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
config=${1:-x86_64}
deps="$root/build/deps"
prefix="$deps/$config"
work="$deps/work-$config"
toolchain="$root/cmake/mingw-$config.cmake"
triple="$config-w64-mingw32"
[ "$config" = i686 ] || [ "$config" = x86_64 ] || { echo "x86_64 or i686" >&2; exit 1; }

versions=$(for p in bzip2 xz-utils libzstd libarchive libdeflate; do
    head -1 "$deps/$p/debian/changelog"
done)
stamp="$prefix/built-from"
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$versions" ] && exit 0

start=$(date +%s)
rm -rf "$prefix" "$work"
mkdir -p "$prefix/include" "$prefix/lib" "$work"
cc="$triple-gcc-posix"
launcher=""
command -v ccache >/dev/null && launcher=ccache
jobs=$(nproc)

echo "Building bzip2 for $config..."
(cd "$deps/bzip2" && for f in blocksort huffman crctable randtable compress decompress bzlib; do
    $launcher "$cc" -O2 -w -c "$f.c" -o "$work/$f.o"
done)
"$triple-ar" rcs "$prefix/lib/libbz2.a" "$work"/*.o
cp "$deps/bzip2/bzlib.h" "$prefix/include/"

echo "Building libdeflate for $config..."
(cd "$deps/libdeflate" && for f in lib/deflate_decompress lib/gzip_decompress lib/crc32 \
    lib/utils lib/x86/cpu_features; do
    $launcher "$cc" -O2 -w -I. -c "$f.c" -o "$work/deflate-${f##*/}.o"
done)
"$triple-ar" rcs "$prefix/lib/libdeflate.a" "$work"/deflate-*.o
cp "$deps/libdeflate/libdeflate.h" "$prefix/include/"

cmake_build() {  # name, source folder, targets, cmake options...
    local name=$1 src=$2 targets=$3
    shift 3
    echo "Building $name for $config..."
    cmake -S "$src" -B "$work/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS="-w -DLZMA_API_STATIC" \
        ${launcher:+-DCMAKE_C_COMPILER_LAUNCHER=$launcher} "$@" >"$work/$name.log" 2>&1 ||
        { cat "$work/$name.log" >&2; exit 1; }
    # shellcheck disable=SC2086
    cmake --build "$work/$name" -j "$jobs" --target $targets >>"$work/$name.log" 2>&1 ||
        { tail -40 "$work/$name.log" >&2; exit 1; }
}

cmake_build liblzma "$deps/xz-utils" liblzma -DBUILD_SHARED_LIBS=OFF -DENABLE_NLS=OFF
cp "$work/liblzma/liblzma.a" "$prefix/lib/"
cp -r "$deps/xz-utils/src/liblzma/api/lzma.h" "$deps/xz-utils/src/liblzma/api/lzma" \
    "$prefix/include/"

cmake_build zstd "$deps/libzstd/build/cmake" libzstd_static -DZSTD_BUILD_SHARED=OFF \
    -DZSTD_BUILD_STATIC=ON -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF \
    -DZSTD_MULTITHREAD_SUPPORT=OFF -DZSTD_LEGACY_SUPPORT=OFF
cp "$work/zstd/lib/libzstd.a" "$prefix/lib/"
cp "$deps/libzstd/lib/zstd.h" "$deps/libzstd/lib/zstd_errors.h" "$prefix/include/"

zlib_dir="/usr/$triple"
# Its one check that runs a program (whether zlib was built for stdcall) cannot run in a
# cross build: mingw's zlib is not, so the answer is given.
off=()
for o in OPENSSL MBEDTLS NETTLE LIBB2 LZ4 LZO LIBXML2 EXPAT PCREPOSIX LIBGCC CNG TAR CPIO CAT \
    XATTR ACL ICONV TEST INSTALL WERROR; do
    off+=("-DENABLE_$o=OFF")
done
cmake_build libarchive "$deps/libarchive" archive_static "${off[@]}" \
    -DPOSIX_REGEX_LIB=NONE -DENABLE_ZLIB=ON -DENABLE_BZip2=ON -DENABLE_LZMA=ON -DENABLE_ZSTD=ON \
    -DZLIB_INCLUDE_DIR="$zlib_dir/include" -DZLIB_LIBRARY="$zlib_dir/lib/libz.a" \
    -DZLIB_WINAPI=0 -DZLIB_WINAPI_WITH_LIB="$zlib_dir/lib/libz.a" \
    -DBZIP2_INCLUDE_DIR="$prefix/include" -DBZIP2_LIBRARIES="$prefix/lib/libbz2.a" \
    -DBZIP2_LIBRARY_RELEASE="$prefix/lib/libbz2.a" \
    -DLIBLZMA_INCLUDE_DIR="$prefix/include" -DLIBLZMA_LIBRARY="$prefix/lib/liblzma.a" \
    -DZSTD_INCLUDE_DIR="$prefix/include" -DZSTD_LIBRARY="$prefix/lib/libzstd.a"
for have in HAVE_ZLIB_H HAVE_BZLIB_H HAVE_LZMA_H HAVE_ZSTD_H HAVE_LIBZSTD; do
    grep -q "#define $have 1" "$work/libarchive/config.h" ||
        { echo "libarchive was configured without $have" >&2; exit 1; }
done
cp "$work/libarchive/libarchive/libarchive.a" "$prefix/lib/" 2>/dev/null ||
    cp "$(find "$work/libarchive" -name 'libarchive*.a' | head -1)" "$prefix/lib/libarchive.a"
cp "$deps/libarchive/libarchive/archive.h" "$deps/libarchive/libarchive/archive_entry.h" \
    "$prefix/include/"

rm -rf "$work"
echo "$versions" >"$stamp"
echo "Libraries for $config built in $(($(date +%s) - start)) s into $prefix"
