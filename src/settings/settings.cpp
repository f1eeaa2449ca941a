#include "settings/settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "archiver/dlls.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/inifile.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_folders.h"
#include "settings/names.h"

static const char kApplication[] = "Quarvel";

// ---- Names ---------------------------------------------------------------------------

static const char* const kMeltToNames[] = {
    "Zent_MeltTo_Cache",    "Zent_MeltTo_Std",     "Zent_MeltTo_StdInst",
    "Zent_MeltTo_Here",     "Zent_MeltTo_Desktop", "Zent_MeltTo_MyDoc",
    "Zent_MeltTo_ProgFile", "Zent_MeltTo_System",  "Zent_MeltTo_Temp",
};
static const char* const kDefActNames[] = {
    "Zent_DefAct_AutoFold", "Zent_DefAct_AutoExp", "Zent_DefAct_Fold",
    "Zent_DefAct_Exp",      "Zent_DefAct_Melt",    "Zent_DefAct_None",
};

// An unknown name is an error: these values choose where content goes.
template <size_t N>
static int ValueOf(const char* const (&names)[N], const char* name) {
    int value = Settings_ValueOf(names, name);
    if (value < 0) ERRORS_RAISE(Errors_Unofficial, "error");
    return value < 0 ? 0 : value;
}

const char* Zent_MeltToName(int value) {
    return Settings_NameOf(kMeltToNames, value);
}
int Zent_MeltToOfName(const char* name) {
    return ValueOf(kMeltToNames, name);
}
const char* Zent_DefActName(int value) {
    return Settings_NameOf(kDefActNames, value);
}
int Zent_DefActOfName(const char* name) {
    return ValueOf(kDefActNames, name);
}
bool Zent_ExplorerView(int default_action) {
    return default_action != Zent_DefAct_AutoFold && default_action != Zent_DefAct_Fold;
}

// ---- Loading -------------------------------------------------------------------------

const char* Zent_SettingsPath() {
    static char path[StrX_PathSize];  // handed back to the caller
    return StrX_AbsFromProgramDir(path, "dovetrim.ini", sizeof path);
}

bool Zent_NoDllFlagged(const Zent_Settings* s) {
    for (char flag : s->dll) {
        if (flag) return false;
    }
    return true;
}

static void SetDefaults(Zent_Settings* s) {
    s->PrevPage = 0;
    s->MeltToOnDblClk = Zent_MeltTo_Cache;
    s->DefActOnDblClk = Zent_DefAct_AutoExp;
    s->MeltToOnDrop = Zent_MeltTo_Here;
    s->DefActOnDrop = Zent_DefAct_Melt;
    StdPlus_CopyN(s->CachePath, WinX_KnownFolder(WinX_DesktopDir(), "デスクトップ"),
                  sizeof s->CachePath);
    StrX_Join(s->CachePath, "Archives Cache");
    StdPlus_CopyN(s->StdMeltPath, WinX_KnownFolder(WinX_DesktopDir(), "デスクトップ"),
                  sizeof s->StdMeltPath);
    StdPlus_CopyN(s->InstallPath, WinX_KnownFolder(WinX_ProgramFilesDir(), "Program Files"),
                  sizeof s->InstallPath);
    s->DefCompressType = 0;
    s->DelOrgOnMenu = 1;
    s->DelOrgOnDrop = 0;
}

static int ReadName(IniFile_Reader* reader, const char* key, int (*of_name)(const char*)) {
    char name[256];
    IniFile_ReadRecord(reader, key, "s", name);
    return of_name(name);
}

static int TypeOfName(const char* name) {
    return Zent_TypeOfName(name);
}

// The first layout (versions up to 110): one Explorer switch instead of the four choices.
static void LoadFirstLayout(IniFile_Reader* reader, Zent_Settings* s) {
    s->PrevPage = 0;
    IniFile_ReadRecord(reader, "CachePath", "s", s->CachePath);
    StdPlus_CopyN(s->StdMeltPath, WinX_KnownFolder(WinX_DesktopDir(), "デスクトップ"),
                  sizeof s->StdMeltPath);
    IniFile_ReadRecord(reader, "ProgFilesPath", "s", s->InstallPath);
    int open_explorer = 0;
    IniFile_ReadRecord(reader, "OpenExplorer", "i", &open_explorer);
    s->MeltToOnDblClk = Zent_MeltTo_Cache;
    s->MeltToOnDrop = Zent_MeltTo_Here;
    if (open_explorer == 0) {
        s->DefActOnDblClk = Zent_DefAct_AutoExp;
        s->DefActOnDrop = Zent_DefAct_Exp;
    } else {
        s->DefActOnDblClk = Zent_DefAct_AutoFold;
        s->DefActOnDrop = Zent_DefAct_Fold;
    }
    char type[256];
    IniFile_ReadOrDefault(reader, "DefCompressType", "s", type, "Zent_LzhType");
    s->DefCompressType = TypeOfName(type);
    s->DelOrgOnMenu = 1;
    s->DelOrgOnDrop = 0;
}

