// The zirn executable. Without arguments it runs the built-in REPL on
// standard input and output; with a file (or -e and a text, or - for
// standard input) it runs that program and ends, or with -i goes on at the
// prompt; see command_line.h.
//
// With a terminal on both standard input and standard output, the REPL reads
// lines with line editing and Ctrl-C stops the running line; otherwise the
// plain streams are used byte for byte and signals keep their default
// actions. Programs always use the plain streams.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "app/check_command.h"
#include "app/colour.h"
#include "app/command_line.h"
#include "app/program.h"
#include "app/repl_text.h"
#include "app/session.h"
#include "app/terminal_console.h"
#include "host/console.h"
#include "lsp/serve.h"

namespace {

// The plain standard streams; error lines get colour when standard error
// is a terminal that wants it.
class StandardConsole : public zirn::host::StreamConsole {
public:
    StandardConsole()
        : zirn::host::StreamConsole(std::cin, std::cout, std::cerr), m_colour(zirn::app::colour_wanted_for(STDERR_FILENO))
    {
    }
    void report(std::string_view line) override
    {
        zirn::host::StreamConsole::report(m_colour ? zirn::app::paint_report(line) : std::string(line));
    }

private:
    bool m_colour;
};

int run_standard_session(void* context)
{
    StandardConsole console;
    const auto warnings = *static_cast<const zirn::exec::WarningMode*>(context);
    return zirn::app::run_session(console, zirn::exec::FileAccess::Real, 0, warnings);
}

int run_terminal_session(void* context)
{
    zirn::app::TerminalConsole console;
    const auto warnings = *static_cast<const zirn::exec::WarningMode*>(context);
    console.paint_banner_until_first_read();
    return zirn::app::run_session(console, zirn::exec::FileAccess::Real, 0, warnings);
}

struct ProgramRun {
    std::string name;
    std::string text;
    const std::vector<std::string>* arguments;
    zirn::exec::WarningMode warnings;
};

int run_program_on_streams(void* context)
{
    const auto* run = static_cast<const ProgramRun*>(context);
    StandardConsole console;
    return zirn::app::run_program(console, run->name, run->text, *run->arguments, run->warnings);
}

int check_on_streams(void* context)
{
    return zirn::app::run_check(*static_cast<const zirn::app::CommandLine*>(context), std::cerr);
}

// `zirn --lsp`: the language server, which knows the built-in library as
// `also` finds it in a program run from a file.
int serve_language_server(void*)
{
    std::vector<zirn::lsp::BuiltInLibrary> built_in;
    for (const zirn::app::LibraryFile& file : zirn::app::library_files) built_in.push_back({file.name, file.text});
    return zirn::lsp::serve(std::cin, std::cout, std::move(built_in));
}

// `zirn -i`: the program, then the prompt, at a terminal or on the streams.
int run_program_then_standard_session(void* context)
{
    const auto* run = static_cast<const ProgramRun*>(context);
    StandardConsole console;
    return zirn::app::run_program_then_session(console, run->name, run->text, *run->arguments, run->warnings);
}

int run_program_then_terminal_session(void* context)
{
    const auto* run = static_cast<const ProgramRun*>(context);
    zirn::app::TerminalConsole console;
    return zirn::app::run_program_then_session(console, run->name, run->text, *run->arguments, run->warnings);
}

// Prints one of the texts the options ask for. Output that cannot be
// written (`zirn --help >/dev/full`) is reported as the console reports it,
// with status 1.
int print_text(const std::string& text)
{
    zirn::host::StreamConsole console(std::cin, std::cout, std::cerr);
    try {
        console.write(text);
        console.flush();
    } catch (const zirn::host::OutputLost& lost) {
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

// The mode the command line, ZIRN_WARNINGS and the kind of run choose.
zirn::exec::WarningMode chosen_warnings(const zirn::app::CommandLine& command)
{
    const bool piped_repl = command.action == zirn::app::Action::Repl && !at_terminal();
    std::string notice;
    const zirn::app::WarningMode mode =
        zirn::app::choose_warning_mode(command, std::getenv("ZIRN_WARNINGS"), piped_repl, notice);
    if (!notice.empty()) std::cerr << "zirn: " << notice << "\n";
    switch (mode) {
    case zirn::app::WarningMode::All: return zirn::exec::WarningMode::Report;
    case zirn::app::WarningMode::None: return zirn::exec::WarningMode::Off;
    case zirn::app::WarningMode::Error: return zirn::exec::WarningMode::Stop;
    }
    return zirn::exec::WarningMode::Off;
}

int run_repl(zirn::exec::WarningMode warnings)
{
    if (!at_terminal()) return zirn::app::run_on_interpreter_stack(run_standard_session, &warnings);
    // Ctrl-C must reach the thread that reads the terminal, not this one.
    zirn::app::block_terminal_signals();
    return zirn::app::run_on_interpreter_stack(run_terminal_session, &warnings);
}

int run(ProgramRun& program, bool then_prompt)
{
    if (!then_prompt) return zirn::app::run_on_interpreter_stack(run_program_on_streams, &program);
    if (!at_terminal()) return zirn::app::run_on_interpreter_stack(run_program_then_standard_session, &program);
    zirn::app::block_terminal_signals();
    return zirn::app::run_on_interpreter_stack(run_program_then_terminal_session, &program);
}

int cannot_read(const std::string& problem)
{
    const std::string line = "error: " + problem;
    std::cerr << (zirn::app::colour_wanted_for(STDERR_FILENO) ? zirn::app::paint_report(line) : line) << std::endl;
    return 1;
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
    case zirn::app::Action::Repl: return run_repl(chosen_warnings(command));
    case zirn::app::Action::Help: return print_text(zirn::app::usage_text());
    case zirn::app::Action::Version: return print_text(zirn::app::version_text());
    case zirn::app::Action::Misuse:
        std::cerr << "zirn: " << command.problem << "\n" << zirn::app::usage_text() << std::flush;
        return 2;
    case zirn::app::Action::Check: {
        // Deeply nested text is checked by recursion: on the large stack too.
        zirn::app::CommandLine check = command;
        return zirn::app::run_on_interpreter_stack(check_on_streams, &check);
    }
    case zirn::app::Action::LanguageServer:
        // Deeply nested documents are checked by recursion, as with --check.
        return zirn::app::run_on_interpreter_stack(serve_language_server, nullptr);
    case zirn::app::Action::RunText: {
        ProgramRun program{"-e", command.program, &command.arguments, chosen_warnings(command)};
        return run(program, command.then_prompt);
    }
    case zirn::app::Action::RunFile: {
        std::string problem;
        std::optional<std::string> text = zirn::app::read_program_file(command.program, problem);
        if (!text) return cannot_read(problem);
        ProgramRun program{command.program, std::move(*text), &command.arguments, chosen_warnings(command)};
        return run(program, command.then_prompt);
    }
    case zirn::app::Action::RunStandardInput: {
        std::string problem;
        std::optional<std::string> text = zirn::app::read_program_stream(std::cin, problem);
        if (!text) return cannot_read(problem);
        ProgramRun program{std::string(zirn::app::standard_input_name), std::move(*text), &command.arguments, chosen_warnings(command)};
        return run(program, command.then_prompt);
    }
    }
    return 2;
}
