// Colour at a terminal: the labels of error and warning lines, the prompt
// and the banner. Only where a person reads a terminal: never when NO_COLOR
// is set (to anything but the empty text), when TERM is unset or "dumb", or
// when the text goes to a pipe or a file.
#pragma once

#include <string>
#include <string_view>

namespace zirn::app {

// The decision itself: `no_color` and `term` are the environment's values
// (null when unset).
bool colour_wanted(bool is_terminal, const char* no_color, const char* term);
// The same for the file descriptor `fd` and the process's environment.
bool colour_wanted_for(int fd);

// A report line with its label painted: "error:" at its start, or the
// "warning:" of "warning: ..." and "FILE:LINE: warning: ..."; any other
// line as it is. Every report line passes through here.
std::string paint_report(std::string_view line);

// The banner's text, painted.
std::string paint_banner(std::string_view text);

// A prompt painted for readline: the colour codes are marked as taking no
// room on the screen, so that editing keeps its columns.
std::string paint_prompt_for_readline(std::string_view prompt);

}  // namespace zirn::app
