#include "floppy/floppy.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "floppy/floppy_ids.h"
#include "floppy/floppy_local.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/dialog.h"
#include "shell/progress.h"
#include "shell/winx_launch.h"

namespace {

// The bar rests empty at -20 of -20..100. The joining program fills a fifth of 0..500; the
// piece then goes on in -20..100 from about there. Other copies fill 0..100.
enum { kBarRest = -20, kBarEnd = 100, kJoinerRange = 500 };

const int kOptionIds[] = {IDC_FLOPPY_DELETE_ALL, IDC_FLOPPY_KEEP, IDC_FLOPPY_EDIT_FIRST};

// "A:\" from the drive text as the user typed or chose it.
void RootOf(const char* drive, char* root) {
    StdPlus_CopyN(root, drive, 4);
    if (root[0] != '\0' && root[1] == ':' && root[2] == '\0') strcpy(root + 2, "\\");
}

class FloppyDialog : public Dialog_Modal {
public:
    FloppyDialog(const Zent_Settings* settings, const Floppy_Source& source)
        : settings_(settings), source_(source) {
        state_ = Floppy_State{1, false, 0, source.size};
    }

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;

private:
    void FillDrives();
    void Refresh(bool forced);
    void ListContents(const char* root);
    void ApplyView(const Floppy_View& view);
    void UpdateDeleteButton();
    void SetOption(int option);

    void Execute();
    bool ConfirmClearing(const char* root, std::vector<std::string>* names);
    bool FitsWhole(const char* root, unsigned long long free);
    std::vector<std::string> StepNames(const char* root, unsigned long long free);
    bool ConfirmReplacing(const char* root, const std::vector<std::string>& names);
    void WriteStep(const char* root, const std::vector<std::string>& clear);
    bool WriteFirstDisk(const char* root, unsigned long long free);
    bool WriteNthDescription(const char* root, unsigned long long free);
    void WritePiece(const char* root);
    void Finish(const char* root);
    void StepFailed(const Errors_Record* error);

    void Explore(const char* root);
    void DeleteSelected();
    void Say(const char* text, UINT icon);
    Progress_Mirror BarFrom(int from, int to);
    void SetBarRange(int low, int high);
    Floppy_Source SourceAsItIsNow() const;

    const Zent_Settings* settings_;
    Floppy_Source source_;
    Floppy_State state_;
    char shown_drive_[StrX_PathSize] = "";
    std::string step_description_;  // written by the step under way
    bool ends_action_ = false;      // the error of the step under way ends the dialog
    bool stopped_ = false;          // the step under way stopped before its end
    bool ended_ = false;            // the dialog is ending with its job done
    // A step under way: the progress window passes on messages meant for the dialog, which
    // must not start anything meanwhile.
    bool busy_ = false;
};

// ---- The drive and what is on it -------------------------------------------------------------

void FloppyDialog::OnInit() {
    FillDrives();
    Refresh(true);
}

// Removable and fixed drives; the first removable one is chosen.
void FloppyDialog::FillDrives() {
    DWORD mask = GetLogicalDrives();
    bool chosen = false;
    for (int i = 0; i < 26; i++) {
        if ((mask & (1ul << i)) == 0) continue;
        char root[4] = {static_cast<char>('A' + i), ':', '\\', '\0'};
        UINT type = GetDriveTypeA(root);
        if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) continue;
        Dialog_ComboAdd(Window(), IDC_FLOPPY_DRIVE, root);
        if (type == DRIVE_REMOVABLE && !chosen) {
            Dialog_SetText(Window(), IDC_FLOPPY_DRIVE, root);
            chosen = true;
        }
    }
}

