// The plain-stream console: lines read in pieces come out whole, and output
// that cannot be written raises OutputLost.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>

#include "exec/console.h"

namespace {

using zirn::exec::OutputLost;
using zirn::exec::StreamConsole;

TEST(StreamConsole, LinesOfEveryLengthComeOutWhole)
{
    // Lengths around the size of the pieces read at a time.
    const std::string a(16383, 'a'), b(16384, 'b'), c(40000, 'c');
    std::istringstream in(a + "\n" + b + "\n\n" + c + "\nlast");
    std::ostringstream out, err;
    StreamConsole console(in, out, err);
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Prompt), a);
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Prompt), b);
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Prompt), "");
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Prompt), c);
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Prompt), "last");  // no line feed at the end
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Prompt), std::nullopt);
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Prompt), std::nullopt);
}

TEST(StreamConsole, EndOfInputAfterALineFeedReadsNothing)
{
    std::istringstream in("one\n");
    std::ostringstream out, err;
    StreamConsole console(in, out, err);
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Program), "one");
    EXPECT_EQ(console.read_line(zirn::exec::LineKind::Program), std::nullopt);
}

// A stream buffer that takes a few bytes and then fails, as a full disk does.
class FillingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type ch) override
    {
        if (m_room == 0) return traits_type::eof();
        --m_room;
        return traits_type::not_eof(ch);
    }

private:
    int m_room = 4;
};

TEST(StreamConsole, OutputThatCannotBeWrittenIsLost)
{
    FillingBuffer full;
    std::ostream out(&full);
    std::istringstream in;
    std::ostringstream err;
    StreamConsole console(in, out, err);
    console.write("ab");
    EXPECT_THROW(console.write("cdefgh"), OutputLost);
    // Reporting still works, so the loss itself can be told.
    console.report("error: lost");
    EXPECT_EQ(err.str(), "error: lost\n");
}

}  // namespace
