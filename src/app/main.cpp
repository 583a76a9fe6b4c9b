// The zirn executable: runs the built-in REPL on standard input and output.
// Command-line arguments are ignored.
//
// With a terminal on both standard input and standard output, lines are read
// with line editing and Ctrl-C stops the running line; otherwise the plain
// streams are used byte for byte and signals keep their default actions.
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "app/session.h"
#include "app/terminal_console.h"
#include "exec/console.h"

namespace {

int run_standard_session(void* /*context*/)
{
    zirn::exec::StreamConsole console(std::cin, std::cout, std::cerr);
    return zirn::app::run_session(console);
}

int run_terminal_session(void* /*context*/)
{
    zirn::app::TerminalConsole console;
    return zirn::app::run_session(console);
}

bool at_terminal() { return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1; }

}  // namespace

int main(int /*argc*/, char** /*argv*/)
{
    std::ios::sync_with_stdio(false);
    // A reader that goes away (`zirn | head`) makes writes fail, which ends
    // the session with an error, instead of killing the process unasked.
    std::signal(SIGPIPE, SIG_IGN);
    if (!at_terminal()) return zirn::app::run_on_interpreter_stack(run_standard_session, nullptr);
    // Ctrl-C must reach the thread that reads the terminal, not this one.
    zirn::app::block_terminal_signals();
    return zirn::app::run_on_interpreter_stack(run_terminal_session, nullptr);
}
