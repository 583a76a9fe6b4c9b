// Split text, kept with what evaluation needs to know about each token.
//
// ZIRN source stays text: a block, a function body or a parenthesised operand
// is split again every time it runs. Splitting is a pure function of the
// text, so the result of each split is kept and reused instead (see
// `compile`). Each token also remembers, worked out once, what kind of
// operand it is, its literal value, its operator, the inside of its
// parentheses or braces, and for a call its name and arguments. A program
// cannot tell the difference: names are still looked up first on every
// evaluation, so a variable named `12` still wins over the literal 12, also
// when it is bound after the token was first seen.
//
// Example: `$print$((x + 1))` is one token of kind Call, whose call site has
// the name `print` and one argument token `(x + 1)` of kind Parenthesised,
// whose inside is the statement `x`, `+`, `1`.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exec/interpreter.h"
#include "exec/keywords.h"
#include "exec/kinds.h"
#include "base/error.h"
#include "lex/splitter.h"
#include "value/names.h"
#include "value/var_table.h"
#include "value/value.h"

namespace zirn::exec {

#ifndef ZIRN_GENERAL_ONLY
#define ZIRN_GENERAL_ONLY 0
#endif
// False in a build made with ZIRN_GENERAL_ONLY: the compiler then picks the
// general kind of every statement and expression (kinds.h), no call site
// takes its arguments directly, and the run-time shortcuts that look at
// operand types are not taken. Such a build must behave exactly as the normal one;
// running the tests with it checks every specialised way against the
// general way it stands for.
inline constexpr bool specialised_ways = ZIRN_GENERAL_ONLY == 0;

enum class OperandKind : std::uint8_t { Call, Parenthesised, Block, Quoted, Number };

enum class OperatorKind : std::uint8_t {
    None,  // the empty token: nothing pending
    And,
    Or,
    Equal,
    NotEqual,
    Greater,
    GreaterEqual,
    Less,
    LessEqual,
    Add,
    Subtract,
    Multiply,
    Divide,
    Member,
    Unknown,
};
OperatorKind operator_from_text(std::string_view text);

struct Code;
struct CallSite;
using CodeRef = std::shared_ptr<const Code>;

// The interned id of a name its owner holds the text of, looked up again
// only when new names have been interned since the last look.
class CachedName {
public:
    // `text` is always the same text, the owner's.
    value::NameId id(const std::string& text) const
    {
        if (m_id != value::no_name || m_names_seen == value::interned_name_count()) return m_id;
        return look_up(text);
    }
    // The id as last looked up: no_name when the name was not interned
    // then (it may be now; id() looks again). An id found stays valid.
    value::NameId known_id() const { return m_id; }

private:
    [[gnu::noinline]] value::NameId look_up(const std::string& text) const;

    mutable value::NameId m_id = value::no_name;
    mutable std::size_t m_names_seen = static_cast<std::size_t>(-1);
};

class Token {
public:
    explicit Token(std::string text);
    Token(Token&& other) noexcept;
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;
    ~Token();

    const std::string& text() const { return m_text; }
    bool empty() const { return m_text.empty(); }
    OperandKind kind() const { return m_kind; }
    // A name or a literal: evaluating it can have no side effects.
    bool is_plain() const { return m_kind == OperandKind::Number || m_kind == OperandKind::Quoted; }
    OperatorKind as_operator() const { return m_operator; }
    // For an assignment operator of two or more characters (`+=`, `>=`):
    // the operator named by its first character.
    OperatorKind compound_operator() const { return m_compound; }
    bool is_not() const { return m_is_not; }
    value::NameId name() const { return m_name.id(m_text); }
    const CachedName& cached_name() const { return m_name; }
    // False when no variable can be named by this token's text (see
    // value::odd_names_interned): its operand is then read without a lookup.
    bool may_be_bound() const { return m_bare_word || value::odd_names_interned(); }
    bool is_bare_word() const { return m_bare_word; }

