// Console, type and conversion builtins: print, input, size, typeof, turn
// and its fixed forms str, int, float, func, list, and werhatdasgemacht.
#include <array>
#include <string>
#include <string_view>

#include "base/limits.h"
#include "builtins/logo.h"
#include "builtins/registry.h"
#include "value/convert.h"

namespace zirn::builtins {

using value::Type;
using value::Value;

Value builtin_print(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    host::Console& console = interp.console();
    console.write(fetch_text(interp, call, 0, "print"));
    // The optional second argument controls the line end: "r" a carriage
    // return, "n" (or no second argument) a line feed, anything else none.
    if (!has_argument(interp, call, 1)) {
        console.end_line();
        return Value();
    }
    const std::string line_end = fetch_text(interp, call, 1, "print");
    if (line_end == "r") console.write("\r");
    else if (line_end == "n") console.end_line();
    return Value();
}

Value builtin_input(exec::Interpreter& interp, const exec::BuiltinCall& /*call*/)
{
    return Value::string(interp.read_input_line());
}

Value builtin_size(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    // The argument is evaluated twice: once for its type, once to measure.
    Value storage;
    const bool is_text = read_argument(interp, call, 0, "size", storage).is(Type::String);
    const Value& measured = read_argument(interp, call, 0, "size", storage);
    const std::size_t size = !is_text                      ? measured.elements().size()
                             : measured.is(Type::String) ? measured.text().size()
                                                         : value::to_text(measured).size();
    return Value::integer(static_cast<std::int64_t>(size));
}

Value builtin_turn(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const Value v = fetch_argument(interp, call, 0, "turn");
    return value::convert_value(v, fetch_text(interp, call, 1, "turn"));
}

namespace {
// `s += $str$(k)` with an integer `k`: its digits appended to the text `s`
// straight away, as `+=` would append the converted Value's text; false
// when the joined text would be too long (`+=` then reports it).
bool append_integer_text(Value& target, std::int64_t number)
{
    // The digits as format_integer writes them, without a string.
    char room[value::integer_text_room];
    const char* const start = value::write_integer_text(number, room + sizeof room);
    const std::string_view digits(start, static_cast<std::size_t>(room + sizeof room - start));
    if (target.text().size() + digits.size() > limits::text_limit()) return false;
    target.become_joined_text(digits);
    return true;
}

Value convert_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, Type target, std::string_view name)
{
    if (const Value* plain = plain_argument(interp, call, 0)) {
        if (target == Type::String && call.append_to != nullptr && plain->is(Type::Integer) &&
            call.append_to->is(Type::String) && append_integer_text(*call.append_to, plain->int_value())) {
            call.appended = true;
            return Value();
        }
        return value::convert_value(*plain, target);
    }
    return value::convert_value(fetch_argument(interp, call, 0, name), target);
}
}  // namespace

Value builtin_str(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    return convert_argument(interp, call, Type::String, "str");
}

Value builtin_int(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    return convert_argument(interp, call, Type::Integer, "int");
}

Value builtin_float(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    return convert_argument(interp, call, Type::Float, "float");
}

Value builtin_func(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    return convert_argument(interp, call, Type::Func, "func");
}

Value builtin_list(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    return convert_argument(interp, call, Type::List, "list");
}

Value builtin_typeof(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    // One Value per type name, made once: a result shares its text.
    static const std::array<Value, 6> names = [] {
        std::array<Value, 6> made;
        for (std::size_t i = 0; i < made.size(); ++i) {
            made[i] = Value::string(std::string(value::type_name(static_cast<Type>(i))));
        }
        return made;
    }();
    Value storage;
    const auto type = static_cast<std::size_t>(read_argument(interp, call, 0, "typeof", storage).type());
    return names.at(type);
}

Value builtin_werhatdasgemacht(exec::Interpreter& interp, const exec::BuiltinCall& /*call*/)
{
    host::Console& console = interp.console();
    console.write(logo_text);
    console.end_line();
    console.write(maker_line);
    console.end_line();
    return Value();
}

}  // namespace zirn::builtins
