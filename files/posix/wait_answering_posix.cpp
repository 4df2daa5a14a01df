#include "wait_answering.h"

#include <thread>

void wait_answering(std::chrono::milliseconds time)
{
    std::this_thread::sleep_for(time);
}
