// The public Interpreter over the interpreter library.
//
// Each Interpreter owns a worker thread with a large stack, and everything it
// does with ZIRN code happens there: deep recursion has room as in the
// `zirn` command, and the interpreter library's per-thread state (interned
// names, the split cache, the value pool) is never shared between two
// Interpreters. A call from the host hands its work to the worker and waits;
// a call from the worker itself (a host function that runs more ZIRN) runs
// in place.
//
// The library's own error type is named before the public header is
// included: both are called zirn::Error, the public one inside an inline
// namespace, so after the public header only the alias names the internal
// one unambiguously.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <fstream>
#include <future>
#include <iostream>
#include <mutex>
#include <new>
#include <sstream>
#include <thread>

#include "app/program.h"
#include "app/repl_text.h"
#include "builtins/registry.h"
#include "exec/code.h"
#include "host/console.h"
#include "exec/executor.h"
#include "exec/interpreter.h"
#include "base/error.h"
#include "base/limits.h"
#include "lex/splitter.h"
#include "base/stack_guard.h"
#include "value/value.h"
#include "value/var_table.h"

namespace zirn::embed_detail {
using InternalError = ::zirn::Error;
using InternalErrorKind = ::zirn::ErrorKind;
}  // namespace zirn::embed_detail

#include "zirn/zirn.h"

namespace zirn {
inline namespace v3 {

namespace {

using embed_detail::InternalError;
using embed_detail::InternalErrorKind;

// Stack reserved for each worker; pages are used only as deep as a program
// goes, and the stack guard turns deeper nesting into an error.
constexpr std::size_t worker_stack_bytes = std::size_t{512} << 20;
// Deepest list nesting copied out to the host.
constexpr std::size_t max_copied_list_depth = 10000;

Error public_error(const InternalError& error)
{
    return Error(describe(error), error.place().file, error.place().line, error.place().function);
}

// The console of one Interpreter: the host's callbacks or streams.
class HostConsole : public host::Console {
public:
    explicit HostConsole(const Options& options) : m_options(options) {}

    void write(std::string_view text) override
    {
        if (m_options.output) {
            m_options.output(text);
            return;
        }
        std::ostream& out = m_options.output_stream ? *m_options.output_stream : std::cout;
        out << text;
        if (!out) throw host::OutputLost{"the output stream failed"};
    }
    void end_line() override
    {
        write("\n");
        flush();
    }
    void flush() override
    {
        if (m_options.output) return;
        std::ostream& out = m_options.output_stream ? *m_options.output_stream : std::cout;
        out.flush();
        if (!out) throw host::OutputLost{"the output stream failed"};
    }
    std::optional<std::string> read_line(host::LineKind) override
    {
        if (m_options.input) return m_options.input();
        std::istream& in = m_options.input_stream ? *m_options.input_stream : std::cin;
        std::string line;
        if (!std::getline(in, line)) return std::nullopt;
        return line;
    }
    void report(std::string_view line) override { std::cerr << line << '\n'; }

private:
    const Options& m_options;
};

// A ZIRN value copied out for the host. Lists are copied deeply; a list
// that holds itself cannot be, and raises an error instead of recursing.
Value to_public(const value::Value& v, std::vector<const void*>& path)
{
    switch (v.type()) {
    case value::Type::Integer: return Value(v.int_value());
    case value::Type::Float: return Value(static_cast<double>(v.float_value()));
    case value::Type::String: return Value(v.text());
    case value::Type::Func: return Value::func(v.text());
    case value::Type::List: break;
    default: return Value();
    }
    const void* identity = v.payload();
    if (identity && std::find(path.begin(), path.end(), identity) != path.end()) {
        throw Error("a list that holds itself cannot be copied out");
    }
    if (path.size() >= max_copied_list_depth) throw Error("a list nested too deeply to be copied out");
    check_stack_depth();
    path.push_back(identity);
    std::vector<Value> elements;
    const value::ElementList& list = v.elements();
    elements.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) elements.push_back(to_public(list.value_at(i), path));
    path.pop_back();
    return Value(std::move(elements));
}

Value to_public(const value::Value& v)
{
    std::vector<const void*> path;
    return to_public(v, path);
}

// A text from the host may be no larger than a program could make it.
const std::string& checked_text(const Value& v)
{
    const std::string& text = v.as_string();
    if (text.size() > limits::text_limit()) {
        throw Error("a text of " + std::to_string(text.size()) + " bytes is larger than the limit of " +
                    std::to_string(limits::text_limit()) + " bytes");
    }
    return text;
}

value::Value to_internal(const Value& v)
{
    switch (v.type()) {
    case Value::Type::Integer: return value::Value::integer(v.as_integer());
    case Value::Type::Float: return value::Value::floating(v.as_float());
    case Value::Type::String: return value::Value::string(checked_text(v));
    case Value::Type::Func: return value::Value::func(checked_text(v));
    case Value::Type::List: {
        check_stack_depth();
        value::ElementList elements;
        elements.reserve(v.as_list().size());
        for (const Value& element : v.as_list()) elements.push_back(to_internal(element));
        return value::Value::list(std::move(elements));
    }
    case Value::Type::Unspecified: break;
    }
    return value::Value();
}

// A name a program can call: no blank, quote, bracket or "$" in it.
bool is_callable_name(std::string_view name)
{
    return !name.empty() && name.find_first_of(" \t\n\r\"'(){}$") == std::string_view::npos;
}

}  // namespace

struct Interpreter::State {
    explicit State(Options given) : options(std::move(given)), console(options) {}

