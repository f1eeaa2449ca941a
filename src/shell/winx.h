#pragma once
// The program's window onto Windows: registry access, the folders Windows keeps for the
// user, starting Explorer, documents, web pages and autorun entries, and reading what a
// file type registered. Every failure is raised (errors.h); nothing is returned as a code.
#include <windows.h>

#include <cstddef>

// ---- Registry ------------------------------------------------------------------------
// Most operations take one text that names a key and a value together: the part after
// the last backslash is the value name. With is_default set the whole text is the key
// and its unnamed default value is meant. A text to split must be shorter than 512.

struct WinX_RegValue {
    DWORD type;      // REG_SZ, REG_BINARY, REG_DWORD...: set by a read, used by a write
    void* data;      // the caller's buffer
    DWORD size;      // bytes of data: set by a read, used by a write
    DWORD capacity;  // the buffer's size, used by a read
};

void WinX_RegRead(HKEY root, const char* text, bool is_default, WinX_RegValue* value);
// Creates the key and every key above it when needed.
void WinX_RegWrite(HKEY root, const char* text, bool is_default, const WinX_RegValue* value);
// Deletes a key (is_key) or a value; what does not exist is no error.
void WinX_RegDelete(HKEY root, const char* text, bool is_key);
// Deletes the key only when it has no subkeys; a missing key is no error.
void WinX_RegDeleteIfLeaf(HKEY root, const char* key);
// Never raises. as_key alone: is there such a key. as_key and key_or_value: a key of that
// name, or else a value (split form). Neither: is there such a value (split form).
bool WinX_RegExists(HKEY root, const char* text, bool as_key, bool key_or_value);
// Typed reads; value_name null means the default value. A value of another type raises
// WinX_Err_DifferentType, one larger than the buffer an API error.
char* WinX_RegReadString(HKEY root, const char* key, const char* value_name, char* buffer,
                         DWORD capacity);
void* WinX_RegReadBinary(HKEY root, const char* key, const char* value_name, void* buffer,
                         DWORD capacity);
// Copies every value of the source key and below it, default values included, to the same
// relative place below the destination key.
void WinX_RegCopyTree(HKEY dest_root, const char* dest_key, HKEY src_root, const char* src_key);
void WinX_RegDeleteTree(HKEY root, const char* key);

// Depth-first walk below a start key. The named values of a key come before its subkeys;
// with visit_keys every subkey is visited after everything below it. A key's default value
// is no item of its own. The walk holds no registry handle between steps.
enum { WinX_RegWalk_PoolNames = 8192, WinX_RegWalk_NameSize = 251, WinX_RegWalk_Depth = 51 };
struct WinX_RegWalkLevel;
struct WinX_RegWalk {
    HKEY root;
    char start[512];
    bool visit_keys;
    bool is_key;  // the current item is a key (else a value)
    char (*pool)[WinX_RegWalk_NameSize];
    bool* pool_is_key;
    int pool_used;
    WinX_RegWalkLevel* levels;
    int depth;
    char relative[1024];
    char full[1536];
    char item_key[1024];                    // relative path of the key that holds the current item
    char item_name[WinX_RegWalk_NameSize];  // the current item's own name
};
void WinX_RegWalk_Start(WinX_RegWalk* walk, HKEY root, const char* key, bool visit_keys);
bool WinX_RegWalk_Next(WinX_RegWalk* walk);  // false when the walk is done
const char* WinX_RegWalk_Relative(const WinX_RegWalk* walk);
const char* WinX_RegWalk_Full(const WinX_RegWalk* walk);
// A key item reads its default value, a value item that value.
void WinX_RegWalk_Read(const WinX_RegWalk* walk, WinX_RegValue* value);
void WinX_RegWalk_End(WinX_RegWalk* walk);

// Raise WinX_Err_API_Error with the system's text for the code.
[[noreturn]] void WinX_RaiseLastError();
[[noreturn]] void WinX_RaiseApiError(DWORD code);
[[noreturn]] void WinX_RaiseApiErrorAt(DWORD code, const char* file, int line);

// ---- Folders (each returns a static buffer of its own, overwritten by the next call) -----
const char* WinX_WindowsDir();  // "windir"; null when unset
const char* WinX_SystemDir();
const char* WinX_DesktopDir();
const char* WinX_PersonalDir();
const char* WinX_ProgramFilesDir();
const char* WinX_TempDir();      // "TEMP" without a trailing backslash; null when unset
const char* WinX_FindWScript();  // null when there is no script host

// ---- DLL search (winx_dllsearch.cpp) -------------------------------------------------
// Called once at start-up: DLLs loaded by a bare name come only from the program's folder
// and Windows' folders, never from the current directory.
void WinX_KeepDllSearchOutOfUserFolders();

// ---- The web's mark (winx_zone.cpp) ---------------------------------------------------
// The "Zone.Identifier" stream Windows gives a downloaded file. Under Wine a stream is a
// file named "<name>:Zone.Identifier" beside its file.
struct WinX_ZoneMark {
    char text[4096];  // the stream's lines, terminated
    DWORD size;       // bytes of the stream
};
// False when the file carries no mark. A stream too long for the record is read as a mark of
// its zone alone.
bool WinX_ReadZoneMark(const char* file, WinX_ZoneMark* mark);
// Gives the file the mark, replacing one it had. Never raises: false when it could not be
// written (a volume that keeps no streams, say).
bool WinX_WriteZoneMark(const char* file, const WinX_ZoneMark* mark);
// The Internet or a restricted site (ZoneId 3 or 4), or a zone the mark does not say.
bool WinX_IsInternetZone(const WinX_ZoneMark* mark);
bool WinX_CameFromInternet(const char* file);
// A name from a folder listing that is a stream of another entry (it holds a colon, which
// no name of a file or folder of its own can): never an entry in its own right.
bool WinX_IsStreamName(const char* name);

