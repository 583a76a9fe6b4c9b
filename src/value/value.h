// The dynamic value record of ZIRN.
//
// A Value carries a type and the payloads side by side: a number, a text and a
// list of element references. The type says which payload is meaningful, but
// the others survive conversions: a list converted to a string keeps its
// elements. List elements (and variables, see var_table.h) are shared
// references to separately allocated Values, so an update made through one
// reference is seen through every other one.
//
// Representation: the text and the element list live in one shared payload,
// copied only when a shared one is changed, so copying a Value is cheap. A float keeps its number in the same bytes where other types keep
// their integer; nothing a program does can read the integer payload of a
// float. A Value allocated as a list element or variable carries its own
// reference count, and such Values come from a pool (24 bytes each); a list
// keeps plain integers in its slots without one (see elements.h).
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "value/elements.h"
#include "value/ref.h"

namespace zirn::value {

#define ZIRN_TYPES(X)             \
    X(Unspecified, "unspecified") \
    X(Integer, "integer")         \
    X(Float, "float")             \
    X(String, "string")           \
    X(Func, "func")               \
    X(List, "list")

enum class Type : std::uint8_t {
#define ZIRN_TYPE_ENUM(type, name) type,
    ZIRN_TYPES(ZIRN_TYPE_ENUM)
#undef ZIRN_TYPE_ENUM
};

// The name a program sees for `type` ("integer", "list", ...).
std::string_view type_name(Type type);
// The type with that exact name, if there is one.
std::optional<Type> type_from_name(std::string_view name);

// Takes a Value that is going away off the cycle collector's list.
void forget_cycle_candidate(const Value* value);
// Frees the calling thread's record of cycle candidates; for a thread that
// ends (see leave_thread).
void forget_thread_cycle_candidates();

// The text and the elements of a Value, shared between copies of it and
// copied only when a shared one is changed. Evaluation may hang the parsed
// form of the text here (see exec/code.h), so a function body is split once
// however often it is called.
struct Payload : RefCounted {
    Payload() = default;
    Payload(const Payload& other) : RefCounted(), text(other.text), elements(other.elements) {}
    std::string text;
    ElementList elements;
    mutable std::shared_ptr<const void> parsed;  // owned by the evaluator
    mutable std::uint8_t parsed_as = 0;          // which parse `parsed` holds

    // Texts come and go with most expressions: their payloads are kept for
    // reuse, a bounded number of them.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size);
};
using TextRep = Payload;

class Value : public RefCounted {
public:
    Value() = default;
    // Copies take every payload but never the cycle-candidate mark, which
    // belongs to one allocated Value (see cycles.h).
    Value(const Value& other) : RefCounted(other), m_type(other.m_type), m_payload(other.m_payload)
    {
        std::memcpy(m_number, other.m_number, sizeof m_number);
    }
    Value(Value&& other) noexcept : RefCounted(other), m_type(other.m_type), m_payload(std::move(other.m_payload))
    {
        std::memcpy(m_number, other.m_number, sizeof m_number);
    }
    Value& operator=(const Value& other)
    {
        std::memcpy(m_number, other.m_number, sizeof m_number);
        m_type = other.m_type;
        m_payload = other.m_payload;
        return *this;
    }
    Value& operator=(Value&& other) noexcept
    {
        std::memcpy(m_number, other.m_number, sizeof m_number);
        m_type = other.m_type;
        m_payload = std::move(other.m_payload);
        return *this;
    }
    ~Value()
    {
        if (m_cycle_candidate) forget_cycle_candidate(this);
    }

    // Marks this allocated Value as one that may close a cycle of lists;
    // see cycles.h.
    bool is_cycle_candidate() const { return m_cycle_candidate; }
    void set_cycle_candidate(bool candidate) { m_cycle_candidate = candidate; }

    static Value integer(std::int64_t number)
    {
        Value v;
        v.m_type = Type::Integer;
        v.set_int(number);
        return v;
    }
    static Value floating(long double number)
    {
        Value v;
        v.set_float(number);
        return v;
    }
    static Value string(std::string text);
    static Value func(std::string text);
    static Value list(ElementList elements = {});

    Type type() const { return m_type; }
    bool is(Type type) const { return m_type == type; }

    // Changing the type keeps every payload but the number: a float keeps its
    // number where the others keep their integer, so moving into or out of
    // "float" starts that number from zero.
    void set_type(Type type)
    {
        if ((type == Type::Float) != (m_type == Type::Float)) std::memset(m_number, 0, sizeof m_number);
        m_type = type;
    }

