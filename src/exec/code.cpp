#include "exec/code.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "base/limits.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Value;

OperatorKind operator_from_text(std::string_view text)
{
    if (text.empty()) return OperatorKind::None;
    if (text == "and") return OperatorKind::And;
    if (text == "or") return OperatorKind::Or;
    if (text == "==") return OperatorKind::Equal;
    if (text == "!=") return OperatorKind::NotEqual;
    if (text == ">") return OperatorKind::Greater;
    if (text == ">=") return OperatorKind::GreaterEqual;
    if (text == "<") return OperatorKind::Less;
    if (text == "<=") return OperatorKind::LessEqual;
    if (text == "+") return OperatorKind::Add;
    if (text == "-") return OperatorKind::Subtract;
    if (text == "*") return OperatorKind::Multiply;
    if (text == "/") return OperatorKind::Divide;
    if (text == "->") return OperatorKind::Member;
    return OperatorKind::Unknown;
}

value::NameId CachedName::look_up(const std::string& text) const
{
    m_id = value::find_name(text);
    m_names_seen = value::interned_name_count();
    return m_id;
}

namespace {

OperandKind classify(std::string_view text)
{
    switch (text.empty() ? '\0' : text.front()) {
    case '$': return OperandKind::Call;
    case '(': return OperandKind::Parenthesised;
    case '{': return OperandKind::Block;
    case '\'':
    case '"': return OperandKind::Quoted;
    default: return OperandKind::Number;
    }
}

// A bare word is read as a number; when that fails the word was most likely
// meant as a name, so the message says so.
Value read_number_literal(std::string_view text)
{
    const std::string_view hint =
        text == "not" ? ", and no variable has that name ('not' negates only at the start "
                        "of an expression or after an operator that waits for its operand)"
                      : ", and no variable has that name";
    if (text.find('.') != std::string_view::npos) return Value::floating(value::parse_float_text(text, hint));
    return Value::integer(value::parse_integer_text(text, hint));
}

std::string_view inside_of(std::string_view text, std::string_view what)
{
    if (text.size() < 2) {
        throw Error(ErrorKind::Unbalanced, std::string(what) + " " + quote_text(text) + " is too short to have an inside");
    }
    return text.substr(1, text.size() - 2);
}

std::unique_ptr<CallSite> take_call_apart(std::string_view token)
{
    auto call = std::make_unique<CallSite>();
    const std::vector<std::string> pieces = lex::split_on_char(token.substr(1), '$');
    if (!pieces.empty()) call->name = pieces.front();
    if (pieces.size() < 2) return call;
    // The argument text is what follows the name, rebuilt with its "$"
    // signs, without the "$(" in front and the last character.
    std::string rest;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        rest += '$';
        rest += pieces[i];
    }
    if (rest.size() < 3) {
        throw Error(ErrorKind::NotCallable, quote_text(token) + " has no argument list: write $name$(arguments)");
    }
    call->has_arguments = true;
    call->arguments = compile(std::string_view(rest).substr(2, rest.size() - 3));
    call->direct_arguments = specialised_ways;
    for (const Token& argument : call->argument_tokens().tokens) {
        call->raw_arguments.push_back(Value::string(argument.text()));
        if (!argument.reads_no_arguments()) call->direct_arguments = false;
    }
    return call;
}

bool number_operator(OperatorKind op)
{
    switch (op) {
    case OperatorKind::None:
    case OperatorKind::Member:
    case OperatorKind::Unknown: return false;
    default: return true;
    }
}

// Operands and operators alternating, no `not`, no empty token, every
// operand a name, a literal or parenthesised, every operator one that two
// numbers give a number under: when the operands turn out to be numbers,
// the fold needs no Values at all. (A lone operand stands for a copy of its
// Value, with whatever text or elements a number may carry: only an
// operator makes a plain number.)
bool number_fold_candidate(const std::vector<Token>& tokens)
{
    if (tokens.size() % 2 == 0 || tokens.size() < 3) return false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.empty() || token.is_not()) return false;
        if (i % 2 == 1) {
            if (!number_operator(token.as_operator())) return false;
        } else if (token.kind() != OperandKind::Number && token.kind() != OperandKind::Parenthesised) {
            return false;
        }
    }
    return true;
}