// ---- Explorer ------------------------------------------------------------------------
// Each returns WinExec's result.
UINT WinX_ExplorePlain(const char* path);
UINT WinX_ExploreTree(const char* path);
UINT WinX_Explore(const char* path, bool tree, bool root);

// ---- Programs, documents and web pages ------------------------------------------------
// ShellExecuteA with no owner and the normal show state; a null verb is the default verb,
// parameters and folder may be null. A start that did not happen is raised: a type with no
// program for the verb as WinX_Err_NoRegKey, anything else as Zent_Err_FailToExecCmd
// "コマンド %s の実行に失敗しました。" naming the program and its parameters.
void WinX_Execute(const char* verb, const char* file, const char* parameters, const char* folder);
// The file opened with a named verb, or with its type's default verb; failures as
// WinX_Execute. A file with an anchor goes to the browser (WinX_OpenUrl).
void WinX_ShellOpenVerb(const char* file, const char* verb);
void WinX_ShellOpenDefault(const char* file);
// The verb a double-click on the file would use: the type's default, else "open", else
// the "*" class's default or first verb. A file with an anchor gives the empty verb.
void WinX_DefaultVerb(const char* file, char* verb, size_t size);
// by_command false: hands the page to the browser by DDE; true: by its command line.
// A target with an anchor goes through a redirect page in the temporary folder, so the
// anchor survives. Returns WinExec's result in command mode, 33 after a DDE hand-over.
UINT WinX_OpenUrl(const char* target, bool by_command);
// One DDE transaction; the server is started with command_line when it does not answer.
// mode 0 request, 1 execute.
void WinX_DdeCall(const char* command_line, const char* service, const char* topic,
                  const char* data, int length, int mode);

// A command line split into what starts.
struct WinX_Command {
    char program[260];     // absolute; when no existing file begins the line, the whole line
    char parameters[260];  // what the line gives after the program; "" when nothing
    char folder[260];      // the working folder
    bool viewer;           // one of Windows' own viewers showing a document
};
// Starts the command: a folder without parameters opens in Explorer (with the folder pane
// when tree is set, never rooted); a file without parameters opens with its type's default
// verb; anything else starts the program with its parameters. Failures as WinX_Execute.
void WinX_StartCommand(const WinX_Command* command, bool tree);

// ---- Long copies (progress.cpp) ---------------------------------------------------------
// FileX_Copy with a progress window titled title (owner may be null) and a キャンセル button;
// a mirror (may be null) shows the copy on a bar of the owner too. Cancel raises
// Zent_Err_UserCancel with an empty message. The copy takes dst's name only once it is
// complete: a cancelled or failed copy leaves no partial file, and a dst that was there
// before is kept as it was.
struct Progress_Mirror;
void WinX_CopyWithProgress(const char* dst, const char* src, const char* title,
                           HWND owner = nullptr, const Progress_Mirror* mirror = nullptr);
// FileX_CopyRange (bytes start..end of src; end -1: to its end, -2: as much as dst's drive
// holds) with the same window, written in place: for a disk where only the space of the
// file it replaces makes room. A cancelled or failed copy deletes what it wrote, so no
// partial file is left, but a dst that was there is gone. Gives the count written.
long WinX_CopyRangeWithProgress(const char* dst, const char* src, long start, long end,
                                const char* title, HWND owner = nullptr,
                                const Progress_Mirror* mirror = nullptr);

// ---- Autorun descriptions (autorun.inf) ---------------------------------------------------
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

// ---- What a file type registered (under HKEY_CLASSES_ROOT) ------------------------------
struct WinX_VerbInfo {
    char name[64];
    char menu[64];
    BYTE edit_flags[4];
    char command[256];
    bool has_dde;
    char dde_message[64];
    char dde_application[256];
    char dde_ifexec[256];
    char dde_topic[64];
};
// The icon of an extension's type: file and index; the empty file when nothing is
// registered.
void WinX_GetTypeIcon(const char* extension, char* icon_file, int* index);
// Lists the verbs of the type (after those of "*" when with_all_files) into at most
// capacity records and returns their count. The default verb of each shell key is moved to
// the front of that key's records; *default_index is the first default found, or -1.
int WinX_ListVerbs(const char* extension, WinX_VerbInfo* records, int capacity, bool with_all_files,
                   int* default_index);
// Does opening a file of this type ask first (the type's EditFlags)?
bool WinX_TypeConfirmsOpen(const char* extension);

// ---- File-type associations, uninstall entry, program folder ---------------------------
// (winx_assoc.cpp, winx_assoc_sets.cpp, winx_uninstall.cpp)
// Associating writes the system's verbs under HKEY_CLASSES_ROOT and keeps what other
// programs had registered under backup names; un-associating puts that back.

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

// The entry in Windows' list of installed programs (HKEY_LOCAL_MACHINE).
void WinX_RegisterUninstall(const char* key_name, const char* display_name,
                            const char* uninstall_command);
void WinX_UnregisterUninstall(const char* key_name);  // a missing entry is no error
// Deletes the program's folder through a script that the script host runs after this
// process has ended. Without a script host, or when the folder's name is not
// expected_name, the folder is only shown in Explorer for the user to delete. True.
bool WinX_RemoveProgramFolder(const char* folder, const char* title, const char* expected_name);
