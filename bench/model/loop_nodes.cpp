// A measuring model, not part of zirn: what one round of
//
//     until (i < n) { s += i
//         i += 1 }
//
// costs when the loop and its body are nodes made once, over the
// interpreter's own state: the condition's names read from their cells as
// the enclosing run sees them (a name the loop created is not seen), a round
// with its own tag and undo mark, each statement's place and an interrupt
// check, a nesting step for the condition's parentheses, and `+=` on the
// Values the cells hold, in place. Nothing else is modelled.
//
// `bench/model/run` builds it and prints the instructions per round
// (callgrind, 300,000 rounds minus 100,000).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "builtins/registry.h"
#include "exec/bindings.h"
#include "exec/interpreter.h"
#include "exec/operators.h"
#include "exec/warnings.h"
#include "host/console.h"
#include "model.h"

using namespace zirn;
using namespace zirn::exec;
using value::NameId;
using value::Value;

namespace {

enum class Kind : std::uint8_t { Name, Integer, AddInPlace };
struct Node {
    Kind kind;
    NameId name = 0;          // a name, or the target of `+=`
    std::int64_t number = 0;  // a literal
    const Node* right = nullptr;
};

using model::outside_the_model;

// The Value a name or literal operand reads; `literal` holds a literal's.
[[gnu::always_inline]] inline const Value& operand(Interpreter& interp, const Node& node, Value& literal)
{
    if (node.kind == Kind::Name) {
        const value::ValueRef* ref = interp.bindings().find(node.name);
        if (ref == nullptr) outside_the_model();
        return **ref;
    }
    if (value::odd_names_interned()) outside_the_model();
    literal.become_integer(node.number);
    return literal;
}

// A name of the condition as the enclosing run sees it: not one the loop
// created (its tag is the loop's or newer).
[[gnu::always_inline]] inline std::int64_t condition_operand(Interpreter& interp, NameId name, std::uint64_t first_tag)
{
    const Binding* cell = interp.bindings().bound_cell(name);
    if (cell == nullptr || cell->tag >= first_tag || !cell->ref->is(value::Type::Integer)) outside_the_model();
    return cell->ref->int_value();
}

void run_round(Interpreter& interp, const Node* const* statements, int count, RunPosition& position)
{
    for (int i = 0; i < count; ++i) {
        const Node& statement = *statements[i];
        position.statement = nullptr;
        interp.check_interrupt(true);
        const value::ValueRef* target = interp.bindings().find(statement.name);
        if (target == nullptr) outside_the_model();
        Value literal;
        const Value& right = operand(interp, *statement.right, literal);
        if (right.is(value::Type::Integer) && (*target)->is(value::Type::Integer)) {
            (*target)->become_integer(static_cast<std::int64_t>(static_cast<std::uint64_t>((*target)->int_value()) +
                                                                static_cast<std::uint64_t>(right.int_value())));
        } else {
            outside_the_model();
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    model::ModelInterpreter model;
    Interpreter& interp = model.interp;
    Bindings& bindings = interp.bindings();
    const NameId i = value::intern_name("i");
    const NameId n = value::intern_name("n");
    const NameId s = value::intern_name("s");
    bindings.bind_for_good(i, value::make_ref(Value::integer(0)));
    bindings.bind_for_good(s, value::make_ref(Value::integer(0)));
    bindings.bind_for_good(n, value::make_ref(Value::integer(argc > 1 ? std::atoll(argv[1]) : 100000)));
    const Node name_i{Kind::Name, i};
    const Node one{Kind::Integer, 0, 1};
    const Node add_i{Kind::AddInPlace, s, 0, &name_i};
    const Node add_one{Kind::AddInPlace, i, 0, &one};
    const Node* const body[] = {&add_i, &add_one};

    RunPosition position;
    position.outer = interp.innermost_position();
    interp.set_innermost_position(&position);
    const NestingScope loop_nesting(interp);
    const UndoScope loop_scope(bindings);
    const std::uint64_t first_tag = bindings.new_tag();
    while (true) {
        position.statement = nullptr;
        bool holds = false;
        {
            if (interp.nesting_room() == 0) outside_the_model();
            const std::int64_t left = condition_operand(interp, i, first_tag);
            const std::int64_t right = condition_operand(interp, n, first_tag);
            if (!integer_pair_truth(OperatorKind::Less, left, right, holds)) outside_the_model();
        }
        if (!holds) break;
        interp.check_interrupt(true);
        [[maybe_unused]] const std::uint64_t round_tag = bindings.new_tag();
        const UndoScope round(bindings);
        run_round(interp, body, 2, position);
    }
    interp.set_innermost_position(position.outer);
    std::printf("%lld\n", static_cast<long long>((*bindings.find(s))->int_value()));
}
