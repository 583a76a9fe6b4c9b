// Variable tables and shared Values: copies share entries until one of them
// binds a name, and must then behave as fully separate tables.
#include <gtest/gtest.h>

#include "value/cycles.h"
#include "value/var_table.h"

using zirn::value::CycleCollector;
using zirn::value::make_ref;
using zirn::value::Value;
using zirn::value::ValueRef;
using zirn::value::VarTable;

namespace {

ValueRef integer(std::int64_t n) { return make_ref(Value::integer(n)); }

// "v" followed by the number, built without operator+ on a literal (which
// trips a false warning in this compiler).
std::string named(const char* stem, int i)
{
    std::string name = stem;
    name += std::to_string(i);
    return name;
}

std::int64_t read(const VarTable& table, const char* name)
{
    const ValueRef* ref = table.find(name);
    return ref == nullptr ? -1 : (*ref)->int_value();
}

}  // namespace

TEST(VarTable, CopiesSeparateOnBindingAndShareInPlaceUpdates)
{
    VarTable original;
    for (int i = 0; i < 10; ++i) original.bind(named("v", i), integer(i));
    VarTable copy = original;

    // New names and rebindings in the copy.
    for (int i = 0; i < 7; ++i) copy.bind(named("new", i), integer(100 + i));
    copy.bind("v3", integer(33));
    EXPECT_EQ(read(copy, "v3"), 33);
    EXPECT_EQ(read(original, "v3"), 3);
    EXPECT_EQ(read(copy, "new6"), 106);
    EXPECT_FALSE(original.contains("new0"));

    // An in-place update of a shared Value is seen through both tables.
    **original.find("v5") = Value::integer(55);
    EXPECT_EQ(read(copy, "v5"), 55);
}

TEST(VarTable, MergesKeepTheRightSide)
{
    VarTable outer;
    outer.bind("a", integer(1));
    outer.bind("b", integer(2));
    VarTable own;
    own.bind("b", integer(20));
    own.bind("c", integer(30));

    VarTable view = outer;
    view.bind_missing(own);  // outer entries win
    EXPECT_EQ(read(view, "b"), 2);
    EXPECT_EQ(read(view, "c"), 30);

    VarTable block = outer;
    block.bind_all(own);  // own entries win
    EXPECT_EQ(read(block, "b"), 20);
    EXPECT_EQ(read(block, "a"), 1);
}

TEST(VarTable, CoverageOfNamesBetweenCopies)
{
    VarTable base;
    base.bind("x", integer(1));
    base.bind("y", integer(2));
    VarTable outer = base;
    VarTable own = base;
    outer.bind("x", integer(10));  // a rebinding: still the same names
    EXPECT_TRUE(outer.covers_names_of(own));
    EXPECT_TRUE(own.covers_names_of(outer));
    own.bind("z", integer(3));  // a new name only own has
    EXPECT_FALSE(outer.covers_names_of(own));
    EXPECT_TRUE(own.covers_names_of(outer));
}

TEST(VarTable, TablesOfSeparateOriginsCompareByTheirNames)
{
    // Built apart, in another order: coverage is decided by the names alone.
    VarTable first = VarTable::from_entries({{zirn::value::intern_name("q2"), integer(2)},
                                             {zirn::value::intern_name("q1"), integer(1)}});
    VarTable second;
    second.bind("q1", integer(10));
    EXPECT_TRUE(first.covers_names_of(second));
    EXPECT_FALSE(second.covers_names_of(first));
    EXPECT_EQ(read(first, "q1"), 1);
    EXPECT_EQ(read(first, "q2"), 2);

    // Merging a table into itself changes nothing.
    first.bind_all(first);
    first.bind_missing(first);
    int entries = 0;
    first.for_each([&](zirn::value::NameId, const ValueRef&) { ++entries; });
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(read(first, "q2"), 2);
}

TEST(CycleCollector, FreesOnlyListsNothingElseHolds)
{
    CycleCollector collector;
    // A list whose only element is a Value holding the list's own elements.
    ValueRef kept = make_ref(Value::list());
    kept->elements_for_update().push_back(make_ref(Value::integer(1)));
    ValueRef element = kept->elements()[0];
    *element = *kept;  // element now shares the list's elements: a cycle
    collector.note(element);

    // Still held from outside: nothing is freed.
    EXPECT_EQ(collector.collect(), 0u);

    collector.note(element);
    kept.reset();
    element.reset();
    // Only the cycle holds it now.
    EXPECT_GE(collector.collect(), 1u);
}
