// The state of one run of a statement list, shared by the executor and the
// keyword statements (internal to src/exec).
//
// Where a binding made by a run ends up depends on who started the run:
//   - a call, a `compare` block or a block operand drops every binding it
//     made when it ends (Dropped);
//   - one iteration of a loop body keeps the names it created for the rest
//     of the loop, but the rebinding of a name that was bound when the
//     iteration began ends with the iteration (Iteration);
//   - the top level keeps everything, for the caller's tables (Kept).
// Text run by `exec` or `also` binds as the run it stands in.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "exec/bindings.h"
#include "exec/code.h"
#include "exec/evaluate.h"
#include "exec/executor.h"
#include "exec/expression.h"
#include "value/convert.h"

namespace zirn::exec {

// The operands of a statement: its non-empty tokens from `first` on.
class Operands {
public:
    Operands(const Statement& statement, std::size_t first) : m_statement(statement), m_first(first) {}
    std::size_t size() const { return m_statement.words.size() - m_first; }
    bool empty() const { return size() == 0; }
    const Token& operator[](std::size_t i) const { return m_statement.tokens[m_statement.words[m_first + i]]; }

private:
    const Statement& m_statement;
    std::size_t m_first;
};

enum class RunKind : std::uint8_t { Dropped, Iteration, Kept };

// Names in the order they were added: the first few kept in place, since
// most loops create or read a handful, and a loop that runs many times
// should not allocate for them each time.
class NameList {
public:
    void push_back(value::NameId name)
    {
        if (m_more.empty()) {
            if (m_count < inline_count) {
                m_inline[m_count++] = name;
                return;
            }
            m_more.assign(m_inline, m_inline + m_count);
        }
        m_more.push_back(name);
        ++m_count;
    }
    bool empty() const { return m_count == 0; }
    void clear()
    {
        m_count = 0;
        m_more.clear();
    }
    const value::NameId* begin() const { return m_more.empty() ? m_inline : m_more.data(); }
    const value::NameId* end() const { return begin() + m_count; }

private:
    // A condition such as ((a < b) and (c < d)) reads ten tokens.
    static constexpr std::size_t inline_count = 16;
    value::NameId m_inline[inline_count];
    std::size_t m_count = 0;
    std::vector<value::NameId> m_more;  // all of them, once past inline_count
};

// What a loop (`each`, `until`) keeps across its iterations.
struct LoopState {
    // Names the body created; they stay bound until the loop ends.
    NameList created;
    // Every binding tag from this one on was given out by this loop.
    std::uint64_t first_tag = 0;
    // Undo records [view_begin, view_end) hold, for the names the loop's
    // table sees differently from the enclosing run, the enclosing run's
    // bindings: an `until` condition is read with those.
    std::size_t view_begin = 0;
    std::size_t view_end = 0;
    // An `until` condition's names, gathered the first time they matter:
    // every name it reads, or `reads_indirectly` when a call or a block in
    // it could read any name.
    bool condition_gathered = false;
    bool gathered_with_odd_names = false;  // odd_names_interned() when gathered
    bool reads_indirectly = false;
    NameList condition_names;
};

// How a run binds, handed on to the text `exec` and `also` run in it.
struct BindingRules {
    RunKind kind = RunKind::Dropped;
    // Iteration: the tag of names created in this iteration, the undo
    // mark where the iteration began, and the loop.
    std::uint64_t created_tag = 0;
    std::size_t iteration_mark = 0;
    LoopState* loop = nullptr;
    // Kept: names bound here for the first time.
    std::vector<value::NameId>* kept_names = nullptr;
    // The body of this user function (only its own run, not the text that
    // `exec` or `also` run in it).
    const std::string* function = nullptr;
};

class Run {
public:
    Run(Interpreter& interp, const BindingRules& rules, RunMode mode) : m_interp(interp), m_rules(rules), m_mode(mode)
    {
        m_position.outer = interp.innermost_position();
        interp.set_innermost_position(&m_position);
    }
    ~Run() { m_interp.set_innermost_position(m_position.outer); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Runs the statements until the end of the list or an `end`.
    void execute(const Code& code);
    RunResult take_result() { return std::move(m_result); }
    value::Value take_value() { return std::move(m_result.value); }

    // Keyword statements (statements.cpp).
    void run_compare(const Operands& operands);
    // StatementKind::Compare: a `compare` with a condition and a block.
    void run_compare_statement(const Statement& statement)
    {
        compare_tokens(*statement.word[1], *statement.word[2], Operands(statement, 1));
    }
    void run_each(const Operands& operands);
    void run_until(const Operands& operands);
    void run_list(const Operands& operands);
    void run_add(const Operands& operands);
    void run_index(const Operands& operands);
    // StatementKind::AddPlain and IndexDirect; index_direct declines (false,
    // having done nothing) where the general `index` must run.
    void add_plain(const Statement& statement);
    bool index_direct(const Statement& statement);
    void run_where(const Operands& operands);
    void run_remove(const Operands& operands);
    void index_into(const value::Value& source, std::int64_t position, const Token& target);

private:
    // `compare`'s condition, then its block when the condition holds;
    // `operands` (the two again) for the error of a block too short.
    void compare_tokens(const Token& condition, const Token& block, const Operands& operands);
    // A compound assignment of an existing name with a name or a literal,
    // carried out in place (integer arithmetic, appending to a text)
    // without a copy; false, having changed nothing, where it cannot be.
    bool assign_in_place(const Statement& statement)
    {
        const value::ValueRef* target = lookup(*statement.word[0]);
        if (target == nullptr) return false;
        if (statement.word[2]->kind() == OperandKind::Parenthesised) {
            return assign_expression_in_place(statement.word[1]->compound_operator(), **target, *statement.word[2]);
        }
        const value::Value* right = plain_operand(m_interp, *statement.word[2]);
        return right != target->get() &&
               apply_operator_in_place(statement.word[1]->compound_operator(), **target, *right);
    }
    // A plain assignment of an existing name with a name or a literal (the
    // Value is copied straight into the target) or with an expression on
    // numbers (folded without Values); false, having changed nothing,
    // when the target is not bound yet or the expression needs the full
    // evaluation.
    bool assign_copy(const Statement& statement)
    {
        const value::ValueRef* target = lookup(*statement.word[0]);
        if (target == nullptr) return false;
        if (statement.word[2]->kind() == OperandKind::Parenthesised) {
            FoldedNumber folded;
            if (!fold_number_token(m_interp, *statement.word[2], folded)) return false;
            if (folded.is_float) (*target)->become_float(folded.real);
            else (*target)->become_integer(folded.integer);
            return true;
        }
        const value::Value* right = plain_operand(m_interp, *statement.word[2]);
        if (right != target->get()) {
            **target = *right;
            m_interp.cycles().note(*target);
        }
        return true;
    }
    // The same with a parenthesised right-hand side that has no side
    // effects: integers folded without Values, and a text extended by a
    // repeated text (`s += ("ab" * k)`) without building the repetition.
    bool assign_expression_in_place(OperatorKind op, value::Value& target, const Token& expression);
    bool append_repetition_in_place(value::Value& target, const Token& expression);
    // An element_store pair: the element `index` names, or no elements
    // when the pair must run as two statements; then the store itself.
    struct ElementSlot {
        const value::ElementList* elements = nullptr;
        std::size_t at = 0;
    };
    ElementSlot element_for_store(const Statement& index);
    // Runs the pair from `index` on as one store; false, having done
    // nothing, when it must run as two statements. Once an error would be
    // the assignment's, the run is at the assignment.
    [[gnu::noinline]] bool store_pair(const Statement& index, const Statement& assignment);
    void store_into_element(const ElementSlot& slot, const Token& value_token);
    // The general way of a statement, by its general kind.
    void run_general(const Statement& statement);
    void run_keyword(Keyword keyword, const Operands& operands);
    void run_assignment(const Statement& statement);
    value::ValueRef resolve_target(const Token& target);
    value::ValueRef resolve_member_path(const Token& target);
    void run_end(const Operands& operands);
    // `end` with its value's token, or none: StatementKind::End reads it
    // from the statement's second word.
    [[gnu::noinline]] void end_with(const Token* value);
    // A `compare` block whose first statement is its `end`, run in place.
    void end_from_block(const Code& body);
    // A `compare` block run by this run itself, as a nested dropped run
    // would run it, without building one.
    void run_block_here(const Code& body);
    // While a block runs in this run: binds as a dropped run, names no
    // function for errors (the run around the block does), and is back at
    // the block's statement afterwards, on every way out.
    class BlockScope {
    public:
        explicit BlockScope(Run& run)
            : m_run(run), m_kind(run.m_rules.kind), m_function(run.m_rules.function), m_statement(run.m_position.statement)
        {
            run.m_rules.kind = RunKind::Dropped;
            run.m_rules.function = nullptr;
        }
        ~BlockScope()
        {
            m_run.m_rules.kind = m_kind;
            m_run.m_rules.function = m_function;
            m_run.m_position.statement = m_statement;
        }
        BlockScope(const BlockScope&) = delete;
        BlockScope& operator=(const BlockScope&) = delete;

    private:
        Run& m_run;
        RunKind m_kind;
        const std::string* m_function;
        const Statement* m_statement;
    };
    void run_exec(const Operands& operands);
    void run_also(const Operands& operands);
    void run_text_here(const value::Value& text);
    class ReplEntry;
    void run_code_here(const Code& code);
    // A typed entry: run as written, but a lone value or call is shown.
    void run_typed_text(const value::Value& text);

    // The Value bound to `name`, or null.
    const value::ValueRef* lookup(const Token& name) const { return find_variable(m_interp, name); }
    // As lookup(), but an unbound name is an error.
    value::ValueRef bound_value(const Token& name, std::string_view statement) const;
    // Binds `name` as this run binds.
    void bind(value::NameId name, value::ValueRef ref);
    void bind(const Token& name, value::ValueRef ref);
    // A block nested in a loop iteration sees, for a name that the iteration
    // rebound, the binding the iteration began with. Binds those with
    // `tag`, undoably, and returns how many it changed.
    // `block` is the block statement's block, which a warning looks into.
    std::size_t bind_names_as_iteration_began(const Token& block, std::uint64_t tag = 0)
    {
        if (m_rules.kind != RunKind::Iteration || m_interp.bindings().mark() == m_rules.iteration_mark) return 0;
        return bind_rebound_names_as_they_began(block, tag);
    }
    std::size_t bind_rebound_names_as_they_began(const Token& block, std::uint64_t tag);
    value::Value evaluate(const Token& token, Blocks blocks = Blocks::Run);
    // An operand read as an integer (a position), as to_integer reads its Value.
    std::int64_t integer_of(const Token& operand);
    [[gnu::always_inline]] bool condition_holds(const Token& token)
    {
        // A name or literal holding an integer, or `(a < b)` on two
        // integers: no Value needs to be made.
        if (!specialised_ways) return evaluated_condition_holds(token);
        if (token.is_plain() && !token.is_not()) {
            const value::Value* operand = plain_operand(m_interp, token);
            if (operand->is(value::Type::Integer)) return operand->int_value() != 0;
        } else if (token.kind() == OperandKind::Parenthesised) {
            const Statement& inside = token.inside().statements.front();
            if (inside.tokens.size() == 1 && inside.tokens[0].is_plain() && !inside.tokens[0].is_not()) {
                const value::Value* operand = plain_operand(m_interp, inside.tokens[0]);
                if (operand->is(value::Type::Integer)) return operand->int_value() != 0;
            } else if (inside.plain_pair()) {
                const value::Value* left = plain_operand(m_interp, inside.tokens[0]);
                const value::Value* right = plain_operand(m_interp, inside.tokens[2]);
                const OperatorKind op = inside.tokens[1].as_operator();
                bool holds = false;
                if (left->is(value::Type::Integer) && right->is(value::Type::Integer) &&
                    integer_pair_truth(op, left->int_value(), right->int_value(), holds)) {
                    return holds;
                }
                // Any other pair (`element == " "`): the operator on the
                // Values in place, read as a condition.
                if (m_interp.nesting_room() >= 1) return operator_truth(op, *left, *right);
            }
        }
        return evaluated_condition_holds(token);
    }
    bool evaluated_condition_holds(const Token& token);
    // The loop statements' shared iteration step: false once the body ended.
    Run loop_body_run(LoopState& loop);
    bool run_iteration(Run& body_run, const Code& body);
    // An `until` condition, read as the enclosing run sees the names.
    // (A plain pair of integers is read inline by `until` itself.)
    [[gnu::noinline]] bool evaluated_loop_condition_holds(const Token& condition, LoopState& loop);
    void take_ended(RunResult nested);

    Interpreter& m_interp;
    BindingRules m_rules;
    RunMode m_mode;
    RunResult m_result;
    bool m_stopped = false;  // `end`, or a `compare` block that ended
    // The statement this run is at, for warnings (see RunPosition).
    RunPosition m_position;
};

[[gnu::always_inline]] inline void Run::bind(value::NameId name, value::ValueRef ref)
{
    Bindings& bindings = m_interp.bindings();
    switch (m_rules.kind) {
    case RunKind::Dropped:
        bindings.bind_undoably(name, std::move(ref));
        return;
    case RunKind::Kept: {
        Binding& cell = bindings.cell(name);
        if (!cell.ref) m_rules.kept_names->push_back(name);
        cell.ref = std::move(ref);
        return;
    }
    case RunKind::Iteration: {
        Binding& cell = bindings.cell(name);
        if (!cell.ref) {
            // A new name: it stays for the rest of the loop.
            m_rules.loop->created.push_back(name);
            cell = Binding{std::move(ref), m_rules.created_tag};
        } else if (cell.tag == m_rules.created_tag) {
            cell.ref = std::move(ref);  // created in this iteration: stays too
        } else {
            // Bound when the iteration began: the rebinding ends with it.
            bindings.bind_undoably(cell, name, std::move(ref));
        }
        return;
    }
    }
}

[[gnu::always_inline]] inline void Run::bind(const Token& name, value::ValueRef ref)
{
    const value::NameId id = name.name();
    bind(id != value::no_name ? id : value::intern_name(name.text()), std::move(ref));
}

// The body of the user function `function`, which an error leaving it
// then names: its result (what `end` gave, else integer 0). The caller
// drops the bindings it makes (with the arguments it bound).
inline value::Value run_function_body(Interpreter& interp, const Code& code, const std::string& function)
{
    BindingRules rules;
    rules.function = &function;
    Run run(interp, rules, RunMode::Program);
    run.execute(code);
    return run.take_value();
}

// Raises Error(MissingOperand) unless `operands` has at least `needed`
// entries; `usage` shows the statement's form.
[[noreturn]] void raise_missing_operands(std::string_view usage);
inline void require_operands(const Operands& operands, std::size_t needed, std::string_view usage)
{
    if (operands.size() < needed) raise_missing_operands(usage);
}

}  // namespace zirn::exec
