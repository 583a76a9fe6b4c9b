// The zirn executable. Without arguments it runs the built-in REPL on
// standard input and output; with a file (or -e and a text) it runs that
// program and ends; see command_line.h.
//
// With a terminal on both standard input and standard output, the REPL reads
// lines with line editing and Ctrl-C stops the running line; otherwise the
// plain streams are used byte for byte and signals keep their default
// actions. Programs always use the plain streams.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iostream>

#include "app/command_line.h"
#include "app/program.h"
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

struct ProgramRun {
    std::string name;
    std::string text;
    const std::vector<std::string>* arguments;
};

int run_program_on_streams(void* context)
{
    const auto* run = static_cast<const ProgramRun*>(context);
    zirn::exec::StreamConsole console(std::cin, std::cout, std::cerr);
    return zirn::app::run_program(console, run->name, run->text, *run->arguments);
}

// Prints one of the texts the options ask for. Output that cannot be
// written (`zirn --help >/dev/full`) is reported as the console reports it,
// with status 1.
int print_text(const std::string& text)
{
    zirn::exec::StreamConsole console(std::cin, std::cout, std::cerr);
    try {
        console.write(text);
        console.flush();
    } catch (const zirn::exec::OutputLost& lost) {
        console.report("error: cannot write to standard output: " + lost.reason);
        return 1;
    }
    return 0;
}

// A standard stream closed at start (`zirn <&-`) must stay closed to the
// program: otherwise the next file opened would take its number, and
// output meant for the screen would land in that file. Each gets /dev/null
// opened the wrong way round, so reading standard input or writing
// standard output still fails as it would on the closed stream.
void hold_closed_standard_streams()
{
    const int wrong_way[] = {O_WRONLY, O_RDONLY, O_RDONLY};
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", wrong_way[fd]);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}

bool at_terminal() { return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1; }

int run_repl()
{
    if (!at_terminal()) return zirn::app::run_on_interpreter_stack(run_standard_session, nullptr);
    // Ctrl-C must reach the thread that reads the terminal, not this one.
    zirn::app::block_terminal_signals();
    return zirn::app::run_on_interpreter_stack(run_terminal_session, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    hold_closed_standard_streams();
    std::ios::sync_with_stdio(false);
    // A reader that goes away (`zirn | head`) makes writes fail, which ends
    // the run with an error, instead of killing the process unasked.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> words(argv, argv + argc);
    const zirn::app::CommandLine command = zirn::app::parse_command_line(words);
    switch (command.action) {
    case zirn::app::Action::Repl: return run_repl();
    case zirn::app::Action::Help: return print_text(zirn::app::usage_text());
    case zirn::app::Action::Version: return print_text(zirn::app::version_text());
    case zirn::app::Action::Misuse:
        std::cerr << "zirn: " << command.problem << "\n" << zirn::app::usage_text() << std::flush;
        return 2;
    case zirn::app::Action::RunText: {
        ProgramRun run{"-e", command.program, &command.arguments};
        return zirn::app::run_on_interpreter_stack(run_program_on_streams, &run);
    }
    case zirn::app::Action::RunFile: {
        std::string problem;
        std::optional<std::string> text = zirn::app::read_program_file(command.program, problem);
        if (!text) {
            std::cerr << "error: " << problem << std::endl;
            return 1;
        }
        ProgramRun run{command.program, std::move(*text), &command.arguments};
        return zirn::app::run_on_interpreter_stack(run_program_on_streams, &run);
    }
    }
    return 2;
}
