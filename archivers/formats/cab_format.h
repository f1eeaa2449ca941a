#pragma once
// Microsoft cabinets through the system's own cabinet.dll: FDI decodes (stored, MSZIP,
// LZX, Quantum, whatever the system supports), FCI writes stored or MSZIP cabinets.
// Single cabinets only; a set spanning several cabinets is reported Unsupported.
#include "../engine/util.h"

namespace arc {

class CabReader {
public:
    // Reads the directory and decodes every entry (cabinets have no per-file CRC, so the
    // CRC of the entry record is computed from the decoded content).
    int Open(Bytes archive);
    const std::vector<Entry>& Entries() const { return entries_; }
    int Extract(size_t index, Bytes* out);

private:
    std::vector<Entry> entries_;
    std::vector<Bytes> contents_;
};

// Folders in the item list are not stored (cabinets hold files only).
int Cab_Write(const std::vector<Item>& items, bool compress, Bytes* out);

}  // namespace arc
