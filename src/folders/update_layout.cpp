// The layout of a rewritten archive: its entries under the working folder's name, or the
// folder's content at the top, as the archive had them.
#include <windows.h>

#include "archiver/entries.h"
#include "archiver/zent_types.h"
#include "folders/update_local.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

// The entry lies in a top folder of this name: its first component (double-byte aware) is
// the name, and a separator follows it.
static bool BelowTopFolder(const char* entry, const char* name) {
    if (*entry == '\\' || *entry == '/') entry++;
    char top[Update_PathSize];
    size_t n = 0;
    const char* p = entry;
    for (; *p != '\0' && *p != '\\' && *p != '/' && n + 2 < sizeof top; p++) {
        top[n++] = *p;
        if (StdPlus_IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0') top[n++] = *++p;
    }
    top[n] = '\0';
    return (*p == '\\' || *p == '/') && lstrcmpiA(top, name) == 0;
}

// The extraction names the working folder after the archive's single top folder, or after
// the archive when it has none. So the entries themselves tell the layout, whatever the user
// has since changed in the folder; an archive without entries had no top folder.
bool Update_StoresFolder(const char* archive, const char* folder, int type) {
    if (type == Zent_Yz1Type) return true;
    char name[Update_PathSize];
    StrX_CopyFileName(name, folder);
    bool any = false, all_below = true;
    Zent_ForEachEntry(archive, [&](const char* entry) {
        any = true;
        all_below = BelowTopFolder(entry, name);
        return all_below;
    });
    return any && all_below;
}
