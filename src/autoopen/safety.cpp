#include "autoopen/safety.h"

#include <shellapi.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "autoopen/safety_ids.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/dialog.h"

// ---- Safe list ---------------------------------------------------------------------------

namespace {

enum { kChecksumBytes = 4096, kAppIcon = 128 };

struct FileIdentity {
    time_t time;
    int size;
    int checksum;
};

FileIdentity IdentityOf(const char* file) {
    FileIdentity id{};
    FileX_Time(file, &id.time);
    id.size = static_cast<int>(FileX_Size(file));
    id.checksum = static_cast<int>(FileX_Checksum(file, kChecksumBytes));
    return id;
}

}  // namespace

bool Zent_IsSafeFile(const Zent_Settings* settings, const char* file, const char* archive,
                     const char*) {
    // A file that is not there (an autorun command naming a missing program) is never safe.
    if (!FileX_Exists(file) || FileX_IsDir(file)) return false;
    FileIdentity now = IdentityOf(file);
    for (int i = 0; i < settings->safe_count; i++) {
        const Zent_SafeEntry& e = settings->safe[i];
        if (StrX_SamePath(e.path, archive) && e.time == now.time && e.size == now.size &&
            e.checksum == now.checksum)
            return true;
    }
    return false;
}

void Zent_AddSafeFile(Zent_Settings* settings, const char* file, const char* archive,
                      const char* folder) {
    FileIdentity now = IdentityOf(file);
    if (settings->safe_count < 0) settings->safe_count = 0;
    if (settings->safe_count >= Zent_SafeMax) {
        // Full: the oldest record makes room.
        memmove(&settings->safe[0], &settings->safe[1],
                sizeof settings->safe[0] * (Zent_SafeMax - 1));
        settings->safe_count = Zent_SafeMax - 1;
    }
    Zent_SafeEntry& e = settings->safe[settings->safe_count++];
    memset(&e, 0, sizeof e);
    StdPlus_CopyN(e.path, archive, sizeof e.path);
    e.time = now.time;
    e.size = now.size;
    e.checksum = now.checksum;
    StdPlus_CopyN(e.folder, file, sizeof e.folder);
    StrX_MakeRelative(e.folder, sizeof e.folder, folder);
    e.sequence = 0;
}

// ---- Rules -------------------------------------------------------------------------------

char* Zent_SafetyQuestion(const char* archive, const char* file, bool launch, char* out,
                          size_t size) {
    snprintf(out, size, "%s の中にある %s を%sますか？", StrX_FileName(archive),
             StrX_FileName(file), launch ? "実行し" : "開き");
    return out;
}

char* Zent_SafetyTimeLine(time_t time, char* out, size_t size) {
    return StrX_FormatTime(time, "ファイル更新日： %y/%m/%d %H:%M:%S", out, size);
}

char* Zent_SafetySizeLine(long size_of_file, char* out, size_t size) {
    snprintf(out, size, "ファイルサイズ： %ld", size_of_file);
    return out;
}

bool Zent_IsViewerCommand(const char* command) {
    static const char* const kViewers[] = {"explorer", "notepad", "winhlp32", "write"};
    for (const char* viewer : kViewers) {
        if (_strnicmp(command, viewer, strlen(viewer)) == 0) return true;
    }
    return false;
}

char* Zent_AutorunShownFile(const Autorun_Info* info, char* out, size_t size) {
    char command[StrX_PathSize];
    StdPlus_CopyN(command, info->open, sizeof command);
    StdPlus_Trim(command);
    char* blank = StdPlus_FindChar(command, ' ');
    const char* shown = command;
    if (blank != nullptr) {
        *blank = '\0';
        if (Zent_IsViewerCommand(command)) {
            // The viewer's document: its first argument, without quotes.
            char* document = blank + 1;
            while (*document == ' ') document++;
            if (*document == '"') {
                document++;
                char* end = StdPlus_FindChar(document, '"');
                if (end != nullptr) *end = '\0';
            } else {
                char* end = StdPlus_FindChar(document, ' ');
                if (end != nullptr) *end = '\0';
            }
            shown = document;
        }
    }
    StdPlus_CopyN(out, shown, size);
    if (out[0] != '\0') StrX_AbsFromFileDir(out, size, info->file);
    return out;
}

// ---- The dialog --------------------------------------------------------------------------