// The kind a statement is in general, from its first word.
StatementKind general_kind_of(const Statement& statement)
{
    if (statement.words.empty()) return StatementKind::Empty;
    if (statement.keyword) return StatementKind::Keyword;
    if (statement.word[0]->kind() == OperandKind::Call) return StatementKind::Call;
    if (statement.words.size() < 3) return StatementKind::Incomplete;
    return StatementKind::Assign;
}

bool plain_operand_token(const Token& token) { return token.kind() == OperandKind::Number || token.kind() == OperandKind::Quoted; }

// The specialised kind the text shows, or the general kind.
StatementKind specialised_kind_of(const Statement& statement, StatementKind general)
{
    switch (general) {
    case StatementKind::Keyword: {
        const std::size_t operands = statement.words.size() - 1;
        switch (*statement.keyword) {
        case Keyword::Compare:
            if (operands >= 2) return StatementKind::Compare;
            break;
        case Keyword::End: return StatementKind::End;
        case Keyword::Add:
            if (operands >= 2 && plain_operand_token(*statement.word[2]) && !statement.word[2]->is_not()) {
                return StatementKind::AddPlain;
            }
            break;
        case Keyword::Index:
            if (operands >= 3 && (plain_operand_token(*statement.word[2]) ||
                                  statement.word[2]->kind() == OperandKind::Parenthesised)) {
                return StatementKind::IndexDirect;
            }
            break;
        default: break;
        }
        return general;
    }
    case StatementKind::Assign: {
        const bool direct = statement.word[0]->kind() != OperandKind::Parenthesised &&
                            (statement.word[2]->is_plain() || statement.word[2]->kind() == OperandKind::Parenthesised);
        if (!direct) return general;
        return statement.compound ? StatementKind::AssignInPlace : StatementKind::AssignCopy;
    }
    default: return general;
    }
}

// How the statement folds as an expression with Values.
ValueFoldKind value_fold_of(const std::vector<Token>& tokens)
{
    if (tokens.empty() || tokens[0].is_not()) return ValueFoldKind::Operands;
    if (tokens.size() == 1) return ValueFoldKind::Lone;
    if (tokens.size() != 3) return ValueFoldKind::Operands;
    return plain_operand_token(tokens[0]) && plain_operand_token(tokens[2]) ? ValueFoldKind::Pair : ValueFoldKind::Triple;
}

// How the statement folds as numbers first, before any operand is seen.
NumberFoldKind number_fold_of(const std::vector<Token>& tokens, ValueFoldKind value_fold)
{
    if (!number_fold_candidate(tokens)) return NumberFoldKind::None;
    return value_fold == ValueFoldKind::Pair ? NumberFoldKind::IntegerPair : NumberFoldKind::Integers;
}

// The compiler's choice: the kind itself, or in a build without
// specialised ways the general kind it stands for.
template <class Kind>
Kind chosen(Kind kind)
{
    return specialised_ways ? kind : most_general_kind(kind);
}

Statement make_statement(lex::Statement&& texts)
{
    Statement statement;
    statement.tokens.reserve(texts.size());
    for (std::string& text : texts) {
        if (!text.empty()) statement.words.push_back(static_cast<std::uint32_t>(statement.tokens.size()));
        statement.tokens.emplace_back(std::move(text));
    }
    if (!statement.words.empty()) statement.keyword = keyword_from_token(statement.tokens[statement.words[0]].text());
    for (std::size_t i = 0; i < 3 && i < statement.words.size(); ++i) {
        statement.word[i] = &statement.tokens[statement.words[i]];
    }
    statement.compound = statement.word[1] != nullptr && statement.word[1]->text().size() > 1;
    statement.kind = chosen(specialised_kind_of(statement, general_kind_of(statement)));
    statement.value_fold = chosen(value_fold_of(statement.tokens));
    statement.number_fold = chosen(number_fold_of(statement.tokens, value_fold_of(statement.tokens)));
    return statement;
}

