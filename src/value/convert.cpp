#include "value/convert.h"

#include <algorithm>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <unordered_set>

#include "lex/error.h"
#include "lex/limits.h"
#include "lex/stack_guard.h"

namespace zirn::value {

namespace {

// The element lists being rendered, from the outermost down to the current
// one. A list that contains itself (through shared elements) meets the same
// element again on this path; it is then shown as "[...]" or "(...)"
// instead of recursing for ever. Only elements are tracked, never the Value
// a rendering starts from, so a Value and any copy of it show alike.
class RenderPath {
public:
    bool contains(const Value* v) const { return m_values.count(v) != 0; }
    void enter(const Value* v)
    {
        check_stack_depth();
        m_values.insert(v);
    }
    void leave(const Value* v) { m_values.erase(v); }

private:
    std::unordered_set<const Value*> m_values;
};

enum class ListForm {
    Bracket,        // `[1, "a", [2, "b"]]`: what to_text shows
    Func,           // `[1 ,a ,[2, "b"]]`: a list converted to "func"
    Parenthesised,  // `(1 "a" (2 "b"))`: what encodelist writes
};

std::string scalar_text(const Value& v)
{
    switch (v.type()) {
    case Type::String:
    case Type::Func:
        return v.text();
    case Type::Integer:
        return format_integer(v.int_value());
    case Type::Float:
        return format_float(v.float_value());
    case Type::List:
    case Type::Unspecified:
        break;
    }
    return "";
}

std::string list_items(const ElementList& elements, RenderPath& path, ListForm form);

// A list element that is itself a list, in the form nested lists take.
std::string nested_list(const Value& element, RenderPath& path, ListForm form)
{
    const ListForm nested = form == ListForm::Parenthesised ? ListForm::Parenthesised : ListForm::Bracket;
    if (path.contains(&element)) return nested == ListForm::Parenthesised ? "(...)" : "[...]";
    path.enter(&element);
    std::string out = list_items(element.elements(), path, nested);
    path.leave(&element);
    return out;
}

std::string list_items(const ElementList& elements, RenderPath& path, ListForm form)
{
    const bool parenthesised = form == ListForm::Parenthesised;
    const char* separator = parenthesised ? " " : (form == ListForm::Func ? " ," : ", ");
    std::string out = parenthesised ? "(" : "[";
    bool first = true;
    elements.for_each([&](const Value& element) {
        if (!first) out += separator;
        first = false;
        if (element.is(Type::List)) {
            out += nested_list(element, path, form);
        } else if (element.is(Type::String) && form != ListForm::Func) {
            out += '"';
            out += element.text();
            out += '"';
        } else {
            out += scalar_text(element);
        }
    });
    out += parenthesised ? ')' : ']';
    return out;
}

std::string text_form(const Value& v, RenderPath& path)
{
    return v.is(Type::List) ? list_items(v.elements(), path, ListForm::Bracket) : scalar_text(v);
}

}  // namespace

Value convert_value(const Value& v, Type target)
{
    if (v.type() == target) return v;
    Value out = v;
    RenderPath path;
    switch (target) {
    case Type::Func:
    case Type::String: {
        std::string q = (target == Type::Func && v.is(Type::List)) ? list_items(v.elements(), path, ListForm::Func)
                                                                   : text_form(v, path);
        out.set_type(Type::String);
        out.set_text(std::move(q));
        return out;
    }
    case Type::Integer: {
        std::int64_t number = v.int_value();
        if (v.is(Type::String)) number = parse_integer_text(v.text());
        else if (v.is(Type::Float)) number = float_to_int32(v.float_value());
        out.set_type(Type::Integer);
        out.set_int(number);
        return out;
    }
    case Type::Float: {
        long double number = v.float_value();
        if (v.is(Type::String)) number = parse_float_text(v.text());
        else if (v.is(Type::Integer)) number = static_cast<float>(v.int_value());
        out.set_float(number);
        return out;
    }
    case Type::List:
    case Type::Unspecified:
        break;
    }
    return out;
}

Value convert_value(const Value& v, std::string_view target_name)
{
    const std::optional<Type> target = type_from_name(target_name);
    return target ? convert_value(v, *target) : v;
}

std::string to_text(const Value& v)
{
    RenderPath path;
    return text_form(v, path);
}

std::int64_t to_integer(const Value& v)
{
    switch (v.type()) {
    case Type::String:
        return parse_integer_text(v.text());
    case Type::Float:
        return float_to_int32(v.float_value());
    default:
        return v.int_value();
    }
}

long double to_float(const Value& v)
{
    switch (v.type()) {
    case Type::String:
        return parse_float_text(v.text());
    case Type::Integer:
        return static_cast<float>(v.int_value());
    default:
        return v.float_value();
    }
}

ElementList to_list(const Value& v) { return v.elements(); }

namespace {
// The text form of `v`, without copying it where the Value holds it as is.
std::string_view text_form_view(const Value& v, std::string& storage)
{
    if (v.is(Type::String) || v.is(Type::Func)) return v.text();
    if (v.is(Type::Unspecified)) return {};
    storage = to_text(v);
    return storage;
}
}  // namespace

bool values_equal(const Value& a, const Value& b)
{
    if (is_number(b) || is_number(a)) {
        const long double right = to_float(b);
        const long double left = to_float(a);
        return left == right;
    }
    const bool a_plain = a.is(Type::String) || a.is(Type::Func);
    const bool b_plain = b.is(Type::String) || b.is(Type::Func);
    if (a_plain && b_plain) return a.text() == b.text();
    std::string a_storage;
    std::string b_storage;
    return text_form_view(a, a_storage) == text_form_view(b, b_storage);
}

std::string render_list(const ElementList& elements)
{
    RenderPath path;
    return list_items(elements, path, ListForm::Parenthesised);
}

namespace {

enum class Reading { Ok, NoNumber, OutOfRange };

// The standard string-to-int reading (as stoi does it): strtol in base 10,
// then the signed 32-bit range.
Reading read_integer(std::string_view text, std::int32_t& out)
{
    const std::string copy(text);
    const char* start = copy.c_str();
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(start, &end, 10);
    if (end == start) return Reading::NoNumber;
    if (errno == ERANGE || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return Reading::OutOfRange;
    }
    out = static_cast<std::int32_t>(number);
    return Reading::Ok;
}

// The standard string-to-float reading (as stof does it): strtof of the
// longest valid prefix.
Reading read_float(std::string_view text, float& out)
{
    const std::string copy(text);
    const char* start = copy.c_str();
    char* end = nullptr;
    errno = 0;
    const float number = std::strtof(start, &end);
    if (end == start) return Reading::NoNumber;
    if (errno == ERANGE) return Reading::OutOfRange;
    out = number;
    return Reading::Ok;
}

}  // namespace

std::int32_t parse_integer_text(std::string_view text, std::string_view hint)
{
    std::int32_t number = 0;
    switch (read_integer(text, number)) {
    case Reading::Ok: return number;
    case Reading::OutOfRange:
        throw Error(ErrorKind::IntegerText, quote_text(text) + " is outside the 32-bit integer range");
    case Reading::NoNumber: break;
    }
    throw Error(ErrorKind::IntegerText, quote_text(text) + " is not a number" + std::string(hint));
}

float parse_float_text(std::string_view text, std::string_view hint)
{
    float number = 0;
    switch (read_float(text, number)) {
    case Reading::Ok: return number;
    case Reading::OutOfRange: throw Error(ErrorKind::FloatText, quote_text(text) + " is outside the float range");
    case Reading::NoNumber: break;
    }
    throw Error(ErrorKind::FloatText, quote_text(text) + " is not a number" + std::string(hint));
}

std::optional<std::int32_t> try_parse_integer_text(std::string_view text)
{
    std::int32_t number = 0;
    if (read_integer(text, number) != Reading::Ok) return std::nullopt;
    return number;
}

std::optional<float> try_parse_float_text(std::string_view text)
{
    float number = 0;
    if (read_float(text, number) != Reading::Ok) return std::nullopt;
    return number;
}

std::string format_integer(std::int64_t number) { return std::to_string(number); }

std::string format_float(long double number)
{
    char small[64];
    const int length = std::snprintf(small, sizeof small, "%Lf", number);
    if (length < 0) return "";
    if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, static_cast<std::size_t>(length));
    std::string big(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(big.data(), big.size(), "%Lf", number);
    big.resize(static_cast<std::size_t>(length));
    return big;
}

std::string repeat_text(std::string_view text, std::int32_t count)
{
    if (count <= 0 || text.empty()) return "";
    const auto times = static_cast<std::size_t>(count);
    if (text.size() > limits::max_text_bytes / times) {
        throw Error(ErrorKind::TooLarge, "repeating a text of " + std::to_string(text.size()) + " bytes " +
                                             std::to_string(count) + " times");
    }
    // Doubling what is built so far: a few large copies instead of one
    // small append per repetition. The room is reserved first, so the text
    // never moves while it is copied onto itself.
    const std::size_t total = text.size() * times;
    std::string out;
    out.reserve(total);
    out.append(text);
    while (out.size() < total) out.append(out.data(), std::min(out.size(), total - out.size()));
    return out;
}

std::int32_t float_to_int32(long double number)
{
    if (std::isnan(number)) return std::numeric_limits<std::int32_t>::min();
    const long double truncated = std::trunc(number);
    if (truncated < -2147483648.0L || truncated > 2147483647.0L) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(truncated);
}

}  // namespace zirn::value
