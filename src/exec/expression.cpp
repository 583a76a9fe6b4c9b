#include "exec/expression.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/error.h"
#include "base/every_case.h"
#include "base/stack_guard.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Type;
using value::Value;

namespace {

Value truth(bool condition) { return Value::integer(condition ? 1 : 0); }

// A leading `not` on a lone operand flips its integer payload between 0 and
// 1 and keeps everything else, the type included.
void negate_lone_operand(Value& v) { v.set_int(v.int_value() == 0 ? 1 : 0); }

// A leading `not` on an operator pair gives 1 for a result of zero or
// below, 0 for a positive one.
Value negate_pair_result(const Value& v) { return truth(v.int_value() <= 0); }

}  // namespace

namespace {

// A number as to_float reads it: integers pass through single precision.
long double folded_as_float(const FoldedNumber& number)
{
    return number.is_float ? number.real : static_cast<float>(number.integer);
}

FoldedNumber folded_float(long double real) { return FoldedNumber{true, 0, real}; }
FoldedNumber folded_truth(bool holds) { return FoldedNumber{false, holds ? 1 : 0, 0.0L}; }

// Two numbers under `op` as apply_operator combines them; false for `and`
// and `or` with a float, which are left to it.
bool combine_numbers(OperatorKind op, const FoldedNumber& left, const FoldedNumber& right, FoldedNumber& result)
{
    if (!left.is_float && !right.is_float) {
        result = FoldedNumber{false, combine_integers(op, left.integer, right.integer), 0.0L};
        return true;
    }
    const long double l = folded_as_float(left);
    const long double r = folded_as_float(right);
    long double real = 0.0L;
    if (real_arithmetic(op, l, r, real)) {
        result = folded_float(real);
        return true;
    }
    bool holds = false;
    if (real_ordering(op, l, r, holds)) {
        result = folded_truth(holds);
        return true;
    }
    switch (op) {
    case OperatorKind::Equal: result = folded_truth(l == r); return true;
    case OperatorKind::NotEqual: result = folded_truth(!(r == l)); return true;
    default: return false;
    }
}

bool fold_numbers(Interpreter& interp, const Statement& statement, std::size_t depth, FoldedNumber& result);
bool fold_integers(Interpreter& interp, const Statement& statement, std::size_t depth, std::int64_t& result);

// Where an operand of a fold comes from: the Value a name or a literal
// stands for, or the inside of a parenthesised operand, folded in turn.
struct FoldOperand {
    const value::Value* value = nullptr;
    const Statement* inside = nullptr;
};

// False when `token` cannot be folded: a parenthesised operand past the
// nesting budget or with an inside no fold takes, or a number that cannot
// be read without raising (the full fold then reads it again and raises).
inline bool fold_operand(Interpreter& interp, const Token& token, std::size_t depth, FoldOperand& operand)
{
    if (const value::ValueRef* bound = variable_named(interp, token)) {
        operand.value = bound->get();
        return true;
    }
    if (token.kind() == OperandKind::Parenthesised) {
        // As evaluate_token would: one more nesting step for the inside.
        if (depth + 1 > interp.nesting_room() || token.text().size() < 2) return false;
        const Code& inside = token.inside();
        if (inside.statements.size() != 1 || inside.statements.front().number_fold == NumberFoldKind::None) return false;
        operand.inside = &inside.statements.front();
        return true;
    }
    operand.value = token.readable_literal();
    return operand.value != nullptr;
}

// One operand of an integer fold: false when it is no integer.
// `a op b` on two names or literals (a plain pair) holding integers.
inline bool fold_integer_pair(Interpreter& interp, const Statement& statement, std::int64_t& result)
{
    const Value* left = bound_or_literal(interp, statement.tokens[0]);
    if (left == nullptr || !left->is(Type::Integer)) return false;
    const Value* right = bound_or_literal(interp, statement.tokens[2]);
    if (right == nullptr || !right->is(Type::Integer)) return false;
    result = combine_integers(statement.tokens[1].as_operator(), left->int_value(), right->int_value());
    return true;
}

bool integer_operand(Interpreter& interp, const Token& token, std::size_t depth, std::int64_t& number)
{
    FoldOperand operand;
    if (!fold_operand(interp, token, depth, operand)) return false;
    if (operand.inside != nullptr) {
        // `(a * 9)` inside a longer fold, read here without a call.
        if (operand.inside->plain_pair()) return fold_integer_pair(interp, *operand.inside, number);
        return fold_integers(interp, *operand.inside, depth + 1, number);
    }
    if (!operand.value->is(Type::Integer)) return false;
    number = operand.value->int_value();
    return true;
}

// The fold when every operand is an integer, the commonest case, kept
// apart from the numeric fold so that it carries only 64-bit integers.
bool fold_integers(Interpreter& interp, const Statement& statement, std::size_t depth, std::int64_t& result)
{
    if (statement.plain_pair()) return fold_integer_pair(interp, statement, result);
    // Walked by pointer: the operator before each right operand.
    const Token* const first = statement.tokens.data();
    const Token* const last_token = &statement.tokens.back();
    std::int64_t folded = 0;
    if (!integer_operand(interp, *first, depth, folded)) return false;
    for (const Token* op = first + 1; op < last_token; op += 2) {
        std::int64_t right = 0;
        if (!integer_operand(interp, op[1], depth, right)) return false;
        folded = combine_integers(op->as_operator(), folded, right);
    }
    result = folded;
    return true;
}

// A name's or literal's Value as a number of the fold, or false when it
// is none.
inline bool as_folded_number(const Value* operand, FoldedNumber& number)
{
    if (operand == nullptr) return false;
    if (operand->is(Type::Integer)) {
        number = FoldedNumber{false, operand->int_value(), 0.0L};
        return true;
    }
    if (!operand->is(Type::Float)) return false;
    number = folded_float(operand->float_value());
    return true;
}

// `a op b` on two names or literals folded as numbers, as fold_numbers
// folds it, without its walk over the tokens.
inline bool fold_number_pair(Interpreter& interp, const Statement& pair, FoldedNumber& result)
{
    FoldedNumber left;
    if (!as_folded_number(bound_or_literal(interp, pair.tokens[0]), left)) return false;
    FoldedNumber right;
    if (!as_folded_number(bound_or_literal(interp, pair.tokens[2]), right)) return false;
    return combine_numbers(pair.tokens[1].as_operator(), left, right, result);
}

// The fold laid out as steps (NumberFoldKind::IntegerSteps), made once a
// fold went through as integers: then every bare word was a bound name
// (its id is kept: ids never change), every other operand an integer
// literal (its number is kept) or a parenthesised operand whose inside is
// split. Reading the steps is the integer fold above without looking at
// the tokens again and without a call per parenthesised level. No variable
// can be named by a literal or a parenthesised text while no name that is
// no bare word is bound, and a name that is no longer bound, or holds
// something else than an integer, makes the steps decline. Deeper than
// this, an expression keeps the tokens.
constexpr std::size_t max_step_depth = 32;

// Appends the steps of `statement` read at `level` (the top is 0); false
// when an operand is none of the above.
bool add_fold_steps(const Statement& statement, std::size_t level, FoldSteps& out)
{
    const std::vector<Token>& tokens = statement.tokens;
    for (std::size_t i = 0; i < tokens.size(); i += 2) {
        const Token& token = tokens[i];
        const bool first = i == 0;
        FoldStep step;
        step.op = first ? OperatorKind::None : tokens[i - 1].as_operator();
        if (token.kind() == OperandKind::Parenthesised) {
            if (!token.inside_split() || token.text().size() < 2 || level + 1 > max_step_depth) return false;
            const Code& inside = token.inside();
            if (inside.statements.size() != 1 || inside.statements.front().number_fold == NumberFoldKind::None) return false;
            out.depth = std::max<std::uint32_t>(out.depth, static_cast<std::uint32_t>(level + 1));
            if (!add_fold_steps(inside.statements.front(), level + 1, out)) return false;
            if (first) continue;
            step.action = FoldStep::Action::CombineResults;
        } else if (token.is_bare_word()) {
            step.name = token.name();
            if (step.name == value::no_name) return false;
            step.action = first ? FoldStep::Action::PushName : FoldStep::Action::CombineName;
        } else {
            const Value* literal = token.readable_literal();
            if (literal == nullptr) return false;
            if (literal->is(Type::Float)) {
                // Float literals are read in single precision.
                step.real = static_cast<float>(literal->float_value());
                if (static_cast<long double>(step.real) != literal->float_value()) return false;
                step.action = first ? FoldStep::Action::PushReal : FoldStep::Action::CombineReal;
                step.code = integer_step_code(step.action, step.op);
                out.steps.push_back(step);
                continue;
            }
            if (!literal->is(Type::Integer) || literal->int_value() < INT32_MIN || literal->int_value() > INT32_MAX) {
                return false;
            }
            step.number = static_cast<std::int32_t>(literal->int_value());
            step.action = first ? FoldStep::Action::PushNumber : FoldStep::Action::CombineNumber;
        }
        step.code = integer_step_code(step.action, step.op);
        if (step.action == FoldStep::Action::PushName || step.action == FoldStep::Action::CombineName) {
            out.names_below = std::max<std::uint32_t>(out.names_below, step.name + 1);
        }
        // A literal or a name combined into a name's result that was just
        // started is one step: the same reads and the same rule, in the
        // same order.
        const bool combines_operand =
            step.action == FoldStep::Action::CombineNumber || step.action == FoldStep::Action::CombineName;
        if (combines_operand && !out.steps.empty() && out.steps.back().action == FoldStep::Action::PushName) {
            FoldStep& pushed = out.steps.back();
            if (step.action == FoldStep::Action::CombineNumber) {
                pushed.action = FoldStep::Action::PushNameWithNumber;
                pushed.then_number = step.number;
            } else {
                pushed.action = FoldStep::Action::PushNameWithName;
                pushed.then_name = step.name;
            }
            pushed.op = step.op;
            pushed.code = integer_step_code(pushed.action, pushed.op);
            continue;
        }
        out.steps.push_back(step);
    }
    return true;
}

// The integer a name step reads from its cell, or false when the name
// holds none.
[[gnu::always_inline]] inline bool named_integer(const Binding* cells, value::NameId name, std::int64_t& number)
{
    const value::ValueRef& bound = cells[name].ref;
    if (!bound || !bound->is(Type::Integer)) return false;
    number = bound->int_value();
    return true;
}

// The rule of a step's operator; `op` is None for an operator without a
// case of its own, which is never `+`, `-`, `*` or `/`: a comparison, `and`
// or `or`, read as a truth value at once.
template <OperatorKind op>
[[gnu::always_inline]] inline std::int64_t step_rule(OperatorKind step_op, std::int64_t left, std::int64_t right)
{
    if constexpr (op == OperatorKind::None) {
        bool holds = false;
        if (integer_pair_truth(step_op, left, right, holds)) return holds ? 1 : 0;
        return combine_integers(step_op, left, right);
    } else {
        return combine_integers(op, left, right);
    }
}

// One integer step: its operand read, then pushed as a new partial result
// or combined into the last one with `op` (None: the step's own operator,
// one without a case of its own); a paired step does both. False where the
// fold declines.
template <FoldStep::Action action, OperatorKind op>
[[gnu::always_inline]] inline bool integer_step(const Binding* cells, const FoldStep& step, std::int64_t*& end)
{
    using enum FoldStep::Action;
    std::int64_t right = 0;
    if constexpr (action == PushNameWithNumber || action == PushNameWithName) {
        std::int64_t left = 0;
        if (!named_integer(cells, step.name, left)) return false;
        if constexpr (action == PushNameWithNumber) {
            right = step.then_number;
        } else if (!named_integer(cells, step.then_name, right)) {
            return false;
        }
        *end++ = step_rule<op>(step.op, left, right);
        return true;
    } else if constexpr (action == PushName || action == CombineName) {
        if (!named_integer(cells, step.name, right)) return false;
    } else if constexpr (action == PushNumber || action == CombineNumber) {
        right = step.number;
    } else {
        right = *--end;  // CombineResults: the inside's result
    }
    if constexpr (action == PushName || action == PushNumber) {
        *end++ = right;
    } else {
        end[-1] = step_rule<op>(step.op, end[-1], right);
    }
    return true;
}

// The steps of a statement folded at `depth`, as fold_integers would fold
// it; false, having done nothing a program can see, where it would not.
// Each step is one case, chosen by its action and operator together.
bool fold_integer_steps(Interpreter& interp, const FoldSteps& steps, std::size_t depth, std::int64_t& result)
{
    using enum FoldStep::Action;
    using Op = OperatorKind;
    // A variable named like a literal or a parenthesised text wins over it.
    if (value::odd_names_interned() || depth + steps.depth > interp.nesting_room()) return false;
    // Every name the steps read has a cell, or one of them is unbound.
    const Binding* const cells = interp.bindings().cells_below(steps.names_below);
    if (cells == nullptr) return false;
    // The partial results: a parenthesised operand starts one more.
    std::int64_t results[max_step_depth + 1];
    std::int64_t* end = results;  // past the last partial result
    for (const FoldStep* next = steps.steps.data();; ++next) {
        const FoldStep& step = *next;
        bool went = false;
        switch (step.code) {
// One case per action and operator; a combining action has one for each
// operator with a case of its own and one for the rest.
#define ZIRN_STEP_CASE(action, op)                                                                                    \
    case integer_step_code(action, op): went = integer_step<action, op>(cells, step, end); break;
#define ZIRN_COMBINING_STEP_CASES(action)                                                                             \
    ZIRN_STEP_CASE(action, Op::Add)                                                                                   \
    ZIRN_STEP_CASE(action, Op::Subtract)                                                                              \
    ZIRN_STEP_CASE(action, Op::Multiply)                                                                              \
    ZIRN_STEP_CASE(action, Op::Divide)                                                                                \
    ZIRN_STEP_CASE(action, Op::None)
        ZIRN_STEP_CASE(PushName, Op::None)
        ZIRN_STEP_CASE(PushNumber, Op::None)
        ZIRN_COMBINING_STEP_CASES(CombineName)
        ZIRN_COMBINING_STEP_CASES(CombineNumber)
        ZIRN_COMBINING_STEP_CASES(CombineResults)
        ZIRN_COMBINING_STEP_CASES(PushNameWithNumber)
        ZIRN_COMBINING_STEP_CASES(PushNameWithName)
// Every other code a step can carry: a float literal, which the integer
// steps decline, and the pushes that no operator comes with. Listing them
// all (integer_step_code gives no other) spares the dispatch its range check.
static_assert(integer_step_code(Done, Op::None) == 49, "every step code is listed here");
        case integer_step_code(Done, Op::None):
            result = results[0];
            return true;
#define ZIRN_DECLINED_STEP_CASES(action)                                                                                  case integer_step_code(action, Op::Add):                                                                              case integer_step_code(action, Op::Subtract):                                                                         case integer_step_code(action, Op::Multiply):                                                                         case integer_step_code(action, Op::Divide):
        ZIRN_DECLINED_STEP_CASES(PushName)
        ZIRN_DECLINED_STEP_CASES(PushNumber)
        ZIRN_DECLINED_STEP_CASES(PushReal)
        case integer_step_code(PushReal, Op::None):
        ZIRN_DECLINED_STEP_CASES(CombineReal)
        case integer_step_code(CombineReal, Op::None):
        ZIRN_DECLINED_STEP_CASES(Done)
            break;
#undef ZIRN_DECLINED_STEP_CASES
#undef ZIRN_COMBINING_STEP_CASES
#undef ZIRN_STEP_CASE
        default: __builtin_unreachable();
        }
        if (!went) return false;
    }
}

// The number a name step reads from its cell, or false when the name
// holds none.
[[gnu::always_inline]] inline bool named_number(const Binding* cells, value::NameId name, FoldedNumber& number)
{
    return as_folded_number(cells[name].ref.get(), number);
}

// The steps folded as fold_numbers would fold the statement (NumberSteps).
[[gnu::noinline]] bool fold_number_steps(Interpreter& interp, const FoldSteps& steps, std::size_t depth, FoldedNumber& result)
{
    if (value::odd_names_interned() || depth + steps.depth > interp.nesting_room()) return false;
    // Every name the steps read has a cell, or one of them is unbound.
    const Binding* const cells = interp.bindings().cells_below(steps.names_below);
    if (cells == nullptr) return false;
    // The partial results, left unmade until a step writes one whole.
    union Slot {
        Slot() {}
        FoldedNumber number;
    };
    Slot slots[max_step_depth + 1];
    std::size_t count = 0;
    FoldedNumber right;
    for (const FoldStep* next = steps.steps.data();; ++next) {
        const FoldStep& step = *next;
        ZIRN_EVERY_CASE_BEGIN
        switch (step.action) {
        case FoldStep::Action::Done:
            result = slots[0].number;
            return true;
        case FoldStep::Action::PushName:
            if (!named_number(cells, step.name, slots[count].number)) return false;
            ++count;
            continue;
        case FoldStep::Action::PushNameWithNumber:
            if (!named_number(cells, step.name, slots[count].number)) return false;
            ++count;
            right = FoldedNumber{false, step.then_number, 0.0L};
            break;
        case FoldStep::Action::PushNameWithName:
            if (!named_number(cells, step.name, slots[count].number)) return false;
            ++count;
            if (!named_number(cells, step.then_name, right)) return false;
            break;
        case FoldStep::Action::PushNumber:
            slots[count++].number = FoldedNumber{false, step.number, 0.0L};
            continue;
        case FoldStep::Action::PushReal: slots[count++].number = folded_float(step.real); continue;
        case FoldStep::Action::CombineName:
            if (!named_number(cells, step.name, right)) return false;
            break;
        case FoldStep::Action::CombineNumber: right = FoldedNumber{false, step.number, 0.0L}; break;
        case FoldStep::Action::CombineReal: right = folded_float(step.real); break;
        case FoldStep::Action::CombineResults: right = slots[--count].number; break;
        ZIRN_NO_OTHER_CASE;
        }
        ZIRN_EVERY_CASE_END
        FoldedNumber& last = slots[count - 1].number;
        // Two floats under `+`, `-`, `*` or `/`: the float stays a float.
        if (long double real = 0.0L;
            last.is_float && right.is_float && real_arithmetic(step.op, last.real, right.real, real)) {
            last.real = real;
            continue;
        }
        if (!combine_numbers(step.op, last, right, last)) return false;
    }
}

// Quickening: the only places a statement's number fold kind changes.
// Past this many folds that met an operand that is no number, a statement
// is taken to work on other types and the numeric fold is not tried again.
constexpr std::uint8_t max_fold_declines = 8;

// A fold met a float: integers alone will not do for this statement, for
// good (Integers, IntegerPair and IntegerSteps fall back to Numbers).
[[gnu::noinline]] void note_fold_float(const Statement& statement)
{
    switch (statement.number_fold) {
    case NumberFoldKind::Integers:
    case NumberFoldKind::IntegerPair:
    case NumberFoldKind::IntegerSteps: statement.number_fold = NumberFoldKind::Numbers; return;
    default: return;
    }
}

// An Integers or Numbers fold went through, so every parenthesised
// operand's inside is split: the fold is laid out as steps (once) and
// becomes IntegerSteps or NumberSteps.
[[gnu::noinline]] void note_fold_went_through(const Statement& statement)
{
    if (!statement.fold_steps_tried) {
        statement.fold_steps_tried = true;
        auto steps = std::make_unique<FoldSteps>();
        if (add_fold_steps(statement, 0, *steps)) {
            FoldStep done;
            done.action = FoldStep::Action::Done;
            done.code = integer_step_code(done.action, OperatorKind::None);
            steps->steps.push_back(done);
            steps->steps.shrink_to_fit();
            statement.fold_steps = std::move(steps);
        }
    }
    if (statement.fold_steps == nullptr) return;
    statement.number_fold =
        statement.number_fold == NumberFoldKind::Integers ? NumberFoldKind::IntegerSteps : NumberFoldKind::NumberSteps;
}

// A fold met an operand that is no number.
[[gnu::noinline]] void note_fold_declined(const Statement& statement)
{
    if (++statement.fold_declines >= max_fold_declines) statement.number_fold = most_general_kind(statement.number_fold);
}

// The numeric fold of a statement, as its number fold kind says: integers
// first unless it has met a float before, then any numbers.
[[gnu::always_inline]] inline bool fold_statement(Interpreter& interp, const Statement& statement, std::size_t depth, FoldedNumber& result)
{
    // The commonest kind first, before the switch over the others.
    if (statement.number_fold == NumberFoldKind::IntegerSteps &&
        fold_integer_steps(interp, *statement.fold_steps, depth, result.integer)) {
        result.is_float = false;
        return true;
    }
    ZIRN_EVERY_CASE_BEGIN
    switch (statement.number_fold) {
    case NumberFoldKind::None: return false;
    case NumberFoldKind::IntegerSteps:
    case NumberFoldKind::Integers:
    case NumberFoldKind::IntegerPair:
        if (fold_integers(interp, statement, depth, result.integer)) {
            result.is_float = false;
            if (statement.number_fold == NumberFoldKind::Integers) [[unlikely]] note_fold_went_through(statement);
            return true;
        }
        if (fold_numbers(interp, statement, depth, result)) {
            // Only a float operand makes the integer fold decline where
            // this one goes through.
            note_fold_float(statement);
            return true;
        }
        break;
    case NumberFoldKind::NumberSteps:
        if (fold_number_steps(interp, *statement.fold_steps, depth, result)) return true;
        [[fallthrough]];
    case NumberFoldKind::Numbers:
        if (statement.plain_pair()) {
            if (fold_number_pair(interp, statement, result)) return true;
        } else if (fold_numbers(interp, statement, depth, result)) {
            if (statement.number_fold == NumberFoldKind::Numbers) [[unlikely]] note_fold_went_through(statement);
            return true;
        }
        break;
    ZIRN_NO_OTHER_CASE;
    }
    ZIRN_EVERY_CASE_END
    note_fold_declined(statement);
    return false;
}

// One operand of a numeric fold: false when it is no number.
bool number_operand(Interpreter& interp, const Token& token, std::size_t depth, FoldedNumber& number)
{
    FoldOperand source;
    if (!fold_operand(interp, token, depth, source)) return false;
    if (source.inside != nullptr) return fold_numbers(interp, *source.inside, depth + 1, number);
    return as_folded_number(source.value, number);
}

// The fold of a statement with a number fold kind, left to right, when every
// operand is a number; false, having changed nothing, otherwise.
bool fold_numbers(Interpreter& interp, const Statement& statement, std::size_t depth, FoldedNumber& result)
{
    const Token* const first = statement.tokens.data();
    const Token* const last_token = &statement.tokens.back();
    FoldedNumber folded;
    if (!number_operand(interp, *first, depth, folded)) return false;
    for (const Token* op = first + 1; op < last_token; op += 2) {
        FoldedNumber right;
        if (!number_operand(interp, op[1], depth, right)) return false;
        if (!combine_numbers(op->as_operator(), folded, right, folded)) return false;
    }
    result = folded;
    return true;
}

}  // namespace

