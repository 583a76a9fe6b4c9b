// The reference of the 23 builtins, kept beside their registration, and the
// whole language reference (statements, operators, builtins) with the two
// texts `help` shows: a cheat sheet and one entry.
//
// Nothing here runs ZIRN: an editor's language server can link it for hover
// and completion without the REPL.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "exec/reference.h"

namespace zirn::builtins {

// The builtins in registration order (the order of ZIRN_BUILTINS).
std::span<const exec::ReferenceEntry> builtin_reference();

// The entry named `name`, or null. A builtin may also be named as written
// in a call: "$print", "$print$" or "$print$(".
const exec::ReferenceEntry* find_reference(std::string_view name);

// Calls `visit` for every entry: statements, operators, then builtins.
template <typename Visit>
void for_each_reference(Visit&& visit)
{
    for (const exec::ReferenceEntry& entry : exec::statement_reference()) visit(entry);
    for (const exec::ReferenceEntry& entry : builtin_reference()) visit(entry);
}

// How a builtin is written in a call up to its first argument: "$print$("
// or, for one without arguments, "$input".
std::string call_form(const exec::ReferenceEntry& builtin);

// Every entry on one line each (synopsis and summary), grouped, with how to
// see one entry and how to leave the REPL. Ends with a line feed.
std::string cheat_sheet();

// One entry: synopsis, summary, the example and its output. Ends with a
// line feed.
std::string reference_page(const exec::ReferenceEntry& entry);

// What `help TOPIC` shows: the cheat sheet for an empty topic, the entry
// for a known one, else a line saying there is none (with the nearest
// name when one is close).
std::string help_text(std::string_view topic);

}  // namespace zirn::builtins
