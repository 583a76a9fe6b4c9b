#include "app/session.h"

#include <pthread.h>

#include "app/repl_text.h"
#include "builtins/registry.h"
#include "exec/code.h"
#include "exec/executor.h"
#include "base/error.h"
#include "base/limits.h"
#include "lex/splitter.h"
#include "base/stack_guard.h"

namespace zirn::app {

namespace {

// Attaches the interpreter to the console for exactly as long as it lives.
class AttachedInterpreter {
public:
    AttachedInterpreter(exec::Console& console, exec::Interpreter& interp) : m_console(console)
    {
        m_console.attach(&interp);
    }
    ~AttachedInterpreter() { m_console.attach(nullptr); }
    AttachedInterpreter(const AttachedInterpreter&) = delete;
    AttachedInterpreter& operator=(const AttachedInterpreter&) = delete;

private:
    exec::Console& m_console;
};

}  // namespace

int run_session(exec::Console& console, exec::FileAccess access, std::uint64_t step_budget)
{
    exec::Interpreter interp(builtins::builtin_table(), console);
    interp.set_file_access(access);
    if (step_budget != 0) interp.set_step_budget(step_budget);
    const AttachedInterpreter attached(console, interp);
    try {
        try {
            const exec::CodeRef script = exec::compile(repl_text);
            value::VarTable outer;
            exec::run_statements(interp, *script, &outer, nullptr, exec::RunMode::Repl);
        } catch (const exec::EndOfInput&) {
            // A person at a terminal pressed Ctrl-D: end their line first.
            if (console.interactive()) console.end_line();
        }
        console.flush();
    } catch (const exec::OutputLost& lost) {
        // Everything printed from here on would be lost too.
        interp.report_error("cannot write to standard output: " + lost.reason);
        interp.cycles().collect();
        return 1;
    } catch (const std::exception& error) {
        // The REPL script catches errors at its own exec statements; this is
        // the last line of defence for anything outside them.
        interp.report_error(error.what());
        interp.cycles().collect();
        return 1;
    }
    // Every table is gone: whatever is left holds only itself.
    interp.cycles().collect();
    return interp.errors_reported() == 0 ? 0 : 1;
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
