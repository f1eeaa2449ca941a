#include "options/rule_page.h"

#include <strings.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "options/rule_page_ids.h"
#include "options/sheet.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_filetype.h"

// ---- Rules -------------------------------------------------------------------------------

const char Zent_RuleDefaultVerbText[] = "標準（ダブルクリック）";

char* Zent_RuleSentence(const Zent_AutoOpen* rule, char* out, size_t size) {
    char condition[300];
    switch (rule->Type) {
        case Zent_Match1File:
            snprintf(condition, sizeof condition, "%s が１つ", rule->WildCard);
            break;
        case Zent_1File:
            snprintf(condition, sizeof condition, "１つのファイルが %s ", rule->WildCard);
            break;
        case Zent_Other:
            snprintf(condition, sizeof condition, "それ以外");
            break;
        default:
            snprintf(condition, sizeof condition, "%s ", rule->WildCard);
            break;
    }
    switch (rule->CmdType) {
        case Zent_OpenOnly:
            snprintf(out, size, "%sなら、所属するフォルダを開く", condition);
            break;
        case Zent_RegCmd2:
            snprintf(out, size, "%sなら、開いてレジストリ %s を実行する", condition, rule->Command);
            break;
        case Zent_CustomCmd:
            snprintf(out, size, "%sなら、コマンド%s を実行する", condition, rule->Command);
            break;
        case Zent_AutoRunInf:
            snprintf(out, size, "%sを autorun.inf として実行する", condition);
            break;
        default:
            snprintf(out, size, "%sなら、レジストリ %s を実行する", condition, rule->Command);
            break;
    }
    return out;
}

char* Zent_RuleTypeExtension(const char* wildcard, char* out, size_t size) {
    if (strcmp(wildcard, "*") == 0) return StdPlus_CopyN(out, "*", size);
    const char* dot = strrchr(wildcard, '.');
    char ext[21];
    StdPlus_CopyN(ext, dot != nullptr ? dot + 1 : "", sizeof ext);
    size_t n = 0;
    for (const char* c = ext; *c != '\0'; c++) {
        if (*c != '*' && *c != '?') ext[n++] = *c;
    }
    ext[n] = '\0';
    return StdPlus_CopyN(out, ext, size);
}

const char* Zent_RuleSecurityThird(bool type_confirms) {
    return type_confirms ? "ダウンロード時と同じ（確認する）"
                         : "ダウンロード時と同じ（確認しない）";
}

static bool IsRegistryKind(int cmd_type) {
    return cmd_type == Zent_RegCmd || cmd_type == Zent_RegCmd2;
}

int Zent_RuleCommandControlOf(int cmd_type, const char* type_extension) {
    if (cmd_type == Zent_CustomCmd) return Zent_RuleCommand_Custom;
    if (!IsRegistryKind(cmd_type)) return Zent_RuleCommand_None;
    return strcmp(type_extension, "*") == 0 ? Zent_RuleCommand_FreeVerb : Zent_RuleCommand_Verbs;
}

static void StoreCommand(Zent_AutoOpen* rule, int old_cmd_type, const Zent_RuleInput* in) {
    const char* command = rule->Command;
    if (in->cmd_type == Zent_CustomCmd) {
        command = in->shown == Zent_RuleCommand_Custom ? in->custom : "";
    } else if (IsRegistryKind(in->cmd_type)) {
        bool every_type = strcmp(in->wildcard, "*") == 0;
        if (every_type && in->shown == Zent_RuleCommand_FreeVerb) {
            command = strcmp(in->free_verb, Zent_RuleDefaultVerbText) == 0 ? "" : in->free_verb;
        } else if (!every_type && in->shown == Zent_RuleCommand_Verbs && in->verb[0] != '\0') {
            command = in->verb;
        } else if (!IsRegistryKind(old_cmd_type)) {
            command = every_type ? "" : "open";
        }
    }
    if (command != rule->Command) StdPlus_CopyN(rule->Command, command, sizeof rule->Command);
}

void Zent_RuleStore(Zent_AutoOpen* rule, const Zent_RuleInput* in) {
    if (rule->Type != Zent_Other && in->type >= Zent_Match && in->type < Zent_Other)
        rule->Type = in->type;
    StdPlus_CopyN(rule->WildCard, in->wildcard, sizeof rule->WildCard);
    if (in->security >= Zent_Confirm && in->security <= Zent_RefReg) rule->Security = in->security;
    int old_cmd_type = rule->CmdType;
    if (in->cmd_type >= Zent_OpenOnly && in->cmd_type <= Zent_AutoRunInf)
        rule->CmdType = in->cmd_type;
    Zent_RuleInput input = *in;
    input.cmd_type = rule->CmdType;
    StoreCommand(rule, old_cmd_type, &input);
}

