// Protects the native stack from deep nesting.
//
// Evaluation recurses for every nested call, block, parenthesis and nested
// list. Code that recurses calls `check_stack_depth()`, which raises
// Error(Recursion) when the current thread is close to the end of its stack,
// long before the operating system would kill the process.
#pragma once

#include <cstdint>

namespace zirn {

// Records the current thread's stack bounds; until this is called on a
// thread, `check_stack_depth()` checks nothing there.
void guard_current_thread_stack();

// Hands the pages of this thread's stack below the current frame back to
// the system: after a deep recursion has failed, its stack memory is not
// in use any more, but would stay resident.
void release_stack_below_here();

namespace detail {
// Lowest stack address the current thread may reach; 0 when unguarded.
extern thread_local constinit std::uintptr_t stack_floor;
[[noreturn]] void raise_stack_exhausted();
}  // namespace detail

// How deep this thread's stack is in use: the stack pointer, read
// directly where the platform allows, so that a function checking the depth
// needs no frame pointer of its own (one register more for its work).
inline std::uintptr_t stack_position()
{
#if defined(__x86_64__)
    std::uintptr_t position;
    asm("mov %%rsp, %0" : "=r"(position));
    return position;
#elif defined(__aarch64__)
    std::uintptr_t position;
    asm("mov %0, sp" : "=r"(position));
    return position;
#else
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
#endif
}

// Raises Error(Recursion) when less than the headroom of limits.h is left;
// the stack grows downwards on every platform this builds for.
inline void check_stack_depth()
{
    if (stack_position() < detail::stack_floor) detail::raise_stack_exhausted();
}

}  // namespace zirn
