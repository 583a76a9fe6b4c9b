#include "base/stack_guard.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "base/error.h"
#include "base/limits.h"

namespace zirn {

namespace {
// The lowest address of the current thread's stack; 0 when unguarded.
thread_local constinit std::uintptr_t stack_low = 0;
}  // namespace

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
        stack_low = reinterpret_cast<std::uintptr_t>(low);
    }
    pthread_attr_destroy(&attr);
}

void release_stack_below_here()
{
    if (stack_low == 0) return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    // Keep a margin below this frame for the calls this function makes.
    const std::uintptr_t here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    const std::uintptr_t margin = std::uintptr_t{256} << 10;
    if (here < stack_low + margin + page) return;
    const std::uintptr_t end = (here - margin) & ~(page - 1);
    const std::uintptr_t begin = (stack_low + page - 1) & ~(page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

}  // namespace zirn