void FloppyDialog::Refresh(bool forced) {
    char drive[StrX_PathSize];
    Dialog_GetText(Window(), IDC_FLOPPY_DRIVE, drive, sizeof drive);
    if (!forced && strcmp(drive, shown_drive_) == 0) return;
    StdPlus_CopyN(shown_drive_, drive, sizeof shown_drive_);
    char root[4];
    RootOf(drive, root);
    bool present = drive[0] != '\0' && FileX_IsDir(drive);
    FileX_DiskSpace space{};
    if (present) FileX_GetDiskSpace(&space, root);
    Floppy_DriveKind kind = Floppy_KindOf(present, space);
    // Only a removable disk is ever cleared: a fixed one of any size counts as a hard disk.
    if (kind == Floppy_FloppySize && GetDriveTypeA(root) != DRIVE_REMOVABLE)
        kind = Floppy_LargeDrive;
    Floppy_View view = Floppy_ViewOf(state_, kind, FileX_FreeBytes(&space));
    SendMessageA(Item(IDC_FLOPPY_CONTENTS), LB_RESETCONTENT, 0, 0);
    if (view.no_content) {
        SendMessageA(Item(IDC_FLOPPY_CONTENTS), LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>("no content"));
    } else {
        ListContents(root);
    }
    ApplyView(view);
}

// Folders as " name\", files as "name  /  size".
void FloppyDialog::ListContents(const char* root) {
    HWND list = Item(IDC_FLOPPY_CONTENTS);
    for (Own_Find find((std::string(root) + "*").c_str()); find.Next();) {
        char line[StrX_PathSize + 48];
        if (find.IsDir()) {
            snprintf(line, sizeof line, " %s\\", find.Name());
        } else {
            char size[32];
            unsigned long long bytes =
                (static_cast<unsigned long long>(find.Data().nFileSizeHigh) << 32) |
                find.Data().nFileSizeLow;
            snprintf(line, sizeof line, "%s  /  %s", find.Name(),
                     Floppy_FormatSize(bytes, size, sizeof size));
        }
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }
}

void FloppyDialog::ApplyView(const Floppy_View& view) {
    HWND dialog = Window();
    Dialog_SetText(dialog, IDC_FLOPPY_DISK_LINE, view.disk_line);
    Dialog_SetText(dialog, IDC_FLOPPY_REST_LINE, view.rest_line);
    for (int option = 0; option < 3; option++)
        Dialog_Enable(dialog, kOptionIds[option], view.option_enabled[option]);
    SetOption(view.option);
    Dialog_Enable(dialog, IDOK, view.execute_enabled);
    Dialog_Enable(dialog, IDC_FLOPPY_JOINER, view.joiner_enabled);
    Dialog_Check(dialog, IDC_FLOPPY_JOINER, view.joiner_checked);
    UpdateDeleteButton();
    SetBarRange(kBarRest, kBarEnd);
    SendMessageA(Item(IDC_FLOPPY_BAR), PBM_SETPOS, static_cast<WPARAM>(kBarRest), 0);
}

void FloppyDialog::UpdateDeleteButton() {
    LRESULT selected = SendMessageA(Item(IDC_FLOPPY_CONTENTS), LB_GETSELCOUNT, 0, 0);
    Dialog_Enable(Window(), IDC_FLOPPY_DELETE_SELECTED, selected > 0);
}

void FloppyDialog::SetOption(int option) {
    for (int i = 0; i < 3; i++) Dialog_Check(Window(), kOptionIds[i], i == option);
}

// ---- 実行: one disk ----------------------------------------------------------------------------

void FloppyDialog::Execute() {
    HWND dialog = Window();
    Dialog_Enable(dialog, IDOK, false);
    char drive[StrX_PathSize], root[4];
    RootOf(Dialog_GetText(dialog, IDC_FLOPPY_DRIVE, drive, sizeof drive), root);
    // The drive box is editable and 実行 its default button: a drive typed and entered at once
    // is first shown with what it holds and what may be done on it; the next 実行 writes.
    if (strcmp(drive, shown_drive_) != 0) {
        Refresh(false);
        return;
    }
    // The user edits the disk in Explorer and presses 実行 again.
    if (Dialog_IsChecked(dialog, IDC_FLOPPY_EDIT_FIRST)) {
        Explore(root);
        SetOption(Floppy_Keep);
        Dialog_Enable(dialog, IDOK, true);
        return;
    }
    std::vector<std::string> clear;
    bool clearing = !state_.finished && Dialog_IsChecked(dialog, IDC_FLOPPY_DELETE_ALL) &&
                    GetDriveTypeA(root) == DRIVE_REMOVABLE;
    if (clearing && !ConfirmClearing(root, &clear)) {
        Dialog_Enable(dialog, IDOK, true);
        return;
    }
    bool failed = false;
    {
        Dialog_WaitCursor wait;
        busy_ = true;
        // A disk that cannot be written is said so and nothing of this step stays on it; the
        // same disk number is written next, on this disk or another.
        Except_TryCatch(
            __FILE_NAME__, __LINE__, [&] { WriteStep(root, clear); },
            [&] {
                if (ends_action_) Except_Rethrow();
                failed = true;
                StepFailed(Except_Error());
            });
        busy_ = false;
    }
    if (ended_) return;
    Refresh(true);
    Dialog_Enable(dialog, IDOK, true);
    // A step that went to its end says so, also when it asked for another disk.
    if (!failed && !stopped_) MessageBeep(MB_ICONASTERISK);
}

