// The program checker: reads a ZIRN program without running it and reports
// what can be seen in its text, from text that cannot be split (an error)
// to statements that run but very likely not as they read (a warning).
//
// It never runs anything and reads nothing but the text it is given (an
// `also` names a file it does not open). It looks inside every block and
// parenthesised expression the way the interpreter will split them when
// they run, except blocks that never run (`compare (0) { ... }`, the way
// notes are kept).
#pragma once

#include <string_view>
#include <vector>

#include "check/findings.h"

namespace zirn::check {

// The findings for the program `text`, ordered by line and column. A first
// line starting with "#!" is skipped, as when the program runs.
std::vector<Finding> check_program(std::string_view text);

}  // namespace zirn::check
