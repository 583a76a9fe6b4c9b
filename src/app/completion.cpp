#include "app/completion.h"

#include <algorithm>
#include <cctype>

#include "builtins/reference.h"
#include "exec/keywords.h"
#include "exec/suggest.h"

namespace zirn::app {

namespace {

bool is_word(std::string_view name)
{
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) != 0 || name[0] == '_')) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) != 0 || ch == '_'; });
}

std::string as_call(std::string_view name)
{
    std::string call(1, '$');
    call += name;
    call += "$(";
    return call;
}

// A builtin as its reference writes it in a call.
std::string builtin_call(std::string_view name)
{
    for (const exec::ReferenceEntry& entry : builtins::builtin_reference()) {
        if (entry.name == name) return builtins::call_form(entry);
    }
    return as_call(name);
}

}  // namespace

std::vector<std::string> completions(std::string_view word, const std::vector<std::string_view>& names,
                                     const std::vector<std::string_view>& functions,
                                     const exec::BuiltinTable& builtins)
{
    std::vector<std::string> found;
    const bool call = !word.empty() && word.front() == '$';
    const std::string_view prefix = call ? word.substr(1) : word;
    const auto starts = [&](std::string_view name) { return name.substr(0, prefix.size()) == prefix; };
    for (const auto& entry : builtins) {
        if (starts(entry.first)) found.push_back(builtin_call(entry.first));
    }
    if (call) {
        for (std::string_view name : functions) {
            if (is_word(name) && starts(name)) found.push_back(as_call(name));
        }
    } else {
        for (std::string_view keyword : exec::keyword_list) {
            if (starts(keyword)) found.emplace_back(keyword);
        }
        for (std::string_view name : names) {
            if (is_word(name) && starts(name)) found.emplace_back(name);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<std::string> completions(std::string_view word, const exec::Interpreter& interp)
{
    return completions(word, exec::names_bound_now(interp, false), exec::names_bound_now(interp, true),
                       interp.builtins());
}

}  // namespace zirn::app