std::uint32_t count_line_feeds(std::string_view text)
{
    return static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '\n'));
}

// True when `statement` cannot see the name `name`: none of its tokens
// holds that text, calls anything (a function sees every name) or is a
// block, and it is no `exec` or `also`. Errs on the side of "can see".
bool cannot_see_name(const Statement& statement, std::string_view name)
{
    if (statement.keyword == Keyword::Exec || statement.keyword == Keyword::Also) return false;
    for (const Token& token : statement.tokens) {
        const std::string& text = token.text();
        if (text.find_first_of("${") != std::string::npos || text.find(name) != std::string::npos) return false;
    }
    return true;
}

// Marks the `index` statements of StatementKind::StoreElement.
void mark_element_stores(std::vector<Statement>& statements)
{
    for (std::size_t i = 0; i + 1 < statements.size(); ++i) {
        Statement& index = statements[i];
        const Statement& assignment = statements[i + 1];
        if (index.keyword != Keyword::Index || index.words.size() != 4 || assignment.kind != StatementKind::AssignCopy ||
            assignment.words.size() != 3) {
            continue;
        }
        const Token& position = index.tokens[index.words[2]];
        const Token& name = index.tokens[index.words[3]];
        const Token& value = *assignment.word[2];
        if (!position.is_plain() || name.kind() != OperandKind::Number || !value.is_plain() ||
            assignment.word[0]->text() != name.text() || value.text() == name.text()) {
            continue;
        }
        bool unseen = true;
        for (std::size_t later = i + 2; later < statements.size() && unseen; ++later) {
            unseen = cannot_see_name(statements[later], name.text());
        }
        if (unseen) index.kind = StatementKind::StoreElement;
    }
}

std::shared_ptr<Code> make_code(lex::StatementList statements)
{
    auto code = std::make_shared<Code>();
    code->statements.reserve(statements.size());
    // Every line feed of the text either ends a statement or stays inside
    // one of its tokens, so the lines can be counted from the tokens.
    std::uint32_t line = 1;
    for (lex::Statement& texts : statements) {
        std::uint32_t inner_line_feeds = 0;
        for (const std::string& text : texts) inner_line_feeds += count_line_feeds(text);
        code->statements.push_back(make_statement(std::move(texts)));
        code->statements.back().line = line;
        line += 1 + inner_line_feeds;
    }
    if (specialised_ways) mark_element_stores(code->statements);
    // The statements stay where they are from here on, so they can point
    // at each other.
    const Statement* next = nullptr;
    for (std::size_t i = code->statements.size(); i-- > 0;) {
        code->statements[i].next_step = next;
        if (code->statements[i].kind != StatementKind::Empty) next = &code->statements[i];
    }
    code->first_step = next;
    code->leading_end = specialised_ways && next != nullptr && next->keyword == Keyword::End;
    return code;
}

// A text of a file, split with its place; each block in it is split at
// once too, so that its statements know their lines in the file.
std::shared_ptr<Code> compile_with_origin(std::string_view text, SourceOrigin origin)
{
    std::shared_ptr<Code> code = make_code(lex::split_statements(text));
    code->origin = std::move(origin);
    for (Statement& statement : code->statements) {
        statement.line += code->origin.first_line - 1;
        statement.file = code->origin.file.get();
        std::uint32_t line = statement.line;
        for (Token& token : statement.tokens) {
            if (token.kind() == OperandKind::Block && token.text().size() >= 2) {
                try {
                    token.attach_inside(compile_with_origin(inside_of(token.text(), "the block"),
                                                            SourceOrigin{code->origin.file, line}));
                } catch (const Error&) {
                    // An inside that cannot be split reports that when it runs.
                }
            }
            line += count_line_feeds(token.text());
        }
    }
    return code;
}

