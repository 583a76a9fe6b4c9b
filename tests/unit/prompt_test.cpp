// The prompt's helpers that need no terminal: what Tab offers, and the
// history file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/colour.h"
#include "app/completion.h"
#include "app/history_file.h"
#include "builtins/registry.h"

namespace {

using namespace zirn;

TEST(CompletionTest, OffersKeywordsNamesAndCalls)
{
    const exec::BuiltinTable& builtins = builtins::builtin_table();
    const std::vector<std::string_view> names = {"total", "twice", "=", "tally", "arg0"};
    const std::vector<std::string_view> functions = {"twice"};
    const auto offer = [&](std::string_view word) { return app::completions(word, names, functions, builtins); };

    EXPECT_EQ(offer("$pri"), std::vector<std::string>{"$print$("});
    EXPECT_EQ(offer("$tw"), std::vector<std::string>{"$twice$("});
    EXPECT_EQ(offer("$to"), std::vector<std::string>{});  // `total` holds no function
    EXPECT_EQ(offer("unt"), std::vector<std::string>{"until"});
    EXPECT_EQ(offer("t"), (std::vector<std::string>{"$turn$(", "$typeof$(", "tally", "total", "twice"}));
    EXPECT_EQ(offer("e"), (std::vector<std::string>{"$encodelist$(", "$exists$(", "each", "end", "exec"}));
    EXPECT_EQ(offer("="), std::vector<std::string>{});  // a name that is no word
    EXPECT_EQ(offer("zz"), std::vector<std::string>{});
}

TEST(CompletionTest, BuiltinsWithoutArgumentsCompleteWithoutAList)
{
    const std::vector<std::string_view> none;
    const auto offer = [&](std::string_view word) {
        return app::completions(word, none, none, builtins::builtin_table());
    };
    EXPECT_EQ(offer("$inp"), std::vector<std::string>{"$input"});
    EXPECT_EQ(offer("$werhat"), std::vector<std::string>{"$werhatdasgemacht"});
    EXPECT_EQ(offer("i"), (std::vector<std::string>{"$input", "$int$(", "$isdir$(", "index"}));
}

TEST(ColourTest, OnlyATerminalThatWantsIt)
{
    EXPECT_TRUE(app::colour_wanted(true, nullptr, "xterm-256color"));
    EXPECT_TRUE(app::colour_wanted(true, "", "screen"));  // an empty NO_COLOR counts as unset
    EXPECT_FALSE(app::colour_wanted(false, nullptr, "xterm"));
    EXPECT_FALSE(app::colour_wanted(true, "1", "xterm"));
    EXPECT_FALSE(app::colour_wanted(true, nullptr, "dumb"));
    EXPECT_FALSE(app::colour_wanted(true, nullptr, nullptr));
    EXPECT_FALSE(app::colour_wanted(true, nullptr, ""));
}

TEST(ColourTest, PaintsTheLabelsOfReportLinesOnly)
{
    EXPECT_EQ(app::paint_report("error: undefined function 'f'"), "\033[1;31merror:\033[0m undefined function 'f'");
    EXPECT_EQ(app::paint_report("error: p.ZIRN:3: in $f$: error: again"),
              "\033[1;31merror:\033[0m p.ZIRN:3: in $f$: error: again");
    EXPECT_EQ(app::paint_report("p.ZIRN:4: warning: x is never read [unused]"),
              "p.ZIRN:4: \033[1;35mwarning:\033[0m x is never read [unused]");
    EXPECT_EQ(app::paint_report("warning: close"), "\033[1;35mwarning:\033[0m close");
    // A source line or a caret under it stays as it is.
    EXPECT_EQ(app::paint_report("    x = (1 +"), "    x = (1 +");
    EXPECT_EQ(app::paint_report("errors: 2"), "errors: 2");
    EXPECT_EQ(app::paint_report(""), "");
}

TEST(ColourTest, PromptCodesTakeNoRoomForReadline)
{
    const std::string prompt = app::paint_prompt_for_readline("> ");
    EXPECT_EQ(prompt, "\001\033[1;32m\002> \001\033[0m\002");
    EXPECT_EQ(app::paint_prompt_for_readline(""), "");
    EXPECT_EQ(app::paint_banner("ZIRN\n"), "\033[1;36mZIRN\n\033[0m");
}

TEST(HistoryPathTest, FollowsTheEnvironment)
{
    static std::map<std::string, std::string> environment;
    const auto lookup = [](const char* name) -> const char* {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    };
    environment = {{"HOME", "/home/ann"}};
    EXPECT_EQ(app::history_path(lookup).value_or(""), "/home/ann/.local/state/zirn/history");
    environment = {{"HOME", "/home/ann"}, {"XDG_STATE_HOME", "/state"}};
    EXPECT_EQ(app::history_path(lookup).value_or(""), "/state/zirn/history");
    environment = {{"HOME", "/home/ann"}, {"XDG_STATE_HOME", "relative"}};  // not absolute: ignored
    EXPECT_EQ(app::history_path(lookup).value_or(""), "/home/ann/.local/state/zirn/history");
    environment = {{"HOME", "/home/ann"}, {"ZIRN_HISTORY", "/tmp/h"}};
    EXPECT_EQ(app::history_path(lookup).value_or(""), "/tmp/h");
    environment = {{"HOME", "/home/ann"}, {"XDG_STATE_HOME", "/state"}, {"ZIRN_HISTORY", ""}};
    EXPECT_FALSE(app::history_path(lookup));
    environment = {};
    EXPECT_FALSE(app::history_path(lookup));
}

TEST(HistoryFileTest, EntriesSurviveTheirLineFeedsAndBackslashes)
{
    for (const std::string entry : {"plain", "f = {\n\tend 1\n}", "a\\nb", "back\\", "cr\r\n", ""}) {
        const std::string line = app::encode_history_entry(entry);
        EXPECT_EQ(line.find('\n'), std::string::npos) << entry;
        EXPECT_EQ(app::decode_history_entry(line), entry);
    }
    // A backslash the file did not get from us stays as it is.
    EXPECT_EQ(app::decode_history_entry("a\\tb\\"), "a\\tb\\");
}

class HistoryFileFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() / ("zirn-history-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string path() const { return (m_folder / "deeper" / "history").string(); }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        std::ifstream file(path());
        for (std::string line; std::getline(file, line);) result.push_back(line);
        return result;
    }

    std::filesystem::path m_folder;
};

TEST_F(HistoryFileFolder, AppendsCreatesAndKeepsTheNewest)
{
    app::HistoryFile history(path(), 3);
    EXPECT_TRUE(history.load().empty());  // no file yet
    history.append("one");
    history.append("two = {\nend 2\n}");
    EXPECT_EQ(std::filesystem::status(path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    history.append("three");
    history.append("four");
    EXPECT_EQ(lines(), (std::vector<std::string>{"two = {\\nend 2\\n}", "three", "four"}));

    // Another session finds the entries, and a file grown past the limit
    // (by sessions side by side) is cut down when it is loaded.
    { std::ofstream(path(), std::ios::app) << "five\nsix\n"; }
    app::HistoryFile later(path(), 3);
    EXPECT_EQ(later.load(), (std::vector<std::string>{"four", "five", "six"}));
    EXPECT_EQ(lines(), (std::vector<std::string>{"four", "five", "six"}));
}

}  // namespace
