// Runs a ZIRN text as the program prog.ZIRN, as the zirn binary runs a file
// (on the interpreter's own large, guarded stack), and hands back its exit
// status and everything it wrote, for tests that look at whole programs.
#pragma once

#include <istream>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/session.h"
#include "host/console.h"

namespace zirn::test_support {

struct ProgramOutcome {
    int status = 0;
    std::string out;
    std::string err;
};

struct ProgramText {
    const std::string& text;
    std::vector<std::string> arguments{};
    exec::WarningMode warnings = exec::WarningMode::Off;
    // What the program reads; an empty input when null.
    std::istream* input = nullptr;
};

inline ProgramOutcome run_program_text(const ProgramText& program)
{
    struct Call {
        const ProgramText& program;
        ProgramOutcome outcome{};
    } call{program};
    app::run_on_interpreter_stack(
        [](void* raw) {
            auto& call = *static_cast<Call*>(raw);
            std::istringstream empty;
            std::ostringstream out, err;
            host::StreamConsole console(call.program.input != nullptr ? *call.program.input : empty, out, err);
            const int status = app::run_program(console, "prog.ZIRN", call.program.text, call.program.arguments,
                                                call.program.warnings);
            call.outcome = {status, out.str(), err.str()};
            return status;
        },
        &call);
    return call.outcome;
}

}  // namespace zirn::test_support
