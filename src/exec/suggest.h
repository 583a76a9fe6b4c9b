// "Did you mean ...?": for a function or name that nothing is bound to, the
// builtin or bound name nearest to it, when one is near enough to be the
// name that was meant.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exec/interpreter.h"
#include "base/error.h"

namespace zirn::exec {

// The candidate nearest to `wanted` by edit distance, if it is close enough
// to be a slip of the keyboard: a letter missed, doubled, swapped for another
// or changed in case: up to a third of the letters of both names together
// may differ, so a one-letter name is near no other one-letter name. Among
// equally near candidates the first one wins.
std::optional<std::string> nearest_name(std::string_view wanted, const std::vector<std::string_view>& candidates);

// The names bound right now, in the order they were first interned; with
// `functions_only`, only those bound to a function.
std::vector<std::string_view> names_bound_now(const Interpreter& interp, bool functions_only);

// Sets the suggestion of an error about a missing name: for a function, the
// nearest builtin or name bound to a function; for a name, the nearest bound
// name. Reads the names bound right now.
void suggest_name(Error& error, Interpreter& interp);

}  // namespace zirn::exec
