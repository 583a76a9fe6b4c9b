// apply_operator: type rules, wrap-around, division by zero, repetition.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "exec/expression.h"
#include "base/error.h"
#include "value/convert.h"

namespace {

using zirn::exec::apply_operator;
using zirn::value::Type;
using zirn::value::Value;

constexpr std::int64_t int64_min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t int64_max = std::numeric_limits<std::int64_t>::max();

Value I(std::int64_t n) { return Value::integer(n); }
Value F(long double x) { return Value::floating(x); }
Value S(const char* text) { return Value::string(text); }

void expect_integer(const Value& v, std::int64_t expected)
{
    EXPECT_EQ(v.type(), Type::Integer);
    EXPECT_EQ(v.int_value(), expected);
}

void expect_float(const Value& v, long double expected)
{
    EXPECT_EQ(v.type(), Type::Float);
    EXPECT_EQ(v.float_value(), expected);
}

// The kind and message of the error `op` raises for two operands.
std::pair<zirn::ErrorKind, std::string> error_of(const char* op, const Value& left, const Value& right)
{
    try {
        apply_operator(op, left, right);
    } catch (const zirn::Error& error) {
        return {error.kind(), error.what()};
    }
    ADD_FAILURE() << "no error for " << op;
    return {zirn::ErrorKind::Interrupted, ""};
}

zirn::ErrorKind error_kind(const char* op, const Value& left, const Value& right)
{
    return error_of(op, left, right).first;
}

TEST(Operators, ArithmeticTypeFollowsTheOperands)
{
    expect_integer(apply_operator("+", I(2), I(3)), 5);
    expect_float(apply_operator("+", I(1), F(0.5L)), 1.5L);
    expect_float(apply_operator("-", F(2.5L), I(1)), 1.5L);
    expect_float(apply_operator("*", F(2.0L), I(3)), 6.0L);
    // A string is read as a number unless both sides are strings.
    expect_integer(apply_operator("+", S("12"), I(3)), 15);
    expect_integer(apply_operator("+", S("1.5"), I(1)), 2);
    expect_float(apply_operator("+", F(1.5L), S("2")), 3.5L);
    expect_integer(apply_operator("-", S("2"), S("3")), -1);
    const Value joined = apply_operator("+", S("2"), S("3"));
    EXPECT_EQ(joined.type(), Type::String);
    EXPECT_EQ(joined.text(), "23");
    EXPECT_EQ(error_kind("+", S("ab"), I(1)), zirn::ErrorKind::IntegerText);
    EXPECT_EQ(error_kind("-", S("ab"), I(1)), zirn::ErrorKind::IntegerText);
    // A Value without a number reads as 0: `x += 1` on a fresh x gives 1.
    expect_integer(apply_operator("+", Value(), I(1)), 1);
}

TEST(Operators, IntegerArithmeticWrapsAround)
{
    expect_integer(apply_operator("+", I(int64_max), I(1)), int64_min);
    expect_integer(apply_operator("-", I(int64_min), I(1)), int64_max);
    expect_integer(apply_operator("*", I(int64_max), I(2)), -2);
    expect_integer(apply_operator("*", I(4611686014132420609LL), I(4611686014132420609LL)), 9223372028264841217LL);
    expect_integer(apply_operator("/", I(int64_min), I(-1)), int64_min);
    expect_integer(apply_operator("/", I(int64_max), I(-1)), -int64_max);
}

TEST(Operators, DivisionTruncatesAndAZeroGivesZero)
{
    expect_integer(apply_operator("/", I(7), I(2)), 3);
    expect_integer(apply_operator("/", I(-7), I(2)), -3);
    expect_integer(apply_operator("/", I(7), I(0)), 0);
    expect_float(apply_operator("/", F(7.0L), I(2)), 3.5L);
    expect_float(apply_operator("/", F(7.0L), I(0)), 0.0L);
    expect_float(apply_operator("/", F(0.0L), I(0)), 0.0L);
    // A zero dividend leaves the divisor unread.
    expect_integer(apply_operator("/", I(0), S("abc")), 0);
    expect_float(apply_operator("/", F(0.0L), S("abc")), 0.0L);
}

TEST(Operators, Repetition)
{
    EXPECT_EQ(apply_operator("*", S("ab"), I(3)).text(), "ababab");
    EXPECT_EQ(apply_operator("*", S("ab"), I(0)).text(), "");
    const Value negative = apply_operator("*", S("ab"), I(-3));
    EXPECT_EQ(negative.type(), Type::String);
    EXPECT_EQ(negative.text(), "");
    // The count is the low 32 bits of the integer.
    EXPECT_EQ(apply_operator("*", S("ab"), I((std::int64_t{1} << 32) + 2)).text(), "abab");
    EXPECT_EQ(error_kind("*", S("0123456789"), I(200000000)), zirn::ErrorKind::TooLarge);
    // Only string times integer repeats; the other way round is arithmetic.
    expect_integer(apply_operator("*", I(3), S("4")), 12);
}

TEST(Operators, ComparisonsAndLogic)
{
    expect_integer(apply_operator("==", I(1), F(1.0L)), 1);
    expect_integer(apply_operator("==", S("1"), I(1)), 1);
    expect_integer(apply_operator("==", S("1.0"), S("1")), 0);
    expect_integer(apply_operator("!=", S("abc"), S("abd")), 1);
    expect_integer(apply_operator(">", I(16777217), I(16777216)), 0);
    expect_integer(apply_operator("==", I(16777217), I(16777216)), 1);
    expect_integer(apply_operator(">", I(3), F(2.5L)), 1);
    expect_integer(apply_operator(">=", I(2), I(2)), 1);
    expect_integer(apply_operator("<", S("10"), S("9")), 0);
    expect_integer(apply_operator("<=", F(std::nanl("")), I(0)), 0);
    expect_integer(apply_operator(">", F(std::nanl("")), I(0)), 0);
    EXPECT_EQ(error_kind("==", S("abc"), I(1)), zirn::ErrorKind::FloatText);
    // The right side is not read when the left decides.
    expect_integer(apply_operator("and", I(0), S("x")), 0);
    expect_integer(apply_operator("or", I(1), S("x")), 1);
    expect_integer(apply_operator("and", F(0.5L), I(1)), 0);
    expect_integer(apply_operator("or", I(0), I(-3)), 1);
}

TEST(Operators, AConditionReadsEveryOperatorAsTheOperatorsValueWouldRead)
{
    // operator_truth compares two texts, and orders floats, without the
    // operator's Value; every pair must read as the Value would.
    const Value values[] = {S("1"),  S("1.0"), S(""), S("abc"), Value::string(std::string("ab\0c", 4)),
                            S("ab"), S("ac"),  S("abd"), I(1), I(0),  I(16777217), F(1.0L), F(16777216.0L), F(-2.5L),
                            F(std::nanl("")), Value::func("x"), Value::list()};
    for (const char* op : {"==", "!=", "<", "<=", ">", ">=", "and", "-"}) {
        const zirn::exec::OperatorKind kind = zirn::exec::operator_from_text(op);
        for (const Value& left : values) {
            for (const Value& right : values) {
                bool expected = false;
                bool raised = false;
                try {
                    expected = zirn::exec::condition_truth(apply_operator(kind, left, right));
                } catch (const zirn::Error&) {
                    raised = true;
                }
                if (raised) {
                    EXPECT_THROW(zirn::exec::operator_truth(kind, left, right), zirn::Error);
                } else {
                    EXPECT_EQ(zirn::exec::operator_truth(kind, left, right), expected)
                        << zirn::value::to_text(left) << " " << op << " " << zirn::value::to_text(right);
                }
            }
        }
    }
}

TEST(Operators, UnknownOperatorGivesUnspecifiedAndMembersAreMissing)
{
    EXPECT_EQ(apply_operator("foo", I(1), I(2)).type(), Type::Unspecified);
    EXPECT_EQ(apply_operator("", I(1), I(2)).type(), Type::Unspecified);
    EXPECT_EQ(apply_operator("=", I(1), I(2)).type(), Type::Unspecified);
    EXPECT_EQ(error_kind("->", I(1), S("x")), zirn::ErrorKind::MissingMember);
}

TEST(Operators, OperandsAreNeverChanged)
{
    const Value left = S("ab");
    const Value right = I(2);
    apply_operator("*", left, right);
    apply_operator("+", right, right);
    EXPECT_EQ(left.text(), "ab");
    EXPECT_EQ(left.type(), Type::String);
    EXPECT_EQ(right.int_value(), 2);
}

TEST(Operators, WhenNeitherOperandReadsAsANumberTheLeftOneIsReported)
{
    for (const char* op : {"<", ">=", "-", "*", "/"}) {
        EXPECT_NE(error_of(op, S("xy"), F(1.5)).second.find("'xy'"), std::string::npos) << op;
    }
    for (const char* op : {"<", "<=", ">", ">="}) {
        const std::string text = error_of(op, S("xy"), S("a b")).second;
        EXPECT_NE(text.find("'xy'"), std::string::npos) << op << ": " << text;
    }
}

}  // namespace