static void LoadCurrentLayout(IniFile_Reader* reader, Zent_Settings* s) {
    IniFile_ReadRecord(reader, "PrevPage", "i", &s->PrevPage);
    s->MeltToOnDblClk = ReadName(reader, "MeltToOnDblClk", Zent_MeltToOfName);
    s->DefActOnDblClk = ReadName(reader, "DefActOnDblClk", Zent_DefActOfName);
    s->MeltToOnDrop = ReadName(reader, "MeltToOnDrop", Zent_MeltToOfName);
    s->DefActOnDrop = ReadName(reader, "DefActOnDrop", Zent_DefActOfName);
    IniFile_ReadRecord(reader, "CachePath", "s", s->CachePath);
    IniFile_ReadRecord(reader, "StdMeltPath", "s", s->StdMeltPath);
    IniFile_ReadRecord(reader, "InstallPath", "s", s->InstallPath);
    s->DefCompressType = ReadName(reader, "DefCompressType", TypeOfName);
    IniFile_ReadRecord(reader, "DelOrgOnMenu", "b", &s->DelOrgOnMenu);
    IniFile_ReadRecord(reader, "DelOrgOnDrop", "b", &s->DelOrgOnDrop);
}

static void ReadSafeEntry(IniFile_Reader* reader, Zent_SafeEntry* e) {
    char path[256] = "";
    char folder[256] = "";
    IniFile_ReadRecord(reader, "Safe", "stiisi", path, &e->time, &e->size, &e->checksum, folder,
                       &e->sequence);
    StdPlus_CopyN(e->path, path, sizeof e->path);
    StdPlus_CopyN(e->folder, folder, sizeof e->folder);
}

static_assert(static_cast<int>(Zent_DllFlagCount) == static_cast<int>(Zent_Dll_Count),
              "one flag per archiver DLL");

static const char* DllKey(int flag) {
    return Zent_Dll(static_cast<Zent_DllId>(flag)).settings_key;
}

static void LoadLists(IniFile_Reader* reader, Zent_Settings* s) {
    for (int i = 0; i < Zent_DllFlagCount - 1; i++)
        IniFile_ReadRecord(reader, DllKey(i), "b", &s->dll[i]);
    IniFile_ReadOrDefault(reader, DllKey(Zent_DllFlagCount - 1), "b",
                          &s->dll[Zent_DllFlagCount - 1], 0);
    for (auto& entry : s->IconHis) {
        char icon[256];
        IniFile_ReadOrDefault(reader, "IconHis", "s", icon, "");
        StdPlus_CopyN(entry, icon, sizeof entry);
    }
    int count = IniFile_CountRecords(reader, "Safe");
    for (int i = 0; i < count; i++) {
        // Lines beyond the list's capacity are read past, so the sections after them
        // still come in order.
        Zent_SafeEntry scratch;
        Zent_SafeEntry* e = s->safe_count < Zent_SafeMax ? &s->safe[s->safe_count++] : &scratch;
        memset(e, 0, sizeof *e);
        ReadSafeEntry(reader, e);
    }
}

void Zent_DefaultSettings(Zent_Settings* s) {
    Zent_FreeAutoOpen(&s->AutoOpen);
    memset(s, 0, sizeof *s);
    SetDefaults(s);
    Zent_DefaultAutoOpen(&s->AutoOpen);
    StdPlus_CopyN(s->file, Zent_SettingsPath(), sizeof s->file);
}

