#pragma once
// File-type associations. Associating writes the system's verbs under HKEY_CLASSES_ROOT
// and keeps what other programs had registered under backup names; un-associating puts
// that back.

enum WinX_VerbDefault {
    WinX_Verb_NotDefault = 0,
    WinX_Verb_Default = 1,        // always becomes the type's default verb
    WinX_Verb_DefaultIfNone = 2,  // only when the type has none
};
struct WinX_VerbRow {
    const char* key;        // verb key name; "NULL" ends a list
    const char* menu;       // menu text
    const char* program;    // relative to the program's folder; empty: the program itself
    const char* arguments;  // after the quoted program
    int default_mode;       // WinX_VerbDefault
};
struct WinX_TypeRow {
    const char* extension;    // without the dot, or "folder", or "*"; "NULL" ends the rows
    const char* description;  // the program id's default value; null: none
    bool edit_flags_zero;     // EditFlags 00 00 00 00 (else 00 00 01 00)
    const char* icon_file;    // relative to the program's folder; empty: the program itself
    int icon_index;           // -1: the row sets no icon
    const WinX_VerbRow* verbs;
};
struct WinX_TypeSet {
    const char* product;
    const char* version;
    const WinX_TypeRow* rows;
};
// This version's verb lists, of the archive types that can be updated and of the others, and
// its rows of folders and of all files; archiver/associations.h puts its set together.
extern const WinX_VerbRow WinX_FullVerbs[];
extern const WinX_VerbRow WinX_ShortVerbs[];
extern const WinX_TypeRow WinX_FolderRow;
extern const WinX_TypeRow WinX_AllFilesRow;
extern const WinX_TypeSet WinX_PreviousTypeSet;  // "Quarvel 2" 2.00, only to remove its entries
int WinX_TypeSetRowCount(const WinX_TypeSet* set);
// The program of the all-files editor verb of both sets.
void WinX_SetAllFilesEditor(const char* program);

// selection: one flag per row, or null for every row. Associate writes the selected rows;
// Unassociate restores the rows that are not selected, where this system associated them.
void WinX_Associate(const WinX_TypeSet* set, const char* program_path, const bool* selection);
void WinX_Unassociate(const WinX_TypeSet* set, const char* program_path, const bool* selection);
// Sets the icon of the extension's current program id, when that class carries the verbs
// of a row of the set for the program at program_path; another program's class is left as
// it is.
void WinX_SetTypeIcon(const WinX_TypeSet* set, const char* extension, const char* icon_file,
                      int index, const char* program_path);
