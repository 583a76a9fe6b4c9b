#include "exec/reference.h"

#include <array>

#include "exec/keywords.h"

namespace zirn::exec {

namespace {

constexpr ReferenceEntry statement(std::string_view name, std::string_view synopsis, std::string_view summary,
                                   std::string_view example, std::string_view output)
{
    return {EntryKind::Statement, name, synopsis, summary, example, output};
}

constexpr ReferenceEntry operation(std::string_view name, std::string_view synopsis, std::string_view summary,
                                   std::string_view example, std::string_view output)
{
    return {EntryKind::Operator, name, synopsis, summary, example, output};
}

// The statements in the order of the keyword list (a test checks it).
constexpr std::array statements{
    statement("compare", "compare (condition) { ... }", "runs the block once if the condition is not 0",
              "x = 5\ncompare (x > 3) {\n    $print$(\"big\")\n}\n", "big\n"),
    statement("each", "each (list or text) { ... }", "runs the block for each element, as `element`",
              "each ($range$(2)) {\n    $print$(element)\n}\n", "0\n1\n2\n"),
    statement("until", "until (condition) { ... }", "runs the block WHILE the condition is not 0",
              "n = 0\nuntil (n < 3) {\n    n += 1\n}\n$print$(n)\n", "3\n"),
    statement("end", "end value", "returns a value; in a loop's block, stops it",
              "double = {\n    end (arg0 * 2)\n}\n$print$($double$(21))\n", "42\n"),
    statement("add", "add list value", "appends the value to the list",
              "list l\nadd l 5\nadd l \"x\"\n$print$(l)\n", "[5, \"x\"]\n"),
    statement("remove", "remove list position", "removes the element at the position (from 0)",
              "l = $range$(3)\nremove l 0\n$print$(l)\n", "[1, 2, 3]\n"),
    statement("list", "list name", "makes the name a new, empty list", "list l\n$print$($size$(l))\n", "0\n"),
    statement("where", "where list value target", "target = position of the first equal element",
              "l = $range$(5)\nwhere l 3 at\n$print$(at)\n", "3\n"),
    statement("index", "index list position target", "target = the element at the position (from 0)",
              "l = $decodelist$('(\"a\" \"b\")')\nindex l 1 second\n$print$(second)\n", "b\n"),
    statement("exec", "exec text", "runs the text as statements, right here", "exec '$print$((6 * 7))'\n", "42\n"),
    statement("also", "also 'name'", "loads name.ZIRN from lib/ or the current folder",
              "also 'math'\n$print$($fib$(10))\n", "55\n"),
};

constexpr std::array operators{
    operation("+", "(a + b)", "adds numbers; joins two strings", "$print$((1 + 2))\n$print$((\"ab\" + \"cd\"))\n",
              "3\nabcd\n"),
    operation("-", "(a - b)", "subtracts", "$print$((10 - 2 - 3))\n", "5\n"),
    operation("*", "(a * b)", "multiplies; a string times an integer repeats it",
              "$print$((1 + 2 * 3))\n$print$((\"ab\" * 3))\n", "9\nababab\n"),
    operation("/", "(a / b)", "divides; integer division truncates toward zero",
              "$print$((7 / 2))\n$print$((7.0 / 2))\n", "3\n3.500000\n"),
    operation("==", "(a == b)", "1 when equal, else 0; a number on either side compares as numbers",
              "$print$((1 == 1.0))\n$print$((\"abc\" == \"abd\"))\n", "1\n0\n"),
    operation("!=", "(a != b)", "1 when not equal, else 0", "$print$((\"abc\" != \"abd\"))\n", "1\n"),
    operation("<", "(a < b)", "1 when a is less than b, as numbers", "$print$((2 < 3))\n", "1\n"),
    operation("<=", "(a <= b)", "1 when a is less than or equal to b, as numbers", "$print$((2 <= 2))\n", "1\n"),
    operation(">", "(a > b)", "1 when a is greater than b, as numbers", "$print$((3 > 2.5))\n", "1\n"),
    operation(">=", "(a >= b)", "1 when a is greater than or equal to b, as numbers", "$print$((2 >= 3))\n", "0\n"),
    operation("and", "(a and b)", "1 when neither side is 0; strictly left to right, so group comparisons",
              "$print$(((5 > 3) and (2 > 1)))\n$print$((5 > 3 and 2 > 1))\n", "1\n0\n"),
    operation("or", "(a or b)", "1 when either side is not 0", "$print$((0 or 2))\n", "1\n"),
    operation("not", "(not expression)", "written first: 1 when what follows is 0, else 0",
              "$print$((not 0))\n$print$((not 5))\n", "1\n0\n"),
    operation("=", "name = value", "binds or updates the name; += -= *= /= combine with its value first",
              "x = 4\nx += 1\n$print$(x)\n", "5\n"),
};

constexpr std::array all = [] {
    std::array<ReferenceEntry, statements.size() + operators.size()> joined{};
    std::size_t at = 0;
    for (const ReferenceEntry& entry : statements) joined[at++] = entry;
    for (const ReferenceEntry& entry : operators) joined[at++] = entry;
    return joined;
}();

static_assert(statements.size() == keyword_list.size(), "one entry per statement keyword");

}  // namespace

std::span<const ReferenceEntry> statement_reference() { return all; }

}  // namespace zirn::exec
