#pragma once
// Auto-open: the rule (settings/rules.h) and the entry chosen for a freshly melted folder,
// and the rule's action on it.
#include <cstddef>

#include "settings/rules.h"

// names: the entries directly inside the melted folder, in listing order. Gives the first
// rule that yields a name; matched (260 bytes) receives the name (empty for Zent_Other),
// confirm whether the user must confirm first. No rule: Zent_Err_NoMatchFileType.
const Zent_AutoOpen* Zent_MatchAutoOpen(const Zent_AutoOpenList* list, const char* const* names,
                                        int count, char* matched, bool* confirm);
// Performs the rule's action on path (the melted folder joined with the matched name);
// tree: Explorer windows opened by the action show the folder pane. A command line or
// document that cannot be started raises Zent_Err_FailToExecCmd; a document whose type has
// no program for the verb raises WinX_Err_NoRegKey.
void Zent_RunAutoOpen(const Zent_AutoOpen* rule, const char* path, bool tree);
// What the rule's action starts besides the file itself, as the launch question names it:
// the program of its command line (the file name), or the verb it runs when that is not
// "open". "" when the file is opened by itself, or nothing is started.
char* Zent_AutoOpenStarter(const Zent_AutoOpen* rule, char* out, size_t size);
