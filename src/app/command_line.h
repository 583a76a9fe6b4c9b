// The command line of `zirn`: the REPL, a program file or text, or one of
// the options that only print something.
//
//   zirn                    the REPL
//   zirn FILE [ARG...]      run FILE; the ARGs become the list `args`
//   zirn -e TEXT [ARG...]   run TEXT the same way
//   zirn - [ARG...]         run the program read from standard input
//   zirn -i FILE | -e TEXT | -   run the program, then the prompt with its names
//   zirn -h | --help        the usage, on standard output
//   zirn --version          "zirn" and the version
//
// Options come before FILE or TEXT; every word after those is an argument of
// the program, whatever it looks like. `--` ends the options, so a FILE whose
// name starts with "-" can be run.
#pragma once

#include <string>
#include <vector>

namespace zirn::app {

enum class Action { Repl, RunFile, RunText, RunStandardInput, Help, Version, Misuse };

struct CommandLine {
    Action action = Action::Repl;
    std::string program;                 // RunFile: the file; RunText: the text
    std::vector<std::string> arguments;  // RunFile, RunText: the words for `args`
    std::string problem;                 // Misuse: what is wrong, for the message
    bool then_prompt = false;            // -i: the prompt follows the program
};

CommandLine parse_command_line(const std::vector<std::string>& words);

// The usage text, ending with a line feed.
std::string usage_text();
// "zirn" and the version, ending with a line feed.
std::string version_text();

}  // namespace zirn::app
