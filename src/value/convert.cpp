#include "value/convert.h"

#include <algorithm>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/error.h"
#include "base/limits.h"
#include "base/stack_guard.h"
#include "value/growing_text.h"

namespace zirn::value {

namespace {

// The element lists being rendered, from the outermost down to the current
// one. A list that contains itself (through shared elements) meets the same
// element again on this path; it is then shown as "[...]" or "(...)"
// instead of recursing for ever. Only elements are tracked, never the Value
// a rendering starts from, so a Value and any copy of it show alike.
class RenderPath {
public:
    bool contains(const Value* v) const
    {
        const std::size_t scanned = std::min(m_values.size(), scanned_depth);
        for (std::size_t i = 0; i < scanned; ++i) {
            if (m_values[i] == v) return true;
        }
        return m_values.size() > scanned_depth && m_deep.count(v) != 0;
    }
    void enter(const Value* v)
    {
        check_stack_depth();
        if (m_values.size() >= scanned_depth) m_deep.insert(v);
        m_values.push_back(v);
    }
    void leave()
    {
        if (m_values.size() > scanned_depth) m_deep.erase(m_values.back());
        m_values.pop_back();
    }

private:
    // The first entries are few and searched in order; deeper ones are
    // also kept in a set, so that a path a million lists deep stays cheap.
    static constexpr std::size_t scanned_depth = 32;
    std::vector<const Value*> m_values;
    std::unordered_set<const Value*> m_deep;
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

// True when the parentheses in `text` pair up, none closing before it is
// opened. A nested list's text ends at the parenthesis that closes its
// opening one, counting those inside its strings too, so only such strings
// can stand in a nested list.
bool parentheses_pair_up(std::string_view text)
{
    std::size_t open = 0;
    for (const char ch : text) {
        if (ch == '(') {
            ++open;
        } else if (ch == ')') {
            if (open == 0) return false;
            --open;
        }
    }
    return open == 0;
}

// Writes the text form of one list into a single growing text, which never
// passes the text limit: the size is checked before every piece is added.
class ListWriter {
public:
    std::string write(const ElementList& elements, ListForm form)
    {
        write_items(elements, form);
        return m_out.take();
    }

private:
    void put(std::string_view piece) { m_out.append(piece); }

    void write_items(const ElementList& elements, ListForm form)
    {
        const bool parenthesised = form == ListForm::Parenthesised;
        const std::string_view separator = parenthesised ? " " : (form == ListForm::Func ? " ," : ", ");
        put(parenthesised ? "(" : "[");
        std::size_t index = 0;
        elements.for_each([&](const Value& element) {
            if (index != 0) put(separator);
            m_indices.push_back(index++);
            if (element.is(Type::List)) write_nested(element, form);
            else write_element(element, form);
            m_indices.pop_back();
        });
        put(parenthesised ? ")" : "]");
    }

    void write_element(const Value& element, ListForm form)
    {
        if (element.is(Type::String) && form == ListForm::Parenthesised) return write_list_text_string(element.text());
        if (element.is(Type::String) && form == ListForm::Bracket) {
            put("\"");
            put(element.text());
            put("\"");
            return;
        }
        if (element.is(Type::String) || element.is(Type::Func)) return put(element.text());
        put(scalar_text(element));
    }

    // A list element that is itself a list, in the form nested lists take.
    // A list met again on the path from the outermost one holds itself: it
    // shows as "[...]" or "(...)" instead of recursing for ever.
    // A list element is always a Value of its own, never kept inline.
    void write_nested(const Value& element, ListForm form)
    {
        const ListForm nested = form == ListForm::Parenthesised ? ListForm::Parenthesised : ListForm::Bracket;
        if (m_path.contains(&element)) {
            ++m_repeats_shown;
            return put(nested == ListForm::Parenthesised ? "(...)" : "[...]");
        }
        // A list held in several places may be met many times (a list that
        // holds itself doubled forty times is met 2^40 times): its text is
        // written once and copied after that. A text without a repeat shown
        // in it is the same on every path, since a list below it that could be
        // on another path would have met it on this one.
        const bool shared = element.use_count() > 1;
        if (shared) {
            if (const auto known = m_written.find(&element); known != m_written.end()) {
                return m_out.append_again(known->second.first, known->second.second);
            }
        }
        const std::size_t start = m_out.size();
        const std::size_t repeats_before = m_repeats_shown;
        m_path.enter(&element);
        write_items(element.elements(), nested);
        m_path.leave();
        if (shared && m_repeats_shown == repeats_before) m_written.emplace(&element, std::pair(start, m_out.size() - start));
    }

