// The DLL installer page's rules, and the work it does on Windows outside its window.
#include "options/installer.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "archiver/associations.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "options/installer_ids.h"
#include "shell/winx_assoc.h"
#include "shell/winx_folders.h"

// ---- Boxes and slots -----------------------------------------------------------------------

namespace {

struct Box {
    Zent_DllId dll;
    int control;
};

constexpr Box kBoxes[] = {
    {.dll = Zent_Dll_Unlha, .control = IDC_INSTALLER_UNLHA32},
    {.dll = Zent_Dll_Unzip, .control = IDC_INSTALLER_UNZIP32},
    {.dll = Zent_Dll_Zip, .control = IDC_INSTALLER_ZIP32},
    {.dll = Zent_Dll_Cab, .control = IDC_INSTALLER_CAB32},
    {.dll = Zent_Dll_Unrar, .control = IDC_INSTALLER_UNRAR},
    {.dll = Zent_Dll_Unarj, .control = IDC_INSTALLER_UNARJ32J},
    {.dll = Zent_Dll_Yz1, .control = IDC_INSTALLER_YZ1},
    {.dll = Zent_Dll_Ungca, .control = IDC_INSTALLER_UNGCA32},
    {.dll = Zent_Dll_Tar, .control = IDC_INSTALLER_TAR32},
    {.dll = Zent_Dll_7z, .control = IDC_INSTALLER_7ZIP32},
};

struct Slot {
    Zent_IconSlot id;
    int control;
    const char* read_from;  // the extension whose icon the page shows, and whose row's icon
                            // in the program file is the slot's default
};

constexpr Slot kSlots[] = {
    {.id = Zent_Icon_Lzh, .control = IDC_INSTALLER_ICON_LZH, .read_from = "lzh"},
    {.id = Zent_Icon_Zip, .control = IDC_INSTALLER_ICON_ZIP, .read_from = "zip"},
    {.id = Zent_Icon_Cab, .control = IDC_INSTALLER_ICON_CAB, .read_from = "cab"},
    {.id = Zent_Icon_Rar, .control = IDC_INSTALLER_ICON_RAR, .read_from = "rar"},
    {.id = Zent_Icon_Arj, .control = IDC_INSTALLER_ICON_ARJ, .read_from = "arj"},
    {.id = Zent_Icon_Yz1, .control = IDC_INSTALLER_ICON_YZ1, .read_from = "yz1"},
    {.id = Zent_Icon_Gca, .control = IDC_INSTALLER_ICON_GCA, .read_from = "gca"},
    {.id = Zent_Icon_Tar, .control = IDC_INSTALLER_ICON_TAR, .read_from = "tgz"},
    {.id = Zent_Icon_7z, .control = IDC_INSTALLER_ICON_7Z, .read_from = "7z"},
};

constexpr bool BoxesInOrder() {
    for (int i = 0; i < Zent_Dll_Count; i++) {
        if (kBoxes[i].dll != i) return false;
    }
    return sizeof kBoxes / sizeof kBoxes[0] == Zent_Dll_Count;
}
constexpr bool SlotsInOrder() {
    for (int i = 0; i < Zent_Icon_Count; i++) {
        if (kSlots[i].id != i) return false;
    }
    return sizeof kSlots / sizeof kSlots[0] == Zent_Icon_Count;
}
static_assert(BoxesInOrder() && SlotsInOrder(), "one box per DLL and one slot per icon, by id");

enum ZipAssociation { kZipNone, kZipShort, kZipFull };

ZipAssociation ZipOf(bool unzip, bool zip) {
    return zip ? kZipFull : unzip ? kZipShort : kZipNone;
}

int FirstRowOf(Zent_DllId dll) {
    int first, count;
    Zent_AssociationRowsOf(dll, &first, &count);
    return first;
}

}  // namespace

int Installer_BoxControl(Zent_DllId dll) {
    return kBoxes[dll].control;
}

int Installer_SlotControl(int slot) {
    return kSlots[slot].control;
}

int Installer_SlotDefaultIndex(int slot) {
    const WinX_TypeRow* rows = Zent_AssociationSet()->rows;
    for (int r = 0; r < Zent_ArchiveRowCount(); r++) {
        if (strcmp(rows[r].extension, kSlots[slot].read_from) == 0) return rows[r].icon_index;
    }
    return 0;
}

