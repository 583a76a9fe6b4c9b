// The block statements (`compare`, `each`, `until`) and the list statements
// (`list`, `add`, `index`, `where`, `remove`).
#include <cstring>

#include "exec/keywords.h"
#include "exec/run_state.h"
#include "base/error.h"
#include "exec/warnings.h"
#include "value/convert.h"

namespace zirn::exec {

using value::NameId;
using value::Type;
using value::Value;
using value::ValueRef;

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

// The same for the block of `keyword`, operands[1]. Where that is no
// block but the rest of a condition written without its parentheses
// (`compare x > 3 {`), the error says how to write it.
[[noreturn, gnu::cold, gnu::noinline]] void raise_short_block(const Operands& operands, std::string_view keyword)
{
    const Token& block = operands[1];
    if (operands.size() < 3) block_code(block);  // raises
    std::string condition;
    for (std::size_t i = 0; i < operands.size() && operands[i].kind() != OperandKind::Block; ++i) {
        if (!condition.empty()) condition += ' ';
        condition += operands[i].text();
    }
    throw Error(ErrorKind::MissingOperand, "the block " + quote_text(block.text()) + " is too short to have an inside")
        .set_advice("a condition is one operand in parentheses: write " + std::string(keyword) + " (" +
                    one_line_text(condition) + ") { ... }");
}

// The block of `keyword`, operands[1]: its inside, or the error of a block
// too short to have one (see raise_short_block).
inline const Code& block_operand(const Operands& operands, std::string_view keyword)
{
    const Token& block = operands[1];
    if (block.text().size() >= 2) return block.inside();
    raise_short_block(operands, keyword);
}

// A position must name an existing element (or byte of a text).
[[noreturn]] void raise_position_out_of_range(std::int64_t position, std::size_t length, std::string_view what)
{
    throw Error(ErrorKind::IndexOutOfRange, "position " + std::to_string(position) + " in " + std::string(what) +
                                                " of length " + std::to_string(length));
}

inline std::size_t checked_position(std::int64_t position, std::size_t length, std::string_view what)
{
    if (position < 0 || static_cast<std::uint64_t>(position) >= length) raise_position_out_of_range(position, length, what);
    return static_cast<std::size_t>(position);
}

// A position operand as a number.
std::int64_t position_of(const Value& position)
{
    return position.is(Type::Integer) ? position.int_value() : value::to_integer(position);
}

// The position of the first element equal to the text `wanted` (a string
// or a func), or the length when none is. Texts are compared directly,
// sizes first; anything else as values_equal() compares it.
std::size_t find_text(const value::ElementList& elements, const Value& wanted)
{
    const std::string& text = wanted.text();
    const std::size_t size = text.size();
    const char* const bytes = text.data();
    // Texts of one size often differ only at their end (`k1041`, `k1042`):
    // the last byte is compared first, the rest only when it matches.
    const char last = size != 0 ? bytes[size - 1] : '\0';
    return elements.find([&](const Value& element) {
        if (!element.is(Type::String) && !element.is(Type::Func)) return value::values_equal(element, wanted);
        const value::TextRep* rep = element.text_rep();
        if (rep == nullptr) return size == 0;
        const std::string& other = rep->text;
        if (other.size() != size) return false;
        return size == 0 || (other[size - 1] == last && std::memcmp(other.data(), bytes, size - 1) == 0);
    });
}

const value::NameId element_name = value::intern_name("element");

// Unbinds the names a loop created when the loop ends, on every way out.
class CreatedNames {
public:
    CreatedNames(Bindings& bindings, LoopState& loop) : m_bindings(bindings), m_loop(loop) {}
    ~CreatedNames()
    {
        for (NameId name : m_loop.created) m_bindings.cell(name) = Binding();
    }
    CreatedNames(const CreatedNames&) = delete;
    CreatedNames& operator=(const CreatedNames&) = delete;

private:
    Bindings& m_bindings;
    LoopState& m_loop;
};

// Shows, while it lives, the names as the run enclosing a loop sees them:
// names the loop created are unbound, names its table sees differently
// show the enclosing run's binding.
class EnclosingView {
public:
    EnclosingView(Bindings& bindings, const LoopState& loop) : m_bindings(bindings)
    {
        for (NameId name : loop.created) swap_in(name, Binding());
        // Newest record first, so the oldest, the enclosing run's own
        // binding, is the one left.
        for (std::size_t i = loop.view_end; i > loop.view_begin; --i) {
            swap_in(bindings.undo_name(i - 1), bindings.undo_old(i - 1));
        }
    }
    ~EnclosingView()
    {
        for (std::size_t i = m_saved.size(); i > 0; --i) {
            m_bindings.cell(m_saved[i - 1].first) = std::move(m_saved[i - 1].second);
        }
    }
    EnclosingView(const EnclosingView&) = delete;
    EnclosingView& operator=(const EnclosingView&) = delete;

private:
    void swap_in(NameId name, Binding binding)
    {
        Binding& cell = m_bindings.cell(name);
        m_saved.emplace_back(name, std::move(cell));
        cell = std::move(binding);
    }

