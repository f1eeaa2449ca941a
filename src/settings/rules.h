#pragma once
// Auto-open rules: which document of a freshly melted folder is opened, and how. The rules
// form an ordered list kept in the settings file, one "AutoOpen" section each; the first
// rule that yields an entry of the folder wins (autoopen/autoopen.h). A rule of kind
// Zent_Other always matches and is always the last one.
#include <cstddef>

struct IniFile_Writer;

enum Zent_MatchType { Zent_Match, Zent_Match1File, Zent_1File, Zent_Other };
enum Zent_SecurityType { Zent_Confirm, Zent_NoConfirm, Zent_RefReg };
enum Zent_CmdType { Zent_OpenOnly, Zent_RegCmd, Zent_RegCmd2, Zent_CustomCmd, Zent_AutoRunInf };

struct Zent_AutoOpen {
    Zent_AutoOpen* next;
    int Type;      // Zent_MatchType
    int Security;  // Zent_SecurityType
    char WildCard[260];
    int CmdType;  // Zent_CmdType
    char Command[256];
};

// The list owns its rules (allocated with new). A zero-filled list is the empty list.
struct Zent_AutoOpenList {
    Zent_AutoOpen* first;
};

// A new rule with the starting values of the rule editor: Zent_Match, Zent_RefReg, "*.txt",
// Zent_RegCmd, "open". It belongs to the caller until it is added to a list.
Zent_AutoOpen* Zent_NewAutoOpen();
// Empties the list and installs the eleven default rules.
void Zent_DefaultAutoOpen(Zent_AutoOpenList* list);
// Reads every "AutoOpen" section of the file into the emptied list.
void Zent_LoadAutoOpen(Zent_AutoOpenList* list, const char* file);
void Zent_SaveAutoOpen(const Zent_AutoOpenList* list, IniFile_Writer* writer);
// Takes over a rule made with new (Zent_NewAutoOpen); keeps a Zent_Other rule last and
// single: a second one is freed and raises Zent_Err_CannotAddFType, the list unchanged.
void Zent_AddAutoOpen(Zent_AutoOpenList* list, Zent_AutoOpen* rule);
// Unlinks and frees the rule; a Zent_Other rule raises Zent_Err_CannotRemoveFType. A rule
// that is not in the list is left alone.
void Zent_RemoveAutoOpen(Zent_AutoOpenList* list, Zent_AutoOpen* rule);
void Zent_FreeAutoOpen(Zent_AutoOpenList* list);
int Zent_CountAutoOpen(const Zent_AutoOpenList* list);

// Names of the three kinds as the settings file stores them. A number out of range gives
// the first name; an unknown name gives the kind's default (Zent_Match, Zent_RefReg,
// Zent_RegCmd).
const char* Zent_MatchTypeName(int value);
int Zent_MatchTypeOfName(const char* name);
const char* Zent_SecurityName(int value);
int Zent_SecurityOfName(const char* name);
const char* Zent_CmdTypeName(int value);
int Zent_CmdTypeOfName(const char* name);
