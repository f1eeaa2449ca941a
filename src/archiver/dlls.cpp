#include "archiver/dlls.h"

#include <windows.h>

#include "lib/strx.h"

static const Zent_DllInfo kDlls[Zent_Dll_Count] = {
    {"UNLHA32.DLL",
     "Unlha",
     "UNLHA",
     "UNLHA32",
     {"lzh", "LHA 形式の解凍には UNLHA32.DLL が必要です。", false, true, "* *.*", true,
      "e -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 ", "", false},
     Zent_LzhType,
     "ArcDlls\\unlha32",
     "UnlhaGetVersion",
     0,
     {"LHA 形式の圧縮には UNLHA32.DLL が必要です。", true, "s -x1 -gw4 -gx3 \"%s\"",
      "s -x1 -gw4 -gx2 \"%s\"", nullptr}},
    {"UNZIP32.DLL",
     "UnZip",
     "UNZIP",
     "UNZIP32",
     {"zip", "ZIP 形式の解凍には UNZIP32.DLL が必要です。", false, false, "*", false, "-o ", "",
      true},
     Zent_NotArcType,
     "ArcDlls\\unzip32",
     "UnZipGetVersion",
     1,
     {nullptr, false, nullptr, nullptr, nullptr}},
    {"zip32.dll",
     nullptr,
     "ZIP",
     "ZIP32",
     {nullptr, nullptr, false, false, nullptr, false, nullptr, nullptr, false},
     Zent_ZipType,
     "ArcDlls\\zip32",
     "ZpVersion",
     1,
     {"zip32.dll（圧縮用）が見つかりません", false, nullptr, nullptr, nullptr}},
    {"CAB32.DLL",
     "Cab",
     "UNCAB",
     "CAB32",
     {"cab", "CAB 形式の解凍には CAB32.DLL が必要です。", false, false, "*", false, "-x -o ", "",
      true},
     Zent_CabType,
     "ArcDlls\\cab32",
     "CabGetVersion",
     2,
     {"CAB 形式の圧縮には CAB32.DLL が必要です。", true, "-f \"%s\"", "-f \"%s\"", nullptr}},
    {"UNRAR.DLL",
     nullptr,
     "UNRAR",
     "UNRAR",
     {"rar", "RAR 形式の解凍には UNRAR.DLL が必要です。", true, false, "*", false, "", "", false},
     Zent_NotArcType,
     "ArcDlls\\unrar",
     nullptr,
     3,
     {nullptr, false, nullptr, nullptr, nullptr}},
    {"UNARJ32J.DLL",
     "Unarj",
     "UNARJ",
     "UNARJ32",
     {"arj", "ARJ 形式の解凍には UNARJ32J.DLL が必要です。", false, false, "*", false, "e ",
      " -sx1 -y1", true},
     Zent_NotArcType,
     "ArcDlls\\unarj32j",
     "UnarjGetVersion",
     4,
     {nullptr, false, nullptr, nullptr, nullptr}},
    {"YZ1.DLL",
     "Yz1",
     "UNYZ1",
     "YZ1",
     {"yz1", "YZ1 形式の解凍には YZ1.DLL が必要です。", false, false, "*", false, "x -y ", "",
      true},
     Zent_Yz1Type,
     "ArcDlls\\yz1",
     "Yz1GetVersion",
     5,
     {"YZ1 形式の圧縮には YZ1.DLL が必要です。", true, "s \"%s\"", "s \"%s\"",
      "自己解凍ファイルを作るときは、あらかじめ RuziZuzizev を解凍してできる yzenc.exe を %s "
      "へコピーしておいてください。"}},
    {"UNGCA32.DLL",
     "UnGCA",
     "UNGCA",
     "UNGCA32",
     {"gca", "GCA 形式の解凍には UNGCA32.DLL が必要です。", false, false, "*", false, "e ", " -sx1",
      true},
     Zent_NotArcType,
     "ArcDlls\\ungca32",
     "UnGCAGetVersion",
     6,
     {nullptr, false, nullptr, nullptr, nullptr}},
    {"TAR32.DLL",
     "Tar",
     "UNTAR",
     "TAR32",
     {nullptr, "tar.gz 形式の解凍には TAR32.DLL が必要です。", false, false, "*", false, "-zxvf ",
      "", true},
     Zent_TarType,
     "ArcDlls\\tar32",
     "TarGetVersion",
     7,
     {"tar.gz 形式の圧縮には TAR32.DLL が必要です。", true, nullptr, nullptr, nullptr}},
    {"7-ZIP32.DLL",
     "SevenZip",
     "7Z",
     "7Z",
     {"7z", "7z 形式の解凍には 7-ZIP32.DLL が必要です。", false, false, "*", false, "x ", "", true},
     Zent_7zType,
     "ArcDlls\\7zip32",
     "SevenZipGetVersion",
     8,
     {"7z 形式の圧縮には 7-ZIP32.DLL が必要です。", true, nullptr, nullptr, nullptr}},
};

const Zent_DllInfo& Zent_Dll(Zent_DllId id) {
    return kDlls[id];
}

Zent_DllId Zent_ExtractDllOf(const char* archive) {
    const char* ext = StrX_Ext(archive);
    for (int id = 0; id < Zent_Dll_Count; id++) {
        const char* served = kDlls[id].extract.ext;
        if (served != nullptr && lstrcmpiA(ext, served) == 0) return static_cast<Zent_DllId>(id);
    }
    return Zent_Dll_Tar;
}

Zent_DllId Zent_CompressDllOf(int type) {
    for (int id = 0; id < Zent_Dll_Count; id++) {
        if (kDlls[id].compress.missing != nullptr && kDlls[id].compress_type == type)
            return static_cast<Zent_DllId>(id);
    }
    return Zent_Dll_Count;
}
