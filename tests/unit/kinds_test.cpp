// The kinds the compiler picks for statements and expressions, and how a
// numeric fold is quickened while a program runs.
#include <gtest/gtest.h>

#include <string>

#include "base/limits.h"
#include "exec/code.h"
#include "exec/kinds.h"
#include "program_session.h"

namespace {

using namespace zirn;
using exec::NumberFoldKind;
using exec::StatementKind;
using exec::ValueFoldKind;

bool is_general(StatementKind kind) { return exec::general_kind(kind) == kind; }

TEST(KindTable, EverySpecialisedKindFallsBackToAGeneralStatementKind)
{
    const StatementKind general[] = {StatementKind::Empty, StatementKind::Keyword, StatementKind::Call,
                                     StatementKind::Assign, StatementKind::Incomplete};
    for (StatementKind kind : general) EXPECT_TRUE(is_general(kind)) << exec::describe_kind(kind);
    const StatementKind specialised[] = {StatementKind::Compare,    StatementKind::End,
                                         StatementKind::AddPlain,   StatementKind::IndexDirect,
                                         StatementKind::AssignInPlace, StatementKind::AssignCopy,
                                         StatementKind::StoreElement};
    for (StatementKind kind : specialised) {
        EXPECT_FALSE(is_general(kind)) << exec::describe_kind(kind);
        EXPECT_TRUE(is_general(exec::general_kind(kind))) << exec::describe_kind(kind);
        EXPECT_FALSE(exec::describe_kind(kind).empty());
    }
    EXPECT_EQ(exec::most_general_kind(ValueFoldKind::Pair), ValueFoldKind::Operands);
    EXPECT_EQ(exec::general_kind(NumberFoldKind::IntegerPair), NumberFoldKind::Numbers);
    EXPECT_EQ(exec::most_general_kind(NumberFoldKind::Integers), NumberFoldKind::None);
}

// The kind the compiler picks, or its general kind in a build without
// specialised ways.
template <class Kind>
Kind expected(Kind kind)
{
    return exec::specialised_ways ? kind : exec::most_general_kind(kind);
}

const exec::Statement& only_statement(const std::string& text)
{
    static std::vector<exec::CodeRef> kept;  // the statements outlive the call
    kept.push_back(exec::compile(text));
    return kept.back()->statements.front();
}

TEST(KindChoice, StatementsGetTheKindTheirTextShows)
{
    EXPECT_EQ(only_statement("s += i").kind, expected(StatementKind::AssignInPlace));
    EXPECT_EQ(only_statement("s += $str$(k)").kind, StatementKind::Assign);
    EXPECT_EQ(only_statement("s = (a * 2)").kind, expected(StatementKind::AssignCopy));
    EXPECT_EQ(only_statement("(p x) = 1").kind, StatementKind::Assign);
    EXPECT_EQ(only_statement("add l x").kind, expected(StatementKind::AddPlain));
    EXPECT_EQ(only_statement("add l (x + 1)").kind, StatementKind::Keyword);
    EXPECT_EQ(only_statement("index l (i + 1) x").kind, expected(StatementKind::IndexDirect));
    EXPECT_EQ(only_statement("index l $f$(1) x").kind, StatementKind::Keyword);
    EXPECT_EQ(only_statement("compare (a) { }").kind, expected(StatementKind::Compare));
    EXPECT_EQ(only_statement("$f$(1) ignored").kind, StatementKind::Call);
    EXPECT_EQ(only_statement("x =").kind, StatementKind::Incomplete);
    // The specialised keyword kinds read the operands they need from the
    // statement's first words: a statement short of them is a general
    // keyword statement, which reports what is missing.
    EXPECT_EQ(only_statement("compare (a)").kind, StatementKind::Keyword);
    EXPECT_EQ(only_statement("compare").kind, StatementKind::Keyword);
    EXPECT_EQ(only_statement("add l").kind, StatementKind::Keyword);
    EXPECT_EQ(only_statement("index l 0").kind, StatementKind::Keyword);
    EXPECT_EQ(only_statement("end").kind, expected(StatementKind::End));
    test_support::Program session;
    EXPECT_EQ(session.failure("compare (1)").first, ErrorKind::MissingOperand);
    EXPECT_EQ(session.failure("list sk_l\nindex sk_l 0").first, ErrorKind::MissingOperand);
    EXPECT_EQ(session.failure("list sk_l\nadd sk_l").first, ErrorKind::MissingOperand);
    EXPECT_EQ(session.run("sk_f = {\nend\n}\n$print$($sk_f$(1))"), "0\n");
}

TEST(KindChoice, ExpressionsGetTheirFoldKinds)
{
    const exec::Statement& pair = only_statement("i < n");
    EXPECT_EQ(pair.value_fold, expected(ValueFoldKind::Pair));
    EXPECT_EQ(pair.number_fold, expected(NumberFoldKind::IntegerPair));
    const exec::Statement& longer = only_statement("a + (b * 2) - 1");
    EXPECT_EQ(longer.value_fold, ValueFoldKind::Operands);
    EXPECT_EQ(longer.number_fold, expected(NumberFoldKind::Integers));
    // A call or a text operator's operand, `not`, or a lone operand: no numeric fold.
    EXPECT_EQ(only_statement("$f$(1) + 2").number_fold, NumberFoldKind::None);
    EXPECT_EQ(only_statement("$f$(1) + 2").value_fold, expected(ValueFoldKind::Triple));
    EXPECT_EQ(only_statement("not a == b").number_fold, NumberFoldKind::None);
    EXPECT_EQ(only_statement("x").number_fold, NumberFoldKind::None);
    EXPECT_EQ(only_statement("x").value_fold, expected(ValueFoldKind::Lone));
    EXPECT_EQ(only_statement("a -> b").number_fold, NumberFoldKind::None);
}

TEST(Quickening, AFoldWidensOnAFloatAndGivesUpOnTextsWhileResultsStayRight)
{
    if (!exec::specialised_ways) GTEST_SKIP() << "no numeric folds in this build";
    test_support::Program session;
    const exec::Statement& fold = only_statement("q + r");
    ASSERT_EQ(fold.number_fold, NumberFoldKind::IntegerPair);
    EXPECT_EQ(session.run("q = 2\nr = 1\n$print$((q + r))"), "3\n");
    EXPECT_EQ(fold.number_fold, NumberFoldKind::IntegerPair);
    EXPECT_EQ(session.run("q = 2.5\n$print$((q + r))"), "3.500000\n");
    EXPECT_EQ(fold.number_fold, NumberFoldKind::Numbers);
    // Texts decline the numeric fold; after a few it is not tried again.
    for (int round = 0; round < 10; ++round) EXPECT_EQ(session.run("q = 'a'\nr = 'b'\n$print$((q + r))"), "ab\n");
    EXPECT_EQ(fold.number_fold, NumberFoldKind::None);
    // The general fold gives the same numbers.
    EXPECT_EQ(session.run("q = 4\nr = 1\n$print$((q + r))"), "5\n");
    EXPECT_EQ(session.run("q = 0.5\n$print$((q + r))"), "1.500000\n");
}

TEST(Quickening, AFoldThatWentThroughAsIntegersIsLaidOutAsStepsThatDeclineWhereTheTokensWould)
{
    if (!exec::specialised_ways) GTEST_SKIP() << "no numeric folds in this build";
    test_support::Program session;
    const exec::Statement& fold = only_statement("((sa * 3) + 1) - ((sb / 2) * (sa - sb))");
    ASSERT_EQ(fold.number_fold, NumberFoldKind::Integers);
    const std::string print = "$print$((((sa * 3) + 1) - ((sb / 2) * (sa - sb))))";
    EXPECT_EQ(session.run("sa = 7\nsb = 5\n" + print), "18\n");
    ASSERT_EQ(fold.number_fold, NumberFoldKind::IntegerSteps);
    EXPECT_EQ(session.run("sa = 2\nsb = 9\n" + print), "35\n");
    // Each parenthesised level takes a nesting step, as the tokens' fold
    // does: with too little room left the general way reports it.
    session.interp().set_max_nesting(3);
    EXPECT_EQ(session.failure(print).first, ErrorKind::Recursion);
    session.interp().set_max_nesting(limits::max_nesting_depth);
    EXPECT_EQ(fold.number_fold, NumberFoldKind::IntegerSteps);
    // A float widens the fold to numbers, for good.
    EXPECT_EQ(session.run("sa = 0.5\nsb = 5\n" + print), "11.500000\n");
    EXPECT_EQ(fold.number_fold, NumberFoldKind::Numbers);
    EXPECT_EQ(session.run("sa = 7\nsb = 5\n" + print), "18\n");
    // A numbers fold that went through is laid out as steps too, float
    // literals included; a text makes them decline like the tokens' fold.
    EXPECT_EQ(fold.number_fold, NumberFoldKind::NumberSteps);
    EXPECT_EQ(session.run("sa = 0.5\n" + print), "11.500000\n");
    const exec::Statement& real = only_statement("(sa * 0.5) + (sb / 2.5)");
    const std::string print_real = "$print$(((sa * 0.5) + (sb / 2.5)))";
    EXPECT_EQ(session.run(print_real), "2.250000\n");
    EXPECT_EQ(session.run("sa = 3\n" + print_real), "3.500000\n");
    EXPECT_EQ(real.number_fold, NumberFoldKind::NumberSteps);
    EXPECT_EQ(session.run("sb = '5'\n" + print_real), "3.500000\n");
}

TEST(Quickening, AStepThatStartsWithANameAndCombinesTheNextOperandReadsBothAsTwoStepsWould)
{
    if (!exec::specialised_ways) GTEST_SKIP() << "no numeric folds in this build";
    // `(pa - 1)` and `(pb / pc)` are each one step once laid out; what
    // their second operand holds decides as it does for two steps.
    test_support::Program session;
    const exec::Statement& fold = only_statement("(pa - 1) * (pb / pc)");
    const std::string print = "$print$(((pa - 1) * (pb / pc)))";
    EXPECT_EQ(session.run("pa = 5\npb = 9\npc = 2\n" + print), "16\n");
    EXPECT_EQ(session.run(print), "16\n");
    ASSERT_EQ(fold.number_fold, NumberFoldKind::IntegerSteps);
    EXPECT_EQ(session.run("pc = 0\n" + print), "0\n");    // a zero divisor gives 0
    EXPECT_EQ(session.run("pc = '4'\n" + print), "8\n");  // a text read as a number
    EXPECT_NE(session.failure("pc = 'four'\n" + print).second.find("'four'"), std::string::npos);
    EXPECT_EQ(fold.number_fold, NumberFoldKind::IntegerSteps);
    // A float in the second name widens the fold, whose steps then read
    // the pair as numbers.
    EXPECT_EQ(session.run("pc = 0.5\n" + print), "72.000000\n");
    EXPECT_EQ(session.run("pc = 2\n" + print), "16\n");
    EXPECT_EQ(session.run("pc = 0.25\n" + print), "144.000000\n");
    EXPECT_EQ(fold.number_fold, NumberFoldKind::NumberSteps);
    EXPECT_EQ(session.run("pa = 1.5\n" + print), "18.000000\n");
    // Comparisons, `and` and `or` in steps give the truth as 1 or 0.
    const exec::Statement& truth = only_statement("((pa < pb) and (pc >= 1)) or (pb == pc)");
    const std::string print_truth = "$print$((((pa < pb) and (pc >= 1)) or (pb == pc)))";
    EXPECT_EQ(session.run("pa = 2\npb = 3\npc = 1\n" + print_truth), "1\n");
    EXPECT_EQ(session.run(print_truth), "1\n");
    ASSERT_EQ(truth.number_fold, NumberFoldKind::IntegerSteps);
    EXPECT_EQ(session.run("pc = 0\n" + print_truth), "0\n");
    EXPECT_EQ(session.run("pc = 3\npa = 5\n" + print_truth), "1\n");
    EXPECT_EQ(session.run("pc = 4\n" + print_truth), "0\n");
}

TEST(Quickening, IntegerStepsDeclineInAnInterpreterWhereTheirNamesAreNotBound)
{
    if (!exec::specialised_ways) GTEST_SKIP() << "no numeric folds in this build";
    // The steps are kept on the shared parse; another interpreter, whose
    // names have no cells yet, runs the same text.
    const std::string print = "$print$(((qk_first * 3) + (qk_second - 1)))";
    const exec::Statement& fold = only_statement("(qk_first * 3) + (qk_second - 1)");
    {
        test_support::Program session;
        EXPECT_EQ(session.run("qk_first = 4\nqk_second = 2\n" + print), "13\n");
        EXPECT_EQ(session.run(print), "13\n");
        ASSERT_EQ(fold.number_fold, NumberFoldKind::IntegerSteps);
    }
    test_support::Program fresh;
    EXPECT_EQ(fresh.failure(print).first, ErrorKind::IntegerText);
    EXPECT_NE(fresh.failure("qk_first = 1\n" + print).second.find("'qk_second'"), std::string::npos);
    EXPECT_EQ(fresh.run("qk_second = 5\n" + print), "7\n");
    EXPECT_EQ(fold.number_fold, NumberFoldKind::IntegerSteps);
}

TEST(Names, ATokenReadBeforeItsNameExistedFindsItOnceBound)
{
    // The body is parsed once and kept: its token `qk_late_name` is read
    // before any such name was interned, and again after it was bound.
    test_support::Program session;
    session.run("qk_late = { end qk_late_name }");
    EXPECT_NE(session.failure("$print$($qk_late$(1))").second.find("'qk_late_name'"), std::string::npos);
    EXPECT_EQ(session.run("qk_late_name = 5\n$print$($qk_late$(1))"), "5\n");
    // Another interpreter: the token knows the name's id, which has no
    // binding there until one is made.
    test_support::Program other;
    other.run("qk_late = { end qk_late_name }");
    EXPECT_NE(other.failure("$print$($qk_late$(1))").second.find("'qk_late_name'"), std::string::npos);
    EXPECT_EQ(other.run("qk_late_name = 'x'\n$print$($qk_late$(1))"), "x\n");
}

}  // namespace
