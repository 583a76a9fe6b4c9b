#include "lsp/definitions.h"

#include "base/error.h"
#include "check/placed_text.h"
#include "exec/keywords.h"
#include "lex/splitter.h"

namespace zirn::lsp {

namespace {

using check::PlacedToken;

// Blocks nested deeper than this are not looked into: the outline stays
// cheap and shallow in stack use whatever the text.
constexpr std::size_t deepest_block = 64;

bool is_assignment_operator(std::string_view word)
{
    return word == "=" || word == "+=" || word == "-=" || word == "*=" || word == "/=";
}

bool is_block(std::string_view word) { return !word.empty() && word.front() == '{'; }

// The NAME of a quoted 'NAME' or "NAME", or empty.
std::string quoted_name(std::string_view word)
{
    if (word.size() < 3) return {};
    const char quote = word.front();
    if ((quote != '\'' && quote != '"') || word.back() != quote) return {};
    const std::string_view inside = word.substr(1, word.size() - 2);
    if (inside.find(quote) != std::string_view::npos) return {};
    return std::string(inside);
}

class Outliner {
public:
    explicit Outliner(std::string_view text) : m_text(text) {}

    TextOutline take() { return std::move(m_outline); }

    void outline(std::size_t begin, std::size_t length, std::size_t depth)
    {
        std::vector<check::PlacedStatement> statements;
        try {
            statements = check::split_placed(m_text, begin, length);
        } catch (const Error&) {
            outline_lines(begin, length);
            return;
        }
        for (const check::PlacedStatement& statement : statements) read_statement(statement.words, depth);
    }

private:
    void add(std::string_view name, DefinitionKind kind, std::size_t name_offset, std::size_t end_offset)
    {
        if (!is_plain_name(name)) return;
        m_outline.definitions.push_back({std::string(name), kind, name_offset, end_offset});
    }

    void add_library(std::string_view word, std::size_t offset)
    {
        std::string name = quoted_name(word);
        if (!name.empty()) m_outline.libraries.push_back({std::move(name), offset});
    }

    void outline_block(const PlacedToken& block, std::size_t depth)
    {
        if (depth >= deepest_block || block.text.size() < 2 || block.text.back() != '}') return;
        outline(block.offset + 1, block.text.size() - 2, depth + 1);
    }

    void read_statement(const std::vector<PlacedToken>& words, std::size_t depth)
    {
        if (words.empty()) return;
        const PlacedToken& first = words.front();
        const std::size_t end = words.back().offset + words.back().text.size();
        if (const auto keyword = exec::keyword_from_token(first.text)) {
            read_keyword_statement(*keyword, words, end, depth);
            return;
        }
        if (words.size() < 3 || !is_assignment_operator(words[1].text)) return;
        if (words[1].text == "=" && is_block(words[2].text)) {
            add(first.text, DefinitionKind::Function, first.offset, words[2].offset + words[2].text.size());
            outline_block(words[2], depth);
            return;
        }
        add(first.text, DefinitionKind::Name, first.offset, end);
    }

    void read_keyword_statement(exec::Keyword keyword, const std::vector<PlacedToken>& words, std::size_t end,
                                std::size_t depth)
    {
        switch (keyword) {
        case exec::Keyword::Also:
            if (words.size() >= 2) add_library(words[1].text, words[1].offset);
            return;
        case exec::Keyword::List:
            if (words.size() >= 2) add(words[1].text, DefinitionKind::Name, words[1].offset, end);
            return;
        case exec::Keyword::Index:
        case exec::Keyword::Where:
            if (words.size() >= 4) add(words[3].text, DefinitionKind::Name, words[3].offset, end);
            return;
        case exec::Keyword::Compare:
            // compare (0) { ... } holds notes, which never run.
            if (words.size() >= 3 && words[1].text != "(0)" && is_block(words[2].text)) outline_block(words[2], depth);
            return;
        case exec::Keyword::Each:
        case exec::Keyword::Until:
            if (words.size() >= 3 && is_block(words[2].text)) outline_block(words[2], depth);
            return;
        default: return;
        }
    }

    // Text that cannot be split: each line on its own, its words cut at
    // blanks and tabs.
    void outline_lines(std::size_t begin, std::size_t length)
    {
        const std::size_t stop = begin + length;
        std::size_t at = begin;
        while (at < stop) {
            std::size_t line_end = m_text.find('\n', at);
            if (line_end == std::string_view::npos || line_end > stop) line_end = stop;
            read_line(at, line_end, stop);
            at = line_end + 1;
        }
    }

    // One past the brace that closes the block opening at `open`, or
    // `stop` when it stays open up to there.
    std::size_t block_end(std::size_t open, std::size_t stop) const
    {
        const std::size_t close = lex::group_end(m_text.substr(open, stop - open));
        return close == std::string_view::npos ? stop : open + close + 1;
    }

    void read_line(std::size_t begin, std::size_t end, std::size_t stop)
    {
        std::vector<PlacedToken> words;
        std::size_t at = begin;
        while (at < end) {
            while (at < end && (m_text[at] == ' ' || m_text[at] == '\t' || m_text[at] == '\r')) ++at;
            const std::size_t word_begin = at;
            while (at < end && m_text[at] != ' ' && m_text[at] != '\t' && m_text[at] != '\r') ++at;
            if (at > word_begin) words.push_back({m_text.substr(word_begin, at - word_begin), word_begin});
        }
        if (words.empty()) return;
        if (words.size() >= 3 && words[1].text == "=" && words[2].text.front() == '{') {
            add(words[0].text, DefinitionKind::Function, words[0].offset, block_end(words[2].offset, stop));
            return;
        }
        // Blocks on this line are not looked into: the lines are read flat.
        const auto keyword = exec::keyword_from_token(words[0].text);
        if (keyword && (*keyword == exec::Keyword::Compare || *keyword == exec::Keyword::Each ||
                        *keyword == exec::Keyword::Until)) {
            return;
        }
        if (keyword) {
            read_keyword_statement(*keyword, words, end, deepest_block);
            return;
        }
        if (words.size() >= 3 && is_assignment_operator(words[1].text)) {
            add(words[0].text, DefinitionKind::Name, words[0].offset, end);
        }
    }

    std::string_view m_text;
    TextOutline m_outline;
};

}  // namespace

bool is_plain_name(std::string_view word)
{
    if (word.empty() || (word.front() >= '0' && word.front() <= '9')) return false;
    for (const char ch : word) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool letter = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte >= 0x80U;
        if (!letter && !(byte >= '0' && byte <= '9') && byte != '_') return false;
    }
    return true;
}

TextOutline outline_text(std::string_view text)
{
    Outliner outliner(text);
    // A first line starting with "#!" is no statement.
    std::size_t begin = 0;
    if (text.substr(0, 2) == "#!") {
        const std::size_t line_end = text.find('\n');
        begin = line_end == std::string_view::npos ? text.size() : line_end + 1;
    }
    outliner.outline(begin, text.size() - begin, 0);
    return outliner.take();
}

const Definition* find_definition(const TextOutline& outline, std::string_view name, bool functions_only)
{
    for (const Definition& definition : outline.definitions) {
        if (definition.name != name) continue;
        if (!functions_only || definition.kind == DefinitionKind::Function) return &definition;
    }
    return nullptr;
}

}  // namespace zirn::lsp
