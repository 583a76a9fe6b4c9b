#include "lsp/message_stream.h"

#include <algorithm>
#include <istream>
#include <optional>
#include <ostream>

namespace zirn::lsp {

namespace {

constexpr std::size_t read_chunk = std::size_t{1} << 16;

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The decimal number `text` holds, or nothing (no digits, other bytes, or
// more than fits).
std::optional<std::size_t> decimal(std::string_view text)
{
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::size_t value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(ch - '0');
    }
    return value;
}

}  // namespace

MessageReader::MessageReader(std::istream& in, std::size_t max_body) : m_in(in), m_max_body(max_body) {}

bool MessageReader::read_header_line(std::string& line, bool& too_long)
{
    line.clear();
    too_long = false;
    for (;;) {
        const int got = m_in.get();
        if (got == std::char_traits<char>::eof()) return false;
        if (got == '\n') break;
        if (line.size() < max_header_line) line += static_cast<char>(got);
        else too_long = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool MessageReader::read_body(std::size_t length, std::string& body)
{
    body.clear();
    body.reserve(std::min(length, read_chunk));
    while (body.size() < length) {
        const std::size_t want = std::min(read_chunk, length - body.size());
        const std::size_t had = body.size();
        body.resize(had + want);
        m_in.read(body.data() + had, static_cast<std::streamsize>(want));
        if (static_cast<std::size_t>(m_in.gcount()) != want) return false;
    }
    return true;
}

bool MessageReader::skip_body(std::size_t length)
{
    char chunk[4096];
    while (length > 0) {
        const std::size_t want = std::min(length, sizeof chunk);
        m_in.read(chunk, static_cast<std::streamsize>(want));
        if (static_cast<std::size_t>(m_in.gcount()) != want) return false;
        length -= want;
    }
    return true;
}

Incoming MessageReader::next()
{
    std::optional<std::size_t> length;
    std::string problem;
    std::string line;
    bool too_long = false;
    bool any_header = false;
    for (;;) {
        if (!read_header_line(line, too_long)) return {};
        if (line.empty() && !too_long) {
            // Blank lines between messages are passed over.
            if (!any_header) continue;
            break;
        }
        any_header = true;
        const std::size_t colon = line.find(':');
        if (too_long) problem = "a header line is longer than " + std::to_string(max_header_line) + " bytes";
        else if (colon == std::string::npos) problem = "a header line has no ':'";
        else if (equal_ignoring_case(trimmed(std::string_view(line).substr(0, colon)), "Content-Length")) {
            length = decimal(trimmed(std::string_view(line).substr(colon + 1)));
            if (!length) problem = "the Content-Length is no number";
        }
    }
    if (problem.empty() && !length) problem = "the header has no Content-Length";
    if (!problem.empty()) return {Incoming::Kind::Malformed, {}, problem};
    if (*length > m_max_body) {
        if (!skip_body(*length)) return {};
        return {Incoming::Kind::Malformed, {},
                "a message of " + std::to_string(*length) + " bytes is longer than the " +
                    std::to_string(m_max_body) + " bytes allowed"};
    }
    Incoming message{Incoming::Kind::Message, {}, {}};
    if (!read_body(*length, message.body)) return {};
    return message;
}

bool write_message(std::ostream& out, std::string_view body)
{
    out << "Content-Length: " << body.size() << "\r\n\r\n";
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace zirn::lsp