namespace {

// Icons the dialog shows are its own: destroyed when the run ends.
struct IconGuard {
    HICON* icon;
    ~IconGuard() {
        if (*icon != nullptr) DestroyIcon(*icon);
    }
};

HICON ExtractFirstIcon(const char* file, int index) {
    HICON large = nullptr;
    if (file[0] == '\0' || !FileX_Exists(file)) return nullptr;
    if (ExtractIconExA(file, index, &large, nullptr, 1) == 0) return nullptr;
    return large;
}

HICON IconOfFile(const char* file) {
    HICON icon = ExtractFirstIcon(file, 0);
    if (icon != nullptr) return icon;
    char icon_file[MAX_PATH];
    int index = 0;
    WinX_GetTypeIcon(StrX_Ext(file), icon_file, &index);
    return icon_file[0] == '\0' ? nullptr : ExtractFirstIcon(icon_file, index);
}

void LaunchIn(const char* program, const char* parameters, const char* folder) {
    HINSTANCE result = ShellExecuteA(nullptr, nullptr, program, parameters, folder, SW_SHOWNORMAL);
    // A launch that did not happen must not pass for a run.
    if (reinterpret_cast<INT_PTR>(result) <= 32)
        ERRORS_RAISE(Zent_Err_FailToExecCmd, "コマンド %s%s%s の実行に失敗しました。", program,
                     parameters != nullptr ? " " : "", parameters != nullptr ? parameters : "");
}

void Launch(const char* program, const char* parameters) {
    char folder[StrX_PathSize];
    StrX_ParentDir(folder, program);
    LaunchIn(program, parameters, folder);
}

// An autorun entry split into program and parameters. Windows' own viewers are found along
// the search path, not in the description's folder: their command is taken as it stands
// and started in that folder, so the document it names is found there.
struct AutorunEntry {
    char program[StrX_PathSize];
    char parameters[StrX_PathSize];
    bool has_parameters;
    bool viewer;
};

AutorunEntry EntryOf(const Autorun_Info* info, int index) {
    AutorunEntry entry{};
    const char* command = index < 0 ? info->open : info->verb_command[index];
    if (Zent_IsViewerCommand(command)) {
        entry.viewer = true;
        StdPlus_CopyN(entry.program, command, sizeof entry.program);
        char* blank = StdPlus_FindChar(entry.program, ' ');
        if (blank != nullptr) {
            *blank = '\0';
            StdPlus_CopyN(entry.parameters, blank + 1, sizeof entry.parameters);
            entry.has_parameters = true;
        }
        return entry;
    }
    const char* given = WinX_AutorunCommand(info, index, entry.program, sizeof entry.program);
    if (given != nullptr) {
        StdPlus_CopyN(entry.parameters, given, sizeof entry.parameters);
        entry.has_parameters = true;
    }
    return entry;
}

void LaunchAutorun(const Autorun_Info* info, const AutorunEntry& entry) {
    if (!entry.viewer) {
        Launch(entry.program, entry.has_parameters ? entry.parameters : nullptr);
        return;
    }
    char folder[StrX_PathSize];
    StrX_ParentDir(folder, info->file);
    LaunchIn(entry.program, entry.has_parameters ? entry.parameters : nullptr, folder);
}

// The dialog object: what the caller handed in, and the icon it shows.
class SafetyDialog : public Dialog_Modal {
public:
    SafetyDialog(Zent_Settings* settings, Zent_SafetyState* state)
        : settings_(settings), state_(state) {}
    HICON file_icon = nullptr;

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;

private:
    void ShowDetails(const char* shown, HICON icon);
    void RunChosen();
    void OpenFolder();
    void InitPlain();
    bool RunAutorunAtOnce();
    void InitAutorun();

    Zent_Settings* settings_;
    Zent_SafetyState* state_;
};

// Question, time and size of the shown file, and its icon.
void SafetyDialog::ShowDetails(const char* shown, HICON icon) {
    HWND dialog = Window();
    char line[600];
    Dialog_SetText(dialog, IDC_SAFETY_QUESTION,
                   Zent_SafetyQuestion(state_->archive, shown, state_->launch, line, sizeof line));
    if (FileX_Exists(shown)) {
        time_t time = 0;
        FileX_Time(shown, &time);
        Dialog_SetText(dialog, IDC_SAFETY_TIME, Zent_SafetyTimeLine(time, line, sizeof line));
        Dialog_SetText(
            dialog, IDC_SAFETY_SIZE,
            Zent_SafetySizeLine(static_cast<long>(FileX_Size(shown)), line, sizeof line));
    } else {
        // A command naming a program that is not there: nothing to describe.
        Dialog_SetText(dialog, IDC_SAFETY_TIME, "");
        Dialog_SetText(dialog, IDC_SAFETY_SIZE, "");
    }
    file_icon = icon;
    if (icon != nullptr)
        SendDlgItemMessageA(dialog, IDC_SAFETY_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon),
                            0);
}