    Bindings& m_bindings;
    std::vector<std::pair<NameId, Binding>> m_saved;
};

// Gathers the names `token` reads into `names`; false when a call or a block
// in it could read names indirectly.
bool gather_names_read(const Token& token, NameList& names)
{
    if (token.kind() == OperandKind::Call || token.kind() == OperandKind::Block) return false;
    // A token that is no bare word (a number, an operator, a parenthesised
    // text) can name a variable only once such a name was bound somewhere;
    // the loop gathers again when that happens (reads_only_names_older_than),
    // and then takes such a name in even before it is bound, so that a
    // later round binding `12` is seen. (A bare word not bound anywhere yet
    // cannot be read as a literal, so the condition could not be read.)
    if (token.is_bare_word()) names.push_back(token.name());
    else if (value::odd_names_interned()) names.push_back(value::intern_name(token.text()));
    if (token.kind() != OperandKind::Parenthesised || token.text().size() < 2) return true;
    for (const Token& inner : token.inside().statements.front().tokens) {
        if (!gather_names_read(inner, names)) return false;
    }
    return true;
}

// True when no name the loop's condition reads can have been bound by the
// loop whose tags start at `first_tag`, and nothing in it reads names
// indirectly: then the enclosing run sees it the same.
bool reads_only_names_older_than(const Bindings& bindings, const Token& condition, LoopState& loop)
{
    if (!loop.condition_gathered || (!loop.gathered_with_odd_names && value::odd_names_interned())) {
        loop.condition_gathered = true;
        loop.gathered_with_odd_names = value::odd_names_interned();
        loop.condition_names.clear();
        loop.reads_indirectly = !gather_names_read(condition, loop.condition_names);
    }
    if (loop.reads_indirectly) return false;
    for (const value::NameId name : loop.condition_names) {
        const Binding* cell = bindings.bound_cell(name);
        if (cell != nullptr && cell->tag >= loop.first_tag) return false;
    }
    return true;
}

// `add` to a Value that is no list keeps the element where nothing shows
// it: the statement looks as if it worked and changes nothing visible.
[[gnu::cold, gnu::noinline]] void warn_add_to_non_list(const Token& name, const Value& target)
{
    warn(WarningRule::AddToNonList, [&] {
        const std::string shown = quote_text(name.text());
        std::string message = "add to " + shown + ", which is " + describe_type(target) +
                              ", not a list: nothing visible changes; make it a list first with list " + name.text();
        if (target.is(Type::String)) message += ", or join texts with " + name.text() + " += ...";
        return message;
    });
}

}  // namespace

void Run::run_compare(const Operands& operands)
{
    require_operands(operands, 2, "compare (condition) { block }");
    compare_tokens(operands[0], operands[1], operands);
}

void Run::compare_tokens(const Token& condition, const Token& block, const Operands& operands)
{
    if (!condition_holds(condition)) return;
    if (block.text().size() < 2) raise_short_block(operands, "compare");
    const Code& body = block.inside();
    // The block sees every name; what it binds vanishes with it.
    const NestingScope nesting(m_interp);
    // A block that only ends binds nothing and sees what this run sees
    // (when no loop iteration here rebound a name): its `end` is run here.
    const bool sees_as_this_run =
        m_rules.kind != RunKind::Iteration || m_interp.bindings().mark() == m_rules.iteration_mark;
    if (body.leading_end && sees_as_this_run) return end_from_block(body);
    const UndoScope scope(m_interp.bindings());
    bind_names_as_iteration_began(block);
    run_block_here(body);
}

