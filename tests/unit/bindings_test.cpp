// The name cells: undo records put earlier bindings back in the right order.
#include <gtest/gtest.h>

#include <stdexcept>

#include "exec/bindings.h"
#include "value/names.h"
#include "value/value.h"

namespace {

using zirn::exec::Bindings;
using zirn::exec::UndoScope;
using zirn::value::intern_name;
using zirn::value::make_ref;
using zirn::value::Value;

std::int64_t bound_integer(const Bindings& bindings, zirn::value::NameId name)
{
    const zirn::value::ValueRef* ref = bindings.find(name);
    return ref == nullptr ? -1 : (*ref)->int_value();
}

TEST(Bindings, NestedScopesPutBackEachBindingNewestFirst)
{
    Bindings bindings;
    const auto x = intern_name("cells_x");
    const auto y = intern_name("cells_y");
    EXPECT_EQ(bindings.find(x), nullptr);  // never given a cell
    bindings.bind_for_good(x, make_ref(Value::integer(1)));
    {
        const UndoScope outer(bindings);
        bindings.bind_undoably(x, make_ref(Value::integer(2)));
        bindings.bind_undoably(y, make_ref(Value::integer(20)));
        {
            const UndoScope inner(bindings);
            bindings.bind_undoably(x, make_ref(Value::integer(3)));
            bindings.bind_undoably(x, make_ref(Value::integer(4)));
            EXPECT_EQ(bound_integer(bindings, x), 4);
        }
        EXPECT_EQ(bound_integer(bindings, x), 2);
        EXPECT_EQ(bound_integer(bindings, y), 20);
    }
    EXPECT_EQ(bound_integer(bindings, x), 1);
    EXPECT_EQ(bindings.find(y), nullptr);
}

TEST(Bindings, ScopesPutBindingsBackWhenAnErrorPassesThrough)
{
    Bindings bindings;
    const auto x = intern_name("cells_error_x");
    bindings.bind_for_good(x, make_ref(Value::integer(1)));
    try {
        const UndoScope scope(bindings);
        bindings.bind_undoably(x, make_ref(Value::integer(2)));
        throw std::runtime_error("fails");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(bound_integer(bindings, x), 1);
    EXPECT_EQ(bindings.mark(), 0u);
}

TEST(Bindings, RecordsKeepWhatTheyReplacedAlive)
{
    // The replaced Value lives on in the record even when nothing else
    // holds it, and is the same Value (not a copy) once put back.
    Bindings bindings;
    const auto x = intern_name("cells_alive_x");
    bindings.bind_for_good(x, make_ref(Value::integer(7)));
    const Value* original = bindings.find(x)->get();
    {
        const UndoScope scope(bindings);
        bindings.bind_undoably(x, make_ref(Value::integer(8)));
        EXPECT_EQ(bindings.undo_old(0).ref.get(), original);
    }
    EXPECT_EQ(bindings.find(x)->get(), original);
}

}  // namespace
