#include "exec/operators.h"

#include <cstdint>

#include "base/error.h"
#include "base/limits.h"
#include "exec/warnings.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Type;
using value::Value;

namespace {

bool either_float(const Value& left, const Value& right) { return left.is(Type::Float) || right.is(Type::Float); }

Value truth(bool condition) { return Value::integer(condition ? 1 : 0); }

// A number as a float, as to_float reads it; integers pass through single
// precision.
long double number_as_float(const Value& v)
{
    if (v.is(Type::Integer)) return static_cast<float>(v.int_value());
    if (v.is(Type::Float)) return v.float_value();
    return value::to_float(v);
}

Value compare_as_floats(OperatorKind op, const Value& left, const Value& right)
{
    // Left first: when both fail to read, the left one is reported.
    const long double l = number_as_float(left);
    const long double r = number_as_float(right);
    bool holds = false;
    real_ordering(op, l, r, holds);
    return truth(holds);
}

// `+`, `-` or `*` where either operand is a float: both read as floats.
Value combine_as_floats(OperatorKind op, const Value& left, const Value& right)
{
    const long double l = value::to_float(left);  // left first, as everywhere
    const long double r = value::to_float(right);
    long double result = 0.0L;
    real_arithmetic(op, l, r, result);
    return Value::floating(result);
}

// `+`, `-` or `*` on two operands read as integers (wrap-around).
Value combine_as_integers(OperatorKind op, const Value& left, const Value& right)
{
    const std::int64_t l = value::to_integer(left);
    std::int64_t result = 0;
    integer_arithmetic(op, l, value::to_integer(right), result);
    return Value::integer(result);
}

Value member_of(const Value& /*left*/, const Value& right)
{
    // No Value ever holds members: a member path can only name a missing one.
    throw Error(ErrorKind::MissingMember, "no member " + quote_text(value::to_text(right)));
}

}  // namespace

Value add_values(const Value& left, const Value& right)
{
    if (left.is(Type::String) && right.is(Type::String)) {
        if (left.text().size() + right.text().size() > limits::text_limit()) {
            throw Error(ErrorKind::TooLarge, "joining texts of " + std::to_string(left.text().size()) + " and " +
                                                 std::to_string(right.text().size()) + " bytes");
        }
        return Value::string(left.text() + right.text());
    }
    if (either_float(left, right)) return combine_as_floats(OperatorKind::Add, left, right);
    return combine_as_integers(OperatorKind::Add, left, right);
}

Value subtract_values(const Value& left, const Value& right)
{
    if (either_float(left, right)) return combine_as_floats(OperatorKind::Subtract, left, right);
    return combine_as_integers(OperatorKind::Subtract, left, right);
}

Value multiply_values(const Value& left, const Value& right)
{
    if (left.is(Type::String) && right.is(Type::Integer)) {
        return Value::string(value::repeat_text(left.text(), repetition_count(right.int_value())));
    }
    if (either_float(left, right)) return combine_as_floats(OperatorKind::Multiply, left, right);
    return combine_as_integers(OperatorKind::Multiply, left, right);
}

namespace {

// A zero dividend leaves the divisor unread; a divisor that is a number of
// zero is warned about all the same.
void check_unread_divisor(const Value& right)
{
    if ((right.is(Type::Integer) && right.int_value() == 0) || (right.is(Type::Float) && right.float_value() == 0)) {
        warn_zero_divisor();
    }
}

}  // namespace

Value divide_values(const Value& left, const Value& right)
{
    // A zero on either side gives zero; a zero dividend leaves the divisor
    // unread.
    if (either_float(left, right)) {
        const long double l = value::to_float(left);
        if (l == 0) {
            check_unread_divisor(right);
            return Value::floating(0.0L);
        }
        return Value::floating(divide_reals(l, value::to_float(right)));
    }
    const std::int64_t l = value::to_integer(left);
    if (l == 0) {
        check_unread_divisor(right);
        return Value::integer(0);
    }
    return Value::integer(divide_integers(l, value::to_integer(right)));
}

