#pragma once
// The text files inside the fixture archives (tests/data/README.md): numbered CR LF lines.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../../archivers/engine/util.h"
#include "../support/test_folders.h"

using testing_support::FixtureLines;

inline arc::Bytes FixtureBytes(const std::string& name) {
    std::string s = testing_support::ReadFile(testing_support::DataDir() + "\\" + name);
    return arc::Bytes(s.begin(), s.end());
}

inline std::string AsText(const arc::Bytes& b) {
    return std::string(b.begin(), b.end());
}
inline arc::Bytes AsBytes(const std::string& s) {
    return arc::Bytes(s.begin(), s.end());
}

// Deterministic bytes that neither compress to nothing nor are pure noise.
inline arc::Bytes MixedBytes(size_t size, uint32_t seed = 1) {
    arc::Bytes b(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = (i % 512 < 256) ? static_cast<uint8_t>(seed >> 24)
                               : static_cast<uint8_t>("abcabcabd"[i % 9]);
    }
    return b;
}

// scripts/check-format-interop.sh sets ARCHIVER_FORMATS_INTEROP to a folder: the writer tests
// then leave their archives and sources there for the Linux tools to test and extract.
inline void KeepForInterop(const std::string& name, const arc::Bytes& archive,
                           const std::vector<arc::Item>& sources) {
    const char* dir = std::getenv("ARCHIVER_FORMATS_INTEROP");
    if (!dir || !*dir) return;
    const std::string base = std::string(dir) + "\\" + name;
    testing_support::WriteFile(base, AsText(archive));
    if (sources.empty()) return;
    const std::string tree = base + ".src";
    CreateDirectoryA(tree.c_str(), nullptr);
    for (const auto& item : sources) {
        const std::string path = tree + "\\" + arc::ToBackslash(item.entry.name);
        // Folders on the way first; a '\\' inside a double-byte character is no separator.
        for (size_t i = tree.size() + 1; i < path.size(); ++i) {
            if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
                ++i;
            } else if (path[i] == '\\') {
                CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
            }
        }
        if (item.entry.is_dir) {
            CreateDirectoryA(path.c_str(), nullptr);
        } else {
            testing_support::WriteFile(path, AsText(item.data));
        }
    }
}
