// The elements of a list: one 8-byte slot per element.
//
// Every element is a shared reference to a separately allocated Value, so
// that a name bound by `index` or `each` changes the element itself. Most
// elements of most lists are plain integers nobody else refers to, though,
// and for those the slot holds the number itself: a list of a million flags
// costs 8 MB instead of 32. Such an element gets its own Value ("is boxed")
// the moment something takes a reference to it (`share`), and a boxed plain
// integer that only its slot still refers to goes back into the slot at the
// next sweep, which runs after a fixed number of boxings. A copy of the list
// boxes every inline element first, so the copy and the original share each
// element as they would if every element had been boxed from the start.
// None of this is visible to a program: an element's identity only matters
// once a second reference to it exists, and then it is boxed.
//
// Include value/value.h, not this file: the element operations need Value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "value/ref.h"

namespace zirn::value {

class Value;
using ValueRef = Ref<Value>;

class ElementList {
public:
    ElementList() noexcept = default;
    ElementList(std::initializer_list<ValueRef> elements);
    ElementList(const ElementList& other);
    ElementList(ElementList&& other) noexcept { take(other); }
    ElementList& operator=(const ElementList& other);
    ElementList& operator=(ElementList&& other) noexcept;
    ~ElementList() { clear(); }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    // True for an integer that carries nothing else and fits in a slot.
    static bool fits_inline(const Value& element);

    // Makes room for `count` elements in all.
    void reserve(std::size_t count);
    // Appends a new element holding `element`.
    void push_back(Value element);
    // Appends `element` itself; it is kept inline when nothing else refers
    // to it and it is a plain integer.
    void push_back(ValueRef element);
    // Removes the element at `at` (< size()).
    void erase(std::size_t at);
    void clear() noexcept
    {
        if (m_slots != nullptr) release_all();
    }

    // The element at `at` (< size()) as a shared reference, boxing it first
    // if it is kept inline. Boxing changes nothing a program can see, so a
    // list shared between Values may be boxed in place.
    ValueRef share(std::size_t at) const;  // (value.h)
    ValueRef operator[](std::size_t at) const { return share(at); }
    // Puts `element` into the slot at `at` (< size()) itself, when that
    // slot holds an inline number (which nothing else refers to) and
    // `element` fits inline too; false, changing nothing, otherwise.
    // Like boxing, this is the element's own change, seen by every list
    // sharing these slots.
    bool store_inline(std::size_t at, const Value& element) const;
    // A copy of the element at `at` (< size()).
    Value value_at(std::size_t at) const;

    // For a walk that binds one element after the other (`each`): as
    // share(), but an inline element is boxed in `spare` when the caller
    // holds the only reference to it, instead of in a new Value, and the
    // boxing is not left to a sweep. Hand the element back with take_back()
    // when the walk moves on.
    ValueRef lend(std::size_t at, ValueRef& spare) const;
    // Puts the element at `at` back inline when `lent` (from lend()) and its
    // slot are all that refer to it and it is still a plain integer; `lent`
    // is then the caller's only reference, fit to be the next spare.
    // Otherwise `lent` is let go.
    void take_back(std::size_t at, ValueRef& lent) const;

    // Calls visit(const Value&) for each element in order; an inline one is
    // shown as a temporary Value that lives for the call.
    template <class Visit>
    void for_each(Visit&& visit) const;
    // The position of the first element for which test(const Value&) holds,
    // or size() when none does.
    template <class Test>
    std::size_t find(Test&& test) const;
    // Calls visit(const Value*) for each boxed element; inline ones hold no
    // references, so walks over references need only these.
    template <class Visit>
    void for_each_boxed(Visit&& visit) const;

private:
    using Slot = std::uintptr_t;

    static bool is_inline(Slot slot) { return (slot & 1u) != 0; }
    static Slot inline_slot(std::int64_t number) { return (static_cast<Slot>(number) << 1) | 1u; }
    static std::int64_t inline_number(Slot slot) { return static_cast<std::int64_t>(slot) >> 1; }
    static Value* boxed(Slot slot) { return reinterpret_cast<Value*>(slot); }
    static Slot boxed_slot(ValueRef element) { return reinterpret_cast<Slot>(element.leak()); }

    void release_all() noexcept;
    void append(Slot slot)
    {
        if (m_size == m_capacity) grow_for(slot);
        m_slots[m_size++] = slot;
    }
    // Makes room for one more slot; a boxed `slot` is let go if that fails.
    void grow_for(Slot slot);
    void grow();
    void resize_slots(std::size_t capacity);
    void take(ElementList& other) noexcept;
    // share() for an element kept inline.
    ValueRef box(std::size_t at) const;
    // Gives every inline element its own Value.
    void box_all() const;
    // Puts boxed plain integers that only their slot refers to back inline.
    void sweep() const;

    // Boxings between sweeps; a sweep looks at the slots boxed since the
    // last. Sweeping soon after the boxing finds the slots still in the
    // cache: a walk over a large list touches each slot about once.
    static constexpr std::size_t boxings_per_sweep = 32;

    mutable Slot* m_slots = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    mutable std::vector<std::size_t> m_recently_boxed;
};

}  // namespace zirn::value
