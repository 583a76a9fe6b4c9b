// Running the built-in REPL: one interactive session from banner to end of
// input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/console.h"
#include "exec/interpreter.h"

namespace zirn::app {

// Runs the REPL script against `console` until its input ends. Returns the
// exit status: 0 when no typed line ended in an error, 1 otherwise. A
// non-zero `step_budget` bounds the statements and loop iterations the whole
// session may run (Interpreter::set_step_budget); running out ends it.
// Warnings are reported as `warnings` says (none by default).
int run_session(host::Console& console, exec::FileAccess access = exec::FileAccess::Real,
                std::uint64_t step_budget = 0, exec::WarningMode warnings = exec::WarningMode::Off);

// Runs the program `text` as run_program does (`name` for its errors,
// `arguments` as `args`), then the REPL's prompt with every name the
// program bound, even when it failed: `zirn -i`. No banner, no library
// restore. Returns 0 when neither the program nor a typed line ended in an
// error, 1 otherwise.
int run_program_then_session(host::Console& console, const std::string& name, std::string_view text,
                             const std::vector<std::string>& arguments,
                             exec::WarningMode warnings = exec::WarningMode::Off);

// Runs `body` on a thread whose stack is as large as limits.h says, so deep
// recursion in ZIRN programs has room, and returns its result.
int run_on_interpreter_stack(int (*body)(void*), void* context);

}  // namespace zirn::app
