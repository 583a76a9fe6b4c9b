// The zirn executable: runs the built-in REPL on standard input and output.
// Command-line arguments are ignored.
#include <iostream>

#include "app/session.h"
#include "exec/console.h"

namespace {

int run_standard_session(void* /*context*/)
{
    zirn::exec::StreamConsole console(std::cin, std::cout, std::cerr);
    return zirn::app::run_session(console);
}

}  // namespace

int main(int /*argc*/, char** /*argv*/)
{
    std::ios::sync_with_stdio(false);
    return zirn::app::run_on_interpreter_stack(run_standard_session, nullptr);
}
