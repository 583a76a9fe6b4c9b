// zirn: run ZIRN programs inside a C++ program.
//
// This is the whole public interface of the zirn library (link zirn::zirn
// with CMake, or `pkg-config --cflags --libs zirn`). An Interpreter keeps
// the top-level variables and functions of the programs it runs, so a host
// can load a program once and then read its variables, call its functions,
// and offer it functions of its own:
//
//     zirn::Interpreter zirn;
//     zirn.define("price", [&](const std::vector<zirn::Value>& args) {
//         return zirn::Value(prices.at(args.at(0).as_string()));
//     });
//     zirn.run("total = { end ($price$(arg0) * arg1) }", "rules");
//     std::int64_t cost = zirn.call("total", "apple", 3).as_integer();
//
// Every failure, in a program or in the use of this interface, is thrown as
// zirn::Error. Interpreters are independent of each other: each one can be
// used from its own thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zirn {
inline namespace v3 {

// A failure: a ZIRN program's error, or a misuse of this interface (a
// missing function, a value of the wrong type). what() is the one line that
// the `zirn` command writes after "error: ", for example
//   rules.ZIRN:3: in $total$ (called at line 1): stoi: 'x' is not a number
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& line, std::string file = {}, std::uint32_t line_number = 0,
                   std::string function = {})
        : std::runtime_error(line), m_file(std::move(file)), m_line(line_number), m_function(std::move(function))
    {
    }

    // The program text the error happened in (the name given to run(), or
    // the path given to run_file()); empty when no place is known.
    const std::string& file() const { return m_file; }
    // Its line, counted from 1; 0 when no place is known.
    std::uint32_t line() const { return m_line; }
    // The ZIRN function whose body holds that line; empty outside functions.
    const std::string& function() const { return m_function; }

private:
    std::string m_file;
    std::uint32_t m_line;
    std::string m_function;
};

// A ZIRN value, copied out of (or into) an interpreter: an integer, a float,
// a string, a function (its block text), a list of values, or unspecified
// (what a name that was never set, or `$print$`, gives).
class Value {
public:
    enum class Type { Unspecified, Integer, Float, String, Func, List };

    Value() = default;
    Value(std::int64_t number) : m_type(Type::Integer), m_integer(number) {}
    Value(int number) : Value(static_cast<std::int64_t>(number)) {}
    Value(double number) : m_type(Type::Float), m_float(number) {}
    Value(std::string text) : m_type(Type::String), m_text(std::move(text)) {}
    Value(std::string_view text) : Value(std::string(text)) {}
    Value(const char* text) : Value(std::string(text)) {}
    Value(std::vector<Value> elements) : m_type(Type::List), m_list(std::move(elements)) {}
    // A function: the text of its block, braces included ("{ end (arg0 * 2) }").
    static Value func(std::string block)
    {
        Value v(std::move(block));
        v.m_type = Type::Func;
        return v;
    }

    Type type() const { return m_type; }
    // The name ZIRN gives the type: "integer", "float", "string", "func",
    // "list" or "unspecified".
    std::string_view type_name() const;
    bool is_unspecified() const { return m_type == Type::Unspecified; }

    // The payload; each throws Error when the value has another type.
    std::int64_t as_integer() const;
    double as_float() const;
    const std::string& as_string() const;  // the text of a string, or the block of a func
    const std::vector<Value>& as_list() const;

    friend bool operator==(const Value&, const Value&) = default;

private:
    Type m_type = Type::Unspecified;
    std::int64_t m_integer = 0;
    double m_float = 0;
    std::string m_text;
    std::vector<Value> m_list;
};

// Where a program's file-system builtins (readfile, writefile, mkdir, rm,
// listdir, exists, cd, isdir) and `also` act.
enum class FileAccess {
    Host,     // the real file system, relative to the current directory
    None,     // every file-system builtin, and `also`, fails
    Sandbox,  // an in-memory folder holding the files the host gives
};

struct Options {
    FileAccess file_access = FileAccess::Host;
    // With FileAccess::Sandbox: the files the sandbox starts with, by path
    // ("lib/rules.ZIRN"); their folders are created.
    std::map<std::string, std::string> sandbox_files;

    // Where `$print$` writes. Without either, the output goes to std::cout.
    std::function<void(std::string_view)> output;
    std::ostream* output_stream = nullptr;
    // Where `$input` reads its lines from (without their line feed);
    // nothing means the input has ended, and `$input` gives "". Without
    // either, lines are read from std::cin.
    std::function<std::optional<std::string>()> input;
    std::istream* input_stream = nullptr;

    // Statements and loop iterations one run() or call() may take, 0 for no
    // limit; past it the run stops with an Error. It keeps a runaway
    // program (`until (1) { }`) from holding the host for ever.
    std::uint64_t step_budget = 0;
    // Deepest nesting of calls, blocks and expressions a program may reach,
    // 0 for the default (half a million); deeper nesting stops with an Error.
    std::size_t max_nesting = 0;
    // Largest text (string) a program may build or read, in bytes, 0 for
    // the default (1 GiB, which is also the most); a bigger one stops with
    // an Error.
    std::size_t max_text_bytes = 0;
};

// A host function: receives the evaluated arguments of `$name$(a b ...)`
// and returns the call's value. An exception it throws becomes the
// program's error, reported at the call like a builtin's.
using HostFunction = std::function<Value(const std::vector<Value>& arguments)>;

class Interpreter {
public:
    explicit Interpreter(Options options = {});
    ~Interpreter();
    Interpreter(Interpreter&& other) noexcept;
    Interpreter& operator=(Interpreter&& other) noexcept;
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Runs ZIRN text as a program called `name` (the name errors show).
    // Names it binds at its top level stay bound for later runs and calls.
    // Returns the value given to a top-level `end`, else the integer 0.
    Value run(std::string_view text, std::string_view name = "text");
    // Reads a program file from the host's file system and runs it; a first
    // line starting with "#!" is skipped.
    Value run_file(const std::string& path);

    // Top-level variables.
    bool has(std::string_view name) const;
    // The value bound to `name`; throws Error when nothing is bound to it.
    Value get(std::string_view name) const;
    void set(std::string_view name, const Value& value);

    // Calls the ZIRN function (or builtin, or host function) `name` with
    // the arguments, each converted to a Value: call("total", "apple", 3).
    template <class... Arguments>
    Value call(std::string_view name, Arguments&&... arguments)
    {
        return call_with(name, std::vector<Value>{Value(std::forward<Arguments>(arguments))...});
    }
    Value call_with(std::string_view name, const std::vector<Value>& arguments);

    // Makes `$name$(...)` call `function`. A host function wins over a ZIRN
    // function of the same name; the 23 builtins cannot be replaced.
    void define(const std::string& name, HostFunction function);

    // Stops the run or call in progress with an Error, or the next one to
    // start when none is running. Safe to call from any thread, also from a
    // signal handler's thread or a watchdog timer.
    void interrupt();

    // The content of a sandbox file after a run (FileAccess::Sandbox only).
    std::optional<std::string> sandbox_file(const std::string& path) const;

private:
    struct State;
    State& state() const;
    std::unique_ptr<State> m_state;
};

}  // namespace v3
}  // namespace zirn
