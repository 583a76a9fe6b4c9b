// Frees lists that hold themselves.
//
// Values are shared by reference counting, so a list that contains itself,
// directly or through other lists (`index a 0 e` then `e = a`), keeps its own
// count above zero and would never be freed once the program lets go of it.
// The collector finds such cycles by trial deletion: it remembers every Value
// that received new elements (only such a Value can close a cycle), and when
// asked it walks the lists those Values reach, subtracts the references the
// walked objects hold among themselves from their reference counts, and frees
// every walked object that nothing outside the walk still holds.
//
// The remembered Values are not held: a Value that goes away takes itself
// off the list. Values without elements are never walked, since they cannot
// be part of a cycle. Collecting is only safe where no Value is in use
// through a plain C++ reference that no shared reference backs: the REPL
// collects between typed lines and at the end of a session. The list is
// process-wide; the interpreter runs on one thread at a time.
#pragma once

#include <cstddef>

#include "value/value.h"

namespace zirn::value {

class CycleCollector {
public:
    // `value` just received new elements (an assignment, `add`).
    void note(const ValueRef& value)
    {
        const Payload* payload = value->payload();
        if (payload != nullptr && !payload->elements.empty() && !value->is_cycle_candidate()) remember(*value);
    }

    // Collects when enough new candidates have come since the last time, so
    // the cost stays in proportion to the work the program did.
    void collect_if_due();

    // Frees every cycle among the candidates that nothing outside holds.
    // Returns how many Values it let go.
    std::size_t collect();

    // How many Values are remembered.
    std::size_t candidates() const;

private:
    static void remember(Value& value);
    std::size_t m_next_collection = 1024;
};

}  // namespace zirn::value
