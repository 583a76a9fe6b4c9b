// Token evaluation and function calls.
//
// Every operand a statement names and every argument a builtin reads becomes
// a Value here. A token is a name, a literal, a quoted string, a
// parenthesised expression `(a + 1)`, a brace block `{ ... }` or a call
// `$name$(arguments)`. Names are looked up first, so a variable called `12`
// wins over the literal 12; anything that is no name and no other form is
// read as a number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "exec/interpreter.h"
#include "lex/error.h"
#include "lex/splitter.h"
#include "value/value.h"
#include "value/var_table.h"

namespace zirn::exec {

// What a brace block operand stands for: its result (it runs at once), or a
// "func" Value holding its text (only the right-hand side of an assignment).
enum class Blocks { Run, Keep };

// A call token taken apart: `$print$(x "nah")` has the name `print` and the
// argument text `x "nah"`; `$input` has no argument text at all.
struct CallToken {
    std::string name;
    std::optional<std::string> arguments;
};
CallToken parse_call_token(std::string_view token);

// The argument tokens of an argument text: the tokens of its first
// statement, empty tokens included.
lex::Statement split_arguments(std::string_view argument_text);

// Evaluates one token: strips outer parentheses, splits the inside and folds
// it left to right.
value::Value evaluate_token(Interpreter& interp, std::string_view text, const value::VarTable& table,
                            Blocks blocks);

// Evaluates one operand of an expression.
value::Value evaluate_operand(Interpreter& interp, std::string_view text, const value::VarTable& table,
                              Blocks blocks);

// Evaluates a call token (leading "$" included): a builtin when the name is
// one, otherwise the user function bound to the name in `table`.
value::Value evaluate_call(Interpreter& interp, std::string_view token, const value::VarTable& table);

// Runs the function bound to `call.name` with the arguments evaluated in the
// caller's scope and bound as arg0, arg1, ...
value::Value call_user_function(Interpreter& interp, const CallToken& call, const value::VarTable& table);

// The text between the first and the last character of `text`, for a block,
// a function body or a parenthesised operand. Raises `kind` with `what` in
// the message when there are not two characters to remove.
std::string_view strip_outer(std::string_view text, ErrorKind kind, std::string_view what);

}  // namespace zirn::exec
