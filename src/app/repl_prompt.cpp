#include "app/repl_prompt.h"

namespace zirn::app {

namespace {

std::string_view trimmed(std::string_view entry)
{
    const std::size_t first = entry.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return entry.substr(first, entry.find_last_not_of(" \t") + 1 - first);
}

// What people type to leave or to get help in other interpreters. None of
// them is a ZIRN statement.
bool asks_to_leave(std::string_view entry)
{
    entry = trimmed(entry);
    for (std::string_view word : {"exit", "quit", "help", "exit()", "quit()", "help()"}) {
        if (entry == word) return true;
    }
    return false;
}

// `help` or `help TOPIC` (one word: `help = 5` is an assignment): the topic,
// empty for the overview; nothing for any other entry.
std::optional<std::string_view> help_topic(std::string_view entry)
{
    entry = trimmed(entry);
    if (entry == "help" || entry == "help()") return std::string_view();
    if (!entry.starts_with("help ") && !entry.starts_with("help\t")) return std::nullopt;
    const std::string_view topic = trimmed(entry.substr(4));
    if (topic.find_first_of(" \t\n") != std::string_view::npos) return std::nullopt;
    return topic;
}

}  // namespace

std::optional<std::string> ReplPrompt::read_entry(host::Console& console) const
{
    std::optional<std::string> entry = host::read_entry(console);
    if (!entry || !console.interactive()) return entry;
    if (const std::optional<std::string_view> topic = help_topic(*entry); topic && m_help != nullptr) {
        console.write(m_help(*topic));
        console.flush();
        return "";
    }
    if (asks_to_leave(*entry)) {
        // A person looking for the way out gets it instead of an error.
        console.write("ZIRN has no such command. To leave, press Ctrl-D on an empty line;\n"
                      "'man zirn' and the user guide describe the language.");
        console.end_line();
        return "";
    }
    return entry;
}

}  // namespace zirn::app
