// The statement executor.
//
// `run_statements` runs a statement list. Each statement is a keyword
// statement (first token one of the eleven keywords), a call statement (first
// token starts with "$") or an assignment. A run works on two tables copied
// from its caller: the outer working table and the own working table. Names
// are read from the outer one first; a new name is created in the own one.
// At the end of the run, on every way out, both are written back into the
// caller's tables when the caller gave them.
#pragma once

#include "exec/code.h"
#include "exec/interpreter.h"
#include "lex/splitter.h"
#include "value/value.h"
#include "value/var_table.h"

namespace zirn::exec {

struct RunResult {
    value::Value value = value::Value::integer(0);  // what `end` gave, else integer 0
    bool ended = false;                             // an `end` ran (or an ended block)
};

enum class RunMode {
    Program,  // ordinary code: errors pass out of the run
    Repl,     // the REPL's own script: its `exec` statements report errors and go on
};

// Runs `code`. `outer` and `own` may be null; when given they are read at the
// start and overwritten with the run's working tables at the end (`own`
// last, so when both are the same table it ends up as the own one).
RunResult run_statements(Interpreter& interp, const Code& code, value::VarTable* outer, value::VarTable* own,
                         RunMode mode = RunMode::Program);
RunResult run_statements(Interpreter& interp, const lex::StatementList& statements, value::VarTable* outer,
                         value::VarTable* own, RunMode mode = RunMode::Program);

// Runs `code` with `outer` as its outer table and no own table, for a caller
// that drops the tables afterwards (a call, a block): nothing is written back.
RunResult run_detached(Interpreter& interp, const Code& code, value::VarTable outer, RunMode mode = RunMode::Program);

}  // namespace zirn::exec
