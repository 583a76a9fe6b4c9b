#include "check/checker.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>

#include "check/placed_text.h"
#include "check/vocabulary.h"
#include "exec/code.h"
#include "exec/keywords.h"
#include "base/error.h"
#include "lex/splitter.h"

namespace zirn::check {

namespace {

using exec::Keyword;
using exec::OperatorKind;

std::string joined_words(const std::vector<PlacedToken>& words, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < words.size(); ++i) {
        if (i > from) text += ' ';
        text += words[i].text;
    }
    return text;
}

// A builtin call around the place being checked: its arguments shadow
// arg0 .. arg<count - 1>.
struct BuiltinScope {
    std::string_view name;
    std::size_t arguments;
};

struct Context {
    bool in_function = false;
    bool one_line_block = false;
    std::vector<BuiltinScope> builtins;
};

Context function_body()
{
    Context body;
    body.in_function = true;
    return body;
}

class Checker {
public:
    explicit Checker(std::string_view source) : m_source(source), m_lines(source) {}

    std::vector<Finding> run()
    {
        check_statements(0, m_source.size(), Context{});
        std::stable_sort(m_findings.begin(), m_findings.end(), [](const Finding& a, const Finding& b) {
            return a.line != b.line ? a.line < b.line : a.column < b.column;
        });
        return std::move(m_findings);
    }

private:
    void report(Rule rule, std::size_t offset, std::size_t length, std::string message)
    {
        Finding finding;
        finding.line = m_lines.line_of(offset);
        finding.column = m_lines.column_of(offset);
        const std::size_t end = std::min(offset + std::max<std::size_t>(length, 1), m_lines.line_end(offset));
        finding.end_column = static_cast<std::uint32_t>(finding.column + std::max<std::size_t>(end - offset, 1));
        finding.severity = rule_info(rule).severity;
        finding.rule = rule;
        // One finding, one line: words that span lines are shown on one.
        for (char& ch : message) {
            if (static_cast<unsigned char>(ch) < 32) ch = ' ';
        }
        finding.message = std::move(message);
        m_findings.push_back(std::move(finding));
    }
    void report(Rule rule, const PlacedToken& token, std::string message)
    {
        report(rule, token.offset, token.text.size(), std::move(message));
    }

    std::string place_text(std::size_t offset) const
    {
        return std::to_string(m_lines.line_of(offset)) + ":" + std::to_string(m_lines.column_of(offset));
    }

    // --- texts ----------------------------------------------------------

    // Splits source[begin, begin + length); text that cannot be split is
    // reported and gives nothing.
    std::optional<std::vector<PlacedStatement>> split(std::size_t begin, std::size_t length)
    {
        try {
            return split_placed(m_source, begin, length);
        } catch (const Error& error) {
            if (error.kind() == ErrorKind::Unbalanced) report_unbalanced(begin, length);
            else report(Rule::Unbalanced, begin, 1, error.what());
            return std::nullopt;
        }
    }

    void report_unbalanced(std::size_t begin, std::size_t length)
    {
        const std::string_view text = m_source.substr(begin, length);
        const std::size_t open = lex::open_position(text);
        if (open == std::string_view::npos) return;
        const char ch = text[open];
        std::string what;
        if (ch == '"') what = "the string opened with \" here";
        else if (ch == '\'') what = "the string opened with ' here";
        else if (ch == '{') what = "the brace { opened here";
        else what = "the parenthesis ( opened here";
        report(Rule::Unbalanced, begin + open, 1,
               what + " (" + place_text(begin + open) + ") is never closed, so the text cannot be split");
        point_at_bracket_in_string(begin, length);
    }

