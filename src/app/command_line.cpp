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
        } else if (options && word.compare(0, 2, "-W") == 0) {
            if (word == "-W" && i + 1 == words.size()) return misuse("option '-W' needs all, none or error after it");
            const std::string mode = word == "-W" ? words[++i] : word.substr(2);
            warnings = warning_mode_named(mode);
            if (!warnings) return misuse("option '-W' takes all, none or error, not '" + mode + "'");
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

std::optional<WarningMode> warning_mode_named(std::string_view word)
{
    if (word == "all") return WarningMode::All;
    if (word == "none") return WarningMode::None;
    if (word == "error") return WarningMode::Error;
    return std::nullopt;
}

WarningMode choose_warning_mode(const CommandLine& line, const char* setting, bool piped_repl, std::string& notice)
{
    if (line.warnings) return *line.warnings;
    if (setting != nullptr && *setting != '\0') {
        if (const std::optional<WarningMode> named = warning_mode_named(setting)) return *named;
        notice = std::string("ZIRN_WARNINGS takes all, none or error, not '") + setting + "'; the default is used";
    }
    return piped_repl ? WarningMode::None : WarningMode::All;
}

namespace {

CommandLine parse_words(const std::vector<std::string>& words, bool& then_prompt)
{
    std::optional<WarningMode> warnings;
    // Every way out of the loop carries the -W seen before it.
    const auto with_warnings = [&](CommandLine line) {
        if (line.action != Action::Misuse) line.warnings = warnings;
        return line;
    };
    // words[0] is the program's own name.
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto rest = [&](std::size_t from) {
            return std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(from), words.end());
        };
        if (word == "-h" || word == "--help") return run(Action::Help, "", {});
        if (word == "--version") return run(Action::Version, "", {});
        if (word == "--lsp") {
            // Editors' clients may add --stdio, the one transport there is.
            const bool stdio_only = i + 2 == words.size() && words[i + 1] == "--stdio";
            if (i + 1 != words.size() && !stdio_only) return misuse("option '--lsp' takes nothing after it but --stdio");
            return run(Action::LanguageServer, "", {});
        }
        if (word == "-W" || (word.size() > 2 && word.compare(0, 2, "-W") == 0)) {
            // `-W all` or `-Wall`.
            if (word == "-W" && i + 1 == words.size()) return misuse("option '-W' needs all, none or error after it");
            const std::string mode = word == "-W" ? words[++i] : word.substr(2);
            warnings = warning_mode_named(mode);
            if (!warnings) return misuse("option '-W' takes all, none or error, not '" + mode + "'");
            continue;
        }
        if (word == "--check") return parse_check(words, i + 1, warnings);
        if (word == "-i") {
            then_prompt = true;
            continue;
        }
        if (word == "-") return with_warnings(run(Action::RunStandardInput, "", rest(i + 1)));
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

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& words)
{
    bool then_prompt = false;
    CommandLine line = parse_words(words, then_prompt);
    line.then_prompt = then_prompt && (line.action == Action::RunFile || line.action == Action::RunText ||
                                       line.action == Action::RunStandardInput);
    return line;
}

std::string usage_text()
{
    return "usage: zirn                    start the REPL: run each line typed at the > prompt\n"
           "       zirn FILE [ARG...]      run the program in FILE; the ARGs are the list args\n"
           "       zirn -e TEXT [ARG...]   run TEXT as a program\n"
           "       zirn --check FILE...    read programs without running them and report\n"
           "       zirn --check -e TEXT    what looks wrong: FILE:LINE:COL: error|warning: ...\n"
           "       zirn --lsp              serve editors as a language server on standard\n"
           "                               input and output (diagnostics, completion, hover)\n"
           "       zirn - [ARG...]         run the program read from standard input\n"
           "       zirn -i FILE [ARG...]   run FILE, then the > prompt with the names it bound\n"
           "                               (-i also goes before -e TEXT and before -)\n"
           "       zirn -h | --help        show this help\n"
           "       zirn --version          show the version\n"
           "       zirn -W MODE ...        warnings, before the rest: all (the default, but\n"
           "                               none for piped input), none, or error (stop at\n"
           "                               the first; with --check: count them as errors);\n"
           "                               ZIRN_WARNINGS=MODE does the same\n"
           "\n"
           "A program stops at its first error, reported as 'error: FILE:LINE: message'\n"
           "on standard error, with exit status 1. A warning 'FILE:LINE: warning: message'\n"
           "says a program runs but likely not as meant. At a terminal, 'help' at the\n"
           "prompt lists the statements and builtins. More in zirn(1) and the guide.\n";
}

std::string version_text() { return std::string("zirn ") + ZIRN_VERSION + "\n"; }

}  // namespace zirn::app
