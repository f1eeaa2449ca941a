#include "archiver/dlls.h"

#include <windows.h>

#include "lib/strx.h"
#include "shell/winx_assoc.h"

// ---- Association rows ----------------------------------------------------------------------
// Each DLL's file types as the registry gets them: description, icon index in the program
// file (src/res/dovetrim.rc) and verb list. The types that can be updated get the full list.

static constexpr WinX_TypeRow Row(const char* extension, const char* description, int icon,
                                  const WinX_VerbRow* verbs) {
    return {.extension = extension,
            .description = description,
            .edit_flags_zero = true,
            .icon_file = "",
            .icon_index = icon,
            .verbs = verbs};
}

static const WinX_TypeRow kLzhRows[] = {Row("lzh", "LHA 形式圧縮ファイル", 11, WinX_FullVerbs), {}};
static const WinX_TypeRow kUnzipRows[] = {Row("zip", "ZIP 形式圧縮ファイル", 12, WinX_ShortVerbs),
                                          {}};
static const WinX_TypeRow kZipRows[] = {Row("zip", "ZIP 形式圧縮ファイル", 12, WinX_FullVerbs), {}};
static const WinX_TypeRow kCabRows[] = {Row("cab", "CAB 形式圧縮ファイル", 13, WinX_FullVerbs), {}};
static const WinX_TypeRow kRarRows[] = {Row("rar", "RAR 形式圧縮ファイル", 14, WinX_ShortVerbs),
                                        {}};
static const WinX_TypeRow kArjRows[] = {Row("arj", "ARJ 形式圧縮ファイル", 15, WinX_ShortVerbs),
                                        {}};
static const WinX_TypeRow kYz1Rows[] = {Row("yz1", "YZ1 形式圧縮ファイル", 16, WinX_FullVerbs), {}};
static const WinX_TypeRow kGcaRows[] = {Row("gca", "GCA 形式圧縮ファイル", 17, WinX_ShortVerbs),
                                        {}};
static const WinX_TypeRow kTarRows[] = {
    Row("gz", "tar.gz / gz(gzip) 形式圧縮ファイル", 10, WinX_FullVerbs),
    Row("bz2", "bzip 形式圧縮ファイル", 18, WinX_ShortVerbs),
    Row("tar", "tar 形式結合ファイル", 18, WinX_ShortVerbs),
    Row("tgz", "tar.gz 形式圧縮ファイル", 18, WinX_ShortVerbs),
    Row("taz", "tar.gz 形式圧縮ファイル", 18, WinX_ShortVerbs),
    Row("deb", "deb 形式圧縮ファイル", 18, WinX_ShortVerbs),
    Row("xz", "xz 形式圧縮ファイル", 18, WinX_ShortVerbs),
    Row("txz", "tar.xz 形式圧縮ファイル", 18, WinX_ShortVerbs),
    {}};
static const WinX_TypeRow k7zRows[] = {Row("7z", "7-ZIP 形式圧縮ファイル", 21, WinX_FullVerbs), {}};

// ---- The DLLs ------------------------------------------------------------------------------

