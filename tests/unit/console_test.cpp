// The plain-stream console: lines read in pieces come out whole, and output
// that cannot be written raises OutputLost.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "app/session.h"
#include "host/console.h"

namespace {

using zirn::host::OutputLost;
using zirn::host::StreamConsole;

TEST(StreamConsole, LinesOfEveryLengthComeOutWhole)
{
    // Lengths around the size of the pieces read at a time.
    const std::string a(16383, 'a'), b(16384, 'b'), c(40000, 'c');
    std::istringstream in(a + "\n" + b + "\n\n" + c + "\nlast");
    std::ostringstream out, err;
    StreamConsole console(in, out, err);
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), a);
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), b);
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), "");
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), c);
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), "last");  // no line feed at the end
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), std::nullopt);
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), std::nullopt);
}

TEST(StreamConsole, EndOfInputAfterALineFeedReadsNothing)
{
    std::istringstream in("one\n");
    std::ostringstream out, err;
    StreamConsole console(in, out, err);
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Program), "one");
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Program), std::nullopt);
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

// An input whose reads fail, as reading a closed descriptor or a folder
// does. After many reads it gives up and reports the end instead, so that
// a reader that keeps retrying ends too (and is caught by what it got).
class BrokenInput : public std::streambuf {
public:
    int reads = 0;

protected:
    int_type underflow() override
    {
        if (++reads > 10000) return traits_type::eof();
        errno = EIO;
        throw std::runtime_error("read failed");
    }
};

TEST(StreamConsole, AReadErrorIsTheEndOfInputAndSaysWhy)
{
    BrokenInput broken;
    std::istream in(&broken);
    std::ostringstream out, err;
    StreamConsole console(in, out, err);
    EXPECT_EQ(console.read_failure(), "");
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Program), std::nullopt);
    EXPECT_EQ(console.read_failure(), "Input/output error");
    // Read once: later reads are at the end without trying again.
    EXPECT_EQ(console.read_line(zirn::host::LineKind::Prompt), std::nullopt);
    EXPECT_EQ(broken.reads, 1);
}

struct SessionOnBrokenInput {
    BrokenInput broken;
    std::string err;
    int status = -1;
};

TEST(StreamConsole, AReadErrorEndsTheSessionWithOneErrorLine)
{
    SessionOnBrokenInput session;
    zirn::app::run_on_interpreter_stack(
        [](void* raw) {
            auto& session = *static_cast<SessionOnBrokenInput*>(raw);
            std::istream in(&session.broken);
            std::ostringstream out, err;
            StreamConsole console(in, out, err);
            session.status = zirn::app::run_session(console, zirn::exec::FileAccess::Sandboxed);
            session.err = err.str();
            return session.status;
        },
        &session);
    EXPECT_EQ(session.status, 1);
    EXPECT_EQ(session.err, "error: cannot read standard input: Input/output error\n");
    EXPECT_EQ(session.broken.reads, 1);
}

}  // namespace
