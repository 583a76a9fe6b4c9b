// The operators and the rules they are built from.
//
// Operators decide by the types of their operands: "float" on either side
// makes arithmetic work in long double, otherwise it works on 64-bit
// integers with wrap-around; comparisons read integers through single
// precision. Each rule is defined once here (integer_arithmetic,
// integer_pair_truth, divide_integers, real_arithmetic, real_ordering,
// divide_reals, repetition_count), and the general operator, the in-place
// forms and the numeric folds are all built from them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/every_case.h"
#include "exec/code.h"
#include "value/value.h"

namespace zirn::exec {

// Combines two Values under an operator; an unknown operator gives an
// "unspecified" Value.
value::Value apply_operator(OperatorKind op, const value::Value& left, const value::Value& right);
value::Value apply_operator(std::string_view op, const value::Value& left, const value::Value& right);

// The warnings of the operator rules below; each is called only where its
// condition holds.
[[gnu::cold, gnu::noinline]] void warn_zero_divisor();
// Warns when `left` and `right` differ but are the same in single precision.
[[gnu::cold, gnu::noinline]] void check_exact_comparison(OperatorKind op, std::int64_t left, std::int64_t right);

// For two integers under `op`: sets `truth_value` to whether the result
// is nonzero, as the truth test would read it, and returns true; returns
// false for an operator it leaves to apply_operator.
[[gnu::always_inline]] inline bool integer_pair_truth(OperatorKind op, std::int64_t left, std::int64_t right,
                                                      bool& truth_value)
{
    // Comparisons go through single precision, as to_float reads integers;
    // arithmetic wraps around through the unsigned type.
    const float l = static_cast<float>(left);
    const float r = static_cast<float>(right);
    const auto bits = [](std::int64_t number) { return static_cast<std::uint64_t>(number); };
    ZIRN_EVERY_CASE_BEGIN
    switch (op) {
    case OperatorKind::And: truth_value = left != 0 && right != 0; return true;
    case OperatorKind::Or: truth_value = left != 0 || right != 0; return true;
    case OperatorKind::Equal: truth_value = l == r; break;
    case OperatorKind::NotEqual: truth_value = r != l; break;
    case OperatorKind::Greater: truth_value = l > r; break;
    case OperatorKind::GreaterEqual: truth_value = l >= r; break;
    case OperatorKind::Less: truth_value = l < r; break;
    case OperatorKind::LessEqual: truth_value = l <= r; break;
    case OperatorKind::Add: truth_value = bits(left) + bits(right) != 0; return true;
    case OperatorKind::Subtract: truth_value = bits(left) - bits(right) != 0; return true;
    case OperatorKind::Multiply: truth_value = bits(left) * bits(right) != 0; return true;
    case OperatorKind::None:
    case OperatorKind::Divide:
    case OperatorKind::Member:
    case OperatorKind::Unknown: return false;
    ZIRN_NO_OTHER_CASE;
    }
    ZIRN_EVERY_CASE_END
    // Above 2^24 two different integers can be the same in single
    // precision: every integer comparison comes here, so this is where that
    // is warned about (`until (i < n)` with n = 20000000 stops at 19999999,
    // one round early). Such integers are both at least 2^24 in size, so
    // one look at the left one rules out nearly every comparison a program
    // makes.
    constexpr std::uint64_t exact_bound = std::uint64_t{1} << 24;
    if (bits(left) + (exact_bound - 1) > 2 * exact_bound - 2) [[unlikely]] check_exact_comparison(op, left, right);
    return true;
}

// Integer `+`, `-` and `*`: the result wraps around, through the unsigned
// type. Every integer sum, difference and product (the general operator,
// the in-place forms, the folds) is made here; false for other operators.
[[gnu::always_inline]] inline bool integer_arithmetic(OperatorKind op, std::int64_t left, std::int64_t right,
                                                      std::int64_t& result)
{
    const auto l = static_cast<std::uint64_t>(left);
    const auto r = static_cast<std::uint64_t>(right);
    switch (op) {
    case OperatorKind::Add: result = static_cast<std::int64_t>(l + r); return true;
    case OperatorKind::Subtract: result = static_cast<std::int64_t>(l - r); return true;
    case OperatorKind::Multiply: result = static_cast<std::int64_t>(l * r); return true;
    default: return false;
    }
}

// Sets `target` to apply_operator(op, target, right) without building a new
// Value where that is cheaper (integer arithmetic, appending to a text);
// returns false, changing nothing, where it is not.
bool apply_operator_in_place_slowly(OperatorKind op, value::Value& target, const value::Value& right);
inline bool apply_operator_in_place(OperatorKind op, value::Value& target, const value::Value& right)
{
    if (target.is(value::Type::Integer) && right.is(value::Type::Integer)) {
        std::int64_t result = 0;
        if (!integer_arithmetic(op, target.int_value(), right.int_value(), result)) return false;
        target.become_integer(result);
        return true;
    }
    return apply_operator_in_place_slowly(op, target, right);
}

// The quotient of two integers: a zero on either side gives zero (a zero
// divisor is warned about), and the one quotient that does not fit,
// the lowest integer by -1, wraps around to itself.
inline std::int64_t divide_integers(std::int64_t left, std::int64_t right)
{
    if (right == 0) [[unlikely]] {
        warn_zero_divisor();
        return 0;
    }
    if (left == 0) return 0;
    return right == -1 ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(left)) : left / right;
}

