// What the program checker reports: findings, and the rules they come from.
//
// A finding names a place in the checked text (line and columns counted
// from 1, in bytes), a rule and a message. The command line formats them as
//   prog.ZIRN:3:5: warning: 'y == 5' is no comparison: ... [not-assignment]
// and an editor can take them as they are.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zirn::check {

enum class Severity : std::uint8_t {
    Error,    // the statement fails (or the text cannot run) when reached
    Warning,  // it runs, but very likely not as it reads
};

// X(Rule, name, severity, explanation, fix): every rule the checker knows.
#define ZIRN_CHECK_RULES(X)                                                                                          \
    X(Unbalanced, "unbalanced", Error, "a quote, brace or parenthesis is never closed, so the text cannot be split", \
      "close it; a bracket inside a string inside parentheses or a block counts, keep such texts in a name")        \
    X(BracketInString, "bracket-in-string", Warning,                                                                 \
      "inside parentheses only parentheses count and inside braces only braces: quotes do not protect them",         \
      "assign the text to a name outside any parentheses or braces and use the name")                                \
    X(LineBreakInParentheses, "line-break-in-parentheses", Warning,                                                  \
      "a parenthesised expression or argument list ends at its first line end; the lines after it are ignored",     \
      "write the expression on one line")                                                                            \
    X(GluedKeyword, "glued-keyword", Error, "a keyword is only a keyword with a blank after it",                     \
      "put a blank between the keyword and what follows: compare (x) { ... }")                                       \
    X(DetachedArguments, "detached-arguments", Warning,                                                              \
      "a blank between a call and its parentheses makes the argument list a separate, ignored word",                 \
      "write the parentheses right after the call: $print$(x)")                                                      \
    X(CommaSeparated, "comma-separated", Warning, "arguments are separated by blanks; a comma stays in the argument", \
      "leave the commas out: $f$(a b)")                                                                              \
    X(NotAssignment, "not-assignment", Warning,                                                                      \
      "a statement that starts with a name is an assignment, whatever its second word",                              \
      "write name = value, or name += value (-=, *=, /=); compare values inside compare (...)")                    \
    X(ForeignKeyword, "foreign-keyword", Error, "the first word is another language's keyword, which ZIRN does not know", \
      "write the ZIRN statement the message names")                                                                  \
    X(Comment, "comment", Error, "ZIRN has no comments: # and // start no note",                                     \
      "keep notes inside compare (0) { ... }, a block that never runs")                                              \
    X(IncompleteStatement, "incomplete-statement", Error,                                                            \
      "a statement that is no keyword statement and no call needs three words: name, operator, value",               \
      "write name = value, with blanks around the operator")                                                         \
    X(MissingOperand, "missing-operand", Error, "a keyword statement has fewer operands than it needs",              \
      "write all its operands, as the message shows")                                                                \
    X(BlockExpected, "block-expected", Error, "compare, each and until take their block in braces right after the condition", \
      "put the condition in parentheses: compare (x > 3) { ... }")                                                  \
    X(IgnoredWords, "ignored-words", Warning,                                                                        \
      "words after a complete statement are ignored: an assignment takes one value, a call statement one call",      \
      "put an expression in parentheses, x = (1 + 2), or start a new line")                                          \
    X(OneLineBlock, "one-line-block", Warning,                                                                       \
      "statements are separated by line ends: a block on one line holds one statement, the rest is ignored",         \
      "write the block over several lines, one statement on each")                                                   \
    X(IntegerRange, "integer-range", Error, "an integer written in the program must fit in 32 bits",                 \
      "write a smaller number, or compute it: (2147483647 + 1)")                                                     \
    X(ArgInBuiltin, "arg-in-builtin", Warning,                                                                       \
      "inside a builtin's arguments, arg0, arg1, ... are the builtin's own argument texts",                          \
      "copy the function's argument to a name first: x = arg0, then $print$(x)")                                     \
    X(EmptyArgument, "empty-argument", Error, "an empty argument (from $f$() or an extra blank) cannot be read",      \
      "call without parentheses, $f, and write one blank between arguments")                                         \
    X(EmptyOperand, "empty-operand", Error, "an extra blank in an expression makes an empty operand, which cannot be read", \
      "write one blank between the words of an expression, none after ( or before )")                               \
    X(ExtraBlank, "extra-blank", Warning,                                                                            \
      "an extra blank between two operands is an empty operator, which drops the value worked out so far",          \
      "write one blank between the words of an expression")                                                          \
    X(UnknownOperator, "unknown-operator", Warning, "a word in an operator's place that is no operator gives an unspecified value", \
      "use one of and or == != > >= < <= + - * / ->")                                                                \
    X(MixedOperators, "mixed-operators", Warning,                                                                    \
      "operators apply strictly from left to right, without precedence",                                             \
      "add parentheses around the part meant to go first: (1 + (2 * 3))")

enum class Rule : std::uint8_t {
#define ZIRN_CHECK_RULE_ENUM(rule, name, severity, explanation, fix) rule,
    ZIRN_CHECK_RULES(ZIRN_CHECK_RULE_ENUM)
#undef ZIRN_CHECK_RULE_ENUM
};

struct RuleInfo {
    Rule rule;
    std::string_view name;
    Severity severity;
    std::string_view explanation;
    std::string_view fix;
};

inline constexpr std::array rule_table = {
#define ZIRN_CHECK_RULE_INFO(rule, name, severity, explanation, fix) \
    RuleInfo{Rule::rule, name, Severity::severity, explanation, fix},
    ZIRN_CHECK_RULES(ZIRN_CHECK_RULE_INFO)
#undef ZIRN_CHECK_RULE_INFO
};

inline const RuleInfo& rule_info(Rule rule) { return rule_table[static_cast<std::size_t>(rule)]; }

struct Finding {
    std::uint32_t line = 1;
    std::uint32_t column = 1;      // where the finding's text starts
    std::uint32_t end_column = 1;  // one past where it ends, on the same line
    Severity severity = Severity::Warning;
    Rule rule = Rule::Unbalanced;
    std::string message;

    std::string_view rule_name() const { return rule_info(rule).name; }
};

// "FILE:LINE:COL: error|warning: MESSAGE [rule-name]", without a line end.
std::string format_finding(std::string_view file, const Finding& finding);

}  // namespace zirn::check
