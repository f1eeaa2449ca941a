# The libraries the stand-ins read and write archives with, built as static libraries from
# Debian's source packages by scripts/build-deps.sh into build/deps/<processor> (not kept in
# the repository): libarchive with bzip2, liblzma and zstd, libdeflate (decoder, CRC-32), and the
# system's mingw zlib.
set(ARCHIVER_DEPS_DIR ${CMAKE_SOURCE_DIR}/build/deps/${CMAKE_SYSTEM_PROCESSOR}
    CACHE PATH "archive libraries built by scripts/build-deps.sh")
if(NOT EXISTS ${ARCHIVER_DEPS_DIR}/lib/libarchive.a)
    message(FATAL_ERROR "No archive libraries in ${ARCHIVER_DEPS_DIR}: run scripts/build.sh")
endif()
find_library(ARCHIVERS_ZLIB NAMES libz.a z REQUIRED)
add_library(archive_libraries INTERFACE)
target_include_directories(archive_libraries SYSTEM INTERFACE ${ARCHIVER_DEPS_DIR}/include)
target_compile_definitions(archive_libraries INTERFACE LIBARCHIVE_STATIC LZMA_API_STATIC)
target_link_libraries(archive_libraries INTERFACE
    ${ARCHIVER_DEPS_DIR}/lib/libarchive.a ${ARCHIVER_DEPS_DIR}/lib/libzstd.a
    ${ARCHIVER_DEPS_DIR}/lib/liblzma.a ${ARCHIVER_DEPS_DIR}/lib/libbz2.a
    ${ARCHIVER_DEPS_DIR}/lib/libdeflate.a ${ARCHIVERS_ZLIB})
