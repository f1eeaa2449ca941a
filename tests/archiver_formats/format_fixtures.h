#pragma once
// The text files inside the fixture archives (tests/data/README.md): numbered CR LF lines.
#include <cstdio>
#include <string>

#include "format_entry.h"
#include "../support/test_folders.h"

inline std::string FixtureLines(int count) {
    std::string text;
    char line[80];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(line, sizeof line,
                      "Line %04d: the quick brown fox jumps over the lazy dog.\r\n", i);
        text += line;
    }
    return text;
}

inline ArcFormat::Bytes FixtureBytes(const std::string& name) {
    std::string s = testing_support::ReadFile(testing_support::DataDir() + "\\" + name);
    return ArcFormat::Bytes(s.begin(), s.end());
}

inline std::string AsText(const ArcFormat::Bytes& b) {
    return std::string(b.begin(), b.end());
}
inline ArcFormat::Bytes AsBytes(const std::string& s) {
    return ArcFormat::Bytes(s.begin(), s.end());
}

// Deterministic bytes that neither compress to nothing nor are pure noise.
inline ArcFormat::Bytes MixedBytes(size_t size, uint32_t seed = 1) {
    ArcFormat::Bytes b(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = (i % 512 < 256) ? static_cast<uint8_t>(seed >> 24)
                               : static_cast<uint8_t>("abcabcabd"[i % 9]);
    }
    return b;
}
