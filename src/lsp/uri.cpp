#include "lsp/uri.h"

namespace zirn::lsp {

namespace {

int hex_value(char ch)
{
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

std::optional<std::string> percent_decoded(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hex_value(text[i + 1]);
        const int low = hex_value(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

bool stays_unencoded(unsigned char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
}

}  // namespace

std::optional<std::string> path_of_uri(std::string_view uri)
{
    constexpr std::string_view scheme = "file://";
    if (uri.size() < scheme.size()) return std::nullopt;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        const char ch = uri[i];
        if ((ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch) != scheme[i]) return std::nullopt;
    }
    std::string_view rest = uri.substr(scheme.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    rest = rest.substr(slash);
    // A query or fragment is no part of the path.
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::optional<std::string> path = percent_decoded(rest);
    if (!path || path->find('\0') != std::string::npos) return std::nullopt;
    return path;
}

std::string uri_of_path(std::string_view path)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char ch : path) {
        const auto byte = static_cast<unsigned char>(ch);
        if (stays_unencoded(byte)) {
            uri += ch;
        } else {
            uri += '%';
            uri += digits[byte >> 4U];
            uri += digits[byte & 0x0FU];
        }
    }
    return uri;
}

std::string folder_of(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

}  // namespace zirn::lsp