    // The integer payload; a float reads 0.
    std::int64_t int_value() const
    {
        if (m_type == Type::Float) return 0;
        std::int64_t number;
        std::memcpy(&number, m_number, sizeof number);
        return number;
    }
    // Only meaningful for a Value that is not a float (see set_type).
    void set_int(std::int64_t number)
    {
        if (m_type != Type::Float) std::memcpy(m_number, &number, sizeof number);
    }

    // The float payload; only a float Value carries one, every other reads 0.
    long double float_value() const
    {
        if (m_type != Type::Float) return 0.0L;
        // The float's bytes make the whole value; the rest of a long double
        // is padding, which nothing reads.
        long double number;
        std::memcpy(&number, m_number, float_bytes);
        return number;
    }
    // Stores a float payload and makes the Value a float.
    void set_float(long double number)
    {
        m_type = Type::Float;
        std::memcpy(m_number, &number, float_bytes);
    }

    const std::string& text() const { return m_payload ? m_payload->text : empty_text(); }
    // The shared text, where parses may be kept; null for an empty one.
    const TextRep* text_rep() const { return m_payload.get(); }
    void set_text(std::string text);

    // Makes this Value the integer `number` and nothing else, as assigning
    // Value::integer(number) would.
    void become_integer(std::int64_t number)
    {
        m_type = Type::Integer;
        set_int(number);
        m_payload.reset();
    }
    // The same for a float: as assigning Value::floating(number).
    void become_float(long double number)
    {
        set_float(number);
        m_payload.reset();
    }
    // Makes this Value the one-byte string `byte`, as assigning
    // Value::string of it would, reusing its text's storage when nobody
    // else holds the text.
    void become_byte_text(char byte);
    // Makes this Value the string of its text followed by `tail`, as
    // assigning the concatenation would, appending in place when the text is
    // not shared.
    void become_joined_text(std::string_view tail);
    // The same with `times` copies of `piece` as the tail, built in place;
    // `piece` must not lie in this Value's own text.
    void become_joined_text(std::string_view piece, std::size_t times);

    const ElementList& elements() const { return m_payload ? m_payload->elements : empty_list(); }
    // The element list, made this Value's own first if it is shared.
    ElementList& elements_for_update()
    {
        // Most updates find the payload unshared and without a parse.
        if (m_payload.unique() && m_payload->parsed_as == 0 && !m_payload->parsed) return m_payload->elements;
        return payload_for_update().elements;
    }
    void set_elements(ElementList elements) { payload_for_update().elements = std::move(elements); }

    // The shared payload (text and elements), or null; for the cycle
    // collector, which walks who holds what.
    Payload* payload() const { return m_payload.get(); }
    // A reference to the payload, to keep it alive while it is in use.
    Ref<Payload> payload_ref() const { return m_payload; }

    // Variables and list elements come from a pool of equal-sized blocks.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size);

private:
    static const std::string& empty_text();
    static const ElementList& empty_list();
    // The payload, made this Value's own first if it is shared; any parse
    // kept on it is dropped, since the text may change.
    Payload& payload_for_update();

    // The significant bytes of a long double: 10 for the x87 extended format.
    static constexpr std::size_t float_bytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);

    // The small members come first, next to the reference count, so that a
    // Value fills 24 bytes.
    unsigned char m_number[float_bytes > 8 ? float_bytes : 8] = {};
    Type m_type = Type::Unspecified;
    bool m_cycle_candidate = false;
    Ref<Payload> m_payload;
};

namespace detail {

// Under AddressSanitizer every Value gets its own allocation, so that a use
// after release is caught instead of hidden by the pool.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool use_value_pool = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool use_value_pool = false;
#else
inline constexpr bool use_value_pool = true;
#endif
#else
inline constexpr bool use_value_pool = true;
#endif

// A free list of Value-sized blocks, carved from slabs that are never
// returned to the system but reused for later Values. Taking and giving
// back are a few instructions, kept here so that every allocation site
// inlines them.
class ValuePool {
public:
    void* take()
    {
        if (m_free == nullptr) grow();
        FreeBlock* block = m_free;
        m_free = block->next;
        return block;
    }
    void give_back(void* raw)
    {
        auto* block = static_cast<FreeBlock*>(raw);
        block->next = m_free;
        m_free = block;
    }
    // Hands every free block to the pool of the next thread that needs
    // more; a thread calls this before it ends (see leave_thread).
    void hand_over();

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    static constexpr std::size_t block_size = sizeof(Value);
    static constexpr std::size_t blocks_per_slab = 4096;

    void grow();

    FreeBlock* m_free = nullptr;
};

// One pool per thread, so interpreters on different threads never share
// one. Constant-initialised and trivially destroyed, so it serves Values
// freed at any time, also while the process exits. A Value freed on another
// thread than the one that made it goes to that other thread's pool.
extern constinit thread_local ValuePool value_pool;
extern constinit thread_local std::size_t allocated_values;

}  // namespace detail

