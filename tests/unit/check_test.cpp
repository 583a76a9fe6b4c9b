// The program checker: token places that agree with the interpreter's
// splitter, findings at the right line and column, the scoping of builtin
// arguments, and the source line shown under a report.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "check/checker.h"
#include "check/placed_text.h"
#include "lex/excerpt.h"
#include "lex/splitter.h"

namespace {

using namespace zirn;
using check::Finding;
using check::Rule;

// "LINE:COL-END rule" for every finding, in order.
std::vector<std::string> places(std::string_view program)
{
    std::vector<std::string> out;
    for (const Finding& finding : check::check_program(program)) {
        out.push_back(std::to_string(finding.line) + ":" + std::to_string(finding.column) + "-" +
                      std::to_string(finding.end_column) + " " + std::string(finding.rule_name()));
    }
    return out;
}

std::vector<std::string> rules(std::string_view program)
{
    std::vector<std::string> out;
    for (const Finding& finding : check::check_program(program)) out.emplace_back(finding.rule_name());
    return out;
}

using Names = std::vector<std::string>;

TEST(PlacedTextTest, TokensAndPlacesAgreeWithTheSplitter)
{
    const std::vector<std::string> texts = {
        "",
        "a  b",
        "x = 1 \n",
        "  a\n\t  b c\n\n",
        "f = {\n    print x\n}\ny = (a (b) c) d",
        "s = \"a b\nc\" 'it''s' }) a",
        "\n\n  \t\nx\r\n y",
    };
    for (const std::string& text : texts) {
        const lex::StatementList expected = lex::split_statements(text);
        const auto placed = check::split_placed(text, 0, text.size());
        ASSERT_EQ(placed.size(), expected.size()) << text;
        for (std::size_t s = 0; s < expected.size(); ++s) {
            ASSERT_EQ(placed[s].tokens.size(), expected[s].size()) << text;
            for (std::size_t t = 0; t < expected[s].size(); ++t) {
                EXPECT_EQ(placed[s].tokens[t].text, expected[s][t]) << text;
                EXPECT_EQ(text.substr(placed[s].tokens[t].offset, expected[s][t].size()), expected[s][t]) << text;
            }
        }
    }
    // A piece of a larger text keeps offsets into the whole.
    const std::string whole = "f = {\n  a = 1\n}";
    const auto inside = check::split_placed(whole, 5, whole.size() - 6);
    ASSERT_EQ(inside.size(), 3u);
    ASSERT_EQ(inside[1].words.size(), 3u);
    EXPECT_EQ(inside[1].words[0].offset, 8u);
    EXPECT_EQ(inside[1].words[2].text, "1");
}

TEST(PlacedTextTest, LinesAndColumnsCountFromOne)
{
    const check::LineMap lines("ab\n\ncd");
    EXPECT_EQ(lines.line_of(0), 1u);
    EXPECT_EQ(lines.column_of(1), 2u);
    EXPECT_EQ(lines.line_of(2), 1u);  // the line feed ends its line
    EXPECT_EQ(lines.line_of(3), 2u);
    EXPECT_EQ(lines.line_of(5), 3u);
    EXPECT_EQ(lines.column_of(5), 2u);
    EXPECT_EQ(lines.line_end(4), 6u);
}

TEST(CheckerTest, FindingsSitUnderTheWordsTheyAreAbout)
{
    EXPECT_EQ(places("x = 1 + 2"), Names{"1:7-10 ignored-words"});
    EXPECT_EQ(places("y = 1\n  y == 5"), Names{"2:5-7 not-assignment"});
    EXPECT_EQ(places("f = {\n\tn = 3000000000\n}"), Names{"2:6-16 integer-range"});
    // A finding about a word that spans lines ends with its first line.
    EXPECT_EQ(places("x = 1 \"a\nb\""), Names{"1:7-9 ignored-words"});
    // Text left open: at the bracket that stays open, also inside a block
    // (where parentheses do not count until the block runs).
    EXPECT_EQ(places("a = 1\nf = {\n  b = 1\n"), Names{"2:5-6 unbalanced"});
    EXPECT_EQ(places("a = 1\nf = {\n  b = (1\n}"), Names{"3:7-8 unbalanced"});
}

TEST(CheckerTest, CorrectStatementsOfEveryShapeGiveNothing)
{
    const std::string program =
        "#!/usr/bin/env zirn\n"
        "list l\nadd l 1\nindex l 0 first\nwhere l 1 at\nremove l 0\n"
        "x = (1 + 2)\nx += 1\nx -= (x * 2)\n(point) = 5\n"
        "f = {\n    y = arg0\n    compare (y > 1) {\n        end $f$((y - 1))\n    }\n    end y\n}\n"
        "each ($range$(3)) {\n    $print$(element)\n}\n"
        "until (x < 10) {\n    x += 1\n}\n"
        "also 'math'\nexec \"z = 1\"\n$print$(\"a\" \"nah\")\n$input$()\n$input\n"
        "s = \"smile :)\"\nend";
    EXPECT_EQ(places(program), Names{});
}

TEST(CheckerTest, BlocksThatNeverRunAreNotes)
{
    EXPECT_EQ(rules("compare (0) {\n  # it's a note, x == 5 (\n}"), Names{});
    EXPECT_EQ(rules("until 0 {\n  while\n}"), Names{});
    // A condition that may hold is looked into.
    EXPECT_EQ(rules("compare (x) {\n  # note\n}"), Names{"comment"});
    EXPECT_EQ(rules("each (0) {\n  # note\n}"), Names{"comment"});
}

TEST(CheckerTest, ArgumentsInsideABuiltinAreItsOwnUpToItsArgumentCount)
{
    // Only inside a function: elsewhere no argN is the function's.
    EXPECT_EQ(rules("$print$(arg0)"), Names{});
    EXPECT_EQ(rules("f = {\n  $print$(arg0)\n}"), Names{"arg-in-builtin"});
    // print has one argument here: arg1 is still the function's own.
    EXPECT_EQ(rules("f = {\n  $print$(arg1)\n}"), Names{});
    EXPECT_EQ(rules("f = {\n  $print$(arg1 \"n\")\n}"), Names{"arg-in-builtin"});
    // A user call inside a builtin's argument still sees the builtin's.
    EXPECT_EQ(rules("f = {\n  $print$($g$(arg0))\n}"), Names{"arg-in-builtin"});
    EXPECT_EQ(rules("f = {\n  x = $g$(arg0)\n}"), Names{});
    // Inside a block in a function too; arg00 is another name.
    EXPECT_EQ(rules("f = {\n  compare (1) {\n    $size$(arg0)\n  }\n}"), Names{"arg-in-builtin"});
    EXPECT_EQ(rules("f = {\n  $print$(arg00)\n}"), Names{});
}

TEST(CheckerTest, EmptyArgumentsOnlyWhereTheyAreRead)
{
    EXPECT_EQ(rules("$input$()\n$werhatdasgemacht$()"), Names{});
    EXPECT_EQ(rules("$print$()"), Names{"empty-argument"});
    EXPECT_EQ(rules("$f$(1  2)"), Names{"empty-argument"});
    // An empty operand stops the reading: nothing after it is looked at.
    EXPECT_EQ(rules("x = ( 1 foo 2)"), Names{"empty-operand"});
    // A blank before the closing parenthesis is harmless.
    EXPECT_EQ(rules("x = (1 + 2 )"), Names{});
}

TEST(CheckerTest, MixedOperatorsOnlyWhereLeftToRightReadsDifferently)
{
    EXPECT_EQ(rules("x = (1 + 2 * 3)"), Names{"mixed-operators"});
    EXPECT_EQ(rules("x = (a == 1 or b == 2)"), Names{"mixed-operators"});
    EXPECT_EQ(rules("x = (1 * 2 + 3)\ny = (a - b - c)\nz = (a < b and c)\nw = (not a == 1)"), Names{});
    // One finding per expression, however many operators follow.
    EXPECT_EQ(rules("x = (1 + 2 * 3 * 4 / 5)"), Names{"mixed-operators"});
}

TEST(CheckerTest, IntegerLiteralsAtTheEdgesOfThirtyTwoBits)
{
    EXPECT_EQ(rules("a = 2147483647\nb = -2147483648\nc = 0000000000002\nd = 12abc\ne = 99999999999.5"), Names{});
    EXPECT_EQ(rules("a = 2147483648"), Names{"integer-range"});
    EXPECT_EQ(rules("b = -2147483649"), Names{"integer-range"});
    EXPECT_EQ(rules("c = 99999999999999999999999x"), Names{"integer-range"});
}

TEST(CheckerTest, TextThatCannotBeSplitNamesTheOpeningAndACause)
{
    const std::vector<Finding> findings = check::check_program("x = 1\n$print$(\")\")");
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].rule, Rule::BracketInString);
    EXPECT_EQ(findings[0].column, 10u);
    EXPECT_EQ(findings[1].rule, Rule::Unbalanced);
    EXPECT_EQ(findings[1].column, 11u);
    EXPECT_NE(findings[1].message.find("(2:11)"), std::string::npos) << findings[1].message;
    // An apostrophe inside a word starts no string.
    EXPECT_EQ(rules("f = {\n  don't\n"), Names{"unbalanced"});
    // Inside a function, text left open fails when the function runs.
    EXPECT_EQ(rules("f = {\n  x = \"open\n}\n"), Names{"unbalanced"});
}

