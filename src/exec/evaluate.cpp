#include "exec/evaluate.h"

#include "exec/executor.h"
#include "exec/expression.h"
#include "lex/error.h"
#include "lex/stack_guard.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Value;
using value::VarTable;

namespace {

// Runs a brace block operand at once; its value is what `end` gave it.
Value run_block_operand(Interpreter& interp, const Token& token, const VarTable& table)
{
    return run_detached(interp, token.inside(), table).value;
}

// A token evaluated on its own is a one-token expression: a lone `not` has
// nothing to negate.
Value evaluate_single(Interpreter& interp, const Token& token, const VarTable& table, Blocks blocks)
{
    if (token.is_not()) {
        throw Error(ErrorKind::MissingOperand, "'not' needs an operand after it");
    }
    return evaluate_operand(interp, token, table, blocks);
}

const Statement& first_statement(const Code& code) { return code.statements.front(); }

}  // namespace

Value evaluate_token(Interpreter& interp, const Token& token, const VarTable& table, Blocks blocks)
{
    check_stack_depth();
    if (token.kind() == OperandKind::Parenthesised) {
        return evaluate_expression(interp, first_statement(token.inside()), table, blocks);
    }
    return evaluate_single(interp, token, table, blocks);
}

Value evaluate_token(Interpreter& interp, std::string_view text, const VarTable& table, Blocks blocks)
{
    return evaluate_text(interp, Value::string(std::string(text)), table, blocks);
}

Value evaluate_text(Interpreter& interp, const Value& text, const VarTable& table, Blocks blocks)
{
    check_stack_depth();
    const CodeHandle code = code_of(text, ParseUse::Expression);
    return evaluate_expression(interp, first_statement(*code), table, blocks);
}

Value evaluate_operand(Interpreter& interp, const Token& token, const VarTable& table, Blocks blocks)
{
    // 1. A variable of exactly this name wins over every other reading.
    if (const value::ValueRef* bound = table.find(token.name(), token.lookup_cache())) return **bound;
    // 2. Otherwise the kind of token decides.
    switch (token.kind()) {
    case OperandKind::Call:
        return evaluate_call(interp, token, table);
    case OperandKind::Parenthesised:
        return evaluate_token(interp, token, table, Blocks::Run);
    case OperandKind::Block:
        if (blocks == Blocks::Run) return run_block_operand(interp, token, table);
        return Value::func(token.text());
    case OperandKind::Quoted:
    case OperandKind::Number:
        break;
    }
    return token.literal();
}

const Value* plain_operand(const Token& token, const VarTable& table)
{
    if (token.kind() != OperandKind::Number && token.kind() != OperandKind::Quoted) return nullptr;
    if (const value::ValueRef* bound = table.find(token.name(), token.lookup_cache())) return bound->get();
    return &token.literal();
}

Value evaluate_call(Interpreter& interp, const Token& token, const VarTable& table)
{
    const CallSite& call = token.call();
    const BuiltinHandler builtin = call.builtin(interp.builtins());
    if (builtin == nullptr) return call_user_function(interp, call, table);

    // A builtin gets its arguments as raw text and evaluates them itself.
    VarTable handler_table = table;
    for (std::size_t i = 0; i < call.raw_arguments.size(); ++i) {
        handler_table.bind(value::argument_name(i), value::make_ref(call.raw_arguments[i]));
    }
    return builtin(interp, handler_table);
}

Value call_user_function(Interpreter& interp, const CallSite& call, const VarTable& table)
{
    // 1. The function is whatever Value the name is bound to, taken as it is
    //    now: the body that runs is this one, even if the arguments or the
    //    body itself change the name's Value.
    const value::ValueRef* bound = table.find(call.name_id.id(), call.lookup);
    if (bound == nullptr) throw Error(ErrorKind::UndefinedFunction, quote_text(call.name));
    const Value& function = **bound;
    const bool has_text = function.is(value::Type::String) || function.is(value::Type::Func);
    const std::string short_text = has_text ? std::string() : value::to_text(function);
    const bool callable = has_text ? function.text().size() >= 2 : short_text.size() >= 2;
    const std::optional<CodeHandle> body =
        callable ? std::optional<CodeHandle>(code_of(function, ParseUse::Body)) : std::nullopt;
    const std::string shown = callable ? std::string() : (has_text ? function.text() : short_text);
    // 2. Arguments are evaluated once, left to right, in the caller's scope,
    //    and bound over the caller's names.
    VarTable call_table = table;
    if (call.has_arguments) {
        const Statement& arguments = call.argument_tokens();
        for (std::size_t i = 0; i < arguments.tokens.size(); ++i) {
            Value argument = evaluate_token(interp, arguments.tokens[i], table, Blocks::Run);
            call_table.bind(value::argument_name(i), value::make_ref(std::move(argument)));
        }
    }
    // 3. The body is the function's text without its braces.
    if (!body) {
        throw Error(ErrorKind::NotCallable,
                    quote_text(call.name) + " is not a function: its text " + quote_text(shown) +
                        " is too short to have an inside");
    }
    CallDepthScope depth(interp);
    return run_detached(interp, **body, std::move(call_table)).value;
}

}  // namespace zirn::exec
