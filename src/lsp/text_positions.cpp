#include "lsp/text_positions.h"

#include <algorithm>

namespace zirn::lsp {

namespace {

// The length in bytes of the UTF-8 sequence at `text[at]` and its UTF-16
// length: 1 and 1 for ASCII and for any byte that starts no valid sequence.
struct Unit {
    std::size_t bytes;
    std::uint32_t utf16;
};

bool is_continuation(unsigned char byte) { return (byte & 0xC0U) == 0x80U; }

Unit unit_at(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xC2U && lead <= 0xDFU) length = 2;
    else if (lead >= 0xE0U && lead <= 0xEFU) length = 3;
    else if (lead >= 0xF0U && lead <= 0xF4U) length = 4;
    if (length == 1 || at + length > text.size()) return {1, 1};
    for (std::size_t i = 1; i < length; ++i) {
        if (!is_continuation(static_cast<unsigned char>(text[at + i]))) return {1, 1};
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((lead == 0xE0U && second < 0xA0U) || (lead == 0xEDU && second > 0x9FU) ||
        (lead == 0xF0U && second < 0x90U) || (lead == 0xF4U && second > 0x8FU)) {
        return {1, 1};
    }
    return {length, length == 4 ? 2U : 1U};
}

}  // namespace

std::uint32_t utf16_length(std::string_view text)
{
    std::uint32_t units = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Unit unit = unit_at(text, at);
        at += unit.bytes;
        units += unit.utf16;
    }
    return units;
}

LineIndex::LineIndex(std::string_view text) : m_text(text)
{
    // LF, CR LF and a lone CR each end a line.
    m_starts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            m_starts.push_back(i + 1);
        }
    }
}

std::size_t LineIndex::line_start(std::size_t line) const
{
    return line < m_starts.size() ? m_starts[line] : m_text.size();
}

std::string_view LineIndex::line_text(std::size_t line) const
{
    if (line >= m_starts.size()) return {};
    const std::size_t begin = m_starts[line];
    if (line + 1 == m_starts.size()) return m_text.substr(begin);
    // Without its line end: LF, CR, or the CR of CR LF as well.
    std::size_t end = m_starts[line + 1] - 1;
    if (m_text[end] == '\n' && end > begin && m_text[end - 1] == '\r') --end;
    return m_text.substr(begin, end - begin);
}

Position LineIndex::position_of(std::size_t offset) const
{
    offset = std::min(offset, m_text.size());
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    const auto line = static_cast<std::size_t>(after - m_starts.begin()) - 1;
    const std::string_view before = m_text.substr(m_starts[line], offset - m_starts[line]);
    return {static_cast<std::uint32_t>(line), utf16_length(before)};
}

std::size_t LineIndex::offset_of(Position position) const
{
    if (position.line >= m_starts.size()) return m_text.size();
    const std::string_view line = line_text(position.line);
    const std::size_t begin = m_starts[position.line];
    std::uint32_t units = 0;
    for (std::size_t at = 0; at < line.size();) {
        const Unit unit = unit_at(line, at);
        if (units + unit.utf16 > position.character) return begin + at;
        units += unit.utf16;
        at += unit.bytes;
    }
    return begin + line.size();
}

ProgramLines::ProgramLines(std::string_view text) : m_text(text)
{
    m_starts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') m_starts.push_back(i + 1);
    }
}

std::size_t ProgramLines::start(std::size_t line) const
{
    return line < m_starts.size() ? m_starts[line] : m_text.size();
}

std::size_t ProgramLines::length(std::size_t line) const
{
    if (line >= m_starts.size()) return 0;
    const std::size_t begin = m_starts[line];
    if (line + 1 == m_starts.size()) return m_text.size() - begin;
    std::size_t end = m_starts[line + 1] - 1;  // at the LF
    if (end > begin && m_text[end - 1] == '\r') --end;
    return end - begin;
}

}  // namespace zirn::lsp
