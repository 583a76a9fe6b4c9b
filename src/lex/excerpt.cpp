#include "lex/excerpt.h"

#include <algorithm>

namespace zirn::lex {

namespace {

// The text of line `line` (from 1), without its line feed; false when the
// text has fewer lines.
bool line_text(std::string_view text, std::uint32_t line, std::string_view& out)
{
    if (line == 0) return false;
    std::size_t start = 0;
    for (std::uint32_t at = 1; at < line; ++at) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) return false;
        start = end + 1;
    }
    const std::size_t end = text.find('\n', start);
    out = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    return true;
}

}  // namespace

std::string source_excerpt(std::string_view text, std::uint32_t line, std::uint32_t column, std::size_t length)
{
    std::string_view shown;
    if (!line_text(text, line, shown)) return "";
    // One long line is cut, as a quoted text is in a message.
    constexpr std::size_t widest = 200;
    if (shown.size() > widest) shown = shown.substr(0, widest);
    const std::string number = std::to_string(line);
    std::string out = "    " + number + " | ";
    for (char ch : shown) out += (static_cast<unsigned char>(ch) < 32 && ch != '\t') ? ' ' : ch;
    out += '\n';
    if (column == 0 || column > shown.size()) return out;
    out += "    " + std::string(number.size(), ' ') + " | ";
    // Tabs stay tabs, so the caret lines up under the same text.
    for (std::size_t i = 0; i + 1 < column; ++i) out += shown[i] == '\t' ? '\t' : ' ';
    const std::size_t marked = std::max<std::size_t>(1, std::min(length, shown.size() - (column - 1)));
    out += std::string(marked, '^');
    out += '\n';
    return out;
}

std::uint32_t find_on_line(std::string_view text, std::uint32_t line, std::string_view piece)
{
    std::string_view shown;
    if (piece.empty() || !line_text(text, line, shown)) return 0;
    const std::size_t at = shown.find(piece);
    return at == std::string_view::npos ? 0 : static_cast<std::uint32_t>(at + 1);
}

std::string_view quoted_piece(std::string_view message)
{
    const std::size_t open = message.find('\'');
    if (open == std::string_view::npos) return {};
    const std::size_t close = message.find('\'', open + 1);
    if (close == std::string_view::npos) return {};
    std::string_view piece = message.substr(open + 1, close - open - 1);
    if (piece.ends_with("...")) piece.remove_suffix(3);
    // A quote shows control bytes as blanks: blanks alone mark nothing.
    if (piece.find_first_not_of(' ') == std::string_view::npos) return {};
    return piece;
}

std::string excerpt_for_message(std::string_view text, std::uint32_t line, std::string_view message)
{
    const std::string_view piece = quoted_piece(message);
    const std::uint32_t column = find_on_line(text, line, piece);
    return source_excerpt(text, line, column, piece.size());
}

std::string excerpt_for_entry(std::string_view text, std::string_view message)
{
    const std::string_view piece = quoted_piece(message);
    if (piece.empty()) return "";
    const std::size_t at = text.find(piece);
    if (at == std::string_view::npos) return "";
    const std::size_t line_start = text.rfind('\n', at == 0 ? 0 : at - 1);
    const bool first_line = at == 0 || line_start == std::string_view::npos;
    std::uint32_t line = 1;
    for (std::size_t i = 0; i < at; ++i) line += text[i] == '\n' ? 1 : 0;
    const std::size_t column = first_line ? at + 1 : at - line_start;
    return source_excerpt(text, line, static_cast<std::uint32_t>(column), piece.size());
}

}  // namespace zirn::lex
