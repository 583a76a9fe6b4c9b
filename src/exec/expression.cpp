#include "exec/expression.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "base/error.h"
#include "base/limits.h"
#include "base/stack_guard.h"
#include "exec/warnings.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Type;
using value::Value;

namespace {

// Integer arithmetic wraps around in two's complement. Going through the
// unsigned type makes the wrap-around defined.
std::int64_t wrap(std::uint64_t bits) { return static_cast<std::int64_t>(bits); }
std::uint64_t bits(std::int64_t number) { return static_cast<std::uint64_t>(number); }

bool either_float(const Value& left, const Value& right) { return left.is(Type::Float) || right.is(Type::Float); }

Value truth(bool condition) { return Value::integer(condition ? 1 : 0); }

// A leading `not` on a lone operand flips its integer payload between 0 and
// 1 and keeps everything else, the type included.
void negate_lone_operand(Value& v) { v.set_int(v.int_value() == 0 ? 1 : 0); }

// A leading `not` on an operator pair gives 1 for a result of zero or
// below, 0 for a positive one.
Value negate_pair_result(const Value& v) { return truth(v.int_value() <= 0); }

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
    const long double l = number_as_float(left);
    const long double r = number_as_float(right);
    switch (op) {
    case OperatorKind::Greater: return truth(l > r);
    case OperatorKind::GreaterEqual: return truth(l >= r);
    case OperatorKind::Less: return truth(l < r);
    default: return truth(l <= r);
    }
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
    if (either_float(left, right)) return Value::floating(value::to_float(left) + value::to_float(right));
    const std::int64_t l = value::to_integer(left);
    return Value::integer(wrap(bits(l) + bits(value::to_integer(right))));
}

Value subtract_values(const Value& left, const Value& right)
{
    if (either_float(left, right)) return Value::floating(value::to_float(left) - value::to_float(right));
    const std::int64_t l = value::to_integer(left);
    return Value::integer(wrap(bits(l) - bits(value::to_integer(right))));
}

Value multiply_values(const Value& left, const Value& right)
{
    if (left.is(Type::String) && right.is(Type::Integer)) {
        // The count is the low 32 bits of the integer, read as signed.
        const auto count = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits(right.int_value())));
        return Value::string(value::repeat_text(left.text(), count));
    }
    if (either_float(left, right)) return Value::floating(value::to_float(left) * value::to_float(right));
    const std::int64_t l = value::to_integer(left);
    return Value::integer(wrap(bits(l) * bits(value::to_integer(right))));
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
    warn(WarningRule::InexactComparison, [&] {
        return std::to_string(left) + " " + std::string(operator_text(op)) + " " + std::to_string(right) +
               " compares the integers in single precision, where these two are the same number; "
               "compare their difference with 0 instead, as in ((a - b) == 0)";
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
    return false;
}

Value apply_operator(std::string_view op, const Value& left, const Value& right)
{
    return apply_operator(operator_from_text(op), left, right);
}

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
    switch (op) {
    case OperatorKind::Add: result = folded_float(l + r); return true;
    case OperatorKind::Subtract: result = folded_float(l - r); return true;
    case OperatorKind::Multiply: result = folded_float(l * r); return true;
    case OperatorKind::Divide: result = folded_float(divide_reals(l, r)); return true;
    case OperatorKind::Greater: result = folded_truth(l > r); return true;
    case OperatorKind::GreaterEqual: result = folded_truth(l >= r); return true;
    case OperatorKind::Less: result = folded_truth(l < r); return true;
    case OperatorKind::LessEqual: result = folded_truth(l <= r); return true;
    case OperatorKind::Equal: result = folded_truth(l == r); return true;
    case OperatorKind::NotEqual: result = folded_truth(!(r == l)); return true;
    default: return false;
    }
}

// The fold of a number_candidate statement, worked out the first time it
// is folded: its operands and operators in the order a left-to-right fold
// meets them, nested parentheses laid out in place (postfix). A fold then
// runs down the steps with a small stack of numbers instead of recursing
// into every parenthesised operand, and reads names and literals as any
// other operand is read (bound_or_literal).
struct FoldStep {
    enum class Kind : std::uint8_t {
        Read,     // push the Value of `token`, a name or a literal
        Open,     // a parenthesised `token`: a variable of its text is
                  // pushed and the steps up to `after` are skipped;
                  // otherwise its inside follows, one nesting step deeper
        Combine,  // replace the top two numbers by `op` of them
    };
    Kind kind;
    OperatorKind op = OperatorKind::None;
    // Open: false when the inside cannot be folded (it is no single
    // number_candidate statement, or the token has no inside).
    bool foldable = true;
    const Token* token = nullptr;
    // Open: nesting steps from the folded statement to the inside.
    std::uint32_t level = 0;
    std::uint32_t after = 0;
};

