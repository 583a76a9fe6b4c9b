// What one running interpreter shares across all its nested runs.
//
// The interpreter itself is a set of free functions (executor.h,
// evaluate.h); this object carries what they need besides their tables: the
// builtin table, the console, the nesting depth, the flag a Ctrl-C sets and
// the REPL's error count.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "exec/bindings.h"
#include "host/console.h"
#include "host/file_system.h"
#include "host/sandbox.h"
#include "base/limits.h"
#include "base/stack_guard.h"
#include "exec/warnings.h"
#include "value/cycles.h"
#include "value/var_table.h"

namespace zirn::exec {

class Interpreter;
struct CallSite;

// What a builtin receives: its call, whose arguments it evaluates itself
// (see builtins/registry.h). While it runs, arg0, arg1, ... are bound to
// the raw argument texts, unless `direct` says that no argument can tell:
// then each argument is evaluated straight from its token.
//
// For `s += $f$(...)` on a text `s`, `append_to` is the target: a builtin
// whose result is a text may append that text to the target itself, set
// `appended` and return any Value, which is then dropped. The target then
// reads exactly as if the result had been appended by `+=`. A builtin that
// does not look at `append_to` returns its result as always.
struct BuiltinCall {
    BuiltinCall(const CallSite& call_site, bool direct_arguments, value::Value* target = nullptr)
        : site(call_site), direct(direct_arguments), append_to(target)
    {
    }
    const CallSite& site;
    bool direct;
    value::Value* append_to;
    mutable bool appended = false;
};

// Every builtin has this signature.
using BuiltinHandler = value::Value (*)(Interpreter& interp, const BuiltinCall& call);
using BuiltinTable = std::map<std::string, BuiltinHandler, std::less<>>;

// Thrown when the REPL's prompt finds the end of its input: not an error,
// the end of the session. It derives from no standard exception so that no
// error handler takes it for one.
struct EndOfInput {};

// Where the file-system builtins and `also` may act: which FileSystem the
// interpreter hands them.
enum class FileAccess {
    Real,      // the process's file system, relative to its current directory
    Disabled,  // every file-system call raises an error
    Sandboxed, // calls act on the interpreter's in-memory SandboxFiles
};

// What `also 'NAME'` runs: the text of the library file NAME.ZIRN and the
// path its errors name.
struct LibrarySource {
    std::string text;
    std::string path;
};

// Where `also` looks for a library file. An interpreter looks in lib/ and
// then in the current folder (FolderLibrarySearch) unless it is given
// another search: the zirn command's sessions and programs add the library
// built into the program (app/library_search.h).
class LibrarySearch {
public:
    virtual ~LibrarySearch() = default;
    // The library file named `file_name` ("math.ZIRN") as found through
    // `files`; a file found nowhere gives the empty text, which loads
    // nothing.
    virtual LibrarySource find(const std::string& file_name, host::FileSystem& files) const = 0;
};

// lib/NAME first, then NAME in the current folder.
class FolderLibrarySearch : public LibrarySearch {
public:
    LibrarySource find(const std::string& file_name, host::FileSystem& files) const override;
};

// How the REPL's prompt reads an entry (see Interpreter::read_input_line).
// Without one, an interpreter reads entries as host::read_entry does; the
// zirn command's REPL adds help and the way out for a person at a terminal
// (app/repl_prompt.h).
class PromptReader {
public:
    virtual ~PromptReader() = default;
    // The next entry; nothing at the end of input.
    virtual std::optional<std::string> read_entry(host::Console& console) const = 0;
};

// An entry typed at the prompt, as the REPL's own `exec` runs it.
class TypedEntry {
public:
    // Evaluates the entry's text and runs it (a lone value or call is
    // shown when the interpreter echoes values).
    virtual void run() = 0;
    // The entry's text as evaluated by run(); unspecified before.
    virtual const value::Value& text() const = 0;

protected:
    ~TypedEntry() = default;
};

// What the REPL's own `exec` (RunMode::Repl) does around an entry. Without
// one an entry runs as any text does, and an error in it passes out of the
// REPL's run; the zirn command's REPL reports the error and goes on with
// the next entry (app/entry_runner.h).
class EntryRunner {
public:
    virtual ~EntryRunner() = default;
    virtual void run(Interpreter& interp, TypedEntry& entry) const = 0;
};

class Interpreter {
public:
    Interpreter(const BuiltinTable& builtins, host::Console& console);
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    const BuiltinTable& builtins() const { return *m_builtins; }
    // Replaces the builtin table (an embedding host adds its functions).
    // Calls remember their builtin per table, so a changed table must be a
    // new object, and the old one must outlive every run that used it.
    void set_builtins(const BuiltinTable& builtins) { m_builtins = &builtins; }
    // The one handler (if any) through which an embedding host's functions
    // are called. Unlike the builtins, it receives its arguments evaluated
    // in the caller's scope, as a ZIRN function does.
    BuiltinHandler host_handler() const { return m_host_handler; }
    void set_host_handler(BuiltinHandler handler) { m_host_handler = handler; }
    host::Console& console() { return m_console; }

