// The console of a session at a terminal: lines are read with GNU readline
// (editing, Tab completion, and a history of the REPL's entries kept across
// sessions), Ctrl-C stops the running line or discards the typed entry,
// Ctrl-D on an empty line is end of input.
//
// Used only when standard input and standard output are both terminals.
// readline keeps its state in globals, so a process has at most one of these.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/history_file.h"
#include "app/terminal_signals.h"
#include "host/console.h"

namespace zirn::app {

class TerminalConsole : public host::Console {
public:
    TerminalConsole();
    ~TerminalConsole() override;
    TerminalConsole(const TerminalConsole&) = delete;
    TerminalConsole& operator=(const TerminalConsole&) = delete;

    // The program that Ctrl-C interrupts and Tab completes for, or null
    // once it is gone.
    void attach(host::ConsoleClient* client) override;

    void write(std::string_view text) override;
    void end_line() override;
    void flush() override;
    // The text already written on the current line (the "> " prompt, or a
    // program's question) becomes readline's prompt, so editing redraws it.
    // Ctrl-C at a continuation read discards the whole entry
    // (EntryDiscarded).
    std::optional<std::string> read_line(host::LineKind kind) override;
    void remember(std::string_view entry) override;
    void report(std::string_view line) override;
    bool interactive() const override { return true; }
    // Why reading the terminal failed (it ends the input as its end
    // would), or empty.
    std::string read_failure() const override { return m_read_failure; }

    // What is written until the first line is read is the banner, painted
    // when colour is wanted (see colour.h).
    void paint_banner_until_first_read() { m_banner_open = m_colour_screen; }

private:
    enum class LineEnd { Entered, EndOfInput, Interrupted };

    // Edits one line after `prompt`; fills `line` when it was entered.
    LineEnd edit_line(const std::string& prompt, std::string& line);
    // Ctrl-C at a read: the typed text is dropped and the cursor moves to a
    // fresh line.
    void abandon_typed_line();
    // A program's read raises the pending interrupt instead of waiting.
    void raise_pending_interrupt();
    void drop_pending_interrupt();
    // Starts a new output line unless the cursor is at its start already.
    void move_to_fresh_line();
    void note_output(std::string_view text);

    std::optional<HistoryFile> m_history;  // none: the history is not kept
    TerminalSignals m_signals;
    host::ConsoleClient* m_client = nullptr;
    std::string m_open_line;  // written since the last line feed or carriage return
    bool m_colour_screen;     // the prompt and the banner get colour
    bool m_colour_reports;    // error and warning lines get colour
    bool m_banner_open = false;
    std::string m_read_failure;
};

}  // namespace zirn::app