struct FoldProgram {
    std::vector<FoldStep> steps;
    std::size_t stack_size = 0;  // numbers on the stack at most
};

void add_fold_operand(const Token& token, std::uint32_t level, FoldProgram& program);

void add_fold_steps(const Statement& statement, std::uint32_t level, FoldProgram& program)
{
    const std::vector<Token>& tokens = statement.tokens;
    add_fold_operand(tokens[0], level, program);
    for (std::size_t i = 1; i + 1 < tokens.size(); i += 2) {
        add_fold_operand(tokens[i + 1], level, program);
        FoldStep combine{FoldStep::Kind::Combine};
        combine.op = tokens[i].as_operator();
        program.steps.push_back(combine);
    }
}

// The inside of a parenthesised operand as a fold reaches it, or null
// when no fold takes it. An inside that cannot be split is left to the
// general evaluation, which raises its error where it is read.
const Statement* foldable_inside(const Token& token)
{
    if (token.text().size() < 2) return nullptr;
    try {
        const Code& inside = token.inside();
        if (inside.statements.size() != 1 || !inside.statements.front().number_candidate) return nullptr;
        return &inside.statements.front();
    } catch (const Error&) {
        return nullptr;
    }
}

void add_fold_operand(const Token& token, std::uint32_t level, FoldProgram& program)
{
    if (token.kind() != OperandKind::Parenthesised) {
        FoldStep read{FoldStep::Kind::Read};
        read.token = &token;
        program.steps.push_back(read);
        return;
    }
    const std::size_t open = program.steps.size();
    FoldStep step{FoldStep::Kind::Open};
    step.token = &token;
    step.level = level + 1;
    const Statement* inside = foldable_inside(token);
    step.foldable = inside != nullptr;
    program.steps.push_back(step);
    if (inside != nullptr) add_fold_steps(*inside, level + 1, program);
    program.steps[open].after = static_cast<std::uint32_t>(program.steps.size());
}

std::shared_ptr<const FoldProgram> make_fold_program(const Statement& statement)
{
    auto program = std::make_shared<FoldProgram>();
    add_fold_steps(statement, 0, *program);
    // Every path through the steps pushes no more than the one that
    // enters every inside (an operand without a foldable inside pushes
    // only when a variable of its text is bound).
    std::size_t height = 0;
    for (const FoldStep& step : program->steps) {
        const bool pushes = step.kind == FoldStep::Kind::Read || (step.kind == FoldStep::Kind::Open && !step.foldable);
        if (pushes) program->stack_size = std::max(program->stack_size, ++height);
        if (step.kind == FoldStep::Kind::Combine) --height;
    }
    program->stack_size = std::max<std::size_t>(program->stack_size, 1);
    return program;
}

const FoldProgram& fold_program_of(const Statement& statement)
{
    if (!statement.fold_program) statement.fold_program = make_fold_program(statement);
    return *static_cast<const FoldProgram*>(statement.fold_program.get());
}

// A number on the fold's stack.
inline bool take_integer(const Value* operand, std::int64_t& number)
{
    if (operand == nullptr || !operand->is(Type::Integer)) return false;
    number = operand->int_value();
    return true;
}

inline bool take_number(const Value* operand, FoldedNumber& number)
{
    if (operand == nullptr) return false;
    if (operand->is(Type::Integer)) {
        number = FoldedNumber{false, operand->int_value(), 0.0L};
        return true;
    }
    if (operand->is(Type::Float)) {
        number = folded_float(operand->float_value());
        return true;
    }
    return false;
}

inline bool combine_into(OperatorKind op, std::int64_t& left, std::int64_t right)
{
    left = combine_integers(op, left, right);
    return true;
}

inline bool combine_into(OperatorKind op, FoldedNumber& left, const FoldedNumber& right)
{
    return combine_numbers(op, left, right, left);
}

