// Protects the native stack from deep nesting.
//
// Evaluation recurses for every nested call, block, parenthesis and nested
// list. Code that recurses calls `check_stack_depth()`, which raises
// Error(Recursion) when the current thread is close to the end of its stack,
// long before the operating system would kill the process.
#pragma once

namespace zirn {

// Records the current thread's stack bounds; until this is called on a
// thread, `check_stack_depth()` checks nothing there.
void guard_current_thread_stack();

// Raises Error(Recursion) when less than the headroom of limits.h is left.
void check_stack_depth();

}  // namespace zirn
