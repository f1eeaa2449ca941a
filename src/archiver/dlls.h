#pragma once
// The ten archiver DLLs in one table: how each is loaded and guarded, which archives it
// extracts and with what command, how it writes, which file types it associates and what the
// DLL installer page shows for it. A new DLL is one more row (and one more Zent_DllId); the type a
// DLL writes names it in its own record (archiver/zent_types.h).
#include "archiver/dll_ids.h"
#include "archiver/zent_types.h"

// How the DLL extracts through its command export: the command line is `before` + quoted
// archive path + `after`.
struct Zent_ExtractRow {
    const char* ext = nullptr;       // the extension it serves; null: every one no other row serves
    const char* missing = nullptr;   // the message when the DLL cannot be loaded to extract
    bool own_interface = false;      // UNRAR.DLL reads headers one by one instead of the command
    bool quoted_probe = false;       // the listing exports take the quoted path
    const char* wildcard = nullptr;  // for the listing
    bool drop_leading_separator = false;
    const char* before = nullptr;
    const char* after = nullptr;
    bool output_buffer = false;  // the command export gets an output buffer
};

// How the DLL writes archives of the type whose writer it is. The self-extractor commands turn
// the archive %s into a program of its name with the extension "exe".
struct Zent_CompressRow {
    const char* missing = nullptr;       // the message when the DLL cannot be loaded to compress
    bool list_file = false;              // names after the first go to the response file "$$"
    const char* self_extract = nullptr;  // null: the DLL makes none by a command of its own
    const char* self_extract_install = nullptr;  // the same when the user chooses the destination
    const char* self_extract_failed = nullptr;   // the message when it fails, %s the system folder
};

// The DLL installer page's icons of the archive types, one per DLL but one for both zip DLLs.
enum Zent_IconSlot {
    Zent_Icon_Lzh,
    Zent_Icon_Zip,
    Zent_Icon_Cab,
    Zent_Icon_Rar,
    Zent_Icon_Arj,
    Zent_Icon_Yz1,
    Zent_Icon_Gca,
    Zent_Icon_Tar,
    Zent_Icon_7z,
    Zent_Icon_Count,
};

struct WinX_TypeRow;

struct Zent_DllInfo {
    Zent_DllId id = Zent_Dll_Count;
    const char* file = nullptr;  // loaded by this bare name
    const char* prefix =
        nullptr;  // export names start with it; null for the DLLs of their own kind
    const char* semaphore = nullptr;  // keeps all work through the DLL sequential across processes
    const char* settings_key = nullptr;      // the DLL's flag in dovetrim.ini
    Zent_ExtractRow extract = {};            // ext and missing null: the DLL does not extract
    const char* help_folder = nullptr;       // beside the program: how to install the DLL
    const char* version_function = nullptr;  // null when the DLL has none
    Zent_IconSlot icon_slot =
        Zent_Icon_Count;             // the DLL installer page's icon of its archive types
    Zent_CompressRow compress = {};  // missing null: the DLL does not compress
    // Its rows of the association set (archiver/associations.h), what its check box on the
    // DLL installer page associates; the last has a null extension.
    const WinX_TypeRow* associations = nullptr;
};

const Zent_DllInfo& Zent_Dll(Zent_DllId id);
// The DLL that extracts the archive, chosen by its extension; unknown extensions go to
// TAR32.DLL, as the tar family has many.
Zent_DllId Zent_ExtractDllOf(const char* archive);
// The DLL that writes archives of the type; Zent_Dll_Count when none does.
Zent_DllId Zent_CompressDllOf(int type);
