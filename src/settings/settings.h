#pragma once
// The user's settings: the record every action works from and the file dovetrim.ini
// beside the program that keeps it between runs. Files of other programs and of newer
// versions are refused; files of older versions are converted on load.
#include <ctime>

#include "settings/rules.h"

enum { Zent_SettingsVersion = 202 };
enum { Zent_IconHistorySize = 8, Zent_SafeMax = 100, Zent_DllFlagCount = 10 };

// Melt destinations and default actions, stored in the file by name.
enum Zent_MeltTo {
    Zent_MeltTo_Cache,
    Zent_MeltTo_Std,
    Zent_MeltTo_StdInst,
    Zent_MeltTo_Here,
    Zent_MeltTo_Desktop,
    Zent_MeltTo_MyDoc,
    Zent_MeltTo_ProgFile,
    Zent_MeltTo_System,
    Zent_MeltTo_Temp,
};
enum Zent_DefAct {
    Zent_DefAct_AutoFold,
    Zent_DefAct_AutoExp,
    Zent_DefAct_Fold,
    Zent_DefAct_Exp,
    Zent_DefAct_Melt,
    Zent_DefAct_None,
};

// A file the user marked as safe: the identity record of the cache database ("stiisi").
struct Zent_SafeEntry {
    char path[260];
    time_t time;
    int size;
    int checksum;
    char folder[260];
    int sequence;
};

// The record owns the rule list on the heap: objects are static or zero-filled before the
// first load, and a reload frees the rules of the previous one.
struct Zent_Settings {
    int version;  // as read; 0 when there was no file
    int PrevPage;
    int MeltToOnDblClk;
    int DefActOnDblClk;
    int MeltToOnDrop;
    int DefActOnDrop;
    char CachePath[260];
    char StdMeltPath[260];
    char InstallPath[260];
    int DefCompressType;
    char DelOrgOnMenu;  // flags are bytes, as the record file reads them
    char DelOrgOnDrop;
    Zent_AutoOpenList AutoOpen;
    // UNLHA32, UNZIP32, ZIP32, CAB32, UNRAR, UNARJ32, YZ1, UNGCA32, TAR32, 7Z
    char dll[Zent_DllFlagCount];
    char IconHis[Zent_IconHistorySize][260];
    Zent_SafeEntry safe[Zent_SafeMax];
    int safe_count;
    // The file the record was read from, which the options sheet saves it to; for the
    // defaults, dovetrim.ini in the program's folder. Not a value of the file.
    char file[260];
};

// dovetrim.ini in the program's folder.
const char* Zent_SettingsPath();
// Fills the record anew and remembers path as its file; the auto-open rules come from the
// file's "AutoOpen" sections, or are the default rules for a missing file or one older than
// version 110.
void Zent_LoadSettings(Zent_Settings* settings, const char* path);
// The record a missing file gives: the default values and rules.
void Zent_DefaultSettings(Zent_Settings* settings);
// Writes a complete new file beside the old one and only then replaces it, so a failed
// save leaves the previous settings intact.
void Zent_SaveSettings(const Zent_Settings* settings, const char* path);
bool Zent_NoDllFlagged(const Zent_Settings* settings);

// Names of the enumerations. A number out of range gives the first name; an unknown name
// raises Errors_Unofficial "error".
const char* Zent_MeltToName(int value);
int Zent_MeltToOfName(const char* name);
const char* Zent_DefActName(int value);
int Zent_DefActOfName(const char* name);
// Does the default action show Explorer with the folder tree (else plain folder windows)?
bool Zent_ExplorerView(int default_action);