    FileAccess file_access() const { return m_file_access; }
    void set_file_access(FileAccess access);
    // The file system the file builtins and `also` act on, as chosen by
    // set_file_access().
    host::FileSystem& files() { return *m_files; }
    // The interpreter's own sandbox, which files() is with
    // FileAccess::Sandboxed (and which is there, empty, otherwise).
    host::SandboxFiles& sandbox() { return m_sandbox; }
    // Where `also` finds library files; the search must outlive the
    // interpreter. A FolderLibrarySearch by default.
    void set_library_search(const LibrarySearch& search) { m_library_search = &search; }
    const LibrarySearch& library_search() const { return *m_library_search; }
    // Frees lists that hold themselves once the program lets go of them.
    value::CycleCollector& cycles() { return m_cycles; }

    // When set, an entry typed at the prompt that is a lone value or a call
    // shows its value (see Run::run_typed_text). For a person at a terminal
    // only: piped sessions keep their exact output.
    void set_echo_values(bool echo) { m_echo_values = echo; }
    bool echoes_values() const { return m_echo_values; }
    // How the prompt reads entries; the reader must outlive the
    // interpreter.
    void set_prompt_reader(const PromptReader& reader) { m_prompt_reader = &reader; }
    // What the REPL's `exec` does around an entry; the runner must outlive
    // the interpreter.
    void set_entry_runner(const EntryRunner& runner) { m_entry_runner = &runner; }
    const EntryRunner* entry_runner() const { return m_entry_runner; }

    // The REPL's own `exec` arms the next `$input` as the prompt's read.
    void arm_prompt_read() { m_prompt_read_armed = true; }
    void disarm_prompt_read() { m_prompt_read_armed = false; }

    // One line for `$input`. As the prompt's read it is the entry the
    // PromptReader gives (continuation lines joined) and raises EndOfInput
    // at the end of input; otherwise the end of input reads as "".
    std::string read_input_line();

    // Writes "error: " and `message` to the error stream and counts it.
    void report_error(std::string_view message);
    // The text of the program run from a file (or -e), under the name its
    // reports use, so that a report can show the line it is about.
    void set_program_source(std::string name, std::string_view text)
    {
        m_program_name = std::move(name);
        m_program_text = text;
    }
    // Writes, below a report about line `line` of `file`, that line of the
    // program with carets under the piece `message` quotes (lex/excerpt.h).
    // Nothing when `file` is not the program's.
    void report_source_line(std::string_view file, std::uint32_t line, std::string_view message);
    // Writes each line of `lines` to the error stream, uncounted.
    void report_lines(std::string_view lines);
    std::size_t errors_reported() const { return m_errors_reported; }

    // Raises Error(Interrupted) when an interrupt was requested since the
    // last check. Cheap enough to call at every statement.
    // With a step budget set, every check also spends one step.
    // The REPL's own statements pass `interruptible` false: an interrupt
    // that comes after a typed line finished waits for the prompt, which
    // drops it, instead of stopping the REPL itself.
    void check_interrupt(bool interruptible = true)
    {
        if (m_attention.load(std::memory_order_relaxed)) attend(interruptible);
    }
    // Limits the statements and loop iterations this interpreter runs: once
    // `steps` checks have passed, every further check raises
    // Error(StepBudget), so no program can run for ever (fuzzing sets this).
    void set_step_budget(std::uint64_t steps)
    {
        m_steps_left = steps;
        m_step_budget_set = true;
        m_attention.store(true, std::memory_order_relaxed);
    }
    // Called from a signal handler: only sets the flags.
    void request_interrupt()
    {
        m_interrupt_requested.store(true);
        m_attention.store(true);
    }
    void clear_interrupt() { m_interrupt_requested.store(false); }

    // Counts one more nested user-function call; raises Error(Recursion)
    // past the limit. Pair with leave_call().
    void enter_call()
    {
        if (m_call_depth >= limits::max_call_depth) [[unlikely]] raise_calls_too_deep();
        ++m_call_depth;
    }
    void leave_call() { --m_call_depth; }

    // Counts one more nested run, evaluation or call: every way ZIRN code
    // nests shares this one budget, so runaway nesting of any kind (a text
    // that runs itself with `exec`, a builtin argument that calls the
    // builtin again) is stopped long before memory runs out. Pair with
    // leave_nesting().
    // A step that costs more than most (loading a library file) counts
    // for `weight` steps.
    void enter_nesting(std::size_t weight = 1)
    {
        check_stack_depth();
        if (m_nesting + weight > m_max_nesting) raise_nesting_too_deep();
        m_nesting += weight;
    }
    void leave_nesting(std::size_t weight = 1) { m_nesting -= weight; }
    // How many more nesting steps the budget allows.
    std::size_t nesting_room() const { return m_max_nesting - m_nesting; }
    // Lowers (or raises) the nesting budget from limits.h for this
    // interpreter; an embedding host sets it.
    void set_max_nesting(std::size_t depth) { m_max_nesting = depth; }

