#include "lex/stack_guard.h"

#include <pthread.h>

#include <cstdint>

#include "lex/error.h"
#include "lex/limits.h"

namespace zirn {

namespace {
// Lowest stack address this thread may reach; 0 when unguarded.
thread_local std::uintptr_t t_stack_floor = 0;
}  // namespace

void guard_current_thread_stack()
{
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0 && size > 2 * limits::stack_headroom_bytes) {
        t_stack_floor = reinterpret_cast<std::uintptr_t>(low) + limits::stack_headroom_bytes;
    }
    pthread_attr_destroy(&attr);
}

void check_stack_depth()
{
    // The frame address marks how deep this thread's stack is in use; the
    // stack grows downwards on every platform this builds for.
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (here < t_stack_floor) {
        throw Error(ErrorKind::Recursion, "the program nests calls, blocks or lists too deeply");
    }
}

}  // namespace zirn