    Options options;
    HostConsole console;
    // The builtin table in use is the last; calls remember their builtin per
    // table, so each define() makes a new one and the old ones are kept.
    std::vector<std::unique_ptr<exec::BuiltinTable>> builtin_tables;
    std::map<std::string, HostFunction, std::less<>> host_functions;
    std::unique_ptr<exec::Interpreter> interp;
    value::VarTable names;

    // The worker thread and the work handed to it.
    pthread_t worker{};
    std::thread::id worker_id;
    std::mutex mutex;
    std::condition_variable work_ready;
    std::deque<std::function<void()>> work;
    bool stopping = false;

    // The State the current worker thread serves, for host functions.
    static thread_local State* current;

    static void* worker_main(void* raw);
    void serve();
    template <class Work>
    auto on_worker(Work&& task) -> decltype(task());
    void start();
    void stop();

    // On the worker:
    void prepare();
    void set_budget();
    Value run_code(std::string_view text, const std::string& name);
    [[noreturn]] void rethrow_as_public();
    static value::Value call_host(exec::Interpreter& interp, const exec::BuiltinCall& call);
};

thread_local Interpreter::State* Interpreter::State::current = nullptr;

void* Interpreter::State::worker_main(void* raw)
{
    auto* state = static_cast<State*>(raw);
    guard_current_thread_stack();
    if (state->options.max_text_bytes != 0) {
        limits::thread_text_limit = std::min(state->options.max_text_bytes, limits::max_text_bytes);
    }
    current = state;
    state->serve();
    // What the interpreter library keeps per thread goes with the thread.
    exec::drop_code_cache();
    value::leave_thread();
    return nullptr;
}

void Interpreter::State::serve()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex);
            work_ready.wait(lock, [&] { return stopping || !work.empty(); });
            if (work.empty()) return;
            task = std::move(work.front());
            work.pop_front();
        }
        task();
    }
}

template <class Work>
auto Interpreter::State::on_worker(Work&& task) -> decltype(task())
{
    if (std::this_thread::get_id() == worker_id) return task();
    std::packaged_task<decltype(task())()> packaged(std::forward<Work>(task));
    auto result = packaged.get_future();
    {
        std::lock_guard lock(mutex);
        work.emplace_back([&packaged] { packaged(); });
    }
    work_ready.notify_one();
    return result.get();
}

void Interpreter::State::start()
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, worker_stack_bytes);
    const int failed = pthread_create(&worker, &attr, worker_main, this);
    pthread_attr_destroy(&attr);
    if (failed != 0) throw Error("cannot start the interpreter's thread");
    // The worker's id, as std::thread names it, is learned from the worker.
    std::promise<std::thread::id> id;
    auto learned = id.get_future();
    {
        std::lock_guard lock(mutex);
        work.emplace_back([&id] { id.set_value(std::this_thread::get_id()); });
    }
    work_ready.notify_one();
    worker_id = learned.get();
}

void Interpreter::State::stop()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    work_ready.notify_one();
    pthread_join(worker, nullptr);
}

