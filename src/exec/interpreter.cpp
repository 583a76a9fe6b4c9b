#include "exec/interpreter.h"

#include "lex/error.h"
#include "lex/limits.h"
#include "lex/splitter.h"

namespace zirn::exec {

Interpreter::Interpreter(const BuiltinTable& builtins, Console& console) : m_builtins(builtins), m_console(console) {}

std::string Interpreter::read_input_line()
{
    if (!m_prompt_read_armed) return m_console.read_line(false).value_or("");
    m_prompt_read_armed = false;

    std::optional<std::string> line = m_console.read_line(true);
    if (!line) throw EndOfInput{};
    // A quote, brace or parenthesis left open continues on the next line, so
    // multi-line functions can be typed or piped in.
    std::string text = std::move(*line);
    while (!lex::is_balanced(text)) {
        m_console.write("... ");
        std::optional<std::string> more = m_console.read_line(true);
        if (!more) break;  // still open: running it reports the open text
        text += '\n';
        text += *more;
    }
    m_console.remember(text);
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

}  // namespace zirn::exec
