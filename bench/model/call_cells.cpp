// A measuring model, not part of zirn: the call of call_nodes.cpp with the
// way values are held changed, to see what a new value model would buy.
//
//     fibl = { compare (arg0 < 2) { end arg0 } end ($fibl$((arg0 - 1)) + $fibl$((arg0 - 2))) }
//
// As there, the body is a tree of nodes walked by small recursive functions,
// with one nesting step per parenthesised level, call and block, one
// call-depth step, and each statement's place and an interrupt check kept
// through the interpreter's own state. What changes: a cell holds an integer
// itself instead of a counted heap Value (a cell is a number and a kind, or
// a reference for every other value), so binding an argument writes the
// number and an undo record keeps the old cell; and a node's value is an
// integer or, for anything else, a reference, so a call returns its integer
// without a Value. Shallow binding with undo records stays exactly as it is:
// the callee sees and changes its caller's names.
//
// `bench/model/run` builds it beside call_nodes.cpp and prints both.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "builtins/registry.h"
#include "exec/interpreter.h"
#include "exec/operators.h"
#include "exec/warnings.h"
#include "host/console.h"
#include "model.h"

using namespace zirn;
using namespace zirn::exec;

namespace {

using model::Body;
using model::Kind;
using model::Node;
using model::outside_the_model;

// A cell: unbound, an integer held in place, or a reference to a Value.
struct Cell {
    enum class Kind : std::uint8_t { Unbound, Integer, Reference };
    Kind kind = Kind::Unbound;
    std::int64_t number = 0;
    value::Value* reference = nullptr;
};

class Cells {
public:
    explicit Cells(std::size_t count) : m_cells(count) {}
    const Cell* find(std::uint32_t name) const
    {
        if (name >= m_cells.size()) return nullptr;
        const Cell& cell = m_cells[name];
        return cell.kind == Cell::Kind::Unbound ? nullptr : &cell;
    }
    void bind_integer_undoably(std::uint32_t name, std::int64_t number)
    {
        Cell& cell = m_cells[name];
        m_undo.push_back({name, cell});
        cell = Cell{Cell::Kind::Integer, number, nullptr};
    }
    void bind_for_good(std::uint32_t name, Cell cell) { m_cells[name] = cell; }
    std::size_t mark() const { return m_undo.size(); }
    void undo_to(std::size_t mark)
    {
        while (m_undo.size() > mark) {
            const Undo& last = m_undo.back();
            m_cells[last.name] = last.old;
            m_undo.pop_back();
        }
    }

private:
    struct Undo {
        std::uint32_t name;
        Cell old;
    };
    std::vector<Cell> m_cells;
    std::vector<Undo> m_undo;
};

class UndoMark {
public:
    explicit UndoMark(Cells& cells) : m_cells(cells), m_mark(cells.mark()) {}
    ~UndoMark() { m_cells.undo_to(m_mark); }
    UndoMark(const UndoMark&) = delete;
    UndoMark& operator=(const UndoMark&) = delete;

private:
    Cells& m_cells;
    std::size_t m_mark;
};

Cells* cells;
const Body* function_body;
std::uint32_t function_name;

bool run_body(Interpreter& interp, const Body& body, std::int64_t& result);

std::int64_t evaluate(Interpreter& interp, const Node& node);

// A name or a literal read in place; anything else evaluated. Reading the
// leaves here keeps the recursion to the nodes that need a frame.
[[gnu::always_inline]] inline std::int64_t operand(Interpreter& interp, const Node& node)
{
    if (node.kind == Kind::Name) {
        const Cell* cell = cells->find(node.name);
        if (cell == nullptr || cell->kind != Cell::Kind::Integer) outside_the_model();
        return cell->number;
    }
    if (node.kind == Kind::Integer && !value::odd_names_interned()) return node.number;
    return evaluate(interp, node);
}

// A node's value when it is an integer (every value this model meets).
std::int64_t evaluate(Interpreter& interp, const Node& node)
{
    switch (node.kind) {
    case Kind::Name: {
        const Cell* cell = cells->find(node.name);
        if (cell == nullptr || cell->kind != Cell::Kind::Integer) outside_the_model();
        return cell->number;
    }
    case Kind::Integer:
        if (value::odd_names_interned()) outside_the_model();
        return node.number;
    case Kind::Parenthesised: {
        const NestingScope nesting(interp);
        const std::int64_t left = operand(interp, *node.left);
        const std::int64_t right = operand(interp, *node.right);
        std::int64_t out = 0;
        if (integer_arithmetic(node.op, left, right, out)) return out;
        bool truth = false;
        if (!integer_pair_truth(node.op, left, right, truth)) outside_the_model();
        return truth;
    }
    case Kind::Call: {
        const Cell* function = cells->find(node.name);
        if (function == nullptr || function->kind != Cell::Kind::Reference ||
            !function->reference->is(value::Type::Func)) {
            outside_the_model();
        }
        const value::Ref<value::Payload> keep = function->reference->payload_ref();
        const NestingScope nesting(interp);
        const std::int64_t argument = operand(interp, *node.argument);
        if (interp.warning_mode() != WarningMode::Off && function_body == nullptr) outside_the_model();
        const CallDepthScope depth(interp);
        const UndoMark scope(*cells);
        cells->bind_integer_undoably(value::argument_name(0), argument);
        std::int64_t result = 0;
        run_body(interp, *function_body, result);
        return result;
    }
    default: outside_the_model();
    }
}

bool run_body(Interpreter& interp, const Body& body, std::int64_t& result)
{
    RunPosition position;
    position.outer = interp.innermost_position();
    interp.set_innermost_position(&position);
    bool ended = false;
    for (int i = 0; i < body.count && !ended; ++i) {
        const Node& statement = *body.statements[i];
        position.statement = nullptr;
        interp.check_interrupt(true);
        switch (statement.kind) {
        case Kind::Compare:
            if (operand(interp, *statement.left) != 0) {
                const NestingScope nesting(interp);
                ended = run_body(interp, *statement.block, result);
            }
            break;
        case Kind::End:
            result = operand(interp, *statement.left);
            ended = true;
            break;
        default: outside_the_model();
        }
    }
    interp.set_innermost_position(position.outer);
    return ended;
}

}  // namespace

int main(int argc, char** argv)
{
    model::ModelInterpreter model;
    Interpreter& interp = model.interp;
    function_name = value::intern_name("fibl");
    const std::uint32_t arg0 = value::argument_name(0);
    Cells model_cells(value::interned_name_count() + 1);
    cells = &model_cells;
    const model::FibTree tree(function_name, arg0);
    function_body = &tree.body();
    value::Value function = value::Value::func("{ the body above }");
    model_cells.bind_for_good(function_name, Cell{Cell::Kind::Reference, 0, &function});
    model_cells.bind_for_good(arg0, Cell{Cell::Kind::Integer, argc > 1 ? std::atoi(argv[1]) : 20, nullptr});
    std::printf("%lld\n", static_cast<long long>(evaluate(interp, tree.top_call())));
}
