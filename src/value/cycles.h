// Frees lists that hold themselves.
//
// Values are shared by reference counting, so a list that contains itself,
// directly or through other lists (`index a 0 e` then `e = a`), keeps its own
// count above zero and would never be freed once the program lets go of it.
// The collector finds such cycles by trial deletion: it remembers every Value
// that received new elements (only such a Value can close a cycle), and when
// asked it walks what those Values reach, subtracts the references the walked
// Values hold among themselves from their reference counts, and frees every
// walked Value that nothing outside the walk still holds.
//
// Collecting is only safe where no Value is in use through a plain C++
// reference that no shared reference backs: the REPL collects between typed
// lines and at the end of a session.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "value/value.h"

namespace zirn::value {

class CycleCollector {
public:
    // `value` just received new elements (an assignment, `add`).
    void note(const ValueRef& value)
    {
        if (!value->elements().empty()) m_candidates.push_back(value);
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
    std::vector<std::weak_ptr<Value>> m_candidates;
    std::size_t m_next_collection = 1024;
};

}  // namespace zirn::value
