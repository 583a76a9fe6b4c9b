#include "builtins/reference.h"

#include <array>
#include <optional>
#include <vector>

#include "builtins/registry.h"
#include "exec/suggest.h"

namespace zirn::builtins {

namespace {

using exec::EntryKind;
using exec::ReferenceEntry;

constexpr ReferenceEntry builtin(std::string_view name, std::string_view synopsis, std::string_view summary,
                                 std::string_view example, std::string_view output)
{
    return {EntryKind::Builtin, name, synopsis, summary, example, output};
}

// One entry per builtin, in registration order (a test checks that this
// table and ZIRN_BUILTINS name the same builtins in the same order).
constexpr std::array builtins{
    builtin("print", "$print$(value [end])",
            "writes value + line end (\"nah\": none, \"r\": CR)",
            "$print$(\"a\" \"nah\")\n$print$(\"b\")\n", "ab\n"),
    ReferenceEntry{EntryKind::Builtin, "input", "$input", "reads one line (\"\" at the end of input)",
                   "name = $input\n$print$((\"hello \" + name))\n", "hello Ada\n", "Ada\n", true},
    builtin("size", "$size$(value)", "bytes of a string, elements of a list",
            "$print$($size$(\"abc\"))\n$print$($size$($range$(4)))\n", "3\n5\n"),
    builtin("turn", "$turn$(value type)", "converts the value to the named type",
            "$print$(($turn$(\"42\" \"integer\") + 1))\n", "43\n"),
    builtin("str", "$str$(value)", "converts the value to a string", "$print$(($str$(5) + \"1\"))\n", "51\n"),
    builtin("int", "$int$(value)", "converts to an integer (a text's leading digits)",
            "$print$(($int$(\"12abc\") + 1))\n$print$($int$(-2.9))\n", "13\n-2\n"),
    builtin("float", "$float$(value)", "converts the value to a float", "$print$($float$(2))\n", "2.000000\n"),
    builtin("func", "$func$(value)", "the value's text; a list's strings unquoted",
            "$print$($func$($decodelist$('(1 \"a\")')))\n", "[1 ,a]\n"),
    builtin("list", "$list$(value)", "converts to a list; a list stays as it is",
            "$print$($list$($range$(1)))\n", "[0, 1]\n"),
    ReferenceEntry{EntryKind::Builtin, "werhatdasgemacht", "$werhatdasgemacht", "prints the ZIRN logo and its maker",
                   "$werhatdasgemacht\n", "-----Was made by Marvek in 2024-----\n", {}, true, true},
    builtin("encodelist", "$encodelist$(list)", "writes the list as one line of text",
            "$print$($encodelist$($range$(2)))\n", "(0 1 2)\n"),
    builtin("decodelist", "$decodelist$(text)", "reads that text back into a list (no calls)",
            "saved = $decodelist$('(1 \"a b\" (2 3))')\n$print$(saved)\n", "[1, \"a b\", [2, 3]]\n"),
    builtin("typeof", "$typeof$(value)", "the name of the value's type",
            "$print$($typeof$(1.5))\n$print$($typeof$(\"1\"))\n", "float\nstring\n"),
    builtin("readfile", "$readfile$(path)", "the whole content of the file",
            "$writefile$(\"note.txt\" \"hi\")\n$print$($readfile$(\"note.txt\"))\n", "hi\n"),
    builtin("writefile", "$writefile$(path content)", "replaces (or creates) the file's content",
            "$writefile$(\"n.txt\" \"one\")\n$writefile$(\"n.txt\" \"two\")\n$print$($readfile$(\"n.txt\"))\n",
            "two\n"),
    builtin("mkdir", "$mkdir$(path)", "creates one folder", "$mkdir$(\"box\")\n$print$($isdir$(\"box\"))\n", "1\n"),
    builtin("rm", "$rm$(path)", "removes a file, or a folder and all in it",
            "$writefile$(\"old.txt\" \"x\")\n$rm$(\"old.txt\")\n$print$($exists$(\"old.txt\"))\n", "0\n"),
    builtin("listdir", "$listdir$(path)", "the names in the folder, as strings",
            "$mkdir$(\"box\")\n$writefile$(\"box/a.txt\" \"\")\n$print$($listdir$(\"box\"))\n", "[\"a.txt\"]\n"),
    builtin("exists", "$exists$(path)", "1 when anything exists at the path, else 0",
            "$print$($exists$(\"nothing-here\"))\n", "0\n"),
    builtin("cd", "$cd$(path)", "makes the folder the current one",
            "$mkdir$(\"box\")\n$cd$(\"box\")\n$writefile$(\"in.txt\" \"x\")\n$cd$(\"..\")\n"
            "$print$($exists$(\"box/in.txt\"))\n",
            "1\n"),
    builtin("isdir", "$isdir$(path)", "1 when the path is a folder, else 0",
            "$writefile$(\"f.txt\" \"x\")\n$print$($isdir$(\"f.txt\"))\n", "0\n"),
    builtin("base64encode", "$base64encode$(text)", "the Base64 text of the text", "$print$($base64encode$(\"hi\"))\n",
            "aGk=\n"),
    builtin("base64decode", "$base64decode$(text)", "the bytes a Base64 text stands for",
            "$print$($base64decode$(\"aGk=\"))\n", "hi\n"),
};

constexpr std::size_t registered_count = [] {
    std::size_t count = 0;
#define ZIRN_BUILTIN_COUNT(name, handler) ++count;
    ZIRN_BUILTINS(ZIRN_BUILTIN_COUNT)
#undef ZIRN_BUILTIN_COUNT
    return count;
}();
static_assert(builtins.size() == registered_count, "one reference entry per registered builtin");

// "$print$(" and "$print" name the builtin print.
std::string_view without_call_marks(std::string_view name)
{
    if (name.size() < 2 || name.front() != '$') return name;
    name.remove_prefix(1);
    if (name.ends_with("$(")) name.remove_suffix(2);
    else if (name.ends_with('$')) name.remove_suffix(1);
    return name;
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

void add_line(std::string& text, std::string_view synopsis, std::string_view summary)
{
    text += "  ";
    text += synopsis;
    const std::size_t width = synopsis.size() + 2;
    text.append(width < exec::synopsis_column ? exec::synopsis_column - width : 1, ' ');
    text += summary;
    text += '\n';
}

void add_indented(std::string& text, std::string_view lines)
{
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        text += "    ";
        for (const char ch : line) {
            // A carriage return would hide what came before it.
            if (ch == '\r') text += "^M";
            else text += ch;
        }
        text += '\n';
        if (end == std::string_view::npos) break;
        lines.remove_prefix(end + 1);
    }
}

std::string_view kind_name(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Statement: return "statement";
    case EntryKind::Operator: return "operator";
    case EntryKind::Builtin: return "builtin";
    }
    return "";
}

}  // namespace

