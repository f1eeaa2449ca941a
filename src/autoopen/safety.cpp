#include "autoopen/safety.h"

#include <shellapi.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "autoopen/autoopen.h"
#include "autoopen/safety_ids.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/dialog.h"
#include "shell/winx_autorun.h"
#include "shell/winx_filetype.h"
#include "shell/winx_launch.h"
#include "shell/winx_zone.h"

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

// A record's text and a command's: the path part without regard to letter case, the
// parameters byte for byte. A record without quotes is a path alone, as records made
// before parameters were kept are.
void SplitRecord(const char* text, char* path, const char** parameters) {
    if (text[0] != '"') {
        StdPlus_CopyN(path, text, StrX_PathSize);
        *parameters = "";
        return;
    }
    const char* close = StdPlus_FindChar(text + 1, '"');
    if (close == nullptr) close = text + strlen(text);
    size_t n = static_cast<size_t>(close - (text + 1));
    StdPlus_CopyN(path, text + 1, n + 1 < size_t{StrX_PathSize} ? n + 1 : size_t{StrX_PathSize});
    *parameters = *close == '"' && close[1] == ' ' ? close + 2 : "";
}

bool SameCommand(const char* record, const char* command) {
    char record_path[StrX_PathSize];
    char command_path[StrX_PathSize];
    const char* record_parameters;
    const char* command_parameters;
    SplitRecord(record, record_path, &record_parameters);
    SplitRecord(command, command_path, &command_parameters);
    return StrX_SamePath(record_path, command_path) &&
           strcmp(record_parameters, command_parameters) == 0;
}

// What a record keeps of the file: its path relative to the melted folder, and with
// parameters the command "\"<relative path>\" <parameters>". Records of a path alone are what
// earlier versions wrote; they never read this field, so both read each other's records.
void SafeCommandText(const char* file, const char* parameters, const char* folder, char* out,
                     size_t size) {
    char relative[StrX_PathSize];
    StdPlus_CopyN(relative, file, sizeof relative);
    StrX_MakeRelative(relative, sizeof relative, folder);
    if (parameters == nullptr || parameters[0] == '\0') {
        snprintf(out, size, "%s", relative);
    } else {
        snprintf(out, size, "\"%s\" %s", relative, parameters);
    }
}

// The text a record keeps for the file, or false when the file and its parameters do not
// fit the record's field: such a command is asked about every time.
bool CommandText(const char* file, const char* parameters, const char* folder, char* out) {
    // The settings file reads a field back to 255 bytes.
    enum { kFieldSize = 256 };
    char text[StrX_PathSize * 2];
    SafeCommandText(file, parameters, folder, text, sizeof text);
    if (strlen(text) >= kFieldSize) return false;
    strcpy(out, text);
    return true;
}

}  // namespace

bool Zent_IsSafeFile(const Zent_Settings* settings, const char* file, const char* parameters,
                     const char* archive, const char* folder) {
    // A file that is not there (an autorun command naming a missing program) is never safe.
    if (!FileX_Exists(file) || FileX_IsDir(file)) return false;
    char command[StrX_PathSize];
    if (!CommandText(file, parameters, folder, command)) return false;
    FileIdentity now = IdentityOf(file);
    for (int i = 0; i < settings->safe_count; i++) {
        const Zent_SafeEntry& e = settings->safe[i];
        // The relative path is compared as Windows compares names, the parameters exactly.
        if (StrX_SamePath(e.path, archive) && e.time == now.time && e.size == now.size &&
            e.checksum == now.checksum && SameCommand(e.folder, command))
            return true;
    }
    return false;
}

void Zent_AddSafeFile(Zent_Settings* settings, const char* file, const char* parameters,
                      const char* archive, const char* folder) {
    char command[StrX_PathSize];
    if (!CommandText(file, parameters, folder, command)) return;
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
    StdPlus_CopyN(e.folder, command, sizeof e.folder);
    e.sequence = 0;
}

// ---- Rules -------------------------------------------------------------------------------

