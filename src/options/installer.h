#pragma once
// The DLL installer page "DLL インストーラ" of the options sheet. One check box per archiver
// DLL: checking one opens the folder with the DLL's installer and a page on how to install
// it; when the sheet applies, the boxes become the associations of the archive types. The
// page shows each DLL's version and the icons of the archive types, which the user can
// change; once every box is cleared it offers to uninstall the program.
#include <cstddef>

#include "archiver/dlls.h"
#include "lib/handles.h"
#include "settings/settings.h"
#include "shell/dialog.h"

enum {
    Installer_SlotCount = Zent_Icon_Count,  // icons of the archive types
    Installer_MaxRows = 48,                 // of the association set (archiver/associations.h)
    Installer_MaxSlotExtensions = 12,
};

// ---- Rules, free of any window -----------------------------------------------------------

// The DLL's check box; it stands for the DLL's rows of the association set.
int Installer_BoxControl(Zent_DllId dll);

// An icon slot: its control, its icon in the program file, the extension its icon is read
// from, and the extensions it is written to (those of its DLLs' rows).
int Installer_SlotControl(int slot);
int Installer_SlotDefaultIndex(int slot);
const char* Installer_SlotReadExtension(int slot);
int Installer_SlotExtensions(int slot, const char** out, int capacity);
// Is a box of a DLL of this slot checked?
bool Installer_SlotChecked(int slot, const bool checked[Zent_Dll_Count]);
// After a refresh the slot's icon is shown when a checked DLL of the slot loaded.
bool Installer_SlotShown(int slot, const bool checked[Zent_Dll_Count],
                         const bool loaded[Zent_Dll_Count]);

// What loading a DLL showed of it.
struct Installer_Probe {
    bool loaded;
    bool has_version;      // its version function was found
    unsigned version;      // the common DLLs: version times 100 (16 bits)
    unsigned char zip[3];  // ZIP32.DLL: the zip engine's major, minor and patch level
};
// The DLL's name in capitals, as the page and its messages show it.
char* Installer_DllName(Zent_DllId dll, char* out, size_t size);
// The check box's text: the plain name while unchecked, else the version or what is wrong.
char* Installer_Label(Zent_DllId dll, bool checked, const Installer_Probe* probe, char* out,
                      size_t size);

// What Apply does to the registry, from the DLL flags before and the boxes now.
struct Installer_Plan {
    bool uninstall;                  // no box is checked: ask whether to uninstall
    bool migrate;                    // the settings came from the previous major version
    bool keep[Installer_MaxRows];    // un-associating restores the rows not kept
    bool select[Installer_MaxRows];  // associating writes the selected rows
    bool installed_before;           // a box was checked before
    bool changes;                    // something is associated, un-associated or migrated
};
// The rows of UNZIP32.DLL and ZIP32.DLL both register zip, with the short and the full verb
// list: zip is treated as one type that is not associated, associated with the short list
// (UNZIP32.DLL) or with the full list (ZIP32.DLL). ZIP32's row un-associates zip whatever list it
// had, UNZIP32's never, so an un-association never leaves the other list's verbs behind.
void Installer_PlanApply(const char before[Zent_Dll_Count], const bool now[Zent_Dll_Count],
                         int settings_version, Installer_Plan* plan);
// The message after Apply: a first installation, or a change.
const char* Installer_DoneMessage(const Installer_Plan* plan);

// The chooser's candidates: the icon history up to its first empty entry, the program, and
// COOL.DLL and SHELL32.DLL of the system folder. Returns their number.
enum { Installer_MaxCandidates = Zent_IconHistorySize + 3 };
int Installer_IconCandidates(const char history[][260], const char* program, const char* system_dir,
                             char out[][260]);
// Puts the file in front of the history: moved there when it is in it, else the others go
// back by one and the last drops out.
void Installer_RememberIcon(char history[][260], const char* file);

// ---- Work on Windows -----------------------------------------------------------------------

// Loads the DLL by its bare name, asks its version and frees it again.
Installer_Probe Installer_ProbeDll(Zent_DllId dll);
// Un-associates and associates as the plan says (the migration first when it asks for it);
// with plan->uninstall only un-associates.
void Installer_WriteAssociations(const Installer_Plan* plan, const char* program);

// ---- The page ----------------------------------------------------------------------------

struct Installer_Icon {
    char file[260];
    int index;
};

class Options_InstallerPage : public Dialog_Page {
public:
    explicit Options_InstallerPage(Zent_Settings* settings);
    // Refreshes the labels and icons when the sheet becomes the active window again, say
    // after the user installed a DLL.
    void OnSheetActivated();

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;
    bool OnApply() override;
    void OnSetActive() override;

private:
    void ReadBoxes();
    void Analyse();
    void Refresh();
    void ShowIcon(int slot);
    void BoxClicked(Zent_DllId dll);
    void ChooseIcon(int slot);
    void WriteChangedIcons();
    bool Ask(const char* question, const char* title, UINT style);

    Zent_Settings* settings_;
    bool checked_[Zent_Dll_Count] = {};
    Installer_Icon slot_[Installer_SlotCount] = {};
    Installer_Icon at_start_[Installer_SlotCount] = {};  // what the registry had
    Own_Icon icons_[Installer_SlotCount];
    bool refreshed_at_init_ = false;
    bool uninstalled_ = false;
};
