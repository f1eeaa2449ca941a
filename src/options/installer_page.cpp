// The DLL installer page's window: it reads the boxes into its state, asks the rules of
// installer.cpp and writes back labels, icons and associations.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "archiver/associations.h"
#include "lib/except3.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "options/icon_chooser.h"
#include "options/installer.h"
#include "options/installer_ids.h"
#include "options/setup.h"
#include "options/sheet.h"
#include "shell/winx_assoc.h"
#include "shell/winx_filetype.h"
#include "shell/winx_folders.h"
#include "shell/winx_launch.h"

static const char kTitle[] = "DLL インストーラ - Quarvel SV";

static const char* ProgramPath() {
    static char path[StrX_PathSize];  // handed back to the caller
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

// A property page is a child window and never hears WM_ACTIVATE; the sheet does, when the
// user comes back to it (from a DLL's installer, say).
static LRESULT CALLBACK SheetActivation(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR page) {
    if (message == WM_ACTIVATE && (LOWORD(wparam) == WA_ACTIVE || LOWORD(wparam) == WA_CLICKACTIVE))
        reinterpret_cast<Options_InstallerPage*>(page)->OnSheetActivated();
    if (message == WM_NCDESTROY) RemoveWindowSubclass(sheet, SheetActivation, id);
    return DefSubclassProc(sheet, message, wparam, lparam);
}

Options_InstallerPage::Options_InstallerPage(Zent_Settings* settings)
    : Dialog_Page(IDD_INSTALLER_PAGE), settings_(settings) {}

bool Options_InstallerPage::Ask(const char* question, const char* title, UINT style) {
    return MessageBoxA(GetParent(Window()), question, title, MB_YESNO | style) == IDYES;
}

void Options_InstallerPage::OnInit() {
    SetWindowSubclass(GetParent(Window()), SheetActivation, 1, reinterpret_cast<DWORD_PTR>(this));
    if (Zent_NoDllFlagged(settings_)) {
        if (Ask("現在、どの形式の圧縮ファイルも Quarvel と関連付けされていません。DLL "
                "ファイルのインストール状況を解析して、推奨する設定方法を表示してよろしいですか？",
                kTitle, MB_ICONQUESTION))
            Analyse();
    } else {
        for (int dll = 0; dll < Zent_Dll_Count; dll++) checked_[dll] = settings_->dll[dll] != 0;
    }
    for (int dll = 0; dll < Zent_Dll_Count; dll++)
        Dialog_Check(Window(), Installer_BoxControl(static_cast<Zent_DllId>(dll)), checked_[dll]);
    for (int slot = 0; slot < Installer_SlotCount; slot++) {
        WinX_GetTypeIcon(Installer_SlotReadExtension(slot), slot_[slot].file, &slot_[slot].index);
        at_start_[slot] = slot_[slot];
    }
    Refresh();
    refreshed_at_init_ = true;
}

void Options_InstallerPage::OnSetActive() {
    // The page's start has just refreshed it.
    if (!refreshed_at_init_) Refresh();
    refreshed_at_init_ = false;
}

void Options_InstallerPage::OnSheetActivated() {
    if (Window() == nullptr) return;
    if (PropSheet_GetCurrentPageHwnd(GetParent(Window())) == Window()) Refresh();
}

void Options_InstallerPage::ReadBoxes() {
    for (int dll = 0; dll < Zent_Dll_Count; dll++)
        checked_[dll] =
            Dialog_IsChecked(Window(), Installer_BoxControl(static_cast<Zent_DllId>(dll)));
}

void Options_InstallerPage::Analyse() {
    Zent_Setup(ProgramPath());
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        Own_Module module(Zent_Dll(static_cast<Zent_DllId>(dll)).file);
        checked_[dll] = module.Get() != nullptr;
        Dialog_Check(Window(), Installer_BoxControl(static_cast<Zent_DllId>(dll)), checked_[dll]);
    }
    for (int slot = 0; slot < Installer_SlotCount; slot++) {
        StdPlus_CopyN(slot_[slot].file, ProgramPath(), sizeof slot_[slot].file);
        slot_[slot].index = Installer_SlotDefaultIndex(slot);
        ShowIcon(slot);
    }
}

