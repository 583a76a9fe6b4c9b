// The expression fold.
//
// An expression is the inside of a parenthesised token: operands and
// operators alternating, folded strictly from left to right with no
// precedence, so `(1 + 2 * 3)` is 9. A leading `not` negates. Where every
// operand is a number the fold carries numbers, not Values (see
// NumberFoldKind); the operators themselves are in operators.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "exec/code.h"
#include "exec/evaluate.h"
#include "exec/operators.h"
#include "value/convert.h"
#include "value/value.h"

namespace zirn::exec {

value::Value evaluate_expression(Interpreter& interp, const Statement& tokens, Blocks blocks);

// A condition's Value read as true or false: an integer is true unless 0,
// anything else as to_integer reads it.
inline bool condition_truth(const value::Value& condition)
{
    if (condition.is(value::Type::Integer)) return condition.int_value() != 0;
    return value::to_integer(condition) != 0;
}

// apply_operator(op, left, right) read as a condition: two texts under
// `==` or `!=`, and numbers with a float among them under an ordering,
// are compared without making the comparison's Value.
bool operator_truth(OperatorKind op, const value::Value& left, const value::Value& right);

// For an expression `a op b` without `not` (ValueFoldKind Pair or Triple)
// read as a condition: whether its value is true, as evaluate_expression
// would give it and a condition reads it, without making that Value when
// both operands are integers.
bool operator_pair_holds(Interpreter& interp, const Statement& pair);

// A number the fold carries without a Value: an integer or a float.
struct FoldedNumber {
    bool is_float = false;
    std::int64_t integer = 0;
    long double real = 0.0L;
    value::Value as_value() const { return is_float ? value::Value::floating(real) : value::Value::integer(integer); }
};

// For a parenthesised token evaluated where no nesting step was taken for
// it yet: its value when the fold meets only numbers (see
// Statement::number_fold); false, having done nothing a program can
// see, otherwise.
bool fold_number_token(Interpreter& interp, const Token& expression, FoldedNumber& result);

}  // namespace zirn::exec
