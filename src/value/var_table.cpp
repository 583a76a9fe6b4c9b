#include "value/var_table.h"

#include <algorithm>

namespace zirn::value {

namespace {
template <class Items>
auto position_of(Items& items, NameId name)
{
    return std::lower_bound(items.begin(), items.end(), name,
                            [](const auto& entry, NameId wanted) { return entry.first < wanted; });
}
}  // namespace

const ValueRef* VarTable::find(NameId name) const
{
    if (!m_entries || name == no_name) return nullptr;
    const std::vector<Entry>& items = m_entries->items;
    const auto it = position_of(items, name);
    return (it != items.end() && it->first == name) ? &it->second : nullptr;
}

std::vector<VarTable::Entry>& VarTable::items_for_update()
{
    if (!m_entries) {
        m_entries = make<Entries>();
    } else if (!m_entries.unique()) {
        Ref<Entries> copy = make<Entries>();
        copy->items = m_entries->items;
        m_entries = std::move(copy);
    }
    return m_entries->items;
}

void VarTable::bind(NameId name, ValueRef ref)
{
    std::vector<Entry>& items = items_for_update();
    const auto it = position_of(items, name);
    if (it != items.end() && it->first == name) it->second = std::move(ref);
    else items.emplace(it, name, std::move(ref));
}

void VarTable::bind_all(const VarTable& other) { merge(other, Overlap::Replace); }

void VarTable::bind_missing(const VarTable& other) { merge(other, Overlap::Keep); }

void VarTable::merge(const VarTable& other, Overlap overlap)
{
    if (other.empty() || same_entries(other)) return;
    if (empty()) {
        m_entries = other.m_entries;
        return;
    }
    // Both are sorted: one merging pass builds the new entries.
    const std::vector<Entry>& ours = m_entries->items;
    const std::vector<Entry>& theirs = other.m_entries->items;
    Ref<Entries> merged = make<Entries>();
    merged->items.reserve(ours.size() + theirs.size());
    auto a = ours.begin();
    auto b = theirs.begin();
    while (a != ours.end() || b != theirs.end()) {
        if (b == theirs.end() || (a != ours.end() && a->first < b->first)) {
            merged->items.push_back(*a++);
        } else if (a == ours.end() || b->first < a->first) {
            merged->items.push_back(*b++);
        } else {
            merged->items.push_back(overlap == Overlap::Replace ? *b : *a);
            ++a;
            ++b;
        }
    }
    m_entries = std::move(merged);
}

}  // namespace zirn::value
