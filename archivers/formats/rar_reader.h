#pragma once
// Sequential reader of RAR 2.9/4 and RAR 5 archives, in the shape of the UNRAR interface:
// read a header, then skip or extract that entry. Headers are read here (RAR 5 ones given in
// the RAR 4 terms of the interface: flags, host OS, method 0x30 + n, DOS time). Stored entries
// (method 0x30) are extracted here, compressed ones through libarchive over the volume set;
// every one CRC-checked. Entries split over a volume set are followed into the next
// volumes, asking the caller for each one.
#include <cstdio>
#include <functional>
#include <memory>

#include "../engine/util.h"
#include "archive_cursor.h"

namespace arc {

struct RarHeader {
    Entry entry;
    uint32_t flags = 0;
    uint32_t host_os = 0;
    uint32_t file_time = 0;  // DOS date in the high word, time in the low word
    uint32_t unp_ver = 0;
    uint32_t method = 0;
    uint32_t pack_size = 0;  // of the part in the current volume
    bool encrypted = false;
};

class RarReader {
public:
    // Called with the next volume's name: missing = true when it does not exist (return
    // true to look again, perhaps under a name changed in place; false gives up), false as
    // a notice just before it is opened (the result is ignored).
    using VolumeHook = std::function<bool(std::string& name, bool missing)>;

    RarReader() = default;
    ~RarReader();
    RarReader(const RarReader&) = delete;
    RarReader& operator=(const RarReader&) = delete;

    // NotArchive, BrokenHeader or IoError when the first volume cannot be used.
    int Open(const std::string& path);
    void SetVolumeHook(VolumeHook hook) { hook_ = std::move(hook); }
    bool IsVolume() const { return (archive_flags_ & 0x0001) != 0; }

    // Ok with the next entry, NotArchive at the regular end, BrokenHeader on damage.
    int ReadHeader(RarHeader* header);
    // After ReadHeader: skips the entry (out null) or reads its content.
    int Process(Bytes* out);

private:
    int OpenVolume(const std::string& path);
    bool NextVolume();
    int ReadBlock(RarHeader* header, bool* end);
    int ReadBlock5(RarHeader* header, bool* end);
    int ReadBlock5Raw(Bytes* block, uint64_t* data_size);
    void Close();

    FILE* file_ = nullptr;
    std::string path_;
    uint32_t archive_flags_ = 0;
    bool rar5_ = false;
    bool new_numbering_ = false;
    bool first_volume_flags_known_ = false;
    bool volume_ended_ = false;
    bool next_volume_flag_ = false;
    bool pending_ = false;
    bool gave_up_ = false;  // a volume the caller would not provide: nothing more to read
    RarHeader current_;
    long data_offset_ = 0;
    VolumeHook hook_;
    size_t entries_ = 0;                // entries given to the caller, the current one included
    std::vector<std::string> volumes_;  // the volumes opened so far, first one first
    std::unique_ptr<ArchiveCursor> cursor_;
    std::vector<std::string> cursor_volumes_;  // what the cursor reads: those and what follows
};

// The name of the volume after `path` (arc.part1.rar -> arc.part2.rar, arc.rar -> arc.r00).
std::string Rar_NextVolumeName(const std::string& path, bool new_numbering);

}  // namespace arc
