// A program line shown under a report, with a caret under the place meant:
//
//   error: area.ZIRN:3: in $area$ (called at line 7): stoi: 'heigth' is not a number
//       3 |     end (w * heigth)
//         |              ^^^^^^
//
// Reports find the place only when they are written, from the line they
// already know and the program text they quote, so running costs nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zirn::lex {

// Line `line` (from 1) of `text` and, when `column` (from 1) is not 0, a
// caret line marking `length` bytes from there. Each line ends with a line
// feed; a line that `text` does not have gives the empty text.
std::string source_excerpt(std::string_view text, std::uint32_t line, std::uint32_t column = 0,
                           std::size_t length = 1);

// The column (from 1) where `piece` first stands on line `line` of `text`,
// or 0 when it is not there.
std::uint32_t find_on_line(std::string_view text, std::uint32_t line, std::string_view piece);

// The first piece of program text that `message` quotes ('...'), without
// the "..." of a quote cut short; empty when it quotes nothing (or only
// blanks, which is how a quote shows control bytes).
std::string_view quoted_piece(std::string_view message);

// The excerpt for a report about line `line` of `text` whose message is
// `message`: the caret goes under the first piece the message quotes, when
// it stands on that line.
std::string excerpt_for_message(std::string_view text, std::uint32_t line, std::string_view message);

// For a report about a text of several lines whose failing line is not
// known (an entry typed at the prompt): the first line that holds the piece
// `message` quotes, with the caret under it; empty when no line holds it.
std::string excerpt_for_entry(std::string_view text, std::string_view message);

}  // namespace zirn::lex
