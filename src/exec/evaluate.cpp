#include "exec/evaluate.h"

#include <memory>
#include <set>

#include "exec/executor.h"
#include "exec/expression.h"
#include "exec/run_state.h"
#include "base/error.h"
#include "base/stack_guard.h"
#include "exec/warnings.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Value;

namespace {

// A token evaluated on its own is a one-token expression: a lone `not` has
// nothing to negate.
Value evaluate_single(Interpreter& interp, const Token& token, Blocks blocks)
{
    if (token.is_not()) {
        throw Error(ErrorKind::MissingOperand, "'not' needs an operand after it");
    }
    return evaluate_operand(interp, token, blocks);
}

const Statement& first_statement(const Code& code) { return code.statements.front(); }

// The text a Value has as a function body.
std::string function_text(const Value& function)
{
    const bool has_text = function.is(value::Type::String) || function.is(value::Type::Func);
    return has_text ? function.text() : value::to_text(function);
}

// The Code of a function's body; null when its text is too short to have
// an inside.
std::optional<CodeHandle> body_of(const Value& function)
{
    const bool has_text = function.is(value::Type::String) || function.is(value::Type::Func);
    if (has_text && function.text().size() >= 2) return code_of(function, ParseUse::Body);
    if (function_text(function).size() >= 2) return code_of(function, ParseUse::Body);
    return std::nullopt;
}

[[noreturn]] void raise_undefined_function(const CallSite& call)
{
    throw Error(ErrorKind::UndefinedFunction, quote_text(call.name)).about_missing(MissingKind::Function, call.name);
}

[[noreturn]] void raise_not_callable(const CallSite& call, const std::string& shown)
{
    throw Error(ErrorKind::NotCallable, quote_text(call.name) + " is not a function: its text " + quote_text(shown) +
                                            " is too short to have an inside");
}

// A call's evaluated arguments; most calls have a few, kept in place
// without any work for the places they do not use.
class ArgumentValues {
public:
    ArgumentValues() {}
    ~ArgumentValues()
    {
        for (std::size_t i = 0; i < m_count && i < inline_count; ++i) std::destroy_at(&m_inline[i]);
    }
    ArgumentValues(const ArgumentValues&) = delete;
    ArgumentValues& operator=(const ArgumentValues&) = delete;

    void push(value::ValueRef ref)
    {
        if (m_count < inline_count) new (&m_inline[m_count]) value::ValueRef(std::move(ref));
        else push_more(std::move(ref));
        ++m_count;
    }
    std::size_t size() const { return m_count; }
    value::ValueRef take(std::size_t i)
    {
        return i < inline_count ? std::move(m_inline[i]) : std::move((*m_more)[i - inline_count]);
    }

private:
    // Past the places kept in place, room for as many again is made at once.
    [[gnu::noinline]] void push_more(value::ValueRef ref)
    {
        if (!m_more) {
            m_more = std::make_unique<std::vector<value::ValueRef>>();
            m_more->reserve(inline_count);
        }
        m_more->push_back(std::move(ref));
    }

    static constexpr std::size_t inline_count = 8;
    union {
        value::ValueRef m_inline[inline_count];
    };
    std::size_t m_count = 0;
    // Made only for a call of more than eight arguments.
    std::unique_ptr<std::vector<value::ValueRef>> m_more;
};

// Adds every word of `text` (letters, digits and "_") to `words`.
void add_words(std::string_view text, std::set<std::string_view>& words)
{
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && !is_name_byte(text[at])) ++at;
        const std::size_t start = at;
        while (at < text.size() && is_name_byte(text[at])) ++at;
        if (at > start) words.insert(text.substr(start, at - start));
    }
}

// The plain assignments of `body` that name their target before any other
// statement of it does, the right-hand side included (`n = (n + 1)` is an
// update, meant to reach the caller).
std::vector<FirstAssignment> find_first_assignments(const Code& body)
{
    std::vector<FirstAssignment> found;
    std::set<std::string_view> named;
    for (const Statement& statement : body.statements) {
        if (statement.general() == StatementKind::Assign && !statement.compound &&
            statement.word[0]->kind() == OperandKind::Number) {
            const std::string_view target = statement.word[0]->text();
            std::set<std::string_view> right;
            add_words(statement.word[2]->text(), right);
            const bool fresh = !target.empty() && is_name_byte(target.front()) && !is_argument_name(target) &&
                               named.count(target) == 0 && right.count(target) == 0;
            if (fresh) found.push_back(FirstAssignment{&statement, statement.word[0]});
        }
        for (const Token& token : statement.tokens) add_words(token.text(), named);
    }
    return found;
}

