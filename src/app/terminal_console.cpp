#include "app/terminal_console.h"

// readline's headers need the standard C stream declarations first.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <readline/history.h>
#include <readline/readline.h>

#include "app/colour.h"

namespace zirn::app {

namespace {

// Enough for any session, and kept across sessions; the oldest entries go
// first.
constexpr int history_limit = 1000;

// The program whose names Tab completes; readline's completion interface
// takes a plain function, so it is reached through this global.
const host::ConsoleClient* completing_for = nullptr;

// Words end at blanks, quotes, brackets and operators, but "$" and "_"
// belong to them.
char word_breaks[] = " \t\n\"'(){}+-*/<>=!,";

char* copy_for_readline(const std::string& text)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// readline's form of the completions of `text`: the text that replaces the
// word first (their common start, or the word itself when they share less),
// then every completion, then null.
extern "C" char** complete_word(const char* text, int /*start*/, int /*end*/)
{
    rl_attempted_completion_over = 1;  // never file names
    if (completing_for == nullptr) return nullptr;
    const std::vector<std::string> found = completing_for->completions(text);
    if (found.empty()) return nullptr;
    auto** matches = static_cast<char**>(std::malloc((found.size() + 2) * sizeof(char*)));
    std::size_t common = found.front().size();
    for (const std::string& match : found) {
        common = std::min(common, match.size());
        while (match.compare(0, common, found.front(), 0, common) != 0) --common;
    }
    const std::string word = text;
    const std::string start = found.front().substr(0, common);
    std::size_t count = 0;
    matches[count++] = copy_for_readline(start.rfind(word, 0) == 0 ? start : word);
    if (found.size() > 1) {
        for (const std::string& match : found) matches[count++] = copy_for_readline(match);
    }
    matches[count] = nullptr;
    // A call is completed up to its open parenthesis: no blank after it.
    if (found.size() == 1 && found.front().back() == '(') rl_completion_suppress_append = 1;
    return matches;
}

// Tab completes the word before the cursor; where there is none (at the
// start of a line, after a blank) it inserts itself, so that pasted
// tab-indented code stays as it is.
extern "C" int complete_or_indent(int count, int key)
{
    const unsigned char before = rl_point > 0 ? static_cast<unsigned char>(rl_line_buffer[rl_point - 1]) : ' ';
    if (std::isalnum(before) == 0 && before != '_' && before != '$') return rl_insert(count, '\t');
    // A second Tab in a row lists the completions, as readline's own does.
    if (rl_last_func == complete_or_indent) rl_last_func = rl_complete;
    return rl_complete(count, key);
}

// A ")" typed right after a completion takes back the blank the completion
// added, which would make an empty last argument: `$print$(coun` Tab `)`
// gives `$print$(counter)`. Typed blanks stay.
extern "C" int close_parenthesis(int count, int key)
{
    const bool after_completion = rl_last_func == complete_or_indent || rl_last_func == rl_complete;
    if (after_completion && rl_point > 0 && rl_line_buffer[rl_point - 1] == ' ') {
        rl_delete_text(rl_point - 1, rl_point);
        --rl_point;
    }
    return rl_insert(count, key);
}

// What readline's line callback hands back. readline's callback interface
// takes a plain function, so the result passes through this one global.
struct AcceptedLine {
    bool done = false;
    bool end_of_input = false;
    std::string text;
};
AcceptedLine* accepted_line = nullptr;

// The error a read of the terminal failed with (EIO when zirn reads from a
// terminal it no longer owns), or 0. readline hands such a failure to the
// line callback as the end of input; this tells the two apart.
int key_read_error = 0;

extern "C" int read_key(FILE* stream)
{
    errno = 0;
    const int key = rl_getc(stream);
    if (key < 0 && errno != 0 && errno != EINTR) key_read_error = errno;
    return key;
}

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

// After `fg` the shell has left the cursor on a line of its own: the prompt
// and the line being edited are drawn there again.
void redraw_on_fresh_line()
{
    rl_on_new_line();
    rl_forced_update_display();
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
    rl_getc_function = read_key;
    // Reads the user's inputrc once, so the settings below win over it.
    rl_initialize();
    // A pasted block arrives as keys: each line feed enters one line.
    rl_variable_bind("enable-bracketed-paste", "off");
    rl_bind_key('\t', complete_or_indent);
    rl_bind_key(')', close_parenthesis);
    rl_attempted_completion_function = complete_word;
    rl_completer_word_break_characters = word_breaks;
    stifle_history(history_limit);
}

std::optional<HistoryFile> open_history_file()
{
    const std::optional<std::string> path = history_path([](const char* name) -> const char* { return std::getenv(name); });
    if (!path) return std::nullopt;
    return HistoryFile(*path, history_limit);
}

}  // namespace

TerminalConsole::TerminalConsole()
    : m_history(open_history_file()),
      m_colour_screen(colour_wanted_for(fileno(stdout))),
      m_colour_reports(colour_wanted_for(fileno(stderr)))
{
    set_up_readline();
    if (m_history) {
        for (const std::string& entry : m_history->load()) add_history(entry.c_str());
        if (!m_history->problem().empty()) {
            // Said once; the session goes on without a history file.
            const std::string notice = "note: the history is not kept: " + m_history->problem() + "\n";
            std::fputs(notice.c_str(), stderr);
            m_history.reset();
        }
    }
}

TerminalConsole::~TerminalConsole()
{
    attach(nullptr);
    std::fflush(stdout);
}

void TerminalConsole::attach(host::ConsoleClient* client)
{
    m_client = client;
    completing_for = client;
    route_interrupts_to(client);
}

void TerminalConsole::write(std::string_view text)
{
    if (m_banner_open) {
        const std::string painted = paint_banner(text);
        std::fwrite(painted.data(), 1, painted.size(), stdout);
    } else {
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    note_output(text);
}

void TerminalConsole::end_line()
{
    std::fputc('\n', stdout);
    std::fflush(stdout);
    m_open_line.clear();
}

void TerminalConsole::flush() { std::fflush(stdout); }

std::optional<std::string> TerminalConsole::read_line(host::LineKind kind)
{
    if (!m_read_failure.empty()) return std::nullopt;
    const bool repl_line = kind != host::LineKind::Program;
    if (repl_line) drop_pending_interrupt();
    else raise_pending_interrupt();
    const ProgramHistory history(!repl_line);
    m_banner_open = false;
    // The REPL's own prompts get colour; a program's question stays as the
    // program wrote it.
    const std::string prompt = repl_line && m_colour_screen ? paint_prompt_for_readline(m_open_line) : m_open_line;
    for (;;) {
        std::string line;
        switch (edit_line(prompt, line)) {
        case LineEnd::Entered:
            m_open_line.clear();
            return line;
        case LineEnd::EndOfInput:
            // The cursor stays after the prompt; a report moves on first.
            // A terminal that failed is not read again.
            if (key_read_error != 0) m_read_failure = std::generic_category().message(key_read_error);
            return std::nullopt;
        case LineEnd::Interrupted:
            if (!repl_line) {
                raise_pending_interrupt();
                return std::string();  // no interpreter to stop
            }
            drop_pending_interrupt();
            // At a continuation the whole entry goes; at the prompt, the
            // same prompt comes again on a fresh line.
            if (kind == host::LineKind::Continuation) throw host::EntryDiscarded{};
            break;
        }
    }
}

void TerminalConsole::remember(std::string_view entry)
{
    if (!has_visible_text(entry)) return;
    add_history(std::string(entry).c_str());
    if (m_history) m_history->append(entry);
}

void TerminalConsole::report(std::string_view line)
{
    // A Ctrl-C that stopped a line was echoed as "^C" by the terminal.
    if (take_interrupt_key() || !m_open_line.empty()) move_to_fresh_line();
    std::fflush(stdout);
    const std::string shown = m_colour_reports ? paint_report(line) : std::string(line);
    std::fwrite(shown.data(), 1, shown.size(), stderr);
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
    // readline puts the terminal in raw mode until the line is done.
    const TerminalRestoredOnExit restored(fileno(stdin));
    rl_callback_handler_install(prompt.c_str(), accept_line);
    while (!result.done) {
        if (take_window_resize()) rl_resize_terminal();
        if (take_resume_after_stop()) redraw_on_fresh_line();
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
    if (m_client != nullptr) m_client->check_interrupt();
}

void TerminalConsole::drop_pending_interrupt()
{
    take_interrupt_key();
    if (m_client != nullptr) m_client->clear_interrupt();
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