    // Where text cannot be split, the cause is most often a bracket inside a
    // string inside parentheses or a block: the first such bracket that
    // the splitter counts is shown.
    void point_at_bracket_in_string(std::size_t begin, std::size_t length)
    {
        const std::string_view text = m_source.substr(begin, length);
        std::size_t parens = 0;
        std::size_t braces = 0;
        char real_quote = 0;
        char seen_quote = 0;  // the string a reader sees, quotes protecting all
        std::size_t seen_open = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            const bool real_top = real_quote == 0 && parens == 0 && braces == 0;
            if (seen_quote != 0) {
                const bool counted = (ch == ')' && parens > 0) || (ch == '(' && parens > 0) ||
                                     (ch == '}' && braces > 0) || (ch == '{' && braces > 0);
                if (counted && real_quote == 0) {
                    report(Rule::BracketInString, begin + i, 1,
                           std::string("this ") + ch + " is inside the string opened at " + place_text(begin + seen_open) +
                               ", but it counts: inside " + (parens > 0 ? "parentheses" : "braces") +
                               " quotes do not protect brackets");
                    return;
                }
                if (ch == seen_quote) seen_quote = 0;
            } else if ((ch == '"' || ch == '\'') && (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1])))) {
                seen_quote = ch;
                seen_open = i;
            }
            // The splitter's own reading.
            if (real_quote != 0) {
                if (ch == real_quote) real_quote = 0;
            } else if ((ch == '"' || ch == '\'') && real_top) {
                real_quote = ch;
            } else if (ch == '{' && parens == 0) {
                ++braces;
            } else if (ch == '(' && braces == 0) {
                ++parens;
            } else if (ch == '}' && braces > 0) {
                --braces;
            } else if (ch == ')' && parens > 0) {
                --parens;
            }
        }
    }

    // A parenthesised or braced token whose closing bracket lies inside what
    // reads as a string: the token ends there, earlier than it looks.
    void check_closing_bracket(const PlacedToken& token)
    {
        // An inside left open is reported as such, at its opening.
        if (token.text.size() >= 2 && !lex::is_balanced(token.text.substr(1, token.text.size() - 2))) return;
        const char open = token.text.front();
        const char close = open == '(' ? ')' : '}';
        std::size_t depth = 0;
        char quote = 0;
        std::size_t quote_at = 0;
        for (std::size_t i = 0; i < token.text.size(); ++i) {
            const char ch = token.text[i];
            if (ch == open) ++depth;
            else if (ch == close && --depth == 0) {
                if (quote != 0) {
                    report(Rule::BracketInString, token.offset + i, 1,
                           std::string("this ") + close + " is inside the string opened at " +
                               place_text(token.offset + quote_at) + ", but it closes the " + open + " at " +
                               place_text(token.offset) + ": quotes do not protect brackets there");
                }
                return;
            }
            if (quote != 0) {
                if (ch == quote) quote = 0;
            } else if ((ch == '"' || ch == '\'') && !std::isalnum(static_cast<unsigned char>(token.text[i - 1]))) {
                quote = ch;
                quote_at = i;
            }
        }
    }

    // --- statements -----------------------------------------------------

    void check_statements(std::size_t begin, std::size_t length, const Context& context)
    {
        const auto statements = split(begin, length);
        if (!statements) return;
        for (const PlacedStatement& statement : *statements) check_statement(statement, context);
    }

    void check_statement(const PlacedStatement& statement, const Context& context)
    {
        const std::vector<PlacedToken>& words = statement.words;
        if (words.empty()) return;
        const std::string_view first = words[0].text;
        if (const std::optional<Keyword> keyword = exec::keyword_from_token(first)) {
            check_keyword_statement(*keyword, words, context);
            return;
        }
        if (first.front() == '$') {
            check_call(words[0], context);
            if (words.size() > 1 && first.find('(') == std::string_view::npos && words[1].text.front() == '(') {
                report(Rule::DetachedArguments, words[1],
                       "the blank after " + quote_text(first) + " makes " + quote_text(words[1].text) +
                           " a separate word, which is ignored: write " + std::string(first) +
                           (first.back() == '$' ? "" : "$") + std::string(words[1].text));
                return;
            }
            report_ignored(words, 1, context, "a call statement makes one call");
            return;
        }
        if (words.size() < 3) {
            check_short_statement(words);
            return;
        }
        check_assignment(words, context);
    }

    bool glued_keyword(const PlacedToken& word)
    {
        for (std::string_view keyword : exec::keyword_list) {
            const std::string_view text = word.text;
            if (text.size() > keyword.size() && text.starts_with(keyword) &&
                (text[keyword.size()] == '(' || text[keyword.size()] == '{' || text[keyword.size()] == '"' ||
                 text[keyword.size()] == '\'' || text[keyword.size()] == '$')) {
                report(Rule::GluedKeyword, word,
                       quote_text(text) + " is no " + std::string(keyword) + " statement: put a blank after " +
                           std::string(keyword));
                return true;
            }
        }
        return false;
    }

    // A statement that does not start with a keyword or a call, of fewer
    // than three words: it fails when it runs.
    void check_short_statement(const std::vector<PlacedToken>& words)
    {
        const PlacedToken& first = words[0];
        if (looks_like_comment(first.text)) {
            report(Rule::Comment, first,
                   "ZIRN has no comments: this line fails when it runs; keep notes inside compare (0) { ... }");
            return;
        }
        if (const ForeignWord* foreign = foreign_word(first.text)) {
            report(Rule::ForeignKeyword, first, quote_text(first.text) + " is no ZIRN statement: " +
                                                    std::string(foreign->zirn_way));
            return;
        }
        if (glued_keyword(first)) return;
        const std::string text = joined_words(words, 0);
        for (std::string_view op : {"+=", "-=", "*=", "/=", "="}) {
            const std::size_t at = first.text.find(op);
            if (at != std::string_view::npos && at > 0 && words.size() == 1) {
                report(Rule::IncompleteStatement, first,
                       quote_text(text) + " is one word: write blanks around the operator, " +
                           std::string(first.text.substr(0, at)) + " " + std::string(op) + " " +
                           std::string(first.text.substr(at + op.size())));
                return;
            }
        }
        report(Rule::IncompleteStatement, first,
               quote_text(text) + " is not a statement: an assignment is written name = value");
    }

    void check_assignment(const std::vector<PlacedToken>& words, const Context& context)
    {
        const PlacedToken& target = words[0];
        const PlacedToken& op = words[1];
        const bool proper = is_proper_assignment(op.text);
        if (!proper && looks_like_comment(target.text)) {
            report(Rule::Comment, target, "ZIRN has no comments: this line runs as an assignment to " +
                                              quote_text(target.text) +
                                              "; keep notes inside compare (0) { ... }");
            return;
        }
        if (!proper) {
            if (const ForeignWord* foreign = foreign_word(target.text)) {
                report(Rule::ForeignKeyword, target,
                       quote_text(target.text) + " is no ZIRN statement: " + std::string(foreign->zirn_way));
                return;
            }
            if (glued_keyword(target)) return;
            report_not_assignment(words);
        }
        if (target.text.front() == '(') check_closing_bracket(target);
        const PlacedToken& value = words[2];
        // `name = { ... }` defines a function: its body runs with its own
        // arguments, wherever it is called.
        if (value.text.front() == '{') check_block(value, function_body());
        else check_operand(value, context);
        report_ignored(words, 3, context, "an assignment takes one value");
    }

    void report_not_assignment(const std::vector<PlacedToken>& words)
    {
        const std::string_view target = words[0].text;
        const std::string_view op = words[1].text;
        const std::string statement = quote_text(joined_words(words, 0).substr(0, 80));
        std::string message;
        if (op.size() == 1) {
            message = statement + " is an assignment: an operator of one character stores the value, so " +
                      std::string(target) + " becomes " + std::string(words[2].text);
        } else {
            const OperatorKind first = exec::operator_from_text(op.substr(0, 1));
            if (first != OperatorKind::Unknown && first != OperatorKind::None) {
                message = statement + " is an assignment: it stores (" + std::string(target) + " " +
                          std::string(op.substr(0, 1)) + " " + std::string(words[2].text) + ") in " +
                          std::string(target);
            } else {
                message = statement + " is an assignment that makes " + std::string(target) +
                          " unspecified: " + quote_text(op) + " is no assignment operator";
            }
        }
        const bool comparison = op == "==" || op == "!=" || op == "<=" || op == ">=" || op == "<" || op == ">";
        const bool arithmetic = op == "+" || op == "-" || op == "*" || op == "/";
        // The value as meant: every word after the operator.
        const std::string value =
            words.size() > 3 ? "(" + joined_words(words, 2).substr(0, 60) + ")" : std::string(words[2].text);
        if (comparison) {
            message += "; assign with " + std::string(target) + " = " + value + ", or compare inside compare (" +
                       std::string(target) + " " + std::string(op) + " " + joined_words(words, 2).substr(0, 60) +
                       ") { ... }";
        } else if (arithmetic) {
            message += "; to change " + std::string(target) + ", write " + std::string(target) + " " +
                       std::string(op) + "= " + value;
        } else {
            message += "; write " + std::string(target) + " = " + value;
        }
        report(Rule::NotAssignment, words[1], std::move(message));
    }

    // Words from `from` on are ignored by the statement.
    void report_ignored(const std::vector<PlacedToken>& words, std::size_t from, const Context& context,
                        std::string_view why)
    {
        if (words.size() <= from) return;
        const PlacedToken& extra = words[from];
        const std::size_t length = words.back().offset + words.back().text.size() - extra.offset;
        const std::string ignored = quote_text(joined_words(words, from));
        const bool new_statement = exec::keyword_from_token(extra.text).has_value() || extra.text.front() == '$' ||
                                   (from + 1 < words.size() && is_proper_assignment(words[from + 1].text));
        if (looks_like_comment(extra.text)) {
            report(Rule::IgnoredWords, extra.offset, length,
                   ignored + " is ignored: ZIRN has no comments; keep notes inside compare (0) { ... }");
        } else if (new_statement && context.one_line_block) {
            report(Rule::OneLineBlock, extra.offset, length,
                   ignored + " is ignored: a block on one line holds one statement; write one statement per line");
        } else if (new_statement) {
            report(Rule::IgnoredWords, extra.offset, length,
                   ignored + " is ignored: statements are separated by line ends; start a new line");
        } else if (extra.text == "else" || extra.text == "elif") {
            report(Rule::IgnoredWords, extra.offset, length,
                   ignored + " is ignored: ZIRN has no else; write a second compare with the opposite condition");
        } else if (from == 3 && exec::operator_from_text(extra.text) != OperatorKind::Unknown) {
            report(Rule::IgnoredWords, extra.offset, length,
                   ignored + " is ignored: " + std::string(why) + "; write " + std::string(words[0].text) + " " +
                       (is_proper_assignment(words[1].text) ? std::string(words[1].text) : std::string("=")) +
                       " (" + joined_words(words, 2).substr(0, 60) + ")");
        } else {
            report(Rule::IgnoredWords, extra.offset, length, ignored + " is ignored: " + std::string(why));
        }
    }

    // --- keyword statements ---------------------------------------------

    void check_keyword_statement(Keyword keyword, const std::vector<PlacedToken>& words, const Context& context)
    {
        const std::string_view name = words[0].text;
        switch (keyword) {
        case Keyword::Compare:
        case Keyword::Each:
        case Keyword::Until: {
            const std::string usage = std::string(name) + (keyword == Keyword::Each ? " (list) { ... }" : " (condition) { ... }");
            if (!require(words, 3, usage)) return;
            check_operand(words[1], context);
            const PlacedToken& block = words[2];
            if (block.text.front() != '{') {
                std::string message = quote_text(block.text) + " stands where " + std::string(name) +
                                      " takes its block";
                if (words[1].text.front() != '(') message += ": put the condition in parentheses, " + usage;
                else message += ": write " + usage;
                report(Rule::BlockExpected, block, std::move(message));
                return;
            }
            const bool never_runs = keyword != Keyword::Each && (words[1].text == "0" || words[1].text == "(0)");
            if (!never_runs) check_block(block, context);
            report_ignored(words, 3, context, "the statement ends with its block");
            return;
        }
        case Keyword::End:
            if (words.size() > 1) check_operand(words[1], context);
            report_ignored(words, 2, context, "end takes one value");
            return;
        case Keyword::List:
            if (!require(words, 2, "list name")) return;
            report_ignored(words, 2, context, "list takes one name");
            return;
        case Keyword::Add:
            if (!require(words, 3, "add list value")) return;
            check_operand(words[2], context);
            report_ignored(words, 3, context, "add takes a list and one value");
            return;
        case Keyword::Remove:
            if (!require(words, 3, "remove list position")) return;
            check_operand(words[2], context);
            report_ignored(words, 3, context, "remove takes a list and one position");
            return;
        case Keyword::Index:
        case Keyword::Where:
            if (!require(words, 4, std::string(name) + (keyword == Keyword::Index ? " list position target" : " list value target"))) {
                return;
            }
            check_operand(words[2], context);
            report_ignored(words, 4, context, std::string(name) + " takes a list, a value and a target name");
            return;
        case Keyword::Exec:
        case Keyword::Also:
            if (!require(words, 2, keyword == Keyword::Exec ? "exec text" : "also 'library'")) return;
            check_operand(words[1], context);
            report_ignored(words, 2, context, std::string(name) + " takes one value");
            return;
        }
    }

    bool require(const std::vector<PlacedToken>& words, std::size_t count, const std::string& usage)
    {
        if (words.size() >= count) return true;
        const PlacedToken& last = words.back();
        report(Rule::MissingOperand, words[0].offset, last.offset + last.text.size() - words[0].offset,
               quote_text(joined_words(words, 0)) + " misses " + (count - words.size() == 1 ? "an operand" : "operands") +
                   ": write " + usage);
        return false;
    }

    // --- operands -------------------------------------------------------

    void check_operand(const PlacedToken& token, const Context& context)
    {
        const std::string_view text = token.text;
        switch (text.front()) {
        case '$': check_call(token, context); return;
        case '(': check_expression(token, context); return;
        case '{': check_block(token, context); return;
        case '"':
        case '\'': return;
        default: break;
        }
        if (integer_literal_too_large(text)) {
            report(Rule::IntegerRange, token,
                   quote_text(text) + " does not fit in 32 bits (-2147483648 to 2147483647), so reading it fails");
            return;
        }
        if (!context.in_function) return;
        const std::optional<std::size_t> index = argument_index(text);
        if (!index) return;
        for (auto scope = context.builtins.rbegin(); scope != context.builtins.rend(); ++scope) {
            if (*index < scope->arguments) {
                report(Rule::ArgInBuiltin, token,
                       "inside $" + std::string(scope->name) + "$(...), " + std::string(text) + " is the text of " +
                           std::string(scope->name) + "'s own argument, not the function's; copy it first (x = " +
                           std::string(text) + ") and pass the copy");
                return;
            }
        }
    }

    void check_block(const PlacedToken& block, const Context& context)
    {
        check_closing_bracket(block);
        if (block.text.size() < 2) return;
        Context inside = context;
        inside.one_line_block = block.text.find('\n') == std::string_view::npos;
        check_statements(block.offset + 1, block.text.size() - 2, inside);
    }

    // The first statement of the inside of a parenthesised token, as the
    // interpreter reads it; a later one is reported as ignored.
    std::optional<PlacedStatement> inside_statement(const PlacedToken& token, std::string_view what)
    {
        check_closing_bracket(token);
        if (token.text.size() < 2) return std::nullopt;
        const auto statements = split(token.offset + 1, token.text.size() - 2);
        if (!statements || statements->empty()) return std::nullopt;
        for (std::size_t i = 1; i < statements->size(); ++i) {
            const PlacedStatement& later = (*statements)[i];
            if (later.words.empty()) continue;
            report(Rule::LineBreakInParentheses, later.words.front(),
                   "this line is ignored: " + std::string(what) + " ends at its first line end; write it on one line");
            break;
        }
        return std::move(statements->front());
    }

    void check_expression(const PlacedToken& token, const Context& context)
    {
        const auto statement = inside_statement(token, "a parenthesised expression");
        if (!statement) return;
        const std::vector<PlacedToken>& tokens = statement->tokens;
        std::size_t at = 0;
        if (tokens.size() > 1 && tokens[0].text == "not") at = 1;
        std::string reading;
        int strongest_before = 99;  // the weakest binding seen so far
        bool mixed_reported = false;
        for (bool operand = true; at < tokens.size(); ++at, operand = !operand) {
            const PlacedToken& piece = tokens[at];
            if (operand) {
                if (piece.text.empty()) {
                    // Reading stops here when it runs: what follows is not looked at.
                    report(Rule::EmptyOperand, piece.offset, 1,
                           "an extra blank makes an empty operand here, which cannot be read");
                    return;
                } else {
                    check_operand(piece, context);
                }
                reading = reading.empty() ? std::string(piece.text)
                                          : "(" + reading + " " + std::string(tokens[at - 1].text) + " " +
                                                std::string(piece.text) + ")";
                continue;
            }
            if (piece.text.empty()) {
                if (at + 1 < tokens.size()) {
                    report(Rule::ExtraBlank, piece.offset, 1,
                           "an extra blank here drops the value worked out before it; write one blank");
                }
                continue;
            }
            const OperatorKind op = exec::operator_from_text(piece.text);
            if (op == OperatorKind::Unknown) {
                report(Rule::UnknownOperator, piece,
                       quote_text(piece.text) + " stands where an operator goes and is none, so the result is unspecified");
                continue;
            }
            const int strength = binding_strength(op);
            if (strength > strongest_before && !mixed_reported && at + 1 < tokens.size()) {
                mixed_reported = true;
                std::string whole = reading + " " + std::string(piece.text) + " " + std::string(tokens[at + 1].text);
                report(Rule::MixedOperators, piece,
                       "operators apply from left to right: " + quote_text(std::string(token.text)) + " is " +
                           quote_text("(" + whole + ")") + "; add parentheses for the part meant to go first");
            }
            strongest_before = std::min(strongest_before, strength);
        }
    }

    void check_call(const PlacedToken& token, const Context& context)
    {
        const std::string_view text = token.text;
        const std::size_t name_end = text.find('$', 1);
        if (name_end == std::string_view::npos) return;  // `$input`: no argument list
        const std::string_view name = text.substr(1, name_end - 1);
        const std::string_view rest = text.substr(name_end + 1);
        if (rest.empty() || rest.front() != '(' || rest.back() != ')') return;
        const PlacedToken arguments_token{text.substr(name_end + 1), token.offset + name_end + 1};
        const auto statement = inside_statement(arguments_token, "an argument list");
        if (!statement) return;
        const std::vector<PlacedToken>& arguments = statement->tokens;
        const bool builtin = is_builtin(name);
        if (arguments.size() == 1 && arguments[0].text.empty()) {
            if (builtin && reads_no_argument(name)) return;
            report(Rule::EmptyArgument, token,
                   quote_text(text) + " passes one empty argument, which cannot be read; call without parentheses: $" +
                       std::string(name));
            return;
        }
        Context inside = context;
        if (builtin) inside.builtins.push_back(BuiltinScope{name, arguments.size()});
        bool comma_reported = false;
        for (const PlacedToken& argument : arguments) {
            if (argument.text.empty()) {
                report(Rule::EmptyArgument, argument.offset, 1,
                       "an extra blank makes an empty argument here, which cannot be read; write one blank between arguments");
                continue;
            }
            if (!comma_reported && argument.text.size() > 1 && argument.text.back() == ',' &&
                &argument != &arguments.back()) {
                comma_reported = true;
                report(Rule::CommaSeparated, argument.offset + argument.text.size() - 1, 1,
                       "this comma belongs to the argument " + quote_text(argument.text) +
                           ": arguments are separated by blanks alone");
            }
            check_operand(argument, inside);
        }
    }

    std::string_view m_source;
    LineMap m_lines;
    std::vector<Finding> m_findings;
};

// The program without a "#!" first line; its line feed stays, so lines
// keep their numbers.
std::string without_interpreter_line(std::string_view text)
{
    if (!text.starts_with("#!")) return std::string(text);
    const std::size_t line_end = text.find('\n');
    if (line_end == std::string_view::npos) return std::string(text.size(), ' ');
    return std::string(line_end, ' ') + std::string(text.substr(line_end));
}

}  // namespace

std::vector<Finding> check_program(std::string_view text)
{
    const std::string program = without_interpreter_line(text);
    return Checker(program).run();
}

std::string format_finding(std::string_view file, const Finding& finding)
{
    std::string line(file);
    line += ':' + std::to_string(finding.line) + ':' + std::to_string(finding.column) + ": ";
    line += finding.severity == Severity::Error ? "error: " : "warning: ";
    line += finding.message;
    line += " [";
    line += finding.rule_name();
    line += ']';
    return line;
}

}  // namespace zirn::check
