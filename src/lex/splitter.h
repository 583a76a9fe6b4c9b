// The statement and token splitter.
//
// Every ZIRN text (a typed line, a block body, a function body, a
// parenthesised operand, a library file) is cut into statements and tokens by
// `split_statements`. A statement ends at a line feed outside any nesting; a
// token ends at a blank or tab outside any nesting. Quotes, braces and
// parentheses stay inside the token text, so later stages take them apart
// again. Example: `x = (a + 1)` LF `$print$(x)` gives two statements, the first
// with the tokens `x`, `=`, `(a + 1)`.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zirn::lex {

using Statement = std::vector<std::string>;
using StatementList = std::vector<Statement>;

// Splits `text` into statements. `debug_mode` 1 prints an announcement and a
// trace of every byte to `trace`; any other non-zero value traces without the
// announcement. Raises Error(Unbalanced) when a quote, brace or parenthesis is
// still open at the end of the text.
StatementList split_statements(std::string_view text, int debug_mode = 0);
StatementList split_statements(std::string_view text, int debug_mode, std::ostream& trace);

// Cuts `text` at every `delimiter`, the way a line-reading loop would: empty
// pieces between adjacent delimiters are kept, a delimiter at the very end
// gives no empty piece after it, and an empty text gives no pieces.
std::vector<std::string> split_on_char(std::string_view text, char delimiter);

// True when every quote, brace and parenthesis opened in `text` is closed by
// its end, that is, when `split_statements` would accept it.
bool is_balanced(std::string_view text);

// Where the quote, brace or parenthesis that is still open at the end of
// `text` was opened (the outermost one), or npos when nothing is left open.
std::size_t open_position(std::string_view text);

// Where the quote, brace or parenthesis that `text` starts with is closed
// again, back at the top level; npos when it is left open, or when `text`
// does not start with one.
std::size_t group_end(std::string_view text);

}  // namespace zirn::lex
