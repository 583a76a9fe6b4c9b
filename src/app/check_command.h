// `zirn --check`: the programs named on the command line, read and checked
// without running them, one finding per line on the error stream.
#pragma once

#include <iosfwd>

#include "app/command_line.h"

namespace zirn::app {

// Checks the files (or the -e text) of `command` and writes each finding
// as "FILE:LINE:COL: error|warning: MESSAGE [rule]" to `errors`. Returns
// the exit status: 1 when an error was found (a warning too with -W error,
// or a file that cannot be read), else 0. -W none leaves warnings out.
int run_check(const CommandLine& command, std::ostream& errors);

}  // namespace zirn::app
