#include "exec/console.h"

#include <cerrno>
#include <istream>
#include <ostream>
#include <system_error>

namespace zirn::exec {

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
    throw OutputLost{error != 0 ? std::generic_category().message(error) : "the stream failed"};
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

std::optional<std::string> StreamConsole::read_line(bool /*history*/)
{
    flush();
    if (m_at_end) return std::nullopt;
    std::string line;
    if (!std::getline(m_in, line)) {
        m_at_end = true;
        return std::nullopt;
    }
    if (m_in.eof()) m_at_end = true;  // a last line without a line feed
    return line;
}

void StreamConsole::report(std::string_view line)
{
    // Unchecked: reporting that the output is lost must still work.
    m_out.flush();
    m_err.write(line.data(), static_cast<std::streamsize>(line.size()));
    m_err.put('\n');
    m_err.flush();
}

}  // namespace zirn::exec
