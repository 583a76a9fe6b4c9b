// A variable table: names mapped to shared references to Values.
//
// Copying a table copies the references, not the Values, so two tables can
// hold the same Value: an assignment to an existing name updates that Value in
// place and every table holding it sees the change, while binding a name (a
// new entry, or an entry pointed at another Value) is seen only by the table
// that was written. The whole scoping model of ZIRN rests on this.
//
// The running code reads its names from cells (exec/bindings.h); a table is
// how a caller hands names to a run and takes them back when it ends (the
// REPL's names between lines, a program's names), so it is a plain sorted
// list of entries.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "value/names.h"
#include "value/value.h"

namespace zirn::value {

class VarTable {
    using Entry = std::pair<NameId, ValueRef>;
public:
    VarTable() {}
    VarTable(const VarTable& other) = default;
    VarTable& operator=(const VarTable& other) = default;
    VarTable(VarTable&& other) noexcept = default;
    VarTable& operator=(VarTable&& other) noexcept = default;

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

    // Calls `visit(name, ref)` for every entry.
    template <class Visit>
    void for_each(Visit&& visit) const
    {
        for (const Entry& entry : m_entries) visit(entry.first, entry.second);
    }
    // A table of exactly these entries (each name once).
    static VarTable from_entries(std::vector<std::pair<NameId, ValueRef>> entries);

    bool empty() const { return m_entries.empty(); }
    // True when every name bound in `other` is bound here too.
    bool covers_names_of(const VarTable& other) const;

private:
    enum class Overlap { Replace, Keep };
    void merge(const VarTable& other, Overlap overlap);

    std::vector<Entry> m_entries;  // sorted by name id, each name once
};

}  // namespace zirn::value
