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

// A bare word is read as a number; when that fails the word was most likely
// meant as a name, so the message says so.
Value read_number_literal(std::string_view text)
{
    const std::string_view hint = text == "not" ? ", and no variable has that name ('not' negates only at the start "
                                                  "of an expression or after an operator that waits for its operand)"
                                                : ", and no variable has that name";
    if (text.find('.') != std::string_view::npos) return Value::floating(value::parse_float_text(text, hint));
    return Value::integer(value::parse_integer_text(text, hint));
}

// Runs a brace block operand at once; its value is what `end` gave it.
Value run_block_operand(Interpreter& interp, std::string_view text, const VarTable& table)
{
    const std::string_view body = strip_outer(text, ErrorKind::Unbalanced, "a block");
    VarTable outer = table;
    return run_statements(interp, lex::split_statements(body), &outer, nullptr).value;
}

// `table` with the entries of `arguments` bound over it.
VarTable with_arguments(const VarTable& table, const VarTable& arguments)
{
    VarTable merged = table;
    merged.bind_all(arguments);
    return merged;
}

std::string argument_name(std::size_t index) { return "arg" + std::to_string(index); }

}  // namespace

std::string_view strip_outer(std::string_view text, ErrorKind kind, std::string_view what)
{
    if (text.size() < 2) {
        throw Error(kind, std::string(what) + " " + quote_text(text) + " is too short to have an inside");
    }
    return text.substr(1, text.size() - 2);
}

CallToken parse_call_token(std::string_view token)
{
    CallToken call;
    const std::vector<std::string> pieces = lex::split_on_char(token.substr(1), '$');
    if (!pieces.empty()) call.name = pieces.front();
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
    call.arguments = rest.substr(2, rest.size() - 3);
    return call;
}

lex::Statement split_arguments(std::string_view argument_text)
{
    lex::StatementList statements = lex::split_statements(argument_text);
    return std::move(statements.front());
}

Value evaluate_token(Interpreter& interp, std::string_view text, const VarTable& table, Blocks blocks)
{
    check_stack_depth();
    if (!text.empty() && text.front() == '(') text = strip_outer(text, ErrorKind::Unbalanced, "the expression");
    const lex::StatementList statements = lex::split_statements(text);
    return evaluate_expression(interp, statements.front(), table, blocks);
}

Value evaluate_operand(Interpreter& interp, std::string_view text, const VarTable& table, Blocks blocks)
{
    // 1. A variable of exactly this name wins over every other reading.
    if (const value::ValueRef* bound = table.find(text)) return **bound;
    // 2. Otherwise the first character decides.
    const char first = text.empty() ? '\0' : text.front();
    switch (first) {
    case '$':
        return evaluate_call(interp, text, table);
    case '(':
        return evaluate_token(interp, text, table, Blocks::Run);
    case '{':
        if (blocks == Blocks::Run) return run_block_operand(interp, text, table);
        return Value::func(std::string(text));
    case '\'':
    case '"':
        return Value::string(std::string(strip_outer(text, ErrorKind::Unbalanced, "the string")));
    default:
        return read_number_literal(text);
    }
}

Value evaluate_call(Interpreter& interp, std::string_view token, const VarTable& table)
{
    const CallToken call = parse_call_token(token);
    const auto builtin = interp.builtins().find(call.name);
    if (builtin == interp.builtins().end()) return call_user_function(interp, call, table);

    // A builtin gets its arguments as raw text and evaluates them itself.
    VarTable handler_table = table;
    if (call.arguments) {
        const lex::Statement arguments = split_arguments(*call.arguments);
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            handler_table.bind(argument_name(i), value::make_ref(Value::string(arguments[i])));
        }
    }
    return builtin->second(interp, handler_table);
}

Value call_user_function(Interpreter& interp, const CallToken& call, const VarTable& table)
{
    // 1. The function is whatever Value the name is bound to.
    const value::ValueRef* bound = table.find(call.name);
    if (bound == nullptr) throw Error(ErrorKind::UndefinedFunction, quote_text(call.name));
    const Value function = **bound;
    // 2. Arguments are evaluated once, left to right, in the caller's scope.
    VarTable arguments;
    if (call.arguments) {
        const lex::Statement tokens = split_arguments(*call.arguments);
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            arguments.bind(argument_name(i), value::make_ref(evaluate_token(interp, tokens[i], table, Blocks::Run)));
        }
    }
    // 3. The body is the function's text without its braces; it runs with
    //    the caller's names plus the arguments as its outer table.
    const std::string text = value::to_text(function);
    const std::string_view body =
        strip_outer(text, ErrorKind::NotCallable, "'" + call.name + "' is not a function: its text");
    VarTable call_table = with_arguments(table, arguments);
    const lex::StatementList statements = lex::split_statements(body);
    CallDepthScope depth(interp);
    return run_statements(interp, statements, &call_table, nullptr).value;
}

}  // namespace zirn::exec