    // The binding every name has right now.
    Bindings& bindings() { return m_bindings; }
    const Bindings& bindings() const { return m_bindings; }

    // Whether warnings are shown, stop the program, or are not looked for.
    WarningMode warning_mode() const { return m_warning_mode; }
    void set_warning_mode(WarningMode mode) { m_warning_mode = mode; }
    // The statement the innermost run is at (see RunPosition).
    const RunPosition* innermost_position() const { return m_innermost_position; }
    void set_innermost_position(const RunPosition* position) { m_innermost_position = position; }
    // True the first time `rule` is warned about at `statement` (or, for a
    // statement of a file, at its line): a warning is shown once per place.
    bool first_warning_at(const Statement* statement, WarningRule rule);

    // `cd` calls this before it changes the current folder, so that a
    // DirectoryWatch can bring the session back.
    void note_directory_change();

private:
    friend class DirectoryWatch;
    // The slow part of check_interrupt(): an interrupt or a step budget.
    void attend(bool interruptible);
    [[noreturn]] void take_interrupt();
    [[noreturn]] void raise_nesting_too_deep();
    [[noreturn]] void raise_calls_too_deep();
    void spend_step();

    const BuiltinTable* m_builtins;
    host::Console& m_console;
    std::size_t m_max_nesting = limits::max_nesting_depth;
    BuiltinHandler m_host_handler = nullptr;
    FileAccess m_file_access = FileAccess::Real;
    host::SandboxFiles m_sandbox;
    host::SandboxFileSystem m_sandbox_files{m_sandbox};
    host::FileSystem* m_files = &host::real_file_system();
    const LibrarySearch* m_library_search;
    value::CycleCollector m_cycles;
    bool m_step_budget_set = false;
    std::uint64_t m_steps_left = 0;
    bool m_prompt_read_armed = false;
    bool m_echo_values = false;
    const PromptReader* m_prompt_reader = nullptr;
    const EntryRunner* m_entry_runner = nullptr;
    std::size_t m_errors_reported = 0;
    std::string m_program_name;
    std::string_view m_program_text;  // owned by the caller of run_program
    std::size_t m_call_depth = 0;
    std::size_t m_nesting = 0;
    Bindings m_bindings;
    WarningMode m_warning_mode = WarningMode::Off;
    const RunPosition* m_innermost_position = nullptr;
    // Places warned about: file and line, or the statement of no file.
    std::set<std::tuple<std::string, std::uint32_t, const Statement*, WarningRule>> m_warned;
    // The interpreter that was running on this thread before this one.
    Interpreter* m_previous_on_thread = nullptr;
    // Set while a DirectoryWatch lives; the folder it came from is kept
    // once `cd` is about to leave it.
    bool m_directory_watched = false;
    std::unique_ptr<host::FolderMark> m_folder_before;
    std::atomic<bool> m_interrupt_requested{false};
    // Set while an interrupt waits or a step budget is set, so that the
    // check at every statement is one load.
    std::atomic<bool> m_attention{false};
};

// Keeps one nesting step counted for as long as it lives.
class NestingScope {
public:
    explicit NestingScope(Interpreter& interp, std::size_t weight = 1) : m_interp(interp), m_weight(weight)
    {
        m_interp.enter_nesting(weight);
    }
    ~NestingScope() { m_interp.leave_nesting(m_weight); }
    NestingScope(const NestingScope&) = delete;
    NestingScope& operator=(const NestingScope&) = delete;

private:
    Interpreter& m_interp;
    std::size_t m_weight;
};

// While it lives, the folder that was current when it began is kept as
// soon as `cd` is about to change it; back_to_start() goes back there. The
// REPL's catch point uses it, so a line that fails (a library restore on a
// full disk, say) does not leave the session in another folder.
class DirectoryWatch {
public:
    explicit DirectoryWatch(Interpreter& interp);
    ~DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

    // Makes the folder current again, if the line left it.
    void back_to_start();

private:
    Interpreter& m_interp;
    bool m_outer_watched;
    std::unique_ptr<host::FolderMark> m_outer_before;
};

// Keeps one nested call counted for as long as it lives.
class CallDepthScope {
public:
    explicit CallDepthScope(Interpreter& interp) : m_interp(interp) { m_interp.enter_call(); }
    ~CallDepthScope() { m_interp.leave_call(); }
    CallDepthScope(const CallDepthScope&) = delete;
    CallDepthScope& operator=(const CallDepthScope&) = delete;

private:
    Interpreter& m_interp;
};

}  // namespace zirn::exec
