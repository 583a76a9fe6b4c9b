// Every tunable limit of the interpreter, in one place.
//
// The REPL must survive whatever a user types, so each resource a program can
// exhaust (the native stack, memory for one text) has a limit here that turns
// into a clear error instead of a crash.
#pragma once

#include <cstddef>

namespace zirn::limits {

// Size of the stack the interpreter runs on. Nested calls, blocks and
// parentheses recurse natively, so the stack is reserved large; pages are
// only used as deep as a program actually goes.
inline constexpr std::size_t interpreter_stack_bytes = std::size_t{4} << 30;

// Headroom kept free at the end of the stack: when less than this remains,
// the next nesting step raises the recursion error instead.
inline constexpr std::size_t stack_headroom_bytes = std::size_t{1} << 20;

// Deepest nesting of user-function calls. Far above what real programs use
// (a linear recursion 100,000 deep works), low enough that a runaway
// recursion is reported within a second or two.
inline constexpr std::size_t max_call_depth = 150000;

// Deepest nesting of runs, evaluations and calls of every kind together
// (a recursive call usually nests three steps: the call, a block in its
// body, the expression holding the next call), so that the deepest calls
// above still fit.
inline constexpr std::size_t max_nesting_depth = 500000;

// A library loaded by `also` reads its file at every level, so a library
// that loads itself counts this many steps per level against the budget
// above, and is stopped after 10,000 levels.
inline constexpr std::size_t library_nesting_weight = 50;
// Text run by `exec` (or `also`) in place counts this many steps per level,
// and a builtin's argument evaluated from its raw text this many: a text
// that runs itself, or a builtin call inside its own argument, is so stopped
// after some tens of thousands of levels, within about a second.
inline constexpr std::size_t text_run_nesting_weight = 10;
inline constexpr std::size_t raw_argument_nesting_weight = 5;

// Deepest nesting of parentheses and braces within one text. Splitting a
// nested text again at every level costs time in proportion to the square
// of its depth; no real program comes near this.
inline constexpr std::size_t max_text_nesting = 10000;

// Largest text one operation may build (string repetition, concatenation).
// The fuzzing build lowers it (ZIRN_MAX_TEXT_BYTES) so that a few steps of a
// generated program cannot exhaust the fuzzer's memory cap.
#ifdef ZIRN_MAX_TEXT_BYTES
inline constexpr std::size_t max_text_bytes = ZIRN_MAX_TEXT_BYTES;
#else
inline constexpr std::size_t max_text_bytes = std::size_t{1} << 30;
#endif

// The text limit in force on this thread: max_text_bytes, unless an
// embedding host set a lower one for the interpreter that runs here (each
// embedded interpreter has a thread of its own).
inline constinit thread_local std::size_t thread_text_limit = max_text_bytes;
inline std::size_t text_limit() { return thread_text_limit; }

}  // namespace zirn::limits

namespace zirn::limits {

// The split cache keeps at most this many texts, or this many bytes of text,
// before it is emptied and refilled with what is in use.
inline constexpr std::size_t code_cache_texts = 2048;
inline constexpr std::size_t code_cache_bytes = std::size_t{8} << 20;

// The parses of files loaded by `also` are kept per file name, for at most
// this many files, and only for files up to this size.
inline constexpr std::size_t file_parse_cache_files = 64;
inline constexpr std::size_t file_parse_cache_bytes = std::size_t{1} << 20;

}  // namespace zirn::limits
