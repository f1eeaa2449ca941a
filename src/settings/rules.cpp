// The auto-open rule list: its order rules, the built-in rules and the "AutoOpen" sections
// of the settings file.
#include "settings/rules.h"

#include <strings.h>

#include <cstring>

#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/inifile.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "settings/names.h"

// ---- Names ---------------------------------------------------------------------------

static const char* const kMatchNames[] = {"Zent_Match", "Zent_Match1File", "Zent_1File",
                                          "Zent_Other"};
static const char* const kSecurityNames[] = {"Zent_Confirm", "Zent_NoConfirm", "Zent_RefReg"};
static const char* const kCmdNames[] = {"Zent_OpenOnly", "Zent_RegCmd", "Zent_RegCmd2",
                                        "Zent_CustomCmd", "Zent_AutoRunInf"};

// An unknown name gives the kind's default.
template <size_t N>
static int ValueOf(const char* const (&names)[N], const char* name, int unknown) {
    int value = Settings_ValueOf(names, name);
    return value < 0 ? unknown : value;
}

const char* Zent_MatchTypeName(int value) {
    return Settings_NameOf(kMatchNames, value);
}
int Zent_MatchTypeOfName(const char* name) {
    return ValueOf(kMatchNames, name, Zent_Match);
}
const char* Zent_SecurityName(int value) {
    return Settings_NameOf(kSecurityNames, value);
}
int Zent_SecurityOfName(const char* name) {
    return ValueOf(kSecurityNames, name, Zent_RefReg);
}
const char* Zent_CmdTypeName(int value) {
    return Settings_NameOf(kCmdNames, value);
}
int Zent_CmdTypeOfName(const char* name) {
    return ValueOf(kCmdNames, name, Zent_RegCmd);
}

// ---- The list ------------------------------------------------------------------------

static Zent_AutoOpen* NewRule(int type, int security, const char* wildcard, int cmd_type,
                              const char* command) {
    Zent_AutoOpen* rule = new Zent_AutoOpen();
    rule->Type = type;
    rule->Security = security;
    StdPlus_CopyN(rule->WildCard, wildcard, sizeof rule->WildCard);
    rule->CmdType = cmd_type;
    StdPlus_CopyN(rule->Command, command, sizeof rule->Command);
    return rule;
}

Zent_AutoOpen* Zent_NewAutoOpen() {
    return NewRule(Zent_Match, Zent_RefReg, "*.txt", Zent_RegCmd, "open");
}

void Zent_FreeAutoOpen(Zent_AutoOpenList* list) {
    Zent_AutoOpen* rule = list->first;
    while (rule != nullptr) {
        Zent_AutoOpen* next = rule->next;
        delete rule;
        rule = next;
    }
    list->first = nullptr;
}

int Zent_CountAutoOpen(const Zent_AutoOpenList* list) {
    int count = 0;
    for (const Zent_AutoOpen* rule = list->first; rule != nullptr; rule = rule->next) count++;
    return count;
}

void Zent_AddAutoOpen(Zent_AutoOpenList* list, Zent_AutoOpen* rule) {
    rule->next = nullptr;
    // The link that will hold the new rule: the end of the list, or the place of a
    // Zent_Other rule there, which stays behind it.
    Zent_AutoOpen** link = &list->first;
    while (*link != nullptr) {
        if ((*link)->Type == Zent_Other) {
            if (rule->Type == Zent_Other) {
                delete rule;
                ERRORS_RAISE(Zent_Err_CannotAddFType, "指定のファイルタイプは複数追加できません。");
                return;
            }
            if ((*link)->next == nullptr) break;
        }
        link = &(*link)->next;
    }
    rule->next = *link;
    *link = rule;
}

void Zent_RemoveAutoOpen(Zent_AutoOpenList* list, Zent_AutoOpen* rule) {
    if (rule->Type == Zent_Other) {
        ERRORS_RAISE(Zent_Err_CannotRemoveFType, "指定のファイルタイプは削除できません。");
        return;
    }
    for (Zent_AutoOpen** link = &list->first; *link != nullptr; link = &(*link)->next) {
        if (*link == rule) {
            *link = rule->next;
            delete rule;
            return;
        }
    }
}

