#include "exec/interpreter.h"

#include "base/error.h"
#include "base/limits.h"
#include "exec/code.h"
#include "lex/excerpt.h"

namespace zirn::exec {

namespace {

// Operators and conversions find the interpreter to warn through here:
// nothing is passed down to them for the sake of a warning.
thread_local Interpreter* running_on_thread = nullptr;


const FolderLibrarySearch folder_library_search;

}  // namespace

Interpreter* interpreter_on_this_thread() { return running_on_thread; }

LibrarySource FolderLibrarySearch::find(const std::string& file_name, host::FileSystem& files) const
{
    const std::string in_lib = "lib/" + file_name;
    if (std::optional<std::string> text = files.load(in_lib, "also")) return {std::move(*text), in_lib};
    return {files.load(file_name, "also").value_or(""), file_name};
}

Interpreter::Interpreter(const BuiltinTable& builtins, host::Console& console)
    : m_builtins(&builtins),
      m_console(console),
      m_library_search(&folder_library_search),
      m_previous_on_thread(running_on_thread)
{
    running_on_thread = this;
}

Interpreter::~Interpreter()
{
    // Interpreters of one thread usually end in the reverse order of their
    // start, but need not: this one leaves the chain wherever it is in it.
    if (running_on_thread == this) {
        running_on_thread = m_previous_on_thread;
        return;
    }
    for (Interpreter* later = running_on_thread; later != nullptr; later = later->m_previous_on_thread) {
        if (later->m_previous_on_thread == this) {
            later->m_previous_on_thread = m_previous_on_thread;
            return;
        }
    }
}

bool Interpreter::first_warning_at(const Statement* statement, WarningRule rule)
{
    const bool in_file = statement != nullptr && statement->file != nullptr;
    auto place = in_file ? std::make_tuple(*statement->file, statement->line, static_cast<const Statement*>(nullptr), rule)
                         : std::make_tuple(std::string(), std::uint32_t{0}, statement, rule);
    return m_warned.insert(std::move(place)).second;
}

std::string Interpreter::read_input_line()
{
    if (!m_prompt_read_armed) return m_console.read_line(host::LineKind::Program).value_or("");
    m_prompt_read_armed = false;
    std::optional<std::string> entry =
        m_prompt_reader != nullptr ? m_prompt_reader->read_entry(m_console) : host::read_entry(m_console);
    if (!entry) throw EndOfInput{};
    return std::move(*entry);
}

void Interpreter::report_error(std::string_view message)
{
    std::string line = "error: ";
    line += message;
    m_console.report(line);
    ++m_errors_reported;
}

void Interpreter::report_source_line(std::string_view file, std::uint32_t line, std::string_view message)
{
    if (m_program_name.empty() || file != m_program_name) return;
    report_lines(lex::excerpt_for_message(m_program_text, line, message));
}

void Interpreter::report_lines(std::string_view lines)
{
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        m_console.report(lines.substr(0, end));
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
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

void Interpreter::raise_calls_too_deep()
{
    throw Error(ErrorKind::Recursion, "more than " + std::to_string(limits::max_call_depth) + " nested function calls");
}

void Interpreter::raise_nesting_too_deep()
{
    throw Error(ErrorKind::Recursion, "more than " + std::to_string(m_max_nesting) +
                                          " nested runs, evaluations and calls");
}

void Interpreter::set_file_access(FileAccess access)
{
    m_file_access = access;
    switch (access) {
    case FileAccess::Real: m_files = &host::real_file_system(); break;
    case FileAccess::Disabled: m_files = &host::no_file_system(); break;
    case FileAccess::Sandboxed: m_files = &m_sandbox_files; break;
    }
}

void Interpreter::note_directory_change()
{
    // Should no mark be had, the line simply stays where it went.
    if (m_directory_watched && !m_folder_before) m_folder_before = m_files->mark_current_folder();
}

DirectoryWatch::DirectoryWatch(Interpreter& interp)
    : m_interp(interp), m_outer_watched(interp.m_directory_watched), m_outer_before(std::move(interp.m_folder_before))
{
    m_interp.m_directory_watched = true;
    m_interp.m_folder_before.reset();
}

DirectoryWatch::~DirectoryWatch()
{
    m_interp.m_directory_watched = m_outer_watched;
    m_interp.m_folder_before = std::move(m_outer_before);
}

void DirectoryWatch::back_to_start()
{
    if (!m_interp.m_folder_before) return;
    m_interp.m_folder_before->go_back();
    m_interp.m_folder_before.reset();
}

}  // namespace zirn::exec
