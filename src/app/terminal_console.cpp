#include "app/terminal_console.h"

// readline's headers need the standard C stream declarations first.
#include <cstdio>
#include <cstdlib>

#include <readline/history.h>
#include <readline/readline.h>

#include "exec/interpreter.h"

namespace zirn::app {

namespace {

// Enough for any session; the oldest entries go first.
constexpr int history_limit = 1000;

// What readline's line callback hands back. readline's callback interface
// takes a plain function, so the result passes through this one global.
struct AcceptedLine {
    bool done = false;
    bool end_of_input = false;
    std::string text;
};
AcceptedLine* accepted_line = nullptr;

extern "C" void accept_line(char* line)
{
    accepted_line->done = true;
    accepted_line->end_of_input = line == nullptr;
    if (line != nullptr) {
        accepted_line->text = line;
        std::free(line);
    }
    // Removing the handler here keeps readline from drawing the prompt again.
    rl_callback_handler_remove();
}

bool has_visible_text(std::string_view text) { return text.find_first_not_of(" \t\n\r") != std::string_view::npos; }

// A program's own reads see an empty history of their own, so up arrow
// recalls nothing from the REPL there and nothing they read is kept.
class ProgramHistory {
public:
    explicit ProgramHistory(bool active) : m_repl_history(active ? history_get_history_state() : nullptr)
    {
        if (m_repl_history == nullptr) return;
        HISTORY_STATE empty{};
        history_set_history_state(&empty);
    }
    ~ProgramHistory()
    {
        if (m_repl_history == nullptr) return;
        history_set_history_state(m_repl_history);
        std::free(m_repl_history);
    }
    ProgramHistory(const ProgramHistory&) = delete;
    ProgramHistory& operator=(const ProgramHistory&) = delete;

private:
    HISTORY_STATE* m_repl_history;
};

void set_up_readline()
{
    rl_readline_name = "zirn";
    rl_instream = stdin;
    rl_outstream = stdout;
    // Signals are ours (terminal_signals.h); readline only edits.
    rl_catch_signals = 0;
    rl_catch_sigwinch = 0;
    // Reads the user's inputrc once, so the settings below win over it.
    rl_initialize();
    // A pasted block arrives as keys: each line feed enters one line.
    rl_variable_bind("enable-bracketed-paste", "off");
    // Tab inserts itself, so pasted tab-indented code stays as it is.
    rl_bind_key('\t', rl_insert);
    stifle_history(history_limit);
}

}  // namespace

TerminalConsole::TerminalConsole() { set_up_readline(); }

TerminalConsole::~TerminalConsole()
{
    attach(nullptr);
    std::fflush(stdout);
}

void TerminalConsole::attach(exec::Interpreter* interp)
{
    m_interp = interp;
    route_interrupts_to(interp);
}

void TerminalConsole::write(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    note_output(text);
}

void TerminalConsole::end_line()
{
    std::fputc('\n', stdout);
    std::fflush(stdout);
    m_open_line.clear();
}

void TerminalConsole::flush() { std::fflush(stdout); }

std::optional<std::string> TerminalConsole::read_line(bool repl_line)
{
    if (repl_line) drop_pending_interrupt();
    else raise_pending_interrupt();
    const ProgramHistory history(!repl_line);
    const std::string prompt = m_open_line;
    for (;;) {
        std::string line;
        switch (edit_line(prompt, line)) {
        case LineEnd::Entered:
            m_open_line.clear();
            return line;
        case LineEnd::EndOfInput:
            // The cursor stays after the prompt; a report moves on first.
            return std::nullopt;
        case LineEnd::Interrupted:
            if (!repl_line) {
                raise_pending_interrupt();
                return std::string();  // no interpreter to stop
            }
            drop_pending_interrupt();
            break;  // the same prompt again, on a fresh line
        }
    }
}

void TerminalConsole::remember(std::string_view entry)
{
    if (has_visible_text(entry)) add_history(std::string(entry).c_str());
}

void TerminalConsole::report(std::string_view line)
{
    // A Ctrl-C that stopped a line was echoed as "^C" by the terminal.
    if (take_interrupt_key() || !m_open_line.empty()) move_to_fresh_line();
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

TerminalConsole::LineEnd TerminalConsole::edit_line(const std::string& prompt, std::string& line)
{
    AcceptedLine result;
    accepted_line = &result;
    // The prompt is on the screen already: back to its start, so that
    // readline draws it again where it is and knows its width.
    std::fputs("\r", stdout);
    std::fflush(stdout);
    rl_callback_handler_install(prompt.c_str(), accept_line);
    while (!result.done) {
        if (take_window_resize()) rl_resize_terminal();
        if (take_interrupt_key()) {
            abandon_typed_line();
            accepted_line = nullptr;
            return LineEnd::Interrupted;
        }
        if (wait_for_key_or_signal(fileno(stdin)) == Wake::Readable) rl_callback_read_char();
    }
    accepted_line = nullptr;
    if (result.end_of_input) return LineEnd::EndOfInput;
    line = std::move(result.text);
    return LineEnd::Entered;
}

void TerminalConsole::abandon_typed_line()
{
    // Leaves any half-typed key sequence or search, forgets the line and
    // gives the terminal back its normal mode.
    rl_callback_sigcleanup();
    rl_free_line_state();
    rl_callback_handler_remove();
    std::fputs("^C\n", stdout);
    std::fflush(stdout);
    m_open_line.clear();
}

void TerminalConsole::raise_pending_interrupt()
{
    take_interrupt_key();
    if (m_interp != nullptr) m_interp->check_interrupt();
}

void TerminalConsole::drop_pending_interrupt()
{
    take_interrupt_key();
    if (m_interp != nullptr) m_interp->clear_interrupt();
}

void TerminalConsole::move_to_fresh_line()
{
    std::fputc('\n', stdout);
    std::fflush(stdout);
    m_open_line.clear();
}

void TerminalConsole::note_output(std::string_view text)
{
    const std::size_t line_end = text.find_last_of("\n\r");
    if (line_end == std::string_view::npos) {
        m_open_line += text;
    } else {
        m_open_line.assign(text.substr(line_end + 1));
    }
}

}  // namespace zirn::app
