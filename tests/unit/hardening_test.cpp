// The hardening pieces: the sandboxed file system, the step budget and the
// collector that frees lists holding themselves.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "app/session.h"
#include "builtins/registry.h"
#include "host/console.h"
#include "exec/executor.h"
#include "exec/interpreter.h"
#include "host/sandbox.h"
#include "base/error.h"
#include "lex/splitter.h"
#include "value/convert.h"

namespace {

using namespace zirn;

struct SessionResult {
    int status;
    std::string out;
    std::string err;
};

struct SessionCall {
    const std::string& input;
    std::uint64_t budget;
    SessionResult result{};
};

// A sandboxed session on the interpreter's own large, guarded stack, as the
// zirn binary runs it.
SessionResult run_sandboxed(const std::string& input, std::uint64_t budget = 0)
{
    SessionCall call{input, budget};
    app::run_on_interpreter_stack(
        [](void* raw) {
            auto& call = *static_cast<SessionCall*>(raw);
            std::istringstream in(call.input);
            std::ostringstream out, err;
            host::StreamConsole console(in, out, err);
            const int status = app::run_session(console, exec::FileAccess::Sandboxed, call.budget);
            call.result = {status, out.str(), err.str()};
            return status;
        },
        &call);
    return call.result;
}

// Runs a session from a fresh empty folder and checks it stayed empty.
class SandboxSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        m_folder = std::filesystem::temp_directory_path() /
                   ("zirn_sandbox_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
        std::filesystem::current_path(m_folder);
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_folder);
    }
    bool folder_untouched() const { return std::filesystem::is_empty(m_folder); }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_folder;
};

