// Element lists keep plain integers in their slots: what a program can see
// (values, and that a shared element is one element) must not depend on
// whether an element is inline or boxed.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "value/convert.h"
#include "value/value.h"

using zirn::value::ElementList;
using zirn::value::make_ref;
using zirn::value::Value;
using zirn::value::ValueRef;

namespace {

std::int64_t at(const ElementList& list, std::size_t i) { return list.value_at(i).int_value(); }

}  // namespace

TEST(ElementList, KeepsEveryIntegerExactlyInlineOrBoxed)
{
    const std::int64_t samples[] = {0,
                                    -1,
                                    42,
                                    (std::int64_t{1} << 62) - 1,
                                    -(std::int64_t{1} << 62),
                                    std::int64_t{1} << 62,
                                    std::numeric_limits<std::int64_t>::max(),
                                    std::numeric_limits<std::int64_t>::min()};
    ElementList list;
    for (std::int64_t n : samples) list.push_back(Value::integer(n));
    ASSERT_EQ(list.size(), std::size(samples));
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(at(list, i), samples[i]) << i;
        EXPECT_EQ(list.share(i)->int_value(), samples[i]) << i;
    }
    // An integer that still carries a text is not a plain integer: it keeps
    // its text in the list.
    Value converted = zirn::value::convert_value(Value::string("12"), zirn::value::Type::Integer);
    list.push_back(converted);
    EXPECT_EQ(list.value_at(list.size() - 1).text(), converted.text());
    EXPECT_EQ(list.value_at(list.size() - 1).int_value(), 12);
    list.erase(0);
    list.erase(list.size() - 1);
    EXPECT_EQ(list.size(), std::size(samples) - 1);
    EXPECT_EQ(at(list, 0), -1);
    EXPECT_EQ(zirn::value::render_list(list), "(-1 42 4611686018427387903 -4611686018427387904 4611686018427387904 "
                                              "9223372036854775807 -9223372036854775808)");
}

TEST(ElementList, ASharedElementStaysOneElementAcrossCopiesAndSweeps)
{
    ElementList original;
    for (int i = 0; i < 5000; ++i) original.push_back(Value::integer(i));
    // Taken before a copy: the copy and the original share it.
    ValueRef first = original.share(0);
    ElementList copy = original;
    *first = Value::integer(-7);
    EXPECT_EQ(at(original, 0), -7);
    EXPECT_EQ(at(copy, 0), -7);
    // An element the copy shares later is shared with the original too.
    ValueRef later = copy.share(4999);
    *later = Value::integer(99);
    EXPECT_EQ(at(original, 4999), 99);

    // Many boxings trigger sweeps; an element still held must stay shared
    // while the ones nobody holds go back inline with their values.
    ElementList list;
    for (int i = 0; i < 5000; ++i) list.push_back(Value::integer(i));
    ValueRef held = list.share(3);
    for (std::size_t i = 0; i < list.size(); ++i) {
        ValueRef element = list.share(i);
        *element = Value::integer(element->int_value() * 2);
    }
    *held = Value::integer(-1);
    EXPECT_EQ(at(list, 3), -1);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i != 3) {
            EXPECT_EQ(at(list, i), static_cast<std::int64_t>(i) * 2) << i;
        }
    }
}

TEST(ElementList, AppendingAUniqueIntegerDoesNotKeepItsValue)
{
    const std::size_t before = zirn::value::allocated_value_count();
    ElementList list;
    for (int i = 0; i < 1000; ++i) list.push_back(make_ref(Value::integer(i)));
    EXPECT_EQ(zirn::value::allocated_value_count(), before);
    // A reference held elsewhere is kept as it is.
    ValueRef kept = make_ref(Value::integer(5));
    list.push_back(kept);
    *kept = Value::integer(6);
    EXPECT_EQ(at(list, 1000), 6);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(zirn::value::allocated_value_count(), before + 1);
}

TEST(ElementList, LentElementsAreSharedAndGoBackInlineWhenLetGo)
{
    ElementList list;
    for (int i = 0; i < 100; ++i) list.push_back(Value::integer(i));
    const std::size_t before = zirn::value::allocated_value_count();
    ValueRef spare;
    ValueRef kept;
    for (std::size_t i = 0; i < list.size(); ++i) {
        ValueRef lent = list.lend(i, spare);
        // A change made through the lent element is the element's own.
        *lent = Value::integer(lent->int_value() + 1000);
        if (i == 7) kept = lent;  // held elsewhere: must stay shared
        list.take_back(i, lent);
        spare = std::move(lent);
    }
    // One Value served every element that nobody kept.
    EXPECT_LE(zirn::value::allocated_value_count(), before + 2);
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(at(list, i), static_cast<std::int64_t>(i) + 1000) << i;
    *kept = Value::integer(-5);
    EXPECT_EQ(at(list, 7), -5);
    // An element that stopped being a plain integer stays boxed with it.
    ValueRef text = list.lend(8, spare);
    *text = Value::string("eight");
    list.take_back(8, text);
    EXPECT_EQ(list.value_at(8).text(), "eight");
}

TEST(ElementList, ElementsStillHeldAtASweepAreSweptLater)
{
    ElementList list;
    for (int i = 0; i < 1000; ++i) list.push_back(Value::integer(i));
    const std::size_t before = zirn::value::allocated_value_count();
    {
        // Held across the first sweeps, then let go.
        std::vector<ValueRef> held;
        for (std::size_t i = 0; i < 15; ++i) held.push_back(list.share(i));
        for (std::size_t i = 15; i < 100; ++i) ValueRef element = list.share(i);
    }
    for (std::size_t i = 100; i < 415; ++i) ValueRef element = list.share(i);
    // Only the elements boxed since the last sweep are still boxed (a sweep
    // comes every 32 boxings), not the ones held at an earlier sweep.
    EXPECT_LE(zirn::value::allocated_value_count() - before, 32u);
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(at(list, i), static_cast<std::int64_t>(i)) << i;
}
