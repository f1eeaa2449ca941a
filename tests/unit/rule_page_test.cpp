// The rules of the auto-open rule page, without its window: the sentences, the type a
// wildcard names, what storing the property controls does to a rule, and the moves.
#include "options/rule_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Sentence(const Zent_AutoOpen& rule) {
    char out[700];
    return Zent_RuleSentence(&rule, out, sizeof out);
}

Zent_AutoOpen Rule(int type, const char* wildcard, int cmd_type, const char* command) {
    Zent_AutoOpen rule{};
    rule.Type = type;
    rule.Security = Zent_RefReg;
    snprintf(rule.WildCard, sizeof rule.WildCard, "%s", wildcard);
    rule.CmdType = cmd_type;
    snprintf(rule.Command, sizeof rule.Command, "%s", command);
    return rule;
}

// The default rules, as lines of the page.
class RuleLines : public testing::Test {
protected:
    RuleLines() {
        Zent_DefaultAutoOpen(&list);
        Zent_RuleLinesOf(&list, &lines);
        defaults = Order();
    }
    ~RuleLines() override { Zent_FreeAutoOpen(&list); }
    void Select(std::initializer_list<int> selected) {
        for (int i = 0; i < lines.count; i++) lines.selected[i] = false;
        for (int i : selected) lines.selected[i] = true;
    }
    // The wildcards in line order, and the selected lines.
    std::vector<std::string> Order() const {
        std::vector<std::string> order;
        for (int i = 0; i < lines.count; i++) order.push_back(lines.rule[i]->WildCard);
        return order;
    }
    std::vector<int> Selected() const {
        std::vector<int> selected;
        for (int i = 0; i < lines.count; i++) {
            if (lines.selected[i]) selected.push_back(i);
        }
        return selected;
    }
    Zent_AutoOpenList list{};
    Zent_RuleLines lines;
    std::vector<std::string> defaults;
};

}  // namespace

TEST_F(RuleLines, DefaultRulesReadAsTheirSentences) {
    const char* const expected[] = {
        "autorun.inf を autorun.inf として実行する",
        "setup.exe なら、レジストリ open を実行する",
        "index.htm* なら、開いてレジストリ open を実行する",
        "readme.txt なら、開いてレジストリ open を実行する",
        "１つのファイルが *.htm* なら、レジストリ open を実行する",
        "１つのファイルが *.doc なら、レジストリ open を実行する",
        "１つのファイルが *.xls なら、レジストリ open を実行する",
        "１つのファイルが *.ppt なら、レジストリ open を実行する",
        "１つのファイルが *.pdf なら、レジストリ open を実行する",
        "１つのファイルが * なら、レジストリ open を実行する",
        "それ以外なら、所属するフォルダを開く",
    };
    ASSERT_EQ(lines.count, 11);
    for (int i = 0; i < 11; i++) EXPECT_EQ(Sentence(*lines.rule[i]), expected[i]) << i;
    // The two kinds the defaults do not use.
    EXPECT_EQ(Sentence(Rule(Zent_Match1File, "*.txt", Zent_CustomCmd, "notepad %1")),
              "*.txt が１つなら、コマンドnotepad %1 を実行する");
}

TEST(RuleTypeExtension, TheTypeAWildcardNames) {
    const char* const cases[][2] = {
        {"*", "*"},
        {"*.doc", "doc"},
        {"index.htm*", "htm"},
        {"*.?oc", "oc"},
        {"readme", ""},
        {"a.b.txt", "txt"},
        {"*.abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrst"},
    };
    for (const auto& c : cases) {
        char out[32];
        EXPECT_STREQ(Zent_RuleTypeExtension(c[0], out, sizeof out), c[1]) << c[0];
    }
}

