// Names as cells: the binding every name has right now, and what puts the
// earlier bindings back.
//
// ZIRN's scoping is defined with tables that each run copies from its
// caller and writes back at its end. Copying tables for every call, block
// and loop iteration is what made the interpreter slow, so names are bound
// shallowly instead: every interned name has one cell holding the binding
// that the running code sees, and every change that a table copy would have
// dropped later is recorded with the binding it replaced. Ending a call, a
// block or a loop iteration puts the recorded bindings back, newest first,
// which leaves exactly the bindings the copied tables would have left.
//
// Each binding carries a tag. Loop iterations use it to tell the names they
// created themselves (which outlive the iteration) from names that existed
// when the iteration began (whose rebinding ends with the iteration).
#pragma once

#include <cstdint>
#include <vector>

#include "value/names.h"
#include "value/value.h"

namespace zirn::exec {

struct Binding {
    value::ValueRef ref;      // null: the name is not bound
    std::uint64_t tag = 0;    // who made the binding (see BindingRules)
};

class Bindings {
public:
    Bindings() = default;
    Bindings(const Bindings&) = delete;
    Bindings& operator=(const Bindings&) = delete;

    // The Value bound to `name`, or null.
    const value::ValueRef* find(value::NameId name) const
    {
        if (name >= m_cell_count) return nullptr;
        const value::ValueRef& ref = m_cell_data[name].ref;
        return ref ? &ref : nullptr;
    }
    // The cell of `name`; valid until the next name is given a cell.
    Binding& cell(value::NameId name)
    {
        if (name >= m_cell_count) grow_cells(name);
        return m_cell_data[name];
    }
    const Binding* peek(value::NameId name) const { return name < m_cell_count ? &m_cell_data[name] : nullptr; }
    // The cell of `name` when it holds a binding, or null.
    const Binding* bound_cell(value::NameId name) const
    {
        if (name >= m_cell_count) return nullptr;
        const Binding& cell = m_cell_data[name];
        return cell.ref ? &cell : nullptr;
    }
    // The cells of the names below `count`, or null when some of them has
    // no cell yet (such a name is not bound).
    const Binding* cells_below(std::size_t count) const { return count <= m_cell_count ? m_cell_data : nullptr; }
    // Calls `visit(name, ref)` for every name bound right now, in the order
    // the names were first interned.
    template <class Visit>
    void for_each_bound(Visit visit) const
    {
        for (std::size_t name = 0; name < m_cells.size(); ++name) {
            if (m_cells[name].ref) visit(static_cast<value::NameId>(name), m_cells[name].ref);
        }
    }

    // Binds `name`, remembering the binding it replaces.
    void bind_undoably(value::NameId name, value::ValueRef ref, std::uint64_t tag = 0)
    {
        bind_undoably(cell(name), name, std::move(ref), tag);
    }
    // The same for the cell of `name`, already at hand.
    void bind_undoably(Binding& target, value::NameId name, value::ValueRef ref, std::uint64_t tag = 0)
    {
        m_undo.emplace_back(name, std::move(target));
        target.ref = std::move(ref);
        target.tag = tag;
    }
    // Binds `name` for good: nothing will put the old binding back.
    void bind_for_good(value::NameId name, value::ValueRef ref, std::uint64_t tag = 0)
    {
        cell(name) = Binding{std::move(ref), tag};
    }

    // Undo records: a mark is the count of records; undo_to() puts back
    // every binding recorded after the mark.
    std::size_t mark() const { return m_undo.size(); }
    void undo_to(std::size_t mark)
    {
        while (m_undo.size() > mark) {
            Undo& last = m_undo.back();
            Binding old = std::move(last.old);
            const value::NameId name = last.name;
            m_undo.pop_back();
            Binding& cell = m_cell_data[name];
            value::ValueRef undone = std::move(cell.ref);
            cell = std::move(old);
            value::let_go(undone);
        }
    }
    // Record `i` (counted from the first): the name and the binding it replaced.
    value::NameId undo_name(std::size_t i) const { return m_undo[i].name; }
    const Binding& undo_old(std::size_t i) const { return m_undo[i].old; }

    // A fresh tag, never given out before.
    std::uint64_t new_tag() { return ++m_last_tag; }

private:
    void grow_cells(value::NameId name)
    {
        m_cells.resize(static_cast<std::size_t>(name) + 1);
        m_cell_data = m_cells.data();
        m_cell_count = m_cells.size();
    }

    // 32 bytes, so that counting the records is a shift.
    struct alignas(32) Undo {
        Undo(value::NameId undone, Binding&& binding) : name(undone), old(std::move(binding)) {}
        value::NameId name;
        Binding old;
    };
    std::vector<Binding> m_cells;
    // The cells' storage and count, kept beside the vector: every lookup
    // reads them.
    Binding* m_cell_data = nullptr;
    std::size_t m_cell_count = 0;
    std::vector<Undo> m_undo;
    std::uint64_t m_last_tag = 0;
};

// Puts back every binding made while it lives, on every way out.
class UndoScope {
public:
    explicit UndoScope(Bindings& bindings) : m_bindings(bindings), m_mark(bindings.mark()) {}
    ~UndoScope() { m_bindings.undo_to(m_mark); }
    UndoScope(const UndoScope&) = delete;
    UndoScope& operator=(const UndoScope&) = delete;
    std::size_t mark() const { return m_mark; }

private:
    Bindings& m_bindings;
    std::size_t m_mark;
};

}  // namespace zirn::exec