struct DefaultRule {
    int type;
    int security;
    const char* wildcard;
    int cmd_type;
    const char* command;
};

static const DefaultRule kDefaultRules[] = {
    {Zent_Match, Zent_Confirm, "autorun.inf", Zent_AutoRunInf, ""},
    {Zent_Match, Zent_Confirm, "setup.exe", Zent_RegCmd, "open"},
    {Zent_Match, Zent_NoConfirm, "index.htm*", Zent_RegCmd2, "open"},
    {Zent_Match, Zent_NoConfirm, "readme.txt", Zent_RegCmd2, "open"},
    {Zent_1File, Zent_NoConfirm, "*.htm*", Zent_RegCmd, "open"},
    {Zent_1File, Zent_NoConfirm, "*.doc", Zent_RegCmd, "open"},
    {Zent_1File, Zent_NoConfirm, "*.xls", Zent_RegCmd, "open"},
    {Zent_1File, Zent_NoConfirm, "*.ppt", Zent_RegCmd, "open"},
    {Zent_1File, Zent_NoConfirm, "*.pdf", Zent_RegCmd, "open"},
    {Zent_1File, Zent_RefReg, "*", Zent_RegCmd, "open"},
    {Zent_Other, Zent_Confirm, "*", Zent_OpenOnly, ""},
};

void Zent_DefaultAutoOpen(Zent_AutoOpenList* list) {
    Zent_FreeAutoOpen(list);
    for (const DefaultRule& r : kDefaultRules)
        Zent_AddAutoOpen(list, NewRule(r.type, r.security, r.wildcard, r.cmd_type, r.command));
}

// ---- The settings file ---------------------------------------------------------------

void Zent_LoadAutoOpen(Zent_AutoOpenList* list, const char* file) {
    char line[256];
    IniFile_Reader reader{};
    Zent_FreeAutoOpen(list);
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            IniFile_OpenRead(&reader, file, line, sizeof line);
            while (IniFile_SeekSection(&reader, "AutoOpen", false)) {
                // Read whole before it joins the list, so a malformed section leaves
                // nothing half-made behind.
                char type[256], security[256], wildcard[256], cmd_type[256], command[256];
                IniFile_ReadRecord(&reader, "Type", "s", type);
                IniFile_ReadRecord(&reader, "Security", "s", security);
                IniFile_ReadRecord(&reader, "WildCard", "s", wildcard);
                IniFile_ReadRecord(&reader, "CmdType", "s", cmd_type);
                IniFile_ReadRecord(&reader, "Command", "s", command);
                Zent_AddAutoOpen(list,
                                 NewRule(Zent_MatchTypeOfName(type), Zent_SecurityOfName(security),
                                         wildcard, Zent_CmdTypeOfName(cmd_type), command));
            }
        },
        [&] { IniFile_CloseRead(&reader); });
    // A file cut short or edited by hand may have lost the default rule: without it every
    // archive that no other rule matches would fail to open.
    for (const Zent_AutoOpen* rule = list->first; rule != nullptr; rule = rule->next) {
        if (rule->Type == Zent_Other) return;
    }
    const DefaultRule& other = kDefaultRules[sizeof kDefaultRules / sizeof kDefaultRules[0] - 1];
    Zent_AddAutoOpen(
        list, NewRule(other.type, other.security, other.wildcard, other.cmd_type, other.command));
}

void Zent_SaveAutoOpen(const Zent_AutoOpenList* list, IniFile_Writer* writer) {
    for (const Zent_AutoOpen* rule = list->first; rule != nullptr; rule = rule->next) {
        IniFile_WriteSection(writer, "AutoOpen");
        IniFile_WriteRecord(writer, "Type", "s", Zent_MatchTypeName(rule->Type));
        IniFile_WriteRecord(writer, "Security", "s", Zent_SecurityName(rule->Security));
        IniFile_WriteRecord(writer, "WildCard", "s", rule->WildCard);
        IniFile_WriteRecord(writer, "CmdType", "s", Zent_CmdTypeName(rule->CmdType));
        IniFile_WriteRecord(writer, "Command", "s", rule->Command);
    }
}
