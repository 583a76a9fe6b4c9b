#include "value/cycles.h"

#include <unordered_map>

namespace zirn::value {

namespace {

// One walked object (a Value or a payload) and what the walk learnt of it.
struct Node {
    const RefCounted* object = nullptr;
    long internal = 0;  // references held by walked objects (and the roots)
    bool live = false;
};

// The graph the roots reach: Values hold a payload, payloads hold elements.
class Walk {
public:
    void add_root(const Value* value) { reach_value(value); }

    void run()
    {
        while (!m_pending_values.empty() || !m_pending_payloads.empty()) {
            if (!m_pending_values.empty()) {
                const Value* value = m_pending_values.back();
                m_pending_values.pop_back();
                if (const Payload* payload = value->payload()) reach_payload(payload);
            } else {
                const Payload* payload = m_pending_payloads.back();
                m_pending_payloads.pop_back();
                for (const ValueRef& element : payload->elements) reach_value(element.get());
            }
        }
    }

    // Marks live every object held from outside the walk, and all it reaches.
    void mark_live()
    {
        for (auto& [value, node] : m_values) {
            if (static_cast<long>(value->use_count()) > node.internal) keep_value(value);
        }
        for (auto& [payload, node] : m_payloads) {
            if (static_cast<long>(payload->use_count()) > node.internal) keep_payload(payload);
        }
        while (!m_pending_values.empty() || !m_pending_payloads.empty()) {
            if (!m_pending_values.empty()) {
                const Value* value = m_pending_values.back();
                m_pending_values.pop_back();
                if (const Payload* payload = value->payload()) keep_payload(payload);
            } else {
                const Payload* payload = m_pending_payloads.back();
                m_pending_payloads.pop_back();
                for (const ValueRef& element : payload->elements) keep_value(element.get());
            }
        }
    }

    // Empties every payload that only dead objects hold; the elements moved
    // out are released by the caller, which frees the cycle.
    std::size_t take_dead_elements(std::vector<ElementList>& released)
    {
        for (auto& [payload, node] : m_payloads) {
            if (!node.live) released.push_back(std::move(const_cast<Payload*>(payload)->elements));
        }
        std::size_t dead_values = 0;
        for (const auto& [value, node] : m_values) dead_values += node.live ? 0 : 1;
        return dead_values;
    }

private:
    void reach_value(const Value* value)
    {
        auto [it, added] = m_values.try_emplace(value);
        it->second.internal += 1;
        if (added) m_pending_values.push_back(value);
    }
    void reach_payload(const Payload* payload)
    {
        auto [it, added] = m_payloads.try_emplace(payload);
        it->second.internal += 1;
        if (added) m_pending_payloads.push_back(payload);
    }
    void keep_value(const Value* value)
    {
        Node& node = m_values[value];
        if (node.live) return;
        node.live = true;
        m_pending_values.push_back(value);
    }
    void keep_payload(const Payload* payload)
    {
        Node& node = m_payloads[payload];
        if (node.live) return;
        node.live = true;
        m_pending_payloads.push_back(payload);
    }

    std::unordered_map<const Value*, Node> m_values;
    std::unordered_map<const Payload*, Node> m_payloads;
    // The walk keeps its own stacks: lists nest far deeper than the native
    // stack allows.
    std::vector<const Value*> m_pending_values;
    std::vector<const Payload*> m_pending_payloads;
};

}  // namespace

std::size_t CycleCollector::collect()
{
    // 1. Walk what the candidates reach. The candidate list itself holds one
    //    reference per entry, counted as held from inside.
    Walk walk;
    for (const ValueRef& candidate : m_candidates) walk.add_root(candidate.get());
    walk.run();
    // 2. Whatever is held from outside stays, with all it reaches.
    walk.mark_live();
    // 3. The rest holds only itself: emptying its lists breaks the cycles.
    std::vector<ElementList> released;
    const std::size_t freed = walk.take_dead_elements(released);
    m_candidates.clear();
    m_noted.clear();
    m_last_noted = nullptr;
    released.clear();
    m_next_collection = 1024;
    return freed;
}

}  // namespace zirn::value
