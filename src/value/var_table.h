// A variable table: names mapped to shared references to Values.
//
// Copying a table copies the references, not the Values, so two tables can
// hold the same Value: an assignment to an existing name updates that Value in
// place and every table holding it sees the change, while binding a name (a
// new entry, or an entry pointed at another Value) is seen only by the table
// that was written. The whole scoping model of ZIRN rests on this.
//
// Tables are copied for every call, block and run, so the copies are cheap:
// the entries, sorted by interned name id, are shared between copies, and a
// copy that binds names keeps the first few of them in a small overlay of its
// own (a call's arg0, arg1, ...). Only when the overlay is full are the shared
// entries copied (copy on write).
#pragma once

#include <new>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "value/names.h"
#include "value/value.h"

namespace zirn::value {

// Remembers where a name was found the last time one token looked it up, so
// the next lookup of the same token in the same (unchanged) entries is a
// single comparison.
struct LookupCache {
    const void* entries = nullptr;
    std::uint64_t version = 0;
    std::uint32_t index = 0;
    bool found = false;
};

class VarTable {
    using Entry = std::pair<NameId, ValueRef>;
    static constexpr std::uint8_t overlay_capacity = 4;

    // The few entries a copy binds on top of the shared ones. Slots are built
    // only when used: tables are made and dropped for every call and loop
    // iteration, and most never bind anything.
    class Overlay {
    public:
        Overlay() {}
        Overlay(const Overlay& other) { append_copies(other); }
        Overlay(Overlay&& other) noexcept { take_from(other); }
        Overlay& operator=(const Overlay& other)
        {
            if (this != &other) {
                clear();
                append_copies(other);
            }
            return *this;
        }
        Overlay& operator=(Overlay&& other) noexcept
        {
            if (this != &other) {
                clear();
                take_from(other);
            }
            return *this;
        }
        ~Overlay() { clear(); }

        std::uint8_t size() const { return m_size; }
        bool full() const { return m_size == overlay_capacity; }
        Entry& operator[](std::uint8_t i) { return slots()[i]; }
        const Entry& operator[](std::uint8_t i) const { return slots()[i]; }
        void push(NameId name, ValueRef ref) { new (&slots()[m_size++]) Entry(name, std::move(ref)); }
        void clear()
        {
            for (std::uint8_t i = 0; i < m_size; ++i) slots()[i].~Entry();
            m_size = 0;
        }

    private:
        Entry* slots() { return std::launder(reinterpret_cast<Entry*>(m_storage)); }
        const Entry* slots() const { return std::launder(reinterpret_cast<const Entry*>(m_storage)); }
        void append_copies(const Overlay& other)
        {
            for (std::uint8_t i = 0; i < other.m_size; ++i) push(other[i].first, other[i].second);
        }
        void take_from(Overlay& other)
        {
            for (std::uint8_t i = 0; i < other.m_size; ++i) push(other[i].first, std::move(other[i].second));
            other.clear();
        }

        alignas(Entry) unsigned char m_storage[overlay_capacity * sizeof(Entry)];
        std::uint8_t m_size = 0;
    };

public:
    VarTable() {}
    VarTable(const VarTable& other) = default;
    VarTable& operator=(const VarTable& other) = default;
    VarTable(VarTable&& other) noexcept = default;
    VarTable& operator=(VarTable&& other) noexcept = default;

    // The reference bound to the name, or null when it is not bound.
    const ValueRef* find(NameId name) const
    {
        if (name == no_name) return nullptr;
        for (std::uint8_t i = 0; i < m_overlay.size(); ++i) {
            if (m_overlay[i].first == name) return &m_overlay[i].second;
        }
        return find_shared(name);
    }
    const ValueRef* find(std::string_view name) const { return find(find_name(name)); }
    // The same, through a token's lookup cache.
    const ValueRef* find(NameId name, LookupCache& cache) const
    {
        if (name == no_name) return nullptr;
        for (std::uint8_t i = 0; i < m_overlay.size(); ++i) {
            if (m_overlay[i].first == name) return &m_overlay[i].second;
        }
        if (!m_shared) return nullptr;
        if (cache.entries == m_shared.get() && cache.version == m_shared->version) {
            return cache.found ? &m_shared->items[cache.index].second : nullptr;
        }
        return find_shared_and_remember(name, cache);
    }
    bool contains(NameId name) const { return find(name) != nullptr; }
    bool contains(std::string_view name) const { return find(name) != nullptr; }

    // Binds the name to `ref`, adding the entry or replacing the reference.
    void bind(NameId name, ValueRef ref);
    void bind(std::string_view name, ValueRef ref) { bind(intern_name(name), std::move(ref)); }

    // Binds every entry of `other` here; its entries replace ours.
    void bind_all(const VarTable& other);
    // Binds every entry of `other` whose name is not bound here yet.
    void bind_missing(const VarTable& other);

    // Calls `visit(name, ref)` for every entry.
    template <class Visit>
    void for_each(Visit&& visit) const
    {
        for (const Entry& entry : all_entries()) visit(entry.first, entry.second);
    }
    // A table of exactly these entries (each name once).
    static VarTable from_entries(std::vector<std::pair<NameId, ValueRef>> entries);

    bool empty() const { return m_overlay.size() == 0 && (!m_shared || m_shared->items.empty()); }
    // True when both tables hold the same entries because one is an
    // unchanged copy of the other.
    bool same_entries(const VarTable& other) const;
    // True when every name bound in `other` is bound here too; answers
    // false when finding out would take a full comparison.
    bool covers_names_of(const VarTable& other) const;

private:
    struct Entries : RefCounted {
        Entries();
        // Changes whenever the entries change; unique across all tables
        // ever made, so a cache can never mistake new entries for old ones.
        std::uint64_t version;
        std::vector<Entry> items;
    };
    enum class Overlap { Replace, Keep };

    const ValueRef* find_shared(NameId name) const;
    const ValueRef* find_shared_and_remember(NameId name, LookupCache& cache) const;
    static constexpr std::size_t not_found = static_cast<std::size_t>(-1);
    // Position of the name in the shared entries (which must exist).
    std::size_t index_in_shared(NameId name) const;
    // The entries with the overlay folded in, sorted by name.
    std::vector<Entry> all_entries() const;
    // Makes the shared entries this table's own, with the overlay folded in.
    std::vector<Entry>& own_entries();
    void merge(const VarTable& other, Overlap overlap);

    Ref<Entries> m_shared;
    Overlay m_overlay;
};

}  // namespace zirn::value