void Run::run_block_here(const Code& body)
{
    // The block runs in this run, binding as a dropped run does, and the
    // scope around it undoes its bindings. A block that ended (its `end`,
    // or a loop in it that ended, after which the block went on) ends
    // this run; one that did not leaves this run's result as it was.
    const BlockScope block(*this);
    const bool ended_before = m_result.ended;
    m_result.ended = false;
    execute(body);
    if (m_result.ended) m_stopped = true;
    else m_result.ended = ended_before;
}

void Run::end_from_block(const Code& body)
{
    // As the block's own run would: the `end` is checked for an interrupt,
    // and an error is placed at it.
    const Statement& statement = *body.first_step;
    m_position.statement = &statement;
    try {
        m_interp.check_interrupt(m_mode == RunMode::Program);
        Value result = statement.word[1] == nullptr ? Value::integer(0) : evaluate(*statement.word[1]);
        m_result.value = std::move(result);
    } catch (Error& error) {
        note_statement(error, m_interp, statement);
        throw;
    }
    m_result.ended = true;
    m_stopped = true;
}

Run Run::loop_body_run(LoopState& loop)
{
    BindingRules rules;
    rules.kind = RunKind::Iteration;
    rules.loop = &loop;
    return Run(m_interp, rules, m_mode);
}

[[gnu::always_inline]] inline bool Run::run_iteration(Run& body_run, const Code& body)
{
    m_interp.check_interrupt(m_mode == RunMode::Program);
    Bindings& bindings = m_interp.bindings();
    const UndoScope iteration(bindings);
    // Each iteration starts as a fresh run would: one run serves them all,
    // since one that did not end is left as it began.
    body_run.m_rules.created_tag = bindings.new_tag();
    body_run.m_rules.iteration_mark = iteration.mark();
    body_run.execute(body);
    if (!body_run.m_result.ended) return true;
    // The loop stops, but this run goes on with its next statement.
    take_ended(body_run.take_result());
    return false;
}

void Run::run_each(const Operands& operands)
{
    require_operands(operands, 2, "each (collection) { block }");
    const Value collection = evaluate(operands[0]);
    const Code& body = block_operand(operands, "each");
    Bindings& bindings = m_interp.bindings();
    const NestingScope nesting(m_interp);
    const UndoScope scope(bindings);
    LoopState loop;
    loop.first_tag = bindings.new_tag();
    bind_names_as_iteration_began(operands[1], loop.first_tag);
    const CreatedNames created(bindings, loop);
    Run body_run = loop_body_run(loop);
    // The sequence is fixed before the first iteration: a text gives one
    // new string per byte, anything else its own (shared) elements. The
    // collection is a copy, so neither changes while the loop runs.
    if (collection.is(Type::String)) {
        const std::string& text = collection.text();
        if (text.empty()) return;
        bindings.bind_undoably(element_name, ValueRef());
        for (char byte : text) {
            // The last byte's Value serves again when nothing but `element`
            // holds it any more; the body sees a fresh string either way.
            Binding& cell = bindings.cell(element_name);
            if (cell.ref.unique() && cell.ref->is(Type::String)) cell.ref->become_byte_text(byte);
            else cell = Binding{value::make_ref(Value::string(std::string(1, byte)))};
            if (!run_iteration(body_run, body)) return;
        }
        return;
    }
    // `collection` shares the list's elements, so a change the body makes
    // to the list gives the list its own copy and leaves these as they are.
    const value::ElementList& sequence = collection.elements();
    if (sequence.empty()) return;
    bindings.bind_undoably(element_name, ValueRef());
    // The iteration's own bindings are undone when it ends, so `element`
    // is bound to the lent element again then; an element nobody else took
    // goes back inline and its Value serves the next one.
    ValueRef spare;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        bindings.cell(element_name) = Binding{sequence.lend(i, spare)};
        if (!run_iteration(body_run, body)) return;
        spare = std::move(bindings.cell(element_name).ref);
        sequence.take_back(i, spare);
    }
}

