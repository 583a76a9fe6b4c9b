// A measuring model, not part of zirn: what one call of
//
//     fibl = { compare (arg0 < 2) { end arg0 } end ($fibl$((arg0 - 1)) + $fibl$((arg0 - 2))) }
//
// costs when its body is a tree of nodes made once, walked by a few small
// functions, over the interpreter's own state: the function read from its
// name's cell, each argument a pooled Value bound into a cell with an undo
// record, one nesting step per parenthesised level, call and block, one
// call-depth step, each statement's position kept and an interrupt check per
// statement, integers folded without Values, and the call's value a Value.
// Nothing else is modelled: no fallbacks, no errors, no warnings.
//
// `bench/model/run` builds it against a build's core library and prints the
// instructions per call (callgrind, fib(20) minus fib(15)). Defines leave a
// mechanism out, to see what it costs:
//   NO_POSITIONS  no statement position and no interrupt check
//   NO_NESTING    no nesting, call-depth or stack steps
//   ARG_SLOTS     an argument's Value reused per depth instead of allocated
// and one puts one in:
//   LEAVES_IN_PLACE  names and literals read by the node that uses them
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

using model::Body;
using model::Kind;
using model::Node;
using model::outside_the_model;

const Body* function_body;  // what the parse kept on the function's text would hold

Value evaluate(Interpreter& interp, const Node& node);
bool run_body(Interpreter& interp, const Body& body, Value& result);

bool evaluate_integer(Interpreter& interp, const Node& node, std::int64_t& out);

// An operand's integer: with LEAVES_IN_PLACE a name or literal is read here,
// in the node that uses it, instead of through a call of its own.
[[gnu::always_inline]] inline bool operand_integer(Interpreter& interp, const Node& node, std::int64_t& out)
{
#ifdef LEAVES_IN_PLACE
    if (node.kind == Kind::Name) {
        const value::ValueRef* ref = interp.bindings().find(node.name);
        if (ref == nullptr || !(*ref)->is(value::Type::Integer)) return false;
        out = (*ref)->int_value();
        return true;
    }
    if (node.kind == Kind::Integer && !value::odd_names_interned()) {
        out = node.number;
        return true;
    }
#endif
    return evaluate_integer(interp, node, out);
}

// An integer without a Value, where the node gives one.
bool evaluate_integer(Interpreter& interp, const Node& node, std::int64_t& out)
{
    switch (node.kind) {
    case Kind::Name: {
        const value::ValueRef* ref = interp.bindings().find(node.name);
        if (ref == nullptr || !(*ref)->is(value::Type::Integer)) return false;
        out = (*ref)->int_value();
        return true;
    }
    case Kind::Integer:
        if (value::odd_names_interned()) return false;
        out = node.number;
        return true;
    case Kind::Parenthesised: {
#ifndef NO_NESTING
        if (interp.nesting_room() == 0) return false;
#endif
        std::int64_t left = 0;
        std::int64_t right = 0;
        if (!operand_integer(interp, *node.left, left) || !operand_integer(interp, *node.right, right)) return false;
        if (integer_arithmetic(node.op, left, right, out)) return true;
        bool truth = false;
        if (!integer_pair_truth(node.op, left, right, truth)) return false;
        out = truth;
        return true;
    }
    default: return false;
    }
}

Value call(Interpreter& interp, const Node& node)
{
    const value::ValueRef* function = interp.bindings().find(node.name);
    if (function == nullptr || !(*function)->is(value::Type::Func)) outside_the_model();
    const value::Ref<value::Payload> keep = (*function)->payload_ref();
#ifndef NO_NESTING
    const NestingScope nesting(interp);
#endif
    value::ValueRef argument;
#ifdef ARG_SLOTS
    static value::ValueRef slots[1 << 16];
    value::ValueRef& slot = slots[interp.nesting_room() % (1 << 16)];
    std::int64_t number = 0;
    if (slot && slot->use_count() == 1 && evaluate_integer(interp, *node.argument, number)) {
        slot->become_integer(number);
    } else {
        slot = value::ValueRef(new Value(evaluate(interp, *node.argument)));
    }
    argument = slot;
#else
    argument = value::ValueRef(new Value(evaluate(interp, *node.argument)));
#endif
    if (interp.warning_mode() != WarningMode::Off && function_body == nullptr) outside_the_model();
#ifndef NO_NESTING
    const CallDepthScope depth(interp);
#endif
    Bindings& bindings = interp.bindings();
    const UndoScope scope(bindings);
    bindings.bind_undoably(value::argument_name(0), std::move(argument));
    Value result = Value::integer(0);
    run_body(interp, *function_body, result);
    return result;
}

Value evaluate(Interpreter& interp, const Node& node)
{
    if (std::int64_t number = 0; node.kind == Kind::Parenthesised && node.left->kind != Kind::Call &&
                                 evaluate_integer(interp, node, number)) {
        return Value::integer(number);
    }
    switch (node.kind) {
    case Kind::Name: {
        const value::ValueRef* ref = interp.bindings().find(node.name);
        if (ref == nullptr) outside_the_model();
        return **ref;
    }
    case Kind::Parenthesised: {
#ifndef NO_NESTING
        const NestingScope nesting(interp);
#endif
        const Value left = evaluate(interp, *node.left);
        const Value right = evaluate(interp, *node.right);
        std::int64_t sum = 0;
        if (!left.is(value::Type::Integer) || !right.is(value::Type::Integer) ||
            !integer_arithmetic(node.op, left.int_value(), right.int_value(), sum)) {
            outside_the_model();
        }
        return Value::integer(sum);
    }
    case Kind::Call: return call(interp, node);
    default: outside_the_model();
    }
}

bool run_body(Interpreter& interp, const Body& body, Value& result)
{
#ifndef NO_POSITIONS
    RunPosition position;
    position.outer = interp.innermost_position();
    interp.set_innermost_position(&position);
#endif
    bool ended = false;
    for (int i = 0; i < body.count && !ended; ++i) {
        const Node& statement = *body.statements[i];
#ifndef NO_POSITIONS
        position.statement = nullptr;  // the statement's place, as a run keeps it
        interp.check_interrupt(true);
#endif
        switch (statement.kind) {
        case Kind::Compare: {
            std::int64_t truth = 0;
            if (!evaluate_integer(interp, *statement.left, truth)) outside_the_model();
            if (truth != 0) {
#ifndef NO_NESTING
                const NestingScope nesting(interp);
#endif
                ended = run_body(interp, *statement.block, result);
            }
            break;
        }
        case Kind::End:
            result = evaluate(interp, *statement.left);
            ended = true;
            break;
        default: outside_the_model();
        }
    }
#ifndef NO_POSITIONS
    interp.set_innermost_position(position.outer);
#endif
    return ended;
}

}  // namespace

int main(int argc, char** argv)
{
    model::ModelInterpreter model;
    Interpreter& interp = model.interp;
    const NameId fibl = value::intern_name("fibl");
    const NameId arg0 = value::argument_name(0);
    const model::FibTree tree(fibl, arg0);
    function_body = &tree.body();
    interp.bindings().bind_for_good(fibl, value::make_ref(Value::func("{ the body above }")));
    interp.bindings().bind_for_good(arg0, value::make_ref(Value::integer(argc > 1 ? std::atoi(argv[1]) : 20)));
    std::printf("%lld\n", static_cast<long long>(evaluate(interp, tree.top_call()).int_value()));
}
