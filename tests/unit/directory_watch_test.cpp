// A line that fails after `cd` leaves the session in the folder the line
// started in, in the in-memory sandbox as on disk (the golden test
// files/cd_on_error covers the disk).
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/session.h"
#include "host/console.h"

namespace {

std::string sandboxed_output(const std::string& input)
{
    std::istringstream in(input);
    std::ostringstream out, err;
    zirn::host::StreamConsole console(in, out, err);
    zirn::app::run_session(console, zirn::exec::FileAccess::Sandboxed);
    return out.str();
}

TEST(DirectoryWatch, AFailingLineGoesBackToItsFolder)
{
    const std::string out = sandboxed_output(
        "$mkdir$(\"sub\")\n"
        "fail_inside = {\n$cd$(\"sub\")\nx = $int$(\"no\")\n}\n"
        "$fail_inside\n"
        "$writefile$(\"where.txt\" \"start\")\n"
        "$cd$(\"sub\")\n"
        "$print$($listdir$(\".\"))\n"
        "$print$($listdir$(\"..\"))\n");
    // The successful cd stays: the last two listings are of sub and above.
    EXPECT_NE(out.find("> []\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\"where.txt\""), std::string::npos) << out;
}

}  // namespace
