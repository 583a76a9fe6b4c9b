// Frees lists that hold themselves.
//
// Values are shared by reference counting, so a list that contains itself,
// directly or through other lists (`index a 0 e` then `e = a`), keeps its own
// count above zero and would never be freed once the program lets go of it.
// The collector finds such cycles by trial deletion: it remembers every Value
// that received new elements (only such a Value can close a cycle), and when
// asked it walks what those Values reach (Values and the payloads holding
// their elements), subtracts the references the walked objects hold among
// themselves from their reference counts, and frees every walked object that
// nothing outside the walk still holds.
//
// Collecting is only safe where no Value is in use through a plain C++
// reference that no shared reference backs: the REPL collects between typed
// lines and at the end of a session.
#pragma once

#include <cstddef>
#include <unordered_set>
#include <vector>

#include "value/value.h"

namespace zirn::value {

class CycleCollector {
public:
    // `value` just received new elements (an assignment, `add`). Each Value
    // is remembered once, so a loop adding to one list costs one entry.
    void note(const ValueRef& value)
    {
        if (value->elements().empty() || value.get() == m_last_noted) return;
        m_last_noted = value.get();
        if (m_noted.insert(value.get()).second) m_candidates.push_back(value);
    }

    // Collects when enough new candidates have come since the last time, so
    // the cost stays in proportion to the work the program did.
    void collect_if_due()
    {
        if (m_candidates.size() >= m_next_collection) collect();
    }

    // Frees every cycle among the candidates that nothing outside holds.
    // Returns how many Values it let go.
    std::size_t collect();

    std::size_t candidates() const { return m_candidates.size(); }

private:
    // Held until the next collection, which lets go of them again: a
    // candidate that nothing else holds is then simply freed.
    std::vector<ValueRef> m_candidates;
    std::unordered_set<const Value*> m_noted;
    const Value* m_last_noted = nullptr;
    std::size_t m_next_collection = 1024;
};

}  // namespace zirn::value
