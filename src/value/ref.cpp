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
// nested a million levels deep without exhausting the stack. Each thread has
// its own queue, as each interpreter runs on its own thread.
constexpr unsigned max_release_depth = 64;
// Made on first use and kept (a thread's end frees it, see
// release_thread_queue), so that releases during the process's exit still
// find it.
constinit thread_local std::vector<PendingRelease>* g_pending = nullptr;
constinit thread_local unsigned g_release_depth = 0;

}  // namespace

void release_thread_queue()
{
    delete g_pending;
    g_pending = nullptr;
}

void release_object(void* object, void (*destroy)(void*))
{
    if (g_release_depth >= max_release_depth) {
        if (g_pending == nullptr) g_pending = new std::vector<PendingRelease>();
        g_pending->push_back({object, destroy});
        return;
    }
    ++g_release_depth;
    destroy(object);
    --g_release_depth;
    if (g_release_depth == 0) {
        // Only the outermost release drains the queue; each queued object
        // may queue more, which the loop takes on as well.
        ++g_release_depth;
        while (g_pending != nullptr && !g_pending->empty()) {
            const PendingRelease next = g_pending->back();
            g_pending->pop_back();
            next.destroy(next.object);
        }
        --g_release_depth;
    }
}

}  // namespace zirn::value
