// The language's own reference: one entry per statement, operator and
// builtin, each with a synopsis, one line on what it does, and an example
// with the output it prints.
//
// The entries are plain constant data with no tie to a running interpreter,
// so anything that explains ZIRN can read them: the REPL's `help`, Tab
// completion, the manual page's test, and an editor's hover or completion.
// The statements and operators are listed here, beside the keyword list;
// the builtins beside their registration (builtins/reference.h), which also
// offers the whole reference in one list.
#pragma once

#include <span>
#include <string_view>

namespace zirn::exec {

enum class EntryKind { Statement, Operator, Builtin };

struct ReferenceEntry {
    EntryKind kind;
    std::string_view name;      // as looked up: "until", "+", "print"
    std::string_view synopsis;  // how it is written: "$print$(value [end])"
    std::string_view summary;   // one line, starting in lower case
    std::string_view example;   // lines of ZIRN, run as a program
    std::string_view output;    // what the example writes to standard output
    std::string_view input = {};  // lines the example reads with $input
    // A builtin written without an argument list ($input): completion
    // offers it that way.
    bool no_arguments = false;
    // `output` is only how the example's output ends (the logo is long).
    bool output_is_tail = false;
};

// The eleven statements in keyword order, then the operators.
std::span<const ReferenceEntry> statement_reference();

// Long enough for every synopsis of the reference: the column where a
// cheat sheet starts its summaries.
inline constexpr std::size_t synopsis_column = 32;

}  // namespace zirn::exec
