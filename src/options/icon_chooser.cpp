#include "options/icon_chooser.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "options/icon_chooser_ids.h"
#include "shell/dialog.h"

const int IconChooser_CellIds[IconChooser_Cells] = {
    1000, 1009, 1018, 1027, 1001, 1010, 1019, 1028, 1002, 1011, 1020, 1031,
    1003, 1012, 1021, 1032, 1004, 1013, 1022, 1033, 1005, 1014, 1023, 1034,
    1006, 1015, 1024, 1040, 1007, 1016, 1025, 1041, 1008, 1017, 1026, 1042,
};

// ---- Rules -------------------------------------------------------------------------------

char* IconChooser_CountText(const IconChooser_State* state, char* out, size_t size) {
    snprintf(out, size, "アイコン数 = %d", state->count);
    return out;
}

char* IconChooser_PageText(const IconChooser_State* state, char* out, size_t size) {
    // (count - 1) / 36 truncates toward zero, so no icons still make one page.
    snprintf(out, size, "%d/%d", state->first / IconChooser_Cells + 1,
             (state->count - 1) / IconChooser_Cells + 1);
    return out;
}

bool IconChooser_HasPrevious(const IconChooser_State* state) {
    return state->first > 0;
}

bool IconChooser_HasNext(const IconChooser_State* state) {
    return state->first + IconChooser_Cells < state->count;
}

int IconChooser_IconOfCell(const IconChooser_State* state, int cell) {
    int icon = state->first + cell;
    return icon < state->count ? icon : -1;
}

// ---- The dialog ----------------------------------------------------------------------------

namespace {

class IconChooser : public Dialog_Modal {
public:
    IconChooser(const char (*candidates)[260], int count)
        : candidates_(candidates), candidate_count_(count) {}
    char file[StrX_PathSize] = "";
    int index = 0;

protected:
    void OnInit() override {
        for (int i = 0; i < candidate_count_; i++)
            Dialog_ComboAdd(Window(), IDC_ICONS_FILE, candidates_[i]);
        Dialog_SetText(Window(), IDC_ICONS_FILE, candidate_count_ > 0 ? candidates_[0] : "");
        ShowFrom(0);
    }

    void OnCommand(int id, int code) override {
        if (id == IDC_ICONS_FILE && code == CBN_SELCHANGE) {
            // The edit part takes the entry only after this notification.
            char entry[StrX_PathSize];
            Dialog_ComboItemText(Window(), IDC_ICONS_FILE,
                                 Dialog_ComboSelected(Window(), IDC_ICONS_FILE), entry,
                                 sizeof entry);
            Dialog_SetText(Window(), IDC_ICONS_FILE, entry);
            ShowFrom(0);
            return;
        }
        if (code != BN_CLICKED) return;  // STN_CLICKED of the cells is the same code
        switch (id) {
            case IDC_ICONS_NEXT:
                if (IconChooser_HasNext(&state_)) ShowFrom(state_.first + IconChooser_Cells);
                return;
            case IDC_ICONS_PREVIOUS:
                if (IconChooser_HasPrevious(&state_)) ShowFrom(state_.first - IconChooser_Cells);
                return;
            case IDC_ICONS_LOAD:
                ShowFrom(0);
                return;
            case IDC_ICONS_BROWSE:
                Browse();
                return;
            case IDCANCEL:
                End(IDCANCEL);
                return;
        }
        for (int cell = 0; cell < IconChooser_Cells; cell++) {
            if (IconChooser_CellIds[cell] != id) continue;
            Dialog_GetText(Window(), IDC_ICONS_FILE, file, sizeof file);
            index = state_.first + cell;
            End(IDOK);
            return;
        }
    }

private:
    void ShowFrom(int first) {
        Dialog_WaitCursor wait;
        char path[StrX_PathSize];
        Dialog_GetText(Window(), IDC_ICONS_FILE, path, sizeof path);
        state_.first = first;
        state_.count = static_cast<int>(ExtractIconExA(path, -1, nullptr, nullptr, 0));
        char text[64];
        Dialog_SetText(Window(), IDC_ICONS_COUNT,
                       IconChooser_CountText(&state_, text, sizeof text));
        Dialog_SetText(Window(), IDC_ICONS_PAGE, IconChooser_PageText(&state_, text, sizeof text));
        for (int cell = 0; cell < IconChooser_Cells; cell++) {
            HICON icon = nullptr;
            int shown = IconChooser_IconOfCell(&state_, cell);
            if (shown >= 0) ExtractIconExA(path, shown, &icon, nullptr, 1);
            SendDlgItemMessageA(Window(), IconChooser_CellIds[cell], STM_SETICON,
                                reinterpret_cast<WPARAM>(icon), 0);
            icons_[cell].Reset(icon);
        }
        Dialog_Enable(Window(), IDC_ICONS_PREVIOUS, IconChooser_HasPrevious(&state_));
        Dialog_Enable(Window(), IDC_ICONS_NEXT, IconChooser_HasNext(&state_));
    }

    void Browse() {
        char current[StrX_PathSize];
        Dialog_GetText(Window(), IDC_ICONS_FILE, current, sizeof current);
        char chosen[StrX_PathSize];
        StrX_ParentDir(chosen, current);
        StrX_Join(chosen, "icon");
        static const char kFilter[] =
            "アイコンファイル(.ico, .exe, .dll)\0*.ico;*.cur;*.exe;*.dll\0"
            "すべてのファイル (*.*)\0*.*\0";
        OPENFILENAMEA open{};
        open.lStructSize = sizeof open;
        open.hwndOwner = Window();
        open.lpstrFilter = kFilter;
        open.lpstrFile = chosen;
        open.nMaxFile = sizeof chosen;
        open.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
        if (!GetOpenFileNameA(&open)) return;
        Dialog_SetText(Window(), IDC_ICONS_FILE, chosen);
        ShowFrom(0);
    }

    const char (*candidates_)[260];
    int candidate_count_;
    IconChooser_State state_{};
    Own_Icon icons_[IconChooser_Cells];
};

}  // namespace

bool Options_ChooseIcon(HWND owner, const char (*candidates)[260], int count, char* file,
                        int* index) {
    IconChooser chooser(candidates, count);
    if (chooser.Run(IDD_ICON_CHOOSER, owner) != IDOK) return false;
    StdPlus_CopyN(file, chooser.file, StrX_PathSize);
    *index = chooser.index;
    return true;
}
