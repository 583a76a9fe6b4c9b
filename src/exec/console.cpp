#include "exec/console.h"

#include <istream>
#include <ostream>

namespace zirn::exec {

StreamConsole::StreamConsole(std::istream& in, std::ostream& out, std::ostream& err)
    : m_in(in), m_out(out), m_err(err)
{
}

void StreamConsole::write(std::string_view text) { m_out.write(text.data(), static_cast<std::streamsize>(text.size())); }

void StreamConsole::end_line()
{
    m_out.put('\n');
    m_out.flush();
}

void StreamConsole::flush() { m_out.flush(); }

std::optional<std::string> StreamConsole::read_line(bool /*history*/)
{
    m_out.flush();
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
    m_out.flush();
    m_err.write(line.data(), static_cast<std::streamsize>(line.size()));
    m_err.put('\n');
    m_err.flush();
}

}  // namespace zirn::exec
