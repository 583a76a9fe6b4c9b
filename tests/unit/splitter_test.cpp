// The statement and token splitter, and split_on_char.
#include <gtest/gtest.h>

#include <sstream>

#include "base/error.h"
#include "lex/splitter.h"

namespace {

using zirn::lex::split_on_char;
using zirn::lex::split_statements;
using zirn::lex::Statement;
using zirn::lex::StatementList;

TEST(Splitter, EmptyTextIsOneStatementWithOneEmptyToken)
{
    EXPECT_EQ(split_statements(""), (StatementList{{""}}));
}

TEST(Splitter, BlanksAndTabsSeparateTokensAndDoubledBlanksGiveEmptyTokens)
{
    EXPECT_EQ(split_statements("a  b"), (StatementList{{"a", "", "b"}}));
    EXPECT_EQ(split_statements("a\tb c"), (StatementList{{"a", "b", "c"}}));
    // A blank before the line feed leaves an empty last token.
    EXPECT_EQ(split_statements("a \nb"), (StatementList{{"a", ""}, {"b"}}));
    // Blanks at the very beginning of the text are not indentation.
    EXPECT_EQ(split_statements("  a"), (StatementList{{"", "", "a"}}));
}

TEST(Splitter, LineFeedsEndStatementsAndIndentationIsDropped)
{
    EXPECT_EQ(split_statements("x\n\t  y"), (StatementList{{"x"}, {"y"}}));
    EXPECT_EQ(split_statements("x\n"), (StatementList{{"x"}, {""}}));
    EXPECT_EQ(split_statements("x\n\n"), (StatementList{{"x"}, {""}, {""}}));
    EXPECT_EQ(split_statements("\nx\n\ny"), (StatementList{{""}, {"x"}, {""}, {"y"}}));
}

TEST(Splitter, QuotesBracesAndParenthesesStayInsideOneToken)
{
    EXPECT_EQ(split_statements("x = \"a b\" y"), (StatementList{{"x", "=", "\"a b\"", "y"}}));
    EXPECT_EQ(split_statements("(a (b) c) d"), (StatementList{{"(a (b) c)", "d"}}));
    EXPECT_EQ(split_statements("f = {\nprint x\n}"), (StatementList{{"f", "=", "{\nprint x\n}"}}));
    // A token ends only at a blank, tab or line feed.
    EXPECT_EQ(split_statements("\"abc\"def g"), (StatementList{{"\"abc\"def", "g"}}));
    // Unmatched closers at top level are ordinary characters.
    EXPECT_EQ(split_statements("}) a"), (StatementList{{"})", "a"}}));
    // A quoted string may span lines.
    EXPECT_EQ(split_statements("s = \"\n\"\nt"), (StatementList{{"s", "=", "\"\n\""}, {"t"}}));
}

TEST(Splitter, OnlyTheOpenKindOfNestingCounts)
{
    EXPECT_EQ(split_statements("\"it's\" x"), (StatementList{{"\"it's\"", "x"}}));
    EXPECT_EQ(split_statements("'say \"hi\"' x"), (StatementList{{"'say \"hi\"'", "x"}}));
    EXPECT_EQ(split_statements("{ 'x } y"), (StatementList{{"{ 'x }", "y"}}));
    EXPECT_EQ(split_statements("( { ) y"), (StatementList{{"( { )", "y"}}));
    EXPECT_EQ(split_statements("{ ( } y"), (StatementList{{"{ ( }", "y"}}));
    EXPECT_EQ(split_statements("{a {b} c} d"), (StatementList{{"{a {b} c}", "d"}}));
}

TEST(Splitter, CarriageReturnAndHighBytesAreOrdinary)
{
    EXPECT_EQ(split_statements("a b\r\nc"), (StatementList{{"a", "b\r"}, {"c"}}));
    EXPECT_EQ(split_statements("\xc3\xa4 \xff"), (StatementList{{"\xc3\xa4", "\xff"}}));
}

TEST(Splitter, OpenTextIsAnUnbalancedError)
{
    for (const char* text : {"\"abc", "'abc", "{ x", "(a (b)", "f = { print \"}\" }\n", "$print$(\")\")"}) {
        try {
            split_statements(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const zirn::Error& error) {
            EXPECT_EQ(error.kind(), zirn::ErrorKind::Unbalanced) << text;
            EXPECT_NE(std::string(error.what()).find("unbalanced"), std::string::npos) << text;
        }
    }
    EXPECT_TRUE(zirn::lex::is_balanced("f = {\n}\nx"));
    EXPECT_FALSE(zirn::lex::is_balanced("f = {\n"));
}

TEST(Splitter, TraceWritesEveryByte)
{
    std::ostringstream trace;
    const StatementList result = split_statements("a b\n c", 1, trace);
    EXPECT_EQ(result, (StatementList{{"a", "b"}, {"c"}}));
    EXPECT_EQ(trace.str(),
              "debugging mode is activated, printing debug information while parsing.\n"
              "0/a\n1/ \n2/b\n3/\n\ndetected newline, reset\n4/ \n5/c\n");
    std::ostringstream quiet;
    split_statements("a", 2, quiet);
    EXPECT_EQ(quiet.str(), "0/a\n");
}

TEST(SplitOnChar, WorksLikeALineReadingLoop)
{
    using Pieces = std::vector<std::string>;
    EXPECT_EQ(split_on_char("$print$(x)", '$'), (Pieces{"", "print", "(x)"}));
    EXPECT_EQ(split_on_char("a$$b$", '$'), (Pieces{"a", "", "b"}));
    EXPECT_EQ(split_on_char("", '$'), Pieces{});
    EXPECT_EQ(split_on_char("abc", '$'), Pieces{"abc"});
    EXPECT_EQ(split_on_char("$", '$'), Pieces{""});
}

}  // namespace
