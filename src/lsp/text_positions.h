// Places in a document, as the editor counts them and as zirn counts them.
//
// The editor names a place by line (from 0) and character, counted in
// UTF-16 code units; zirn counts lines from 1 and columns in bytes of the
// UTF-8 text. A LineIndex of one text converts between the two, and reads
// bytes that are no valid UTF-8 as one unit each, so every place of any text
// has an editor position and back.
//
// The two also end lines differently: an editor ends a line at LF, CR LF or
// a lone CR, while to zirn a CR is an ordinary byte and only LF ends a line.
// LineIndex counts the editor's lines (a change the editor sends names
// them); ProgramLines counts zirn's (a finding of the checker names them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zirn::lsp {

struct Position {
    std::uint32_t line = 0;       // from 0
    std::uint32_t character = 0;  // UTF-16 code units from the line start
};

class LineIndex {
public:
    explicit LineIndex(std::string_view text);

    std::size_t line_count() const { return m_starts.size(); }
    // The line `line` (from 0) without its line end; empty past the end.
    std::string_view line_text(std::size_t line) const;
    // The byte offset where line `line` starts (the text's end past it).
    std::size_t line_start(std::size_t line) const;

    // The editor position of byte `offset` (clamped to the text).
    Position position_of(std::size_t offset) const;
    // The byte offset of an editor position; a character past the line's
    // end gives the line's end, a line past the last gives the text's end,
    // and a place inside a character gives the character's start.
    std::size_t offset_of(Position position) const;

private:
    std::string_view m_text;
    std::vector<std::size_t> m_starts;
};

// The lines of a text as zirn counts them: only LF ends one.
class ProgramLines {
public:
    explicit ProgramLines(std::string_view text);

    // The byte offset where line `line` (from 0) starts (the text's end
    // past the last line), and its length in bytes without its LF and a CR
    // right before that LF.
    std::size_t start(std::size_t line) const;
    std::size_t length(std::size_t line) const;

private:
    std::string_view m_text;
    std::vector<std::size_t> m_starts;
};

// The UTF-16 length of `text`.
std::uint32_t utf16_length(std::string_view text);

}  // namespace zirn::lsp
