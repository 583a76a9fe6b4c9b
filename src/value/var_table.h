// A variable table: names mapped to shared references to Values.
//
// Copying a table copies the references, not the Values, so two tables can
// hold the same Value: an assignment to an existing name updates that Value in
// place and every table holding it sees the change, while binding a name (a
// new entry, or an entry pointed at another Value) is seen only by the table
// that was written. The whole scoping model of ZIRN rests on this.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "value/value.h"

namespace zirn::value {

class VarTable {
public:
    // The reference bound to `name`, or null when the name is not bound.
    const ValueRef* find(std::string_view name) const
    {
        const auto it = m_entries.find(name);
        return it == m_entries.end() ? nullptr : &it->second;
    }
    bool contains(std::string_view name) const { return find(name) != nullptr; }

    // Binds `name` to `ref`, adding the entry or replacing the reference.
    void bind(std::string_view name, ValueRef ref)
    {
        const auto it = m_entries.find(name);
        if (it != m_entries.end()) it->second = std::move(ref);
        else m_entries.emplace(std::string(name), std::move(ref));
    }

    // Binds every entry of `other` here; its entries replace ours.
    void bind_all(const VarTable& other)
    {
        for (const auto& [name, ref] : other.m_entries) bind(name, ref);
    }

    // Binds every entry of `other` whose name is not bound here yet.
    void bind_missing(const VarTable& other)
    {
        for (const auto& [name, ref] : other.m_entries) m_entries.emplace(name, ref);
    }

    bool empty() const { return m_entries.empty(); }
    std::size_t size() const { return m_entries.size(); }

private:
    std::map<std::string, ValueRef, std::less<>> m_entries;
};

}  // namespace zirn::value
