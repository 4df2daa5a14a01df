// The Windows tests' small harness (they are cross-built, where GoogleTest is not at hand): every
// check is counted and a failed one printed; the closing line "N passed, M failed" tells the
// runner under Wine that the program ran to its end.
#pragma once

#include <cstdio>
#include <string>

inline int checks_passed = 0, checks_failed = 0;

inline void check(bool condition, const std::string& what)
{
    if (condition) {
        ++checks_passed;
    } else {
        ++checks_failed;
        std::printf("FAILED: %s\n", what.c_str());
    }
    std::fflush(stdout);
}

// Prints the closing line; the program's exit status.
inline int closing_line()
{
    std::printf("%d passed, %d failed\n", checks_passed, checks_failed);
    return checks_failed ? 1 : 0;
}
