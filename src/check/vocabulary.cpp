#include "check/vocabulary.h"

#include <algorithm>
#include <array>
#include <string>

#include "builtins/registry.h"

namespace zirn::check {

using exec::OperatorKind;

namespace {

constexpr std::array<std::string_view, 23> builtin_names = {
#define ZIRN_CHECK_BUILTIN_NAME(name, handler) name,
    ZIRN_BUILTINS(ZIRN_CHECK_BUILTIN_NAME)
#undef ZIRN_CHECK_BUILTIN_NAME
};

// Words other languages start statements with, and the ZIRN way instead.
constexpr std::array<ForeignWord, 27> foreign_words = {{
    {"while", "loops are written until (condition) { ... }, which runs while the condition holds"},
    {"if", "a condition is written compare (condition) { ... }"},
    {"else", "ZIRN has no else: write a second compare with the opposite condition"},
    {"elif", "ZIRN has no elif: write a second compare with its own condition"},
    {"elseif", "ZIRN has no elseif: write a second compare with its own condition"},
    {"for", "a loop over a list is written each (list) { ... }, with the element in element"},
    {"foreach", "a loop over a list is written each (list) { ... }, with the element in element"},
    {"return", "a function returns its value with end value"},
    {"break", "a loop is left with end inside its block"},
    {"continue", "ZIRN has no continue: put the rest of the round in a compare block"},
    {"def", "a function is a block given a name, name = { ... }, called as $name$(...)"},
    {"function", "a function is a block given a name, name = { ... }, called as $name$(...)"},
    {"fn", "a function is a block given a name, name = { ... }, called as $name$(...)"},
    {"fun", "a function is a block given a name, name = { ... }, called as $name$(...)"},
    {"func", "a function is a block given a name, name = { ... }, called as $name$(...)"},
    {"proc", "a function is a block given a name, name = { ... }, called as $name$(...)"},
    {"print", "output is written with the builtin call $print$(value)"},
    {"println", "output is written with the builtin call $print$(value)"},
    {"echo", "output is written with the builtin call $print$(value)"},
    {"puts", "output is written with the builtin call $print$(value)"},
    {"printf", "output is written with the builtin call $print$(value)"},
    {"import", "a library is loaded with also 'name'"},
    {"include", "a library is loaded with also 'name'"},
    {"require", "a library is loaded with also 'name'"},
    {"let", "names need no declaration: write name = value"},
    {"var", "names need no declaration: write name = value"},
    {"local", "names need no declaration: write name = value"},
}};

}  // namespace

bool is_builtin(std::string_view name)
{
    return std::find(builtin_names.begin(), builtin_names.end(), name) != builtin_names.end();
}

bool reads_no_argument(std::string_view builtin) { return builtin == "input" || builtin == "werhatdasgemacht"; }

const ForeignWord* foreign_word(std::string_view word)
{
    for (const ForeignWord& foreign : foreign_words) {
        if (foreign.word == word) return &foreign;
    }
    return nullptr;
}

bool looks_like_comment(std::string_view word) { return word.starts_with('#') || word.starts_with("//"); }

bool is_proper_assignment(std::string_view op)
{
    if (op == "=") return true;
    return op.size() == 2 && op[1] == '=' && (op[0] == '+' || op[0] == '-' || op[0] == '*' || op[0] == '/');
}

int binding_strength(OperatorKind op)
{
    switch (op) {
    case OperatorKind::Or: return 1;
    case OperatorKind::And: return 2;
    case OperatorKind::Equal:
    case OperatorKind::NotEqual:
    case OperatorKind::Greater:
    case OperatorKind::GreaterEqual:
    case OperatorKind::Less:
    case OperatorKind::LessEqual: return 3;
    case OperatorKind::Add:
    case OperatorKind::Subtract: return 4;
    case OperatorKind::Multiply:
    case OperatorKind::Divide: return 5;
    case OperatorKind::Member: return 6;
    case OperatorKind::None:
    case OperatorKind::Unknown: return 0;
    }
    return 0;
}

std::optional<std::size_t> argument_index(std::string_view word)
{
    if (!word.starts_with("arg") || word.size() < 4 || word.size() > 12) return std::nullopt;
    std::size_t index = 0;
    for (char ch : word.substr(3)) {
        if (ch < '0' || ch > '9') return std::nullopt;
        index = index * 10 + static_cast<std::size_t>(ch - '0');
    }
    // arg00 is a name of its own: calls bind arg0.
    if (std::to_string(index) != word.substr(3)) return std::nullopt;
    return index;
}

bool integer_literal_too_large(std::string_view word)
{
    if (word.find('.') != std::string_view::npos) return false;
    std::size_t at = 0;
    bool negative = false;
    if (at < word.size() && (word[at] == '+' || word[at] == '-')) negative = word[at++] == '-';
    while (at < word.size() && word[at] == '0') ++at;
    std::size_t digits = 0;
    std::uint64_t magnitude = 0;
    for (; at < word.size() && word[at] >= '0' && word[at] <= '9'; ++at) {
        if (++digits > 10) return true;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(word[at] - '0');
    }
    return magnitude > (negative ? 2147483648ULL : 2147483647ULL);
}

}  // namespace zirn::check