TEST(RuleStore, CommandComesFromTheControlTheUserSaw) {
    Zent_AutoOpen rule = Rule(Zent_Match, "*.txt", Zent_RegCmd, "open");
    Zent_RuleInput in{
        Zent_Match, Zent_NoConfirm, Zent_CustomCmd, "*.txt", Zent_RuleCommand_Verbs, "", "open",
        ""};
    // Just made a command line: the verb list's choice is no command line.
    Zent_RuleStore(&rule, &in);
    EXPECT_EQ(rule.CmdType, Zent_CustomCmd);
    EXPECT_EQ(rule.Security, Zent_NoConfirm);
    EXPECT_STREQ(rule.Command, "");

    in.shown = Zent_RuleCommand_Custom;
    snprintf(in.custom, sizeof in.custom, "notepad %%1");
    Zent_RuleStore(&rule, &in);
    EXPECT_STREQ(rule.Command, "notepad %1");

    // Back to a registry verb: the command line is no verb; the type's "open" is.
    in.cmd_type = Zent_RegCmd2;
    Zent_RuleStore(&rule, &in);
    EXPECT_STREQ(rule.Command, "open");

    // For every type the free field's default entry is the empty command.
    snprintf(in.wildcard, sizeof in.wildcard, "*");
    in.shown = Zent_RuleCommand_FreeVerb;
    snprintf(in.free_verb, sizeof in.free_verb, "%s", Zent_RuleDefaultVerbText);
    Zent_RuleStore(&rule, &in);
    EXPECT_STREQ(rule.Command, "");
    EXPECT_STREQ(rule.WildCard, "*");
}

TEST(RuleStore, TheCatchAllRuleStaysTheOnlyOne) {
    // A second catch-all rule in the file would make every later load of the settings fail.
    Zent_AutoOpen rule = Rule(Zent_Match, "*.txt", Zent_RegCmd, "open");
    Zent_RuleInput in{Zent_Other, Zent_RefReg, Zent_RegCmd, "*.txt", Zent_RuleCommand_Verbs,
                      "",         "open",      ""};
    Zent_RuleStore(&rule, &in);
    EXPECT_EQ(rule.Type, Zent_Match);

    Zent_AutoOpen other = Rule(Zent_Other, "*", Zent_OpenOnly, "");
    Zent_RuleInput change{
        Zent_1File, Zent_Confirm, Zent_OpenOnly, "*", Zent_RuleCommand_None, "", "", ""};
    Zent_RuleStore(&other, &change);
    EXPECT_EQ(other.Type, Zent_Other);
}

TEST_F(RuleLines, MovesKeepTheCatchAllRuleLast) {
    // The last line does not move up, and the one before it does not move below it.
    Select({10});
    Zent_RuleMoveUp(&lines);
    EXPECT_EQ(Order(), defaults);
    Select({9});
    Zent_RuleMoveDown(&lines);
    EXPECT_EQ(Order(), defaults);
    EXPECT_TRUE(Selected().empty());

    // A block at the top stays; a line below the block moves up beside it.
    Select({0, 1, 3});
    Zent_RuleMoveUp(&lines);
    std::vector<std::string> up = defaults;
    std::swap(up[2], up[3]);
    EXPECT_EQ(Order(), up);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2}));

    // Down, the lines together: the last movable place is the one before the last line.
    Select({7, 8});
    Zent_RuleMoveDown(&lines);
    std::vector<std::string> down = up;
    std::string moved = down[9];
    down.erase(down.begin() + 9);
    down.insert(down.begin() + 7, moved);
    EXPECT_EQ(Order(), down);
    EXPECT_EQ(Selected(), (std::vector<int>{8, 9}));

    Zent_RuleRelink(&list, &lines);
    Zent_RuleLines relinked;
    Zent_RuleLinesOf(&list, &relinked);
    ASSERT_EQ(relinked.count, 11);
    for (int i = 0; i < 11; i++) EXPECT_EQ(relinked.rule[i], lines.rule[i]) << i;

    EXPECT_EQ(Zent_RuleAfterDelete(3, 10), 3);
    EXPECT_EQ(Zent_RuleAfterDelete(10, 10), 0);
    EXPECT_EQ(Zent_RuleAfterDelete(0, 0), -1);
}
