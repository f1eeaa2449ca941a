#pragma once
// The ten archiver DLLs in one table: how each is loaded and guarded, which archives it
// extracts and with what command, which type it writes, and what the DLL installer page
// shows for it. A new DLL is one more row (and one more Zent_DllId).
#include "archiver/zent_types.h"

// In the order of the settings file's DLL flags.
enum Zent_DllId {
    Zent_Dll_Unlha,
    Zent_Dll_Unzip,
    Zent_Dll_Zip,
    Zent_Dll_Cab,
    Zent_Dll_Unrar,
    Zent_Dll_Unarj,
    Zent_Dll_Yz1,
    Zent_Dll_Ungca,
    Zent_Dll_Tar,
    Zent_Dll_7z,
    Zent_Dll_Count,
};

// How the DLL extracts through its command export: the command line is `before` + quoted
// archive path + `after`.
struct Zent_ExtractRow {
    const char* ext;       // the extension it serves; null: every one no other row serves
    const char* missing;   // the message when the DLL cannot be loaded to extract
    bool own_interface;    // UNRAR.DLL reads headers one by one instead of the command
    bool quoted_probe;     // the listing exports take the quoted path
    const char* wildcard;  // for the listing
    bool drop_leading_separator;
    const char* before;
    const char* after;
    bool output_buffer;  // the command export gets an output buffer
};

// How the DLL writes archives of its type (compress_type). The self-extractor commands turn
// the archive %s into a program of its name with the extension "exe".
struct Zent_CompressRow {
    const char* missing;               // the message when the DLL cannot be loaded to compress
    bool list_file;                    // names after the first go to the response file "$$"
    const char* self_extract;          // null: the DLL makes none by a command of its own
    const char* self_extract_install;  // the same when the user chooses the destination
    const char* self_extract_failed;   // the message when it fails, %s the system folder
};

struct Zent_DllInfo {
    const char* file;          // loaded by this bare name
    const char* prefix;        // export names start with it; null for the DLLs of their own kind
    const char* semaphore;     // keeps all work through the DLL sequential across processes
    const char* settings_key;  // the DLL's flag in dovetrim.ini
    Zent_ExtractRow extract;   // ext and missing null: the DLL does not extract
    int compress_type;         // the archive type it writes; Zent_NotArcType when none
    const char* help_folder;   // beside the program: how to install the DLL
    const char* version_function;  // null when the DLL has none
    int icon_slot;                 // the DLL installer page's icon of its archive types
    Zent_CompressRow compress;     // missing null: the DLL does not compress
};

const Zent_DllInfo& Zent_Dll(Zent_DllId id);
// The DLL that extracts the archive, chosen by its extension; unknown extensions go to
// TAR32.DLL, as the tar family has many.
Zent_DllId Zent_ExtractDllOf(const char* archive);
// The DLL that writes archives of the type; Zent_Dll_Count when none does.
Zent_DllId Zent_CompressDllOf(int type);
