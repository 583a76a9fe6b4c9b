// Running a ZIRN program from a file (`zirn FILE`) or from the command line
// (`zirn -e TEXT`), the way a scripting tool runs one: no banner, no prompt,
// no library restore. The program finds `range`, `lib` and `bonus` defined
// as at the prompt, and its words in the list `args`; `also` falls back on
// the library built into the program. The first error ends it.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/console.h"
#include "exec/warnings.h"
#include "exec/interpreter.h"
#include "value/var_table.h"

namespace zirn::app {

// The whole text of the program file `path` as as_unix_text() gives it, or
// nothing, with `problem` saying why (a folder, a missing or unreadable file,
// one larger than the text limit).
std::optional<std::string> read_program_file(const std::string& path, std::string& problem);

// The whole of `in` (standard input, for `zirn -`), or nothing, with
// `problem` saying why.
std::optional<std::string> read_program_stream(std::istream& in, std::string& problem);

// The name errors give a program read from standard input.
inline constexpr std::string_view standard_input_name = "<stdin>";
// A program file saved with Windows conventions, as its LF twin: without a
// UTF-8 byte-order mark at its start, and without the carriage return of
// each CRLF line end (a carriage return anywhere else stays).
std::string as_unix_text(std::string text);

// Runs `text` as the program called `name` (the name errors show: the file
// as given, or "-e"). A first line starting with "#!" is skipped. Returns the
// exit status: 0 when the program ran to its end (or to an `end`), 1 after
// an error, which is reported as one line "error: NAME:LINE: message".
// Warnings are reported as `warnings` says (none by default).
int run_program(host::Console& console, const std::string& name, std::string_view text,
                const std::vector<std::string>& arguments, exec::WarningMode warnings = exec::WarningMode::Off);

// The steps of run_program on an interpreter set up by the caller, binding
// into `names`: after an error, what the program bound before it stays.
// Returns the exit status; an error is reported, a lost output
// (host::OutputLost) passes to the caller.
int run_program_in(exec::Interpreter& interp, value::VarTable& names, const std::string& name, std::string_view text,
                   const std::vector<std::string>& arguments);

}  // namespace zirn::app
