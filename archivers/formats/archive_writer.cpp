#include "archive_writer.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace arc {

namespace {

// The character set names are stored in: the ANSI code page, so that its bytes pass through
// as they are. libarchive takes names as UTF-16 and converts them to it; names given as bytes
// would be read in the C locale, byte by byte, making the 0x5C of "表" a '\' and then a '/'.
std::string HeaderCharset() {
    return "CP" + std::to_string(GetACP());
}

la_ssize_t Append(archive*, void* bytes, const void* buffer, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    static_cast<Bytes*>(bytes)->insert(static_cast<Bytes*>(bytes)->end(), p, p + n);
    return static_cast<la_ssize_t>(n);
}

}  // namespace

ArchiveWriter::ArchiveWriter(Kind kind, int zip_level) : kind_(kind) {
    handle_ = archive_write_new();
    if (!handle_) return;
    int r = ARCHIVE_OK;
    const std::string charset = HeaderCharset();
    if (kind == Kind::Zip) {
        r = archive_write_set_format_zip(handle_);
        if (r == ARCHIVE_OK) r = archive_write_set_bytes_per_block(handle_, 0);
        if (r == ARCHIVE_OK)
            r = archive_write_set_format_option(handle_, "zip", "hdrcharset", charset.c_str());
        if (r == ARCHIVE_OK)
            r = archive_write_set_format_option(handle_, "zip", "compression-level",
                                                std::to_string(zip_level).c_str());
    } else {
        // GNU tar: names of any length through its long-name records, as tar -t and every
        // reader know them; blocks of 10240 bytes as GNU tar writes them.
        r = archive_write_set_format_gnutar(handle_);
        if (r == ARCHIVE_OK)
            r = archive_write_set_format_option(handle_, "gnutar", "hdrcharset", charset.c_str());
        // The compressed stream ends where its data ends: zeros after it would be taken for
        // another member, or garbage.
        if (r == ARCHIVE_OK && kind != Kind::Tar)
            r = archive_write_set_bytes_in_last_block(handle_, 1);
        // gzip without a time in its header: the same files give the same archive.
        if (r == ARCHIVE_OK && kind == Kind::TarGzip) {
            r = archive_write_add_filter_gzip(handle_);
            if (r == ARCHIVE_OK)
                r = archive_write_set_filter_option(handle_, "gzip", "timestamp", nullptr);
        }
        // bzip2 with 900 KB blocks, as the bzip2 tool writes by default.
        if (r == ARCHIVE_OK && kind == Kind::TarBzip2) {
            r = archive_write_add_filter_bzip2(handle_);
            if (r == ARCHIVE_OK)
                r = archive_write_set_filter_option(handle_, "bzip2", "compression-level", "9");
        }
    }
    if (r == ARCHIVE_OK) r = archive_write_open2(handle_, &out_, nullptr, Append, nullptr, nullptr);
    ok_ = r == ARCHIVE_OK;
}

ArchiveWriter::~ArchiveWriter() {
    if (handle_) archive_write_free(handle_);
}

int ArchiveWriter::Add(const Entry& e, const Bytes& data, bool store) {
    std::wstring name;
    if (!ok_ || !WideFromAnsi(e.name, &name)) return kErrCannotCreate;
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(),
                                                                   archive_entry_free);
    if (!entry) return kErrCannotCreate;
    archive_entry_copy_pathname_w(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), e.is_dir ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry.get(), e.is_dir                             ? 0755
                                        : (e.attr & FILE_ATTRIBUTE_READONLY) ? 0444
                                                                             : 0644);
    archive_entry_set_size(entry.get(), e.is_dir ? 0 : la_int64_t(data.size()));
    archive_entry_set_mtime(entry.get(), time_t(e.mtime), 0);
    if (kind_ == Kind::Zip) {
        if (store)
            archive_write_zip_set_compression_store(handle_);
        else
            archive_write_zip_set_compression_deflate(handle_);
    }
    // A warning is a name libarchive could not put into the code page: nothing to store.
    if (archive_write_header(handle_, entry.get()) != ARCHIVE_OK) return kErrCannotCreate;
    if (!data.empty() && archive_write_data(handle_, data.data(), data.size()) !=
                             static_cast<la_ssize_t>(data.size()))
        return kErrCannotCreate;
    return archive_write_finish_entry(handle_) == ARCHIVE_OK ? kOk : kErrCannotCreate;
}

int ArchiveWriter::Finish(Bytes* out) {
    if (!ok_ || archive_write_close(handle_) != ARCHIVE_OK) return kErrCannotCreate;
    out->swap(out_);
    return kOk;
}

}  // namespace arc