namespace {

// fold_number_token for a token whose inside is not split yet or has a
// number fold kind that the ways below do not read.
[[gnu::noinline]] bool fold_number_token_generally(Interpreter& interp, const Token& expression, FoldedNumber& result)
{
    // The inside takes one nesting step, as evaluate_token would take.
    if (expression.text().size() < 2 || interp.nesting_room() < 1) return false;
    const Code& inside = expression.inside();
    if (inside.statements.size() != 1) return false;
    const Statement& statement = inside.statements.front();
    if (statement.number_fold == NumberFoldKind::None) return false;
    check_stack_depth();
    // `(a op b)` on two names or literals holding integers, read here.
    if (statement.number_fold == NumberFoldKind::IntegerPair && fold_integer_pair(interp, statement, result.integer)) {
        result.is_float = false;
        return true;
    }
    return fold_statement(interp, statement, 1, result);
}

}  // namespace

bool fold_number_token(Interpreter& interp, const Token& expression, FoldedNumber& result)
{
    // The folds almost every token has by now go straight to their way;
    // one that declines takes the general way, which tries it again
    // (nothing a program can see happened) and goes on from there.
    if (expression.inside_split() && expression.inside().statements.size() == 1) {
        const Statement& statement = expression.inside().statements.front();
        ZIRN_EVERY_CASE_BEGIN
        switch (statement.number_fold) {
        case NumberFoldKind::None: return false;
        case NumberFoldKind::IntegerSteps:
            check_stack_depth();
            result.is_float = false;
            if (fold_integer_steps(interp, *statement.fold_steps, 1, result.integer)) return true;
            break;
        case NumberFoldKind::NumberSteps:
            check_stack_depth();
            if (fold_number_steps(interp, *statement.fold_steps, 1, result)) return true;
            break;
        case NumberFoldKind::IntegerPair:
            if (interp.nesting_room() < 1) return false;
            check_stack_depth();
            result.is_float = false;
            if (fold_integer_pair(interp, statement, result.integer)) return true;
            break;
        case NumberFoldKind::Numbers:
            if (!statement.plain_pair() || interp.nesting_room() < 1) break;
            check_stack_depth();
            if (fold_number_pair(interp, statement, result)) return true;
            break;
        case NumberFoldKind::Integers: break;
        ZIRN_NO_OTHER_CASE;
        }
        ZIRN_EVERY_CASE_END
    }
    return fold_number_token_generally(interp, expression, result);
}

