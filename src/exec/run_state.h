// The state of one run of `run_statements`, shared by the executor and the
// keyword statements (internal to src/exec).
//
// A run holds two working tables copied from its caller. Reading a name looks
// in the outer one first, then the own one (the evaluation view); binding a
// name sets it in the table that already holds it, or in the own one when
// neither does.
#pragma once

#include <optional>
#include <string_view>

#include "exec/code.h"
#include "exec/evaluate.h"
#include "exec/executor.h"

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

class Run {
public:
    Run(Interpreter& interp, const value::VarTable* outer, const value::VarTable* own, RunMode mode);
    Run(Interpreter& interp, value::VarTable&& outer, RunMode mode);

    // Runs the statements until the end of the list or an `end`.
    void execute(const Code& code);
    // One iteration of a loop body whose outer and own table are both
    // `table`: runs `code` as a fresh run would, writes back into `table`,
    // and leaves this run ready for the next iteration. Returns the
    // iteration's result.
    RunResult run_iteration(const Code& code, value::VarTable& table);
    // Hands the working tables over to the caller's tables (the run is over).
    void write_back(value::VarTable* outer, value::VarTable* own);
    RunResult take_result() { return std::move(m_result); }

    // Keyword statements (statements.cpp).
    void run_compare(const Operands& operands);
    void run_each(const Operands& operands);
    void run_until(const Operands& operands);
    void run_list(const Operands& operands);
    void run_add(const Operands& operands);
    void run_index(const Operands& operands);
    void run_where(const Operands& operands);
    void run_remove(const Operands& operands);

private:
    void execute_statement(const Statement& statement);
    void run_keyword(Keyword keyword, const Operands& operands);
    void run_assignment(const Operands& tokens);
    value::ValueRef resolve_member_path(const Token& target);
    void run_end(const Operands& operands);
    void run_exec(const Operands& operands);
    void run_also(const Operands& operands);
    void run_text_here(const value::Value& text);
    void run_code_here(const Code& code);

    // The evaluation view: the outer working table, plus the own entries
    // whose names the outer one lacks.
    const value::VarTable& view();
    // The table every block statement starts from: outer entries, then own
    // entries over them.
    const value::VarTable& block_table();
    const value::VarTable& merged_view();
    const value::VarTable& merged_block_table();
    // The Value bound to `name`, outer table first; null when unbound.
    const value::ValueRef* lookup(const Token& name) const;
    // As lookup(), but an unbound name is an error.
    value::ValueRef bound_value(const Token& name, std::string_view statement) const;
    // Binds `name` in its binding table.
    void bind(value::NameId name, value::ValueRef ref);
    void bind(const Token& name, value::ValueRef ref);
    void tables_changed();
    value::Value evaluate(const Token& token, Blocks blocks = Blocks::Run);
    bool condition_holds(const Token& token);
    // Takes over the result of a nested run that ended.
    void take_ended(RunResult nested);

    // The working tables. A run starts by reading its caller's tables in
    // place and takes its own copies only when it binds a name (or runs text
    // that may): most loop bodies and blocks never do, and then there is
    // nothing to copy and nothing to write back.
    const value::VarTable& outer() const { return m_copies ? m_copies->outer : *m_outer_in; }
    const value::VarTable& own() const { return m_copies ? m_copies->own : *m_own_in; }
    void take_copies();

    Interpreter& m_interp;
    RunMode m_mode;
    const value::VarTable* m_outer_in;
    const value::VarTable* m_own_in;
    struct Copies {
        explicit Copies(value::VarTable&& outer_table) : outer(std::move(outer_table)) {}
        Copies(const value::VarTable& outer_table, const value::VarTable& own_table)
            : outer(outer_table), own(own_table)
        {
        }
        value::VarTable outer;
        value::VarTable own;
    };
    std::optional<Copies> m_copies;
    // Both worked out on demand and dropped whenever a name is bound: the
    // table to use, and the merged table when neither working table serves.
    const value::VarTable* m_view_table = nullptr;
    const value::VarTable* m_block_table_used = nullptr;
    std::optional<value::VarTable> m_view;
    std::optional<value::VarTable> m_block_table;
    RunResult m_result;
    bool m_stopped = false;  // `end`, or a `compare` block that ended
};

// Raises Error(MissingOperand) unless `operands` has at least `needed`
// entries; `usage` shows the statement's form.
void require_operands(const Operands& operands, std::size_t needed, std::string_view usage);

}  // namespace zirn::exec
