#include "commands.h"

#include <windows.h>

#include "util.h"

namespace arc {

ParsedCommand ParseCommand(const std::vector<Word>& words, bool has_verb) {
    ParsedCommand c;
    size_t i = 0;
    if (has_verb && !words.empty() && !(words[0].text.size() > 1 && words[0].text[0] == '-')) {
        c.verb = words[0].text;
        i = 1;
    }
    bool have_archive = false;
    for (; i < words.size(); ++i) {
        const Word& w = words[i];
        if (!w.quoted && w.text.size() > 1 && w.text[0] == '-') {
            c.switches.push_back(w.text);
        } else if (!have_archive) {
            c.archive = w.text;
            have_archive = true;
        } else if (!w.quoted && w.text.size() > 1 && w.text[0] == '@') {
            std::string file = w.text.substr(1);
            c.response_files.push_back(FullPath(file));
            if (!ReadResponseFile(file, c.names)) c.bad_response = true;
        } else {
            c.names.push_back(w.text);
        }
    }
    return c;
}

bool HasSwitch(const ParsedCommand& c, const char* sw) {
    for (const std::string& s : c.switches)
        if (lstrcmpiA(s.c_str(), sw) == 0) return true;
    return false;
}

std::string SwitchValue(const ParsedCommand& c, const char* prefix, const std::string& fallback) {
    std::string p = prefix;
    std::string value = fallback;
    for (const std::string& s : c.switches)
        if (s.size() >= p.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, s.c_str(),
                                                   int(p.size()), p.c_str(), int(p.size())) == 2)
            value = s.substr(p.size());
    return value;
}

}  // namespace arc
