// The words the checker knows beyond the interpreter's own tables (the
// keywords, the builtins and the operators it takes from exec and builtins):
// other languages' statement words, comment marks, the assignment operators
// that read as what they do, how strongly operators bind elsewhere, the
// argument names and the 32-bit range of integer literals.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "exec/code.h"

namespace zirn::check {

bool is_builtin(std::string_view name);
// Builtins that read no argument: `$input$()` is as good as `$input`.
bool reads_no_argument(std::string_view builtin);

// A word other languages start statements with, and the ZIRN way instead.
struct ForeignWord {
    std::string_view word;
    std::string_view zirn_way;
};
// The entry for `word`, or null when it is none of those words.
const ForeignWord* foreign_word(std::string_view word);

// `#` or `//` in front: a comment in other languages.
bool looks_like_comment(std::string_view word);

// `=`, `+=`, `-=`, `*=` and `/=`: the assignment operators that read as
// what they do.
bool is_proper_assignment(std::string_view op);

// Conventional binding strength of an operator (`or` 1 up to `->` 6; 0 for
// none): a later operator that binds more strongly than an earlier one
// reads differently from how the strict left-to-right fold works.
int binding_strength(exec::OperatorKind op);

// N for the name argN as calls bind it (arg0, arg12; not arg00).
std::optional<std::size_t> argument_index(std::string_view word);

// True for an integer literal whose digits do not fit in 32 bits. The
// interpreter reads an optional sign and the longest run of digits; a word
// with a "." is a float literal.
bool integer_literal_too_large(std::string_view word);

}  // namespace zirn::check
