#include "base/error.h"

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

Error& Error::about_missing(MissingKind kind, std::string_view name)
{
    m_missing_kind = kind;
    m_missing_name = name;
    return *this;
}

void Error::set_suggestion(std::string name)
{
    m_suggestion = std::move(name);
    m_suggestion_sought = true;
}

std::string describe(const Error& error)
{
    std::string line;
    const ErrorPlace& place = error.place();
    if (!place.file.empty()) {
        line += place.file + ":" + std::to_string(place.line) + ": ";
        if (!place.function.empty()) {
            line += "in $" + place.function + "$";
            if (!place.call_file.empty()) {
                line += " (called at ";
                line += place.call_file == place.file ? "line " : place.call_file + ":";
                line += std::to_string(place.call_line) + ")";
            }
            line += ": ";
        }
    }
    line += error.what();
    if (!error.advice().empty()) line += "; " + error.advice();
    else if (!error.suggestion().empty()) line += "; did you mean " + quote_text(error.suggestion()) + "?";
    return line;
}

std::string one_line_text(std::string_view text)
{
    constexpr std::size_t shown = 60;
    std::string out;
    for (char ch : text.substr(0, shown)) {
        // Line breaks and other control bytes would break the one-line report.
        out += (static_cast<unsigned char>(ch) < 32) ? ' ' : ch;
    }
    if (text.size() > shown) out += "...";
    return out;
}

std::string quote_text(std::string_view text)
{
    std::string out = "'";
    out += one_line_text(text);
    out += '\'';
    return out;
}

}  // namespace zirn
