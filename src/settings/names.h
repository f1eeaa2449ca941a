#pragma once
// Enumerations stored in the settings file by name: the value's name, and the value of a
// name. Shared by the settings sources only.
#include <cstddef>
#include <cstring>

// A number out of range gives the first name.
template <size_t N>
const char* Settings_NameOf(const char* const (&names)[N], int value) {
    return value >= 0 && value < static_cast<int>(N) ? names[value] : names[0];
}

// Names compare with their letter case, as the settings file writes them; -1 when unknown.
template <size_t N>
int Settings_ValueOf(const char* const (&names)[N], const char* name) {
    for (size_t i = 0; i < N; i++) {
        if (strcmp(names[i], name) == 0) return static_cast<int>(i);
    }
    return -1;
}