// A function body whose first use of a name is `name = ...` while its
// caller has a variable of that name: the assignment changes the caller's
// variable, which is rarely what a function copying its argument means.
[[gnu::cold, gnu::noinline]] void warn_caller_variables(Interpreter& interp, const CallSite& call, const Code& body)
{
    std::optional<std::vector<FirstAssignment>>& first_assignments = body.notes().first_assignments;
    if (!first_assignments) first_assignments = find_first_assignments(body);
    if (first_assignments->empty()) {
        body.starts_no_name = true;
        return;
    }
    const RunPosition* caller = interp.innermost_position();
    const Statement* call_statement = caller != nullptr ? caller->statement : nullptr;
    for (const FirstAssignment& assignment : *first_assignments) {
        if (interp.bindings().find(assignment.target->name()) == nullptr) continue;
        const std::string name = assignment.target->text();
        std::string message = quote_text(name + " = " + assignment.statement->word[2]->text()) + " in $" + call.name +
                              "$ changes the caller's variable " + quote_text(name);
        if (call_statement != nullptr && call_statement->file != nullptr) {
            message += " (called at ";
            const Statement* shown = assignment.statement;
            if (shown->file == nullptr || *shown->file != *call_statement->file) message += *call_statement->file + ":";
            else message += "line ";
            message += std::to_string(call_statement->line) + ")";
        }
        message += ": a function sees and changes every name of its caller; give the function's own "
                   "variable a name the caller does not use";
        warn_with(interp, WarningRule::CallerVariable, message, assignment.statement);
    }
}

// A block operand runs at once, seeing every name; its value is what `end`
// gave it.
[[gnu::noinline]] Value run_block(Interpreter& interp, const Token& token)
{
    const NestingScope nesting(interp);
    return run_dropped(interp, token.inside()).value;
}

}  // namespace

[[gnu::noinline]] const value::ValueRef* find_named_again(Interpreter& interp, const CachedName& name,
                                                          const std::string& text)
{
    // An id found before is final: only a name not interned when last
    // looked up is looked up again.
    if (name.known_id() != value::no_name) return nullptr;
    return interp.bindings().find(name.id(text));
}

Value evaluate_token(Interpreter& interp, const Token& token, Blocks blocks)
{
    if (token.kind() == OperandKind::Parenthesised) {
        const NestingScope nesting(interp);
        return evaluate_expression(interp, first_statement(token.inside()), blocks);
    }
    return evaluate_single(interp, token, blocks);
}

Value evaluate_text(Interpreter& interp, const Value& text, Blocks blocks)
{
    const NestingScope nesting(interp, limits::raw_argument_nesting_weight);
    const CodeHandle code = code_of(text, ParseUse::Expression);
    return evaluate_expression(interp, first_statement(*code), blocks);
}

Value evaluate_operand(Interpreter& interp, const Token& token, Blocks blocks)
{
    // 1. A variable of exactly this name wins over every other reading.
    if (const value::ValueRef* bound = variable_named(interp, token)) return **bound;
    // 2. Otherwise the kind of token decides.
    switch (token.kind()) {
    case OperandKind::Call:
        return evaluate_call(interp, token);
    case OperandKind::Parenthesised:
        return evaluate_token(interp, token, Blocks::Run);
    case OperandKind::Block:
        if (blocks == Blocks::Run) return run_block(interp, token);
        return token.function_value();
    case OperandKind::Quoted:
    case OperandKind::Number:
        break;
    }
    return token.literal();
}

Value evaluate_literal(std::string_view text)
{
    const Token token{std::string(text)};
    // As a one-token expression: a lone `not` has nothing to negate.
    if (token.is_not()) throw Error(ErrorKind::MissingOperand, "'not' needs an operand after it");
    try {
        return token.literal();
    } catch (Error& error) {
        // List data is no code: advice about how code is written does not fit.
        error.set_advice("");
        throw;
    }
}

namespace {

// A builtin call whose raw argument texts are bound as arg0, arg1, ...
// while it runs, so that it evaluates each from its text.
[[gnu::noinline]] Value call_builtin_on_raw_texts(Interpreter& interp, const CallSite& call, BuiltinHandler builtin)
{
    Bindings& bindings = interp.bindings();
    const UndoScope scope(bindings);
    for (std::size_t i = 0; i < call.raw_arguments.size(); ++i) {
        bindings.bind_undoably(value::argument_name(i), value::make_ref(call.raw_arguments[i]));
    }
    return builtin(interp, BuiltinCall{call, false});
}

// A call of the builtin `builtin`.
[[gnu::noinline]] Value call_builtin(Interpreter& interp, const CallSite& call, BuiltinHandler builtin)
{
    const NestingScope nesting(interp);
    // A builtin gets its arguments as raw text and evaluates them itself.
    // When no argument can tell whether its raw text is bound (no call, no
    // block, no name starting with "arg"), each is evaluated from its token.
    // A host's function takes its arguments as a ZIRN function does: each
    // evaluated in the caller's scope, where arg0 is the caller's own.
    if (call.direct_arguments || builtin == interp.host_handler()) return builtin(interp, BuiltinCall{call, true});
    return call_builtin_on_raw_texts(interp, call, builtin);
}

}  // namespace

