#include "cmdline.h"

#include <vector>

#include "util.h"

namespace arc {

std::vector<Word> SplitCommand(const std::string& line) {
    std::vector<Word> words;
    size_t i = 0, n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n'))
            ++i;
        if (i >= n) break;
        Word w;
        bool in_quotes = false;
        while (i < n) {
            char c = line[i];
            if (!in_quotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) break;
            if (c == '"') {
                in_quotes = !in_quotes;
                w.quoted = true;
                ++i;
                continue;
            }
            // A trail byte is never a quote or blank in CP932, but copy the pair as one.
            if (IsLead(static_cast<unsigned char>(c)) && i + 1 < n) {
                w.text += c;
                w.text += line[i + 1];
                i += 2;
                continue;
            }
            w.text += c;
            ++i;
        }
        words.push_back(w);
    }
    return words;
}

bool ReadResponseFile(const std::string& path, std::vector<std::string>& names) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    std::string text(bytes.begin(), bytes.end());
    for (const Word& w : SplitCommand(text)) names.push_back(w.text);
    return true;
}

}  // namespace arc
