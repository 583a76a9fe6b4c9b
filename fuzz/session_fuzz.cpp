// Fuzz target: a whole REPL session, the input being the lines typed.
//
// The session runs in the sandbox (an in-memory file system) with a step
// budget, so no input can touch real files or run for ever. Output is
// dropped; what counts is that every session ends with a status, and never
// because its output was taken for lost.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

#include "app/session.h"
#include "host/console.h"
#include "fuzz_check.h"
#include "base/stack_guard.h"

namespace {
// Statements and loop iterations one session may run, start-up included.
constexpr std::uint64_t session_steps = 20000;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    zirn::guard_current_thread_stack();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    DroppedOutput out;
    std::ostringstream err;
    zirn::host::StreamConsole console(in, out, err);
    const int status = zirn::app::run_session(console, zirn::exec::FileAccess::Sandboxed, session_steps);
    ZIRN_FUZZ_CHECK(status == 0 || status == 1);
    // Output that goes somewhere is never reported lost (a report line of
    // its own; the words may well stand inside other reports, quoted).
    const std::string reports = err.str();
    ZIRN_FUZZ_CHECK(!reports.starts_with("error: cannot write to standard output: ") &&
                    reports.find("\nerror: cannot write to standard output: ") == std::string::npos);
    return 0;
}
