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
//   zirn --check FILE...    read the programs without running them and
//   zirn --check -e TEXT    report what looks wrong (check/checker.h)
//   zirn --lsp              the language server for editors, on standard
//                           input and output (lsp/serve.h)
//   -W all|none|error       before any of these: show warnings, say none, or
//                           stop at the first one like at an error (with
//                           --check: which findings count for the status)
//
// Options come before FILE or TEXT; every word after those is an argument of
// the program, whatever it looks like. `--` ends the options, so a FILE whose
// name starts with "-" can be run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zirn::app {

enum class Action { Repl, RunFile, RunText, RunStandardInput, Help, Version, Misuse, Check, LanguageServer };

// -W: warnings shown (All), not shown (None), or counted as errors (Error).
enum class WarningMode { All, None, Error };

struct CommandLine {
    Action action = Action::Repl;
    std::string program;                 // RunFile: the file; RunText: the text
    std::vector<std::string> arguments;  // RunFile, RunText: the words for `args`
    std::string problem;                 // Misuse: what is wrong, for the message
    std::optional<WarningMode> warnings; // -W, when given (see choose_warning_mode)
    // Check: the files in `arguments`, or with `check_text` the -e TEXT in
    // `program`.
    bool check_text = false;
    bool then_prompt = false;            // -i: the prompt follows the program
};

CommandLine parse_command_line(const std::vector<std::string>& words);

// The warning mode a word names ("all", "none", "error"), or nothing.
std::optional<WarningMode> warning_mode_named(std::string_view word);

// The warning mode of a run: `-W` when given, else the environment
// variable ZIRN_WARNINGS (`setting`, null when unset; empty counts as
// unset), else all, but none for a REPL reading piped input, whose
// transcript stays as it always was. A setting that names no mode is
// passed over, with `notice` saying so.
WarningMode choose_warning_mode(const CommandLine& line, const char* setting, bool piped_repl, std::string& notice);

// The usage text, ending with a line feed.
std::string usage_text();
// "zirn" and the version, ending with a line feed.
std::string version_text();

}  // namespace zirn::app
