// Shared helpers of the fuzz targets.
//
// Every target defines LLVMFuzzerTestOneInput. Built with ZIRN_FUZZ=ON it is
// a libFuzzer binary; otherwise replay_main.cpp supplies main() and feeds it
// the files of a corpus, which is how CI replays the corpora.
#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property: print which one and abort, so that libFuzzer (or the
// replay driver) reports the input as a crash.
#define ZIRN_FUZZ_CHECK(condition)                                                        \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)
