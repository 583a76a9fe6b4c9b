#include "lex/splitter.h"

#include <iostream>

#include "base/error.h"
#include "base/limits.h"

namespace zirn::lex {

namespace {

// Where the splitter stands: at top level, inside one kind of quoted string,
// or inside braces or parentheses to some depth. Inside braces only braces
// count; inside parentheses only parentheses count.
struct Nesting {
    bool in_double = false;
    bool in_single = false;
    std::size_t braces = 0;
    std::size_t parens = 0;

    bool at_top() const { return !in_double && !in_single && braces == 0 && parens == 0; }

    // Updates the state for `ch`, judged on the state before it.
    void step(char ch)
    {
        switch (ch) {
        case '"':
            if (in_double) in_double = false;
            else if (at_top()) in_double = true;
            break;
        case '\'':
            if (in_single) in_single = false;
            else if (at_top()) in_single = true;
            break;
        case '{':
            if (!in_double && !in_single && parens == 0) ++braces;
            break;
        case '(':
            if (!in_double && !in_single && braces == 0) ++parens;
            break;
        case '}':
            if (braces > 0) --braces;
            break;
        case ')':
            if (parens > 0) --parens;
            break;
        default:
            break;
        }
    }
};

bool is_blank(char ch) { return ch == ' ' || ch == '\t'; }

}  // namespace

StatementList split_statements(std::string_view text, int debug_mode)
{
    return split_statements(text, debug_mode, std::cout);
}

StatementList split_statements(std::string_view text, int debug_mode, std::ostream& trace)
{
    StatementList result;
    Statement statement;
    std::string token;
    Nesting nesting;
    bool line_start = false;

    if (debug_mode == 1) {
        trace << "debugging mode is activated, printing debug information while parsing.\n";
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (debug_mode != 0) trace << i << '/' << ch << '\n';

        // 1. A line feed at top level ends the token and the statement.
        if (ch == '\n') {
            if (debug_mode != 0) trace << "detected newline, reset\n";
            if (nesting.at_top()) {
                statement.push_back(std::move(token));
                result.push_back(std::move(statement));
                token.clear();
                statement.clear();
                line_start = true;
                continue;
            }
        }
        // 2. Quotes, braces and parentheses change the nesting.
        nesting.step(ch);
        if (nesting.braces > limits::max_text_nesting || nesting.parens > limits::max_text_nesting) {
            throw Error(ErrorKind::Recursion, "the text nests braces or parentheses more than " +
                                                  std::to_string(limits::max_text_nesting) + " deep");
        }
        // 3. Indentation after a statement's line feed is dropped.
        if (is_blank(ch) && line_start) continue;
        // 4. A blank or tab at top level ends the token (and is not kept).
        line_start = false;
        if (is_blank(ch) && nesting.at_top()) {
            statement.push_back(std::move(token));
            token.clear();
            continue;
        }
        token += ch;
    }
    statement.push_back(std::move(token));
    result.push_back(std::move(statement));
    if (!nesting.at_top()) {
        throw Error(ErrorKind::Unbalanced, "a quote, brace or parenthesis is left open");
    }
    return result;
}

std::vector<std::string> split_on_char(std::string_view text, char delimiter)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(delimiter, start);
        if (end == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            break;
        }
        pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool is_balanced(std::string_view text) { return open_position(text) == std::string_view::npos; }

std::size_t open_position(std::string_view text)
{
    Nesting nesting;
    std::size_t opened = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\n' && nesting.at_top()) continue;
        const bool was_at_top = nesting.at_top();
        nesting.step(ch);
        if (was_at_top && !nesting.at_top()) opened = i;
    }
    return nesting.at_top() ? std::string_view::npos : opened;
}

std::size_t group_end(std::string_view text)
{
    Nesting nesting;
    for (std::size_t i = 0; i < text.size(); ++i) {
        nesting.step(text[i]);
        if (nesting.at_top()) return i == 0 ? std::string_view::npos : i;
    }
    return std::string_view::npos;
}

}  // namespace zirn::lex
