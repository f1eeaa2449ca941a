#pragma once
// Autorun descriptions (autorun.inf): reading one, splitting its commands and starting them.
#include "winx_launch.h"

enum { Autorun_MaxVerbs = 20 };
struct Autorun_Info {
    char file[260];  // the description file
    char open[260];  // its "open" command
    char icon[260];  // "icon" up to its last comma
    int icon_index;  // the number after that comma; 0 without one
    int verb_count;
    char verb_text[Autorun_MaxVerbs][256];
    char verb_command[Autorun_MaxVerbs][260];
};
// Reads the "autorun" section, in any letter case and wherever it stands. Values are taken
// whole, so a quoted program keeps what follows it. A verb counts once both its records are
// there; verbs beyond the twentieth and values too long for their field are left out. A
// file without the section gives an empty description; a missing file is raised.
void WinX_ReadAutorun(Autorun_Info* info, const char* file);
// Windows' own viewers (explorer, notepad, winhlp32, write): name is one of them exactly,
// with or without ".exe", in any letter case and without a folder. path (260 bytes)
// receives its program in the Windows folder or else the system folder; false when name
// is no viewer or no such program is there.
bool WinX_FindViewer(const char* name, char* path);
// The one way an autorun command is split, against the folder of base_file (the
// description). A first word that names a viewer (WinX_FindViewer) gives Windows' own
// program, started in the description's folder, where its document lies. Otherwise a quoted
// program ends at its closing quote, an unquoted one at the first blank before which an
// existing file is named, else it is the whole line; it starts in its own folder. The
// parameters are the rest of the line.
void WinX_SplitCommand(const char* command, const char* base_file, WinX_Command* out);
// Entry index of the description (-1: the open command, else a verb), split.
void WinX_AutorunEntry(const Autorun_Info* info, int index, WinX_Command* out);
// Starts entry index as WinX_StartCommand does.
void WinX_RunAutorun(const Autorun_Info* info, int index, bool tree);
