#pragma once
// Microsoft cabinets through the system's own cabinet.dll: FDI decodes (stored, MSZIP,
// LZX, Quantum, whatever the system supports), FCI writes stored or MSZIP cabinets.
// Single cabinets only; a set spanning several cabinets is reported Unsupported.
#include "../engine/util.h"

namespace arc {

class CabReader {
public:
    // Reads the directory only: a listing decodes nothing. Cabinets store no CRC of a
    // file; FDI checks the data blocks' checksums as it decodes.
    int Open(SharedBytes archive);
    const std::vector<Entry>& Entries() const { return entries_; }
    // The first extraction decodes the whole cabinet; damage is reported from then on.
    int Extract(size_t index, Bytes* out);

private:
    int Decode();

    std::vector<Entry> entries_;
    SharedBytes cabinet_;
    bool decoded_ = false;
    int decode_result_ = kOk;
    std::vector<Bytes> contents_;
};

// Folders in the item list are not stored (cabinets hold files only).
int Cab_Write(const std::vector<Item>& items, bool compress, Bytes* out);

}  // namespace arc
