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

RunResult run_statements(Interpreter& interp, const lex::StatementList& statements, VarTable* outer, VarTable* own,
                         RunMode mode)
{
    check_stack_depth();
    Run run(interp, outer, own, mode);
    try {
        run.execute(statements);
    } catch (...) {
        // Names bound before an error stay bound where the caller keeps them.
        run.write_back(outer, own);
        throw;
    }
    run.write_back(outer, own);
    return run.take_result();
}

void require_operands(const Operands& operands, std::size_t needed, std::string_view usage)
{
    if (operands.size() < needed) throw Error(ErrorKind::MissingOperand, "write " + std::string(usage));
}

Run::Run(Interpreter& interp, const VarTable* outer, const VarTable* own, RunMode mode)
    : m_interp(interp), m_mode(mode)
{
    if (outer != nullptr) m_outer = *outer;
    if (own != nullptr) m_own = *own;
}

void Run::execute(const lex::StatementList& statements)
{
    for (const lex::Statement& statement : statements) {
        m_interp.check_interrupt(m_mode == RunMode::Program);
        execute_statement(statement);
        if (m_stopped) break;
    }
}

void Run::write_back(VarTable* outer, VarTable* own)
{
    if (outer != nullptr) *outer = m_outer;
    if (own != nullptr) *own = m_own;
}

void Run::execute_statement(const lex::Statement& statement)
{
    // 1. Empty tokens play no part; a statement of nothing else is skipped.
    Operands tokens;
    for (const std::string& token : statement) {
        if (!token.empty()) tokens.push_back(token);
    }
    if (tokens.empty()) return;
    // 2. The first token alone decides what kind of statement this is.
    if (const std::optional<Keyword> keyword = keyword_from_token(tokens.front())) {
        tokens.erase(tokens.begin());
        run_keyword(*keyword, tokens);
    } else if (tokens.front().front() == '$') {
        // A call statement: its value is dropped, further tokens ignored.
        evaluate_call(m_interp, tokens.front(), view());
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
        throw Error(ErrorKind::MissingOperand, quote_text(tokens.front()) +
                                                   " is not a statement: an assignment is written name = value");
    }
    // 1. The target is resolved first: a new name is bound to a fresh
    //    Value, which the right-hand side already sees.
    const std::string_view target_token = tokens[0];
    ValueRef target;
    if (target_token.front() == '(') {
        // A member path `(point x)`: the first name, then its members.
        const lex::StatementList path = lex::split_statements(strip_outer(target_token, ErrorKind::Unbalanced, "the member path"));
        std::vector<std::string_view> names;
        for (const std::string& name : path.front()) {
            if (!name.empty()) names.push_back(name);
        }
        if (names.empty()) throw Error(ErrorKind::MissingOperand, "the member path " + quote_text(target_token) + " names nothing");
        target = bound_value(names.front(), "a member path");
        if (names.size() > 1) throw Error(ErrorKind::MissingMember, quote_text(names[1]) + " in " + quote_text(target_token));
    } else if (const ValueRef* existing = lookup(target_token)) {
        target = *existing;
    } else {
        target = value::make_ref(Value());
        bind(target_token, target);
    }
    // 2. The right-hand side keeps brace blocks as functions.
    const std::string_view op = tokens[1];
    Value new_value = evaluate(tokens[2], Blocks::Keep);
    // 3. An operator of two or more characters combines with the current
    //    Value under its first character: `x += 1`, `x >= 3`.
    if (op.size() > 1) new_value = apply_operator(op.substr(0, 1), *target, new_value);
    // 4. The target Value is updated in place, seen wherever it is held.
    *target = std::move(new_value);
    m_interp.cycles().note(target);
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
        run_text_here(value::to_text(evaluate(operands[0])));
        return;
    }
    // The REPL's own exec runs what the user typed: an error there is
    // reported and the session goes on, with everything bound before it.
    m_interp.arm_prompt_read();
    try {
        run_text_here(value::to_text(evaluate(operands[0])));
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
        run_text_here(files.read("lib/" + file_name).value_or(files.read(file_name).value_or("")));
        return;
    }
    std::error_code ignored;
    const std::string in_lib = "lib/" + file_name;
    const std::string path = std::filesystem::exists(in_lib, ignored) ? in_lib : file_name;
    std::ifstream file(path);
    std::ostringstream contents;
    if (file) contents << file.rdbuf();
    run_text_here(contents.str());
}

void Run::run_text_here(std::string_view text)
{
    const lex::StatementList statements = lex::split_statements(text);
    m_view.reset();
    try {
        run_statements(m_interp, statements, &m_outer, &m_own);
    } catch (...) {
        m_view.reset();
        throw;
    }
    m_view.reset();
}

const VarTable& Run::view()
{
    if (m_outer.empty()) return m_own;
    if (m_own.empty()) return m_outer;
    if (!m_view) {
        m_view = m_outer;
        m_view->bind_missing(m_own);
    }
    return *m_view;
}

VarTable Run::block_table() const
{
    VarTable table = m_outer;
    table.bind_all(m_own);
    return table;
}

const ValueRef* Run::lookup(std::string_view name) const
{
    if (const ValueRef* ref = m_outer.find(name)) return ref;
    return m_own.find(name);
}

ValueRef Run::bound_value(std::string_view name, std::string_view statement) const
{
    const ValueRef* ref = lookup(name);
    if (ref == nullptr) throw Error(ErrorKind::UndefinedName, quote_text(name) + " in " + std::string(statement));
    return *ref;
}

void Run::bind(std::string_view name, ValueRef ref)
{
    if (m_outer.contains(name)) m_outer.bind(name, std::move(ref));
    else m_own.bind(name, std::move(ref));
    m_view.reset();
}

Value Run::evaluate(std::string_view token, Blocks blocks) { return evaluate_token(m_interp, token, view(), blocks); }

bool Run::condition_holds(std::string_view token) { return value::to_integer(evaluate(token)) != 0; }

void Run::take_ended(RunResult nested)
{
    m_result.value = std::move(nested.value);
    m_result.ended = true;
}

}  // namespace zirn::exec