Value evaluate_expression(Interpreter& interp, const Statement& statement, Blocks blocks)
{
    // Numbers all through: no Value until the result.
    if (statement.number_fold != NumberFoldKind::None) {
        check_stack_depth();
        // `(a op b)` on two integers first, as fold_number_token reads it.
        if (std::int64_t integer = 0;
            statement.number_fold == NumberFoldKind::IntegerPair && fold_integer_pair(interp, statement, integer)) {
            return Value::integer(integer);
        }
        FoldedNumber folded;
        if (fold_statement(interp, statement, 0, folded)) return folded.as_value();
    }

    // The fold runs in cycles: an operand (combined with the operator pending
    // from the last cycle), then an operator pair, then the next pending
    // operator. `(a - b - c)` is `(a - b) - c`.
    Value result = Value::integer(0);
    const std::vector<Token>& tokens = statement.tokens;
    // The shapes almost every expression has, `x` and `(a + b)`, give the
    // same result as the general fold below, more directly.
    ZIRN_EVERY_CASE_BEGIN
    switch (statement.value_fold) {
    case ValueFoldKind::Lone: return evaluate_operand(interp, tokens[0], blocks);
    case ValueFoldKind::Pair:
        // Names and literals are read in place: neither can change the other.
        if (const Value* left = plain_operand(interp, tokens[0])) {
            if (const Value* right = plain_operand(interp, tokens[2])) {
                return apply_operator(tokens[1].as_operator(), *left, *right);
            }
        }
        [[fallthrough]];
    case ValueFoldKind::Triple: {
        const Value left = evaluate_operand(interp, tokens[0], blocks);
        const Value right = evaluate_operand(interp, tokens[2], blocks);
        return apply_operator(tokens[1].as_operator(), left, right);
    }
    case ValueFoldKind::Operands: break;
    ZIRN_NO_OTHER_CASE;
    }
    ZIRN_EVERY_CASE_END
    OperatorKind pending = OperatorKind::None;  // None: the fold starts afresh
    bool first_cycle = true;
    std::size_t pos = 0;
    const std::size_t count = tokens.size();
    while (pos < count) {
        // 1. A leading `not` marks the cycle as negated.
        const bool negated = tokens[pos].is_not();
        if (negated && ++pos == count) throw Error(ErrorKind::MissingOperand, "'not' needs an operand after it");
        // 2. The operand. A `not` that starts a later cycle negates just this
        //    operand: `(a == 1 and not b)` is `((a == 1) and (not b))`.
        Value current = evaluate_operand(interp, tokens[pos++], blocks);
        if (negated && !first_cycle) current = truth(value::to_integer(current) == 0);
        // 3. The operator pending from the last cycle combines the two.
        if (pending != OperatorKind::None) current = apply_operator(pending, result, current);
        // 4. Nothing after it: this is the result.
        if (pos == count) {
            result = std::move(current);
            if (negated && first_cycle) negate_lone_operand(result);
            break;
        }
        // 5. An operator pair.
        const Token& op = tokens[pos++];
        if (pos == count) {
            throw Error(ErrorKind::MissingOperand, "operator " + quote_text(op.text()) + " needs a right operand");
        }
        const Value right = evaluate_operand(interp, tokens[pos++], blocks);
        result = apply_operator(op.as_operator(), current, right);
        if (negated && first_cycle) result = negate_pair_result(result);
        first_cycle = false;
        // 6. The next operator waits for the next cycle; an operator with
        //    nothing after it is ignored.
        pending = pos < count ? tokens[pos++].as_operator() : OperatorKind::None;
    }
    return result;
}