std::string describe_type(const Value& v)
{
    const std::string_view name = value::type_name(v.type());
    const bool vowel = !name.empty() && std::string_view("aeiou").find(name.front()) != std::string_view::npos;
    return (vowel ? "an " : "a ") + std::string(name);
}

std::string_view operator_text(OperatorKind op)
{
    switch (op) {
    case OperatorKind::And: return "and";
    case OperatorKind::Or: return "or";
    case OperatorKind::Equal: return "==";
    case OperatorKind::NotEqual: return "!=";
    case OperatorKind::Greater: return ">";
    case OperatorKind::GreaterEqual: return ">=";
    case OperatorKind::Less: return "<";
    case OperatorKind::LessEqual: return "<=";
    case OperatorKind::Add: return "+";
    case OperatorKind::Subtract: return "-";
    case OperatorKind::Multiply: return "*";
    case OperatorKind::Divide: return "/";
    case OperatorKind::Member: return "->";
    case OperatorKind::None:
    case OperatorKind::Unknown: break;
    }
    return "?";
}

void warn_zero_divisor()
{
    warn(WarningRule::ZeroDivisor,
         [] { return std::string("a division by zero gives 0, not an error; test the divisor first"); });
}

void check_exact_comparison(OperatorKind op, std::int64_t left, std::int64_t right)
{
    if (left == right || static_cast<float>(left) != static_cast<float>(right)) return;
    // Equal in single precision, a strict ordering is false and any other
    // true: only a comparison whose answer that changes is warned about
    // (16777216 <= 16777217 still holds).
    const bool strict = op == OperatorKind::Less || op == OperatorKind::Greater;
    const bool exact = op == OperatorKind::Less || op == OperatorKind::LessEqual ? left < right : left > right;
    if (op != OperatorKind::Equal && op != OperatorKind::NotEqual && exact != strict) return;
    warn(WarningRule::InexactComparison, [&] {
        return std::to_string(left) + " " + std::string(operator_text(op)) + " " + std::to_string(right) +
               " compares the integers in single precision, where these two are the same number; "
               "compare their difference with 0 instead, as in ((a - b) " + std::string(operator_text(op)) + " 0)";
    });
}

namespace {

bool holds_no_number(const Value& v) { return v.is(Type::List) || v.is(Type::Func); }

// A number reading failed inside an operator: the error goes on with
// advice saying which operator met which types, and what to write
// instead. Out-of-range numbers keep their message as it is.
[[noreturn, gnu::cold, gnu::noinline]] void raise_unreadable_operand(const Error& error, OperatorKind op,
                                                                     const Value& left, const Value& right)
{
    if (!error.advice().empty() || std::string_view(error.what()).find(" is not a number") == std::string_view::npos) {
        throw error;
    }
    std::string advice = std::string(operator_text(op)) + " of " + describe_type(left) + " and " +
                         describe_type(right) + " reads the text as a number: ";
    switch (op) {
    case OperatorKind::Add: advice += "join texts with $str$, as in (\"n=\" + $str$(n))"; break;
    case OperatorKind::Equal:
    case OperatorKind::NotEqual: advice += "compare a text with a text, as in ($str$(n) == \"7\")"; break;
    default: advice += "only a text that holds a number can be used with " + std::string(operator_text(op)); break;
    }
    Error explained = error;
    explained.set_advice(std::move(advice));
    throw explained;
}

Value apply_operator_reading(OperatorKind op, const Value& left, const Value& right);

// What an operator makes of a list or a function: the number 0, so the
// result is 0 or 1 whatever the list holds.
[[gnu::cold, gnu::noinline]] void warn_no_number_operand(OperatorKind op, const Value& left, const Value& right)
{
    // `==` and `!=` compare a list with a list or a text by its text form,
    // which means something; only a number on the other side reads it as 0.
    if ((op == OperatorKind::Equal || op == OperatorKind::NotEqual) && !value::is_number(left) &&
        !value::is_number(right)) {
        return;
    }
    warn(WarningRule::NoNumberOperand, [&] {
        const Value& odd = holds_no_number(left) ? left : right;
        std::string message = std::string(operator_text(op)) + " of " + describe_type(left) + " and " +
                              describe_type(right) + " reads the " + std::string(value::type_name(odd.type())) +
                              " as the number 0";
        if (odd.is(Type::List)) {
            message += "; add an element with add LIST VALUE, count the elements with $size$(LIST)";
        } else {
            message += "; call the function ($f$ or $f$(...)) to use its result";
        }
        return message;
    });
}

}  // namespace