// Two integers under an operator that two numbers give a number under
// (arithmetic, comparison, `and`, `or`): the number apply_operator gives.
inline std::int64_t combine_integers(OperatorKind op, std::int64_t left, std::int64_t right)
{
    std::int64_t result = 0;
    if (integer_arithmetic(op, left, right, result)) return result;
    if (op == OperatorKind::Divide) return divide_integers(left, right);
    bool holds = false;
    integer_pair_truth(op, left, right, holds);
    return holds ? 1 : 0;
}

// The quotient of two floats, with the same rule for zeros.
inline long double divide_reals(long double left, long double right)
{
    if (right == 0) [[unlikely]] {
        warn_zero_divisor();
        return 0.0L;
    }
    return left == 0 ? 0.0L : left / right;
}

// Float `+`, `-`, `*` and `/`, in long double (a zero on either side of
// `/` gives zero, as divide_reals says). Every float sum, difference,
// product and quotient (the general operator, the folds) is made here; false
// for other operators.
[[gnu::always_inline]] inline bool real_arithmetic(OperatorKind op, long double left, long double right,
                                                   long double& result)
{
    switch (op) {
    case OperatorKind::Add: result = left + right; return true;
    case OperatorKind::Subtract: result = left - right; return true;
    case OperatorKind::Multiply: result = left * right; return true;
    case OperatorKind::Divide: result = divide_reals(left, right); return true;
    default: return false;
    }
}

// `>`, `>=`, `<` and `<=` on two numbers read as floats (integers through
// single precision, as to_float reads them); false for other operators.
[[gnu::always_inline]] inline bool real_ordering(OperatorKind op, long double left, long double right, bool& holds)
{
    switch (op) {
    case OperatorKind::Greater: holds = left > right; return true;
    case OperatorKind::GreaterEqual: holds = left >= right; return true;
    case OperatorKind::Less: holds = left < right; return true;
    case OperatorKind::LessEqual: holds = left <= right; return true;
    default: return false;
    }
}

// Two numbers, either of them a float, under `>`, `>=`, `<` or `<=`: sets
// `holds` to whether the comparison holds, as apply_operator's result read
// as a condition, and returns true; false for anything else.
inline bool number_pair_ordering(OperatorKind op, const value::Value& left, const value::Value& right, bool& holds)
{
    const auto as_real = [](const value::Value& v, long double& real) {
        // Integers pass through single precision, as to_float reads them.
        if (v.is(value::Type::Integer)) real = static_cast<float>(v.int_value());
        else if (v.is(value::Type::Float)) real = v.float_value();
        else return false;
        return true;
    };
    long double l = 0.0L;
    long double r = 0.0L;
    return as_real(left, l) && as_real(right, r) && real_ordering(op, l, r, holds);
}

// How often `text * count` repeats the text: the low 32 bits of the
// integer, read as signed (zero or below gives the empty text).
inline std::int32_t repetition_count(std::int64_t count)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(count)));
}

// How an operator is written.
std::string_view operator_text(OperatorKind op);
// The type of `v` as a message says it: "a string", "an integer", ...
std::string describe_type(const value::Value& v);

value::Value add_values(const value::Value& left, const value::Value& right);
value::Value subtract_values(const value::Value& left, const value::Value& right);
value::Value multiply_values(const value::Value& left, const value::Value& right);
value::Value divide_values(const value::Value& left, const value::Value& right);

}  // namespace zirn::exec
