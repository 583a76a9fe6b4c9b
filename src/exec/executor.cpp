#include "exec/executor.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

#include "exec/expression.h"
#include "exec/keywords.h"
#include "exec/run_state.h"
#include "lex/error.h"
#include "lex/stack_guard.h"
#include "value/convert.h"

namespace zirn::exec {

using value::Value;
using value::ValueRef;
using value::VarTable;

RunResult run_statements(Interpreter& interp, const Code& code, VarTable* outer, VarTable* own, RunMode mode)
{
    check_stack_depth();
    Run run(interp, outer, own, mode);
    try {
        run.execute(code);
    } catch (...) {
        // Names bound before an error stay bound where the caller keeps them.
        run.write_back(outer, own);
        throw;
    }
    run.write_back(outer, own);
    return run.take_result();
}

RunResult run_detached(Interpreter& interp, const Code& code, VarTable outer, RunMode mode)
{
    check_stack_depth();
    Run run(interp, std::move(outer), mode);
    run.execute(code);
    return run.take_result();
}

RunResult run_statements(Interpreter& interp, const lex::StatementList& statements, VarTable* outer, VarTable* own,
                         RunMode mode)
{
    const CodeRef code = compile(statements);
    return run_statements(interp, *code, outer, own, mode);
}

void require_operands(const Operands& operands, std::size_t needed, std::string_view usage)
{
    if (operands.size() < needed) throw Error(ErrorKind::MissingOperand, "write " + std::string(usage));
}

namespace {
const VarTable no_table{};
}  // namespace

Run::Run(Interpreter& interp, const VarTable* outer, const VarTable* own, RunMode mode)
    : m_interp(interp),
      m_mode(mode),
      m_outer_in(outer != nullptr ? outer : &no_table),
      m_own_in(own != nullptr ? own : &no_table)
{
}

Run::Run(Interpreter& interp, VarTable&& outer, RunMode mode)
    : m_interp(interp), m_mode(mode), m_outer_in(&no_table), m_own_in(&no_table)
{
    m_copies.emplace(std::move(outer));
}

void Run::take_copies()
{
    if (!m_copies) m_copies.emplace(*m_outer_in, *m_own_in);
}

void Run::execute(const Code& code)
{
    for (const Statement& statement : code.statements) {
        m_interp.check_interrupt(m_mode == RunMode::Program);
        execute_statement(statement);
        if (m_stopped) break;
    }
}

RunResult Run::run_iteration(const Code& code, VarTable& table)
{
    try {
        execute(code);
    } catch (...) {
        write_back(&table, &table);
        throw;
    }
    // A fresh run would start from the table as written back; when nothing
    // was bound the table is unchanged and what was worked out stays valid.
    if (m_copies) {
        write_back(&table, &table);
        m_copies.reset();
        tables_changed();
    }
    RunResult result = std::move(m_result);
    m_result = RunResult();
    m_stopped = false;
    return result;
}

void Run::write_back(VarTable* outer, VarTable* own)
{
    // Tables never copied were never changed: the caller's hold the same.
    if (!m_copies) return;
    if (outer != nullptr) *outer = std::move(m_copies->outer);
    if (own != nullptr) *own = std::move(m_copies->own);
}

void Run::execute_statement(const Statement& statement)
{
    // 1. Empty tokens play no part; a statement of nothing else is skipped.
    if (statement.words.empty()) return;
    // 2. The first token alone decides what kind of statement this is.
    if (statement.keyword) {
        run_keyword(*statement.keyword, Operands(statement, 1));
        return;
    }
    const Operands tokens(statement, 0);
    if (tokens[0].kind() == OperandKind::Call) {
        // A call statement: its value is dropped, further tokens ignored.
        evaluate_call(m_interp, tokens[0], view());
    } else {
        run_assignment(tokens);
    }
}

void Run::run_keyword(Keyword keyword, const Operands& operands)
{
    switch (keyword) {
    case Keyword::End: return run_end(operands);
    case Keyword::Compare: return run_compare(operands);
    case Keyword::Each: return run_each(operands);
    case Keyword::Until: return run_until(operands);
    case Keyword::List: return run_list(operands);
    case Keyword::Add: return run_add(operands);
    case Keyword::Index: return run_index(operands);
    case Keyword::Where: return run_where(operands);
    case Keyword::Remove: return run_remove(operands);
    case Keyword::Exec: return run_exec(operands);
    case Keyword::Also: return run_also(operands);
    }
}

void Run::run_assignment(const Operands& tokens)
{
    if (tokens.size() < 3) {
        throw Error(ErrorKind::MissingOperand, quote_text(tokens[0].text()) +
                                                   " is not a statement: an assignment is written name = value");
    }
    // 1. The target is resolved first: a new name is bound to a fresh
    //    Value, which the right-hand side already sees.
    const Token& target_token = tokens[0];
    ValueRef target;
    if (target_token.kind() == OperandKind::Parenthesised) {
        target = resolve_member_path(target_token);
    } else if (const ValueRef* existing = lookup(target_token)) {
        target = *existing;
    } else {
        target = value::make_ref(Value());
        bind(target_token, target);
    }
    // 2. The right-hand side keeps brace blocks as functions. A name or a
    //    literal combines with the target in place without being copied
    //    (unless it is the target itself).
    const Token& op = tokens[1];
    if (op.text().size() > 1) {
        const Value* right = plain_operand(tokens[2], view());
        if (right != nullptr && right != target.get() &&
            apply_operator_in_place(op.compound_operator(), *target, *right)) {
            return;
        }
    }
    Value new_value = evaluate(tokens[2], Blocks::Keep);
    // 3. An operator of two or more characters combines with the current
    //    Value under its first character: `x += 1`, `x >= 3`.
    if (op.text().size() > 1) {
        if (apply_operator_in_place(op.compound_operator(), *target, new_value)) return;
        new_value = apply_operator(op.compound_operator(), *target, new_value);
    }
    // 4. The target Value is updated in place, seen wherever it is held.
    *target = std::move(new_value);
    m_interp.cycles().note(target);
}

ValueRef Run::resolve_member_path(const Token& target)
{
    // A member path `(point x)`: the first name, then its members.
    const Statement& path = target.inside().statements.front();
    if (path.words.empty()) {
        throw Error(ErrorKind::MissingOperand, "the member path " + quote_text(target.text()) + " names nothing");
    }
    const Operands names(path, 0);
    ValueRef reached = bound_value(names[0], "a member path");
    // No Value holds members, so a second name always names a missing one.
    if (names.size() > 1) {
        throw Error(ErrorKind::MissingMember, quote_text(names[1].text()) + " in " + quote_text(target.text()));
    }
    return reached;
}

void Run::run_end(const Operands& operands)
{
    if (!operands.empty()) m_result.value = evaluate(operands[0]);
    m_result.ended = true;
    m_stopped = true;
}

void Run::run_exec(const Operands& operands)
{
    require_operands(operands, 1, "exec text");
    if (m_mode == RunMode::Program) {
        run_text_here(evaluate(operands[0]));
        return;
    }
    // The REPL's own exec runs what the user typed: an error there is
    // reported and the session goes on, with everything bound before it.
    m_interp.arm_prompt_read();
    try {
        run_text_here(evaluate(operands[0]));
    } catch (const Error& error) {
        m_interp.report_error(error.what());
    } catch (const std::bad_alloc&) {
        m_interp.report_error("out of memory");
    } catch (const std::exception& error) {
        m_interp.report_error(error.what());
    }
    m_interp.disarm_prompt_read();
    // Between typed lines no Value is in use but through the tables.
    m_interp.cycles().collect_if_due();
}

void Run::run_also(const Operands& operands)
{
    require_operands(operands, 1, "also 'library'");
    const std::string file_name = value::to_text(evaluate(operands[0])) + ".ZIRN";
    if (m_interp.file_access() == FileAccess::Disabled) {
        throw Error(ErrorKind::FileSystem, "also: file access is disabled in this session");
    }
    // The library folder first, then the current directory. A file that
    // cannot be read loads nothing.
    if (m_interp.file_access() == FileAccess::Sandboxed) {
        SandboxFiles& files = m_interp.sandbox();
        run_code_here(*compile(files.read("lib/" + file_name).value_or(files.read(file_name).value_or(""))));
        return;
    }
    std::error_code ignored;
    const std::string in_lib = "lib/" + file_name;
    const std::string path = std::filesystem::exists(in_lib, ignored) ? in_lib : file_name;
    std::ifstream file(path);
    std::ostringstream contents;
    if (file) contents << file.rdbuf();
    run_code_here(*compile(contents.str()));
}

void Run::run_text_here(const Value& text)
{
    const CodeHandle code = code_of(text, ParseUse::Statements);
    run_code_here(*code);
}

void Run::run_code_here(const Code& code)
{
    // The text acts as if written in place of the statement: it works on
    // this run's tables and writes them back, also when it fails.
    take_copies();
    tables_changed();
    try {
        run_statements(m_interp, code, &m_copies->outer, &m_copies->own);
    } catch (...) {
        tables_changed();
        throw;
    }
    tables_changed();
}

const VarTable& Run::view()
{
    if (m_view_table == nullptr) m_view_table = &merged_view();
    return *m_view_table;
}

const VarTable& Run::merged_view()
{
    const VarTable& outer_table = outer();
    const VarTable& own_table = own();
    if (outer_table.covers_names_of(own_table)) return outer_table;
    if (outer_table.empty()) return own_table;
    m_view = outer_table;
    m_view->bind_missing(own_table);
    return *m_view;
}

const VarTable& Run::block_table()
{
    if (m_block_table_used == nullptr) m_block_table_used = &merged_block_table();
    return *m_block_table_used;
}

const VarTable& Run::merged_block_table()
{
    const VarTable& outer_table = outer();
    const VarTable& own_table = own();
    if (own_table.empty()) return outer_table;
    if (own_table.covers_names_of(outer_table)) return own_table;
    m_block_table = outer_table;
    m_block_table->bind_all(own_table);
    return *m_block_table;
}

const ValueRef* Run::lookup(const Token& name) const
{
    const value::NameId id = name.name();
    if (const ValueRef* ref = outer().find(id, name.lookup_cache())) return ref;
    return own().find(id, name.lookup_cache());
}

ValueRef Run::bound_value(const Token& name, std::string_view statement) const
{
    const ValueRef* ref = lookup(name);
    if (ref == nullptr) {
        throw Error(ErrorKind::UndefinedName, quote_text(name.text()) + " in " + std::string(statement));
    }
    return *ref;
}

void Run::bind(value::NameId name, ValueRef ref)
{
    take_copies();
    if (m_copies->outer.contains(name)) m_copies->outer.bind(name, std::move(ref));
    else m_copies->own.bind(name, std::move(ref));
    tables_changed();
}

void Run::bind(const Token& name, ValueRef ref) { bind(value::intern_name(name.text()), std::move(ref)); }

void Run::tables_changed()
{
    m_view_table = nullptr;
    m_block_table_used = nullptr;
    m_view.reset();
    m_block_table.reset();
}

Value Run::evaluate(const Token& token, Blocks blocks)
{
    // A plain operand evaluates as itself; only a parenthesised one (or a
    // lone `not`) needs the expression fold.
    if (token.kind() != OperandKind::Parenthesised && !token.is_not()) {
        return evaluate_operand(m_interp, token, view(), blocks);
    }
    return evaluate_token(m_interp, token, view(), blocks);
}

bool Run::condition_holds(const Token& token)
{
    const Value condition = evaluate(token);
    if (condition.is(value::Type::Integer)) return condition.int_value() != 0;
    return value::to_integer(condition) != 0;
}

void Run::take_ended(RunResult nested)
{
    m_result.value = std::move(nested.value);
    m_result.ended = true;
}

}  // namespace zirn::exec
