// The built-in REPL script, generated at build time from src/app/scripts.
#pragma once

#include <string_view>

namespace zirn::app {

// The whole REPL text: banner, `range`, the Base64 texts `lib` (the library
// snapshot) and `bonus`, the library restore step and the prompt loop.
extern const std::string_view repl_text;

}  // namespace zirn::app