char* Zent_SafetyQuestion(const char* archive, const char* file, bool launch, char* out,
                          size_t size, const char* starter) {
    if (starter[0] != '\0') {
        snprintf(out, size, "%s の中にある %s を「%s」で開きますか？", StrX_FileName(archive),
                 StrX_FileName(file), starter);
        return out;
    }
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

const char* Zent_SafetyOriginLine(const char* file, const char* archive) {
    bool internet = WinX_CameFromInternet(file) || WinX_CameFromInternet(archive);
    return internet ? "このファイルはインターネットから取得されたものです。" : "";
}

char* Zent_AutorunShownFile(const Autorun_Info* info, char* out, size_t size) {
    out[0] = '\0';
    if (info->open[0] == '\0') return out;
    WinX_Command command;
    WinX_AutorunEntry(info, -1, &command);
    if (!command.viewer) return StdPlus_CopyN(out, command.program, size);
    // The viewer's document: its first argument, without quotes.
    char document[StrX_PathSize];
    StdPlus_CopyN(document, command.parameters, sizeof document);
    char* start = document;
    char* end;
    if (*start == '"') {
        start++;
        end = StdPlus_FindChar(start, '"');
    } else {
        end = StdPlus_FindChar(start, ' ');
    }
    if (end != nullptr) *end = '\0';
    StdPlus_CopyN(out, start, size);
    if (out[0] != '\0') StrX_AbsFromFileDir(out, size, info->file);
    return out;
}

// ---- The dialog --------------------------------------------------------------------------

namespace {

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

// A plain file in launch mode gets the rule's action; opened by itself, it starts with the
// default verb in its own folder, where a setup program expects to run.
void LaunchFile(const Zent_SafetyState* state) {
    const Zent_AutoOpen* rule = state->rule;
    bool by_itself =
        rule == nullptr || (rule->CmdType == Zent_RegCmd &&
                            (rule->Command[0] == '\0' || lstrcmpiA(rule->Command, "open") == 0));
    if (!by_itself) {
        Zent_RunAutoOpen(rule, state->file, state->tree);
        return;
    }
    char folder[StrX_PathSize];
    StrX_ParentDir(folder, state->file);
    WinX_Execute(nullptr, state->file, nullptr, folder);
}

// A description that names nothing to start stands for its folder.
void ShowDescribedFolder(const Zent_SafetyState* state) {
    char folder[StrX_PathSize];
    StrX_ParentDir(folder, state->file);
    WinX_Explore(folder, state->tree, false);
}

// The dialog object: what the caller handed in, and the icon it shows.
class SafetyDialog : public Dialog_Modal {
public:
    SafetyDialog(Zent_Settings* settings, Zent_SafetyState* state)
        : settings_(settings), state_(state) {}

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;

private:
    void ShowDetails(const char* shown, bool launch, HICON icon);
    void RunChosen();
    void OpenFolder();
    void InitPlain();
    bool RunAutorunAtOnce();
    void InitAutorun();

    Zent_Settings* settings_;
    Zent_SafetyState* state_;
    Own_Icon file_icon_;  // destroyed with the dialog object, once the window is gone
};

// Question, time and size of the shown file, its icon, and where it came from.
void SafetyDialog::ShowDetails(const char* shown, bool launch, HICON icon) {
    HWND dialog = Window();
    char starter[StrX_PathSize] = "";
    if (launch && !state_->autorun && state_->rule != nullptr)
        Zent_AutoOpenStarter(state_->rule, starter, sizeof starter);
    char line[600];
    Dialog_SetText(dialog, IDC_SAFETY_QUESTION,
                   Zent_SafetyQuestion(state_->archive, shown, launch, line, sizeof line, starter));
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
    file_icon_.Reset(icon);
    if (icon != nullptr)
        SendDlgItemMessageA(dialog, IDC_SAFETY_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon),
                            0);
    const char* origin = Zent_SafetyOriginLine(shown, state_->archive);
    if (origin[0] != '\0') {
        Dialog_SetText(dialog, IDC_SAFETY_INTERNET, origin);
    } else {
        Dialog_CloseBand(dialog, {IDC_SAFETY_INTERNET},
                         {IDC_SAFETY_WARNING, IDC_SAFETY_MENU_LABEL, IDC_SAFETY_MENU,
                          IDC_SAFETY_DONT_ASK, IDOK, IDC_SAFETY_OPEN_FOLDER, IDCANCEL});
    }
}

void SafetyDialog::RunChosen() {
    Zent_SafetyState* state = state_;
    WinX_Command command{};
    if (state->autorun) {
        int selected = Dialog_ComboSelected(Window(), IDC_SAFETY_MENU);
        WinX_AutorunEntry(&state->info, (selected < 0 ? 0 : selected) - 1, &command);
    } else {
        StdPlus_CopyN(command.program, state->file, sizeof command.program);
    }
    // Only a file can be marked: a viewer or a missing program cannot.
    bool checked = Dialog_IsChecked(Window(), IDC_SAFETY_DONT_ASK);
    if (checked && !command.viewer && FileX_Exists(command.program) &&
        !FileX_IsDir(command.program))
        Zent_AddSafeFile(settings_, command.program, command.parameters, state->archive,
                         state->folder);
    if (state->launch) {
        if (!state->autorun) {
            LaunchFile(state);
        } else if (command.program[0] == '\0') {
            ShowDescribedFolder(state);
        } else {
            WinX_StartCommand(&command, state->tree);
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
    if (Zent_IsSafeFile(settings_, state->file, nullptr, state->archive, state->folder)) {
        RunChosen();
        return;
    }
    ShowDetails(state->file, state->launch, IconOfFile(state->file));
    // Without the menu the controls below it move up into its place and the dialog shrinks,
    // so no empty band is left.
    Dialog_CloseBand(Window(), {IDC_SAFETY_MENU, IDC_SAFETY_MENU_LABEL},
                     {IDC_SAFETY_DONT_ASK, IDOK, IDC_SAFETY_OPEN_FOLDER, IDCANCEL});
}

// A description without a menu whose command shows a document, or whose program the user
// already trusts, is started without asking; one that starts nothing at all shows its
// folder. True when it was.
bool SafetyDialog::RunAutorunAtOnce() {
    Zent_SafetyState* state = state_;
    if (state->info.verb_count > 0) return false;
    if (state->info.open[0] == '\0') {
        if (state->launch) ShowDescribedFolder(state);
        End(Zent_Safety_Run);
        return true;
    }
    WinX_Command command;
    WinX_AutorunEntry(&state->info, -1, &command);
    if (!command.viewer && !Zent_IsSafeFile(settings_, command.program, command.parameters,
                                            state->archive, state->folder))
        return false;
    // Without the launch flag the caller starts what was agreed to.
    if (state->launch) WinX_StartCommand(&command, state->tree);
    End(Zent_Safety_Run);
    return true;
}

void SafetyDialog::InitAutorun() {
    Zent_SafetyState* state = state_;
    WinX_ReadAutorun(&state->info, state->file);
    if (RunAutorunAtOnce()) return;
    Dialog_ComboAdd(Window(), IDC_SAFETY_MENU, "（標準の自動実行）");
    for (int i = 0; i < state->info.verb_count; i++)
        Dialog_ComboAdd(Window(), IDC_SAFETY_MENU, state->info.verb_text[i]);
    Dialog_ComboSelect(Window(), IDC_SAFETY_MENU, 0);
    // Without an open command the first entry shows the folder: the question names the
    // description itself.
    char shown[StrX_PathSize];
    Zent_AutorunShownFile(&state->info, shown, sizeof shown);
    bool starts = shown[0] != '\0';
    if (!starts) StdPlus_CopyN(shown, state->file, sizeof shown);
    HICON icon = nullptr;
    if (state->info.icon[0] != '\0') {
        char icon_file[StrX_PathSize];
        StdPlus_CopyN(icon_file, state->info.icon, sizeof icon_file);
        StrX_AbsFromFileDir(icon_file, sizeof icon_file, state->info.file);
        icon = ExtractFirstIcon(icon_file, state->info.icon_index);
    }
    if (icon == nullptr) icon = IconOfFile(shown);
    ShowDetails(shown, state->launch && starts, icon);
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
    return static_cast<int>(dialog.Run(IDD_SAFETY));
}
