#include "app/entry_runner.h"

#include <exception>
#include <new>
#include <string>

#include "base/error.h"
#include "base/stack_guard.h"
#include "host/console.h"
#include "lex/excerpt.h"
#include "value/value.h"

namespace zirn::app {

namespace {

// At a terminal, an entry of several lines shows the line the error quotes;
// piped sessions keep their one-line reports.
void show_entry_line(exec::Interpreter& interp, const value::Value& typed, const Error& error)
{
    if (!interp.console().interactive() || !typed.is(value::Type::String)) return;
    const std::string& text = typed.text();
    if (text.find('\n') == std::string::npos) return;
    interp.report_lines(lex::excerpt_for_entry(text, error.what()));
}

}  // namespace

void ReportingEntryRunner::run(exec::Interpreter& interp, exec::TypedEntry& entry) const
{
    // A line that fails also goes back to the folder it started in.
    exec::DirectoryWatch directory(interp);
    try {
        entry.run();
    } catch (const Error& error) {
        directory.back_to_start();
        interp.report_error(describe(error));
        show_entry_line(interp, entry.text(), error);
        // A recursion that went deep leaves its stack pages resident.
        if (error.kind() == ErrorKind::Recursion) release_stack_below_here();
    } catch (const std::bad_alloc&) {
        directory.back_to_start();
        interp.report_error("out of memory");
    } catch (const std::exception& error) {
        directory.back_to_start();
        interp.report_error(error.what());
    }
}

}  // namespace zirn::app
