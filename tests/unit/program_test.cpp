// Programs run as from a file: where their errors are reported, what they
// find defined, and the suggestions for names nothing is bound to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "app/session.h"
#include "host/console.h"
#include "exec/suggest.h"
#include "program_runs.h"

namespace {

using namespace zirn;

using Outcome = test_support::ProgramOutcome;

Outcome run(const std::string& text, const std::vector<std::string>& arguments = {})
{
    return test_support::run_program_text({text, arguments});
}

// The one error line a failing program reports. Below it may come only
// the program line it names, and a caret line under it.
std::string error_of(const std::string& text)
{
    const Outcome outcome = run(text);
    EXPECT_EQ(outcome.status, 1) << text;
    const std::size_t first_end = outcome.err.find('\n');
    if (first_end == std::string::npos) return outcome.err;
    std::size_t at = first_end + 1;
    for (int shown = 0; at < outcome.err.size(); ++shown) {
        const std::size_t end = outcome.err.find('\n', at);
        const std::string line = outcome.err.substr(at, end - at);
        EXPECT_LT(shown, 2) << outcome.err;
        EXPECT_EQ(line.rfind("    ", 0), 0u) << outcome.err;
        EXPECT_NE(line.find(" | "), std::string::npos) << outcome.err;
        at = end == std::string::npos ? outcome.err.size() : end + 1;
    }
    return outcome.err.substr(0, first_end + 1);
}

TEST(ProgramTest, RunsToTheEndWithTheArgumentsAndThePromptsDefinitions)
{
    const Outcome outcome = run("$print$(args)\n$print$($range$(2))\n$print$($typeof$(bonus))\nend 5\n$print$(\"no\")",
                                {"a", "b c"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "[\"a\", \"b c\"]\n[0, 1, 2]\nstring\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(ProgramTest, OutputThatCannotBeWrittenEndsTheProgram)
{
    struct Call {
        int status = 0;
        std::string err;
    } call;
    app::run_on_interpreter_stack(
        [](void* raw) {
            auto& call = *static_cast<Call*>(raw);
            std::istringstream in;
            std::ostringstream out, err;
            out.setstate(std::ios::badbit);  // every write fails
            host::StreamConsole console(in, out, err);
            call.status = app::run_program(console, "prog.ZIRN", "$print$(1)\n$print$(2)", {});
            call.err = err.str();
            return call.status;
        },
        &call);
    EXPECT_EQ(call.status, 1);
    EXPECT_EQ(call.err.rfind("error: prog.ZIRN: cannot write to standard output: ", 0), 0u) << call.err;
    EXPECT_EQ(std::count(call.err.begin(), call.err.end(), '\n'), 1);
}

TEST(ProgramTest, AnInterpreterLineIsSkippedAndKeepsTheLineNumbers)
{
    EXPECT_EQ(run("#!/usr/bin/env zirn\n$print$(1)").out, "1\n");
    EXPECT_EQ(error_of("#!/usr/bin/env zirn\n\n$nope$"), "error: prog.ZIRN:3: undefined function 'nope'\n");
    // Only a first line is an interpreter line.
    EXPECT_EQ(error_of("\n#!x"), "error: prog.ZIRN:2: missing operand: '#!x' is not a statement: an assignment is "
                                 "written name = value\n");
}

TEST(ProgramTest, TheFirstErrorEndsTheProgram)
{
    const Outcome outcome = run("$print$(\"one\")\n$nope$\n$print$(\"two\")");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "one\n");
    EXPECT_EQ(outcome.err, "error: prog.ZIRN:2: undefined function 'nope'\n"
                           "    2 | $nope$\n"
                           "      |  ^^^^\n");
}

TEST(ProgramTest, LinesCountLineFeedsInsideStringsBlocksAndParentheses)
{
    EXPECT_EQ(error_of("s = \"a\nb\nc\"\n$nope$"), "error: prog.ZIRN:4: undefined function 'nope'\n");
    EXPECT_EQ(error_of("x = (\"a\nb\" + \"c\")\n\n$nope$"), "error: prog.ZIRN:4: undefined function 'nope'\n");
    // Inside blocks: the line of the failing statement itself.
    EXPECT_EQ(error_of("compare (1) {\n    until (1) {\n        t = \"x\ny\"\n        $nope$\n    }\n}"),
              "error: prog.ZIRN:5: undefined function 'nope'\n");
    // A block that starts after a multi-line token of its own statement.
    EXPECT_EQ(error_of("each (\"a\nb\") {\n    $nope$\n}"), "error: prog.ZIRN:3: undefined function 'nope'\n");
}

TEST(ProgramTest, InsideAFunctionTheFunctionAndTheLineOfItsCallAreNamed)
{
    const std::string functions = "inner = {\n    $nope$\n}\nouter = {\n    x = 1\n    $inner$\n}\n";
    EXPECT_EQ(error_of(functions + "$inner$"),
              "error: prog.ZIRN:2: in $inner$ (called at line 8): undefined function 'nope'\n");
    // The innermost function, and the call that led into it.
    EXPECT_EQ(error_of(functions + "compare (1) {\n    $outer$\n}"),
              "error: prog.ZIRN:2: in $inner$ (called at line 6): undefined function 'nope'\n");
    // A function stored under another name is named as it was called.
    EXPECT_EQ(error_of(functions + "again = inner\n$again$"),
              "error: prog.ZIRN:2: in $again$ (called at line 9): undefined function 'nope'\n");
}

TEST(ProgramTest, ArgumentsAndTextsFromNoFileFailAtTheCallingLine)
{
    // The argument is worked out by the caller, before the function runs.
    EXPECT_EQ(error_of("f = {\n    end 1\n}\n$f$($nope$)"), "error: prog.ZIRN:4: undefined function 'nope'\n");
    // A function made from a text has no lines of its own in the file.
    EXPECT_EQ(error_of("exec \"g = {\n    $nope$\n}\"\n\n$g$"), "error: prog.ZIRN:5: undefined function 'nope'\n");
    EXPECT_EQ(error_of("h = {\n    exec \"$nope$\"\n}\n$h$"),
              "error: prog.ZIRN:2: in $h$ (called at line 4): undefined function 'nope'\n");
}

TEST(ProgramTest, RunawayRecursionNamesTheFunction)
{
    const std::string err = error_of("down = {\n    $down$\n}\n$down$");
    EXPECT_EQ(err.rfind("error: prog.ZIRN:2: in $down$ (called at line 2): recursion too deep: ", 0), 0u) << err;
}

TEST(ProgramTest, TheFailingLineIsShownWithACaretUnderWhatTheMessageQuotes)
{
    EXPECT_EQ(run("x = 1\nf = {\n\tend (x * heigth)\n}\n$f$").err,
              "error: prog.ZIRN:3: in $f$ (called at line 5): stoi: 'heigth' is not a number, and no variable has "
              "that name\n"
              "    3 | \tend (x * heigth)\n"
              "      | \t         ^^^^^^\n");
    // Text left open: the caret under the bracket that stays open.
    EXPECT_EQ(run("$print$(1)\nf = {\n    end 1\n").err,
              "error: prog.ZIRN:2: unbalanced text: a quote, brace or parenthesis is left open\n"
              "    2 | f = {\n"
              "      |     ^\n");
    // A message that quotes nothing of the line: the line alone.
    EXPECT_EQ(run("list l\nindex l 3 x").err,
              "error: prog.ZIRN:2: index out of range: position 3 in a list of length 0\n"
              "    2 | index l 3 x\n");
}

TEST(ProgramTest, TextLeftOpenIsReportedWhereItOpens)
{
    EXPECT_EQ(error_of("$print$(1)\nf = {\n    end 1\n"),
              "error: prog.ZIRN:2: unbalanced text: a quote, brace or parenthesis is left open\n");
    EXPECT_EQ(run("$print$(1)\nf = {\n").out, "");  // nothing runs
}

TEST(ProgramTest, MissingNamesSuggestTheNearestBoundNameOrBuiltin)
{
    EXPECT_EQ(error_of("$prnt$(1)"), "error: prog.ZIRN:1: undefined function 'prnt'; did you mean 'print'?\n");
    EXPECT_EQ(error_of("$Print$(1)"), "error: prog.ZIRN:1: undefined function 'Print'; did you mean 'print'?\n");
    // For a call, only names that hold a function: `count` is nearer but
    // holds a number.
    EXPECT_EQ(error_of("counter = {\n    end 1\n}\ncount = 5\n$counts$"),
              "error: prog.ZIRN:5: undefined function 'counts'; did you mean 'counter'?\n");
    // The names bound where the error happened, a function's own included.
    EXPECT_EQ(error_of("f = {\n    counter = 1\n    $print$(countr)\n}\n$f$"),
              "error: prog.ZIRN:3: in $f$ (called at line 5): stoi: 'countr' is not a number, and no variable has "
              "that name; did you mean 'counter'?\n");
    EXPECT_EQ(error_of("items = 1\nadd itms 2"),
              "error: prog.ZIRN:2: undefined name 'itms' in add; did you mean 'items'?\n");
    // Nothing near: no suggestion.
    EXPECT_EQ(error_of("$zzz$"), "error: prog.ZIRN:1: undefined function 'zzz'\n");
    EXPECT_EQ(error_of("x = 1\n$print$(y)"),
              "error: prog.ZIRN:2: stoi: 'y' is not a number, and no variable has that name\n");
}

TEST(SuggestTest, NearestNameTakesSlipsOnlyAndTheFirstOfEquals)
{
    const std::vector<std::string_view> names = {"print", "input", "size", "str", "ab", "abd"};
    EXPECT_EQ(exec::nearest_name("pritn", names).value_or(""), "print");
    EXPECT_EQ(exec::nearest_name("inptu", names).value_or(""), "input");
    EXPECT_EQ(exec::nearest_name("sze", names).value_or(""), "size");
    EXPECT_EQ(exec::nearest_name("abc", names).value_or(""), "ab");  // "ab" and "abd" are as near
    EXPECT_FALSE(exec::nearest_name("x", {"y"}));
    EXPECT_FALSE(exec::nearest_name("print", {"print"}));  // the name itself is no suggestion
    EXPECT_FALSE(exec::nearest_name("completely", names));
    EXPECT_FALSE(exec::nearest_name("", names));
}

TEST(CommandLineTest, WordsDecideWhatRuns)
{
    using app::Action;
    const auto parse = [](std::vector<std::string> words) {
        words.insert(words.begin(), "zirn");
        return app::parse_command_line(words);
    };
    EXPECT_EQ(parse({}).action, Action::Repl);
    EXPECT_EQ(parse({"--"}).action, Action::Repl);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--help", "x"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);

    const app::CommandLine file = parse({"prog.ZIRN", "-h", "--", "x"});
    EXPECT_EQ(file.action, Action::RunFile);
    EXPECT_EQ(file.program, "prog.ZIRN");
    EXPECT_EQ(file.arguments, (std::vector<std::string>{"-h", "--", "x"}));
    EXPECT_EQ(parse({"--", "-odd.ZIRN"}).program, "-odd.ZIRN");

    const app::CommandLine text = parse({"-e", "$print$(args)", "1"});
    EXPECT_EQ(text.action, Action::RunText);
    EXPECT_EQ(text.program, "$print$(args)");
    EXPECT_EQ(text.arguments, std::vector<std::string>{"1"});

    EXPECT_EQ(parse({"-e"}).action, Action::Misuse);
    const app::CommandLine unknown = parse({"-v", "prog.ZIRN"});
    EXPECT_EQ(unknown.action, Action::Misuse);
    EXPECT_EQ(unknown.problem, "unknown option '-v'");
    // "-" alone is standard input; after "--" it is a file named "-".
    const app::CommandLine standard_input = parse({"-", "a", "-i"});
    EXPECT_EQ(standard_input.action, Action::RunStandardInput);
    EXPECT_EQ(standard_input.arguments, (std::vector<std::string>{"a", "-i"}));
    EXPECT_FALSE(standard_input.then_prompt);
    const app::CommandLine dash_file = parse({"--", "-"});
    EXPECT_EQ(dash_file.action, Action::RunFile);
    EXPECT_EQ(dash_file.program, "-");
}

TEST(CommandLineTest, DashIPutsThePromptAfterAProgram)
{
    using app::Action;
    const auto parse = [](std::vector<std::string> words) {
        words.insert(words.begin(), "zirn");
        return app::parse_command_line(words);
    };
    const app::CommandLine file = parse({"-i", "prog.ZIRN", "x"});
    EXPECT_EQ(file.action, Action::RunFile);
    EXPECT_TRUE(file.then_prompt);
    EXPECT_EQ(file.arguments, std::vector<std::string>{"x"});
    const app::CommandLine text = parse({"-i", "-e", "x = 1"});
    EXPECT_EQ(text.action, Action::RunText);
    EXPECT_TRUE(text.then_prompt);
    EXPECT_TRUE(parse({"-i", "-"}).then_prompt);
    EXPECT_TRUE(parse({"-i", "--", "-odd.ZIRN"}).then_prompt);
    // After the program, -i is one of its arguments.
    const app::CommandLine late = parse({"prog.ZIRN", "-i"});
    EXPECT_FALSE(late.then_prompt);
    EXPECT_EQ(late.arguments, std::vector<std::string>{"-i"});
    // Alone it is the REPL, as without it; before an option that only
    // prints, nothing.
    EXPECT_EQ(parse({"-i"}).action, Action::Repl);
    EXPECT_FALSE(parse({"-i"}).then_prompt);
    EXPECT_EQ(parse({"-i", "--version"}).action, Action::Version);
    EXPECT_FALSE(parse({"-i", "--version"}).then_prompt);
}

// zirn - reads the whole program, also without a line end or from an
// empty input.
TEST(CommandLineTest, AProgramComesWholeFromAStream)
{
    std::string problem;
    std::istringstream program("x = 1\n$print$(x)");
    EXPECT_EQ(app::read_program_stream(program, problem), std::optional<std::string>("x = 1\n$print$(x)"));
    std::istringstream empty;
    EXPECT_EQ(app::read_program_stream(empty, problem), std::optional<std::string>(""));
}

TEST(ProgramTest, WindowsFilesRunAsTheirUnixTwins)
{
    EXPECT_EQ(app::as_unix_text("\xEF\xBB\xBFx = 3\r\n$print$(x)\r\n"), "x = 3\n$print$(x)\n");
    // Only a carriage return before a line feed goes, and only a mark at
    // the very start.
    EXPECT_EQ(app::as_unix_text("a\rb\r\r\nc\r"), "a\rb\r\nc\r");
    EXPECT_EQ(app::as_unix_text("x\xEF\xBB\xBF\n"), "x\xEF\xBB\xBF\n");
    EXPECT_EQ(app::as_unix_text("\xEF\xBB"), "\xEF\xBB");
    EXPECT_EQ(app::as_unix_text(""), "");
    // Lines keep their numbers: the error is on the line it was.
    const std::string program = app::as_unix_text("\xEF\xBB\xBFs = \"a\r\nb\"\r\n$print$($size$(s))\r\n$print$(nope)\r\n");
    const Outcome outcome = run(program);
    EXPECT_EQ(outcome.out, "3\n");
    EXPECT_NE(outcome.err.find("prog.ZIRN:4: "), std::string::npos) << outcome.err;
}

// Input whose every read fails, as a closed descriptor's does.
class BrokenInput : public std::streambuf {
protected:
    int_type underflow() override
    {
        errno = EBADF;
        throw std::runtime_error("read failed");
    }
};

TEST(ProgramTest, InputThatBreaksReadsAsTheEndButFailsTheProgram)
{
    BrokenInput broken;
    std::istream in(&broken);
    const std::string text = "$print$((\"[\" + $input + \"]\"))\n$print$(\"went on\")\n";
    const Outcome outcome = test_support::run_program_text({.text = text, .input = &in});
    EXPECT_EQ(outcome.out, "[]\nwent on\n");
    EXPECT_EQ(outcome.err, "error: prog.ZIRN: cannot read standard input: Bad file descriptor\n");
    EXPECT_EQ(outcome.status, 1);
}

}  // namespace
