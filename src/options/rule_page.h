#pragma once
// The auto-open rule page "自動オープン" of the options sheet: the rules as sentences in
// priority order, with new, delete and the two moves, and the selected rule's properties
// edited in place. Every change goes straight into the settings' rule list; the sheet's
// OK saves it.
#include <cstddef>

#include "settings/settings.h"
#include "shell/dialog.h"

// ---- Rules, free of any window -----------------------------------------------------------

// "setup.exe なら、レジストリ open を実行する", "それ以外なら、所属するフォルダを開く"...
char* Zent_RuleSentence(const Zent_AutoOpen* rule, char* out, size_t size);
// The file type a wildcard names, for its registry settings: "*" for "*" itself, else the
// text after the last "." without "*" and "?", at most 20 characters ("index.htm*" -> "htm").
char* Zent_RuleTypeExtension(const char* wildcard, char* out, size_t size);
// The third security entry, as the type's registry setting answers.
const char* Zent_RuleSecurityThird(bool type_confirms);

// Which control holds the command of a rule of this kind and type extension.
enum Zent_RuleCommandControl {
    Zent_RuleCommand_None,      // the kind has no command
    Zent_RuleCommand_Custom,    // the command line edit (1070)
    Zent_RuleCommand_Verbs,     // the type's registered verbs (1072)
    Zent_RuleCommand_FreeVerb,  // a verb name for every type (1076)
};
int Zent_RuleCommandControlOf(int cmd_type, const char* type_extension);
// Shown in the free verb field for the empty command: the type's default verb.
extern const char Zent_RuleDefaultVerbText[];

// What the property controls hold when they are stored into the selected rule.
struct Zent_RuleInput {
    int type;
    int security;
    int cmd_type;
    char wildcard[260];
    int shown;            // the command control the user saw (Zent_RuleCommandControl)
    char custom[256];     // the command line edit
    char verb[64];        // name of the verb chosen in the type's list; empty: none chosen
    char free_verb[256];  // the free verb field
};
// Stores the input into the rule. The command is taken from the control the user saw; a
// rule that just became a registry kind starts with "open" (the type's default verb for
// "*"), a new command line starts empty. A rule cannot become the catch-all rule, nor the
// catch-all rule anything else: the list keeps exactly its one last rule of that kind.
void Zent_RuleStore(Zent_AutoOpen* rule, const Zent_RuleInput* input);

// The list's lines as the page shows them: one rule each, with its selection. A catch-all
// rule in the last line never moves and nothing moves below it.
enum { Zent_RuleMaxLines = 512 };
struct Zent_RuleLines {
    int count;
    Zent_AutoOpen* rule[Zent_RuleMaxLines];
    bool selected[Zent_RuleMaxLines];
};
void Zent_RuleLinesOf(const Zent_AutoOpenList* list, Zent_RuleLines* lines);
// Every selected line one place up (down); a line stays where the one it would pass is
// selected and stays too, so a block at the top (bottom) keeps its place.
void Zent_RuleMoveUp(Zent_RuleLines* lines);
void Zent_RuleMoveDown(Zent_RuleLines* lines);
// Relinks the list's rules in the order of the lines.
void Zent_RuleRelink(Zent_AutoOpenList* list, const Zent_RuleLines* lines);
// The line selected after the line at removed was deleted: the next rule, which now has the
// same index, or the first when the removed one was last.
int Zent_RuleAfterDelete(int removed, int count_after);

// ---- The page ----------------------------------------------------------------------------

class Zent_RulePage : public Dialog_Page {
public:
    explicit Zent_RulePage(Zent_Settings* settings);

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;
    bool OnApply() override;

private:
    void Fill(const Zent_RuleLines& lines);
    void FillKeeping(const Zent_AutoOpen* keep);
    void ReadLines(Zent_RuleLines* lines);
    void SelectFromList();
    void ShowProperties();
    void ShowCommand(const char* type_extension);
    void StoreProperties();
    void AddRule();
    void DeleteRule();
    void Move(bool up);

    Zent_Settings* settings_;
    Zent_AutoOpen* selected_ = nullptr;
    int shown_ = Zent_RuleCommand_None;  // the command control on show
    bool filling_ = false;  // the page's own changes to its controls are not the user's
};
