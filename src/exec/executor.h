// The statement executor.
//
// `run_statements` runs a statement list. Each statement is a keyword
// statement (first token one of the eleven keywords), a call statement (first
// token starts with "$") or an assignment. Names are read and bound through
// the interpreter's cells (bindings.h); what a run binds lasts as long as the
// table rules of its caller say.
#pragma once

#include "exec/code.h"
#include "exec/interpreter.h"
#include "base/error.h"
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

// Runs `code` as the outermost run of the interpreter, with the names of
// `outer` and `own` (either may be null) bound. At the end, on every way
// out, each table is overwritten with the run's bindings of its names, and
// `own` (or `outer` when there is no `own`) also receives every name the
// run bound for the first time. An `outer` name wins over an `own` one.
RunResult run_statements(Interpreter& interp, const Code& code, value::VarTable* outer, value::VarTable* own,
                         RunMode mode = RunMode::Program);
RunResult run_statements(Interpreter& interp, const lex::StatementList& statements, value::VarTable* outer,
                         value::VarTable* own, RunMode mode = RunMode::Program);

// Notes on an error leaving a run where it happened: the file and line of
// `statement` when it is the innermost one from a file, or the line of the
// call that led into the function the error came out of. Also looks for a
// suggestion for a missing name.
void note_statement(Error& error, Interpreter& interp, const Statement& statement);
// Runs `code` with the names bound right now; every binding it makes ends
// with it (a call's body, a block). The caller counts the nesting.
RunResult run_dropped(Interpreter& interp, const Code& code, RunMode mode = RunMode::Program);

}  // namespace zirn::exec
