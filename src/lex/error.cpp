#include "lex/error.h"

namespace zirn {

std::string_view error_prefix(ErrorKind kind)
{
    switch (kind) {
#define ZIRN_ERROR_CASE(kind, prefix) \
    case ErrorKind::kind:             \
        return prefix;
        ZIRN_ERROR_KINDS(ZIRN_ERROR_CASE)
#undef ZIRN_ERROR_CASE
    }
    return "";
}

static std::string compose(ErrorKind kind, std::string_view detail)
{
    std::string message(error_prefix(kind));
    message += detail;
    return message;
}

Error::Error(ErrorKind kind, std::string_view detail)
    : std::runtime_error(compose(kind, detail)), m_kind(kind)
{
}

std::string quote_text(std::string_view text)
{
    constexpr std::size_t shown = 60;
    std::string out = "'";
    for (char ch : text.substr(0, shown)) {
        // Line breaks and other control bytes would break the one-line report.
        out += (static_cast<unsigned char>(ch) < 32) ? ' ' : ch;
    }
    if (text.size() > shown) out += "...";
    out += "'";
    return out;
}

}  // namespace zirn
