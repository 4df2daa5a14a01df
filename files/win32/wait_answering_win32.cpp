#include "wait_answering.h"

#include <windows.h>

// The wait ends early when a message comes; each is handled, and the wait goes on for what is
// left of the time.
void wait_answering(std::chrono::milliseconds time)
{
    const auto deadline = std::chrono::steady_clock::now() + time;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()),
                                  QS_ALLINPUT);
    }
}