const char* Installer_SlotReadExtension(int slot) {
    return kSlots[slot].read_from;
}

int Installer_SlotExtensions(int slot, const char** out, int capacity) {
    int n = 0;
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        if (Zent_Dll(static_cast<Zent_DllId>(dll)).icon_slot != slot) continue;
        int first, rows;
        Zent_AssociationRowsOf(static_cast<Zent_DllId>(dll), &first, &rows);
        for (int r = first; r < first + rows; r++) {
            const char* ext = Zent_AssociationSet()->rows[r].extension;
            bool known = false;
            for (int i = 0; i < n; i++) known = known || strcmp(out[i], ext) == 0;
            if (!known && n < capacity) out[n++] = ext;
        }
    }
    return n;
}

bool Installer_SlotChecked(int slot, const bool checked[Zent_Dll_Count]) {
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        if (checked[dll] && Zent_Dll(static_cast<Zent_DllId>(dll)).icon_slot == slot) return true;
    }
    return false;
}

bool Installer_SlotShown(int slot, const bool checked[Zent_Dll_Count],
                         const bool loaded[Zent_Dll_Count]) {
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        if (checked[dll] && loaded[dll] && Zent_Dll(static_cast<Zent_DllId>(dll)).icon_slot == slot)
            return true;
    }
    return false;
}

// ---- Labels --------------------------------------------------------------------------------

char* Installer_DllName(Zent_DllId dll, char* out, size_t size) {
    StdPlus_CopyN(out, Zent_Dll(dll).file, size);
    for (char* p = out; *p != '\0'; p++) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    }
    return out;
}

char* Installer_Label(Zent_DllId dll, bool checked, const Installer_Probe* probe, char* out,
                      size_t size) {
    char name[64];
    Installer_DllName(dll, name, sizeof name);
    if (!checked) {
        snprintf(out, size, "%s", name);
    } else if (!probe->loaded) {
        snprintf(out, size, "%s ★見つかりません", name);
    } else if (Zent_Dll(dll).version_function == nullptr) {
        // UNRAR.DLL has no version function to ask.
        snprintf(out, size, "%s  ver 2.80(?)", name);
    } else if (!probe->has_version) {
        snprintf(out, size, "%s エラー", name);
    } else if (dll == Zent_Dll_Zip) {
        snprintf(out, size, "%s  ver %d.%d%d", name, probe->zip[0], probe->zip[1], probe->zip[2]);
    } else {
        unsigned version = probe->version & 0xFFFF;
        snprintf(out, size, "%s  ver %u.%02u", name, version / 100, version % 100);
    }
    return out;
}

// ---- Apply ---------------------------------------------------------------------------------

void Installer_PlanApply(const char before[Zent_Dll_Count], const bool now[Zent_Dll_Count],
                         int settings_version, Installer_Plan* plan) {
    memset(plan, 0, sizeof *plan);
    bool current_file = settings_version == Zent_SettingsVersion;
    plan->migrate = settings_version == 200;
    plan->uninstall = true;
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        bool was = before[dll] != 0;
        if (now[dll]) plan->uninstall = false;
        if (was) plan->installed_before = true;
        int first, rows;
        Zent_AssociationRowsOf(static_cast<Zent_DllId>(dll), &first, &rows);
        for (int r = first; r < first + rows; r++) {
            // A row is un-associated only when it was checked and is not any more.
            plan->keep[r] = now[dll] || !was;
            plan->select[r] = now[dll] && (!current_file || !was);
        }
    }

    ZipAssociation zip_was = ZipOf(before[Zent_Dll_Unzip] != 0, before[Zent_Dll_Zip] != 0);
    ZipAssociation zip_is = ZipOf(now[Zent_Dll_Unzip], now[Zent_Dll_Zip]);
    bool unchanged = current_file && zip_was == zip_is;
    int kZipShortRow = FirstRowOf(Zent_Dll_Unzip), kZipFullRow = FirstRowOf(Zent_Dll_Zip);
    plan->keep[kZipShortRow] = true;
    // The full list becomes the short one only by going and coming back.
    plan->keep[kZipFullRow] =
        zip_was == kZipNone || zip_was == zip_is || (zip_was == kZipShort && zip_is == kZipFull);
    plan->select[kZipShortRow] = zip_is == kZipShort && !unchanged;
    plan->select[kZipFullRow] = zip_is == kZipFull && !unchanged;

    int archive_rows = Zent_ArchiveRowCount();
    for (int r = archive_rows; r < WinX_TypeSetRowCount(Zent_AssociationSet()); r++) {
        plan->keep[r] = true;
        plan->select[r] = true;
    }
    plan->changes = plan->migrate;
    for (int r = 0; r < archive_rows; r++) {
        if (!plan->keep[r] || (!plan->uninstall && plan->select[r])) plan->changes = true;
    }
}

