#include "app/session.h"

#include <pthread.h>

#include <functional>

#include "app/completion.h"
#include "app/entry_runner.h"
#include "app/program.h"
#include "app/repl_prompt.h"
#include "app/repl_text.h"
#include "builtins/reference.h"
#include "builtins/registry.h"
#include "exec/code.h"
#include "exec/executor.h"
#include "base/error.h"
#include "base/limits.h"
#include "lex/splitter.h"
#include "base/stack_guard.h"

namespace zirn::app {

namespace {

// The interpreter as the console sees it.
class SessionClient final : public host::ConsoleClient {
public:
    explicit SessionClient(exec::Interpreter& interp) : m_interp(interp) {}
    void request_interrupt() override { m_interp.request_interrupt(); }
    void check_interrupt() override { m_interp.check_interrupt(); }
    void clear_interrupt() override { m_interp.clear_interrupt(); }
    std::vector<std::string> completions(std::string_view word) const override
    {
        return app::completions(word, m_interp);
    }

private:
    exec::Interpreter& m_interp;
};

// Attaches the interpreter to the console for exactly as long as it lives.
class AttachedInterpreter {
public:
    AttachedInterpreter(host::Console& console, exec::Interpreter& interp) : m_console(console), m_client(interp)
    {
        m_console.attach(&m_client);
    }
    ~AttachedInterpreter() { m_console.attach(nullptr); }
    AttachedInterpreter(const AttachedInterpreter&) = delete;
    AttachedInterpreter& operator=(const AttachedInterpreter&) = delete;

private:
    host::Console& m_console;
    SessionClient m_client;
};

// A person at the prompt sees values and gets help; piped sessions keep
// their exact output.
void set_up_prompt(exec::Interpreter& interp, const host::Console& console)
{
    interp.set_echo_values(console.interactive());
    static const ReplPrompt prompt(builtins::help_text);
    interp.set_prompt_reader(prompt);
    static const ReportingEntryRunner entries;
    interp.set_entry_runner(entries);
}

// Runs `script` (the REPL text, or its prompt loop) with the names of
// `outer` until the input ends; `work`, when given, runs first (a program
// given with -i). Returns the session's exit status.
int run_repl_script(exec::Interpreter& interp, host::Console& console, std::string_view script,
                    const std::function<void(value::VarTable&)>& work = {})
{
    const AttachedInterpreter attached(console, interp);
    try {
        value::VarTable outer;
        try {
            if (work) work(outer);
            const exec::CodeRef code = exec::compile(script);
            exec::run_statements(interp, *code, &outer, nullptr, exec::RunMode::Repl);
        } catch (const exec::EndOfInput&) {
            // A person at a terminal pressed Ctrl-D: end their line first.
            if (console.interactive()) console.end_line();
        }
        console.flush();
    } catch (const host::OutputLost& lost) {
        // Everything printed from here on would be lost too. A reader that
        // went away needs no message.
        if (!lost.reader_gone) interp.report_error("cannot write to standard output: " + lost.reason);
        interp.cycles().collect();
        return 1;
    } catch (const std::exception& error) {
        // The REPL script catches errors at its own exec statements; this is
        // the last line of defence for anything outside them.
        interp.report_error(error.what());
        interp.cycles().collect();
        return 1;
    }
    // Input that broke ended the session as its end would have; it is still
    // a failure.
    if (const std::string failure = console.read_failure(); !failure.empty()) {
        interp.report_error("cannot read standard input: " + failure);
    }
    // Every table is gone: whatever is left holds only itself.
    interp.cycles().collect();
    return interp.errors_reported() == 0 ? 0 : 1;
}

// The REPL text's prompt loop, its last statement.
std::string_view prompt_loop()
{
    return repl_text.substr(repl_text.rfind("until (1) {"));
}

}  // namespace

int run_session(host::Console& console, exec::FileAccess access, std::uint64_t step_budget,
                exec::WarningMode warnings)
{
    exec::Interpreter interp(builtins::builtin_table(), console);
    interp.set_file_access(access);
    interp.set_warning_mode(warnings);
    if (step_budget != 0) interp.set_step_budget(step_budget);
    set_up_prompt(interp, console);
    return run_repl_script(interp, console, repl_text);
}

int run_program_then_session(host::Console& console, const std::string& name, std::string_view text,
                             const std::vector<std::string>& arguments, exec::WarningMode warnings)
{
    exec::Interpreter interp(builtins::builtin_table(), console);
    interp.set_library_search(bundled_library_search());
    interp.set_warning_mode(warnings);
    set_up_prompt(interp, console);
    return run_repl_script(interp, console, prompt_loop(), [&](value::VarTable& names) {
        run_program_in(interp, names, name, text, arguments);
    });
}

namespace {

struct ThreadCall {
    int (*body)(void*);
    void* context;
    int result = 1;
};

void* thread_main(void* raw)
{
    auto* call = static_cast<ThreadCall*>(raw);
    guard_current_thread_stack();
    call->result = call->body(call->context);
    // What the interpreter keeps per thread (parses, free blocks) goes with
    // the thread.
    exec::drop_code_cache();
    value::leave_thread();
    return nullptr;
}

}  // namespace

int run_on_interpreter_stack(int (*body)(void*), void* context)
{
    ThreadCall call{body, context};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_t thread;
    const bool large = pthread_attr_setstacksize(&attr, limits::interpreter_stack_bytes) == 0 &&
                       pthread_create(&thread, &attr, thread_main, &call) == 0;
    pthread_attr_destroy(&attr);
    if (!large) {
        // No room for a large stack: run here, still guarded.
        guard_current_thread_stack();
        return body(context);
    }
    pthread_join(thread, nullptr);
    return call.result;
}

}  // namespace zirn::app
