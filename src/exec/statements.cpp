// The block statements (`compare`, `each`, `until`) and the list statements
// (`list`, `add`, `index`, `where`, `remove`).
#include "exec/keywords.h"
#include "exec/run_state.h"
#include "lex/error.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Type;
using value::Value;
using value::ValueRef;
using value::VarTable;

namespace {

// A block operand is taken literally: its braces are dropped and the inside
// split into statements.
const Code& block_code(const Token& block)
{
    if (block.text().size() < 2) {
        throw Error(ErrorKind::MissingOperand, "the block " + quote_text(block.text()) + " is too short to have an inside");
    }
    return block.inside();
}

// A position must name an existing element (or byte of a text).
std::size_t checked_position(std::int64_t position, std::size_t length, std::string_view what)
{
    if (position < 0 || static_cast<std::uint64_t>(position) >= length) {
        throw Error(ErrorKind::IndexOutOfRange, "position " + std::to_string(position) + " in " + std::string(what) +
                                                    " of length " + std::to_string(length));
    }
    return static_cast<std::size_t>(position);
}

const value::NameId element_name = value::intern_name("element");

}  // namespace

void Run::run_compare(const Operands& operands)
{
    require_operands(operands, 2, "compare (condition) { block }");
    if (!condition_holds(operands[0])) return;
    // The block sees every name; what it binds vanishes with its table.
    RunResult nested = run_detached(m_interp, block_code(operands[1]), block_table(), m_mode);
    if (nested.ended) {
        take_ended(std::move(nested));
        m_stopped = true;
    }
}

void Run::run_each(const Operands& operands)
{
    require_operands(operands, 2, "each (collection) { block }");
    const Value collection = evaluate(operands[0]);
    // The sequence is fixed before the first iteration: a text gives one
    // new string per byte, anything else its own (shared) elements.
    value::ElementList sequence;
    if (collection.is(Type::String)) {
        for (char byte : collection.text()) sequence.push_back(value::make_ref(Value::string(std::string(1, byte))));
    } else {
        sequence = collection.elements();
    }
    const Code& body = block_code(operands[1]);
    VarTable table = block_table();
    for (const ValueRef& element : sequence) {
        m_interp.check_interrupt(m_mode == RunMode::Program);
        table.bind(element_name, element);
        // Binding `element` changed the table, so each iteration starts a
        // run of its own.
        RunResult nested = run_statements(m_interp, body, &table, &table, m_mode);
        if (nested.ended) {
            // The loop stops, but this run goes on with its next statement.
            take_ended(std::move(nested));
            break;
        }
    }
}

void Run::run_until(const Operands& operands)
{
    require_operands(operands, 2, "until (condition) { block }");
    const Code& body = block_code(operands[1]);
    VarTable table = block_table();
    // One run serves every iteration; each starts as a fresh run would.
    Run body_run(m_interp, &table, &table, m_mode);
    // The condition is read from this run's tables, not the block's: it sees
    // in-place updates, never names the body creates.
    while (condition_holds(operands[0])) {
        m_interp.check_interrupt(m_mode == RunMode::Program);
        RunResult nested = body_run.run_iteration(body, table);
        if (nested.ended) {
            take_ended(std::move(nested));
            break;
        }
    }
}

void Run::run_list(const Operands& operands)
{
    require_operands(operands, 1, "list name");
    bind(operands[0], value::make_ref(Value::list()));
}

void Run::run_add(const Operands& operands)
{
    require_operands(operands, 2, "add list value");
    const ValueRef list = bound_value(operands[0], "add");
    ValueRef added = value::make_ref(evaluate(operands[1]));
    list->elements_for_update().push_back(std::move(added));
    m_interp.cycles().note(list);
}

void Run::run_index(const Operands& operands)
{
    require_operands(operands, 3, "index list position target");
    const ValueRef source = bound_value(operands[0], "index");
    const std::int64_t position = value::to_integer(evaluate(operands[1]));
    if (source->is(Type::List)) {
        // The target shares the element itself.
        const value::ElementList& elements = source->elements();
        ValueRef element = elements[checked_position(position, elements.size(), "a list")];
        bind(operands[2], std::move(element));
        return;
    }
    const std::string& text = source->text();
    const char byte = text[checked_position(position, text.size(), "a text")];
    bind(operands[2], value::make_ref(Value::string(std::string(1, byte))));
}

void Run::run_where(const Operands& operands)
{
    require_operands(operands, 3, "where list value target");
    const ValueRef list = bound_value(operands[0], "where");
    const Value wanted = evaluate(operands[1]);
    // The position of the first equal element, or the length when none is.
    std::int32_t position = 0;
    for (const ValueRef& element : list->elements()) {
        if (value::values_equal(*element, wanted)) break;
        ++position;
    }
    bind(operands[2], value::make_ref(Value::integer(position)));
}

void Run::run_remove(const Operands& operands)
{
    require_operands(operands, 2, "remove list position");
    const ValueRef list = bound_value(operands[0], "remove");
    const std::int64_t position = value::to_integer(evaluate(operands[1]));
    const std::size_t at = checked_position(position, list->elements().size(), "a list");
    value::ElementList& elements = list->elements_for_update();
    elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace zirn::exec