namespace {

// What a name or literal of an `until` condition stands for as the run
// enclosing the loop sees it; null when the loop itself bound that name
// (the enclosing run may see another binding, or none). Between two rounds
// only the loop's own bindings carry one of its tags: the names it created
// and the bindings its rounds began with; everything a round or a nested
// run rebound has been put back.
inline const Value* enclosing_operand(const Bindings& bindings, const Token& token, const LoopState& loop)
{
    const Binding* cell = nullptr;
    if (token.may_be_bound()) {
        // The id found before first (see find_named), else a new look.
        cell = bindings.bound_cell(token.cached_name().known_id());
        if (cell == nullptr) cell = bindings.bound_cell(token.name());
    }
    if (cell == nullptr) return &token.literal();
    if (cell->tag >= loop.first_tag) return nullptr;
    return cell->ref.get();
}

// An `until` condition that is `(a < b)` on names or literals: its
// statement, or null. Splitting the inside here, before the first reading,
// raises what that reading would raise.
const Statement* plain_pair_inside(const Token& condition)
{
    if (condition.kind() != OperandKind::Parenthesised) return nullptr;
    const Statement& inside = condition.inside().statements.front();
    return inside.plain_pair() ? &inside : nullptr;
}

// A plain pair `a op b` taken apart once for the rounds of a loop.
struct PlainPair {
    const Token* left = nullptr;
    const Token* right = nullptr;
    OperatorKind op = OperatorKind::None;
};

// Whether the plain pair holds as the enclosing run sees it, when both
// operands are integers there; false, with `holds` unset, otherwise.
[[gnu::always_inline]] inline bool pair_holds(const Bindings& bindings, const PlainPair& pair, const LoopState& loop,
                                              bool& holds)
{
    const Value* left = enclosing_operand(bindings, *pair.left, loop);
    if (left == nullptr || !left->is(Type::Integer)) return false;
    const Value* right = enclosing_operand(bindings, *pair.right, loop);
    if (right == nullptr || !right->is(Type::Integer)) return false;
    return integer_pair_truth(pair.op, left->int_value(), right->int_value(), holds);
}

}  // namespace

void Run::run_until(const Operands& operands)
{
    require_operands(operands, 2, "until (condition) { block }");
    const Code& body = block_operand(operands, "until");
    Bindings& bindings = m_interp.bindings();
    const NestingScope nesting(m_interp);
    const UndoScope scope(bindings);
    LoopState loop;
    loop.first_tag = bindings.new_tag();
    loop.view_begin = bindings.mark();
    bind_names_as_iteration_began(operands[1], loop.first_tag);
    loop.view_end = bindings.mark();
    const CreatedNames created(bindings, loop);
    Run body_run = loop_body_run(loop);
    // The condition is read as this run sees the names, not as the loop's
    // table does: it sees in-place updates, never names the body creates.
    const Token& condition = operands[0];
    const Statement* const pair_statement = plain_pair_inside(condition);
    PlainPair pair;
    if (pair_statement != nullptr) {
        pair = {&pair_statement->tokens[0], &pair_statement->tokens[2], pair_statement->tokens[1].as_operator()};
    }
    while (true) {
        // The condition is this statement's: a warning it gives names the
        // `until`, not the body's last statement.
        body_run.m_position.statement = nullptr;
        bool holds = false;
        if (pair.left == nullptr || !pair_holds(bindings, pair, loop, holds)) {
            holds = evaluated_loop_condition_holds(condition, loop);
        }
        if (!holds || !run_iteration(body_run, body)) return;
    }
}


bool Run::evaluated_loop_condition_holds(const Token& condition, LoopState& loop)
{
    Bindings& bindings = m_interp.bindings();
    const bool alike = loop.created.empty() && loop.view_begin == loop.view_end;
    const bool seen_alike = alike || reads_only_names_older_than(bindings, condition, loop);
    if (seen_alike) return condition_holds(condition);
    const EnclosingView view(bindings, loop);
    return condition_holds(condition);
}

void Run::run_list(const Operands& operands)
{
    require_operands(operands, 1, "list name");
    bind(operands[0], value::make_ref(Value::list()));
}

void Run::add_plain(const Statement& statement)
{
    // A name or a literal cannot change the list while it is read. The
    // list and the added operand are the statement's second and third words.
    const Token& list_token = *statement.word[1];
    const ValueRef* list = lookup(list_token);
    if (list == nullptr) bound_value(list_token, "add");  // raises
    if (!(*list)->is(Type::List)) [[unlikely]] warn_add_to_non_list(list_token, **list);
    const Value& added = *plain_operand(m_interp, *statement.word[2]);
    // The added Value is copied before the list is changed: adding a
    // list to itself adds it as it was.
    if (value::ElementList::fits_inline(added)) {
        (*list)->elements_for_update().push_back(Value::integer(added.int_value()));
    } else {
        Value copy = added;
        (*list)->elements_for_update().push_back(std::move(copy));
    }
    m_interp.cycles().note(*list);
}