Value evaluate_call(Interpreter& interp, const Token& token)
{
    const CallSite& call = token.call();
    const BuiltinHandler builtin = call.builtin(interp.builtins());
    if (builtin == nullptr) return call_user_function(interp, call);
    return call_builtin(interp, call, builtin);
}

bool evaluate_call_appending(Interpreter& interp, const Token& token, Value& target, Value& result)
{
    // As evaluate_operand reads it: a variable of exactly this name wins.
    if (const value::ValueRef* bound = variable_named(interp, token)) {
        result = **bound;
        return false;
    }
    const CallSite& call = token.call();
    const BuiltinHandler builtin = call.builtin(interp.builtins());
    if (builtin == nullptr || !call.direct_arguments || builtin == interp.host_handler()) {
        result = evaluate_call(interp, token);
        return false;
    }
    const NestingScope nesting(interp);
    const BuiltinCall direct(call, true, &target);
    result = builtin(interp, direct);
    return direct.appended;
}

namespace {

// The parse of a function's body kept on its text, or null when there is
// none yet (the first call parses and keeps it).
const Code* kept_body(const Value& function)
{
    if (!function.is(value::Type::Func) && !function.is(value::Type::String)) return nullptr;
    const value::TextRep* rep = function.text_rep();
    if (rep == nullptr || rep->parsed_as != static_cast<std::uint8_t>(ParseUse::Body)) return nullptr;
    return static_cast<const Code*>(rep->parsed.get());
}

// Steps 2 and 3 of a call: `body` null when the function has none, which
// is an error once the arguments have been evaluated; `shown` is then the
// function as the call began.
Value call_with_body(Interpreter& interp, const CallSite& call, const Code* body, const Value* shown)
{
    // 2. Arguments are evaluated once, left to right, in the caller's scope,
    //    before any of them is bound.
    const NestingScope nesting(interp);
    ArgumentValues arguments;
    if (call.has_arguments) {
        for (const Token& argument : call.argument_tokens().tokens) {
            // A name or a literal is copied straight into its new Value.
            if (argument.is_plain() && !argument.is_not() && !argument.empty()) {
                arguments.push(value::ValueRef(new Value(*plain_operand(interp, argument))));
            } else if (FoldedNumber folded; argument.kind() == OperandKind::Parenthesised &&
                                            fold_number_token(interp, argument, folded)) {
                arguments.push(value::ValueRef(new Value(folded.as_value())));
            } else {
                arguments.push(value::make_ref(evaluate_token(interp, argument, Blocks::Run)));
            }
        }
    }
    // 3. The body is the function's text without its braces.
    if (body == nullptr) raise_not_callable(call, function_text(*shown));
    // A body looked at once and found to start no name of its own by
    // assigning it needs no look at each call.
    if (interp.warning_mode() != WarningMode::Off && !body->starts_no_name) [[unlikely]] {
        warn_caller_variables(interp, call, *body);
    }
    CallDepthScope depth(interp);
    Bindings& bindings = interp.bindings();
    const UndoScope scope(bindings);
    for (std::size_t i = 0; i < arguments.size(); ++i) bindings.bind_undoably(value::argument_name(i), arguments.take(i));
    return run_function_body(interp, *body, call.name);
}

// A call of a function whose body is not parsed yet, or has none.
[[gnu::noinline]] Value call_parsing_body(Interpreter& interp, const CallSite& call, const Value& function)
{
    const std::optional<CodeHandle> body = body_of(function);
    if (body) return call_with_body(interp, call, &**body, nullptr);
    // What an error shows is the text as the call began.
    const Value shown = function;
    return call_with_body(interp, call, nullptr, &shown);
}

}  // namespace

Value call_user_function(Interpreter& interp, const CallSite& call)
{
    // 1. The function is whatever Value the name is bound to, taken as it is
    //    now: the body that runs is this one, even if the arguments or the
    //    body itself change the name's Value (the payload kept here holds
    //    the parse).
    const value::ValueRef* bound = find_named(interp, call.name_id, call.name);
    if (bound == nullptr) raise_undefined_function(call);
    if (const Code* body = kept_body(**bound)) {
        const value::Ref<value::Payload> keep = (*bound)->payload_ref();
        return call_with_body(interp, call, body, nullptr);
    }
    return call_parsing_body(interp, call, **bound);
}

}  // namespace zirn::exec
