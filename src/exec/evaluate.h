// Token evaluation and function calls.
//
// Every operand a statement names and every argument a builtin reads becomes
// a Value here. A token is a name, a literal, a quoted string, a
// parenthesised expression `(a + 1)`, a brace block `{ ... }` or a call
// `$name$(arguments)`. Names are looked up first, so a variable called `12`
// wins over the literal 12; anything that is no name and no other form is
// read as a number. Names are read from the interpreter's cells, which hold
// the bindings the running code sees.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "exec/code.h"
#include "exec/interpreter.h"
#include "base/error.h"
#include "lex/splitter.h"
#include "value/value.h"

namespace zirn::exec {

// What a brace block operand stands for: its result (it runs at once), or a
// "func" Value holding its text (only the right-hand side of an assignment).
enum class Blocks { Run, Keep };

// Evaluates one token: outer parentheses are stripped and the inside folded
// left to right; anything else is a single operand.
value::Value evaluate_token(Interpreter& interp, const Token& token, Blocks blocks);
// The same for a token held as the text of a Value (a builtin's raw
// argument); the split is kept on the text.
value::Value evaluate_text(Interpreter& interp, const value::Value& text, Blocks blocks);

// The Value a quoted string or number literal stands for where no name is
// bound (list data): raises the reading error for text that is no number.
value::Value evaluate_literal(std::string_view text);

// Evaluates one operand of an expression.
value::Value evaluate_operand(Interpreter& interp, const Token& token, Blocks blocks);

// For an operand that can have no side effects (a name or a literal, but no
// call, block or parentheses): the Value it stands for, without copying it;
// null for any other operand. The reference is valid until a name is bound
// or the named Value changes.
inline const value::Value* plain_operand(Interpreter& interp, const Token& token);

// The Value bound to the name `text` whose id `name` keeps, or null. An id
// found before is final and read from its cell at once (the id of a name
// never found, no_name, is past every cell); on a miss, a name never found
// is looked up again, since it may have been interned since.
const value::ValueRef* find_named_again(Interpreter& interp, const CachedName& name, const std::string& text);
inline const value::ValueRef* find_named(Interpreter& interp, const CachedName& name, const std::string& text)
{
    if (const value::ValueRef* bound = interp.bindings().find(name.known_id())) [[likely]] return bound;
    return find_named_again(interp, name, text);
}
// The variable `token`'s text names, or null.
inline const value::ValueRef* find_variable(Interpreter& interp, const Token& token)
{
    return find_named(interp, token.cached_name(), token.text());
}

// The variable a token's text names, or null: the first step of reading
// any operand (a token that is no bare word names none while no such name
// has been bound, see Token::may_be_bound).
inline const value::ValueRef* variable_named(Interpreter& interp, const Token& token)
{
    return token.may_be_bound() ? find_variable(interp, token) : nullptr;
}

// How every operand is read, in one place: a variable of exactly the
// token's text wins (a variable named `12` over the literal), then the
// literal the token stands for; null for a number that cannot be read
// (the general evaluation reads it again and raises). Every fast reader
// is this with a check around it.
inline const value::Value* bound_or_literal(Interpreter& interp, const Token& token)
{
    if (const value::ValueRef* bound = variable_named(interp, token)) return bound->get();
    return token.readable_literal();
}

inline const value::Value* plain_operand(Interpreter& interp, const Token& token)
{
    if (!token.is_plain()) return nullptr;
    if (const value::Value* read = bound_or_literal(interp, token)) return read;
    return &token.literal();  // raises the reading error
}

// Evaluates a call token (leading "$" included): a builtin when the name is
// one, otherwise the user function bound to the name.
value::Value evaluate_call(Interpreter& interp, const Token& token);

// For `target += $f$(...)` with a text target: evaluates the call token as
// evaluate_operand does, offering a builtin to append its text result to
// `target` itself (see BuiltinCall). True when it did so; otherwise the
// call's Value is in `result` and the assignment goes on as usual.
bool evaluate_call_appending(Interpreter& interp, const Token& token, value::Value& target, value::Value& result);

// Runs the function bound to `call.name` with the arguments evaluated in the
// caller's scope and bound as arg0, arg1, ...
value::Value call_user_function(Interpreter& interp, const CallSite& call);

}  // namespace zirn::exec
