#pragma once

#include <cstdio>
#include <cstdlib>

namespace tavrel::fuzz {

// Stops the run, which libFuzzer records as a crash with its input, when a
// property of the code under test does not hold.
inline void Require(bool holds, const char* property)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

}  // namespace tavrel::fuzz