TEST(CheckerTest, EveryRuleHasANameAnExplanationAndAFix)
{
    std::set<std::string_view> names;
    for (const check::RuleInfo& info : check::rule_table) {
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
        EXPECT_FALSE(info.explanation.empty()) << info.name;
        EXPECT_FALSE(info.fix.empty()) << info.name;
        EXPECT_EQ(&check::rule_info(info.rule), &info);
    }
}

TEST(CheckerTest, FindingsAreFormattedAsEditorsReadThem)
{
    Finding finding;
    finding.line = 3;
    finding.column = 5;
    finding.severity = check::Severity::Error;
    finding.rule = Rule::Comment;
    finding.message = "no comments";
    EXPECT_EQ(check::format_finding("a.ZIRN", finding), "a.ZIRN:3:5: error: no comments [comment]");
    finding.severity = check::Severity::Warning;
    EXPECT_EQ(check::format_finding("-e", finding), "-e:3:5: warning: no comments [comment]");
}

TEST(ExcerptTest, TheLineWithACaretUnderTheQuotedPiece)
{
    const std::string text = "a = 1\n\tend (w * heigth)\n";
    EXPECT_EQ(lex::excerpt_for_message(text, 2, "stoi: 'heigth' is not a number"),
              "    2 | \tend (w * heigth)\n"
              "      | \t         ^^^^^^\n");
    // Nothing quoted, or not on that line: the line alone.
    EXPECT_EQ(lex::excerpt_for_message(text, 1, "index out of range"), "    1 | a = 1\n");
    EXPECT_EQ(lex::excerpt_for_message(text, 1, "stoi: 'heigth'"), "    1 | a = 1\n");
    // A line the text does not have gives nothing.
    EXPECT_EQ(lex::source_excerpt(text, 9, 1), "");
    EXPECT_EQ(lex::source_excerpt(text, 0, 1), "");
    // The caret never runs past the line.
    EXPECT_EQ(lex::source_excerpt("abc", 1, 3, 10), "    1 | abc\n      |   ^\n");
    EXPECT_EQ(lex::quoted_piece("stoi: 'abcdef...' is not"), "abcdef");
    EXPECT_EQ(lex::quoted_piece("nothing quoted"), "");
    EXPECT_EQ(lex::quoted_piece("one ' quote"), "");
    EXPECT_EQ(lex::quoted_piece("' ' is not a statement"), "");
}