    // Quoted and Number tokens: the value they stand for; raises the reading
    // error for a number that cannot be read.
    const value::Value& literal() const { return m_literal_ready ? m_literal : unreadable_literal(); }
    // The same, or null for a number that cannot be read.
    const value::Value* readable_literal() const { return m_literal_ready ? &m_literal : nullptr; }
    // Parenthesised and Block tokens: the split inside.
    const Code& inside() const { return m_inside ? *m_inside : compile_inside(); }
    // Whether inside() has been split already (and so cannot raise).
    bool inside_split() const { return m_inside != nullptr; }
    // Call tokens: the call taken apart.
    const CallSite& call() const;
    // True when evaluating this token can neither call anything nor run a
    // block, and no name it reads starts with "arg".
    bool reads_no_arguments() const;
    // Block tokens: the "func" Value the block stands for on the right-hand
    // side of an assignment. A block of a file carries its parse (and with it
    // the place of its lines) on the text, so calls run that parse.
    value::Value function_value() const { return m_function_ready ? m_literal : value::Value::func(m_text); }
    // Block tokens of a file: `inside` is the parse of the inside, made with
    // the file and the block's first line (see compile_file).
    void attach_inside(CodeRef inside);

private:
    bool reads_no_arguments_within(int depth) const;
    [[noreturn]] const value::Value& unreadable_literal() const;
    const Code& compile_inside() const;
    const CallSite& take_apart_call() const;

    std::string m_text;
    CachedName m_name;
    OperandKind m_kind;
    OperatorKind m_operator;
    OperatorKind m_compound;
    bool m_is_not;
    bool m_bare_word;
    bool m_literal_ready = false;
    bool m_function_ready = false;
    value::Value m_literal;  // Quoted, Number: the literal; Block: the function
    mutable CodeRef m_inside;
    mutable std::unique_ptr<CallSite> m_call;
};

// A numeric fold laid out as steps (NumberFoldKind::IntegerSteps and
// NumberSteps): the fold in postfix order, run with a small stack of
// partial results. An operand
// step reads a name or a number and either starts a new partial result or
// combines it into the last one; a step of its own combines the result of
// a parenthesised operand into the one before it.
struct FoldStep {
    enum class Action : std::uint8_t {
        PushName,        // a bare word's variable starts a result
        PushNumber,      // an integer literal starts a result
        CombineName,     // the same, combined into the last result with `op`
        CombineNumber,
        CombineResults,  // the last result combined into the one before it with `op`
        // A bare word's variable starts a result, combined at once with an
        // integer literal (`then_number`) or another variable (`then_name`)
        // by `op`: `(n - 1)` or `(i * n)` inside a longer expression, the
        // commonest pairs of steps, as one.
        PushNameWithNumber,
        PushNameWithName,
        PushReal,        // a float literal starts a result (NumberSteps only)
        CombineReal,
        // Closes every list of steps, so that a runner needs no test for
        // its end; the last: fold_integer_steps lists every code up to it.
        Done,
    };
    Action action = Action::PushNumber;
    OperatorKind op = OperatorKind::None;
    // The action and the operator as one number (integer_step_code), so
    // that the integer fold dispatches once per step.
    std::uint8_t code = 0;
    // A name's id, or a number (a literal integer is 32 bits wide, a
    // literal float single precision).
    union {
        value::NameId name = value::no_name;
        std::int32_t number;
        float real;
    };
    // The second operand of PushNameWithNumber and PushNameWithName.
    union {
        std::int32_t then_number = 0;
        value::NameId then_name;
    };
};
struct FoldSteps {
    std::vector<FoldStep> steps;
    // The deepest parenthesised operand: each takes one nesting step, and
    // holds one more partial result while it is folded.
    std::uint32_t depth = 0;
    // One more than the highest name id a step reads (0: no name step).
    // When the cells do not reach that far, a name of the steps is unbound.
    std::uint32_t names_below = 0;
};

// The action of an integer fold step and the operator it combines with, as
// one number: the operators with a case of their own (`+`, `-`, `*`, `/`)
// by their place, every other one as the fifth.
constexpr std::uint8_t integer_step_code(FoldStep::Action action, OperatorKind op)
{
    const std::uint8_t place = op == OperatorKind::Add        ? 0
                               : op == OperatorKind::Subtract ? 1
                               : op == OperatorKind::Multiply ? 2
                               : op == OperatorKind::Divide   ? 3
                                                              : 4;
    return static_cast<std::uint8_t>(static_cast<std::uint8_t>(action) * 5 + place);
}

struct Statement {
    std::vector<Token> tokens;          // every token, empty ones included
    const std::string* file = nullptr;
    // The next statement of its Code that is not empty, null after the
    // last one: a run walks only those.
    const Statement* next_step = nullptr;
    std::vector<std::uint32_t> words;   // positions of the non-empty tokens
    std::optional<Keyword> keyword;     // when the first word is a keyword
    // The line the statement starts on: in its file when it came from one
    // (`file` then names it; the Code holding the statement keeps the name),
    // else counted from 1 at the start of the text it was split from.
    std::uint32_t line = 1;
    // What the statement is and the way a run takes through it, picked
    // once by the compiler (see kinds.h); general_kind(kind) is what it is
    // in general.
    StatementKind kind = StatementKind::Empty;
    // Assignment: an operator of two or more characters combines with the
    // target's Value (`+=`).
    bool compound = false;
    // The first three words (null where there are fewer).
    const Token* word[3] = {nullptr, nullptr, nullptr};
    // As an expression: how it folds with Values, picked by the compiler.
    ValueFoldKind value_fold = ValueFoldKind::Operands;
    // As an expression: how it folds as numbers first. Changed at run time
    // only by the quickening functions of expression.cpp, which also keep
    // the count of folds that met an operand that is no number.
    mutable NumberFoldKind number_fold = NumberFoldKind::None;
    mutable std::uint8_t fold_declines = 0;
    // IntegerSteps and NumberSteps: the fold laid out as steps, made after
    // the first fold that went through (`fold_steps_tried` then set).
    mutable bool fold_steps_tried = false;
    mutable std::unique_ptr<const FoldSteps> fold_steps;

