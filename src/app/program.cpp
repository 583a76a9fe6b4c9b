#include "app/program.h"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <new>

#include "app/repl_text.h"
#include "builtins/registry.h"
#include "exec/code.h"
#include "exec/executor.h"
#include "base/error.h"
#include "base/limits.h"
#include "host/file_io.h"
#include "lex/excerpt.h"
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

// Under the report of an error in the program's own text: its line, with
// carets under what the message quotes, or under the opening of text left
// open.
void show_error_line(exec::Interpreter& interp, const Error& error, std::string_view text)
{
    const ErrorPlace& place = error.place();
    const std::size_t open = error.kind() == ErrorKind::Unbalanced ? lex::open_position(text) : std::string_view::npos;
    if (open == std::string_view::npos) {
        interp.report_source_line(place.file, place.line, error.what());
        return;
    }
    const std::size_t line_start = text.rfind('\n', open == 0 ? 0 : open - 1);
    const std::size_t column = line_start == std::string_view::npos || open == 0 ? open + 1 : open - line_start;
    interp.report_lines(lex::source_excerpt(text, place.line, static_cast<std::uint32_t>(column)));
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
    // A program is held whole, like any text: a file without end
    // (`zirn /dev/zero`) stops at the text limit instead of taking all
    // memory.
    try {
        errno = 0;
        std::optional<std::string> text = host::read_whole_file(path, limits::max_text_bytes, "zirn");
        if (!text) {
            problem = "cannot read '" + path + "': " + std::strerror(errno != 0 ? errno : EISDIR);
            return std::nullopt;
        }
        return as_unix_text(std::move(*text));
    } catch (const Error& failure) {
        if (failure.kind() == ErrorKind::TooLarge) {
            problem = "too large: the program '" + path + "' would pass " + std::to_string(limits::max_text_bytes) +
                      " bytes";
        } else {
            problem = failure.what();
        }
        return std::nullopt;
    }
}

std::string as_unix_text(std::string text)
{
    constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
    if (std::string_view(text).starts_with(byte_order_mark)) text.erase(0, byte_order_mark.size());
    // Each carriage return that ends a line goes; one anywhere else stays.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        text[kept++] = text[i];
    }
    text.resize(kept);
    return text;
}

std::optional<std::string> read_program_stream(std::istream& in, std::string& problem)
{
    // Read in pieces up to the text limit, as a program file is: endless
    // input (`zirn - </dev/zero`) stops there instead of taking all memory.
    std::string text;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        const auto got = static_cast<std::size_t>(in.gcount());
        if (text.size() + got > limits::max_text_bytes) {
            problem = "too large: the program read from standard input would pass " +
                      std::to_string(limits::max_text_bytes) + " bytes";
            return std::nullopt;
        }
        text.append(piece, got);
    }
    if (in.bad()) {
        problem = "cannot read the program from standard input: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    return as_unix_text(std::move(text));
}

int run_program_in(exec::Interpreter& interp, value::VarTable& names, const std::string& name, std::string_view text,
                   const std::vector<std::string>& arguments)
{
    const std::string_view program = without_interpreter_line(text);
    interp.set_program_source(name, program);
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
        show_error_line(interp, error, program);
        return 1;
    } catch (const std::bad_alloc&) {
        interp.report_error(name + ": out of memory");
        return 1;
    } catch (const std::exception& error) {
        interp.report_error(name + ": " + error.what());
        return 1;
    }
    return 0;
}

int run_program(host::Console& console, const std::string& name, std::string_view text,
                const std::vector<std::string>& arguments, exec::WarningMode warnings)
{
    exec::Interpreter interp(builtins::builtin_table(), console);
    interp.set_library_search(bundled_library_search());
    interp.set_warning_mode(warnings);
    int status = 0;
    try {
        value::VarTable names;
        status = run_program_in(interp, names, name, text, arguments);
        console.flush();
        // `$input` read "" from input that broke: the program went on as at
        // the end of its input, but it did not get what it asked for.
        if (const std::string failure = console.read_failure(); !failure.empty()) {
            interp.report_error(name + ": cannot read standard input: " + failure);
            status = 1;
        }
    } catch (const host::OutputLost& lost) {
        // The program's output is being lost: it ends here, quietly when
        // its reader simply went away.
        if (!lost.reader_gone) interp.report_error(name + ": cannot write to standard output: " + lost.reason);
        status = 1;
    }
    // Every table is gone: whatever is left holds only itself.
    interp.cycles().collect();
    return status;
}

}  // namespace zirn::app
