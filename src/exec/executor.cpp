#include "exec/executor.h"

#include <new>

#include "exec/expression.h"
#include "host/file_io.h"
#include "exec/keywords.h"
#include "exec/run_state.h"
#include "exec/suggest.h"
#include "base/error.h"
#include "base/every_case.h"
#include "base/limits.h"
#include "base/stack_guard.h"
#include "exec/warnings.h"
#include "value/convert.h"

namespace zirn::exec {

using value::NameId;
using value::Value;
using value::ValueRef;
using value::VarTable;

namespace {

// The outermost run binds the names of its caller's tables first, and hands
// every binding back to them at the end, on every way out.
class CallerTables {
public:
    CallerTables(Interpreter& interp, VarTable* outer, VarTable* own) : m_interp(interp), m_outer(outer), m_own(own)
    {
        load(m_own, m_own_names);
        load(m_outer, m_outer_names);  // an outer name wins
    }
    ~CallerTables() { hand_back(); }
    CallerTables(const CallerTables&) = delete;
    CallerTables& operator=(const CallerTables&) = delete;

    std::vector<NameId>& new_names() { return m_new_names; }

private:
    void load(const VarTable* table, std::vector<NameId>& names)
    {
        if (table == nullptr) return;
        table->for_each([&](NameId name, const ValueRef& ref) {
            names.push_back(name);
            m_interp.bindings().bind_for_good(name, ref);
        });
    }

    void hand_back()
    {
        Bindings& bindings = m_interp.bindings();
        std::vector<std::pair<NameId, ValueRef>> outer_entries;
        std::vector<std::pair<NameId, ValueRef>> own_entries;
        auto take = [&](NameId name, std::vector<std::pair<NameId, ValueRef>>& into) {
            Binding& cell = bindings.cell(name);
            if (cell.ref) into.emplace_back(name, std::move(cell.ref));
            cell = Binding();
        };
        for (NameId name : m_outer_names) take(name, outer_entries);
        for (NameId name : m_own_names) take(name, own_entries);
        VarTable* fresh_into = m_own != nullptr ? m_own : m_outer;
        for (NameId name : m_new_names) take(name, fresh_into == m_outer ? outer_entries : own_entries);
        if (m_outer != nullptr) *m_outer = VarTable::from_entries(std::move(outer_entries));
        if (m_own != nullptr) *m_own = VarTable::from_entries(std::move(own_entries));
    }