bool operator_pair_holds(Interpreter& interp, const Statement& pair)
{
    // Both operands left to right, as the Triple way of evaluate_expression.
    const Value left = evaluate_operand(interp, pair.tokens[0], Blocks::Run);
    const Value right = evaluate_operand(interp, pair.tokens[2], Blocks::Run);
    const OperatorKind op = pair.tokens[1].as_operator();
    bool holds = false;
    if (left.is(Type::Integer) && right.is(Type::Integer) &&
        integer_pair_truth(op, left.int_value(), right.int_value(), holds)) {
        return holds;
    }
    return operator_truth(op, left, right);
}

namespace {

// operator_truth for any pair but two texts.
[[gnu::noinline]] bool operator_truth_of_others(OperatorKind op, const Value& left, const Value& right)
{
    // Floats are ordered without making the comparison's Value.
    if (bool holds = false; (left.is(Type::Float) || right.is(Type::Float)) && number_pair_ordering(op, left, right, holds)) {
        return holds;
    }
    return condition_truth(apply_operator(op, left, right));
}

}  // namespace

namespace {

// Two texts are equal exactly when their bytes are; the first byte is
// compared in place, since conditions on texts mostly test single bytes
// (`element == " "`).
bool same_bytes(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    return a[0] == b[0] && (a.size() == 1 || std::memcmp(a.data() + 1, b.data() + 1, a.size() - 1) == 0);
}

}  // namespace

bool operator_truth(OperatorKind op, const Value& left, const Value& right)
{
    if ((op == OperatorKind::Equal || op == OperatorKind::NotEqual) && left.is(Type::String) && right.is(Type::String)) {
        return same_bytes(left.text(), right.text()) == (op == OperatorKind::Equal);
    }
    return operator_truth_of_others(op, left, right);
}

}  // namespace zirn::exec
