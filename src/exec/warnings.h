// Warnings: a program that runs, but most likely not the way its writer
// meant (a divisor of zero, arithmetic on a list, a function that changes
// its caller's variable, ...).
//
// Each rule has a name and is seen at the one place in the interpreter
// where its behaviour is defined; there it calls warn(), which costs
// nothing until the condition holds. A warning is written once per place in
// the program, on the error stream, as
//   prog.zirn:3: warning: (7 / 0) divides by zero, which gives 0 ... [zero-divisor]
// With warnings made errors it stops the program like any error instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zirn::exec {

class Interpreter;
struct Statement;

enum class WarningMode : std::uint8_t {
    Off,     // nothing is said (a REPL reading piped input, unless asked)
    Report,  // each warning is written once per place and the program goes on
    Stop,    // a warning ends the program like an error
};

#define ZIRN_WARNING_RULES(X)                       \
    X(CallerVariable, "caller-variable")            \
    X(ZeroDivisor, "zero-divisor")                  \
    X(NoNumberOperand, "list-operand")              \
    X(AddToNonList, "add-to-non-list")              \
    X(InexactComparison, "inexact-comparison")      \
    X(OlderBinding, "older-binding")                \
    X(DecodeTrailingBlank, "decodelist-trailing")

enum class WarningRule : std::uint8_t {
#define ZIRN_WARNING_ENUM(rule, name) rule,
    ZIRN_WARNING_RULES(ZIRN_WARNING_ENUM)
#undef ZIRN_WARNING_ENUM
};

// A byte that may be part of a name: letters, digits and "_".
inline bool is_name_byte(char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == '_';
}

// "arg" and a decimal index: a name that only a call binds.
inline bool is_argument_name(std::string_view name)
{
    return name.size() > 3 && name.substr(0, 3) == "arg" &&
           name.find_first_not_of("0123456789", 3) == std::string_view::npos;
}

// The name a warning shows in brackets, and `-W` documentation uses.
std::string_view rule_name(WarningRule rule);

// Where the statement being run is, innermost run first: every run links
// one of these while it lives, so that a warning raised deep inside an
// operator knows its line without anything being passed down.
struct RunPosition {
    const RunPosition* outer = nullptr;
    const Statement* statement = nullptr;
};

// The interpreter running on this thread (the last one constructed here
// that still lives), or null.
Interpreter* interpreter_on_this_thread();

// Warns about `rule` at the statement the interpreter on this thread is
// running. `message` is built only when the warning is to be shown.
// Does nothing when warnings are off.
template <class MakeMessage>
[[gnu::cold]] void warn(WarningRule rule, MakeMessage make_message);

// The same with the message at hand, and the place given: `at` is the
// statement to show (null: the statement being run).
[[gnu::cold, gnu::noinline]] void warn_with(Interpreter& interp, WarningRule rule, const std::string& message,
                                            const Statement* at = nullptr);

// True when the interpreter on this thread shows or stops on warnings.
bool warnings_wanted();

template <class MakeMessage>
void warn(WarningRule rule, MakeMessage make_message)
{
    if (!warnings_wanted()) return;
    warn_with(*interpreter_on_this_thread(), rule, make_message());
}

}  // namespace zirn::exec
