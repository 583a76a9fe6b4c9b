#include "value/growing_text.h"

#include <algorithm>

#include "base/error.h"

namespace zirn::value {

namespace {
// Past this size a growing text takes room for the whole limit.
constexpr std::size_t large_text_bytes = std::size_t{64} << 20;
}  // namespace

void GrowingText::grow(std::size_t more)
{
    const std::size_t needed = m_text.size() + more;
    if (needed > large_text_bytes) m_text.reserve(m_limit);
    else m_text.reserve(std::max(needed, 2 * m_text.capacity()));
}

std::string GrowingText::take()
{
    // A copy to the exact size costs at most a quarter of the limit twice.
    if (m_text.size() <= m_limit / 4 && m_text.capacity() > 2 * m_text.size() + large_text_bytes) m_text.shrink_to_fit();
    return std::move(m_text);
}

void GrowingText::raise_too_large() const
{
    throw Error(ErrorKind::TooLarge, std::string(m_what) + " would pass " + std::to_string(m_limit) + " bytes");
}

}  // namespace zirn::value