    Interpreter& m_interp;
    VarTable* m_outer;
    VarTable* m_own;
    std::vector<NameId> m_outer_names;
    std::vector<NameId> m_own_names;
    std::vector<NameId> m_new_names;
};

}  // namespace

RunResult run_statements(Interpreter& interp, const Code& code, VarTable* outer, VarTable* own, RunMode mode)
{
    const NestingScope nesting(interp);
    CallerTables tables(interp, outer, own);
    BindingRules rules;
    rules.kind = RunKind::Kept;
    rules.kept_names = &tables.new_names();
    Run run(interp, rules, mode);
    run.execute(code);
    return run.take_result();
}

RunResult run_statements(Interpreter& interp, const lex::StatementList& statements, VarTable* outer, VarTable* own,
                         RunMode mode)
{
    const CodeRef code = compile(statements);
    return run_statements(interp, *code, outer, own, mode);
}

RunResult run_dropped(Interpreter& interp, const Code& code, RunMode mode)
{
    const UndoScope scope(interp.bindings());
    Run run(interp, BindingRules{}, mode);
    run.execute(code);
    return run.take_result();
}

void note_statement(Error& error, Interpreter& interp, const Statement& statement)
{
    // The innermost run still has every name bound that the failing
    // statement saw, so a suggestion is looked for here.
    if (error.missing_kind() != MissingKind::None && !error.suggestion_sought()) suggest_name(error, interp);
    if (statement.file == nullptr) return;
    ErrorPlace& place = error.place();
    if (place.file.empty()) {
        // The innermost statement that came from a file.
        place.file = *statement.file;
        place.line = statement.line;
    } else if (!place.function.empty() && place.call_file.empty()) {
        // The statement that called the function the error came out of.
        place.call_file = *statement.file;
        place.call_line = statement.line;
    }
}

namespace {

void note_function_left(Error& error, const std::string& function)
{
    ErrorPlace& place = error.place();
    if (!place.file.empty() && place.function.empty()) place.function = function;
}

}  // namespace

void raise_missing_operands(std::string_view usage)
{
    throw Error(ErrorKind::MissingOperand, "write " + std::string(usage));
}

void Run::execute(const Code& code)
{
    try {
        for (const Statement* next = code.first_step; next != nullptr;) {
            const Statement& statement = *next;
            next = statement.next_step;
            m_position.statement = &statement;
            m_interp.check_interrupt(m_mode == RunMode::Program);
            // Compound assignments come first: they are most of most loops.
            // A specialised kind that declines (having changed nothing)
            // leaves the switch for the general way, run_general.
            if (statement.kind == StatementKind::AssignInPlace) {
                if (assign_in_place(statement)) continue;
                run_general(statement);
                if (m_stopped) return;
                continue;
            }
            ZIRN_EVERY_CASE_BEGIN
            switch (statement.kind) {
            case StatementKind::Empty: continue;
            case StatementKind::AssignInPlace: break;
            case StatementKind::AssignCopy:
                if (assign_copy(statement)) continue;
                break;
            case StatementKind::StoreElement:
                // The assignment is the next statement, never an empty one.
                if (store_pair(statement, *next)) {
                    next = next->next_step;
                    continue;
                }
                break;
            case StatementKind::Compare:
                run_compare_statement(statement);
                if (m_stopped) return;
                continue;
            case StatementKind::End: end_with(statement.word[1]); return;
            case StatementKind::AddPlain:
                add_plain(statement);
                continue;
            case StatementKind::IndexDirect:
                if (index_direct(statement)) continue;
                break;
            case StatementKind::Assign:
                run_assignment(statement);
                continue;
            case StatementKind::Call:
                // A call statement: its value is dropped, further tokens ignored.
                evaluate_call(m_interp, *statement.word[0]);
                continue;
            case StatementKind::Keyword:
            case StatementKind::Incomplete: break;
            ZIRN_NO_OTHER_CASE;
            }
            ZIRN_EVERY_CASE_END
            run_general(statement);
            if (m_stopped) return;
        }
    } catch (Error& error) {
        // On its way out an error learns where it happened: the statement
        // this run is at. The normal path pays nothing for this.
        note_statement(error, m_interp, *m_position.statement);
        if (m_rules.function != nullptr) note_function_left(error, *m_rules.function);
        throw;
    }
}

bool Run::store_pair(const Statement& index, const Statement& assignment)
{
    // `index` and the assignment after it, as one store.
    const ElementSlot slot = element_for_store(index);
    if (slot.elements == nullptr) return false;
    // From here on the run is at the assignment, as two statements would be.
    m_position.statement = &assignment;
    m_interp.check_interrupt(m_mode == RunMode::Program);
    store_into_element(slot, *assignment.word[2]);
    return true;
}

Run::ElementSlot Run::element_for_store(const Statement& index)
{
    // Only where the binding `index` would make is undone when this run
    // ends (and nothing before that can see it) may it be left out.
    const Token& name = index.tokens[index.words[3]];
    if (m_rules.kind == RunKind::Kept) return {};
    if (m_rules.kind == RunKind::Iteration) {
        const Binding* cell = m_interp.bindings().peek(name.name());
        if (cell == nullptr || !cell->ref || cell->tag == m_rules.created_tag) return {};
    }
    const ValueRef* source = lookup(index.tokens[index.words[1]]);
    if (source == nullptr || !(*source)->is(value::Type::List)) return {};
    const Value& position = *plain_operand(m_interp, index.tokens[index.words[2]]);
    const value::ElementList& elements = (*source)->elements();
    if (!position.is(value::Type::Integer) || position.int_value() < 0 ||
        static_cast<std::uint64_t>(position.int_value()) >= elements.size()) {
        return {};
    }
    return {&elements, static_cast<std::size_t>(position.int_value())};
}

void Run::store_into_element(const ElementSlot& slot, const Token& value_token)
{
    const Value* stored = plain_operand(m_interp, value_token);
    if (slot.elements->store_inline(slot.at, *stored)) return;
    // As the assignment through the element would: the element's own Value
    // takes the new one, seen by everything that shares the element.
    const ValueRef element = slot.elements->share(slot.at);
    if (element.get() == stored) return;
    *element = *stored;
    m_interp.cycles().note(element);
}

void Run::run_general(const Statement& statement)
{
    // The first token alone decides what kind of statement this is in
    // general; empty tokens play no part.
    switch (statement.general()) {
    case StatementKind::Empty: return;
    case StatementKind::Keyword: return run_keyword(*statement.keyword, Operands(statement, 1));
    case StatementKind::Call:
        // A call statement: its value is dropped, further tokens ignored.
        evaluate_call(m_interp, *statement.word[0]);
        return;
    case StatementKind::Assign: return run_assignment(statement);
    case StatementKind::Incomplete: {
        const std::string& first = statement.word[0]->text();
        Error error(ErrorKind::MissingOperand,
                    quote_text(first) + " is not a statement: an assignment is written name = value");
        // `# note` and `// note` are comments elsewhere; `#!` lines are
        // interpreter lines, out of place.
        const bool comment = (first.compare(0, 1, "#") == 0 && first.compare(0, 2, "#!") != 0) ||
                             first.compare(0, 2, "//") == 0;
        if (comment) error.set_advice("ZIRN has no comments: keep a note in a block that never runs, compare (0) { ... }");
        throw error;
    }
    default:
        // general() gives only general kinds.
        return;
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

void Run::run_assignment(const Statement& statement)
{
    const Token& target_token = *statement.word[0];
    const Token& op = *statement.word[1];
    const Token& value_token = *statement.word[2];
    // 1. The target is resolved first: a new name is bound to a fresh
    //    Value, which the right-hand side already sees.
    const ValueRef target = resolve_target(target_token);
    const auto store = [&](Value& new_value) {
        // 3. An operator of two or more characters combines with the current
        //    Value under its first character: `x += 1`, `x >= 3`.
        if (statement.compound) {
            if (apply_operator_in_place(op.compound_operator(), *target, new_value)) return;
            new_value = apply_operator(op.compound_operator(), *target, new_value);
        }
        // 4. The target Value is updated in place, seen wherever it is held.
        *target = std::move(new_value);
        m_interp.cycles().note(target);
    };
    // 2. The right-hand side keeps brace blocks as functions. A builtin
    //    call added to a text may append its result to it directly.
    if (statement.compound && value_token.kind() == OperandKind::Call &&
        op.compound_operator() == OperatorKind::Add && target->is(value::Type::String)) {
        Value result;
        if (!evaluate_call_appending(m_interp, value_token, *target, result)) store(result);
        return;
    }
    Value new_value = evaluate(value_token, Blocks::Keep);
    store(new_value);
}

bool Run::assign_expression_in_place(OperatorKind op, Value& target, const Token& expression)
{
    if (target.is(value::Type::Integer) || target.is(value::Type::Float)) {
        FoldedNumber folded;
        if (!fold_number_token(m_interp, expression, folded)) return false;
        const Value right = folded.as_value();
        if (!apply_operator_in_place(op, target, right)) target = apply_operator(op, target, right);
        return true;
    }
    if (op == OperatorKind::Add && target.is(value::Type::String)) return append_repetition_in_place(target, expression);
    return false;
}

bool Run::append_repetition_in_place(Value& target, const Token& expression)
{
    if (expression.text().size() < 2 || m_interp.nesting_room() < 1) return false;
    const Code& inside = expression.inside();
    if (inside.statements.size() != 1) return false;
    const Statement& pair = inside.statements.front();
    if (!pair.plain_pair() || pair.tokens[1].as_operator() != OperatorKind::Multiply) return false;
    const Value* piece = plain_operand(m_interp, pair.tokens[0]);
    const Value* count = plain_operand(m_interp, pair.tokens[2]);
    // The text itself as the piece would be copied onto itself.
    if (!piece->is(value::Type::String) || !count->is(value::Type::Integer) || piece == &target) return false;
    // The count is the low 32 bits of the integer, read as signed, as for
    // any repetition; texts that would grow too large take the way that
    // reports it.
    const std::int32_t times = repetition_count(count->int_value());
    const std::size_t repeats = times > 0 ? static_cast<std::size_t>(times) : 0;
    const std::size_t piece_size = piece->text().size();
    if (repeats != 0 && piece_size > (limits::text_limit() - target.text().size()) / repeats) return false;
    target.become_joined_text(piece->text(), repeats);
    return true;
}

ValueRef Run::resolve_target(const Token& target)
{
    if (target.kind() == OperandKind::Parenthesised) return resolve_member_path(target);
    if (const ValueRef* existing = lookup(target)) return *existing;
    ValueRef fresh = value::make_ref(Value());
    bind(target, fresh);
    return fresh;
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

void Run::run_end(const Operands& operands) { end_with(operands.empty() ? nullptr : &operands[0]); }

void Run::end_with(const Token* value)
{
    if (value != nullptr) m_result.value = evaluate(*value);
    m_result.ended = true;
    m_stopped = true;
}

namespace {

// The next `$input` is the prompt's read while it lives, on every way out.
class PromptReadArmed {
public:
    explicit PromptReadArmed(Interpreter& interp) : m_interp(interp) { m_interp.arm_prompt_read(); }
    ~PromptReadArmed() { m_interp.disarm_prompt_read(); }
    PromptReadArmed(const PromptReadArmed&) = delete;
    PromptReadArmed& operator=(const PromptReadArmed&) = delete;

private:
    Interpreter& m_interp;
};

}  // namespace

// The operand of the REPL's own `exec`: the line typed at the prompt.
class Run::ReplEntry : public TypedEntry {
public:
    ReplEntry(Run& run, const Token& operand) : m_run(run), m_operand(operand) {}
    void run() override
    {
        m_text = m_run.evaluate(m_operand);
        m_run.run_typed_text(m_text);
    }
    const Value& text() const override { return m_text; }

private:
    Run& m_run;
    const Token& m_operand;
    Value m_text;
};

void Run::run_exec(const Operands& operands)
{
    require_operands(operands, 1, "exec text");
    if (m_mode == RunMode::Program) {
        run_text_here(evaluate(operands[0]));
        return;
    }
    // The REPL's own exec runs what the user typed; the session's entry
    // runner decides what an error in it does.
    const PromptReadArmed armed(m_interp);
    ReplEntry entry(*this, operands[0]);
    if (const EntryRunner* runner = m_interp.entry_runner()) runner->run(m_interp, entry);
    else entry.run();
    // Between typed lines no Value is in use but through the bindings.
    m_interp.cycles().collect_if_due();
}

void Run::run_also(const Operands& operands)
{
    require_operands(operands, 1, "also 'library'");
    const std::string file_name = value::to_text(evaluate(operands[0])) + ".ZIRN";
    m_interp.files().admit("also");
    host::check_path(file_name, "also");
    // Where the file is looked for is the session's choice (LibrarySearch).
    const LibrarySource source = m_interp.library_search().find(file_name, m_interp.files());
    const CodeRef code = compile_file(source.text, source.path);
    const NestingScope library(m_interp, limits::library_nesting_weight);
    run_code_here(*code);
}

void Run::run_text_here(const Value& text)
{
    const CodeHandle code = code_of(text, ParseUse::Statements);
    run_code_here(*code);
}

namespace {

// The one statement of a typed entry whose value the REPL shows: a call, or
// a lone name, literal, quoted string or parenthesised expression. Null for
// any other entry (several statements, a keyword, an assignment, a block).
const Statement* shown_statement(const Code& code)
{
    const Statement* found = nullptr;
    for (const Statement& statement : code.statements) {
        if (statement.kind == StatementKind::Empty) continue;
        if (found != nullptr) return nullptr;
        found = &statement;
    }
    if (found == nullptr || found->general() == StatementKind::Call) return found;
    if (found->general() != StatementKind::Incomplete || found->words.size() != 1) return nullptr;
    const Token& word = *found->word[0];
    return word.kind() == OperandKind::Block || word.is_not() ? nullptr : found;
}

}  // namespace

void Run::run_typed_text(const Value& text)
{
    const CodeHandle code = code_of(text, ParseUse::Statements);
    const Statement* shown = m_interp.echoes_values() ? shown_statement(*code) : nullptr;
    if (shown == nullptr) {
        run_code_here(*code);
        return;
    }
    // As the statement would run inside the text, and its value written as
    // $print$ writes it; a call that gives nothing shows nothing.
    const NestingScope nesting(m_interp, limits::text_run_nesting_weight);
    Value result;
    try {
        m_interp.check_interrupt();
        result = evaluate(*shown->word[0]);
    } catch (Error& error) {
        note_statement(error, m_interp, *shown);
        throw;
    }
    if (result.is(value::Type::Unspecified)) return;
    host::Console& console = m_interp.console();
    console.write(value::to_text(result));
    console.end_line();
}

void Run::run_code_here(const Code& code)
{
    // The text acts as if written in place of the statement: it binds as
    // this run binds, but an `end` in it ends only the text (and its lines
    // are no lines of the function this run may be the body of).
    const NestingScope nesting(m_interp, limits::text_run_nesting_weight);
    BindingRules rules = m_rules;
    rules.function = nullptr;
    Run nested(m_interp, rules, RunMode::Program);
    nested.execute(code);
}

ValueRef Run::bound_value(const Token& name, std::string_view statement) const
{
    const ValueRef* ref = lookup(name);
    if (ref == nullptr) {
        throw Error(ErrorKind::UndefinedName, quote_text(name.text()) + " in " + std::string(statement))
            .about_missing(MissingKind::Name, name.text());
    }
    return *ref;
}

namespace {

// True when `name` stands as a whole word somewhere in `text`.
bool mentions_name(std::string_view text, std::string_view name)
{
    if (name.empty()) return false;
    for (std::size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
        const bool starts = at == 0 || !is_name_byte(text[at - 1]);
        const std::size_t after = at + name.size();
        if (starts && (after == text.size() || !is_name_byte(text[after]))) return true;
    }
    return false;
}

// Whether `block` names `name` as a whole word; a block's answers are kept
// on its inside, since a loop asks the same question every round.
bool block_mentions_name(const Token& block, NameId name)
{
    if (block.kind() != OperandKind::Block || !block.inside_split()) {
        return mentions_name(block.text(), value::name_text(name));
    }
    std::vector<std::pair<NameId, bool>>& known = block.inside().notes().block_mentions;
    for (const auto& [asked, mentions] : known) {
        if (asked == name) return mentions;
    }
    const bool mentions = mentions_name(block.text(), value::name_text(name));
    known.emplace_back(name, mentions);
    return mentions;
}

// A loop round rebound `name` (with `index`, `where`, `list`, ...), and a
// block it runs now reads the binding the round began with instead.
[[gnu::cold, gnu::noinline]] void warn_older_binding(Interpreter& interp, const Bindings& bindings, const Token& block,
                                                     std::size_t first_record, std::size_t end_record)
{
    for (std::size_t i = first_record; i < end_record; ++i) {
        const NameId name = bindings.undo_name(i);
        const ValueRef* now = bindings.find(name);
        if (now == nullptr || bindings.undo_old(i).ref.get() == now->get()) continue;
        if (!block_mentions_name(block, name)) continue;
        const std::string_view text = value::name_text(name);
        warn_with(interp, WarningRule::OlderBinding,
                  "the block reads " + quote_text(text) +
                      " as it was when this round of the loop began, not as this round bound it since "
                      "(a block in a loop sees such a new binding only in the first round); copy it with = "
                      "before the block, as in seen = " +
                      std::string(text) + ", and read the copy in the block");
        return;
    }
}

// Whether `block` (a `{ }` block) can run code its text does not show: a
// call runs a function's body or a builtin, `exec` and `also` run texts.
bool runs_hidden_code(const Token& block)
{
    const Code& inside = block.inside();
    if (inside.hidden_code == Code::HiddenCode::Unknown) {
        const std::string& text = block.text();
        const auto text_of = [](Keyword keyword) { return keyword_list[static_cast<std::size_t>(keyword)]; };
        const bool possible = text.find('$') != std::string::npos || mentions_name(text, text_of(Keyword::Exec)) ||
                              mentions_name(text, text_of(Keyword::Also));
        inside.hidden_code = possible ? Code::HiddenCode::Possible : Code::HiddenCode::None;
    }
    return inside.hidden_code == Code::HiddenCode::Possible;
}

// True when `block` can read none of the names rebound by the undo records
// from `first_record` to `end_record`: it runs no code it does not show,
// and its text names none of them.
bool reads_none_rebound(const Bindings& bindings, const Token& block, std::size_t first_record, std::size_t end_record)
{
    if (block.kind() != OperandKind::Block || runs_hidden_code(block)) return false;
    for (std::size_t i = first_record; i < end_record; ++i) {
        if (block_mentions_name(block, bindings.undo_name(i))) return false;
    }
    return true;
}

}  // namespace

std::size_t Run::bind_rebound_names_as_they_began(const Token& block, std::uint64_t tag)
{
    // The records since the iteration began are exactly its rebindings of
    // names it did not create; newest first, so the oldest one, the
    // binding the iteration began with, is the one left.
    Bindings& bindings = m_interp.bindings();
    const std::size_t end = bindings.mark();
    // A `compare` block that cannot read any of those names sees the same
    // whichever binding they have (and has nothing to be warned about):
    // they are left as they are.
    if (tag == 0 && specialised_ways && reads_none_rebound(bindings, block, m_rules.iteration_mark, end)) return 0;
    if (m_interp.warning_mode() != WarningMode::Off) [[unlikely]] {
        warn_older_binding(m_interp, bindings, block, m_rules.iteration_mark, end);
    }
    for (std::size_t i = end; i > m_rules.iteration_mark; --i) {
        const NameId name = bindings.undo_name(i - 1);
        ValueRef old = bindings.undo_old(i - 1).ref;
        bindings.bind_undoably(name, std::move(old), tag);
    }
    return end - m_rules.iteration_mark;
}

Value Run::evaluate(const Token& token, Blocks blocks)
{
    // A plain operand evaluates as itself; only a parenthesised one (or a
    // lone `not`) needs the expression fold.
    if (token.kind() != OperandKind::Parenthesised && !token.is_not()) {
        return evaluate_operand(m_interp, token, blocks);
    }
    return evaluate_token(m_interp, token, blocks);
}

bool Run::evaluated_condition_holds(const Token& token)
{
    // `((a - b) == c)` on numbers is folded without Values.
    FoldedNumber folded;
    const bool numeric = token.kind() == OperandKind::Parenthesised && fold_number_token(m_interp, token, folded);
    if (numeric) return folded.is_float ? condition_truth(folded.as_value()) : folded.integer != 0;
    if (token.kind() != OperandKind::Parenthesised) return condition_truth(evaluate(token));
    // As evaluate_token would read it: one nesting step, then the inside;
    // `a op b` is read as a condition without the Value of its result.
    const NestingScope nesting(m_interp);
    const Statement& inside = token.inside().statements.front();
    if (specialised_ways && (inside.value_fold == ValueFoldKind::Triple || inside.value_fold == ValueFoldKind::Pair)) {
        return operator_pair_holds(m_interp, inside);
    }
    return condition_truth(evaluate_expression(m_interp, inside, Blocks::Run));
}

void Run::take_ended(RunResult nested)
{
    m_result.value = std::move(nested.value);
    m_result.ended = true;
}

}  // namespace zirn::exec