    StatementKind general() const { return general_kind(kind); }
    // `a op b` on two names or literals, no `not`.
    bool plain_pair() const { return value_fold == ValueFoldKind::Pair; }
};

// The file a text came from: a script, a library loaded with `also`, or a
// block of one of those. Typed lines and `exec` texts have none.
struct SourceOrigin {
    std::shared_ptr<const std::string> file;
    std::uint32_t first_line = 1;  // the file's line of the text's line 1
};

// A plain assignment (`n = arg0`) that is the first statement of a body to
// name its target: run as a function body, it changes the caller's
// variable when the caller has one of that name.
struct FirstAssignment {
    const Statement* statement;
    const Token* target;
};

struct Code {
    std::vector<Statement> statements;
    // The first statement that is not empty, null when there is none.
    // Line breaks before and after the statements of a block make empty
    // statements that would otherwise cost every run of it a step each; a
    // run walks from here along Statement::next_step, while an expression
    // still reads `statements`, empty ones included.
    const Statement* first_step = nullptr;
    // What the warnings worked out about this text, kept from the first
    // time they looked (only while warnings are on).
    struct WarningNotes {
        // As a function body: the assignments that start a name.
        std::optional<std::vector<FirstAssignment>> first_assignments;
        // As a block's inside: for each name asked about, whether the
        // block's text names it as a whole word.
        std::vector<std::pair<value::NameId, bool>> block_mentions;
    };
    mutable std::unique_ptr<WarningNotes> warning_notes;
    // As a function body, looked at once: no assignment of it starts a
    // name, so no call needs to look for one that changes its caller's.
    mutable bool starts_no_name = false;
    // As a block, looked at once: whether it can run code its text does
    // not show (a call, `exec`, `also`), which could read any name.
    enum class HiddenCode : std::uint8_t { Unknown, None, Possible };
    mutable HiddenCode hidden_code = HiddenCode::Unknown;
    WarningNotes& notes() const
    {
        if (!warning_notes) warning_notes = std::make_unique<WarningNotes>();
        return *warning_notes;
    }
    SourceOrigin origin;  // file null: the text came from no file
    // The first step is an `end`: a block that only ends, `{ end x }`,
    // needs no run of its own.
    bool leading_end = false;
};

// A call token taken apart: `$print$(x "nah")` has the name `print` and the
// argument tokens `x` and `"nah"`; `$input` has no argument list at all.
struct CallSite {
    std::string name;
    CachedName name_id;  // of `name`
    bool has_arguments = false;
    // True when no argument can tell whether a builtin's raw argument
    // texts are bound as arg0, arg1, ...: nothing in them calls, runs a
    // block or reads a name starting with "arg".
    bool direct_arguments = false;
    CodeRef arguments;                        // the argument text, split
    std::vector<value::Value> raw_arguments;  // each argument token as a string

