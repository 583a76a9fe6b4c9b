// What Tab offers at the prompt for the word before the cursor: keywords,
// builtins and user functions written as calls (`$print$(`), and the names
// bound at the prompt.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exec/interpreter.h"

namespace zirn::app {

// Everything `word` can be completed to, sorted, without repeats:
//   - a word starting with "$": the builtins and the names bound to a
//     function, as calls ("$pr" gives "$print$("; a builtin that takes no
//     arguments comes without a list: "$inp" gives "$input");
//   - any other word: the keywords, the names bound (as themselves) and the
//     builtins as calls ("pr" gives "$print$(").
// `names` and `functions` are the names bound right now, all of them and
// those bound to a function. Names that are no words (`list = 5` binds "=")
// are left out.
std::vector<std::string> completions(std::string_view word, const std::vector<std::string_view>& names,
                                     const std::vector<std::string_view>& functions,
                                     const exec::BuiltinTable& builtins);

// The same for the interpreter's names right now.
std::vector<std::string> completions(std::string_view word, const exec::Interpreter& interp);

}  // namespace zirn::app
