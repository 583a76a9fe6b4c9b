// Interned variable names.
//
// Every name that a variable table binds is interned once and then handled as
// a small number, so table lookups compare integers instead of texts. Only
// bound names are interned: looking up a text that was never bound needs no
// entry, since no table can hold it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zirn::value {

using NameId = std::uint32_t;
inline constexpr NameId no_name = 0xFFFFFFFFu;

// The id of `name`, interning it first when needed.
NameId intern_name(std::string_view name);
// The id of `name` if it was ever interned, else no_name.
NameId find_name(std::string_view name);
// The text of an interned name.
std::string_view name_text(NameId id);
// How many names are interned; grows whenever a new name is bound, so a
// cached "not interned" answer is still right while this stays the same.
inline std::size_t interned_name_count();
// The id of "arg" followed by `index` in decimal.
inline NameId argument_name(std::size_t index);
// True for a bare word: a letter or "_", then letters, digits and "_".
// Almost every name a program binds is one.
bool is_bare_word(std::string_view text);
// True once a name that is no bare word (`12`, `(a)`, `x-y`) has been
// interned by any thread: until then a token that is no bare word (a
// literal, a parenthesised text, a call) cannot be the name of a variable,
// and reading it needs no lookup. Never false again once true. A thread
// that binds such a name interns it first, so it sees this true.
inline bool odd_names_interned();

namespace detail {
// The interner is shared by every thread; its count is read without a lock.
extern std::atomic<std::size_t> interned_names;
extern std::atomic<bool> odd_names;
// arg0 ... arg63 are interned at start-up, before any other thread runs,
// and only read afterwards; higher indexes are interned when asked for.
inline constexpr std::size_t kept_argument_ids = 64;
extern constinit std::size_t argument_id_count;
extern constinit NameId argument_ids[kept_argument_ids];
NameId intern_argument_name(std::size_t index);
}  // namespace detail

inline std::size_t interned_name_count() { return detail::interned_names.load(std::memory_order_acquire); }
inline bool odd_names_interned() { return detail::odd_names.load(std::memory_order_acquire); }

inline NameId argument_name(std::size_t index)
{
    if (index < detail::argument_id_count) return detail::argument_ids[index];
    return detail::intern_argument_name(index);
}

}  // namespace zirn::value
