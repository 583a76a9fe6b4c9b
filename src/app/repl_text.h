// The built-in REPL script and library files, generated at build time from
// src/app/scripts.
#pragma once

#include <string_view>
#include <vector>

#include "app/library_search.h"

namespace zirn::app {

// The whole REPL text: banner, `range`, the Base64 texts `lib` (the library
// snapshot) and `bonus`, the library restore step and the prompt loop.
extern const std::string_view repl_text;

// The part of the REPL text that defines `range`, `lib` and `bonus`: what a
// program run from a file finds defined, as at the prompt.
extern const std::string_view program_prelude;

// The library files dict.ZIRN, math.ZIRN and snapshot.ZIRN, as the snapshot
// restores them.
extern const std::vector<LibraryFile> library_files;

}  // namespace zirn::app