// Runs the steps with numbers of type `Number`: false, having done nothing
// a program can see but the warnings of the operators it applied, as soon
// as an operand is no such number (or a nested inside is past the
// nesting budget or cannot be folded).
template <class Number, bool (*take)(const Value*, Number&)>
bool run_fold(Interpreter& interp, const FoldProgram& program, std::size_t depth, Number& result)
{
    // Storage for the stack, left uninitialised: every number is written
    // before it is read (both kinds of number are implicit-lifetime types).
    constexpr std::size_t inline_size = 8;
    alignas(Number) std::byte inline_stack[inline_size * sizeof(Number)];
    std::vector<Number> big_stack;
    Number* stack = reinterpret_cast<Number*>(inline_stack);
    if (program.stack_size > inline_size) {
        big_stack.resize(program.stack_size);
        stack = big_stack.data();
    }
    const std::size_t room = interp.nesting_room();
    const Bindings& bindings = interp.bindings();
    std::size_t top = 0;
    const FoldStep* const steps = program.steps.data();
    const std::size_t count = program.steps.size();
    for (std::size_t i = 0; i < count;) {
        const FoldStep& step = steps[i];
        switch (step.kind) {
        case FoldStep::Kind::Read:
            if (!take(bound_or_literal(interp, *step.token), stack[top])) return false;
            ++top;
            ++i;
            break;
        case FoldStep::Kind::Open:
            // A variable of exactly this text wins, as for any operand.
            if (const value::ValueRef* bound = bindings.find(step.token->name())) {
                if (!take(bound->get(), stack[top])) return false;
                ++top;
                i = step.after;
                break;
            }
            // As evaluate_token would: one more nesting step for the inside.
            if (!step.foldable || depth + step.level > room) return false;
            ++i;
            break;
        case FoldStep::Kind::Combine:
            --top;
            if (!combine_into(step.op, stack[top - 1], stack[top])) return false;
            ++i;
            break;
        }
    }
    result = stack[0];
    return true;
}

// Integers first unless this statement has given a float before, then any
// numbers.
bool fold_statement(Interpreter& interp, const Statement& statement, std::size_t depth, FoldedNumber& result)
{
    const FoldProgram& program = fold_program_of(statement);
    if (!statement.floats_seen && run_fold<std::int64_t, take_integer>(interp, program, depth, result.integer)) {
        result.is_float = false;
        return true;
    }
    if (run_fold<FoldedNumber, take_number>(interp, program, depth, result)) {
        // Only a float operand makes the integer fold decline where this
        // one goes through.
        statement.floats_seen = true;
        return true;
    }
    ++statement.number_misses;
    return false;
}

}  // namespace

bool fold_number_statement(Interpreter& interp, const Statement& statement, FoldedNumber& result)
{
    return fold_statement(interp, statement, 1, result);
}

Value evaluate_expression(Interpreter& interp, const Statement& statement, Blocks blocks)
{
    // Numbers all through: no Value until the result.
    if (statement.number_candidate && statement.tokens.size() > 1 && statement.number_misses < max_number_misses) {
        check_stack_depth();
        FoldedNumber folded;
        if (fold_statement(interp, statement, 0, folded)) return folded.as_value();
    }

    // The fold runs in cycles: an operand (combined with the operator pending
    // from the last cycle), then an operator pair, then the next pending
    // operator. `(a - b - c)` is `(a - b) - c`.
    Value result = Value::integer(0);
    const std::vector<Token>& tokens = statement.tokens;
    // The two shapes almost every expression has, `x` and `(a + b)`, give the
    // same result as the fold below, more directly.
    if (tokens.size() == 1 && !tokens[0].is_not()) return evaluate_operand(interp, tokens[0], blocks);
    if (specialised_ways && tokens.size() == 3 && !tokens[0].is_not()) {
        // Names and literals are read in place: neither can change the other.
        if (const Value* left = plain_operand(interp, tokens[0])) {
            if (const Value* right = plain_operand(interp, tokens[2])) {
                return apply_operator(tokens[1].as_operator(), *left, *right);
            }
        }
        const Value left = evaluate_operand(interp, tokens[0], blocks);
        const Value right = evaluate_operand(interp, tokens[2], blocks);
        return apply_operator(tokens[1].as_operator(), left, right);
    }
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

}  // namespace zirn::exec
