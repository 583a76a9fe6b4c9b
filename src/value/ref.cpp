#include "value/ref.h"

#include <vector>

namespace zirn::value {

namespace {

struct PendingRelease {
    void* object;
    void (*destroy)(void*);
};

// Objects are destroyed right away, recursively, while the releases nest no
// deeper than this; deeper ones are queued and destroyed by the outermost
// release, in a loop. A long flat list is so freed without a queue, and a list
// nested a million levels deep without exhausting the stack. The interpreter
// runs on one thread at a time, so this state is process-wide.
constexpr unsigned max_release_depth = 64;
std::vector<PendingRelease> g_pending;
unsigned g_release_depth = 0;

}  // namespace

void release_object(void* object, void (*destroy)(void*))
{
    if (g_release_depth >= max_release_depth) {
        g_pending.push_back({object, destroy});
        return;
    }
    ++g_release_depth;
    destroy(object);
    --g_release_depth;
    if (g_release_depth == 0) {
        // Only the outermost release drains the queue; each queued object
        // may queue more, which the loop takes on as well.
        ++g_release_depth;
        while (!g_pending.empty()) {
            const PendingRelease next = g_pending.back();
            g_pending.pop_back();
            next.destroy(next.object);
        }
        --g_release_depth;
    }
}

}  // namespace zirn::value