TEST(CommandLineTest, CheckTakesFilesOrOneTextAndWarningModes)
{
    using app::Action;
    const auto parse = [](std::vector<std::string> words) {
        words.insert(words.begin(), "zirn");
        return app::parse_command_line(words);
    };
    const app::CommandLine files = parse({"--check", "a.ZIRN", "b.ZIRN"});
    EXPECT_EQ(files.action, Action::Check);
    EXPECT_FALSE(files.check_text);
    EXPECT_EQ(files.arguments, (std::vector<std::string>{"a.ZIRN", "b.ZIRN"}));
    EXPECT_FALSE(files.warnings.has_value());

    const app::CommandLine text = parse({"-W", "error", "--check", "-e", "x = 1"});
    EXPECT_EQ(text.action, Action::Check);
    EXPECT_TRUE(text.check_text);
    EXPECT_EQ(text.program, "x = 1");
    EXPECT_EQ(text.warnings, app::WarningMode::Error);
    EXPECT_EQ(parse({"--check", "-W", "none", "a"}).warnings, app::WarningMode::None);
    EXPECT_EQ(parse({"--check", "--", "-odd"}).arguments, std::vector<std::string>{"-odd"});

    EXPECT_EQ(parse({"--check"}).action, Action::Misuse);
    EXPECT_EQ(parse({"--check", "-e"}).action, Action::Misuse);
    EXPECT_EQ(parse({"--check", "-e", "x", "a.ZIRN"}).action, Action::Misuse);
    EXPECT_EQ(parse({"--check", "-x", "a.ZIRN"}).action, Action::Misuse);
    EXPECT_EQ(parse({"-W", "loud", "a.ZIRN"}).action, Action::Misuse);
    EXPECT_EQ(parse({"-W"}).action, Action::Misuse);
    // -W before a program is kept for it.
    const app::CommandLine run = parse({"-W", "all", "prog.ZIRN", "-W"});
    EXPECT_EQ(run.action, Action::RunFile);
    EXPECT_EQ(run.warnings, app::WarningMode::All);
    EXPECT_EQ(run.arguments, std::vector<std::string>{"-W"});
}

}  // namespace