void SafetyDialog::RunChosen() {
    Zent_SafetyState* state = state_;
    AutorunEntry entry{};
    if (state->autorun) {
        int selected =
            static_cast<int>(SendDlgItemMessageA(Window(), IDC_SAFETY_MENU, CB_GETCURSEL, 0, 0));
        entry = EntryOf(&state->info, (selected < 0 ? 0 : selected) - 1);
    } else {
        StdPlus_CopyN(entry.program, state->file, sizeof entry.program);
    }
    // Only a file can be marked: a viewer found along the path or a missing program cannot.
    bool checked = Dialog_IsChecked(Window(), IDC_SAFETY_DONT_ASK);
    if (checked && FileX_Exists(entry.program) && !FileX_IsDir(entry.program))
        Zent_AddSafeFile(settings_, entry.program, state->archive, state->folder);
    if (state->launch) {
        if (state->autorun) {
            LaunchAutorun(&state->info, entry);
        } else {
            Launch(entry.program, nullptr);
        }
    }
    End(Zent_Safety_Run);
}

void SafetyDialog::OpenFolder() {
    const Zent_SafetyState* state = state_;
    if (state->launch) {
        char parent[StrX_PathSize];
        StrX_ParentDir(parent, state->file);
        if (state->tree) {
            WinX_ExploreTree(parent);
        } else {
            WinX_ExplorePlain(parent);
        }
    }
    End(Zent_Safety_OpenFolder);
}

void SafetyDialog::InitPlain() {
    Zent_SafetyState* state = state_;
    if (Zent_IsSafeFile(settings_, state->file, state->archive, state->folder)) {
        RunChosen();
        return;
    }
    ShowDetails(state->file, IconOfFile(state->file));
    // Without the menu the controls below it move up into its place and the dialog shrinks,
    // so no empty band is left.
    Dialog_CloseBand(Window(), {IDC_SAFETY_MENU, IDC_SAFETY_MENU_LABEL},
                     {IDC_SAFETY_DONT_ASK, IDOK, IDC_SAFETY_OPEN_FOLDER, IDCANCEL});
}

// A description without a menu whose command shows a document, or whose program the user
// already trusts, is started without asking. True when it was.
bool SafetyDialog::RunAutorunAtOnce() {
    Zent_SafetyState* state = state_;
    if (state->info.verb_count > 0) return false;
    if (!Zent_IsViewerCommand(state->info.open)) {
        char program[256];
        WinX_AutorunCommand(&state->info, -1, program, sizeof program);
        if (!Zent_IsSafeFile(settings_, program, state->archive, state->folder)) return false;
    }
    // Without the launch flag the caller starts what was agreed to.
    if (state->launch) LaunchAutorun(&state->info, EntryOf(&state->info, -1));
    End(Zent_Safety_Run);
    return true;
}

void SafetyDialog::InitAutorun() {
    Zent_SafetyState* state = state_;
    WinX_ReadAutorun(&state->info, state->file);
    if (RunAutorunAtOnce()) return;
    HWND menu = Item(IDC_SAFETY_MENU);
    SendMessageA(menu, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("（標準の自動実行）"));
    for (int i = 0; i < state->info.verb_count; i++)
        SendMessageA(menu, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(state->info.verb_text[i]));
    SendMessageA(menu, CB_SETCURSEL, 0, 0);
    char shown[StrX_PathSize];
    Zent_AutorunShownFile(&state->info, shown, sizeof shown);
    HICON icon = nullptr;
    if (state->info.icon[0] != '\0') {
        char icon_file[StrX_PathSize];
        StdPlus_CopyN(icon_file, state->info.icon, sizeof icon_file);
        StrX_AbsFromFileDir(icon_file, sizeof icon_file, state->info.file);
        icon = ExtractFirstIcon(icon_file, state->info.icon_index);
    }
    if (icon == nullptr) icon = IconOfFile(shown);
    ShowDetails(shown, icon);
}

void SafetyDialog::OnInit() {
    Dialog_SetAppIcons(Window(), kAppIcon);
    if (state_->autorun) {
        InitAutorun();
    } else {
        InitPlain();
    }
}

void SafetyDialog::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDOK:
            RunChosen();
            break;
        case IDC_SAFETY_OPEN_FOLDER:
            OpenFolder();
            break;
        case IDCANCEL:
            End(Zent_Safety_Cancel);
            break;
        default:
            break;
    }
}

}  // namespace

int Zent_ConfirmSafety(Zent_Settings* settings, Zent_SafetyState* state) {
    SafetyDialog dialog(settings, state);
    IconGuard icon{&dialog.file_icon};
    return static_cast<int>(dialog.Run(IDD_SAFETY));
}
