#include "capture_failure.h"

#include <cstdio>

bool report_capture_failure()
{
    std::puts("capture fail!");
    std::fflush(stdout);
    return false;
}
