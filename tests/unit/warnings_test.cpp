// Warnings: how -W and ZIRN_WARNINGS choose the mode, and what each mode
// does with a program that trips a rule (once per place, stop at the first,
// or nothing at all). What each rule says is checked by the golden tests.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "app/session.h"
#include "host/console.h"
#include "exec/interpreter.h"
#include "exec/warnings.h"
#include "program_runs.h"

namespace {

using namespace zirn;

using Outcome = test_support::ProgramOutcome;

Outcome run(const std::string& text, exec::WarningMode mode)
{
    return test_support::run_program_text({text, {}, mode});
}

std::size_t count_lines(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) count += line.find(part) != std::string::npos ? 1 : 0;
    return count;
}

app::CommandLine parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "zirn");
    return app::parse_command_line(words);
}

TEST(WarningOptionTest, TheModeIsReadInEitherSpellingBeforeTheProgram)
{
    const app::CommandLine spaced = parse({"-W", "none", "prog.ZIRN", "-W", "error"});
    EXPECT_EQ(spaced.action, app::Action::RunFile);
    EXPECT_EQ(spaced.program, "prog.ZIRN");
    ASSERT_TRUE(spaced.warnings.has_value());
    EXPECT_EQ(*spaced.warnings, app::WarningMode::None);
    // Words after the program are its arguments, -W included.
    EXPECT_EQ(spaced.arguments, (std::vector<std::string>{"-W", "error"}));

    const app::CommandLine joined = parse({"-Werror", "-e", "$print$(1)"});
    EXPECT_EQ(joined.action, app::Action::RunText);
    ASSERT_TRUE(joined.warnings.has_value());
    EXPECT_EQ(*joined.warnings, app::WarningMode::Error);

    const app::CommandLine repl = parse({"-W", "all"});
    EXPECT_EQ(repl.action, app::Action::Repl);
    ASSERT_TRUE(repl.warnings.has_value());
    EXPECT_EQ(*repl.warnings, app::WarningMode::All);

    // The last -W before the program wins.
    const app::CommandLine twice = parse({"-W", "all", "-Wnone", "prog.ZIRN"});
    EXPECT_EQ(*twice.warnings, app::WarningMode::None);

    EXPECT_FALSE(parse({"prog.ZIRN"}).warnings.has_value());
}

TEST(WarningOptionTest, AModeMissingOrUnknownIsAMisuse)
{
    const app::CommandLine missing = parse({"-W"});
    EXPECT_EQ(missing.action, app::Action::Misuse);
    EXPECT_NE(missing.problem.find("all, none or error"), std::string::npos);
    const app::CommandLine unknown = parse({"-W", "loud", "prog.ZIRN"});
    EXPECT_EQ(unknown.action, app::Action::Misuse);
    EXPECT_NE(unknown.problem.find("'loud'"), std::string::npos);
    EXPECT_EQ(parse({"-Wsome"}).action, app::Action::Misuse);
}

TEST(WarningOptionTest, TheOptionWinsThenTheEnvironmentThenTheKindOfRun)
{
    std::string notice;
    const app::CommandLine program = parse({"prog.ZIRN"});
    const app::CommandLine asked = parse({"-W", "error", "prog.ZIRN"});
    EXPECT_EQ(app::choose_warning_mode(asked, "none", false, notice), app::WarningMode::Error);
    EXPECT_EQ(app::choose_warning_mode(program, "none", false, notice), app::WarningMode::None);
    EXPECT_EQ(app::choose_warning_mode(program, "error", true, notice), app::WarningMode::Error);
    // Unset or empty: all for programs and terminals, none for piped input.
    EXPECT_EQ(app::choose_warning_mode(program, nullptr, false, notice), app::WarningMode::All);
    EXPECT_EQ(app::choose_warning_mode(program, "", false, notice), app::WarningMode::All);
    EXPECT_EQ(app::choose_warning_mode(parse({}), nullptr, true, notice), app::WarningMode::None);
    EXPECT_TRUE(notice.empty());
    // A value that names no mode is reported and passed over.
    EXPECT_EQ(app::choose_warning_mode(parse({}), "yes", true, notice), app::WarningMode::None);
    EXPECT_NE(notice.find("'yes'"), std::string::npos);
}