inline void* Value::operator new(std::size_t size)
{
    ++detail::allocated_values;
    if (!detail::use_value_pool || size != sizeof(Value)) return ::operator new(size);
    return detail::value_pool.take();
}

inline void Value::operator delete(void* block, std::size_t size)
{
    --detail::allocated_values;
    if (!detail::use_value_pool || size != sizeof(Value)) {
        ::operator delete(block);
        return;
    }
    detail::value_pool.give_back(block);
}

// Gives back what this thread keeps for later Values (free blocks, cached
// payloads) before the thread ends, so that an interpreter that ran on a
// thread of its own leaves no memory behind.
void leave_thread();

// A new separately allocated Value holding a copy of `value`.
inline ValueRef make_ref(Value value) { return ValueRef(new Value(std::move(value))); }

// Lets go of `ref`. A Value it held alone that carries no text or
// elements can hold nothing else, so it is freed at once, without the
// queue that releases of nested lists go through.
inline void let_go(ValueRef& ref)
{
    if (ref.unique() && ref->payload() == nullptr) {
        delete ref.leak();
        return;
    }
    ref.reset();
}

// How many separately allocated Values (variables, elements) this thread
// made and has not freed; for tests that check what is freed.
std::size_t allocated_value_count();

// ---- element list operations that need the whole Value (see elements.h)

inline bool ElementList::fits_inline(const Value& element)
{
    constexpr std::int64_t limit = std::int64_t{1} << 62;
    if (!element.is(Type::Integer) || element.payload() != nullptr) return false;
    const std::int64_t number = element.int_value();
    return number >= -limit && number < limit;
}

inline void ElementList::push_back(Value element)
{
    if (fits_inline(element)) append(inline_slot(element.int_value()));
    else append(boxed_slot(ValueRef(new Value(std::move(element)))));
}

inline ValueRef ElementList::share(std::size_t at) const
{
    const Slot slot = m_slots[at];
    return is_inline(slot) ? box(at) : ValueRef(boxed(slot));
}

inline bool ElementList::store_inline(std::size_t at, const Value& element) const
{
    if (!is_inline(m_slots[at]) || !fits_inline(element)) return false;
    m_slots[at] = inline_slot(element.int_value());
    return true;
}

inline ValueRef ElementList::lend(std::size_t at, ValueRef& spare) const
{
    Slot& slot = m_slots[at];
    if (!is_inline(slot)) return ValueRef(boxed(slot));
    if (!spare.unique()) return share(at);
    ValueRef element = std::move(spare);
    element->become_integer(inline_number(slot));
    slot = boxed_slot(element);  // the slot keeps a reference of its own
    return element;
}

inline void ElementList::take_back(std::size_t at, ValueRef& lent) const
{
    const bool held_only_here = at < m_size && !is_inline(m_slots[at]) && boxed(m_slots[at]) == lent.get() &&
                                lent->use_count() == 2 && fits_inline(*lent) && !lent->is_cycle_candidate();
    if (!held_only_here) {
        lent.reset();
        return;
    }
    m_slots[at] = inline_slot(lent->int_value());
    ValueRef::adopt(lent.get());  // the slot's reference goes; `lent` keeps its own
}

inline Value ElementList::value_at(std::size_t at) const
{
    const Slot slot = m_slots[at];
    return is_inline(slot) ? Value::integer(inline_number(slot)) : *boxed(slot);
}

template <class Visit>
void ElementList::for_each(Visit&& visit) const
{
    for (std::size_t i = 0; i < m_size; ++i) {
        const Slot slot = m_slots[i];
        if (is_inline(slot)) {
            const Value number = Value::integer(inline_number(slot));
            visit(number);
        } else {
            visit(static_cast<const Value&>(*boxed(slot)));
        }
    }
}

template <class Test>
std::size_t ElementList::find(Test&& test) const
{
    for (std::size_t i = 0; i < m_size; ++i) {
        const Slot slot = m_slots[i];
        if (is_inline(slot) ? test(Value::integer(inline_number(slot))) : test(static_cast<const Value&>(*boxed(slot)))) return i;
    }
    return m_size;
}

template <class Visit>
void ElementList::for_each_boxed(Visit&& visit) const
{
    for (std::size_t i = 0; i < m_size; ++i) {
        if (!is_inline(m_slots[i])) visit(static_cast<const Value*>(boxed(m_slots[i])));
    }
}

// True for "integer" and "float" Values.
inline bool is_number(const Value& value) { return value.is(Type::Integer) || value.is(Type::Float); }

}  // namespace zirn::value