void Zent_RuleLinesOf(const Zent_AutoOpenList* list, Zent_RuleLines* lines) {
    lines->count = 0;
    for (Zent_AutoOpen* rule = list->first; rule != nullptr && lines->count < Zent_RuleMaxLines;
         rule = rule->next) {
        lines->rule[lines->count] = rule;
        lines->selected[lines->count] = false;
        lines->count++;
    }
}

static void Swap(Zent_RuleLines* lines, int a, int b) {
    Zent_AutoOpen* rule = lines->rule[a];
    lines->rule[a] = lines->rule[b];
    lines->rule[b] = rule;
    bool selected = lines->selected[a];
    lines->selected[a] = lines->selected[b];
    lines->selected[b] = selected;
}

static bool LastIsFixed(const Zent_RuleLines* lines) {
    return lines->count > 0 && lines->rule[lines->count - 1]->Type == Zent_Other;
}

void Zent_RuleMoveUp(Zent_RuleLines* lines) {
    int n = lines->count;
    if (n <= 1) return;
    int movable = n;
    if (LastIsFixed(lines)) {
        lines->selected[n - 1] = false;
        movable = n - 1;
    }
    for (int i = 1; i < movable; i++) {
        if (lines->selected[i] && !lines->selected[i - 1]) Swap(lines, i, i - 1);
    }
}

void Zent_RuleMoveDown(Zent_RuleLines* lines) {
    int n = lines->count;
    if (n <= 1) return;
    int movable = n;
    if (LastIsFixed(lines)) {
        lines->selected[n - 2] = false;
        movable = n - 1;
    }
    for (int i = movable - 2; i >= 0; i--) {
        if (lines->selected[i] && !lines->selected[i + 1]) Swap(lines, i, i + 1);
    }
}

void Zent_RuleRelink(Zent_AutoOpenList* list, const Zent_RuleLines* lines) {
    Zent_AutoOpen** link = &list->first;
    for (int i = 0; i < lines->count; i++) {
        *link = lines->rule[i];
        link = &lines->rule[i]->next;
    }
    *link = nullptr;
}

int Zent_RuleAfterDelete(int removed, int count_after) {
    if (count_after <= 0) return -1;
    return removed < count_after ? removed : 0;
}

// ---- The page ----------------------------------------------------------------------------

namespace {

const char* const kMatchTexts[] = {"一致するファイルがあるとき", "一致するファイルが１つのとき",
                                   "ファイルが１つだけで一致するとき", "それ以外"};
const char* const kSecurityTexts[] = {"確認する", "確認しない", "ダウンロード時と同じ"};
const char* const kCommandTexts[] = {"所属するフォルダを開く", "レジストリのコマンドを実行",
                                     "開いてレジストリのコマンドを実行", "コマンドを実行",
                                     "autorun.inf として実行"};
const char* const kFreeVerbs[] = {Zent_RuleDefaultVerbText, "open", "edit", "print"};
const int kPropertyControls[] = {IDC_RULE_MATCH,    IDC_RULE_WILDCARD, IDC_RULE_SECURITY,
                                 IDC_RULE_CMDTYPE,  IDC_RULE_COMMAND,  IDC_RULE_VERBS,
                                 IDC_RULE_FREE_VERB};
const int kCommandLabel = 1073;

enum { kMaxVerbs = 32 };
// The verbs listed in 1072, by name, in the order of the list's entries.
char g_verb_names[kMaxVerbs][64];
int g_verb_count;

// A menu text without its access-key marks ("開く(&O)" -> "開く(O)"). "&" is never the
// second byte of a double-byte character, so bytes can be dropped one by one.
void VerbLabel(const char* menu, char* out, size_t size) {
    size_t n = 0;
    for (const char* c = menu; *c != '\0' && n + 1 < size; c++) {
        if (*c != '&') out[n++] = *c;
    }
    out[n] = '\0';
}

}  // namespace

Zent_RulePage::Zent_RulePage(Zent_Settings* settings)
    : Dialog_Page(IDD_RULE_PAGE), settings_(settings) {}

void Zent_RulePage::OnInit() {
    HWND page = Window();
    Dialog_ComboFill(page, IDC_RULE_MATCH, kMatchTexts);
    Dialog_ComboFill(page, IDC_RULE_SECURITY, kSecurityTexts);
    Dialog_ComboFill(page, IDC_RULE_CMDTYPE, kCommandTexts);
    Dialog_ComboFill(page, IDC_RULE_FREE_VERB, kFreeVerbs);
    SendDlgItemMessageA(page, IDC_RULE_WILDCARD, EM_LIMITTEXT, 259, 0);
    SendDlgItemMessageA(page, IDC_RULE_COMMAND, EM_LIMITTEXT, 255, 0);
    Dialog_ComboLimit(page, IDC_RULE_FREE_VERB, 255);
    selected_ = nullptr;
    Zent_RuleLines lines;
    Zent_RuleLinesOf(&settings_->AutoOpen, &lines);
    Fill(lines);
    ShowProperties();
}