TEST_F(SandboxSession, FilesLiveOnlyInTheSession)
{
    const SessionResult result = run_sandboxed(
        "$mkdir$(\"d\")\n"
        "$writefile$(\"d/f\" \"hello\")\n"
        "$print$($readfile$(\"d/f\"))\n"
        "$print$($listdir$(\"d\"))\n"
        "$print$($isdir$(\"d\"))\n$print$($isdir$(\"d/f\"))\n$print$($exists$(\"d/f\"))\n"
        "$print$($exists$(\"nope\"))\n"
        "$rm$(\"d\")\n"
        "$print$($exists$(\"d/f\"))\n$print$($readfile$(\"d/f\"))\n"
        "$writefile$(\"missing/f\" 1)\n"
        "$cd$(\"nope\")\n");
    // The start-up rebuilt lib inside the sandbox, not here.
    EXPECT_NE(result.out.find("reconstructing from snapshot"), std::string::npos);
    EXPECT_NE(result.out.find("> hello\n"), std::string::npos);
    EXPECT_NE(result.out.find("> [\"f\"]\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("> 1\n> 0\n> 1\n> 0\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("> 0\n> \n"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("error: writefile: cannot use 'missing/f'"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("error: cd: cannot use 'nope'"), std::string::npos) << result.err;
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(folder_untouched());
}

TEST_F(SandboxSession, AlsoLoadsTheRestoredLibrary)
{
    // The restored lib folder is in the sandbox, so `also` finds it there,
    // and a file written at the top is found after lib.
    const SessionResult result = run_sandboxed(
        "$print$($listdir$(\"lib\"))\n"
        "$writefile$(\"mine.ZIRN\" \"loaded = 42\")\n"
        "also \"mine\"\n"
        "$print$(loaded)\n");
    EXPECT_NE(result.out.find("[\"dict.ZIRN\", \"math.ZIRN\", \"snapshot.ZIRN\"]"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("> 42\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(folder_untouched());
}

TEST_F(SandboxSession, RemovingTheRootOrAPathEndingInDotsIsRefused)
{
    const SessionResult result = run_sandboxed(
        "$mkdir$(\"d\")\n$mkdir$(\"d/e\")\n$writefile$(\"d/e/f\" \"kept\")\n$cd$(\"d/e\")\n"
        "$rm$(\"/\")\n$rm$(\"//\")\n$rm$(\".\")\n$rm$(\"..\")\n$rm$(\"../\")\n$rm$(\"../e/..\")\n"
        "$rm$(\"/d/e/.\")\n$rm$(\"././/\")\n"
        "$print$($readfile$(\"f\"))\n$print$($exists$(\"/lib\"))\n"
        // Names that only start or end with dots are ordinary names.
        "$writefile$(\"..x\" 1)\n$writefile$(\"x..\" 1)\n$rm$(\"..x\")\n$rm$(\"x..\")\n"
        "$print$($exists$(\"..x\"))\n$print$($exists$(\"x..\"))\n");
    for (const char* path : {"'/'", "'//'", "'.'", "'..'", "'../'", "'../e/..'", "'/d/e/.'", "'././/'"}) {
        EXPECT_NE(result.err.find(std::string("error: rm: cannot remove ") + path + ": "), std::string::npos) << path;
    }
    EXPECT_NE(result.err.find("cannot remove '/': it is the root folder"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("cannot remove '..': a path ending in '.' or '..' is never removed"), std::string::npos);
    EXPECT_NE(result.out.find("> kept\n> 1\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("> 0\n> 0\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(folder_untouched());
}

TEST(SandboxFiles, KeepsAFolderTree)
{
    host::SandboxFiles files;
    EXPECT_TRUE(files.is_directory("."));
    files.make_directory("a");
    files.make_directory("./a/b/");
    files.change_directory("a");
    files.write("b/../b/c", "x");
    EXPECT_TRUE(files.exists("/a/b/c"));
    files.change_directory("../../..");
    EXPECT_TRUE(files.exists("a/b/c"));
    files.write("a/top", "yy");
    EXPECT_EQ(files.list("a"), (std::vector<std::string>{"b", "top"}));
    EXPECT_EQ(files.list("."), (std::vector<std::string>{"a"}));
    EXPECT_EQ(files.read("a/b/c"), "x");
    EXPECT_FALSE(files.read("a/b").has_value());
    EXPECT_THROW(files.write("a", "folder"), Error);
    EXPECT_THROW(files.make_directory("a/top"), Error);
    EXPECT_THROW(files.make_directory("x/y"), Error);
    EXPECT_THROW(files.list("a/top"), Error);
    // Removing a folder takes everything below it, but not a sibling whose
    // name merely starts the same.
    files.make_directory("ab");
    files.write("ab/keep", "k");
    files.remove("a");
    EXPECT_FALSE(files.exists("a/b/c"));
    EXPECT_FALSE(files.exists("a"));
    EXPECT_EQ(files.read("ab/keep"), "k");
}

TEST(SandboxFiles, CapsTheContentItHolds)
{
    host::SandboxFiles files;
    const std::string half(host::SandboxFiles::max_content_bytes / 2, 'x');
    files.write("one", half);
    files.write("one", half);  // replacing does not add up
    files.write("two", half);
    try {
        files.write("three", "x");
        FAIL() << "the cap was not enforced";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::TooLarge);
    }
    files.remove("two");
    files.write("three", "x");
    EXPECT_EQ(files.read("three"), "x");
}

TEST(StepBudget, EndsARunawaySession)
{
    const SessionResult result = run_sandboxed("x = 0\nuntil (1) {}\n$print$(\"never\")\n", 5000);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("step budget exhausted"), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("never"), std::string::npos);
}

TEST(StepBudget, LetsAProgramWithinItFinish)
{
    const SessionResult result = run_sandboxed("x = 0\nuntil (x < 100) {\n  x += 1\n}\n$print$(x)\n", 5000);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("> 100\n"), std::string::npos) << result.out;
}

TEST(StepBudget, CountsRecursion)
{
    const SessionResult result = run_sandboxed("f = {\n  end $f$(1)\n}\n$f$(1)\n", 1000);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("step budget exhausted"), std::string::npos) << result.err;
}

// An interpreter and one top-level table, for the collector tests.
class Cycles : public ::testing::Test {
protected:
    Cycles() : m_console(m_in, m_out, m_out), m_interp(builtins::builtin_table(), m_console) {}

    void run(const std::string& text) { exec::run_statements(m_interp, lex::split_statements(text), nullptr, &m_top); }
    static std::size_t live() { return value::allocated_value_count(); }

    std::istringstream m_in;
    std::ostringstream m_out;
    host::StreamConsole m_console;
    exec::Interpreter m_interp;
    value::VarTable m_top;
};

TEST_F(Cycles, FreesAListThatHoldsItselfOnceDropped)
{
    run("list a\nadd a 1\nindex a 0 e\ne = a\n");
    // While the names are bound, the cycle is live and stays whole.
    EXPECT_EQ(m_interp.cycles().collect(), 0u);
    EXPECT_EQ(value::to_text(**m_top.find("e")), "[[[...]]]");
    const std::size_t before = live();
    m_top = value::VarTable();
    const std::size_t dropped = live();
    EXPECT_EQ(dropped, before - 1);  // `a` went; `e` holds itself
    EXPECT_GE(m_interp.cycles().collect(), 1u);
    EXPECT_EQ(live(), dropped - 1);
}

TEST_F(Cycles, KeepsWhatIsStillHeldFromOutside)
{
    // Two lists holding each other, one of them still bound through an
    // element of a third list.
    run("list a\nlist b\nadd a 0\nadd b 0\nindex a 0 x\nindex b 0 y\nx = b\ny = a\nlist keep\nadd keep 0\n"
        "index keep 0 k\nk = a\n");
    {
        value::VarTable kept;
        kept.bind("keep", *m_top.find("keep"));
        m_top = std::move(kept);
    }
    const std::size_t held = live();
    EXPECT_EQ(m_interp.cycles().collect(), 0u);
    EXPECT_EQ(live(), held);
    EXPECT_EQ(value::to_text(**m_top.find("keep")).substr(0, 4), "[[[[");
    m_top = value::VarTable();
    EXPECT_GE(m_interp.cycles().collect(), 1u);
    EXPECT_EQ(live(), 0u);  // nothing of the session is left
}

TEST_F(Cycles, FreesCyclesMadeInsideFunctions)
{
    run("f = {\n  list b\n  add b 2\n  index b 0 g\n  g = b\n}\n");
    const std::size_t before = live();
    for (int i = 0; i < 50; ++i) run("$f$(0)\n");
    EXPECT_GE(m_interp.cycles().candidates(), 50u);
    EXPECT_GE(m_interp.cycles().collect(), 50u);
    EXPECT_EQ(m_interp.cycles().candidates(), 0u);
    EXPECT_EQ(live(), before);
}

}  // namespace