// The split cache, keyed by text. Bounded: when it holds too many texts it
// is emptied and fills again with what is in use.
struct CodeCache {
    std::unordered_map<std::string, CodeRef> entries;
    std::size_t bytes = 0;
};

// One per thread: the parses it holds carry caches of the interpreter that
// uses them, and each interpreter keeps to its thread. Kept until the
// thread ends (drop_code_cache), for the main thread for the whole process.
constinit thread_local CodeCache* thread_code_cache = nullptr;

CodeCache& code_cache()
{
    if (thread_code_cache == nullptr) thread_code_cache = new CodeCache();
    return *thread_code_cache;
}

}  // namespace

namespace {

struct FileParse {
    std::string text;
    CodeRef code;
};
// Per thread, like the split cache, and kept as long (see drop_code_cache).
constinit thread_local std::unordered_map<std::string, FileParse>* thread_file_parses = nullptr;

}  // namespace

void drop_code_cache()
{
    delete thread_code_cache;
    thread_code_cache = nullptr;
    delete thread_file_parses;
    thread_file_parses = nullptr;
}

Token::Token(std::string text)
    : m_text(std::move(text)),
      m_kind(classify(m_text)),
      m_operator(operator_from_text(m_text)),
      m_compound(m_text.size() > 1 ? operator_from_text(std::string_view(m_text).substr(0, 1)) : OperatorKind::None),
      m_is_not(m_text == "not"),
      m_bare_word(value::is_bare_word(m_text))
{
    // Literals are read once; a text that is no number is read again (and
    // its error raised) only when it is evaluated.
    if (m_kind == OperandKind::Quoted && m_text.size() >= 2) {
        m_literal = Value::string(m_text.substr(1, m_text.size() - 2));
        m_literal_ready = true;
    } else if (m_kind == OperandKind::Number) {
        if (m_text.find('.') != std::string::npos) {
            if (const std::optional<float> number = value::try_parse_float_text(m_text)) {
                m_literal = Value::floating(*number);
                m_literal_ready = true;
            }
        } else if (const std::optional<std::int32_t> number = value::try_parse_integer_text(m_text)) {
            m_literal = Value::integer(*number);
            m_literal_ready = true;
        }
    }
}

Token::Token(Token&& other) noexcept
    : m_text(std::move(other.m_text)),
      m_name(other.m_name),
      m_kind(other.m_kind),
      m_operator(other.m_operator),
      m_compound(other.m_compound),
      m_is_not(other.m_is_not),
      m_bare_word(other.m_bare_word),
      m_literal_ready(other.m_literal_ready),
      m_function_ready(other.m_function_ready),
      m_literal(std::move(other.m_literal)),
      m_inside(std::move(other.m_inside)),
      m_call(std::move(other.m_call))
{
}

Token::~Token() = default;

void Token::attach_inside(CodeRef inside)
{
    // The function Value is made once and shared by every evaluation, with
    // the parse hung on its text as a call looks for it (code_of, Body).
    m_literal = Value::func(m_text);
    const value::TextRep* rep = m_literal.text_rep();
    rep->parsed = inside;
    rep->parsed_as = static_cast<std::uint8_t>(ParseUse::Body);
    m_inside = std::move(inside);
    m_function_ready = true;
}

const Value& Token::unreadable_literal() const
{
    if (m_kind == OperandKind::Quoted) inside_of(m_text, "the string");
    try {
        read_number_literal(m_text);  // raises the reading error
    } catch (Error& error) {
        // A word that starts like a name was most likely meant as one.
        const bool word = !m_text.empty() && (std::isalpha(static_cast<unsigned char>(m_text[0])) != 0 || m_text[0] == '_');
        if (word && !m_is_not) error.about_missing(MissingKind::Name, m_text);
        if (m_text.empty()) {
            error.set_advice("an empty operand comes from $f$(), which passes one empty argument (call a function "
                             "without arguments as $f), or from a blank right after '('");
        }
        throw;
    }
    throw Error(ErrorKind::IntegerText, quote_text(m_text) + " is not a number");
}

