// The console a running program talks to: standard output and input.
//
// Builtins write and read only through this interface, so the REPL can put
// line editing in front of a terminal, and tests can drive the interpreter
// through string streams.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "value/growing_text.h"

namespace zirn::host {

// Thrown when standard output can no longer be written (a full disk, a
// closed pipe): the program's output is being lost, so the session ends
// with an error. It derives from no standard exception so that the REPL's
// error handlers, which report a line and go on, let it pass.
struct OutputLost {
    std::string reason;
    // The reader went away (`zirn prog | head`): nothing is wrong that
    // anyone needs to be told, so the program ends quietly.
    bool reader_gone = false;
};

// What a line is read for: a program's `$input`, the REPL's prompt, or a
// continuation line of an entry left open at the prompt.
enum class LineKind { Program, Prompt, Continuation };

// Raised by a continuation read when the person discards the whole entry
// being typed (Ctrl-C at a terminal). Not an error: the prompt comes back.
struct EntryDiscarded {};

// What a console may ask of the program it serves: a terminal passes
// Ctrl-C on to it and completes the names it knows.
class ConsoleClient {
public:
    virtual ~ConsoleClient() = default;
    // Asks the running program to stop at its next statement. Only sets
    // flags, so a signal handler may call it.
    virtual void request_interrupt() = 0;
    // Raises the interrupt asked for since the last check, if any.
    virtual void check_interrupt() = 0;
    // Forgets an interrupt asked for.
    virtual void clear_interrupt() = 0;
    // What Tab offers for the word `word`.
    virtual std::vector<std::string> completions(std::string_view word) const = 0;
};

class Console {
public:
    virtual ~Console() = default;

    // Writes text; it may stay buffered until the next flush. Writing and
    // flushing raise OutputLost when the output cannot take the text.
    virtual void write(std::string_view text) = 0;
    // Writes a line feed and flushes.
    virtual void end_line() = 0;
    virtual void flush() = 0;
    // Reads one line without its line feed, after flushing pending output.
    // Returns nothing at end of input, and keeps returning nothing after it.
    // A line longer than the text limit raises Error(TooLarge).
    virtual std::optional<std::string> read_line(LineKind kind) = 0;
    // Keeps one complete REPL entry (possibly several joined lines) for
    // recall with line editing.
    virtual void remember(std::string_view /*entry*/) {}
    // Writes one report line to the error stream (never raising
    // OutputLost, so that the loss itself can be reported).
    virtual void report(std::string_view line) = 0;
    // Why reading the input failed, when it ended with an error rather than
    // at its end (a closed descriptor, a folder); empty otherwise. The read
    // that failed returned nothing, as at the end of input.
    virtual std::string read_failure() const { return {}; }
    // True when a person is typing (the input is a terminal).
    virtual bool interactive() const { return false; }
    // The session tells the console which program it serves, and null
    // when that one is gone, so a terminal can route Ctrl-C to it.
    virtual void attach(ConsoleClient* /*client*/) {}
};

// Reads one entry at the prompt: a line, and while a quote, brace or
// parenthesis is left open, more lines (each asked for with "... ") joined
// by line feeds. Nothing at the end of input; an entry still open there is
// returned as it is (running it reports the open text). The empty entry
// when the person discards it (EntryDiscarded). A complete entry is kept
// for recall (Console::remember). Raises Error(TooLarge) when the joined
// lines would pass the text limit.
std::optional<std::string> read_entry(Console& console);

// A console over plain streams: what piped input and the tests use.
class StreamConsole : public Console {
public:
    StreamConsole(std::istream& in, std::ostream& out, std::ostream& err);

    void write(std::string_view text) override;
    void end_line() override;
    void flush() override;
    std::optional<std::string> read_line(LineKind kind) override;
    void report(std::string_view line) override;
    std::string read_failure() const override { return m_read_failure; }

private:
    // Raises OutputLost when the output stream has failed.
    void check_output();
    // Adds a piece of the line being read; past the text limit, skips the
    // rest of the line and raises Error(TooLarge).
    void append_piece(value::GrowingText& line, std::string_view piece);

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_at_end = false;
    std::string m_read_failure;
};

}  // namespace zirn::host
