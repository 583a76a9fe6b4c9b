// List encoding builtins (encodelist, decodelist) and the Base64 builtins.
#include "builtins/base64.h"
#include "builtins/registry.h"
#include "exec/evaluate.h"
#include "base/error.h"
#include "base/limits.h"
#include "base/stack_guard.h"
#include "exec/warnings.h"
#include "lex/splitter.h"
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
        // A nested list or a block ends with the bracket that closes it.
        // Text after it ("{})") would be kept in the element and written
        // back as part of it, and the list text would read differently
        // each time it is encoded and decoded again.
        if ((first == '(' || first == '{') && lex::group_end(token) != token.size() - 1) {
            throw Error(ErrorKind::DecodeList, "list data holds text after the closing bracket of " + quote_text(token));
        }
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

namespace {

// A list text is read by dropping its first and its last character: with a
// line end or a blank after the ")", the ")" stays in the last element.
[[gnu::cold, gnu::noinline]] void warn_trailing_blank(exec::Interpreter& interp, char last)
{
    const char* what = last == '\n' ? "a line end" : last == '\r' ? "a carriage return" : "a blank";
    exec::warn_with(interp, exec::WarningRule::DecodeTrailingBlank,
                    std::string("the list text ends with ") + what +
                        ", so decodelist drops that instead of the closing ')', which stays in the last element; "
                        "a text read from a file keeps its line end: remove it first");
}

}  // namespace

Value builtin_decodelist(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string text = fetch_text(interp, call, 0, "decodelist");
    if (!text.empty()) {
        const char last = text.back();
        if (last == '\n' || last == '\r' || last == ' ' || last == '\t') [[unlikely]] warn_trailing_blank(interp, last);
    }
    return Value::list(decode_list(interp, text));
}

Value builtin_base64encode(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const Value argument = fetch_argument(interp, call, 0, "base64encode");
    std::string storage;
    const std::string_view bytes = text_of(argument, storage);
    // Four characters for every three bytes: checked before anything is
    // written.
    const std::size_t encoded_size = (bytes.size() / 3 + (bytes.size() % 3 != 0 ? 1 : 0)) * 4;
    if (encoded_size > limits::text_limit()) {
        throw Error(ErrorKind::TooLarge, "base64encode: " + std::to_string(bytes.size()) + " bytes encode to " +
                                             std::to_string(encoded_size) + ", more than " +
                                             std::to_string(limits::text_limit()));
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
