// List text: how strings are quoted so that decodelist reads them back, the
// strings it refuses, lists shared in many places, and the text limit.
#include <gtest/gtest.h>

#include <string>

#include "base/error.h"
#include "value/convert.h"
#include "value/growing_text.h"

namespace {

using namespace zirn::value;
using zirn::ErrorKind;

ValueRef ref(Value v) { return make_ref(std::move(v)); }

// The message of the Error that rendering `elements` raises, or "" for none.
std::string render_error(const ElementList& elements)
{
    try {
        render_list(elements);
    } catch (const zirn::Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::EncodeList);
        return error.what();
    }
    return "";
}

TEST(ListText, StringsTakeTheQuoteTheyDoNotHold)
{
    EXPECT_EQ(render_list({ref(Value::string("plain")), ref(Value::string("it's")), ref(Value::string("say \"x\""))}),
              "(\"plain\" \"it's\" 'say \"x\"')");
    // At the top, parentheses in a string are inside its quotes.
    EXPECT_EQ(render_list({ref(Value::string("a (b")), ref(Value::string(") c"))}), "(\"a (b\" \") c\")");
    const Value nested = Value::list({ref(Value::string("(ok)")), ref(Value::string("\"(x)\""))});
    EXPECT_EQ(render_list({ref(nested)}), "((\"(ok)\" '\"(x)\"'))");
}

TEST(ListText, StringsThatCannotReadBackAreRefusedByPosition)
{
    EXPECT_EQ(render_error({ref(Value::integer(1)), ref(Value::string("'\""))}),
              "encodelist: the string at index 1 holds both a single and a double quote");
    const Value inner = Value::list({ref(Value::integer(7)), ref(Value::string("x)"))});
    const Value outer = Value::list({ref(Value::string("fine")), ref(inner)});
    EXPECT_EQ(render_error({ref(Value::integer(0)), ref(outer)}),
              "encodelist: the string at index 1 of the list at index 1 of the list at index 1 holds parentheses "
              "that do not pair up, which a nested list cannot carry");
    EXPECT_NE(render_error({ref(Value::list({ref(Value::string(")("))}))}), "");
    // The bracket form shows strings as they are and refuses nothing.
    EXPECT_EQ(to_text(Value::list({ref(Value::string("'\""))})), "[\"'\"\"]");
}

TEST(ListText, SharedListsShowAsOftenAsTheyAreHeld)
{
    const ValueRef pair = ref(Value::list({ref(Value::integer(1)), ref(Value::integer(2))}));
    const ValueRef twice = ref(Value::list({pair, pair}));
    const Value four = Value::list({twice, twice});
    EXPECT_EQ(to_text(four), "[[[1, 2], [1, 2]], [[1, 2], [1, 2]]]");
    EXPECT_EQ(render_list(four.elements()), "(((1 2) (1 2)) ((1 2) (1 2)))");
    EXPECT_EQ(convert_value(four, Type::Func).text(), "[[[1, 2], [1, 2]] ,[[1, 2], [1, 2]]]");

    // A shared list that holds itself shows its repeat wherever it is held.
    const ValueRef self = ref(Value::list({ref(Value::integer(1))}));
    self->elements_for_update().push_back(self);
    const Value both = Value::list({self, pair, self});
    EXPECT_EQ(to_text(both), "[[1, [...]], [1, 2], [1, [...]]]");
    self->elements_for_update().clear();  // break the cycle so the test frees it
}

TEST(ListText, ADoubledListMatchesTheTextBuiltByHand)
{
    // 2^12 copies of the first list: the text is written from the shared
    // parts, so it matches the text built by hand.
    ValueRef list = ref(Value::list({ref(Value::integer(1))}));
    std::string expected = "[1]";
    for (int i = 0; i < 12; ++i) {
        list = ref(Value::list({list, list}));
        expected = "[" + expected + ", " + expected + "]";
    }
    EXPECT_EQ(to_text(*list), expected);
}

TEST(ListText, GrowingTextStopsAtItsLimit)
{
    GrowingText text("the test text", 10);
    text.append("12345");
    text.append_again(0, 5);
    EXPECT_EQ(text.size(), 10U);
    try {
        text.append("x");
        ADD_FAILURE() << "no error raised";
    } catch (const zirn::Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::TooLarge);
        EXPECT_STREQ(error.what(), "too large: the test text would pass 10 bytes");
    }
    EXPECT_EQ(text.take(), "1234512345");
}

}  // namespace