// One record per DLL, in the order of their ids.
static constexpr Zent_DllInfo kDlls[] = {
    {.id = Zent_Dll_Unlha,
     .file = "UNLHA32.DLL",
     .prefix = "Unlha",
     .semaphore = "UNLHA",
     .settings_key = "UNLHA32",
     .extract = {.ext = "lzh",
                 .missing = "LHA 形式の解凍には UNLHA32.DLL が必要です。",
                 .quoted_probe = true,
                 .wildcard = "* *.*",
                 .drop_leading_separator = true,
                 .before = "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 ",
                 .after = ""},
     .help_folder = "ArcDlls\\unlha32",
     .version_function = "UnlhaGetVersion",
     .icon_slot = Zent_Icon_Lzh,
     .compress = {.missing = "LHA 形式の圧縮には UNLHA32.DLL が必要です。",
                  .list_file = true,
                  .self_extract = "s -x1 -gw4 -gx3 \"%s\"",
                  .self_extract_install = "s -x1 -gw4 -gx2 \"%s\""},
     .associations = kLzhRows},
    {.id = Zent_Dll_Unzip,
     .file = "UNZIP32.DLL",
     .prefix = "UnZip",
     .semaphore = "UNZIP",
     .settings_key = "UNZIP32",
     .extract = {.ext = "zip",
                 .missing = "ZIP 形式の解凍には UNZIP32.DLL が必要です。",
                 .wildcard = "*",
                 .before = "-o ",
                 .after = "",
                 .output_buffer = true},
     .help_folder = "ArcDlls\\unzip32",
     .version_function = "UnZipGetVersion",
     .icon_slot = Zent_Icon_Zip,
     .associations = kUnzipRows},
    {.id = Zent_Dll_Zip,
     .file = "zip32.dll",
     .prefix = nullptr,
     .semaphore = "ZIP",
     .settings_key = "ZIP32",
     .help_folder = "ArcDlls\\zip32",
     .version_function = "ZpVersion",
     .icon_slot = Zent_Icon_Zip,
     .compress = {.missing = "zip32.dll（圧縮用）が見つかりません"},
     .associations = kZipRows},
    {.id = Zent_Dll_Cab,
     .file = "CAB32.DLL",
     .prefix = "Cab",
     .semaphore = "UNCAB",
     .settings_key = "CAB32",
     .extract = {.ext = "cab",
                 .missing = "CAB 形式の解凍には CAB32.DLL が必要です。",
                 .wildcard = "*",
                 .before = "-x -o ",
                 .after = "",
                 .output_buffer = true},
     .help_folder = "ArcDlls\\cab32",
     .version_function = "CabGetVersion",
     .icon_slot = Zent_Icon_Cab,
     .compress = {.missing = "CAB 形式の圧縮には CAB32.DLL が必要です。",
                  .list_file = true,
                  .self_extract = "-f \"%s\"",
                  .self_extract_install = "-f \"%s\""},
     .associations = kCabRows},
    {.id = Zent_Dll_Unrar,
     .file = "UNRAR.DLL",
     .prefix = nullptr,
     .semaphore = "UNRAR",
     .settings_key = "UNRAR",
     .extract = {.ext = "rar",
                 .missing = "RAR 形式の解凍には UNRAR.DLL が必要です。",
                 .own_interface = true,
                 .wildcard = "*",
                 .before = "",
                 .after = ""},
     .help_folder = "ArcDlls\\unrar",
     .version_function = nullptr,
     .icon_slot = Zent_Icon_Rar,
     .associations = kRarRows},
    {.id = Zent_Dll_Unarj,
     .file = "UNARJ32J.DLL",
     .prefix = "Unarj",
     .semaphore = "UNARJ",
     .settings_key = "UNARJ32",
     .extract = {.ext = "arj",
                 .missing = "ARJ 形式の解凍には UNARJ32J.DLL が必要です。",
                 .wildcard = "*",
                 .before = "e ",
                 .after = " -sx1 -y1",
                 .output_buffer = true},
     .help_folder = "ArcDlls\\unarj32j",
     .version_function = "UnarjGetVersion",
     .icon_slot = Zent_Icon_Arj,
     .associations = kArjRows},
    {.id = Zent_Dll_Yz1,
     .file = "YZ1.DLL",
     .prefix = "Yz1",
     .semaphore = "UNYZ1",
     .settings_key = "YZ1",
     .extract = {.ext = "yz1",
                 .missing = "YZ1 形式の解凍には YZ1.DLL が必要です。",
                 .wildcard = "*",
                 .before = "x -y ",
                 .after = "",
                 .output_buffer = true},
     .help_folder = "ArcDlls\\yz1",
     .version_function = "Yz1GetVersion",
     .icon_slot = Zent_Icon_Yz1,
     .compress = {.missing = "YZ1 形式の圧縮には YZ1.DLL が必要です。",
                  .list_file = true,
                  .self_extract = "s \"%s\"",
                  .self_extract_install = "s \"%s\"",
                  .self_extract_failed =
                      "自己解凍ファイルを作るときは、あらかじめ RuziZuzizev を解凍し"
                      "てできる yzenc.exe を %s へコピーしておいてください。"},
     .associations = kYz1Rows},
    {.id = Zent_Dll_Ungca,
     .file = "UNGCA32.DLL",
     .prefix = "UnGCA",
     .semaphore = "UNGCA",
     .settings_key = "UNGCA32",
     .extract = {.ext = "gca",
                 .missing = "GCA 形式の解凍には UNGCA32.DLL が必要です。",
                 .wildcard = "*",
                 .before = "e ",
                 .after = " -sx1",
                 .output_buffer = true},
     .help_folder = "ArcDlls\\ungca32",
     .version_function = "UnGCAGetVersion",
     .icon_slot = Zent_Icon_Gca,
     .associations = kGcaRows},
    {.id = Zent_Dll_Tar,
     .file = "TAR32.DLL",
     .prefix = "Tar",
     .semaphore = "UNTAR",
     .settings_key = "TAR32",
     .extract = {.ext = nullptr,
                 .missing = "tar.gz 形式の解凍には TAR32.DLL が必要です。",
                 .wildcard = "*",
                 .before = "-zxvf ",
                 .after = "",
                 .output_buffer = true},
     .help_folder = "ArcDlls\\tar32",
     .version_function = "TarGetVersion",
     .icon_slot = Zent_Icon_Tar,
     .compress = {.missing = "tar.gz 形式の圧縮には TAR32.DLL が必要です。", .list_file = true},
     .associations = kTarRows},
    {.id = Zent_Dll_7z,
     .file = "7-ZIP32.DLL",
     .prefix = "SevenZip",
     .semaphore = "7Z",
     .settings_key = "7Z",
     .extract = {.ext = "7z",
                 .missing = "7z 形式の解凍には 7-ZIP32.DLL が必要です。",
                 .wildcard = "*",
                 .before = "x ",
                 .after = "",
                 .output_buffer = true},
     .help_folder = "ArcDlls\\7zip32",
     .version_function = "SevenZipGetVersion",
     .icon_slot = Zent_Icon_7z,
     .compress = {.missing = "7z 形式の圧縮には 7-ZIP32.DLL が必要です。", .list_file = true},
     .associations = k7zRows},
};

static constexpr bool InIdOrder() {
    int id = 0;
    for (const Zent_DllInfo& dll : kDlls) {
        if (dll.id != id++) return false;
    }
    return id == Zent_Dll_Count;
}
static_assert(InIdOrder(), "one record per DLL, in the order of their ids");

const Zent_DllInfo& Zent_Dll(Zent_DllId id) {
    return kDlls[id];
}

Zent_DllId Zent_ExtractDllOf(const char* archive) {
    const char* ext = StrX_Ext(archive);
    for (const Zent_DllInfo& dll : kDlls) {
        const char* served = dll.extract.ext;
        if (served != nullptr && lstrcmpiA(ext, served) == 0) return dll.id;
    }
    return Zent_Dll_Tar;
}

Zent_DllId Zent_CompressDllOf(int type) {
    return Zent_PosOfType(type) < 0 ? Zent_Dll_Count : Zent_Type(type).writer;
}
