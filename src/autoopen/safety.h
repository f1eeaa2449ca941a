#pragma once
// The safety confirmation: before a file that came out of an archive is opened or run, the
// user sees which archive and file it is, its icon, time and size, and chooses to run it,
// open its folder instead, or cancel. Files the user marked as safe form the settings'
// Safe list and are not questioned again while they stay unchanged.
#include <cstddef>
#include <ctime>

#include "settings/settings.h"
#include "shell/winx_autorun.h"

// Set by the caller before the dialog is shown.
struct Zent_SafetyState {
    char archive[260];  // the archive the file came from
    char folder[260];   // the folder it was melted into, as the cache database knows it
    char file[260];     // the file to open or run; in autorun mode the autorun description
    bool autorun;       // offer the description's menu
    bool launch;        // the dialog carries out the rule's action on the file
    bool tree;          // Explorer windows it opens show the folder pane
    Autorun_Info info;  // filled by the dialog in autorun mode
    // Launch mode: the rule whose action Run carries out; null: the file opens by itself.
    const Zent_AutoOpen* rule;
};

enum { Zent_Safety_Run = 1, Zent_Safety_Cancel = 2, Zent_Safety_OpenFolder = 1027 };

// Shows the dialog (resource 129) modally without an owner and gives one of the three
// results. A file the Safe list knows gives Zent_Safety_Run without being shown (and in
// launch mode is started). May add a Safe record to settings: the caller saves them.
int Zent_ConfirmSafety(Zent_Settings* settings, Zent_SafetyState* state);

// A record vouches for exactly what the user saw: the same archive path (letter case
// aside), the file unchanged (time, size, checksum of its first 4096 bytes) at the same
// place in the melted folder, and for an autorun command the same parameters. parameters
// may be null (a file opened by itself).
bool Zent_IsSafeFile(const Zent_Settings* settings, const char* file, const char* parameters,
                     const char* archive, const char* folder);
// Appends a record; with the list full the oldest record makes room. A command too long for
// the record's field is not recorded.
void Zent_AddSafeFile(Zent_Settings* settings, const char* file, const char* parameters,
                      const char* archive, const char* folder);
// ---- The dialog's rules, free of any window ----------------------------------------------
// "<archive name> の中にある <file name> を実行しますか？" (launch) or "...を開きますか？"; with
// a starter (the program or verb the rule's action starts) "...を「<starter>」で開きますか？".
char* Zent_SafetyQuestion(const char* archive, const char* file, bool launch, char* out,
                          size_t size, const char* starter = "");
// "ファイル更新日： %y/%m/%d %H:%M:%S" in local time, and "ファイルサイズ： %d".
char* Zent_SafetyTimeLine(time_t time, char* out, size_t size);
char* Zent_SafetySizeLine(long size_of_file, char* out, size_t size);
// "このファイルはインターネットから取得されたものです。" when the file, or the archive it came
// out of, carries the web's mark of the Internet or a restricted site; else "".
const char* Zent_SafetyOriginLine(const char* file, const char* archive);
// The file the dialog describes for an autorun description: the open command's program,
// or for a viewer the document it is given, made absolute against the description's folder.
char* Zent_AutorunShownFile(const Autorun_Info* info, char* out, size_t size);
