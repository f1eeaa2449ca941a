// The choice of the rule and entry for a melted folder, and the rule's action.
#include "autoopen/autoopen.h"

#include <strings.h>

#include <cstring>

#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/inifile.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_filetype.h"

// ---- Matching ------------------------------------------------------------------------

// A saved web page keeps its pictures in a folder "<page>.files" beside it; the page and
// that folder count as one entry.
static bool IsCompanionFolder(const char* name) {
    return strcasecmp(StrX_Ext(name), "files") == 0;
}

static bool Matches(const Zent_AutoOpen* rule, const char* name) {
    return StrX_WildCompare(rule->WildCard, name) == 0;
}

// The name the rule yields, or null.
static const char* RuleYield(const Zent_AutoOpen* rule, const char* const* names, int count) {
    switch (rule->Type) {
        case Zent_Match:
            for (int i = 0; i < count; i++) {
                if (Matches(rule, names[i])) return names[i];
            }
            return nullptr;
        case Zent_Match1File: {
            const char* found = nullptr;
            for (int i = 0; i < count; i++) {
                if (IsCompanionFolder(names[i]) || !Matches(rule, names[i])) continue;
                if (found != nullptr) return nullptr;
                found = names[i];
            }
            return found;
        }
        case Zent_1File: {
            const char* only = nullptr;
            for (int i = 0; i < count; i++) {
                if (IsCompanionFolder(names[i])) continue;
                if (only != nullptr) return nullptr;
                only = names[i];
            }
            return only != nullptr && Matches(rule, only) ? only : nullptr;
        }
        case Zent_Other:
            return "";
    }
    return nullptr;
}

const Zent_AutoOpen* Zent_MatchAutoOpen(const Zent_AutoOpenList* list, const char* const* names,
                                        int count, char* matched, bool* confirm) {
    for (const Zent_AutoOpen* rule = list->first; rule != nullptr; rule = rule->next) {
        const char* name = RuleYield(rule, names, count);
        if (name == nullptr) continue;
        StdPlus_CopyN(matched, name, StrX_PathSize);
        switch (rule->Security) {
            case Zent_NoConfirm:
                *confirm = false;
                break;
            case Zent_RefReg:
                *confirm = WinX_TypeConfirmsOpen(StrX_Ext(matched));
                break;
            default:
                *confirm = true;
                break;
        }
        return rule;
    }
    ERRORS_RAISE(Zent_Err_NoMatchFileType, "マッチするファイルタイプがありません");
    return nullptr;
}
