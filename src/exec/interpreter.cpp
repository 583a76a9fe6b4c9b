#include "exec/interpreter.h"

#include <fcntl.h>
#include <unistd.h>

#include "base/error.h"
#include "base/limits.h"
#include "lex/splitter.h"

namespace zirn::exec {

Interpreter::Interpreter(const BuiltinTable& builtins, Console& console) : m_builtins(builtins), m_console(console) {}

namespace {

// What people type to leave or to get help in other interpreters. None of
// them is a ZIRN statement.
bool asks_to_leave(std::string_view entry)
{
    const std::size_t first = entry.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    entry = entry.substr(first, entry.find_last_not_of(" \t") + 1 - first);
    for (std::string_view word : {"exit", "quit", "help", "exit()", "quit()", "help()"}) {
        if (entry == word) return true;
    }
    return false;
}

}  // namespace

std::string Interpreter::read_input_line()
{
    if (!m_prompt_read_armed) return m_console.read_line(LineKind::Program).value_or("");
    m_prompt_read_armed = false;

    std::optional<std::string> line = m_console.read_line(LineKind::Prompt);
    if (!line) throw EndOfInput{};
    // A quote, brace or parenthesis left open continues on the next line, so
    // multi-line functions can be typed or piped in.
    std::string text = std::move(*line);
    while (!lex::is_balanced(text)) {
        m_console.write("... ");
        std::optional<std::string> more;
        try {
            more = m_console.read_line(LineKind::Continuation);
        } catch (const EntryDiscarded&) {
            return "";  // nothing of the entry runs
        }
        if (!more) break;  // still open: running it reports the open text
        if (more->size() >= limits::max_text_bytes - text.size()) {
            throw Error(ErrorKind::TooLarge, "an entry of several lines would pass " +
                                                 std::to_string(limits::max_text_bytes) + " bytes");
        }
        text += '\n';
        text += *more;
    }
    m_console.remember(text);
    if (m_console.interactive() && asks_to_leave(text)) {
        // A person looking for the way out gets it instead of an error.
        m_console.write("ZIRN has no such command. To leave, press Ctrl-D on an empty line;\n"
                        "'man zirn' and the user guide describe the language.");
        m_console.end_line();
        return "";
    }
    return text;
}

void Interpreter::report_error(std::string_view message)
{
    std::string line = "error: ";
    line += message;
    m_console.report(line);
    ++m_errors_reported;
}

void Interpreter::attend(bool interruptible)
{
    if (m_interrupt_requested.load()) {
        if (interruptible) take_interrupt();
    } else if (!m_step_budget_set) {
        // Nothing waits any more. An interrupt requested meanwhile sets
        // the flag again, or is seen by the second look.
        m_attention.store(false);
        if (m_interrupt_requested.load()) m_attention.store(true);
    }
    if (m_step_budget_set) spend_step();
}

void Interpreter::take_interrupt()
{
    clear_interrupt();
    throw Error(ErrorKind::Interrupted, "");
}

void Interpreter::spend_step()
{
    if (m_steps_left == 0) throw Error(ErrorKind::StepBudget, "the session ran out of steps");
    --m_steps_left;
}

void Interpreter::enter_call()
{
    if (m_call_depth >= limits::max_call_depth) {
        throw Error(ErrorKind::Recursion,
                    "more than " + std::to_string(limits::max_call_depth) + " nested function calls");
    }
    ++m_call_depth;
}

void Interpreter::raise_nesting_too_deep()
{
    throw Error(ErrorKind::Recursion, "more than " + std::to_string(limits::max_nesting_depth) +
                                          " nested runs, evaluations and calls");
}

void Interpreter::note_directory_change()
{
    if (!m_directory_watched) return;
    if (m_file_access == FileAccess::Sandboxed) {
        if (!m_sandbox_directory_before) m_sandbox_directory_before = m_sandbox.current();
        return;
    }
    // A descriptor finds the folder again even when it was renamed
    // meanwhile. Should none be had, the line simply stays where it went.
    if (m_directory_before < 0) m_directory_before = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

DirectoryWatch::DirectoryWatch(Interpreter& interp)
    : m_interp(interp),
      m_outer_watched(interp.m_directory_watched),
      m_outer_before(interp.m_directory_before),
      m_outer_sandbox_before(std::move(interp.m_sandbox_directory_before))
{
    m_interp.m_directory_watched = true;
    m_interp.m_directory_before = -1;
    m_interp.m_sandbox_directory_before.reset();
}

DirectoryWatch::~DirectoryWatch()
{
    if (m_interp.m_directory_before >= 0) ::close(m_interp.m_directory_before);
    m_interp.m_directory_watched = m_outer_watched;
    m_interp.m_directory_before = m_outer_before;
    m_interp.m_sandbox_directory_before = std::move(m_outer_sandbox_before);
}

void DirectoryWatch::back_to_start()
{
    if (m_interp.m_sandbox_directory_before) {
        m_interp.m_sandbox.return_to(std::move(*m_interp.m_sandbox_directory_before));
        m_interp.m_sandbox_directory_before.reset();
    }
    if (m_interp.m_directory_before >= 0) {
        [[maybe_unused]] const int ignored = ::fchdir(m_interp.m_directory_before);
        ::close(m_interp.m_directory_before);
        m_interp.m_directory_before = -1;
    }
}

}  // namespace zirn::exec
