// List encoding builtins (encodelist, decodelist) and the Base64 builtins.
#include "builtins/base64.h"
#include "builtins/registry.h"
#include "exec/evaluate.h"
#include "base/error.h"
#include "base/limits.h"
#include "base/stack_guard.h"
#include "value/convert.h"

namespace zirn::builtins {

using value::Value;

namespace {

// Builds the elements of a list from its parenthesised text. The text is
// data, never code: a call is refused, and a brace block stays a function.
value::ElementList decode_list(exec::Interpreter& interp, std::string_view text)
{
    check_stack_depth();
    if (text.size() < 2) throw Error(ErrorKind::DecodeList, quote_text(text) + " is too short to be a list text");
    const std::string_view inner = text.substr(1, text.size() - 2);
    value::ElementList elements;
    if (inner.empty()) return elements;  // "()" is the empty list
    const lex::StatementList statements = lex::split_statements(inner);
    for (const std::string& token : statements.front()) {
        const char first = token.empty() ? '\0' : token.front();
        if (first == '(') {
            elements.push_back(value::make_ref(Value::list(decode_list(interp, token))));
        } else if (first == '$') {
            throw Error(ErrorKind::DecodeList, "list data may not hold a call: " + quote_text(token));
        } else if (first == '{') {
            elements.push_back(value::make_ref(Value::func(token)));
        } else {
            elements.push_back(exec::evaluate_literal(token));
        }
    }
    return elements;
}

}  // namespace

Value builtin_encodelist(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    return Value::string(value::render_list(fetch_argument(interp, call, 0, "encodelist").elements()));
}

Value builtin_decodelist(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    return Value::list(decode_list(interp, fetch_text(interp, call, 0, "decodelist")));
}

Value builtin_base64encode(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const Value argument = fetch_argument(interp, call, 0, "base64encode");
    std::string storage;
    const std::string_view bytes = text_of(argument, storage);
    // Four characters for every three bytes: checked before anything is
    // written.
    const std::size_t encoded_size = (bytes.size() / 3 + (bytes.size() % 3 != 0 ? 1 : 0)) * 4;
    if (encoded_size > limits::max_text_bytes) {
        throw Error(ErrorKind::TooLarge, "base64encode: " + std::to_string(bytes.size()) + " bytes encode to " +
                                             std::to_string(encoded_size) + ", more than " +
                                             std::to_string(limits::max_text_bytes));
    }
    return Value::string(base64_encode(bytes));
}

Value builtin_base64decode(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const Value argument = fetch_argument(interp, call, 0, "base64decode");
    std::string storage;
    return Value::string(base64_decode(text_of(argument, storage)));
}

}  // namespace zirn::builtins
