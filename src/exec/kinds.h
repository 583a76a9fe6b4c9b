// The kinds of statements and expressions the compiler tells apart, in one
// table each, every kind naming the general kind it falls back to.
//
// A general kind is the way every statement (or expression) of its kind can
// be carried out. A specialised kind stands for a shape the compiler saw in
// the text (`s += i`: a compound assignment of a name with a name) and is run
// by a shorter way that may decline at run time, having changed nothing; the
// run then takes the general kind's way for the same statement. The compiler
// (`code.cpp`) is the only place that picks a specialised kind; a build made
// with ZIRN_GENERAL_ONLY picks the general kind of every row instead, so
// running the tests with that build checks each specialised way against the
// general way it stands for.
//
// Numeric folds are quickened at run time, in one place (`note_fold_float`,
// `note_fold_declined`, `note_fold_went_through` in expression.cpp): a fold
// that meets a float widens from integers to numbers, one that keeps
// meeting operands that are no numbers falls back to its general kind, for
// good, and one that went through is laid out as steps.
#pragma once

#include <cstdint>
#include <string_view>

namespace zirn::exec {

// X(kind, general kind, what it does)
#define ZIRN_STATEMENT_KINDS(X)                                                                                       \
    /* General kinds: each is its own fallback. */                                                                   \
    X(Empty, Empty, "only empty tokens: nothing runs")                                                                \
    X(Keyword, Keyword, "a keyword statement, run by its keyword with its operands")                                  \
    X(Call, Call, "a call statement: the call runs, its value and any further tokens are dropped")                    \
    X(Assign, Assign,                                                                                                 \
      "target, operator, value: the target is resolved (a new name bound first), the value evaluated "              \
      "with blocks kept as functions, an operator of two or more characters applied, the target updated")           \
    X(Incomplete, Incomplete, "one or two words that make no statement: an error when it runs")                       \
    /* Specialised kinds, picked from the text. */                                                                    \
    X(Compare, Keyword, "`compare` with a condition and a block: straight to both, without the keyword switch")       \
    X(End, Keyword, "`end`: straight to the keyword, and the run stops")                                              \
    X(AddPlain, Keyword, "`add list x`, x a name or literal: x copied onto the list without evaluating it")           \
    X(IndexDirect, Keyword,                                                                                           \
      "`index list i x`, i a name, literal or parenthesised expression: an integer position within the list, "      \
      "read or folded without Values, goes straight to the element")                                                \
    X(AssignInPlace, Assign,                                                                                          \
      "`name op= x`, x a name, literal or parenthesised expression: combined into the bound Value in place "          \
      "(integer arithmetic, appending to a text, a numeric fold)")                                                   \
    X(AssignCopy, Assign,                                                                                             \
      "`name = x`, x a name, literal or parenthesised expression: copied (or folded) into the bound Value")          \
    X(StoreElement, Keyword,                                                                                          \
      "`index list i x` followed by `x = v` (v a name or literal) where no later statement can see x: in a "         \
      "run whose binding of x ends with it, v is stored into the element without binding x")

// How an expression (the inside of a parenthesised token) is folded with
// Values. X(kind, general kind, what it does)
#define ZIRN_VALUE_FOLD_KINDS(X)                                                                                      \
    X(Operands, Operands,                                                                                             \
      "operands and operators folded left to right with Values, a leading `not` negating (the general fold)")        \
    X(Lone, Operands, "one operand without `not`: the operand's own Value")                                           \
    X(Triple, Operands, "`a op b` without `not`: both operands evaluated, the operator applied once")                 \
    X(Pair, Triple, "`a op b` on two names or literals: both read in place, nothing copied")

// How an expression is folded as numbers before any Value is made; the
// kinds below None are quickened at run time. X(kind, general kind, what it
// does)
#define ZIRN_NUMBER_FOLD_KINDS(X)                                                                                     \
    X(None, None, "no numeric fold: the Value fold runs")                                                             \
    X(Numbers, None,                                                                                                  \
      "operands and number operators only: folded as integers and floats, without Values, while every operand "     \
      "is a number; past a few folds that met no number, None for good")                                             \
    X(Integers, Numbers, "the same with 64-bit integers only; the first float met makes it Numbers for good")         \
    X(IntegerPair, Numbers, "`a op b` on two names or literals holding integers, read in place")                    \
    X(IntegerSteps, Integers,                                                                                         \
      "Integers laid out once as steps, parenthesised operands inline, after its first fold as integers: read "     \
      "without looking at the tokens again while no name that is no bare word is bound")                             \
    X(NumberSteps, Numbers, "Numbers laid out as steps after its first fold, as IntegerSteps is for Integers")

#define ZIRN_KIND_ENUMERATOR(kind, general, what) kind,
enum class StatementKind : std::uint8_t { ZIRN_STATEMENT_KINDS(ZIRN_KIND_ENUMERATOR) };
enum class ValueFoldKind : std::uint8_t { ZIRN_VALUE_FOLD_KINDS(ZIRN_KIND_ENUMERATOR) };
enum class NumberFoldKind : std::uint8_t { ZIRN_NUMBER_FOLD_KINDS(ZIRN_KIND_ENUMERATOR) };
#undef ZIRN_KIND_ENUMERATOR

#define ZIRN_KIND_GENERAL_CASE(kind, general, what) \
    case Kind::kind: return Kind::general;
#define ZIRN_KIND_TEXT_CASE(kind, general, what) \
    case Kind::kind: return what;

// The general kind each kind falls back to.
constexpr StatementKind general_kind(StatementKind kind)
{
    using Kind = StatementKind;
    switch (kind) { ZIRN_STATEMENT_KINDS(ZIRN_KIND_GENERAL_CASE) }
    return kind;
}
constexpr ValueFoldKind general_kind(ValueFoldKind kind)
{
    using Kind = ValueFoldKind;
    switch (kind) { ZIRN_VALUE_FOLD_KINDS(ZIRN_KIND_GENERAL_CASE) }
    return kind;
}
constexpr NumberFoldKind general_kind(NumberFoldKind kind)
{
    using Kind = NumberFoldKind;
    switch (kind) { ZIRN_NUMBER_FOLD_KINDS(ZIRN_KIND_GENERAL_CASE) }
    return kind;
}

// What a kind does, as the table says it (for traces and tests).
constexpr std::string_view describe_kind(StatementKind kind)
{
    using Kind = StatementKind;
    switch (kind) { ZIRN_STATEMENT_KINDS(ZIRN_KIND_TEXT_CASE) }
    return {};
}
constexpr std::string_view describe_kind(ValueFoldKind kind)
{
    using Kind = ValueFoldKind;
    switch (kind) { ZIRN_VALUE_FOLD_KINDS(ZIRN_KIND_TEXT_CASE) }
    return {};
}
constexpr std::string_view describe_kind(NumberFoldKind kind)
{
    using Kind = NumberFoldKind;
    switch (kind) { ZIRN_NUMBER_FOLD_KINDS(ZIRN_KIND_TEXT_CASE) }
    return {};
}

#undef ZIRN_KIND_GENERAL_CASE
#undef ZIRN_KIND_TEXT_CASE

// The fully general kind: a kind followed through its fallbacks.
template <class Kind>
constexpr Kind most_general_kind(Kind kind)
{
    while (general_kind(kind) != kind) kind = general_kind(kind);
    return kind;
}

}  // namespace zirn::exec
