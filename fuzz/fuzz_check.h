// Shared helpers of the fuzz targets.
//
// Every target defines LLVMFuzzerTestOneInput. Built with ZIRN_FUZZ=ON it is
// a libFuzzer binary; otherwise replay_main.cpp supplies main() and feeds it
// the files of a corpus, which is how CI replays the corpora.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>

// A broken property: print which one and abort, so that libFuzzer (or the
// replay driver) reports the input as a crash.
#define ZIRN_FUZZ_CHECK(condition)                                                        \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

// An output stream that takes every byte and keeps none. (A stream without
// a buffer fails at the first write, which the console reports as lost
// output and which ends the session.)
class DroppedOutput : public std::ostream {
public:
    DroppedOutput() : std::ostream(&m_buffer) {}

private:
    struct Discarding : std::streambuf {
        int_type overflow(int_type ch) override { return traits_type::not_eof(ch); }
        std::streamsize xsputn(const char_type* /*text*/, std::streamsize count) override { return count; }
    };
    Discarding m_buffer;
};
