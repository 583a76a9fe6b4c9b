#include "app/program.h"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

#include "app/repl_text.h"
#include "builtins/registry.h"
#include "exec/code.h"
#include "exec/executor.h"
#include "base/error.h"
#include "lex/splitter.h"

namespace zirn::app {

namespace {

// A "#!" line lets the program run as a command; it is no ZIRN. Its line
// feed stays, so the lines keep their numbers.
std::string_view without_interpreter_line(std::string_view text)
{
    if (text.substr(0, 2) != "#!") return text;
    const std::size_t line_end = text.find('\n');
    return line_end == std::string_view::npos ? std::string_view() : text.substr(line_end);
}

// A program text left open is reported at the line where the quote, brace
// or parenthesis that stays open began.
void place_open_text(Error& error, const std::string& name, std::string_view text)
{
    if (error.kind() != ErrorKind::Unbalanced || !error.place().file.empty()) return;
    const std::size_t open = lex::open_position(text);
    if (open == std::string_view::npos) return;
    const auto before = text.substr(0, open);
    error.place().file = name;
    error.place().line = static_cast<std::uint32_t>(1 + std::count(before.begin(), before.end(), '\n'));
}

value::ValueRef argument_list(const std::vector<std::string>& arguments)
{
    value::ElementList elements;
    elements.reserve(arguments.size());
    for (const std::string& word : arguments) elements.push_back(value::make_ref(value::Value::string(word)));
    return value::make_ref(value::Value::list(std::move(elements)));
}

}  // namespace

std::optional<std::string> read_program_file(const std::string& path, std::string& problem)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        problem = "cannot read '" + path + "': it is a folder";
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        problem = "cannot read '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) {
        problem = "cannot read '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    return contents.str();
}

int run_program(exec::Console& console, const std::string& name, std::string_view text,
                const std::vector<std::string>& arguments)
{
    exec::Interpreter interp(builtins::builtin_table(), console);
    interp.set_built_in_library(library_files);
    const std::string_view program = without_interpreter_line(text);
    int status = 0;
    try {
        value::VarTable names;
        try {
            exec::run_statements(interp, *exec::compile(program_prelude), &names, nullptr);
            names.bind("args", argument_list(arguments));
            exec::CodeRef code;
            try {
                code = exec::compile_file(program, name);
            } catch (Error& error) {
                place_open_text(error, name, program);
                throw;
            }
            exec::run_statements(interp, *code, &names, nullptr);
        } catch (const Error& error) {
            interp.report_error(describe(error));
            status = 1;
        } catch (const std::bad_alloc&) {
            interp.report_error(name + ": out of memory");
            status = 1;
        } catch (const std::exception& error) {
            interp.report_error(name + ": " + error.what());
            status = 1;
        }
        console.flush();
    } catch (const exec::OutputLost& lost) {
        // The program's output is being lost: it ends here.
        interp.report_error(name + ": cannot write to standard output: " + lost.reason);
        status = 1;
    }
    // Every table is gone: whatever is left holds only itself.
    interp.cycles().collect();
    return status;
}

}  // namespace zirn::app
