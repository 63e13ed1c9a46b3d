// The libFuzzer program of one entry; QUORVIX_FUZZ_TARGET names it.

#include "FuzzEntries.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzEntry* const entry = [] {
        const FuzzEntry* found = FindFuzzEntry(QUORVIX_FUZZ_TARGET);
        if (found == nullptr) {
            std::fprintf(stderr, "no fuzz entry named %s\n", QUORVIX_FUZZ_TARGET);
            std::abort();
        }
        return found;
    }();
    entry->run(data, size);
    return 0;
}
