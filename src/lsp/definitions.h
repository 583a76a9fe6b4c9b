// What a ZIRN text defines, found without running it: the functions (names
// assigned a brace block), the other names it assigns or binds, and the
// libraries it loads with `also 'NAME'`.
//
// A text that splits is read as the interpreter will split it, block by
// block; a part that cannot be split (a brace still open while it is being
// typed) is read line by line instead, so an editor still finds what is
// defined above and below the open brace.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zirn::lsp {

enum class DefinitionKind { Function, Name };

struct Definition {
    std::string name;
    DefinitionKind kind = DefinitionKind::Name;
    std::size_t name_offset = 0;  // where the name is written
    std::size_t end_offset = 0;   // one past the statement's last byte
};

struct LibraryUse {
    std::string name;  // NAME of also 'NAME', without quotes or ".ZIRN"
    std::size_t offset = 0;
};

struct TextOutline {
    // In the order of the text; a name assigned again is listed again.
    std::vector<Definition> definitions;
    std::vector<LibraryUse> libraries;
};

TextOutline outline_text(std::string_view text);

// True for a word made of letters, digits and '_' (and bytes of non-ASCII
// letters) that does not start with a digit: a name completion offers.
bool is_plain_name(std::string_view word);

// The first definition of `name` in `outline` of the kind asked for (any
// kind when `functions_only` is false), or null.
const Definition* find_definition(const TextOutline& outline, std::string_view name, bool functions_only);

}  // namespace zirn::lsp
