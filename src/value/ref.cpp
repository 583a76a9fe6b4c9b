#include "value/ref.h"

#include <vector>

namespace zirn::value {

namespace {

struct PendingRelease {
    void* object;
    void (*destroy)(void*);
};

// Objects whose last reference went away while another object was being
// destroyed. They are destroyed by the outermost release, in a loop. The
// interpreter runs on one thread at a time, so this state is process-wide.
std::vector<PendingRelease> t_pending;
bool t_releasing = false;

}  // namespace

void release_object(void* object, void (*destroy)(void*))
{
    if (t_releasing) {
        t_pending.push_back({object, destroy});
        return;
    }
    t_releasing = true;
    destroy(object);
    while (!t_pending.empty()) {
        const PendingRelease next = t_pending.back();
        t_pending.pop_back();
        next.destroy(next.object);
    }
    t_releasing = false;
}

}  // namespace zirn::value