const Code& Token::compile_inside() const
{
    m_inside = compile(inside_of(m_text, m_kind == OperandKind::Block ? "the block" : "the expression"));
    return *m_inside;
}

const CallSite& Token::take_apart_call() const
{
    m_call = take_call_apart(m_text);
    return *m_call;
}

bool Token::reads_no_arguments() const { return reads_no_arguments_within(16); }

bool Token::reads_no_arguments_within(int depth) const
{
    switch (m_kind) {
    case OperandKind::Call:
    case OperandKind::Block: return false;
    case OperandKind::Quoted:
    case OperandKind::Number: return m_text.rfind("arg", 0) != 0;
    case OperandKind::Parenthesised: break;
    }
    // Deep nesting is rare enough to take the general way; so is an inside
    // that cannot be split (its error belongs to its evaluation).
    if (m_text.size() < 2 || depth == 0) return false;
    const Code* code = nullptr;
    try {
        code = &inside();
    } catch (const Error&) {
        return false;
    }
    for (const Token& token : code->statements.front().tokens) {
        if (!token.reads_no_arguments_within(depth - 1)) return false;
    }
    return true;
}

BuiltinHandler CallSite::resolve_builtin(const BuiltinTable& table) const
{
    const auto found = table.find(name);
    m_builtin = found == table.end() ? nullptr : found->second;
    m_resolved_in = &table;
    return m_builtin;
}

CodeRef compile(std::string_view text)
{
    CodeCache& cache = code_cache();
    const std::string key(text);
    if (const auto found = cache.entries.find(key); found != cache.entries.end()) return found->second;
    CodeRef code = make_code(lex::split_statements(text));
    if (cache.entries.size() >= limits::code_cache_texts || cache.bytes + key.size() > limits::code_cache_bytes) {
        cache.entries.clear();
        cache.bytes = 0;
    }
    cache.bytes += key.size();
    cache.entries.emplace(key, code);
    return code;
}

CodeRef compile(const lex::StatementList& statements) { return make_code(statements); }

CodeRef compile_file(std::string_view text, std::string file)
{
    // A library loaded again with the same text (`also` in a loop or a
    // function) reuses its parse; very large texts are not kept twice.
    if (thread_file_parses == nullptr) thread_file_parses = new std::unordered_map<std::string, FileParse>();
    auto* cache = thread_file_parses;
    const auto found = cache->find(file);
    if (found != cache->end() && found->second.text == text) return found->second.code;
    CodeRef code = compile_with_origin(text, SourceOrigin{std::make_shared<const std::string>(file), 1});
    if (text.size() <= limits::file_parse_cache_bytes) {
        if (cache->size() >= limits::file_parse_cache_files) cache->clear();
        (*cache)[std::move(file)] = FileParse{std::string(text), code};
    }
    return code;
}

CodeHandle parse_text_of(const Value& text_value, ParseUse use)
{
    const bool has_text = text_value.is(value::Type::String) || text_value.is(value::Type::Func);
    const value::TextRep* rep = has_text ? text_value.text_rep() : nullptr;
    const std::string text = has_text ? text_value.text() : value::to_text(text_value);
    CodeRef code;
    switch (use) {
    case ParseUse::Expression:
        code = compile(!text.empty() && text.front() == '(' ? inside_of(text, "the expression") : std::string_view(text));
        break;
    case ParseUse::Body:
        code = compile(inside_of(text, "the function"));
        break;
    case ParseUse::Statements:
    case ParseUse::None:
        code = compile(text);
        break;
    }
    // A parse once kept stays as long as the text: a running call of a
    // function holds its text and runs the kept parse, so replacing it (the
    // same text run with `exec` inside the call) would free the statements
    // under the call. A text used in a second way is split through the
    // cache each time instead.
    if (rep != nullptr && rep->parsed == nullptr) {
        rep->parsed = code;
        rep->parsed_as = static_cast<std::uint8_t>(use);
    }
    const Code* raw = code.get();
    return CodeHandle(raw, value::Ref<value::Payload>(), std::move(code));
}

}  // namespace zirn::exec