void Run::run_add(const Operands& operands)
{
    require_operands(operands, 2, "add list value");
    const ValueRef list = bound_value(operands[0], "add");
    Value added = evaluate(operands[1]);
    if (!list->is(Type::List)) [[unlikely]] warn_add_to_non_list(operands[0], *list);
    list->elements_for_update().push_back(std::move(added));
    m_interp.cycles().note(list);
}

bool Run::index_direct(const Statement& statement)
{
    // The commonest form, an integer position in a list, named, literal
    // or folded from numbers (which cannot change the list), within the
    // list: straight to the element. The list and the position are the
    // statement's second and third words.
    const ValueRef* source = lookup(*statement.word[1]);
    if (source == nullptr || !(*source)->is(Type::List)) return false;
    const Token& position_token = *statement.word[2];
    std::int64_t at = 0;
    if (position_token.kind() == OperandKind::Parenthesised) {
        FoldedNumber folded;
        if (!fold_number_token(m_interp, position_token, folded) || folded.is_float) return false;
        at = folded.integer;
    } else {
        const Value& position = *plain_operand(m_interp, position_token);
        if (!position.is(Type::Integer)) return false;
        at = position.int_value();
    }
    const value::ElementList& elements = (*source)->elements();
    if (at < 0 || static_cast<std::uint64_t>(at) >= elements.size()) return false;
    bind(Operands(statement, 1)[2], elements.share(static_cast<std::size_t>(at)));
    return true;
}

void Run::run_index(const Operands& operands)
{
    require_operands(operands, 3, "index list position target");
    // A position that is a name or a literal cannot change the list, so
    // the list need not be held while it is read.
    if (operands[1].is_plain()) {
        const ValueRef* source = lookup(operands[0]);
        if (source == nullptr) bound_value(operands[0], "index");  // raises
        index_into(**source, position_of(*plain_operand(m_interp, operands[1])), operands[2]);
        return;
    }
    const ValueRef source = bound_value(operands[0], "index");
    index_into(*source, integer_of(operands[1]), operands[2]);
}

void Run::index_into(const Value& source, std::int64_t position, const Token& target)
{
    if (source.is(Type::List)) {
        // The target shares the element itself.
        const value::ElementList& elements = source.elements();
        bind(target, elements.share(checked_position(position, elements.size(), "a list")));
        return;
    }
    const std::string& text = source.text();
    const char byte = text[checked_position(position, text.size(), "a text")];
    bind(target, value::make_ref(Value::string(std::string(1, byte))));
}

std::int64_t Run::integer_of(const Token& operand)
{
    // `((row * 9) + col)` on numbers is folded without Values.
    FoldedNumber folded;
    if (operand.kind() == OperandKind::Parenthesised && fold_number_token(m_interp, operand, folded)) {
        return folded.is_float ? value::to_integer(folded.as_value()) : folded.integer;
    }
    return value::to_integer(evaluate(operand));
}

void Run::run_where(const Operands& operands)
{
    require_operands(operands, 3, "where list value target");
    const ValueRef list = bound_value(operands[0], "where");
    const Value wanted = evaluate(operands[1]);
    // The position of the first equal element, or the length when none is.
    const std::size_t found = wanted.is(Type::String) || wanted.is(Type::Func)
                                  ? find_text(list->elements(), wanted)
                                  : list->elements().find([&](const Value& element) { return value::values_equal(element, wanted); });
    const auto position = static_cast<std::int32_t>(found);
    bind(operands[2], value::make_ref(Value::integer(position)));
}

void Run::run_remove(const Operands& operands)
{
    require_operands(operands, 2, "remove list position");
    const ValueRef list = bound_value(operands[0], "remove");
    const std::int64_t position = integer_of(operands[1]);
    const std::size_t at = checked_position(position, list->elements().size(), "a list");
    list->elements_for_update().erase(at);
}

}  // namespace zirn::exec
