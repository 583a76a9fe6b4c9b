#include "app/command_line.h"

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

}  // namespace

namespace {

CommandLine parse_words(const std::vector<std::string>& words, bool& then_prompt)
{
    // words[0] is the program's own name.
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto rest = [&](std::size_t from) {
            return std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(from), words.end());
        };
        if (word == "-h" || word == "--help") return run(Action::Help, "", {});
        if (word == "--version") return run(Action::Version, "", {});
        if (word == "-i") {
            then_prompt = true;
            continue;
        }
        if (word == "-") return run(Action::RunStandardInput, "", rest(i + 1));
        if (word == "-e") {
            if (i + 1 == words.size()) return misuse("option '-e' needs the program text after it");
            return run(Action::RunText, words[i + 1], rest(i + 2));
        }
        if (word == "--") {
            if (i + 1 == words.size()) return CommandLine{};
            return run(Action::RunFile, words[i + 1], rest(i + 2));
        }
        if (word.size() > 1 && word[0] == '-') return misuse("unknown option '" + word + "'");
        return run(Action::RunFile, word, rest(i + 1));
    }
    return CommandLine{};
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
           "       zirn - [ARG...]         run the program read from standard input\n"
           "       zirn -i FILE [ARG...]   run FILE, then the > prompt with the names it bound\n"
           "                               (-i also goes before -e TEXT and before -)\n"
           "       zirn -h | --help        show this help\n"
           "       zirn --version          show the version\n"
           "\n"
           "A program stops at its first error, reported as 'error: FILE:LINE: message'\n"
           "on standard error, with exit status 1. At a terminal, 'help' at the prompt lists\n"
           "the statements and builtins. More in zirn(1) and the user guide.\n";
}

std::string version_text() { return std::string("zirn ") + ZIRN_VERSION + "\n"; }

}  // namespace zirn::app
