// The interpreter's split of a text, with the place of every token.
//
// The checker must see a program exactly as the interpreter will cut it, so
// it uses the interpreter's own splitter and then finds each token in the
// text again: the splitter only ever drops the blank or tab that ends a
// token, the indentation after a line end and the line end that ends a
// statement, so the tokens follow one another in the text in a way that
// can be retraced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zirn::check {

struct PlacedToken {
    std::string_view text;  // a view into the whole source
    std::size_t offset;     // where it starts in the whole source
};

struct PlacedStatement {
    std::vector<PlacedToken> tokens;  // every token, empty ones included
    std::vector<PlacedToken> words;   // the tokens that are not empty
};

// Splits source[begin, begin + length) as the interpreter's splitter does.
// Raises Error(Unbalanced) (or Error(Recursion) for nesting too deep) as the
// splitter does.
std::vector<PlacedStatement> split_placed(std::string_view source, std::size_t begin, std::size_t length);

// Line and column (from 1, in bytes) of offsets into one source.
class LineMap {
public:
    explicit LineMap(std::string_view source);
    std::uint32_t line_of(std::size_t offset) const;
    std::uint32_t column_of(std::size_t offset) const;
    // The offset where the line of `offset` ends (its line feed, or the end).
    std::size_t line_end(std::size_t offset) const;

private:
    std::string_view m_source;
    std::vector<std::size_t> m_line_starts;
};

}  // namespace zirn::check