void Interpreter::State::prepare()
{
    builtin_tables.push_back(std::make_unique<exec::BuiltinTable>(builtins::builtin_table()));
    interp = std::make_unique<exec::Interpreter>(*builtin_tables.back(), console);
    interp->set_host_handler(&State::call_host);
    if (options.max_nesting != 0) interp->set_max_nesting(options.max_nesting);
    switch (options.file_access) {
    case FileAccess::Host:
        interp->set_file_access(exec::FileAccess::Real);
        // The sandbox and no access at all keep the plain search: a
        // sandbox holds only the files its host gave.
        interp->set_library_search(app::bundled_library_search());
        break;
    case FileAccess::None: interp->set_file_access(exec::FileAccess::Disabled); break;
    case FileAccess::Sandbox:
        interp->set_file_access(exec::FileAccess::Sandboxed);
        for (const auto& [path, content] : options.sandbox_files) {
            // Every folder on the way, then the file.
            for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
                interp->sandbox().make_directory(path.substr(0, slash));
            }
            interp->sandbox().write(path, content);
        }
        break;
    }
    // range, lib and bonus, as programs run by the zirn command find them.
    exec::run_statements(*interp, *exec::compile(app::program_prelude), &names, nullptr);
}

void Interpreter::State::set_budget()
{
    if (options.step_budget != 0) interp->set_step_budget(options.step_budget);
}

void Interpreter::State::rethrow_as_public()
{
    try {
        throw;
    } catch (const Error&) {
        throw;
    } catch (const InternalError& error) {
        throw public_error(error);
    } catch (const host::OutputLost& lost) {
        throw Error("cannot write the output: " + lost.reason);
    } catch (const exec::EndOfInput&) {
        throw Error("the input ended");
    } catch (const std::bad_alloc&) {
        throw Error("out of memory");
    } catch (const std::exception& error) {
        throw Error(error.what());
    }
}

Value Interpreter::State::run_code(std::string_view text, const std::string& name)
{
    try {
        set_budget();
        exec::CodeRef code;
        try {
            code = exec::compile_file(text, name);
        } catch (InternalError& error) {
            // Text left open is reported where the quote, brace or
            // parenthesis that stays open began, as the command line does.
            const std::size_t open = lex::open_position(text);
            if (error.kind() == InternalErrorKind::Unbalanced && error.place().file.empty() &&
                open != std::string_view::npos) {
                error.place().file = name;
                error.place().line =
                    static_cast<std::uint32_t>(1 + std::count(text.begin(), text.begin() + open, '\n'));
            }
            throw;
        }
        const exec::RunResult result = exec::run_statements(*interp, *code, &names, nullptr);
        return to_public(result.value);
    } catch (...) {
        rethrow_as_public();
    }
}

value::Value Interpreter::State::call_host(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    State& state = *current;
    const std::string& name = call.site.name;
    const auto found = state.host_functions.find(name);
    if (found == state.host_functions.end()) {
        throw InternalError(InternalErrorKind::UndefinedFunction, "'" + name + "'");
    }
    // `$f`, and `$f$()` with its one empty argument, pass no arguments.
    std::size_t count = call.site.raw_arguments.size();
    if (count == 1 && call.site.raw_arguments.front().text().empty()) count = 0;
    std::vector<Value> arguments;
    arguments.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        arguments.push_back(to_public(builtins::fetch_argument(interp, call, i, name)));
    }
    // Copied: the host function may define others while it runs.
    const HostFunction function = found->second;
    Value result;
    try {
        result = function(arguments);
    } catch (const InternalError&) {
        throw;  // a ZIRN error from ZIRN code the host function ran
    } catch (const std::exception& error) {
        throw InternalError(InternalErrorKind::Host, name + ": " + error.what());
    } catch (...) {
        throw InternalError(InternalErrorKind::Host, name + ": the host function failed");
    }
    return to_internal(result);
}

Interpreter::Interpreter(Options options) : m_state(std::make_unique<State>(std::move(options)))
{
    State& s = *m_state;
    s.start();
    try {
        s.on_worker([&s] {
            try {
                s.prepare();
            } catch (...) {
                s.rethrow_as_public();
            }
        });
    } catch (...) {
        s.on_worker([&s] {
            s.names = value::VarTable();
            s.interp.reset();
        });
        s.stop();
        throw;
    }
}