void Zent_LoadSettings(Zent_Settings* s, const char* file) {
    // Copied first: the path may be the record's own file, which the record is cleared of.
    char path[sizeof s->file];
    StdPlus_CopyN(path, file, sizeof path);
    if (!FileX_Exists(path)) {
        Zent_DefaultSettings(s);
        StdPlus_CopyN(s->file, path, sizeof s->file);
        return;
    }
    Zent_FreeAutoOpen(&s->AutoOpen);
    memset(s, 0, sizeof *s);
    StdPlus_CopyN(s->file, path, sizeof s->file);
    char line[512];
    IniFile_Reader reader{};
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            IniFile_OpenRead(&reader, path, line, sizeof line);
            IniFile_Read_setSection(&reader, "main");
            char application[256];
            IniFile_ReadRecord(&reader, "Application", "s", application);
            if (strcmp(application, kApplication) != 0)
                ERRORS_RAISE(Zent_Err_NotThisAppFile, "このアプリ用のファイルではありません");
            int version = 0;
            IniFile_ReadRecord(&reader, "Version", "i", &version);
            if (version > Zent_SettingsVersion)
                ERRORS_RAISE(Zent_Err_FutureVersion, "新しいバージョン用のファイルです");
            if (version < 0) version = 0;
            s->version = version;
            if (version == 0) {
                SetDefaults(s);
            } else if (version <= 110) {
                LoadFirstLayout(&reader, s);
            } else {
                LoadCurrentLayout(&reader, s);
            }
            if (version >= 200) LoadLists(&reader, s);
        },
        [&] { IniFile_CloseRead(&reader); });
    if (s->version < 110) {
        Zent_DefaultAutoOpen(&s->AutoOpen);
    } else {
        Zent_LoadAutoOpen(&s->AutoOpen, path);
    }
}

// ---- Saving --------------------------------------------------------------------------

static void WriteAll(IniFile_Writer* writer, const Zent_Settings* s) {
    IniFile_WriteSection(writer, "main");
    IniFile_WriteRecord(writer, "Application", "s", kApplication);
    IniFile_WriteRecord(writer, "Version", "i", static_cast<int>(Zent_SettingsVersion));
    IniFile_WriteRecord(writer, "PrevPage", "i", s->PrevPage);
    IniFile_WriteRecord(writer, "MeltToOnDblClk", "s", Zent_MeltToName(s->MeltToOnDblClk));
    IniFile_WriteRecord(writer, "DefActOnDblClk", "s", Zent_DefActName(s->DefActOnDblClk));
    IniFile_WriteRecord(writer, "MeltToOnDrop", "s", Zent_MeltToName(s->MeltToOnDrop));
    IniFile_WriteRecord(writer, "DefActOnDrop", "s", Zent_DefActName(s->DefActOnDrop));
    IniFile_WriteRecord(writer, "CachePath", "s", s->CachePath);
    IniFile_WriteRecord(writer, "StdMeltPath", "s", s->StdMeltPath);
    IniFile_WriteRecord(writer, "InstallPath", "s", s->InstallPath);
    IniFile_WriteRecord(writer, "DefCompressType", "s", Zent_TypeName(s->DefCompressType));
    IniFile_WriteRecord(writer, "DelOrgOnMenu", "b", s->DelOrgOnMenu);
    IniFile_WriteRecord(writer, "DelOrgOnDrop", "b", s->DelOrgOnDrop);
    for (int i = 0; i < Zent_DllFlagCount; i++)
        IniFile_WriteRecord(writer, DllKey(i), "b", s->dll[i]);
    for (const auto& icon : s->IconHis) {
        if (icon[0] != '\0') IniFile_WriteRecord(writer, "IconHis", "s", icon);
    }
    int safe_count = s->safe_count < Zent_SafeMax ? s->safe_count : Zent_SafeMax;
    for (int i = 0; i < safe_count; i++) {
        const Zent_SafeEntry& e = s->safe[i];
        IniFile_WriteRecord(writer, "Safe", "stiisi", e.path, &e.time, e.size, e.checksum, e.folder,
                            e.sequence);
    }
    Zent_SaveAutoOpen(&s->AutoOpen, writer);
}

// The new file is written beside the old one under a name of this process, so two
// programs saving at once never write into the same file.
static void TemporaryName(const char* path, char* out, size_t size) {
    snprintf(out, size, "%s.%lu.tmp", path, static_cast<unsigned long>(GetCurrentProcessId()));
}

void Zent_SaveSettings(const Zent_Settings* s, const char* path) {
    char temporary[StrX_PathSize + 32];
    TemporaryName(path, temporary, sizeof temporary);
    if (!IniFile_WriteWhole(path, temporary, [&](IniFile_Writer* writer) { WriteAll(writer, s); }))
        ERRORS_RAISE(FileX_Err_CannotWrite, "ファイル \"%s\" が書きこめません", path);
}
