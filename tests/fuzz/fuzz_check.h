// How a fuzz target reports a broken rule: the rule on stderr, then abort(), which libFuzzer
// records as a crash with its input and which ends a replaying test. ASan and UBSan report
// memory and undefined-behaviour faults themselves.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void FuzzCheck(bool holds, const char* rule) {
    if (holds) return;
    std::fprintf(stderr, "fuzz rule broken: %s\n", rule);
    std::abort();
}