// The slot's icon in its control (a file named through "%SystemRoot%" and the like read
// where the variable points). A file without that icon shows the program's own, but the
// slot keeps what the class names: only a choice of the user's is written back.
void Options_InstallerPage::ShowIcon(int slot) {
    char file[StrX_PathSize];
    DWORD n = ExpandEnvironmentStringsA(slot_[slot].file, file, sizeof file);
    if (n == 0 || n > sizeof file) StdPlus_CopyN(file, slot_[slot].file, sizeof file);
    HICON icon = nullptr;
    ExtractIconExA(file, slot_[slot].index, &icon, nullptr, 1);
    if (icon == nullptr)
        ExtractIconExA(ProgramPath(), Installer_SlotDefaultIndex(slot), &icon, nullptr, 1);
    SendDlgItemMessageA(Window(), Installer_SlotControl(slot), STM_SETICON,
                        reinterpret_cast<WPARAM>(icon), 0);
    icons_[slot].Reset(icon);
}

void Options_InstallerPage::Refresh() {
    Dialog_WaitCursor wait;
    Installer_Probe probe[Zent_Dll_Count] = {};
    bool loaded[Zent_Dll_Count] = {};
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        if (checked_[dll]) probe[dll] = Installer_ProbeDll(static_cast<Zent_DllId>(dll));
        loaded[dll] = probe[dll].loaded;
    }
    for (int slot = 0; slot < Installer_SlotCount; slot++) {
        ShowIcon(slot);
        Dialog_Show(Window(), Installer_SlotControl(slot),
                    Installer_SlotShown(slot, checked_, loaded));
    }
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        auto id = static_cast<Zent_DllId>(dll);
        char label[96];
        Dialog_SetText(Window(), Installer_BoxControl(id),
                       Installer_Label(id, checked_[dll], &probe[dll], label, sizeof label));
    }
}

void Options_InstallerPage::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;  // STN_CLICKED of the icons is the same code
    if (id == IDC_INSTALLER_OPEN_SYSTEM) {
        WinX_ExplorePlain(WinX_KnownFolder(WinX_SystemDir(), "システム"));
        return;
    }
    if (id == IDC_INSTALLER_SEARCH) {
        if (!Ask("DLL ファイルのインストール状況を解析して、自動的にチェックボックスを設定して"
                 "よろしいですか？",
                 kTitle, MB_ICONQUESTION))
            return;
        ReadBoxes();
        Analyse();
        Refresh();
        Changed();
        return;
    }
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        if (Installer_BoxControl(static_cast<Zent_DllId>(dll)) != id) continue;
        ReadBoxes();
        BoxClicked(static_cast<Zent_DllId>(dll));
        return;
    }
    for (int slot = 0; slot < Installer_SlotCount; slot++) {
        if (Installer_SlotControl(slot) != id) continue;
        ReadBoxes();
        ChooseIcon(slot);
        return;
    }
}

void Options_InstallerPage::BoxClicked(Zent_DllId dll) {
    Changed();
    const Zent_DllInfo& info = Zent_Dll(dll);
    int icon = Installer_SlotControl(info.icon_slot);
    if (!checked_[dll]) {
        char name[64];
        Dialog_SetText(Window(), Installer_BoxControl(dll),
                       Installer_DllName(dll, name, sizeof name));
        Dialog_Show(Window(), icon, Installer_SlotChecked(info.icon_slot, checked_));
        return;
    }
    // Shown before the help opens: coming back from it refreshes the page, which may hide
    // the icon again when the DLL is not there.
    Dialog_Show(Window(), icon, true);
    char folder[StrX_PathSize];
    StrX_AbsFromProgramDir(folder, info.help_folder, sizeof folder);
    WinX_ExplorePlain(folder);
    char page[StrX_PathSize];
    StdPlus_CopyN(page, folder, sizeof page);
    StrX_Join(page, "index.htm");
    // A browser that does not answer is no reason to lose what the user set on the sheet.
    Except_TryCatch(
        __FILE_NAME__, __LINE__, [&] { WinX_OpenUrl(page, false); },
        [&] {
            const Errors_Record* error = Except_Error();
            MessageBoxA(GetParent(Window()),
                        error->message != nullptr ? error->message : error->text, kTitle,
                        MB_OK | MB_ICONWARNING);
        });
}

