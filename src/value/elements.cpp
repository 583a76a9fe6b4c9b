#include "value/value.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace zirn::value {

ElementList::ElementList(std::initializer_list<ValueRef> elements)
{
    for (const ValueRef& element : elements) push_back(element);
}

ElementList::ElementList(const ElementList& other)
{
    other.box_all();
    m_slots = static_cast<Slot*>(std::malloc(other.m_size * sizeof(Slot) + 1));
    if (m_slots == nullptr) throw std::bad_alloc();
    m_capacity = other.m_size;
    for (std::size_t i = 0; i < other.m_size; ++i) {
        m_slots[i] = boxed_slot(ValueRef(boxed(other.m_slots[i])));
    }
    m_size = other.m_size;
}

ElementList& ElementList::operator=(const ElementList& other)
{
    if (this != &other) {
        ElementList copy(other);
        clear();
        take(copy);
    }
    return *this;
}

ElementList& ElementList::operator=(ElementList&& other) noexcept
{
    if (this != &other) {
        clear();
        take(other);
    }
    return *this;
}

void ElementList::take(ElementList& other) noexcept
{
    m_slots = std::exchange(other.m_slots, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_capacity = std::exchange(other.m_capacity, 0);
    m_recently_boxed = std::move(other.m_recently_boxed);
    other.m_recently_boxed.clear();
}

void ElementList::release_all() noexcept
{
    // The slots are released last to first, and the array is taken out of
    // the list first: releasing an element may release what holds this list.
    Slot* slots = std::exchange(m_slots, nullptr);
    const std::size_t size = std::exchange(m_size, 0);
    m_capacity = 0;
    m_recently_boxed.clear();
    for (std::size_t i = size; i-- > 0;) {
        if (!is_inline(slots[i])) ValueRef::adopt(boxed(slots[i]));
    }
    std::free(slots);
}

void ElementList::push_back(ValueRef element)
{
    if (element.unique() && fits_inline(*element)) append(inline_slot(element->int_value()));
    else append(boxed_slot(std::move(element)));
}

void ElementList::grow_for(Slot slot)
{
    try {
        grow();
    } catch (...) {
        if (!is_inline(slot)) ValueRef::adopt(boxed(slot));
        throw;
    }
}

void ElementList::grow()
{
    // Growing by half keeps the unused tail small; the slots hold no
    // addresses of their own, so realloc may move them (for a large list
    // it remaps the pages instead of copying them).
    resize_slots(m_capacity < 8 ? 8 : m_capacity + m_capacity / 2);
}

void ElementList::reserve(std::size_t count)
{
    if (count > m_capacity) resize_slots(count);
}

void ElementList::resize_slots(std::size_t capacity)
{
    if (capacity > SIZE_MAX / sizeof(Slot)) throw std::bad_alloc();
    void* grown = std::realloc(m_slots, capacity * sizeof(Slot));
    if (grown == nullptr) throw std::bad_alloc();
    m_slots = static_cast<Slot*>(grown);
    m_capacity = capacity;
}

void ElementList::erase(std::size_t at)
{
    const Slot slot = m_slots[at];
    std::memmove(m_slots + at, m_slots + at + 1, (m_size - at - 1) * sizeof(Slot));
    --m_size;
    if (!is_inline(slot)) ValueRef::adopt(boxed(slot));
}

ValueRef ElementList::box(std::size_t at) const
{
    Slot& slot = m_slots[at];
    if (m_recently_boxed.size() >= boxings_per_sweep) sweep();
    ValueRef element(new Value(Value::integer(inline_number(slot))));
    slot = boxed_slot(element);  // the slot keeps a reference of its own
    m_recently_boxed.push_back(at);
    return element;
}

void ElementList::box_all() const
{
    for (std::size_t i = 0; i < m_size; ++i) {
        if (is_inline(m_slots[i])) m_slots[i] = boxed_slot(ValueRef(new Value(Value::integer(inline_number(m_slots[i])))));
    }
    m_recently_boxed.clear();
}

void ElementList::sweep() const
{
    // Elements still referred to elsewhere are looked at again next time,
    // unless so many are that the next sweeps would do little else.
    std::size_t kept = 0;
    for (const std::size_t at : m_recently_boxed) {
        if (at >= m_size || is_inline(m_slots[at])) continue;
        Value* element = boxed(m_slots[at]);
        if (!fits_inline(*element)) continue;
        if (element->use_count() != 1) {
            m_recently_boxed[kept++] = at;
            continue;
        }
        m_slots[at] = inline_slot(element->int_value());
        // The slot held the only reference, and a plain integer holds
        // nothing: it can go at once, without the queue of releases.
        delete element;
    }
    m_recently_boxed.resize(kept < boxings_per_sweep / 2 ? kept : 0);
}

}  // namespace zirn::value