TEST(WarningModeTest, ABlockInALoopIsWarnedAboutTheRoundsNamesItReadsOnly)
{
    // Each round rebinds x and y; the block reads y only. What a block
    // names is worked out once per name and kept.
    const std::string program = "list l\nadd l 1\nadd l 2\nadd l 3\n"
                                "i = 0\n"
                                "until ((i < 3)) {\n"
                                "    index l i x\n"
                                "    index l i y\n"
                                "    compare (1) {\n"
                                "        $print$(y)\n"
                                "    }\n"
                                "    i += 1\n"
                                "}\n";
    const Outcome outcome = run(program, exec::WarningMode::Report);
    EXPECT_EQ(outcome.out, "1\n1\n1\n");
    EXPECT_EQ(count_lines(outcome.err, "[older-binding]"), 1U) << outcome.err;
    EXPECT_NE(outcome.err.find("reads 'y'"), std::string::npos) << outcome.err;
}

TEST(WarningModeTest, AWarningIsShownOncePerPlaceAndTheProgramGoesOn)
{
    const std::string program = "i = 0\n"
                                "until ((i < 3)) {\n"
                                "    q = (5 / 0)\n"
                                "    i += 1\n"
                                "}\n"
                                "$print$((1 / 0))\n"
                                "$print$(\"done\")\n";
    const Outcome outcome = run(program, exec::WarningMode::Report);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "0\ndone\n");
    EXPECT_EQ(count_lines(outcome.err, "prog.ZIRN:3: warning: "), 1U) << outcome.err;
    EXPECT_EQ(count_lines(outcome.err, "prog.ZIRN:6: warning: "), 1U) << outcome.err;
    EXPECT_EQ(count_lines(outcome.err, "[zero-divisor]"), 2U) << outcome.err;
}

TEST(WarningModeTest, StopEndsTheProgramAtTheFirstWarningAsAnError)
{
    const Outcome outcome = run("$print$(1)\nf = { end (arg0 / 0) }\n$print$($f$(2))\n$print$(3)\n",
                                exec::WarningMode::Stop);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "1\n");
    EXPECT_EQ(outcome.err.rfind("error: prog.ZIRN:2: in $f$ (called at line 3): ", 0), 0U) << outcome.err;
    EXPECT_NE(outcome.err.find("[zero-divisor]"), std::string::npos);
}

TEST(WarningModeTest, OffSaysNothingAndChangesNothing)
{
    const std::string program = "list l\n$print$((l + 1))\ns = \"a\"\nadd s 1\n$print$(s)\n$print$((7 / 0))\n";
    const Outcome off = run(program, exec::WarningMode::Off);
    const Outcome shown = run(program, exec::WarningMode::Report);
    EXPECT_EQ(off.err, "");
    EXPECT_EQ(off.status, 0);
    // The same output either way: warnings only speak.
    EXPECT_EQ(off.out, shown.out);
    EXPECT_EQ(count_lines(shown.err, "warning:"), 3U) << shown.err;
}

TEST(WarningModeTest, TextRunByExecIsShownAtTheExecStatement)
{
    const Outcome outcome = run("x = 1\nexec \"y = (x / 0)\"\n", exec::WarningMode::Report);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err.rfind("prog.ZIRN:2: warning: ", 0), 0U) << outcome.err;
}

TEST(WarningRuleTest, EveryRuleHasItsOwnName)
{
    const std::vector<exec::WarningRule> rules{
        exec::WarningRule::CallerVariable,    exec::WarningRule::ZeroDivisor,  exec::WarningRule::NoNumberOperand,
        exec::WarningRule::AddToNonList,      exec::WarningRule::InexactComparison,
        exec::WarningRule::OlderBinding,      exec::WarningRule::DecodeTrailingBlank};
    std::vector<std::string> names;
    for (exec::WarningRule rule : rules) {
        const std::string name(exec::rule_name(rule));
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find(' '), std::string::npos) << name;
        for (const std::string& earlier : names) EXPECT_NE(name, earlier);
        names.push_back(name);
    }
}

}  // namespace

namespace {

TEST(WarningThreadTest, TheInterpreterOnAThreadIsTheLatestThatStillLives)
{
    std::istringstream in;
    std::ostringstream out, err;
    zirn::host::StreamConsole console(in, out, err);
    const zirn::exec::BuiltinTable table;
    auto first = std::make_unique<zirn::exec::Interpreter>(table, console);
    auto second = std::make_unique<zirn::exec::Interpreter>(table, console);
    EXPECT_EQ(zirn::exec::interpreter_on_this_thread(), second.get());
    // Ended out of order: the chain must not keep the ended one.
    first.reset();
    EXPECT_EQ(zirn::exec::interpreter_on_this_thread(), second.get());
    second.reset();
    EXPECT_EQ(zirn::exec::interpreter_on_this_thread(), nullptr);
    auto third = std::make_unique<zirn::exec::Interpreter>(table, console);
    auto fourth = std::make_unique<zirn::exec::Interpreter>(table, console);
    fourth.reset();
    EXPECT_EQ(zirn::exec::interpreter_on_this_thread(), third.get());
}

}  // namespace