const char* Installer_DoneMessage(const Installer_Plan* plan) {
    if (plan->installed_before) return "レジストリの変更が完了しました。";
    return "インストールが完了しました。\r\n\r\n使い方の説明は、デスクトップの Quarvel SV "
           "のアイコンをダブルクリックし、開いたウィンドウの右下にある「ヘルプ」ボタンを押すと"
           "表示されます。";
}

void Installer_WriteAssociations(const Installer_Plan* plan, const char* program) {
    if (plan->migrate && !plan->uninstall) {
        // The previous version's verbs go, and what they had saved comes back. Its row 1
        // (zip, short list) is left out: row 2 covers the same verbs and more.
        enum { kPreviousRows = 16, kPreviousArchiveRows = 14 };
        bool rows[kPreviousRows];
        for (int r = 0; r < kPreviousRows; r++) rows[r] = r != 1 && r <= kPreviousArchiveRows;
        WinX_Associate(&WinX_PreviousTypeSet, program, rows);
        for (int r = 0; r < kPreviousRows; r++) rows[r] = r == 1;
        WinX_Unassociate(&WinX_PreviousTypeSet, program, rows);
    }
    WinX_Unassociate(Zent_AssociationSet(), program, plan->keep);
    if (plan->uninstall) return;
    const char* windows = WinX_WindowsDir();
    if (windows != nullptr) {
        char editor[StrX_PathSize];
        snprintf(editor, sizeof editor, "%s\\notepad.exe", windows);
        WinX_SetAllFilesEditor(editor);
    }
    WinX_Associate(Zent_AssociationSet(), program, plan->select);
}

// ---- Icons -----------------------------------------------------------------------------------

int Installer_IconCandidates(const char history[][260], const char* program, const char* system_dir,
                             char out[][260]) {
    int n = 0;
    for (int i = 0; i < Zent_IconHistorySize && history[i][0] != '\0'; i++)
        StdPlus_CopyN(out[n++], history[i], 260);
    StdPlus_CopyN(out[n++], program, 260);
    for (const char* name : {"COOL.DLL", "SHELL32.DLL"}) {
        StdPlus_CopyN(out[n], name, 260);
        StrX_MakeAbsolute(out[n++], 260, system_dir);
    }
    return n;
}

void Installer_RememberIcon(char history[][260], const char* file) {
    char kept[260];
    StdPlus_CopyN(kept, file, sizeof kept);
    int last = Zent_IconHistorySize - 1;
    for (int i = 0; i < Zent_IconHistorySize; i++) {
        if (history[i][0] != '\0' && StrX_SamePath(history[i], kept)) {
            last = i;
            break;
        }
    }
    for (int i = last; i > 0; i--) StdPlus_CopyN(history[i], history[i - 1], 260);
    StdPlus_CopyN(history[0], kept, 260);
}

// ---- Probing a DLL -----------------------------------------------------------------------

Installer_Probe Installer_ProbeDll(Zent_DllId dll) {
    Installer_Probe probe{};
    const Zent_DllInfo& info = Zent_Dll(dll);
    Own_Module module(info.file);
    if (module.Get() == nullptr) return probe;
    probe.loaded = true;
    if (info.version_function == nullptr) return probe;
    FARPROC function = GetProcAddress(module.Get(), info.version_function);
    if (function == nullptr) return probe;
    probe.has_version = true;
    if (dll == Zent_Dll_Zip) {
        // Larger than the record of the version we know: a newer DLL may fill more.
        unsigned char record[512] = {};
        reinterpret_cast<void(WINAPI*)(void*)>(reinterpret_cast<void*>(function))(record);
        memcpy(probe.zip, record + 48, sizeof probe.zip);
    } else {
        probe.version = reinterpret_cast<WORD(WINAPI*)()>(reinterpret_cast<void*>(function))();
    }
    return probe;
}
