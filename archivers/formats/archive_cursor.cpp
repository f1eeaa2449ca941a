#include "archive_cursor.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <utility>

namespace arc {

ArchiveCursor::~ArchiveCursor() {
    if (handle_) archive_read_free(handle_);
}

bool ArchiveCursor::Reopen() {
    if (handle_) archive_read_free(handle_);
    handle_ = archive_read_new();
    next_ = 0;
    if (!handle_) return false;
    switch (kind_) {
        case Kind::SevenZip:
            archive_read_support_format_7zip(handle_);
            break;
        case Kind::Cab:
            archive_read_support_format_cab(handle_);
            break;
        case Kind::Zip:
            archive_read_support_format_zip_seekable(handle_);
            break;
        case Kind::Rar:
            archive_read_support_format_rar(handle_);
            archive_read_support_format_rar5(handle_);
            break;
        case Kind::Lha:
            archive_read_support_format_lha(handle_);
            break;
    }
    int opened;
    if (bytes_) {
        opened = archive_read_open_memory(handle_, bytes_->data(), bytes_->size());
    } else {
        std::vector<const char*> names;
        for (const std::string& path : paths_) names.push_back(path.c_str());
        names.push_back(nullptr);
        opened = archive_read_open_filenames(handle_, names.data(), 65536);
    }
    if (opened == ARCHIVE_OK) return true;
    archive_read_free(handle_);
    handle_ = nullptr;
    return false;
}

int ArchiveCursor::Read(size_t index, Bytes* out) {
    out->clear();
    if ((!handle_ || index < next_) && !Reopen()) return kErrBrokenData;
    archive_entry* entry = nullptr;
    for (;;) {
        int r = archive_read_next_header(handle_, &entry);
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            archive_read_free(handle_);  // the next call starts over
            handle_ = nullptr;
            return kErrBrokenData;
        }
        if (next_++ == index) break;
    }
    uint8_t chunk[65536];
    for (;;) {
        la_ssize_t n = archive_read_data(handle_, chunk, sizeof chunk);
        if (n == 0) return kOk;
        if (n < 0) {
            // All of it decoded and still an error: the check value did not match.
            bool whole = archive_entry_size_is_set(entry) &&
                         out->size() == uint64_t(archive_entry_size(entry));
            archive_read_free(handle_);
            handle_ = nullptr;
            return whole ? kErrFileCrc : kErrBrokenData;
        }
        out->insert(out->end(), chunk, chunk + n);
    }
}

KeptCursor::KeptCursor(const SharedBytes* bytes, ArchiveCursor::Kind kind,
                       std::vector<size_t> starts)
    : bytes(bytes), kind(kind), starts(std::move(starts)), cursor(bytes, kind) {
    std::sort(this->starts.begin(), this->starts.end());
}

int KeptCursor::Read(void* kept, const SharedBytes& bytes, size_t header_offset, Bytes* out) {
    auto* own = static_cast<KeptCursor*>(kept);
    if (!own) return kErrBrokenData;
    auto at = std::lower_bound(own->starts.begin(), own->starts.end(), header_offset);
    if (at == own->starts.end() || *at != header_offset) return kErrBrokenData;
    size_t index = size_t(at - own->starts.begin());
    if (own->bytes == &bytes) return own->cursor.Read(index, out);
    ArchiveCursor cursor(&bytes, own->kind);  // an archive copied since
    return cursor.Read(index, out);
}

}  // namespace arc
