#pragma once
// Parsing shared by the command exports: switches, the archive name, further names and
// "@response" files.
#include <string>
#include <vector>

#include "cmdline.h"

namespace arc {

struct ParsedCommand {
    std::string verb;                         // the first word when it is not a switch ("e", "a")
    std::vector<std::string> switches;        // words starting with '-' (not quoted)
    std::string archive;                      // the first name
    std::vector<std::string> names;           // the rest, response files expanded
    std::vector<std::string> response_files;  // full paths, never stored in an archive
    bool bad_response = false;
};

// `has_verb`: the first word is a command letter (LHA style) rather than a switch.
ParsedCommand ParseCommand(const std::vector<Word>& words, bool has_verb);
bool HasSwitch(const ParsedCommand& c, const char* sw);  // case-insensitive, exact
// The value after a switch prefix ("-jm" in "-jm2"), or `fallback`.
std::string SwitchValue(const ParsedCommand& c, const char* prefix, const std::string& fallback);

}  // namespace arc
