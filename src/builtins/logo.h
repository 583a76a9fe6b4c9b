// The program's logo and maker line, printed by $werhatdasgemacht.
#pragma once

#include <string_view>

namespace zirn::builtins {

extern const std::string_view logo_text;
extern const std::string_view maker_line;

}  // namespace zirn::builtins
