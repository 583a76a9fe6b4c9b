// A text built piece by piece that may grow up to the text limit.
//
// Every piece is checked before it is added, so the text never passes the
// limit: adding more raises Error(TooLarge). Once the text is large, room for
// the whole limit is taken at once (the pages are only used as they are
// written), so a text near the limit is never copied to grow: the memory it
// takes stays close to its size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/limits.h"

namespace zirn::value {

class GrowingText {
public:
    // `what` starts the error message: "<what> would pass <limit> bytes".
    explicit GrowingText(std::string_view what, std::size_t limit = limits::text_limit())
        : m_what(what), m_limit(limit)
    {
    }

    void append(std::string_view piece)
    {
        make_room(piece.size());
        m_text.append(piece);
    }
    // Adds again `length` bytes of what is already written, from `start`.
    void append_again(std::size_t start, std::size_t length)
    {
        make_room(length);
        m_text.append(m_text, start, length);
    }
    // Takes room for `size` bytes in all, when the final size is known.
    void reserve(std::size_t size)
    {
        if (size > m_limit) raise_too_large();
        m_text.reserve(size);
    }
    std::size_t size() const { return m_text.size(); }
    // The text; room taken beyond it is given back when that is cheap.
    std::string take();

private:
    void make_room(std::size_t more)
    {
        if (more > m_limit - m_text.size()) raise_too_large();
        if (more > m_text.capacity() - m_text.size()) grow(more);
    }
    void grow(std::size_t more);
    [[noreturn]] void raise_too_large() const;

    std::string_view m_what;
    std::size_t m_limit;
    std::string m_text;
};

}  // namespace zirn::value
