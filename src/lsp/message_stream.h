// The base protocol's framing: each message is a header block
// ("Content-Length: N", other headers ignored, each line ended by CR LF or
// LF), an empty line, then N bytes of JSON.
//
// Reading is bounded: a header line longer than max_header_line, or a body
// longer than the reader's limit, is skipped (the body byte by byte in
// chunks, never held) and reported as malformed, and reading goes on with
// the next message. A body is only grown as its bytes arrive, so a false
// Content-Length cannot make the reader allocate what was never sent.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace zirn::lsp {

inline constexpr std::size_t max_header_line = 1024;
inline constexpr std::size_t max_message_bytes = std::size_t{64} << 20;

struct Incoming {
    enum class Kind { Message, Malformed, End };
    Kind kind = Kind::End;
    std::string body;     // Message: the JSON text
    std::string problem;  // Malformed: what was wrong
};

class MessageReader {
public:
    explicit MessageReader(std::istream& in, std::size_t max_body = max_message_bytes);
    // The next message, a malformed one, or the end of the input (also in
    // the middle of a message).
    Incoming next();

private:
    bool read_header_line(std::string& line, bool& too_long);
    bool read_body(std::size_t length, std::string& body);
    bool skip_body(std::size_t length);

    std::istream& m_in;
    std::size_t m_max_body;
};

// Writes one message with its header and flushes; false when the stream
// cannot be written.
bool write_message(std::ostream& out, std::string_view body);

}  // namespace zirn::lsp
