#include "app/command_line.h"

#include <string_view>

#ifndef ZIRN_VERSION
#define ZIRN_VERSION "unknown"
#endif

namespace zirn::app {

namespace {

CommandLine misuse(std::string problem)
{
    CommandLine line;
    line.action = Action::Misuse;
    line.problem = std::move(problem);
    return line;
}

CommandLine run(Action action, std::string program, std::vector<std::string> arguments)
{
    CommandLine line;
    line.action = action;
    line.program = std::move(program);
    line.arguments = std::move(arguments);
    return line;
}

std::optional<WarningMode> warning_mode(std::string_view word)
{
    if (word == "all") return WarningMode::All;
    if (word == "none") return WarningMode::None;
    if (word == "error") return WarningMode::Error;
    return std::nullopt;
}

// `--check` and the words after it: -W MODE, -e TEXT, or files.
CommandLine parse_check(const std::vector<std::string>& words, std::size_t from, std::optional<WarningMode> warnings)
{
    CommandLine line;
    line.action = Action::Check;
    bool options = true;
    for (std::size_t i = from; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (options && word == "--") {
            options = false;
        } else if (options && word == "-W") {
            if (i + 1 == words.size() || !warning_mode(words[i + 1])) return misuse("option '-W' needs all, none or error after it");
            warnings = warning_mode(words[++i]);
        } else if (options && word == "-e") {
            if (i + 1 == words.size()) return misuse("option '-e' needs the program text after it");
            if (line.check_text) return misuse("'--check' takes one '-e TEXT'");
            line.check_text = true;
            line.program = words[++i];
        } else if (options && word.size() > 1 && word[0] == '-') {
            return misuse("unknown option '" + word + "' after '--check'");
        } else {
            line.arguments.push_back(word);
        }
    }
    if (line.check_text && !line.arguments.empty()) return misuse("'--check' takes files or '-e TEXT', not both");
    if (!line.check_text && line.arguments.empty()) return misuse("option '--check' needs a file or '-e TEXT' after it");
    line.warnings = warnings;
    return line;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& words)
{
    // words[0] is the program's own name.
    std::optional<WarningMode> warnings;
    const auto with_warnings = [&](CommandLine line) {
        if (line.action != Action::Misuse) line.warnings = warnings;
        return line;
    };
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto rest = [&](std::size_t from) {
            return std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(from), words.end());
        };
        if (word == "-h" || word == "--help") return run(Action::Help, "", {});
        if (word == "--version") return run(Action::Version, "", {});
        if (word == "-W") {
            if (i + 1 == words.size() || !warning_mode(words[i + 1])) return misuse("option '-W' needs all, none or error after it");
            warnings = warning_mode(words[++i]);
            continue;
        }
        if (word == "--check") return parse_check(words, i + 1, warnings);
        if (word == "-e") {
            if (i + 1 == words.size()) return misuse("option '-e' needs the program text after it");
            return with_warnings(run(Action::RunText, words[i + 1], rest(i + 2)));
        }
        if (word == "--") {
            if (i + 1 == words.size()) return with_warnings(CommandLine{});
            return with_warnings(run(Action::RunFile, words[i + 1], rest(i + 2)));
        }
        if (word.size() > 1 && word[0] == '-') return misuse("unknown option '" + word + "'");
        return with_warnings(run(Action::RunFile, word, rest(i + 1)));
    }
    return with_warnings(CommandLine{});
}

std::string usage_text()
{
    return "usage: zirn                    start the REPL: run each line typed at the > prompt\n"
           "       zirn FILE [ARG...]      run the program in FILE; the ARGs are the list args\n"
           "       zirn -e TEXT [ARG...]   run TEXT as a program\n"
           "       zirn --check FILE...    read programs without running them and report\n"
           "       zirn --check -e TEXT    what looks wrong: FILE:LINE:COL: error|warning: ...\n"
           "       -W none | -W error      with --check: hide warnings, or count them as errors\n"
           "       zirn -h | --help        show this help\n"
           "       zirn --version          show the version\n"
           "\n"
           "A program stops at its first error, reported as 'error: FILE:LINE: message'\n"
           "on standard error, with exit status 1. More in zirn(1) and the user guide.\n";
}

std::string version_text() { return std::string("zirn ") + ZIRN_VERSION + "\n"; }

}  // namespace zirn::app