void Zent_RulePage::Fill(const Zent_RuleLines& lines) {
    HWND list = Item(IDC_RULE_LIST);
    filling_ = true;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < lines.count; i++) {
        char sentence[700];
        Zent_RuleSentence(lines.rule[i], sentence, sizeof sentence);
        LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)sentence);
        SendMessageA(list, LB_SETITEMDATA, at, (LPARAM)lines.rule[i]);
        if (lines.selected[i]) SendMessageA(list, LB_SETSEL, TRUE, at);
        if (lines.rule[i] == selected_) SendMessageA(list, LB_SETCARETINDEX, at, FALSE);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    filling_ = false;
}

void Zent_RulePage::FillKeeping(const Zent_AutoOpen* keep) {
    Zent_RuleLines lines;
    Zent_RuleLinesOf(&settings_->AutoOpen, &lines);
    for (int i = 0; i < lines.count; i++) lines.selected[i] = lines.rule[i] == keep;
    Fill(lines);
}

// The lines as the list shows them now, with the user's selection.
void Zent_RulePage::ReadLines(Zent_RuleLines* lines) {
    HWND list = Item(IDC_RULE_LIST);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    lines->count = 0;
    for (int i = 0; i < count && i < Zent_RuleMaxLines; i++) {
        lines->rule[i] = reinterpret_cast<Zent_AutoOpen*>(SendMessageA(list, LB_GETITEMDATA, i, 0));
        lines->selected[i] = SendMessageA(list, LB_GETSEL, i, 0) > 0;
        lines->count++;
    }
}

void Zent_RulePage::SelectFromList() {
    HWND list = Item(IDC_RULE_LIST);
    int caret = static_cast<int>(SendMessageA(list, LB_GETCARETINDEX, 0, 0));
    Zent_RuleLines lines;
    ReadLines(&lines);
    selected_ = nullptr;
    if (caret >= 0 && caret < lines.count && lines.selected[caret]) {
        selected_ = lines.rule[caret];
    } else {
        for (int i = 0; i < lines.count && selected_ == nullptr; i++) {
            if (lines.selected[i]) selected_ = lines.rule[i];
        }
    }
    ShowProperties();
}

void Zent_RulePage::ShowProperties() {
    HWND page = Window();
    for (int id : kPropertyControls) Dialog_Enable(page, id, selected_ != nullptr);
    if (selected_ == nullptr) return;
    const Zent_AutoOpen* rule = selected_;
    char ext[32];
    Zent_RuleTypeExtension(rule->WildCard, ext, sizeof ext);
    filling_ = true;
    // The catch-all rule stays what it is; no other rule may become one.
    Dialog_Enable(page, IDC_RULE_MATCH, rule->Type != Zent_Other);
    Dialog_ComboSelect(page, IDC_RULE_MATCH, rule->Type);
    Dialog_SetText(page, IDC_RULE_WILDCARD, rule->WildCard);
    Dialog_ComboReplace(page, IDC_RULE_SECURITY, 2,
                        Zent_RuleSecurityThird(WinX_TypeConfirmsOpen(ext)));
    Dialog_ComboSelect(page, IDC_RULE_SECURITY, rule->Security);
    Dialog_ComboSelect(page, IDC_RULE_CMDTYPE, rule->CmdType);
    ShowCommand(ext);
    filling_ = false;
}

void Zent_RulePage::ShowCommand(const char* ext) {
    HWND page = Window();
    const Zent_AutoOpen* rule = selected_;
    Dialog_SetText(page, IDC_RULE_COMMAND, rule->Command);
    Dialog_SetText(page, IDC_RULE_FREE_VERB,
                   rule->Command[0] != '\0' ? rule->Command : Zent_RuleDefaultVerbText);
    Dialog_ComboClear(page, IDC_RULE_VERBS);
    g_verb_count = 0;
    if (ext[0] != '\0' && strcmp(ext, "*") != 0) {
        static WinX_VerbInfo records[kMaxVerbs];  // about 33 KB: kept off the stack
        int default_index = -1;
        int count = WinX_ListVerbs(ext, records, kMaxVerbs, false, &default_index);
        for (int i = 0; i < count; i++) {
            char label[64];
            VerbLabel(records[i].menu, label, sizeof label);
            Dialog_ComboAdd(page, IDC_RULE_VERBS, label);
            StdPlus_CopyN(g_verb_names[i], records[i].name, sizeof g_verb_names[i]);
            if (strcasecmp(records[i].name, rule->Command) == 0)
                Dialog_ComboSelect(page, IDC_RULE_VERBS, i);
        }
        g_verb_count = count;
    }
    shown_ = Zent_RuleCommandControlOf(rule->CmdType, ext);
    Dialog_Show(page, IDC_RULE_COMMAND, shown_ == Zent_RuleCommand_Custom);
    Dialog_Show(page, IDC_RULE_VERBS, shown_ == Zent_RuleCommand_Verbs);
    Dialog_Show(page, IDC_RULE_FREE_VERB, shown_ == Zent_RuleCommand_FreeVerb);
    Dialog_Show(page, kCommandLabel, shown_ != Zent_RuleCommand_None);
}

