#pragma once
// The formats of archivers/formats as formats of the shared engine: readers behind the
// engine's sniff/parse/decode table, writers that take the engine's disk sources.
#include <string>
#include <vector>

#include "../../engine/model.h"
#include "format_entry.h"

namespace arc {

extern const Format kSevenZipFormat;
extern const Format kArjFormat;
extern const Format kCabFormat;
extern const Format kYz1Format;
extern const Format kGcaFormat;

int Bridge_Result(ArcFormat::Status status);

// An item to write: read from disk (`source`), or an entry of an archive kept as it was.
struct BridgeItem {
    const Archive* from = nullptr;
    const Entry* kept = nullptr;
    Source source;
};
// Reads the sources (or decodes the kept entries) into writer items.
int Bridge_Items(const std::vector<BridgeItem>& items, std::vector<ArcFormat::WriteItem>* out);
std::vector<BridgeItem> Bridge_FromSources(const std::vector<Source>& sources);

// Writes a finished archive image to `path`.
int Bridge_Save(const std::string& path, const ArcFormat::Bytes& image);

// Extraction commands of these DLLs name the archive without quotes, so a path with blanks
// arrives as several words: the longest run of the name words that is an existing file is
// the archive; the words after it stay names.
void Bridge_JoinArchiveWords(std::string* archive, std::vector<std::string>* names);

}  // namespace arc