    // The builtin of that name, looked up once per builtin table.
    BuiltinHandler builtin(const BuiltinTable& table) const
    {
        return m_resolved_in == &table ? m_builtin : resolve_builtin(table);
    }
    const Statement& argument_tokens() const;

private:
    BuiltinHandler resolve_builtin(const BuiltinTable& table) const;

    mutable const BuiltinTable* m_resolved_in = nullptr;
    mutable BuiltinHandler m_builtin = nullptr;
};

inline const Statement& CallSite::argument_tokens() const { return arguments->statements.front(); }

inline const CallSite& Token::call() const
{
    if (m_call) return *m_call;
    return take_apart_call();
}

// The statements of `text`, split once and shared: the same text gives the
// same Code until the cache is cleared. Raises Error(Unbalanced) for text
// left open.
CodeRef compile(std::string_view text);
// Empties and frees the calling thread's cache of split texts; for a thread
// that ends.
void drop_code_cache();
// The same for a text the splitter has already cut.
CodeRef compile(const lex::StatementList& statements);
// The statements of the file `file`, split afresh (a file's parse is its
// own, never shared with an equal text from elsewhere): every statement, and
// every statement of its blocks, down to the innermost, knows its line in
// the file. Raises Error(Unbalanced) for text left open.
CodeRef compile_file(std::string_view text, std::string file);

// What the parse hung on a shared text holds.
enum class ParseUse : std::uint8_t { None, Expression, Body, Statements };

// The Code of `text`, taken from (or hung on) the text's shared
// representation when it has one, so a function body or a builtin's argument
// is split once however often it runs.
//   Expression: the text as an operand (outer parentheses stripped);
//   Body: the inside of a brace block (function bodies);
//   Statements: the whole text (exec).
//
// The handle keeps the Code alive for as long as it lives, even if the Value
// the text came from changes meanwhile (a function that redefines itself).
class CodeHandle {
public:
    CodeHandle(const Code* code, value::Ref<value::Payload> payload, CodeRef shared)
        : m_code(code), m_payload(std::move(payload)), m_shared(std::move(shared))
    {
    }
    const Code& operator*() const { return *m_code; }
    const Code* operator->() const { return m_code; }

private:
    const Code* m_code;
    value::Ref<value::Payload> m_payload;  // holds a parse kept on the text
    CodeRef m_shared;                      // or holds a parse of the cache
};
CodeHandle parse_text_of(const value::Value& text_value, ParseUse use);
inline CodeHandle code_of(const value::Value& text_value, ParseUse use)
{
    const bool has_text = text_value.is(value::Type::String) || text_value.is(value::Type::Func);
    const value::TextRep* rep = has_text ? text_value.text_rep() : nullptr;
    if (rep != nullptr && rep->parsed_as == static_cast<std::uint8_t>(use)) {
        return CodeHandle(static_cast<const Code*>(rep->parsed.get()), text_value.payload_ref(), CodeRef());
    }
    return parse_text_of(text_value, use);
}

}  // namespace zirn::exec
