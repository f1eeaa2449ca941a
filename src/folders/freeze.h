#pragma once
// Freezing: folders and files compressed into an archive beside them, in one step (quick
// freeze) or through the freeze dialog. Deleting the frozen items never destroys them: they
// move into the cache as the new archive's working folder, so the archive behaves as already
// melted and its next melt opens them at once.
#include <windows.h>

#include <string>

#include "archiver/compress.h"
#include "settings/settings.h"

// "圧縮ファイルを、さらに圧縮することはできません。"
void Freeze_RefuseArchive();
// "ファイルの入ってないフォルダは圧縮できません。"
void Freeze_RefuseEmptyFolder();

// The first token of argument is the folder, frozen with the settings' default format. An
// empty folder is refused; a saved web page's ".files" folder takes its page along.
void QuickFreezeFolder(const Zent_Settings* settings, const char* argument, bool delete_items);
// Several items, or one file: the archive is named after the first, with "(2)", "(3)"...
// when that name is taken.
void QuickFreezeItems(const Zent_Settings* settings, const char* argument, bool delete_items);
// The freeze dialog on the folder (or file) at path. Its "設定" button opens the options
// sheet on this record, on the page used last.
void FreezeWithDialog(Zent_Settings* settings, const char* path);

// What the user chose in the freeze dialog.
enum Freeze_Output { Freeze_SameFolder, Freeze_Desktop, Freeze_Floppy };
struct Freeze_Choice {
    char name[260];  // the archive's name without extension
    int output;      // Freeze_Output
    bool delete_folder;
    bool store_folder;
    bool self_extract;
    int type;  // archive type
    Zent_SfxOptions sfx;
};
// The dialog's OK: the archive written where the choice says and, with deletion, the folder
// moved into the cache. For floppies the archive is written into a folder of its own on the
// desktop and divided by the floppy dialog (Floppy_Divide); the folder moves only when the
// archive is on the disks, and the archive then stays beside it in the cache as its entry's
// archive, else it is deleted.
// Errors are raised; a "No" or a cancel raises Zent_Err_UserCancel.
void Freeze_Commit(const Zent_Settings* settings, const char* folder, const Freeze_Choice& choice,
                   HWND owner);

// ---- Names ---------------------------------------------------------------------------------
// The saved page of a "<name>.files" folder: "<name>.htm", else "<name>.html". False when
// the folder's extension is not "files" or neither page is there.
bool Freeze_PageOfFolder(const char* folder, char* page);
// The "<name>.files" folder beside an item "<name>.<ext>"; false when there is none.
bool Freeze_FolderOfPage(const char* item, char* folder);
// base + "." + ext, else "%s(%d).%s" with 2, 3, ... while a file or folder has the name;
// base is the first item without its extension. out: 260 bytes.
char* Freeze_FreeArchiveName(char* out, const char* first_item, const char* ext);
// Every item of the argument, quoted, followed by its companion (a saved page's folder, a
// folder's page) unless the list already holds it.
std::string Freeze_SourcesWithCompanions(const char* argument);
