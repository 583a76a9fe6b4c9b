#include "host/console.h"

#include <cerrno>
#include <istream>
#include <limits>
#include <ostream>
#include <system_error>

#include "base/error.h"
#include "base/limits.h"
#include "lex/splitter.h"

namespace zirn::host {

StreamConsole::StreamConsole(std::istream& in, std::ostream& out, std::ostream& err)
    : m_in(in), m_out(out), m_err(err)
{
}

void StreamConsole::check_output()
{
    if (m_out.good()) return;
    // The stream keeps no error of its own: the system's is still the one
    // the failed write left.
    const int error = errno;
    throw OutputLost{error != 0 ? std::generic_category().message(error) : "the stream failed", error == EPIPE};
}

void StreamConsole::write(std::string_view text)
{
    m_out.write(text.data(), static_cast<std::streamsize>(text.size()));
    check_output();
}

void StreamConsole::end_line()
{
    m_out.put('\n');
    m_out.flush();
    check_output();
}

void StreamConsole::flush()
{
    m_out.flush();
    check_output();
}

std::optional<std::string> StreamConsole::read_line(LineKind /*kind*/)
{
    flush();
    if (m_at_end) return std::nullopt;
    // Read in pieces, so that a line without end (`zirn < /dev/zero`) stops
    // at the text limit instead of taking all memory.
    value::GrowingText line("an input line");
    bool read_any = false;
    char piece[1 << 14];
    for (;;) {
        errno = 0;
        m_in.getline(piece, sizeof piece);
        const auto got = static_cast<std::size_t>(m_in.gcount());
        read_any = read_any || got > 0;
        if (m_in.bad()) {
            // The input broke (a closed descriptor, a folder, a terminal
            // gone): nothing more will come, so it ends here. Retrying
            // would spin for ever.
            const int error = errno;
            m_read_failure = error != 0 ? std::generic_category().message(error) : "the stream failed";
            m_at_end = true;
            return std::nullopt;
        }
        if (m_in.eof()) {
            // A last line without a line feed, or nothing left at all.
            m_at_end = true;
            if (!read_any) return std::nullopt;
            append_piece(line, std::string_view(piece, got));
            break;
        }
        if (m_in.fail()) {
            // The piece is full and the line goes on.
            m_in.clear();
            append_piece(line, std::string_view(piece, got));
            continue;
        }
        append_piece(line, std::string_view(piece, got - 1));  // without its line feed
        break;
    }
    return line.take();
}

void StreamConsole::append_piece(value::GrowingText& line, std::string_view piece)
{
    try {
        line.append(piece);
    } catch (const Error&) {
        // The rest of the overlong line goes too; the next read starts
        // after it.
        m_in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        if (m_in.eof()) m_at_end = true;
        throw;
    }
}

std::optional<std::string> read_entry(Console& console)
{
    std::optional<std::string> line = console.read_line(LineKind::Prompt);
    if (!line) return std::nullopt;
    std::string text = std::move(*line);
    while (!lex::is_balanced(text)) {
        console.write("... ");
        std::optional<std::string> more;
        try {
            more = console.read_line(LineKind::Continuation);
        } catch (const EntryDiscarded&) {
            return std::string();  // nothing of the entry runs
        }
        if (!more) break;
        if (more->size() >= limits::text_limit() - text.size()) {
            throw Error(ErrorKind::TooLarge, "an entry of several lines would pass " +
                                                 std::to_string(limits::text_limit()) + " bytes");
        }
        text += '\n';
        text += *more;
    }
    console.remember(text);
    return text;
}

void StreamConsole::report(std::string_view line)
{
    // Unchecked: reporting that the output is lost must still work.
    m_out.flush();
    m_err.write(line.data(), static_cast<std::streamsize>(line.size()));
    m_err.put('\n');
    m_err.flush();
}

}  // namespace zirn::host
