// Names that cannot be extracted as they stand. The archiver DLLs give every name in the ANSI
// code page and put '?' for each character it has none for: '?' is no character of any
// Windows name, so such an entry could only be written under a substitute that may meet
// another entry's name. And names that differ in the archive may still be one name to
// Windows ("Readme.txt" and "README.TXT" from a Linux tar, "a.txt" and "a.txt."): the DLL
// would write the second over the first. Either way the archive is refused, naming the
// entry, before anything is extracted.
#include <windows.h>

#include <cstring>
#include <string>

#include "archiver/extract_local.h"
#include "lib/errors.h"

namespace {

// The name Windows opens for `path`: separators alike, "." and empty steps dropped, ".."
// taken back (what climbs out stays, the guard levels handle it), trailing dots and blanks
// of every step dropped, letters in upper case.
std::wstring WindowsKey(const char* path) {
    int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    std::wstring wide(n > 0 ? size_t(n) : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], n);
    wide.resize(wcslen(wide.c_str()));
    std::wstring key;
    size_t start = 0;
    while (start <= wide.size()) {
        size_t end = wide.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = wide.size();
        std::wstring step = wide.substr(start, end - start);
        start = end + 1;
        if (step == L"..") {
            size_t cut = key.rfind(L'\\');
            std::wstring last = key.substr(cut == std::wstring::npos ? 0 : cut + 1);
            if (!key.empty() && last != L"..") {
                key.resize(cut == std::wstring::npos ? 0 : cut);
                continue;
            }
        } else {
            while (!step.empty() && (step.back() == L'.' || step.back() == L' ')) step.pop_back();
            if (step.empty()) continue;
        }
        if (!key.empty()) key += L'\\';
        key += step;
    }
    if (!key.empty()) {
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, key.c_str(), int(key.size()), &key[0],
                     int(key.size()));
    }
    return key;
}

}  // namespace

namespace ExtractX {

void EntryNames::Check(const char* entry_path, bool is_folder) {
    if (strchr(entry_path, '?') != nullptr) {
        ERRORS_RAISE(Zent_Err_UnsafeArchive,
                     "圧縮ファイルの中に、この Windows の文字で表せない名前があるため、解凍できま"
                     "せん（表せない文字を ? で示します）。\n%s",
                     entry_path);
    }
    if (is_folder) return;  // folders of one name simply meet
    auto found = files_.emplace(WindowsKey(entry_path), entry_path);
    if (!found.second) {
        ERRORS_RAISE(Zent_Err_UnsafeArchive,
                     "圧縮ファイルの中に、Windows では同じ名前になるファイルがいくつもあるため、"
                     "解凍できません（大文字と小文字は区別されません）。\n%s\n%s",
                     found.first->second.c_str(), entry_path);
    }
}

}  // namespace ExtractX