    // A string in list text is read back as a quoted token: in double
    // quotes unless it holds one, then in single quotes. A string that
    // neither can carry is refused rather than written so that it reads
    // back as something else.
    void write_list_text_string(const std::string& text)
    {
        const bool has_double = text.find('"') != std::string::npos;
        if (has_double && text.find('\'') != std::string::npos) refuse("holds both a single and a double quote");
        if (m_indices.size() > 1 && !parentheses_pair_up(text)) {
            refuse("holds parentheses that do not pair up, which a nested list cannot carry");
        }
        const std::string_view quote = has_double ? "'" : "\"";
        put(quote);
        put(text);
        put(quote);
    }

    [[noreturn]] void refuse(std::string_view why) const
    {
        std::string where = "the string at index " + std::to_string(m_indices.back());
        for (std::size_t i = m_indices.size() - 1; i > 0; --i) {
            where += " of the list at index " + std::to_string(m_indices[i - 1]);
        }
        throw Error(ErrorKind::EncodeList, where + " " + std::string(why));
    }

    GrowingText m_out{"the text of a list"};
    RenderPath m_path;
    // How many "(...)" were written so far.
    std::size_t m_repeats_shown = 0;
    // Where the text of a shared list was first written: start and length.
    std::unordered_map<const Value*, std::pair<std::size_t, std::size_t>> m_written;
    // The index of each element being written, from the outermost list in.
    std::vector<std::size_t> m_indices;
};

std::string text_form(const Value& v)
{
    return v.is(Type::List) ? ListWriter().write(v.elements(), ListForm::Bracket) : scalar_text(v);
}

}  // namespace

Value convert_value(const Value& v, Type target)
{
    if (v.type() == target) return v;
    Value out = v;
    switch (target) {
    case Type::Func:
    case Type::String: {
        std::string q = (target == Type::Func && v.is(Type::List)) ? ListWriter().write(v.elements(), ListForm::Func)
                                                                   : text_form(v);
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

std::string to_text(const Value& v) { return text_form(v); }

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
    return ListWriter().write(elements, ListForm::Parenthesised);
}

namespace {

enum class Reading { Ok, NoNumber, OutOfRange };

// The commonest integer text, a sign or none and at most nine digits
// (which no 32-bit number can overflow) that the text ends with or follows
// with something other than a digit, read as strtol would read it; false,
// with `out` unset, for any other text.
bool read_short_decimal(std::string_view text, std::int32_t& out)
{
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) at = 1;
    const auto is_digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    if (!is_digit(at)) return false;
    std::int32_t number = 0;
    const std::size_t last = at + 9;
    for (; is_digit(at); ++at) {
        if (at == last) return false;
        number = number * 10 + (text[at] - '0');
    }
    out = negative ? -number : number;
    return true;
}

// The standard string-to-int reading (as stoi does it): strtol in base 10,
// then the signed 32-bit range.
Reading read_integer(std::string_view text, std::int32_t& out)
{
    if (read_short_decimal(text, out)) return Reading::Ok;
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

char* write_integer_text(std::int64_t number, char* end)
{
    // Two digits at a time from the right, from a table of the hundred
    // pairs; the magnitude in the unsigned type, so that the lowest
    // integer has one too.
    static constexpr char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::uint64_t magnitude = number < 0 ? 0 - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
    char* at = end;
    while (magnitude >= 100) {
        const std::size_t pair = static_cast<std::size_t>(magnitude % 100) * 2;
        magnitude /= 100;
        *--at = pairs[pair + 1];
        *--at = pairs[pair];
    }
    if (magnitude >= 10) {
        const std::size_t pair = static_cast<std::size_t>(magnitude) * 2;
        *--at = pairs[pair + 1];
        *--at = pairs[pair];
    } else {
        *--at = static_cast<char>('0' + magnitude);
    }
    if (number < 0) *--at = '-';
    return at;
}

std::string format_integer(std::int64_t number)
{
    char room[integer_text_room];
    const char* const end = room + sizeof room;
    const char* const start = write_integer_text(number, room + sizeof room);
    return std::string(start, end);
}

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
    if (text.size() > limits::text_limit() / times) {
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
