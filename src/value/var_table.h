// A variable table: names mapped to shared references to Values.
//
// Copying a table copies the references, not the Values, so two tables can
// hold the same Value: an assignment to an existing name updates that Value in
// place and every table holding it sees the change, while binding a name (a
// new entry, or an entry pointed at another Value) is seen only by the table
// that was written. The whole scoping model of ZIRN rests on this.
//
// Tables are copied for every call, block and run, so a copy shares the
// entries with the original and takes its own copy only when one of them binds
// a name (copy on write). Entries are kept sorted by interned name id.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "value/names.h"
#include "value/value.h"

namespace zirn::value {

class VarTable {
public:
    // The reference bound to the name, or null when it is not bound.
    const ValueRef* find(NameId name) const;
    const ValueRef* find(std::string_view name) const { return find(find_name(name)); }
    bool contains(NameId name) const { return find(name) != nullptr; }
    bool contains(std::string_view name) const { return find(name) != nullptr; }

    // Binds the name to `ref`, adding the entry or replacing the reference.
    void bind(NameId name, ValueRef ref);
    void bind(std::string_view name, ValueRef ref) { bind(intern_name(name), std::move(ref)); }

    // Binds every entry of `other` here; its entries replace ours.
    void bind_all(const VarTable& other);
    // Binds every entry of `other` whose name is not bound here yet.
    void bind_missing(const VarTable& other);

    bool empty() const { return !m_entries || m_entries->items.empty(); }
    std::size_t size() const { return m_entries ? m_entries->items.size() : 0; }
    // True when both tables share the same entries (and so are equal).
    bool same_entries(const VarTable& other) const { return m_entries == other.m_entries; }

private:
    using Entry = std::pair<NameId, ValueRef>;
    struct Entries : RefCounted {
        std::vector<Entry> items;
    };
    enum class Overlap { Replace, Keep };

    std::vector<Entry>& items_for_update();
    void merge(const VarTable& other, Overlap overlap);

    Ref<Entries> m_entries;
};

}  // namespace zirn::value
