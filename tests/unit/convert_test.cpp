// Conversions between Value types, text forms and values_equal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "base/error.h"
#include "value/convert.h"

namespace {

using namespace zirn::value;
using zirn::ErrorKind;

ValueRef ref(Value v) { return make_ref(std::move(v)); }

// Runs `body` and returns the kind of the Error it raised.
template <typename Body>
ErrorKind error_kind_of(Body body)
{
    try {
        body();
    } catch (const zirn::Error& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no error raised";
    return ErrorKind::Interrupted;
}

TEST(Convert, IntegerDigitsAreWrittenAsToStringWritesThem)
{
    // Two digits at a time: every length, both signs and the two ends.
    std::vector<std::int64_t> numbers = {0, std::numeric_limits<std::int64_t>::min(),
                                         std::numeric_limits<std::int64_t>::max()};
    std::int64_t power = 1;
    for (int digits = 1; digits <= 19; ++digits) {
        for (std::int64_t number : {power - 1, power, power + 1, 5 * power}) {
            numbers.push_back(number);
            numbers.push_back(-number);
        }
        if (digits < 19) power *= 10;
    }
    for (std::int64_t number : numbers) EXPECT_EQ(format_integer(number), std::to_string(number)) << number;
}

TEST(Convert, IntegerTextFollowsStoi)
{
    EXPECT_EQ(parse_integer_text("12abc"), 12);
    EXPECT_EQ(parse_integer_text("3.9"), 3);
    EXPECT_EQ(parse_integer_text("  -7"), -7);
    EXPECT_EQ(parse_integer_text("+5"), 5);
    EXPECT_EQ(parse_integer_text("2147483647"), 2147483647);
    EXPECT_EQ(parse_integer_text("-2147483648"), -2147483648LL);
    EXPECT_EQ(error_kind_of([] { parse_integer_text("abc"); }), ErrorKind::IntegerText);
    EXPECT_EQ(error_kind_of([] { parse_integer_text(""); }), ErrorKind::IntegerText);
    EXPECT_EQ(error_kind_of([] { parse_integer_text("2147483648"); }), ErrorKind::IntegerText);
    EXPECT_EQ(error_kind_of([] { parse_integer_text("99999999999"); }), ErrorKind::IntegerText);
    // Short decimals are read directly, everything else by strtol: both
    // ways agree at the edge between them.
    const char* edges[] = {"123456789", "-123456789", "1234567890", "-1234567890", "0012", "-0", "+",
                           "-",         "- 5",        "9x",         "12 34",       "+-3", "007a"};
    for (const char* text : edges) {
        char* end = nullptr;
        const long expected = std::strtol(text, &end, 10);
        if (end == text) {
            EXPECT_EQ(error_kind_of([&] { parse_integer_text(text); }), ErrorKind::IntegerText) << text;
        } else {
            EXPECT_EQ(parse_integer_text(text), expected) << text;
        }
    }
    EXPECT_EQ(parse_integer_text(std::string_view("7\0" "8", 3)), 7);
    try {
        parse_integer_text("total");
    } catch (const zirn::Error& error) {
        // The message keeps the conversion's name and shows the text.
        EXPECT_NE(std::string(error.what()).find("stoi"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("total"), std::string::npos);
    }
}

TEST(Convert, FloatTextFollowsStofInSinglePrecision)
{
    EXPECT_EQ(parse_float_text("1e3"), 1000.0f);
    EXPECT_EQ(parse_float_text("1.2.3"), 1.2f);
    EXPECT_EQ(parse_float_text(" .5x"), 0.5f);
    EXPECT_EQ(parse_float_text("0x10"), 16.0f);
    EXPECT_TRUE(std::isinf(parse_float_text("INF")));
    EXPECT_TRUE(std::isnan(parse_float_text("nan")));
    EXPECT_EQ(error_kind_of([] { parse_float_text("abc"); }), ErrorKind::FloatText);
    EXPECT_EQ(error_kind_of([] { parse_float_text("1e50"); }), ErrorKind::FloatText);
}

TEST(Convert, EveryConversionToFloatPassesThroughSinglePrecision)
{
    EXPECT_EQ(to_float(Value::integer(16777217)), 16777216.0L);
    EXPECT_EQ(to_text(convert_value(Value::integer(16777217), Type::Float)), "16777216.000000");
    EXPECT_EQ(to_float(Value::string("0.1")), static_cast<long double>(0.1f));
    EXPECT_NE(to_float(Value::string("0.1")), 0.1L);
}

TEST(Convert, TextForms)
{
    EXPECT_EQ(to_text(Value::integer(-42)), "-42");
    EXPECT_EQ(to_text(Value::floating(2.5L)), "2.500000");
    EXPECT_EQ(to_text(Value::floating(1.0L / 3)), "0.333333");
    EXPECT_EQ(to_text(Value::floating(-0.5L)), "-0.500000");
    EXPECT_EQ(to_text(Value::floating(1e20L)), "100000000000000000000.000000");
    EXPECT_EQ(to_text(Value::floating(static_cast<long double>(0.1f))), "0.100000");
    EXPECT_EQ(to_text(Value::floating(std::numeric_limits<long double>::infinity())), "inf");
    EXPECT_EQ(to_text(Value()), "");
    EXPECT_EQ(to_text(Value::func("{ end 5 }")), "{ end 5 }");
    EXPECT_EQ(to_text(Value::integer(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
}

TEST(Convert, FloatToIntegerGoesThroughInt32)
{
    EXPECT_EQ(to_integer(Value::floating(2.9L)), 2);
    EXPECT_EQ(to_integer(Value::floating(-2.9L)), -2);
    EXPECT_EQ(to_integer(Value::floating(2147483647.0L)), 2147483647);
    EXPECT_EQ(to_integer(Value::floating(3000000000.0L)), -2147483648LL);
    EXPECT_EQ(to_integer(Value::floating(-3000000000.0L)), -2147483648LL);
    EXPECT_EQ(to_integer(Value::floating(std::nanl(""))), -2147483648LL);
    EXPECT_EQ(to_integer(Value::floating(std::numeric_limits<long double>::infinity())), -2147483648LL);
    const Value converted = convert_value(Value::floating(7.5L), Type::Integer);
    EXPECT_EQ(converted.type(), Type::Integer);
    EXPECT_EQ(converted.int_value(), 7);
}

TEST(Convert, ValuesWithoutANumberReadTheirOwnPayload)
{
    // Nothing sets a number on these, so they read as 0.
    EXPECT_EQ(to_integer(Value()), 0);
    EXPECT_EQ(to_float(Value()), 0.0L);
    EXPECT_EQ(to_integer(Value::list({ref(Value::integer(5))})), 0);
    EXPECT_EQ(to_integer(Value::func("{ end 3 }")), 0);
    EXPECT_EQ(to_float(Value::func("{ end 3 }")), 0.0L);
}

TEST(Convert, ListForms)
{
    const Value inner = Value::list({ref(Value::integer(2)), ref(Value::string("b"))});
    const Value list = Value::list({ref(Value::integer(1)), ref(Value::string("a")), ref(inner)});
    EXPECT_EQ(to_text(list), "[1, \"a\", [2, \"b\"]]");
    const Value as_func = convert_value(list, "func");
    EXPECT_EQ(as_func.type(), Type::String);
    EXPECT_EQ(as_func.text(), "[1 ,a ,[2, \"b\"]]");
    EXPECT_EQ(convert_value(Value::list(), Type::Func).text(), "[]");
    EXPECT_EQ(to_text(Value::list()), "[]");
    // Nothing inside a string is escaped.
    EXPECT_EQ(to_text(Value::list({ref(Value::string("say \"x\""))})), "[\"say \"x\"\"]");

    const Value pair = Value::list({ref(Value::integer(2)), ref(Value::integer(3))});
    EXPECT_EQ(render_list({ref(Value::integer(1)), ref(Value::string("a b")), ref(pair), ref(Value::floating(1.5L))}),
              "(1 \"a b\" (2 3) 1.500000)");
    EXPECT_EQ(render_list({}), "()");
    EXPECT_EQ(render_list({ref(Value::list()), ref(Value::func("{ end 1 }"))}), "(() { end 1 })");
}

TEST(Convert, ListsThatContainThemselvesShowTheRepeatShort)
{
    const ValueRef list = ref(Value::list({ref(Value::integer(1))}));
    list->elements_for_update().push_back(list);
    // Only elements are tracked, so the list shows once more at the top than
    // where it meets itself again, as any copy of it would.
    EXPECT_EQ(to_text(*list), "[1, [1, [...]]]");
    EXPECT_EQ(to_text(Value(*list)), to_text(*list));
    // The elements are 1 and the list itself, which shows its own repeat.
    EXPECT_EQ(render_list(list->elements()), "(1 (1 (...)))");
    EXPECT_TRUE(values_equal(*list, *list));
    list->elements_for_update().clear();  // break the cycle so the test frees it
}

TEST(Convert, ConversionsKeepTheOtherPayloads)
{
    const Value list = Value::list({ref(Value::integer(1)), ref(Value::integer(2))});
    const Value text = convert_value(list, Type::String);
    EXPECT_EQ(text.text(), "[1, 2]");
    EXPECT_EQ(to_list(text).size(), 2u);
    EXPECT_TRUE(to_list(Value::string("[1, 2]")).empty());
    // To "list", to "unspecified" or to an unknown name nothing changes.
    EXPECT_EQ(convert_value(Value::integer(5), "list").type(), Type::Integer);
    EXPECT_EQ(convert_value(Value::integer(5), "banana").type(), Type::Integer);
    EXPECT_EQ(convert_value(Value::string("5"), "unspecified").type(), Type::String);
    EXPECT_EQ(convert_value(Value::string("12abc"), "integer").int_value(), 12);
    EXPECT_EQ(convert_value(Value::string("12abc"), "integer").text(), "12abc");
}

TEST(Convert, ValuesEqual)
{
    EXPECT_TRUE(values_equal(Value::integer(1), Value::floating(1.0L)));
    EXPECT_TRUE(values_equal(Value::string("1"), Value::integer(1)));
    EXPECT_FALSE(values_equal(Value::string("1.0"), Value::string("1")));
    EXPECT_TRUE(values_equal(Value::integer(16777217), Value::integer(16777216)));
    EXPECT_TRUE(values_equal(Value::list({ref(Value::integer(1))}), Value::string("[1]")));
    EXPECT_FALSE(values_equal(Value::floating(std::nanl("")), Value::floating(std::nanl(""))));
    EXPECT_TRUE(values_equal(Value(), Value::integer(0)));
    EXPECT_EQ(error_kind_of([] { values_equal(Value::string("abc"), Value::integer(1)); }), ErrorKind::FloatText);
}

TEST(Convert, RepeatText)
{
    EXPECT_EQ(repeat_text("ab", 3), "ababab");
    EXPECT_EQ(repeat_text("ab", 0), "");
    EXPECT_EQ(repeat_text("ab", -4), "");
    EXPECT_EQ(repeat_text("", 2000000000), "");
    EXPECT_EQ(error_kind_of([] { repeat_text("abcd", 1 << 29); }), ErrorKind::TooLarge);
}

}  // namespace