// Files to delete before writing, when the user agrees; folders and the MS-DOS system stay.
bool FloppyDialog::ConfirmClearing(const char* root, std::vector<std::string>* names) {
    *names = Floppy_ClearableFiles(root);
    if (names->empty()) return true;
    std::string question =
        std::string(root) + " の以下のファイルを削除または上書きします。よろしいですか？\r\n";
    for (const std::string& name : *names) question += name + "  ";
    return MessageBoxA(Window(), question.c_str(), "削除確認", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void FloppyDialog::WriteStep(const char* root, const std::vector<std::string>& clear) {
    step_description_.clear();
    ends_action_ = false;
    stopped_ = false;
    if (state_.finished) {
        Finish(root);
        return;
    }
    Floppy_DeleteFiles(root, clear);
    FileX_DiskSpace space;
    FileX_GetDiskSpace(&space, root);
    unsigned long long free = FileX_FreeBytes(&space);
    if (!ConfirmReplacing(root, StepNames(root, free))) return;
    bool piece_follows =
        state_.disk == 1 ? WriteFirstDisk(root, free) : WriteNthDescription(root, free);
    if (piece_follows) WritePiece(root);
}

// The archive fits on the first disk whole, in the place of a file of its name if need be.
bool FloppyDialog::FitsWhole(const char* root, unsigned long long free) {
    FileX_DiskSpace space;
    FileX_GetDiskSpace(&space, root);
    std::string whole = std::string(root) + source_.name;
    return static_cast<unsigned long long>(state_.remaining) <
           free + FileX_SpaceTaken(&space, whole.c_str());
}

// The names of the files this step writes on the disk.
std::vector<std::string> FloppyDialog::StepNames(const char* root, unsigned long long free) {
    if (state_.disk == 1 && FitsWhole(root, free)) return {source_.name};
    std::vector<std::string> names;
    if (state_.disk == 1 && Dialog_IsChecked(Window(), IDC_FLOPPY_JOINER))
        names.push_back("resume.exe");
    std::string number = std::to_string(state_.disk);
    names.push_back(number + ".ini");
    names.push_back(number);
    return names;
}

// Files on the disk that the step would write over were not written by this split (a failed
// or refused step leaves nothing behind): they are replaced only when the user says so.
bool FloppyDialog::ConfirmReplacing(const char* root, const std::vector<std::string>& names) {
    std::string found;
    for (const std::string& name : names) {
        if (FileX_Exists((root + name).c_str())) found += name + "  ";
    }
    if (found.empty()) return true;
    std::string question =
        std::string(root) + " にある以下のファイルを上書きします。よろしいですか？\r\n" + found;
    return MessageBoxA(Window(), question.c_str(), "上書き確認",
                       MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES;
}

// True when a piece is to follow; false when the archive was copied whole (the dialog has
// ended) or the joining program did not fit.
bool FloppyDialog::WriteFirstDisk(const char* root, unsigned long long free) {
    FileX_DiskSpace space;
    FileX_GetDiskSpace(&space, root);
    std::string whole = std::string(root) + source_.name;
    if (FitsWhole(root, free)) {
        SetBarRange(0, kBarEnd);
        Floppy_CopyWhole(whole.c_str(), source_.path, Window(), BarFrom(0, kBarEnd));
        state_.remaining = 0;
        Say("完了しました。", MB_ICONINFORMATION);
        ended_ = true;
        End(IDOK);
        return false;
    }
    if (Dialog_IsChecked(Window(), IDC_FLOPPY_JOINER)) {
        char joiner[StrX_PathSize];
        StrX_AbsFromProgramDir(joiner, "resume.exe", sizeof joiner);
        if (!FileX_Exists(joiner)) {
            ends_action_ = true;
            ERRORS_RAISE(Errors_Unofficial, "結合プログラムがありません。");
        }
        std::string target = std::string(root) + "resume.exe";
        unsigned long long needed =
            FileX_ClustersFor(&space, FileX_Size(joiner)) * FileX_ClusterSize(&space);
        if (needed > free + FileX_SpaceTaken(&space, target.c_str())) {
            Errors_Message("１枚目は %dKB 以上の空き容量が必要です。",
                           static_cast<int>(needed / 1024));
            stopped_ = true;
            return false;
        }
        // The joining program is small beside a piece: it fills a fifth of the bar.
        SetBarRange(0, kJoinerRange);
        Floppy_CopyWhole(target.c_str(), joiner, Window(), BarFrom(0, kBarEnd));
        SetBarRange(kBarRest, kBarEnd);
    } else {
        SetBarRange(0, kBarEnd);
    }
    step_description_ = Floppy_DescriptionPath(root, 1);
    Floppy_WriteDescription(root, SourceAsItIsNow(), 1, 1);
    return true;
}

// A full disk gets no piece and keeps the disk number.
bool FloppyDialog::WriteNthDescription(const char* root, unsigned long long free) {
    FileX_DiskSpace space;
    FileX_GetDiskSpace(&space, root);
    std::string description = Floppy_DescriptionPath(root, state_.disk);
    if (free + FileX_SpaceTaken(&space, description.c_str()) == 0) {
        Say("ディスクを交換してください", MB_ICONEXCLAMATION);
        return false;
    }
    step_description_ = description;
    Floppy_WriteDescription(root, source_, state_.disk, 0);
    SetBarRange(0, kBarEnd);
    return true;
}

// As much of the archive as the disk still holds, measured after the description file took
// its place. A disk with no room left for a byte gets no piece, and no description either.
void FloppyDialog::WritePiece(const char* root) {
    char piece[StrX_PathSize];
    snprintf(piece, sizeof piece, "%s%d", root, state_.disk);
    FileX_DiskSpace space;
    FileX_GetDiskSpace(&space, root);
    unsigned long long room = FileX_FreeBytes(&space) + FileX_SpaceTaken(&space, piece);
    if (room == 0) {
        DeleteFileA(step_description_.c_str());
        Say("ディスクを交換してください", MB_ICONEXCLAMATION);
        return;
    }
    long most = room < static_cast<unsigned long long>(state_.remaining) ? static_cast<long>(room)
                                                                         : state_.remaining;
    long n = Floppy_CopyPiece(piece, source_, state_.written, most, Window(), BarFrom(0, kBarEnd));
    state_.written += n;
    state_.remaining -= n;
    if (state_.remaining > 0) {
        state_.disk++;
    } else {
        state_.finished = true;
    }
}

// The first disk again: its description gets the number of disks. Any other disk is refused,
// so that no second "1.ini" appears in the set.
void FloppyDialog::Finish(const char* root) {
    if (!Floppy_IsFirstDisk(root, source_)) {
        Say("このフロッピーは 1 枚目ではありません。1 枚目のフロッピーを入れてください。",
            MB_ICONEXCLAMATION);
        return;
    }
    Floppy_Source now = SourceAsItIsNow();
    now.size = static_cast<long>(FileX_Size(source_.path));
    Floppy_WriteDescription(root, now, 1, state_.disk);
    Say("完了しました。", MB_ICONINFORMATION);
    ended_ = true;
    End(IDOK);
}

void FloppyDialog::StepFailed(const Errors_Record* error) {
    if (!step_description_.empty()) DeleteFileA(step_description_.c_str());
    if (error->code == Zent_Err_UserCancel) return;
    std::string text = error->message;
    char line[200];
    snprintf(line, sizeof line,
             "\r\n\r\n%d 枚目のフロッピーへの書きこみは完了していません。"
             "ディスクを確かめて、もう一度実行してください。",
             state_.finished ? 1 : state_.disk);
    text += line;
    MessageBoxA(Window(), text.c_str(), Floppy_Title, MB_OK | MB_ICONEXCLAMATION);
}

// ---- The other buttons ----------------------------------------------------------------------

void FloppyDialog::Explore(const char* root) {
    if (settings_->DefActOnDblClk != Zent_DefAct_AutoFold) {
        WinX_ExploreTree(root);
    } else {
        WinX_ExplorePlain(root);
    }
}

void FloppyDialog::DeleteSelected() {
    HWND list = Item(IDC_FLOPPY_CONTENTS);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    std::vector<std::string> names;
    bool folder = false;
    for (int i = 0; i < count; i++) {
        if (SendMessageA(list, LB_GETSEL, i, 0) <= 0) continue;
        char line[StrX_PathSize + 48] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        const char* end = strstr(line, "  / ");
        if (end == nullptr) {
            folder = true;
            continue;
        }
        names.emplace_back(static_cast<const char*>(line), end);
    }
    std::string question = "以下のファイルを削除します。よろしいですか？\r\n";
    for (const std::string& name : names) question += name + "  ";
    if (folder) question += "\r\n選択したフォルダは削除されません";
    if (MessageBoxA(Window(), question.c_str(), "削除確認",
                    MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) != IDYES)
        return;
    char root[4];
    RootOf(shown_drive_, root);
    Floppy_DeleteFiles(root, names);
    Refresh(true);
}

void FloppyDialog::Say(const char* text, UINT icon) {
    MessageBoxA(Window(), text, Floppy_Title, MB_OK | icon);
}

Progress_Mirror FloppyDialog::BarFrom(int from, int to) {
    return Progress_Mirror{Item(IDC_FLOPPY_BAR), from, to};
}

void FloppyDialog::SetBarRange(int low, int high) {
    SendMessageA(Item(IDC_FLOPPY_BAR), PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

// A description carries the archive's time as it is when the description is written.
Floppy_Source FloppyDialog::SourceAsItIsNow() const {
    Floppy_Source now = source_;
    FileX_Time(source_.path, &now.time);
    return now;
}

void FloppyDialog::OnCommand(int id, int code) {
    if (busy_) return;
    switch (id) {
        case IDC_FLOPPY_DRIVE:
            if (code == CBN_SELCHANGE) {
                // The edit part shows the choice only after this notification.
                char text[StrX_PathSize];
                Dialog_ComboItemText(Window(), IDC_FLOPPY_DRIVE,
                                     Dialog_ComboSelected(Window(), IDC_FLOPPY_DRIVE), text,
                                     sizeof text);
                if (text[0] != '\0') Dialog_SetText(Window(), IDC_FLOPPY_DRIVE, text);
                Refresh(false);
            } else if (code == CBN_KILLFOCUS) {
                Refresh(false);
            }
            return;
        case IDC_FLOPPY_CONTENTS:
            if (code == LBN_SELCHANGE || code == LBN_KILLFOCUS) UpdateDeleteButton();
            return;
        default:
            break;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDOK:
            Execute();
            break;
        case IDC_FLOPPY_RELOAD:
            Refresh(true);
            break;
        case IDC_FLOPPY_OPEN: {
            char drive[StrX_PathSize], root[4];
            RootOf(Dialog_GetText(Window(), IDC_FLOPPY_DRIVE, drive, sizeof drive), root);
            Explore(root);
            break;
        }
        case IDC_FLOPPY_DELETE_SELECTED:
            DeleteSelected();
            break;
        case IDC_FLOPPY_HELP:
            Dialog_OpenHelp(Window(), "index.htm#dll", Floppy_Title);
            break;
        case IDCANCEL:
            End(IDCANCEL);
            break;
        default:
            break;
    }
}

}  // namespace

bool Floppy_Divide(const Zent_Settings* settings, const char* archive, HWND owner) {
    Floppy_Source source;
    if (!Floppy_ReadSource(archive, &source, owner)) return false;
    FloppyDialog dialog(settings, source);
    return dialog.Run(IDD_FLOPPY, owner) == IDOK;
}