void Zent_RulePage::StoreProperties() {
    if (selected_ == nullptr || filling_) return;
    HWND page = Window();
    Zent_RuleInput in{};
    in.type = Dialog_ComboSelected(page, IDC_RULE_MATCH);
    in.security = Dialog_ComboSelected(page, IDC_RULE_SECURITY);
    in.cmd_type = Dialog_ComboSelected(page, IDC_RULE_CMDTYPE);
    Dialog_GetText(page, IDC_RULE_WILDCARD, in.wildcard, sizeof in.wildcard);
    in.shown = shown_;
    Dialog_GetText(page, IDC_RULE_COMMAND, in.custom, sizeof in.custom);
    Dialog_GetText(page, IDC_RULE_FREE_VERB, in.free_verb, sizeof in.free_verb);
    int verb = Dialog_ComboSelected(page, IDC_RULE_VERBS);
    if (verb >= 0 && verb < g_verb_count)
        StdPlus_CopyN(in.verb, g_verb_names[verb], sizeof in.verb);
    Zent_RuleStore(selected_, &in);
    Changed();
    FillKeeping(selected_);
    ShowProperties();
}

void Zent_RulePage::AddRule() {
    Changed();
    Zent_AutoOpen* rule = Zent_NewAutoOpen();
    Zent_AddAutoOpen(&settings_->AutoOpen, rule);
    selected_ = rule;
    FillKeeping(rule);
    ShowProperties();
    HWND wildcard = Item(IDC_RULE_WILDCARD);
    SetFocus(wildcard);
    SendMessageA(wildcard, EM_SETSEL, 0, -1);
}

void Zent_RulePage::DeleteRule() {
    if (selected_ == nullptr || selected_->Type == Zent_Other) return;
    Zent_RuleLines lines;
    Zent_RuleLinesOf(&settings_->AutoOpen, &lines);
    int removed = 0;
    while (removed < lines.count && lines.rule[removed] != selected_) removed++;
    Changed();
    Zent_RemoveAutoOpen(&settings_->AutoOpen, selected_);
    Zent_RuleLinesOf(&settings_->AutoOpen, &lines);
    int next = Zent_RuleAfterDelete(removed, lines.count);
    selected_ = next >= 0 ? lines.rule[next] : nullptr;
    FillKeeping(selected_);
    ShowProperties();
}

void Zent_RulePage::Move(bool up) {
    Zent_RuleLines lines;
    ReadLines(&lines);
    if (lines.count <= 1) return;
    if (up) {
        Zent_RuleMoveUp(&lines);
    } else {
        Zent_RuleMoveDown(&lines);
    }
    Zent_RuleRelink(&settings_->AutoOpen, &lines);
    Changed();
    Fill(lines);
}

void Zent_RulePage::OnCommand(int id, int code) {
    if (filling_) return;
    switch (id) {
        case IDC_RULE_LIST:
            if (code == LBN_SELCHANGE) SelectFromList();
            break;
        case IDC_RULE_MATCH:
        case IDC_RULE_SECURITY:
        case IDC_RULE_CMDTYPE:
        case IDC_RULE_VERBS:
            if (code == CBN_SELCHANGE) StoreProperties();
            break;
        case IDC_RULE_FREE_VERB:
            if (code == CBN_KILLFOCUS) StoreProperties();
            break;
        case IDC_RULE_WILDCARD:
        case IDC_RULE_COMMAND:
            if (code == EN_KILLFOCUS) StoreProperties();
            break;
        case IDC_RULE_NEW:
            if (code == BN_CLICKED) AddRule();
            break;
        case IDC_RULE_DELETE:
            if (code == BN_CLICKED) DeleteRule();
            break;
        case IDC_RULE_UP:
        case IDC_RULE_DOWN:
            if (code == BN_CLICKED) Move(id == IDC_RULE_UP);
            break;
        default:
            break;
    }
}

bool Zent_RulePage::OnApply() {
    Options_Save(Window(), settings_);
    return true;
}
