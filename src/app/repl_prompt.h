// How the zirn command's REPL reads what a person types at its prompt.
//
// On top of the plain reading of an entry (host::read_entry: continuation
// lines while a quote, brace or parenthesis is left open), a person at a
// terminal who types `help` gets the help text, and one who types what
// other interpreters take for leaving (`exit`, `quit`, ...) is told how to
// leave, instead of an error about an undefined name. Piped input keeps its
// exact meaning.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "exec/interpreter.h"

namespace zirn::app {

// What `help TOPIC` shows (an empty TOPIC: the overview).
using HelpText = std::string (*)(std::string_view topic);

class ReplPrompt final : public exec::PromptReader {
public:
    explicit ReplPrompt(HelpText help) : m_help(help) {}
    std::optional<std::string> read_entry(host::Console& console) const override;

private:
    HelpText m_help;
};

}  // namespace zirn::app
