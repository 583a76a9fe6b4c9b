#include "value/value.h"

#include <mutex>

#include <algorithm>
#include <new>

namespace zirn::value {

std::string_view type_name(Type type)
{
    switch (type) {
#define ZIRN_TYPE_CASE(type, name) \
    case Type::type:               \
        return name;
        ZIRN_TYPES(ZIRN_TYPE_CASE)
#undef ZIRN_TYPE_CASE
    }
    return "unspecified";
}

std::optional<Type> type_from_name(std::string_view name)
{
#define ZIRN_TYPE_MATCH(type, type_text) \
    if (name == type_text) return Type::type;
    ZIRN_TYPES(ZIRN_TYPE_MATCH)
#undef ZIRN_TYPE_MATCH
    return std::nullopt;
}

Value Value::string(std::string text)
{
    Value v;
    v.m_type = Type::String;
    v.set_text(std::move(text));
    return v;
}

Value Value::func(std::string text)
{
    Value v;
    v.m_type = Type::Func;
    v.set_text(std::move(text));
    return v;
}

Value Value::list(ElementList elements)
{
    Value v;
    v.m_type = Type::List;
    if (!elements.empty()) v.set_elements(std::move(elements));
    return v;
}


void Value::set_text(std::string text)
{
    if (text.empty() && (!m_payload || m_payload->elements.empty())) {
        m_payload.reset();
        return;
    }
    payload_for_update().text = std::move(text);
}

void Value::become_byte_text(char byte)
{
    if (!m_payload || !m_payload.unique()) m_payload = make<Payload>();
    // payload_for_update's work, without its second look at the owners.
    Payload& payload = *m_payload;
    if (payload.parsed) payload.parsed.reset();
    payload.parsed_as = 0;
    payload.text.assign(1, byte);
    if (!payload.elements.empty()) payload.elements.clear();
    set_type(Type::String);
    set_int(0);
}

void Value::become_joined_text(std::string_view tail)
{
    if (m_payload && m_payload.unique()) {
        // payload_for_update's work, without its second look at the owners.
        Payload& payload = *m_payload;
        if (payload.parsed) payload.parsed.reset();
        payload.parsed_as = 0;
        payload.text += tail;
        if (!payload.elements.empty()) payload.elements.clear();
    } else {
        std::string joined = text();
        joined += tail;
        m_payload = make<Payload>();
        m_payload->text = std::move(joined);
    }
    set_type(Type::String);
    set_int(0);
}

void Value::become_joined_text(std::string_view piece, std::size_t times)
{
    if (!m_payload || !m_payload.unique()) {
        become_joined_text(std::string_view());  // this Value's own text first
    }
    Payload& payload = payload_for_update();
    std::string& text = payload.text;
    const std::size_t start = text.size();
    const std::size_t size = piece.size();
    const std::size_t tail = size * times;
    if (tail != 0) {
        // The room first, then the copies written into it: short tails
        // piece by piece, long ones by doubling what is built so far.
        text.resize(start + tail);
        char* const out = text.data() + start;
        if (size == 1) {
            std::memset(out, piece.front(), times);
        } else if (tail <= 64) {
            for (std::size_t i = 0; i < times; ++i) std::memcpy(out + i * size, piece.data(), size);
        } else {
            std::memcpy(out, piece.data(), size);
            for (std::size_t built = size; built < tail; built *= 2) {
                std::memcpy(out + built, out, std::min(built, tail - built));
            }
        }
    }
    payload.elements.clear();
    set_type(Type::String);
    set_int(0);
}

Payload& Value::payload_for_update()
{
    if (!m_payload) m_payload = make<Payload>();
    else if (!m_payload.unique()) m_payload = make<Payload>(*m_payload);
    m_payload->parsed.reset();
    m_payload->parsed_as = 0;
    return *m_payload;
}

const std::string& Value::empty_text()
{
    static const std::string empty;
    return empty;
}

const ElementList& Value::empty_list()
{
    static const ElementList empty;
    return empty;
}

namespace detail {

constinit thread_local ValuePool value_pool;

namespace {
// Free blocks that threads left behind when they ended.
std::mutex orphans_mutex;
void* orphan_blocks = nullptr;
}  // namespace

void ValuePool::grow()
{
    {
        const std::lock_guard lock(orphans_mutex);
        if (orphan_blocks != nullptr) {
            m_free = static_cast<FreeBlock*>(orphan_blocks);
            orphan_blocks = nullptr;
            return;
        }
    }
    auto* slab = static_cast<unsigned char*>(::operator new(block_size * blocks_per_slab));
    for (std::size_t i = blocks_per_slab; i-- > 0;) give_back(slab + i * block_size);
}

void ValuePool::hand_over()
{
    if (m_free == nullptr) return;
    FreeBlock* last = m_free;
    while (last->next != nullptr) last = last->next;
    const std::lock_guard lock(orphans_mutex);
    last->next = static_cast<FreeBlock*>(orphan_blocks);
    orphan_blocks = m_free;
    m_free = nullptr;
}

constinit thread_local std::size_t allocated_values = 0;

}  // namespace detail

std::size_t allocated_value_count() { return detail::allocated_values; }

namespace {

// Payloads freed lately, kept for the next ones (a bounded number, so a
// program that once held many texts does not keep their memory).
class PayloadCache {
public:
    void* take()
    {
        if (m_free == nullptr) return ::operator new(sizeof(Payload));
        FreeBlock* block = m_free;
        m_free = block->next;
        --m_count;
        return block;
    }
    void give_back(void* raw)
    {
        if (m_count == max_kept) {
            ::operator delete(raw);
            return;
        }
        auto* block = static_cast<FreeBlock*>(raw);
        block->next = m_free;
        m_free = block;
        ++m_count;
    }

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    static constexpr std::size_t max_kept = 4096;
    FreeBlock* m_free = nullptr;
    std::size_t m_count = 0;

public:
    void release_all()
    {
        while (m_free != nullptr) {
            FreeBlock* next = m_free->next;
            ::operator delete(m_free);
            m_free = next;
        }
        m_count = 0;
    }
};

constinit thread_local PayloadCache g_payload_cache;

}  // namespace

void leave_thread()
{
    forget_thread_cycle_candidates();
    release_thread_queue();
    detail::value_pool.hand_over();
    g_payload_cache.release_all();
}

void* Payload::operator new(std::size_t size)
{
    if (!detail::use_value_pool || size != sizeof(Payload)) return ::operator new(size);
    return g_payload_cache.take();
}

void Payload::operator delete(void* block, std::size_t size)
{
    if (!detail::use_value_pool || size != sizeof(Payload)) {
        ::operator delete(block);
        return;
    }
    g_payload_cache.give_back(block);
}



}  // namespace zirn::value