std::span<const ReferenceEntry> builtin_reference() { return builtins; }

const ReferenceEntry* find_reference(std::string_view name)
{
    const ReferenceEntry* found = nullptr;
    const std::string_view bare = without_call_marks(name);
    for_each_reference([&](const ReferenceEntry& entry) {
        if (found != nullptr) return;
        const bool as_call = bare != name;
        if (entry.name == name || (as_call && entry.kind == EntryKind::Builtin && entry.name == bare)) found = &entry;
    });
    return found;
}

std::string call_form(const ReferenceEntry& builtin)
{
    std::string form = "$";
    form += builtin.name;
    if (!builtin.no_arguments) form += "$(";
    return form;
}

std::string cheat_sheet()
{
    std::string text = "Statements (one a line; blocks, strings and parentheses may span lines):\n";
    for (const ReferenceEntry& entry : exec::statement_reference()) {
        if (entry.kind == EntryKind::Statement) add_line(text, entry.synopsis, entry.summary);
    }
    text += "Operators, worked out strictly from left to right (no precedence):\n ";
    for (const ReferenceEntry& entry : exec::statement_reference()) {
        if (entry.kind != EntryKind::Operator) continue;
        text += "  ";
        text += entry.name;
    }
    text += "\nBuiltins:\n";
    for (const ReferenceEntry& entry : builtins) add_line(text, entry.synopsis, entry.summary);
    text += "'help NAME' shows one of them with an example: help print, help until, help +\n"
            "To leave, press Ctrl-D on an empty line. 'man zirn' and the guide say more.\n";
    return text;
}

std::string reference_page(const ReferenceEntry& entry)
{
    std::string text(entry.synopsis);
    text += "   (";
    text += kind_name(entry.kind);
    text += ")\n  ";
    text += entry.summary;
    text += "\nExample:\n";
    add_indented(text, entry.example.substr(0, entry.example.size() - (entry.example.ends_with('\n') ? 1 : 0)));
    if (!entry.input.empty()) {
        text += "with the input:\n";
        add_indented(text, entry.input.substr(0, entry.input.size() - (entry.input.ends_with('\n') ? 1 : 0)));
    }
    text += entry.output_is_tail ? "prints, at its end:\n" : "prints:\n";
    add_indented(text, entry.output.substr(0, entry.output.size() - (entry.output.ends_with('\n') ? 1 : 0)));
    return text;
}

std::string help_text(std::string_view topic)
{
    topic = trimmed(topic);
    if (topic.empty()) return cheat_sheet();
    if (const ReferenceEntry* entry = find_reference(topic)) return reference_page(*entry);
    std::string text = "help: nothing is called '" + std::string(topic) + "'";
    std::vector<std::string_view> names;
    for_each_reference([&](const ReferenceEntry& entry) { names.push_back(entry.name); });
    if (const std::optional<std::string> near = exec::nearest_name(without_call_marks(topic), names)) {
        text += "; did you mean '" + std::string(*near) + "'?";
    } else {
        text += '.';
    }
    text += " 'help' lists everything.\n";
    return text;
}

}  // namespace zirn::builtins
