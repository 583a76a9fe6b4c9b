// Running a ZIRN program from a file (`zirn FILE`) or from the command line
// (`zirn -e TEXT`), the way a scripting tool runs one: no banner, no prompt,
// no library restore. The program finds `range`, `lib` and `bonus` defined
// as at the prompt, and its words in the list `args`; `also` falls back on
// the library built into the program. The first error ends it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exec/console.h"

namespace zirn::app {

// The whole text of the program file `path` as as_unix_text() gives it, or
// nothing, with `problem` saying why (a folder, a missing or unreadable file,
// one larger than the text limit).
std::optional<std::string> read_program_file(const std::string& path, std::string& problem);

// A program file saved with Windows conventions, as its LF twin: without a
// UTF-8 byte-order mark at its start, and without the carriage return of
// each CRLF line end (a carriage return anywhere else stays).
std::string as_unix_text(std::string text);

// Runs `text` as the program called `name` (the name errors show: the file
// as given, or "-e"). A first line starting with "#!" is skipped. Returns the
// exit status: 0 when the program ran to its end (or to an `end`), 1 after
// an error, which is reported as one line "error: NAME:LINE: message".
int run_program(exec::Console& console, const std::string& name, std::string_view text,
                const std::vector<std::string>& arguments);

}  // namespace zirn::app
