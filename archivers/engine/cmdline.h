#pragma once
// Command lines of the common DLL family: blank-separated words, double quotes group a word
// (and are removed), "@name" reads more words from a response file, one per line.
#include <string>
#include <vector>

namespace arc {

struct Word {
    std::string text;
    bool quoted = false;
};

std::vector<Word> SplitCommand(const std::string& line);
// Reads a response file; blank lines are skipped and quotes removed. False if unreadable.
bool ReadResponseFile(const std::string& path, std::vector<std::string>& names);

}  // namespace arc
