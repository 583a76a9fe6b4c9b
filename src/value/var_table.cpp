#include "value/var_table.h"

#include <algorithm>

namespace zirn::value {

namespace {
// Versions tell a table's entries apart for the lookup caches of one
// interpreter, which keeps to its thread.
constinit thread_local std::uint64_t g_next_version = 1;

template <class Items>
auto position_of(Items& items, NameId name)
{
    return std::lower_bound(items.begin(), items.end(), name,
                            [](const auto& entry, NameId wanted) { return entry.first < wanted; });
}
}  // namespace

VarTable::Entries::Entries() : version(g_next_version++) {}

const ValueRef* VarTable::find_shared_and_remember(NameId name, LookupCache& cache) const
{
    const std::size_t index = index_in_shared(name);
    cache.entries = m_shared.get();
    cache.version = m_shared->version;
    cache.found = index != not_found;
    cache.index = static_cast<std::uint32_t>(cache.found ? index : 0);
    return cache.found ? &m_shared->items[index].second : nullptr;
}

std::size_t VarTable::index_in_shared(NameId name) const
{
    const std::vector<Entry>& items = m_shared->items;
    std::size_t low = 0;
    std::size_t count = items.size();
    while (count > 0) {
        const std::size_t half = count / 2;
        if (items[low + half].first < name) {
            low += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return (low < items.size() && items[low].first == name) ? low : not_found;
}

const ValueRef* VarTable::find_shared(NameId name) const
{
    if (!m_shared) return nullptr;
    const std::size_t index = index_in_shared(name);
    return index == not_found ? nullptr : &m_shared->items[index].second;
}

std::vector<VarTable::Entry> VarTable::all_entries() const
{
    std::vector<Entry> items;
    items.reserve((m_shared ? m_shared->items.size() : 0) + m_overlay.size() + overlay_capacity);
    if (m_shared) items = m_shared->items;
    for (std::uint8_t i = 0; i < m_overlay.size(); ++i) {
        const Entry& entry = m_overlay[i];
        const auto it = position_of(items, entry.first);
        if (it != items.end() && it->first == entry.first) it->second = entry.second;
        else items.insert(it, entry);
    }
    return items;
}

std::vector<VarTable::Entry>& VarTable::own_entries()
{
    if (!m_shared || !m_shared.unique() || m_overlay.size() > 0) {
        Ref<Entries> own = make<Entries>();
        own->items = all_entries();
        m_shared = std::move(own);
        m_overlay.clear();
    }
    return m_shared->items;
}

void VarTable::bind(NameId name, ValueRef ref)
{
    // 1. A name already in the overlay is rebound there.
    for (std::uint8_t i = 0; i < m_overlay.size(); ++i) {
        if (m_overlay[i].first == name) {
            m_overlay[i].second = std::move(ref);
            return;
        }
    }
    // 2. Entries nobody else shares are changed in place; otherwise the
    //    overlay takes the binding while it has room.
    if (m_overlay.size() == 0 && m_shared && m_shared.unique()) {
        m_shared->version = g_next_version++;
        std::vector<Entry>& items = m_shared->items;
        const auto it = position_of(items, name);
        if (it != items.end() && it->first == name) it->second = std::move(ref);
        else items.emplace(it, name, std::move(ref));
        return;
    }
    if (!m_overlay.full()) {
        m_overlay.push(name, std::move(ref));
        return;
    }
    // 3. A full overlay: take a copy of the entries of our own.
    std::vector<Entry>& items = own_entries();
    m_shared->version = g_next_version++;
    const auto it = position_of(items, name);
    if (it != items.end() && it->first == name) it->second = std::move(ref);
    else items.emplace(it, name, std::move(ref));
}

bool VarTable::same_entries(const VarTable& other) const
{
    if (m_shared != other.m_shared || m_overlay.size() != other.m_overlay.size()) return false;
    for (std::uint8_t i = 0; i < m_overlay.size(); ++i) {
        if (m_overlay[i].first != other.m_overlay[i].first || m_overlay[i].second != other.m_overlay[i].second) {
            return false;
        }
    }
    return true;
}

bool VarTable::covers_names_of(const VarTable& other) const
{
    if (other.empty()) return true;
    // Copies of one table share their entries; then only the names the other
    // bound on top of them need looking at.
    if (!other.m_shared || other.m_shared->items.empty() || m_shared == other.m_shared) {
        for (std::uint8_t i = 0; i < other.m_overlay.size(); ++i) {
            if (find(other.m_overlay[i].first) == nullptr) return false;
        }
        return true;
    }
    return false;
}

void VarTable::bind_all(const VarTable& other) { merge(other, Overlap::Replace); }

void VarTable::bind_missing(const VarTable& other) { merge(other, Overlap::Keep); }

void VarTable::merge(const VarTable& other, Overlap overlap)
{
    if (other.empty() || same_entries(other)) return;
    if (empty()) {
        *this = other;
        return;
    }
    // Both sides sorted: one merging pass builds the new entries.
    const std::vector<Entry> ours = all_entries();
    const std::vector<Entry> theirs = other.all_entries();
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
    m_shared = std::move(merged);
    m_overlay.clear();
}

VarTable VarTable::from_entries(std::vector<std::pair<NameId, ValueRef>> entries)
{
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
    VarTable table;
    if (entries.empty()) return table;
    table.m_shared = make<Entries>();
    table.m_shared->items = std::move(entries);
    return table;
}

}  // namespace zirn::value
