// The interpreter driven directly: programs run over string streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "app/entry_runner.h"
#include "builtins/registry.h"
#include "host/console.h"
#include "exec/executor.h"
#include "exec/interpreter.h"
#include "base/error.h"
#include "lex/splitter.h"
#include "program_session.h"
#include "value/convert.h"

namespace {

using namespace zirn;
using test_support::Program;


TEST(Interpreter, FunctionsAndArguments)
{
    Program p;
    EXPECT_EQ(p.run("f = { end (arg0 + arg1) }\n$print$($f$(2 3))"), "5\n");
    // The callee sees the caller's arg1 when it is not passed.
    EXPECT_EQ(p.run("g = { end $f$(2) }\n$print$($g$(1 10))"), "12\n");
    // Inside a builtin's arguments arg0 is the builtin's own raw text.
    EXPECT_EQ(p.run("h = {\n$print$(arg0)\nx = arg0\n$print$(x)\n}\n$h$(7)"), "arg0\n7\n");
    // Arguments are fresh Values: the caller's variable is not changed.
    EXPECT_EQ(p.run("inc = {\narg0 += 1\nend arg0\n}\na = 1\n$print$($inc$(a))\n$print$(a)"), "2\n1\n");
    // A block on one line is one statement.
    EXPECT_EQ(p.run("one = { arg0 += 1 end arg0 }\n$print$($one$(5))"), "0\n");
    EXPECT_EQ(p.run("s = \"{ end 4 }\"\n$print$($s)"), "4\n");
    EXPECT_EQ(p.run("t = { end 3 }\n$print$($t)\n$print$($t$)\n$print$($t$(1 2))"), "3\n3\n3\n");
    EXPECT_EQ(p.run("print = { end 1 }\n$print$(\"x\")"), "x\n");
}

TEST(Interpreter, ScopingInPlaceUpdatesStayNewNamesVanish)
{
    Program p;
    EXPECT_EQ(p.run("x = 100\ng = { x = 0 }\n$g\n$print$(x)"), "0\n");
    EXPECT_EQ(p.failure("h = { y = 1 }\n$h\n$print$(y)").first, ErrorKind::IntegerText);
    EXPECT_EQ(p.run("compare (1) {\nx = 5\nnew = 1\n}\n$print$(x)"), "5\n");
    EXPECT_EQ(p.failure("$print$(new)").first, ErrorKind::IntegerText);
    EXPECT_EQ(p.run("exec \"z = 1\"\n$print$(z)"), "1\n");
    // end inside exec text ends only that text; its value is lost.
    EXPECT_EQ(p.result("exec \"end 5\nw = 1\"\n$print$(2)").int_value(), 0);
}

TEST(Interpreter, BuiltinArgumentsAreEvaluatedWhenFetched)
{
    Program p("first\nsecond!\n");
    EXPECT_EQ(p.run("$print$($str$(5 $print$(\"x\")))"), "5\n");
    EXPECT_EQ(p.run("$print$($size$($input))"), "7\n");
    EXPECT_EQ(p.run("$print$($input)"), "\n");
    EXPECT_EQ(p.run("$print$($size$($input))\n$print$(($input + \"|\"))"), "0\n|\n");
    EXPECT_EQ(p.run("$print$($typeof$($print$(\"x\")))"), "x\nunspecified\n");
}

TEST(Interpreter, NotNegates)
{
    Program p;
    EXPECT_EQ(p.run("$print$((not 0))\n$print$((not 5))\n$print$((not 2 - 5))"), "1\n0\n1\n");
    EXPECT_EQ(p.run("x = 1\ny = 0\n$print$((x == 1 and not y))\n$print$((x == 1 and not x))"), "1\n0\n");
    EXPECT_EQ(p.run("$print$((not 1 == 1 or 1))"), "1\n");
}

TEST(Interpreter, OpenCasesAreClearErrors)
{
    Program p;
    EXPECT_EQ(p.failure("$nothing$(1)").first, ErrorKind::UndefinedFunction);
    EXPECT_NE(p.failure("$nothing$(1)").second.find("undefined function 'nothing'"), std::string::npos);
    EXPECT_EQ(p.failure("$$").first, ErrorKind::UndefinedFunction);
    EXPECT_EQ(p.failure("five = 5\n$five").first, ErrorKind::NotCallable);
    EXPECT_EQ(p.failure("$print$((1 +))").first, ErrorKind::MissingOperand);
    EXPECT_EQ(p.failure("$print$((not))").first, ErrorKind::MissingOperand);
    EXPECT_EQ(p.failure("x =").first, ErrorKind::MissingOperand);
    EXPECT_EQ(p.failure("list").first, ErrorKind::MissingOperand);
    EXPECT_EQ(p.failure("compare (1)").first, ErrorKind::MissingOperand);
    EXPECT_EQ(p.failure("$turn$(5)").first, ErrorKind::MissingArgument);
    EXPECT_EQ(p.failure("add nolist 1").first, ErrorKind::UndefinedName);
    EXPECT_EQ(p.failure("list l\nindex l 0 e").first, ErrorKind::IndexOutOfRange);
    EXPECT_EQ(p.failure("add l 1\nremove l 1").first, ErrorKind::IndexOutOfRange);
    EXPECT_EQ(p.failure("remove l -1").first, ErrorKind::IndexOutOfRange);
    EXPECT_EQ(p.failure("s = \"hey\"\nindex s 3 c").first, ErrorKind::IndexOutOfRange);
    EXPECT_EQ(p.failure("p = 1\n(p x) = 1").first, ErrorKind::MissingMember);
    EXPECT_EQ(p.failure("$print$((l -> \"x\"))").first, ErrorKind::MissingMember);
    EXPECT_EQ(p.failure("$print$((\"ab\" * 1000000000))").first, ErrorKind::TooLarge);
    EXPECT_EQ(p.failure("exec \"{\"").first, ErrorKind::Unbalanced);
    EXPECT_EQ(p.failure("$decodelist$(\"(1 $print$(2))\")").first, ErrorKind::DecodeList);
}

TEST(Interpreter, ReplExecReportsErrorsAndGoesOn)
{
    Program p("a = 1\n$print$(undefined)\n$print$(a)\nexec \"b = 2\n$nope\"\n$print$(b)\n");
    const app::ReportingEntryRunner runner;
    p.interp().set_entry_runner(runner);
    const std::string loop = "until (1) {\nexec ($input)\n}";
    try {
        p.run(loop, exec::RunMode::Repl);
        ADD_FAILURE() << "the loop ended without end of input";
    } catch (const exec::EndOfInput&) {
    }
    EXPECT_EQ(p.interp().errors_reported(), 2u);
    const std::string errors = p.errors();
    EXPECT_EQ(errors.rfind("error: stoi: 'undefined'", 0), 0u) << errors;
    EXPECT_NE(errors.find("\nerror: undefined function 'nope'"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);
}

TEST(Interpreter, WithoutAnEntryRunnerAnErrorInATypedEntryEndsTheRepl)
{
    Program p("$print$(1)\n$nope\n$print$(2)\n");
    const std::string loop = "until (1) {\nexec ($input)\n}";
    EXPECT_EQ(p.failure_in_repl(loop), ErrorKind::UndefinedFunction);
    EXPECT_EQ(p.output(), "1\n");
    EXPECT_EQ(p.interp().errors_reported(), 0u);
}

TEST(Interpreter, ReplLoopKeepsNamesAndValuesBoundBeforeAnError)
{
    Program p("x = 1\nlist l\nadd l 7\nx = 2\nadd l 8\nlist l\n$print$(x)\n$print$(l)\nx = (x + \"q\")\n$print$(x)\n");
    const app::ReportingEntryRunner runner;
    p.interp().set_entry_runner(runner);
    const std::string loop = "until (1) {\nexec ($input)\n}";
    EXPECT_THROW(p.run(loop, exec::RunMode::Repl), exec::EndOfInput);
    // `list l` for an existing l is undone with its loop iteration; in-place
    // updates (x = 2, add l 8) stay; an error leaves x as it was.
    EXPECT_EQ(p.output(), "2\n[7, 8]\n2\n");
    EXPECT_EQ(p.errors().rfind("error: stoi", 0), 0u);
    EXPECT_EQ(p.interp().errors_reported(), 1u);
}

}  // namespace
