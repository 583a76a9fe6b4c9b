#include "exec/suggest.h"

#include <algorithm>
#include <cctype>

#include "exec/warnings.h"
#include "value/names.h"

namespace zirn::exec {

namespace {

// Costs in half steps, so that a change of case alone counts half.
constexpr std::size_t edit_cost = 2;
constexpr std::size_t case_cost = 1;
// Names longer than this are not compared: a suggestion is for slips, and
// the comparison costs the product of the lengths.
constexpr std::size_t longest_compared = 80;

std::size_t substitution_cost(char a, char b)
{
    if (a == b) return 0;
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return lower(a) == lower(b) ? case_cost : edit_cost;
}

// Levenshtein distance in half steps; anything above `limit` counts as
// limit + 1, so hopeless candidates stop early.
std::size_t distance(std::string_view a, std::string_view b, std::size_t limit)
{
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap * edit_cost > limit) return limit + 1;
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j * edit_cost;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i * edit_cost;
        std::size_t row_best = row[0];
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({above + edit_cost, row[j - 1] + edit_cost,
                               diagonal + substitution_cost(a[i - 1], b[j - 1])});
            diagonal = above;
            row_best = std::min(row_best, row[j]);
        }
        if (row_best > limit) return limit + 1;
    }
    return row[b.size()];
}

}  // namespace

std::optional<std::string> nearest_name(std::string_view wanted, const std::vector<std::string_view>& candidates)
{
    if (wanted.empty() || wanted.size() > longest_compared) return std::nullopt;
    std::optional<std::string> best;
    std::size_t best_distance = 0;
    for (std::string_view candidate : candidates) {
        if (candidate == wanted || candidate.empty() || candidate.size() > longest_compared) continue;
        // Up to a third of the letters of both names together may differ.
        std::size_t limit = (wanted.size() + candidate.size() + 3) * edit_cost / 6;
        if (best) limit = std::min(limit, best_distance - 1);
        const std::size_t d = distance(wanted, candidate, limit);
        if (d > limit) continue;
        best = std::string(candidate);
        best_distance = d;
        if (d == 0) break;
    }
    return best;
}

std::vector<std::string_view> names_bound_now(const Interpreter& interp, bool functions_only)
{
    std::vector<std::string_view> names;
    interp.bindings().for_each_bound([&](value::NameId name, const value::ValueRef& ref) {
        if (!functions_only || ref->is(value::Type::Func)) names.push_back(value::name_text(name));
    });
    return names;
}

namespace {

// For a missing argN: how many arguments the call running here was given.
std::string argument_count_advice(Interpreter& interp)
{
    std::size_t count = 0;
    while (interp.bindings().find(value::argument_name(count)) != nullptr) ++count;
    if (count == 0) return "no call running here was given arguments";
    std::string advice = "the function was called with " + std::to_string(count) +
                         (count == 1 ? " argument, arg0" : " arguments, arg0 to arg" + std::to_string(count - 1));
    return advice + "; pass every argument it reads";
}

}  // namespace

void suggest_name(Error& error, Interpreter& interp)
{
    if (error.missing_kind() == MissingKind::Name && is_argument_name(error.missing_name())) {
        error.set_suggestion("");
        error.set_advice(argument_count_advice(interp));
        return;
    }
    const bool function = error.missing_kind() == MissingKind::Function;
    std::vector<std::string_view> candidates;
    if (function) {
        for (const auto& entry : interp.builtins()) candidates.push_back(entry.first);
    }
    for (std::string_view name : names_bound_now(interp, function)) candidates.push_back(name);
    error.set_suggestion(nearest_name(error.missing_name(), candidates).value_or(""));
}

}  // namespace zirn::exec
