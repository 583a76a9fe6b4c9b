// Reading entries at the prompt: continuation lines while something is left
// open, a discarded entry, and what the zirn command's prompt does for a
// person who types `help` or `exit`, which piped input never sees.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/repl_prompt.h"
#include "host/console.h"

namespace {

using namespace zirn;

// Lines handed out one by one; a line "^C" read as a continuation discards
// the entry, as Ctrl-C does at a terminal.
class ScriptedConsole : public host::Console {
public:
    ScriptedConsole(std::vector<std::string> lines, bool typed) : m_lines(lines.begin(), lines.end()), m_typed(typed) {}

    void write(std::string_view text) override { written += text; }
    void end_line() override { written += '\n'; }
    void flush() override {}
    std::optional<std::string> read_line(host::LineKind kind) override
    {
        kinds.push_back(kind);
        if (m_lines.empty()) return std::nullopt;
        std::string line = std::move(m_lines.front());
        m_lines.pop_front();
        if (line == "^C" && kind == host::LineKind::Continuation) throw host::EntryDiscarded{};
        return line;
    }
    void remember(std::string_view entry) override { remembered.emplace_back(entry); }
    void report(std::string_view line) override { reported += std::string(line) + "\n"; }
    bool interactive() const override { return m_typed; }

    std::string written;
    std::string reported;
    std::vector<std::string> remembered;
    std::vector<host::LineKind> kinds;

private:
    std::deque<std::string> m_lines;
    bool m_typed;
};

TEST(ReadEntry, JoinsLinesWhileSomethingIsLeftOpen)
{
    ScriptedConsole console({"f = {", "x = \"a", "b\"", "}", "next"}, false);
    EXPECT_EQ(host::read_entry(console), "f = {\nx = \"a\nb\"\n}");
    EXPECT_EQ(console.written, "... ... ... ");
    EXPECT_EQ(console.kinds, (std::vector<host::LineKind>{host::LineKind::Prompt, host::LineKind::Continuation,
                                                           host::LineKind::Continuation,
                                                           host::LineKind::Continuation}));
    EXPECT_EQ(host::read_entry(console), "next");
    EXPECT_EQ(console.remembered, (std::vector<std::string>{"f = {\nx = \"a\nb\"\n}", "next"}));
    EXPECT_FALSE(host::read_entry(console).has_value());
}

TEST(ReadEntry, AnEntryOpenAtTheEndIsGivenAsItIs)
{
    ScriptedConsole console({"f = {", "x = 1"}, false);
    EXPECT_EQ(host::read_entry(console), "f = {\nx = 1");
}

TEST(ReadEntry, ADiscardedEntryIsEmptyAndNotKept)
{
    ScriptedConsole console({"f = {", "x = 1", "^C", "after"}, true);
    EXPECT_EQ(host::read_entry(console), "");
    EXPECT_TRUE(console.remembered.empty());
    EXPECT_EQ(host::read_entry(console), "after");
}

std::string help_for(std::string_view topic) { return "help on [" + std::string(topic) + "]\n"; }

TEST(ReplPrompt, APersonAskingForHelpOrTheWayOutIsAnswered)
{
    const app::ReplPrompt prompt(help_for);
    ScriptedConsole console({"help", "  help if ", "help = 5", "quit()", "exit", "x = 1"}, true);
    EXPECT_EQ(prompt.read_entry(console), "");
    EXPECT_EQ(prompt.read_entry(console), "");
    EXPECT_EQ(prompt.read_entry(console), "help = 5");  // an assignment, not a request
    EXPECT_EQ(prompt.read_entry(console), "");
    EXPECT_EQ(prompt.read_entry(console), "");
    EXPECT_EQ(prompt.read_entry(console), "x = 1");
    EXPECT_FALSE(prompt.read_entry(console).has_value());
    EXPECT_EQ(console.written.find("help on []\nhelp on [if]\n"), 0u) << console.written;
    const std::string hint = "ZIRN has no such command. To leave, press Ctrl-D on an empty line;";
    const std::size_t first = console.written.find(hint);
    ASSERT_NE(first, std::string::npos) << console.written;
    EXPECT_NE(console.written.find(hint, first + 1), std::string::npos) << console.written;
}

TEST(ReplPrompt, PipedInputKeepsItsMeaning)
{
    const app::ReplPrompt prompt(help_for);
    ScriptedConsole console({"help", "exit"}, false);
    EXPECT_EQ(prompt.read_entry(console), "help");
    EXPECT_EQ(prompt.read_entry(console), "exit");
    EXPECT_EQ(console.written, "");
}

TEST(ReplPrompt, WithoutHelpTextHelpGetsTheWayOut)
{
    const app::ReplPrompt prompt(nullptr);
    ScriptedConsole console({"help"}, true);
    EXPECT_EQ(prompt.read_entry(console), "");
    EXPECT_EQ(console.written.find("ZIRN has no such command."), 0u) << console.written;
}

}  // namespace
