#include "exec/evaluate.h"

#include "exec/executor.h"
#include "exec/expression.h"
#include "lex/error.h"
#include "lex/stack_guard.h"
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

// The body of the function a call names, or why it cannot be called.
struct FunctionBody {
    std::optional<CodeHandle> code;
    std::string shown;  // the text that is too short to have an inside
};

FunctionBody body_of(const Value& function)
{
    const bool has_text = function.is(value::Type::String) || function.is(value::Type::Func);
    if (has_text) {
        if (function.text().size() >= 2) return {code_of(function, ParseUse::Body), {}};
        return {std::nullopt, function.text()};
    }
    std::string text = value::to_text(function);
    if (text.size() >= 2) return {code_of(function, ParseUse::Body), {}};
    return {std::nullopt, std::move(text)};
}

}  // namespace

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
    const NestingScope nesting(interp);
    const CodeHandle code = code_of(text, ParseUse::Expression);
    return evaluate_expression(interp, first_statement(*code), blocks);
}

Value evaluate_operand(Interpreter& interp, const Token& token, Blocks blocks)
{
    // 1. A variable of exactly this name wins over every other reading.
    if (const value::ValueRef* bound = interp.bindings().find(token.name())) return **bound;
    // 2. Otherwise the kind of token decides.
    switch (token.kind()) {
    case OperandKind::Call:
        return evaluate_call(interp, token);
    case OperandKind::Parenthesised:
        return evaluate_token(interp, token, Blocks::Run);
    case OperandKind::Block:
        // A block runs at once, seeing every name; its value is what `end`
        // gave it.
        if (blocks == Blocks::Run) return run_dropped(interp, token.inside()).value;
        return Value::func(token.text());
    case OperandKind::Quoted:
    case OperandKind::Number:
        break;
    }
    return token.literal();
}

Value evaluate_literal(std::string_view text) { return Token(std::string(text)).literal(); }

const Value* plain_operand(Interpreter& interp, const Token& token)
{
    if (token.kind() != OperandKind::Number && token.kind() != OperandKind::Quoted) return nullptr;
    if (const value::ValueRef* bound = interp.bindings().find(token.name())) return bound->get();
    return &token.literal();
}

Value evaluate_call(Interpreter& interp, const Token& token)
{
    const CallSite& call = token.call();
    const BuiltinHandler builtin = call.builtin(interp.builtins());
    if (builtin == nullptr) return call_user_function(interp, call);

    const NestingScope nesting(interp);
    // A builtin gets its arguments as raw text and evaluates them itself.
    // When no argument can tell whether its raw text is bound (no call, no
    // block, no name starting with "arg"), each is evaluated from its token.
    if (call.direct_arguments) return builtin(interp, BuiltinCall{call, true});
    Bindings& bindings = interp.bindings();
    const UndoScope scope(bindings);
    for (std::size_t i = 0; i < call.raw_arguments.size(); ++i) {
        bindings.bind_undoably(value::argument_name(i), value::make_ref(call.raw_arguments[i]));
    }
    return builtin(interp, BuiltinCall{call, false});
}

Value call_user_function(Interpreter& interp, const CallSite& call)
{
    // 1. The function is whatever Value the name is bound to, taken as it is
    //    now: the body that runs is this one, even if the arguments or the
    //    body itself change the name's Value.
    Bindings& bindings = interp.bindings();
    const value::ValueRef* bound = bindings.find(call.name_id.id());
    if (bound == nullptr) throw Error(ErrorKind::UndefinedFunction, quote_text(call.name));
    const FunctionBody body = body_of(**bound);
    // 2. Arguments are evaluated once, left to right, in the caller's scope,
    //    before any of them is bound.
    const NestingScope nesting(interp);
    std::vector<value::ValueRef> arguments;
    if (call.has_arguments) {
        const Statement& tokens = call.argument_tokens();
        arguments.reserve(tokens.tokens.size());
        for (const Token& argument : tokens.tokens) {
            arguments.push_back(value::make_ref(evaluate_token(interp, argument, Blocks::Run)));
        }
    }
    // 3. The body is the function's text without its braces.
    if (!body.code) {
        throw Error(ErrorKind::NotCallable,
                    quote_text(call.name) + " is not a function: its text " + quote_text(body.shown) +
                        " is too short to have an inside");
    }
    CallDepthScope depth(interp);
    const UndoScope scope(bindings);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        bindings.bind_undoably(value::argument_name(i), std::move(arguments[i]));
    }
    return run_dropped(interp, **body.code).value;
}

}  // namespace zirn::exec