Value apply_operator(OperatorKind op, const Value& left, const Value& right)
{
    if (left.is(Type::Integer) && right.is(Type::Integer)) {
        const std::int64_t l = left.int_value();
        const std::int64_t r = right.int_value();
        std::int64_t result = 0;
        if (integer_arithmetic(op, l, r, result)) return Value::integer(result);
        bool holds = false;
        if (integer_pair_truth(op, l, r, holds)) return truth(holds);
    }
    try {
        return apply_operator_reading(op, left, right);
    } catch (const Error& error) {
        if (error.kind() == ErrorKind::IntegerText || error.kind() == ErrorKind::FloatText) {
            raise_unreadable_operand(error, op, left, right);
        }
        throw;
    }
}

namespace {

// Every operand pair but two integers under an operator they have a fast
// way for.
Value apply_operator_reading(OperatorKind op, const Value& left, const Value& right)
{
    if ((holds_no_number(left) || holds_no_number(right)) && op != OperatorKind::Member) [[unlikely]] {
        warn_no_number_operand(op, left, right);
    }
    switch (op) {
    case OperatorKind::And: return truth(value::to_integer(left) != 0 && value::to_integer(right) != 0);
    case OperatorKind::Or: return truth(value::to_integer(left) != 0 || value::to_integer(right) != 0);
    case OperatorKind::Equal: return truth(value::values_equal(left, right));
    case OperatorKind::NotEqual: return truth(!value::values_equal(right, left));
    case OperatorKind::Greater:
    case OperatorKind::GreaterEqual:
    case OperatorKind::Less:
    case OperatorKind::LessEqual: return compare_as_floats(op, left, right);
    case OperatorKind::Add: return add_values(left, right);
    case OperatorKind::Subtract: return subtract_values(left, right);
    case OperatorKind::Multiply: return multiply_values(left, right);
    case OperatorKind::Divide: return divide_values(left, right);
    case OperatorKind::Member: return member_of(left, right);
    case OperatorKind::None:
    case OperatorKind::Unknown: break;
    }
    return Value();
}

}  // namespace

bool apply_operator_in_place_slowly(OperatorKind op, Value& target, const Value& right)
{
    if (op == OperatorKind::Add && target.is(Type::String) && right.is(Type::String)) {
        if (target.text().size() + right.text().size() > limits::text_limit()) return false;  // raises there
        target.become_joined_text(right.text());
        return true;
    }
    // `+`, `-` and `*` on two numbers, one of them a float, as
    // combine_as_floats makes them.
    const auto number = [](const Value& v) { return v.is(Type::Integer) || v.is(Type::Float); };
    if (number(target) && number(right) && (target.is(Type::Float) || right.is(Type::Float)) &&
        op != OperatorKind::Divide) {
        long double result = 0.0L;
        if (!real_arithmetic(op, value::to_float(target), value::to_float(right), result)) return false;
        target.become_float(result);
        return true;
    }
    return false;
}

Value apply_operator(std::string_view op, const Value& left, const Value& right)
{
    return apply_operator(operator_from_text(op), left, right);
}

}  // namespace zirn::exec
