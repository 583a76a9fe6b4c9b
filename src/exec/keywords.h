// The eleven statement keywords, in their fixed order.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace zirn::exec {

#define ZIRN_KEYWORDS(X)    \
    X(Compare, "compare")   \
    X(Each, "each")         \
    X(Until, "until")       \
    X(End, "end")           \
    X(Add, "add")           \
    X(Remove, "remove")     \
    X(List, "list")         \
    X(Where, "where")       \
    X(Index, "index")       \
    X(Exec, "exec")         \
    X(Also, "also")

enum class Keyword {
#define ZIRN_KEYWORD_ENUM(keyword, text) keyword,
    ZIRN_KEYWORDS(ZIRN_KEYWORD_ENUM)
#undef ZIRN_KEYWORD_ENUM
};

// The keyword texts in their fixed order ("compare" first, "also" last).
inline constexpr std::array<std::string_view, 11> keyword_list = {
#define ZIRN_KEYWORD_TEXT(keyword, text) text,
    ZIRN_KEYWORDS(ZIRN_KEYWORD_TEXT)
#undef ZIRN_KEYWORD_TEXT
};

// The keyword a statement's first token names: a whole, exact,
// case-sensitive match, so `compare(x)` is no keyword.
inline std::optional<Keyword> keyword_from_token(std::string_view token)
{
    for (std::size_t i = 0; i < keyword_list.size(); ++i) {
        if (keyword_list[i] == token) return static_cast<Keyword>(i);
    }
    return std::nullopt;
}

}  // namespace zirn::exec
