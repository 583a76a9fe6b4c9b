#include "lex/stack_guard.h"

#include <pthread.h>

#include <cstdint>

#include "lex/error.h"
#include "lex/limits.h"

namespace zirn {

namespace detail {
thread_local constinit std::uintptr_t stack_floor = 0;

void raise_stack_exhausted()
{
    throw Error(ErrorKind::Recursion, "the program nests calls, blocks or lists too deeply");
}
}  // namespace detail

void guard_current_thread_stack()
{
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0 && size > 2 * limits::stack_headroom_bytes) {
        detail::stack_floor = reinterpret_cast<std::uintptr_t>(low) + limits::stack_headroom_bytes;
    }
    pthread_attr_destroy(&attr);
}

}  // namespace zirn
