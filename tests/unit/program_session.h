// One interpreter over string streams, for tests that run ZIRN texts in
// the same top-level table one after another, as lines typed at one prompt.
#pragma once

#include <sstream>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "base/error.h"
#include "builtins/registry.h"
#include "exec/executor.h"
#include "exec/interpreter.h"
#include "host/console.h"
#include "lex/splitter.h"
#include "value/var_table.h"

namespace zirn::test_support {

// One interpreter with its console over string streams. Every `run` works
// in the same top-level table, as the lines typed at one prompt would.
class Program {
public:
    explicit Program(const std::string& input = "")
        : m_in(input), m_console(m_in, m_out, m_err), m_interp(builtins::builtin_table(), m_console)
    {
        m_interp.set_file_access(exec::FileAccess::Disabled);
    }

    // Runs `text` and returns what it printed.
    std::string run(const std::string& text, exec::RunMode mode = exec::RunMode::Program)
    {
        m_out.str("");
        exec::run_statements(m_interp, lex::split_statements(text), nullptr, &m_top, mode);
        return m_out.str();
    }

    // Runs `text` and returns the result value of the run.
    value::Value result(const std::string& text)
    {
        return exec::run_statements(m_interp, lex::split_statements(text), nullptr, &m_top).value;
    }

    // Runs `text`, which must fail, and returns the error's kind and message.
    std::pair<ErrorKind, std::string> failure(const std::string& text)
    {
        try {
            run(text);
        } catch (const Error& error) {
            return {error.kind(), error.what()};
        }
        ADD_FAILURE() << "no error from: " << text;
        return {ErrorKind::Interrupted, ""};
    }

    // Runs `loop` as the REPL's script, which must fail, and gives the kind.
    ErrorKind failure_in_repl(const std::string& loop)
    {
        try {
            run(loop, exec::RunMode::Repl);
        } catch (const Error& error) {
            return error.kind();
        }
        ADD_FAILURE() << "no error from the REPL loop";
        return ErrorKind::Interrupted;
    }

    std::string output() const { return m_out.str(); }
    std::string errors() const { return m_err.str(); }
    exec::Interpreter& interp() { return m_interp; }

private:
    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
    host::StreamConsole m_console;
    exec::Interpreter m_interp;
    value::VarTable m_top;
};

}  // namespace zirn::test_support
