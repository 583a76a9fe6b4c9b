#include "exec/warnings.h"

#include "exec/code.h"
#include "exec/interpreter.h"
#include "base/error.h"

namespace zirn::exec {

std::string_view rule_name(WarningRule rule)
{
    switch (rule) {
#define ZIRN_WARNING_CASE(rule, name) \
    case WarningRule::rule:           \
        return name;
        ZIRN_WARNING_RULES(ZIRN_WARNING_CASE)
#undef ZIRN_WARNING_CASE
    }
    return "";
}

bool warnings_wanted()
{
    const Interpreter* interp = interpreter_on_this_thread();
    return interp != nullptr && interp->warning_mode() != WarningMode::Off;
}

namespace {

// The statement a warning is shown at: `at` when it came from a file, else
// the innermost statement being run that came from one (text run by `exec`
// shows at the `exec`); with no file anywhere, the innermost statement.
const Statement* place_of(const Interpreter& interp, const Statement* at)
{
    if (at != nullptr && at->file != nullptr) return at;
    const Statement* innermost = at;
    for (const RunPosition* position = interp.innermost_position(); position != nullptr;
         position = position->outer) {
        if (position->statement == nullptr) continue;
        if (position->statement->file != nullptr) return position->statement;
        if (innermost == nullptr) innermost = position->statement;
    }
    return innermost;
}

}  // namespace

void warn_with(Interpreter& interp, WarningRule rule, const std::string& message, const Statement* at)
{
    if (interp.warning_mode() == WarningMode::Off) return;
    const Statement* place = place_of(interp, at);
    std::string text = message;
    text += " [";
    text += rule_name(rule);
    text += "]";
    if (interp.warning_mode() == WarningMode::Stop) {
        Error error(ErrorKind::Warning, text);
        if (place != nullptr && place->file != nullptr) {
            error.place().file = *place->file;
            error.place().line = place->line;
        }
        throw error;
    }
    if (!interp.first_warning_at(place, rule)) return;
    std::string line;
    if (place != nullptr && place->file != nullptr) line = *place->file + ":" + std::to_string(place->line) + ": ";
    line += "warning: ";
    line += text;
    interp.console().report(line);
    // Under it, as under an error: the program's line, carets under what
    // the message quotes.
    if (place != nullptr && place->file != nullptr) interp.report_source_line(*place->file, place->line, message);
}

}  // namespace zirn::exec