void Options_InstallerPage::ChooseIcon(int slot) {
    char candidates[Installer_MaxCandidates][260];
    int count =
        Installer_IconCandidates(settings_->IconHis, ProgramPath(),
                                 WinX_KnownFolder(WinX_SystemDir(), "システム"), candidates);
    char file[StrX_PathSize];
    int index = 0;
    if (!Options_ChooseIcon(GetParent(Window()), candidates, count, file, &index)) return;
    HICON icon = nullptr;
    ExtractIconExA(file, index, &icon, nullptr, 1);
    if (icon == nullptr) return;  // an empty cell
    SendDlgItemMessageA(Window(), Installer_SlotControl(slot), STM_SETICON,
                        reinterpret_cast<WPARAM>(icon), 0);
    icons_[slot].Reset(icon);
    StdPlus_CopyN(slot_[slot].file, file, sizeof slot_[slot].file);
    slot_[slot].index = index;
    Installer_RememberIcon(settings_->IconHis, file);
    Changed();
}

void Options_InstallerPage::WriteChangedIcons() {
    for (int slot = 0; slot < Installer_SlotCount; slot++) {
        const Installer_Icon& now = slot_[slot];
        const Installer_Icon& was = at_start_[slot];
        if (!Installer_SlotChecked(slot, checked_)) continue;
        if (strcmp(now.file, was.file) == 0 && now.index == was.index) continue;
        const char* extensions[Installer_MaxSlotExtensions];
        int n = Installer_SlotExtensions(slot, extensions, Installer_MaxSlotExtensions);
        for (int i = 0; i < n; i++)
            WinX_SetTypeIcon(Zent_AssociationSet(), extensions[i], now.file, now.index,
                             ProgramPath());
        at_start_[slot] = now;
    }
}

bool Options_InstallerPage::OnApply() {
    if (uninstalled_) return true;
    ReadBoxes();
    Installer_Plan plan;
    Installer_PlanApply(settings_->dll, checked_, settings_->version, &plan);
    for (int dll = 0; dll < Zent_Dll_Count; dll++) settings_->dll[dll] = checked_[dll] ? 1 : 0;
    if (plan.uninstall &&
        Ask("すべての圧縮ファイルとの関連付けが無くなりました。\r\nQuarvel "
            "をアンインストールしますか？",
            "アンインストール警告 - Quarvel SV", MB_ICONWARNING | MB_DEFBUTTON2)) {
        bool associated[Installer_MaxRows];
        for (int r = 0; r < Installer_MaxRows; r++) associated[r] = !plan.keep[r];
        Zent_Uninstall(ProgramPath(), settings_, associated);
        uninstalled_ = true;
        // The removal script waits for the program to end; the sheet has nothing left to
        // do, and a second Apply must not uninstall again.
        PostMessageA(GetParent(Window()), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    } else {
        Installer_WriteAssociations(&plan, ProgramPath());
        Options_Save(Window(), settings_);
        // The file is of this version now: a second Apply must not migrate again.
        settings_->version = Zent_SettingsVersion;
        WriteChangedIcons();
    }
    SHChangeNotify(SHCNE_GLOBALEVENTS, SHCNF_FLUSH, nullptr, nullptr);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    if (!uninstalled_ && plan.changes)
        MessageBoxA(GetParent(Window()), Installer_DoneMessage(&plan), "Quarvel SV", MB_OK);
    return true;
}
