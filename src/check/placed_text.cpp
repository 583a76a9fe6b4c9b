#include "check/placed_text.h"

#include <algorithm>
#include <stdexcept>

#include "lex/splitter.h"

namespace zirn::check {

namespace {

bool is_blank(char ch) { return ch == ' ' || ch == '\t'; }

}  // namespace

std::vector<PlacedStatement> split_placed(std::string_view source, std::size_t begin, std::size_t length)
{
    const std::string_view text = source.substr(begin, length);
    const lex::StatementList statements = lex::split_statements(text);
    std::vector<PlacedStatement> placed;
    placed.reserve(statements.size());
    std::size_t at = 0;
    bool first_statement = true;
    for (const lex::Statement& statement : statements) {
        if (!first_statement) {
            // The line feed that ended the statement before, then the
            // indentation the splitter drops.
            ++at;
            while (at < text.size() && is_blank(text[at])) ++at;
        }
        first_statement = false;
        PlacedStatement out;
        out.tokens.reserve(statement.size());
        for (std::size_t i = 0; i < statement.size(); ++i) {
            const std::string& token = statement[i];
            if (text.compare(at, token.size(), token) != 0) {
                throw std::logic_error("split_placed lost its place in the text");
            }
            const PlacedToken here{source.substr(begin + at, token.size()), begin + at};
            out.tokens.push_back(here);
            if (!token.empty()) out.words.push_back(here);
            at += token.size();
            if (i + 1 < statement.size()) ++at;  // the blank or tab that ended it
        }
        placed.push_back(std::move(out));
    }
    return placed;
}

LineMap::LineMap(std::string_view source) : m_source(source)
{
    m_line_starts.push_back(0);
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\n') m_line_starts.push_back(i + 1);
    }
}

std::uint32_t LineMap::line_of(std::size_t offset) const
{
    const auto after = std::upper_bound(m_line_starts.begin(), m_line_starts.end(), offset);
    return static_cast<std::uint32_t>(after - m_line_starts.begin());
}

std::uint32_t LineMap::column_of(std::size_t offset) const
{
    return static_cast<std::uint32_t>(offset - m_line_starts[line_of(offset) - 1] + 1);
}

std::size_t LineMap::line_end(std::size_t offset) const
{
    const std::size_t end = m_source.find('\n', offset);
    return end == std::string_view::npos ? m_source.size() : end;
}

}  // namespace zirn::check