Interpreter::~Interpreter()
{
    if (!m_state) return;
    State& s = *m_state;
    // The ZIRN values die on the thread that made them.
    try {
        s.on_worker([&s] {
            s.names = value::VarTable();
            if (s.interp) s.interp->cycles().collect();
            s.interp.reset();
        });
    } catch (...) {
        // Nothing is left to report to: the interpreter is going.
    }
    s.stop();
}

Interpreter::Interpreter(Interpreter&& other) noexcept = default;
Interpreter& Interpreter::operator=(Interpreter&& other) noexcept
{
    if (this != &other) {
        Interpreter gone(std::move(*this));
        m_state = std::move(other.m_state);
    }
    return *this;
}

Interpreter::State& Interpreter::state() const
{
    if (!m_state) throw Error("this Interpreter was moved from");
    return *m_state;
}

Value Interpreter::run(std::string_view text, std::string_view name)
{
    State& s = state();
    return s.on_worker([&] { return s.run_code(text, std::string(name)); });
}

Value Interpreter::run_file(const std::string& path)
{
    std::string problem;
    std::optional<std::string> text = app::read_program_file(path, problem);
    if (!text) throw Error(problem);
    std::string_view program = *text;
    // A "#!" line is no ZIRN; its line feed stays, so lines keep their numbers.
    if (program.substr(0, 2) == "#!") {
        const std::size_t line_end = program.find('\n');
        program = line_end == std::string_view::npos ? std::string_view() : program.substr(line_end);
    }
    State& s = state();
    return s.on_worker([&] { return s.run_code(program, path); });
}

bool Interpreter::has(std::string_view name) const
{
    State& s = state();
    return s.on_worker([&] { return s.names.find(name) != nullptr; });
}

Value Interpreter::get(std::string_view name) const
{
    State& s = state();
    return s.on_worker([&] {
        const value::ValueRef* bound = s.names.find(name);
        if (!bound) throw Error("undefined name '" + std::string(name) + "'");
        return to_public(**bound);
    });
}

void Interpreter::set(std::string_view name, const Value& v)
{
    State& s = state();
    s.on_worker([&] {
        check_stack_depth();
        s.names.bind(name, value::make_ref(to_internal(v)));
    });
}

Value Interpreter::call_with(std::string_view name, const std::vector<Value>& arguments)
{
    if (!is_callable_name(name)) throw Error("cannot call '" + std::string(name) + "': not a function name");
    State& s = state();
    return s.on_worker([&] {
        // The arguments are bound under names no program can write, and the
        // call is run as the text `end $name$(those names)`.
        value::VarTable bound;
        std::string text = "end $" + std::string(name);
        if (!arguments.empty()) text += "$(";
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            std::string argument(1, '\x01');
            argument += std::to_string(i);
            bound.bind(argument, value::make_ref(to_internal(arguments[i])));
            text += (i == 0 ? "" : " ") + argument;
        }
        if (!arguments.empty()) text += ")";
        try {
            s.set_budget();
            const exec::CodeRef code = exec::compile_file(text, "host");
            return to_public(exec::run_statements(*s.interp, *code, &s.names, &bound).value);
        } catch (...) {
            s.rethrow_as_public();
        }
    });
}

void Interpreter::define(const std::string& name, HostFunction function)
{
    if (!is_callable_name(name)) throw Error("cannot define '" + name + "': not a function name");
    State& s = state();
    s.on_worker([&] {
        if (builtins::builtin_table().contains(name)) throw Error("cannot define '" + name + "': it is a builtin");
        s.host_functions[name] = std::move(function);
        if (s.interp->builtins().contains(name)) return;
        auto table = std::make_unique<exec::BuiltinTable>(s.interp->builtins());
        (*table)[name] = &State::call_host;
        s.interp->set_builtins(*table);
        s.builtin_tables.push_back(std::move(table));
    });
}

void Interpreter::interrupt()
{
    // The worker's interpreter exists from the constructor to the
    // destructor, and the request is one atomic store.
    if (m_state && m_state->interp) m_state->interp->request_interrupt();
}

std::optional<std::string> Interpreter::sandbox_file(const std::string& path) const
{
    State& s = state();
    return s.on_worker([&] { return s.interp->sandbox().read(path); });
}

}  // namespace v3
}  // namespace zirn
