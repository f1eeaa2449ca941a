// Names the code page cannot hold. The archiver DLLs give every name in the ANSI code page
// and put '?' for each character it has none for: '?' is no character of any Windows name,
// so such an entry could only be written under a substitute that may meet another entry's
// name. The archive is refused, naming the first such entry, before anything is extracted.
#include <cstring>

#include "archiver/extract_local.h"
#include "lib/errors.h"

namespace ExtractX {

void RefuseUnheldName(const char* entry_path) {
    if (strchr(entry_path, '?') == nullptr) return;
    ERRORS_RAISE(Zent_Err_UnsafeArchive,
                 "圧縮ファイルの中に、この Windows の文字で表せない名前があるため、解凍できません"
                 "（表せない文字を ? で示します）。\n%s",
                 entry_path);
}

}  // namespace ExtractX
