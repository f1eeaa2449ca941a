# The bzip2 library, compiled from Debian's source package that scripts/fetch-sources.sh
# unpacks into build/deps/bzip2 (not kept in the repository).
set(BZIP2_SOURCE_DIR ${CMAKE_SOURCE_DIR}/build/deps/bzip2 CACHE PATH "bzip2 library sources")
if(NOT EXISTS ${BZIP2_SOURCE_DIR}/bzlib.h)
    message(FATAL_ERROR "No bzip2 sources in ${BZIP2_SOURCE_DIR}: run scripts/fetch-sources.sh")
endif()
add_library(bzip2_library STATIC
    ${BZIP2_SOURCE_DIR}/blocksort.c ${BZIP2_SOURCE_DIR}/huffman.c
    ${BZIP2_SOURCE_DIR}/crctable.c ${BZIP2_SOURCE_DIR}/randtable.c
    ${BZIP2_SOURCE_DIR}/compress.c ${BZIP2_SOURCE_DIR}/decompress.c
    ${BZIP2_SOURCE_DIR}/bzlib.c)
# Their code, their warnings: compiled as it comes.
target_compile_options(bzip2_library PRIVATE -w -Wno-error)
target_include_directories(bzip2_library SYSTEM PUBLIC ${BZIP2_SOURCE_DIR})
