#include "value/cycles.h"

#include <algorithm>
#include <unordered_map>

namespace zirn::value {

namespace {

struct Node {
    long references = 0;  // every shared reference to the Value
    long internal = 0;    // those held by walked Values
    bool live = false;
};

}  // namespace

std::size_t CycleCollector::collect()
{
    // 1. The candidates still alive; these locked copies count as outside
    //    references, which is corrected below.
    std::vector<ValueRef> roots;
    roots.reserve(m_candidates.size());
    for (const std::weak_ptr<Value>& candidate : m_candidates) {
        if (ValueRef root = candidate.lock()) roots.push_back(std::move(root));
    }

    // 2. Walk everything the roots reach, counting the references the walked
    //    Values hold to each other. The walk keeps its own stack: lists can
    //    nest far deeper than the native stack allows.
    std::unordered_map<Value*, Node> nodes;
    std::vector<Value*> pending;
    for (const ValueRef& root : roots) {
        auto [it, added] = nodes.try_emplace(root.get());
        it->second.references = root.use_count();
        it->second.internal += 1;  // our own locked copy
        if (added) pending.push_back(root.get());
    }
    while (!pending.empty()) {
        Value* value = pending.back();
        pending.pop_back();
        for (const ValueRef& element : value->elements()) {
            auto [it, added] = nodes.try_emplace(element.get());
            it->second.references = element.use_count();
            it->second.internal += 1;
            if (added) pending.push_back(element.get());
        }
    }

    // 3. A Value held from outside the walk is live, and so is all it reaches.
    for (auto& [value, node] : nodes) {
        if (node.references > node.internal && !node.live) {
            node.live = true;
            pending.push_back(value);
        }
    }
    while (!pending.empty()) {
        Value* value = pending.back();
        pending.pop_back();
        for (const ValueRef& element : value->elements()) {
            Node& node = nodes[element.get()];
            if (!node.live) {
                node.live = true;
                pending.push_back(element.get());
            }
        }
    }

    // 4. The rest is held only by itself: emptying those lists breaks every
    //    cycle, and dropping the emptied elements frees the Values.
    std::vector<ElementList> released;
    std::size_t freed = 0;
    for (auto& [value, node] : nodes) {
        if (node.live) continue;
        ++freed;
        released.push_back(std::move(value->elements_for_update()));
        value->elements_for_update().clear();
    }
    nodes.clear();

    // 5. Candidates that died (now or earlier) are forgotten, and a Value
    //    noted many times stays once.
    roots.clear();
    released.clear();
    std::erase_if(m_candidates, [](const std::weak_ptr<Value>& candidate) { return candidate.expired(); });
    std::sort(m_candidates.begin(), m_candidates.end(),
              [](const std::weak_ptr<Value>& a, const std::weak_ptr<Value>& b) { return a.owner_before(b); });
    const auto same = [](const std::weak_ptr<Value>& a, const std::weak_ptr<Value>& b) {
        return !a.owner_before(b) && !b.owner_before(a);
    };
    m_candidates.erase(std::unique(m_candidates.begin(), m_candidates.end(), same), m_candidates.end());
    m_next_collection = std::max<std::size_t>(1024, 2 * m_candidates.size());
    return freed;
}

}  // namespace zirn::value
