// Conversions between Value types and the text forms of Values.
//
// One routine, `convert_value`, does every type change; the accessors
// `to_text`, `to_integer`, `to_float` and `to_list` are what printing,
// arithmetic, conditions and the list statements use. Two rules run through
// everything: every conversion to a float passes through single precision,
// and every conversion from a float to an integer passes through a signed
// 32-bit integer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "value/value.h"

namespace zirn::value {

// `v` converted to `target`. Converting to the Value's own type, to "list" or
// to "unspecified" returns it unchanged; converting to "func" gives a
// "string" (a list then shows in the func form: `[1 ,a ,[2, "b"]]`).
Value convert_value(const Value& v, Type target);
// As above for a type given by name; an unknown name changes nothing.
Value convert_value(const Value& v, std::string_view target_name);

// Raises Error(TooLarge) when the text form of a list would pass the text
// limit (as render_list does).
std::string to_text(const Value& v);
std::int64_t to_integer(const Value& v);
long double to_float(const Value& v);
ElementList to_list(const Value& v);

// Numbers compare as floats (after single-precision rounding); anything else
// compares by text form.
bool values_equal(const Value& a, const Value& b);

// The parenthesised list form `(1 "a b" (2 3))` that encodelist writes. A
// string element is written in double quotes, or in single quotes when it
// holds a double quote; one that list text cannot carry so that it reads
// back the same raises Error(EncodeList) naming its position.
std::string render_list(const ElementList& elements);

// Standard string-to-int reading in base 10: leading white space, optional
// sign, digits up to the first non-digit. Raises Error(IntegerText) for no
// digits or a value outside the signed 32-bit range; `hint` is added to the
// message when the text holds no number at all.
std::int32_t parse_integer_text(std::string_view text, std::string_view hint = {});
// Standard string-to-float reading of the longest valid prefix, in single
// precision. Raises Error(FloatText) for no number or a result out of range.
float parse_float_text(std::string_view text, std::string_view hint = {});

// The same readings without raising: nothing when the text holds no number
// or one out of range.
std::optional<std::int32_t> try_parse_integer_text(std::string_view text);
std::optional<float> try_parse_float_text(std::string_view text);

// The decimal text of `number`, a minus sign first when it is negative.
std::string format_integer(std::int64_t number);
// The same written into the room just before `end`, which must hold
// `integer_text_room` bytes; returns where the text starts.
inline constexpr std::size_t integer_text_room = 20;
char* write_integer_text(std::int64_t number, char* end);
// The text printf's "%Lf" writes: six digits after the point.
std::string format_float(long double number);

// `text` repeated `count` times; a count of zero or below gives "". Raises
// Error(TooLarge) when the result would exceed the text limit.
std::string repeat_text(std::string_view text, std::int32_t count);

// A float truncated toward zero into a signed 32-bit integer; values outside
// that range and NaN give -2147483648.
std::int32_t float_to_int32(long double number);

}  // namespace zirn::value
