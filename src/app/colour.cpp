#include "app/colour.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace zirn::app {

namespace {

constexpr std::string_view reset = "\033[0m";
constexpr std::string_view error_colour = "\033[1;31m";    // bold red
constexpr std::string_view warning_colour = "\033[1;35m";  // bold magenta
constexpr std::string_view banner_colour = "\033[1;36m";   // bold cyan
constexpr std::string_view prompt_colour = "\033[1;32m";   // bold green

std::string painted(std::string_view text, std::string_view colour)
{
    std::string out(colour);
    out += text;
    out += reset;
    return out;
}

// Where the label starts, or npos.
std::size_t warning_label(std::string_view line)
{
    if (line.starts_with("warning: ")) return 0;
    const std::size_t found = line.find(": warning: ");
    return found == std::string_view::npos ? found : found + 2;
}

}  // namespace

bool colour_wanted(bool is_terminal, const char* no_color, const char* term)
{
    if (!is_terminal) return false;
    if (no_color != nullptr && no_color[0] != '\0') return false;
    return term != nullptr && term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}

bool colour_wanted_for(int fd)
{
    return colour_wanted(::isatty(fd) == 1, std::getenv("NO_COLOR"), std::getenv("TERM"));
}

std::string paint_report(std::string_view line)
{
    constexpr std::string_view error_label = "error:";
    if (line.starts_with(error_label)) return painted(error_label, error_colour) + std::string(line.substr(error_label.size()));
    const std::size_t warning = warning_label(line);
    if (warning == std::string_view::npos) return std::string(line);
    constexpr std::size_t label_size = std::string_view("warning:").size();
    return std::string(line.substr(0, warning)) + painted(line.substr(warning, label_size), warning_colour) +
           std::string(line.substr(warning + label_size));
}

std::string paint_banner(std::string_view text)
{
    return text.empty() ? std::string() : painted(text, banner_colour);
}

std::string paint_prompt_for_readline(std::string_view prompt)
{
    if (prompt.empty()) return std::string();
    // readline leaves out of its width what stands between \001 and \002.
    std::string out = "\001";
    out += prompt_colour;
    out += '\002';
    out += prompt;
    out += '\001';
    out += reset;
    out += '\002';
    return out;
}

}  // namespace zirn::app
