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
    if (name == no_name) return nullptr;
    const auto it = position_of(m_entries, name);
    return it != m_entries.end() && it->first == name ? &it->second : nullptr;
}

void VarTable::bind(NameId name, ValueRef ref)
{
    const auto it = position_of(m_entries, name);
    if (it != m_entries.end() && it->first == name) it->second = std::move(ref);
    else m_entries.emplace(it, name, std::move(ref));
}

bool VarTable::covers_names_of(const VarTable& other) const
{
    return std::all_of(other.m_entries.begin(), other.m_entries.end(),
                       [this](const Entry& entry) { return find(entry.first) != nullptr; });
}

void VarTable::bind_all(const VarTable& other) { merge(other, Overlap::Replace); }

void VarTable::bind_missing(const VarTable& other) { merge(other, Overlap::Keep); }

void VarTable::merge(const VarTable& other, Overlap overlap)
{
    if (other.empty() || this == &other) return;
    // Both sides sorted: one merging pass builds the new entries.
    std::vector<Entry> merged;
    merged.reserve(m_entries.size() + other.m_entries.size());
    auto a = m_entries.begin();
    auto b = other.m_entries.begin();
    while (a != m_entries.end() || b != other.m_entries.end()) {
        if (b == other.m_entries.end() || (a != m_entries.end() && a->first < b->first)) {
            merged.push_back(std::move(*a++));
        } else if (a == m_entries.end() || b->first < a->first) {
            merged.push_back(*b++);
        } else {
            merged.push_back(overlap == Overlap::Replace ? *b : std::move(*a));
            ++a;
            ++b;
        }
    }
    m_entries = std::move(merged);
}

VarTable VarTable::from_entries(std::vector<std::pair<NameId, ValueRef>> entries)
{
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
    VarTable table;
    table.m_entries = std::move(entries);
    return table;
}

}  // namespace zirn::value
