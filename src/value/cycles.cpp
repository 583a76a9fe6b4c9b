#include "value/cycles.h"

#include <algorithm>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zirn::value {

namespace {

constinit thread_local std::unordered_set<const Value*>* thread_candidates = nullptr;

std::unordered_set<const Value*>& candidate_set()
{
    // One per thread, as each interpreter keeps to its thread. Kept until
    // the thread ends (forget_thread_cycle_candidates), also while the
    // process exits.
    if (thread_candidates == nullptr) thread_candidates = new std::unordered_set<const Value*>();
    return *thread_candidates;
}

// Only a Value whose payload holds elements can lie on a cycle.
const Payload* list_payload(const Value* value)
{
    const Payload* payload = value->payload();
    return (payload != nullptr && !payload->elements.empty()) ? payload : nullptr;
}

struct Node {
    long internal = 0;  // references held by walked objects
    bool live = false;
};

// The lists the roots reach: Values hold a payload, payloads hold elements.
class Walk {
public:
    void add_root(const Value* value)
    {
        if (m_values.try_emplace(value).second) m_pending_values.push_back(value);
    }

    void run() { follow_pending(&Walk::reach<Value>, &Walk::reach<Payload>); }

    // Marks live every object held from outside the walk, and all it reaches.
    void mark_live()
    {
        for (auto& [value, node] : m_values) {
            if (static_cast<long>(value->use_count()) > node.internal) keep(value);
        }
        for (auto& [payload, node] : m_payloads) {
            if (static_cast<long>(payload->use_count()) > node.internal) keep(payload);
        }
        follow_pending(&Walk::keep<Value>, &Walk::keep<Payload>);
    }

    bool is_live(const Value* value) const { return m_values.at(value).live; }

    // Moves the elements out of every payload only dead objects hold, and
    // counts the dead Values.
    std::size_t take_dead_elements(std::vector<ElementList>& released)
    {
        for (auto& [payload, node] : m_payloads) {
            if (!node.live) released.push_back(std::move(const_cast<Payload*>(payload)->elements));
        }
        std::size_t dead = 0;
        for (const auto& [value, node] : m_values) dead += node.live ? 0 : 1;
        return dead;
    }

private:
    template <class Object>
    using Visit = void (Walk::*)(const Object*);

    // Takes the pending objects one by one and applies the visit to what
    // each holds (a Value its list payload, a payload its list elements),
    // until nothing is pending. The walk keeps its own stacks: lists nest far
    // deeper than the native stack allows.
    void follow_pending(Visit<Value> visit_value, Visit<Payload> visit_payload)
    {
        while (!m_pending_values.empty() || !m_pending_payloads.empty()) {
            if (!m_pending_values.empty()) {
                const Value* value = m_pending_values.back();
                m_pending_values.pop_back();
                if (const Payload* payload = list_payload(value)) (this->*visit_payload)(payload);
            } else {
                const Payload* payload = m_pending_payloads.back();
                m_pending_payloads.pop_back();
                payload->elements.for_each_boxed([&](const Value* element) {
                    if (list_payload(element) != nullptr) (this->*visit_value)(element);
                });
            }
        }
    }

    template <class Object>
    auto& nodes()
    {
        if constexpr (std::is_same_v<Object, Value>) return m_values;
        else return m_payloads;
    }
    template <class Object>
    auto& pending()
    {
        if constexpr (std::is_same_v<Object, Value>) return m_pending_values;
        else return m_pending_payloads;
    }

    // One more reference to `object` from inside the walk.
    template <class Object>
    void reach(const Object* object)
    {
        auto [it, added] = nodes<Object>().try_emplace(object);
        it->second.internal += 1;
        if (added) pending<Object>().push_back(object);
    }
    // `object` is held from outside, or by something that is.
    template <class Object>
    void keep(const Object* object)
    {
        Node& node = nodes<Object>()[object];
        if (node.live) return;
        node.live = true;
        pending<Object>().push_back(object);
    }

    std::unordered_map<const Value*, Node> m_values;
    std::unordered_map<const Payload*, Node> m_payloads;
    std::vector<const Value*> m_pending_values;
    std::vector<const Payload*> m_pending_payloads;
};

}  // namespace

void forget_thread_cycle_candidates()
{
    delete thread_candidates;
    thread_candidates = nullptr;
}

void forget_cycle_candidate(const Value* value) { candidate_set().erase(value); }

void CycleCollector::remember(Value& value)
{
    value.set_cycle_candidate(true);
    candidate_set().insert(&value);
}

std::size_t CycleCollector::candidates() const { return candidate_set().size(); }

void CycleCollector::collect_if_due()
{
    if (candidate_set().size() >= m_next_collection) collect();
}

std::size_t CycleCollector::collect()
{
    // 1. Walk the lists the candidates reach; a candidate that lost its
    //    elements cannot close a cycle any more and is forgotten.
    std::unordered_set<const Value*>& set = candidate_set();
    std::vector<Value*> roots;
    for (const Value* candidate : set) {
        if (list_payload(candidate) != nullptr) roots.push_back(const_cast<Value*>(candidate));
        else const_cast<Value*>(candidate)->set_cycle_candidate(false);
    }
    set.clear();
    Walk walk;
    for (const Value* root : roots) walk.add_root(root);
    walk.run();
    // 2. Whatever is held from outside stays, with all it reaches.
    walk.mark_live();
    // 3. Live candidates stay remembered: the program may let go of them
    //    later. Dead ones are about to go.
    for (Value* root : roots) {
        if (walk.is_live(root)) set.insert(root);
        else root->set_cycle_candidate(false);
    }
    // 4. The rest holds only itself: emptying its lists breaks the cycles.
    std::vector<ElementList> released;
    const std::size_t freed = walk.take_dead_elements(released);
    released.clear();
    m_next_collection = std::max<std::size_t>(1024, 2 * set.size());
    return freed;
}

}  // namespace zirn::value
