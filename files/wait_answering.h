// A wait of the thread that owns the tool's window: on Windows the window keeps answering its
// desktop meanwhile (its messages are handled as they come, so Windows never takes it for hung);
// elsewhere, where the window is answered between the capture's steps, a plain sleep.
#pragma once

#include <chrono>

void wait_answering(std::chrono::milliseconds time);
