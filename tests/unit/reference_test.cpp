// The language reference: every example prints what its entry says, the
// tables cover exactly the keywords and the registered builtins, `help`
// finds entries by every spelling, the manual page lists the builtins as the
// table does, and a terminal's prompt shows values and help.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/repl_text.h"
#include "app/session.h"
#include "builtins/reference.h"
#include "builtins/registry.h"
#include "exec/code.h"
#include "host/console.h"
#include "exec/executor.h"
#include "exec/keywords.h"

namespace {

using namespace zirn;
using exec::EntryKind;
using exec::ReferenceEntry;

std::vector<const ReferenceEntry*> every_entry()
{
    std::vector<const ReferenceEntry*> entries;
    builtins::for_each_reference([&](const ReferenceEntry& entry) { entries.push_back(&entry); });
    return entries;
}

struct ExampleRun {
    std::string out;
    std::string err;
};

// Runs an entry's example as a program in a file system of its own, with
// `range` defined and the library folder in place, its input on standard
// input.
ExampleRun run_example(const ReferenceEntry& entry)
{
    std::istringstream in{std::string(entry.input)};
    std::ostringstream out;
    std::ostringstream err;
    host::StreamConsole console(in, out, err);
    exec::Interpreter interp(builtins::builtin_table(), console);
    interp.set_file_access(exec::FileAccess::Sandboxed);
    interp.sandbox().make_directory("lib");
    for (const app::LibraryFile& file : app::library_files) {
        interp.sandbox().write("lib/" + std::string(file.name), std::string(file.text));
    }
    value::VarTable names;
    try {
        exec::run_statements(interp, *exec::compile(app::program_prelude), &names, nullptr);
        exec::run_statements(interp, *exec::compile(entry.example), &names, nullptr);
    } catch (const std::exception& error) {
        err << error.what();
    }
    interp.cycles().collect();
    return {out.str(), err.str()};
}

TEST(ReferenceTest, EveryExamplePrintsWhatItsEntrySays)
{
    for (const ReferenceEntry* entry : every_entry()) {
        SCOPED_TRACE(std::string(entry->name));
        const ExampleRun run = run_example(*entry);
        EXPECT_EQ(run.err, "");
        if (entry->output_is_tail) {
            EXPECT_TRUE(run.out.ends_with(entry->output)) << run.out;
            EXPECT_GT(run.out.size(), entry->output.size());
        } else {
            EXPECT_EQ(run.out, entry->output);
        }
    }
}

TEST(ReferenceTest, CoversTheKeywordsAndTheRegisteredBuiltinsInOrder)
{
    std::vector<std::string_view> statements;
    std::set<std::string_view> operators;
    for (const ReferenceEntry& entry : exec::statement_reference()) {
        if (entry.kind == EntryKind::Statement) statements.push_back(entry.name);
        if (entry.kind == EntryKind::Operator) operators.insert(entry.name);
    }
    EXPECT_EQ(statements, std::vector<std::string_view>(exec::keyword_list.begin(), exec::keyword_list.end()));
    for (std::string_view op : {"+", "-", "*", "/", "==", "!=", "<", "<=", ">", ">=", "and", "or", "not", "="}) {
        EXPECT_EQ(operators.count(op), 1u) << op;
    }
    std::vector<std::string_view> registered;
#define ZIRN_BUILTIN_NAME(name, handler) registered.push_back(name);
    ZIRN_BUILTINS(ZIRN_BUILTIN_NAME)
#undef ZIRN_BUILTIN_NAME
    std::vector<std::string_view> documented;
    for (const ReferenceEntry& entry : builtins::builtin_reference()) documented.push_back(entry.name);
    EXPECT_EQ(documented, registered);
    // Names are unique among the statements and operators and among the
    // builtins (`list` is both a statement and a builtin), and every entry
    // has all its parts.
    std::set<std::pair<bool, std::string_view>> names;
    for (const ReferenceEntry* entry : every_entry()) {
        EXPECT_TRUE(names.insert({entry->kind == EntryKind::Builtin, entry->name}).second) << "twice: " << entry->name;
        EXPECT_FALSE(entry->synopsis.empty() || entry->summary.empty() || entry->example.empty() ||
                     entry->output.empty())
            << entry->name;
        // One line each, so a cheat sheet and completion can show them.
        EXPECT_EQ(entry->summary.find('\n'), std::string_view::npos) << entry->name;
        EXPECT_LT(entry->synopsis.size() + 2, exec::synopsis_column) << entry->name;
    }
}

TEST(ReferenceTest, FindsEntriesByEverySpelling)
{
    ASSERT_NE(builtins::find_reference("print"), nullptr);
    EXPECT_EQ(builtins::find_reference("print")->kind, EntryKind::Builtin);
    EXPECT_EQ(builtins::find_reference("$print$("), builtins::find_reference("print"));
    EXPECT_EQ(builtins::find_reference("$print$"), builtins::find_reference("print"));
    EXPECT_EQ(builtins::find_reference("$input"), builtins::find_reference("input"));
    ASSERT_NE(builtins::find_reference("until"), nullptr);
    EXPECT_EQ(builtins::find_reference("until")->kind, EntryKind::Statement);
    ASSERT_NE(builtins::find_reference("+"), nullptr);
    EXPECT_EQ(builtins::find_reference("+")->kind, EntryKind::Operator);
    // `list` is a statement and a builtin: the bare word is the statement,
    // the call the builtin.
    EXPECT_EQ(builtins::find_reference("list")->kind, EntryKind::Statement);
    EXPECT_EQ(builtins::find_reference("$list$(")->kind, EntryKind::Builtin);
    EXPECT_EQ(builtins::find_reference("$until"), nullptr);
    EXPECT_EQ(builtins::find_reference("Print"), nullptr);
    EXPECT_EQ(builtins::find_reference(""), nullptr);
}

TEST(ReferenceTest, CallFormsFollowTheArguments)
{
    EXPECT_EQ(builtins::call_form(*builtins::find_reference("print")), "$print$(");
    EXPECT_EQ(builtins::call_form(*builtins::find_reference("input")), "$input");
    EXPECT_EQ(builtins::call_form(*builtins::find_reference("werhatdasgemacht")), "$werhatdasgemacht");
}

TEST(ReferenceTest, HelpShowsTheSheetOneEntryOrTheNearestName)
{
    const std::string sheet = builtins::help_text("  ");
    EXPECT_EQ(sheet, builtins::cheat_sheet());
    for (const ReferenceEntry* entry : every_entry()) {
        const std::string_view shown = entry->kind == EntryKind::Operator ? entry->name : entry->synopsis;
        EXPECT_NE(sheet.find(shown), std::string::npos) << entry->name;
    }
    EXPECT_NE(sheet.find("To leave, press Ctrl-D on an empty line"), std::string::npos);
    // Every line fits a terminal of 80 columns.
    std::istringstream lines(sheet);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;

    const std::string print = builtins::help_text("print");
    EXPECT_EQ(print.rfind("$print$(value [end])", 0), 0u) << print;
    EXPECT_NE(print.find("    $print$(\"a\" \"nah\")\n    $print$(\"b\")\nprints:\n    ab\n"), std::string::npos) << print;
    EXPECT_NE(builtins::help_text("input").find("with the input:\n    Ada\n"), std::string::npos);
    EXPECT_NE(builtins::help_text(" until ").find("until (condition) { ... }"), std::string::npos);
    EXPECT_NE(builtins::help_text("+").find("(a + b)"), std::string::npos);

    EXPECT_EQ(builtins::help_text("prnt"), "help: nothing is called 'prnt'; did you mean 'print'? 'help' lists everything.\n");
    EXPECT_EQ(builtins::help_text("zzzzzz"), "help: nothing is called 'zzzzzz'. 'help' lists everything.\n");
}

// The builtins as the manual page lists them: a tagged paragraph per
// builtin, its synopsis in bold, its summary below.
std::string manual_builtin_list()
{
    std::string text;
    for (const ReferenceEntry& entry : builtins::builtin_reference()) {
        text += ".TP\n.B ";
        text += entry.synopsis;
        text += "\n";
        for (const char ch : entry.summary) {
            if (ch == '-') text += "\\-";
            else text += ch;
        }
        text += "\n";
    }
    return text;
}

TEST(ReferenceTest, TheManualPageListsTheBuiltinsOfTheTable)
{
    std::ifstream file(ZIRN_SOURCE_DIR "/docs/zirn.1");
    ASSERT_TRUE(file) << "cannot read docs/zirn.1";
    std::stringstream whole;
    whole << file.rdbuf();
    const std::string page = whole.str();
    const std::size_t section = page.find("\n.SH BUILTINS\n");
    ASSERT_NE(section, std::string::npos) << "docs/zirn.1 has no BUILTINS section";
    const std::size_t first = page.find("\n.TP\n", section);
    const std::size_t next_section = page.find("\n.SH ", section + 1);
    ASSERT_LT(first, next_section);
    const std::string listed = page.substr(first + 1, next_section - first);
    EXPECT_EQ(listed, manual_builtin_list()) << "docs/zirn.1's BUILTINS section should list:\n"
                                             << manual_builtin_list();
}

// A console over string streams that says a person is typing.
class TypedConsole : public host::StreamConsole {
public:
    using StreamConsole::StreamConsole;
    bool interactive() const override { return true; }
};

struct Session {
    std::string out;
    std::string err;
};

Session run_session_on(const std::string& lines, bool typed)
{
    std::istringstream in(lines);
    std::ostringstream out;
    std::ostringstream err;
    if (typed) {
        TypedConsole console(in, out, err);
        app::run_session(console, exec::FileAccess::Sandboxed);
    } else {
        host::StreamConsole console(in, out, err);
        app::run_session(console, exec::FileAccess::Sandboxed);
    }
    // From the first prompt on.
    const std::string shown = out.str();
    return {shown.substr(shown.find("> ")), err.str()};
}

TEST(EchoTest, ATerminalShowsLoneValuesAndCallResults)
{
    const std::string lines =
        "x = 3\n"
        "x\n"
        "$size$(\"abc\")\n"
        "$print$(\"once\")\n"
        "\"quoted\"\n"
        "(x * 2)\n"
        "l = $range$(2)\n"
        "l\n"
        "7\n"
        "f = {\n    end (arg0 + 1)\n}\n"
        "$f$(4)\n"
        "x = 5 \n"
        "u = $print$(\"made\")\n"
        "u\n";
    const Session typed = run_session_on(lines, true);
    EXPECT_EQ(typed.out,
              "> > 3\n> 3\n> once\n> quoted\n> 6\n> > [0, 1, 2]\n> 7\n> ... ... > 5\n> > made\n> > \n");
    EXPECT_EQ(typed.err, "");
    // Piped, nothing but what the lines print themselves, and the lone
    // values are the errors they always were.
    const Session piped = run_session_on(lines, false);
    EXPECT_EQ(piped.out, "> > > > once\n> > > > > > ... ... > > > made\n> > ");
    EXPECT_NE(piped.err.find("'x' is not a statement"), std::string::npos) << piped.err;
}

TEST(EchoTest, OnlyOneValueOrCallIsShownAndErrorsStayErrors)
{
    const Session typed = run_session_on(
        "1\n2\n"                       // two entries: two values
        "exec \"1\"\n"                 // a statement: runs as always
        "{ end 4 }\n"                  // a block is no value to show
        "missing\n"                    // an unbound name fails as before
        "$nothing$(1)\n",              // so does an unknown function
        true);
    EXPECT_EQ(typed.out, "> 1\n> 2\n> > > > > \n");
    EXPECT_NE(typed.err.find("not a statement"), std::string::npos) << typed.err;
    EXPECT_NE(typed.err.find("'missing'"), std::string::npos) << typed.err;
    EXPECT_NE(typed.err.find("undefined function 'nothing'"), std::string::npos) << typed.err;
}

TEST(EchoTest, HelpAtATerminalPrintsTheReference)
{
    const Session typed = run_session_on("help\nhelp until\nhelp = 2\nhelp\n", true);
    const std::string sheet = builtins::cheat_sheet();
    // `help = 2` is an assignment; `help` itself stays the help.
    EXPECT_EQ(typed.out, "> " + sheet + "> " + builtins::help_text("until") + "> > " + sheet + "> \n");
    EXPECT_EQ(typed.err, "");
}

}  // namespace
