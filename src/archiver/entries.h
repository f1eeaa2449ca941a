#pragma once
// The entry paths of an archive, read through the DLL that extracts it, for the workflows
// that judge an archive by what it holds (its layout, whether it holds anything at all).
#include <functional>

// Calls `visit` with each entry path in the archive's order until it returns false. The DLL
// is chosen by the extension, as for extraction, and bound for the walk alone. An archive
// the DLL cannot read has no entries. UNRAR.DLL, which has no listing of this kind, raises
// Errors_Unofficial "error".
void Zent_ForEachEntry(const char* archive, const std::function<bool(const char* path)>& visit);
