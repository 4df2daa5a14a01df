// One burst of keyboard scrolling, written once over a few platform steps so that the order of
// the keys, their codes and the pauses are the same on every platform.
#pragma once

#include "game_window.h"

// A key as the game expects it: Windows virtual key and keyboard scan code.
struct key_code {
    unsigned char virtual_key;
    unsigned char scan_code;
};

inline constexpr key_code key_control{0x11, 0x1D};
inline constexpr key_code key_right{0x27, 0x4D};
inline constexpr key_code key_left{0x25, 0x4B};
inline constexpr key_code key_down{0x28, 0x50};
inline constexpr key_code key_up{0x26, 0x48};

// Flags of a key event: 0 presses, 2 (KEYEVENTF_KEYUP) releases.
inline constexpr unsigned key_press = 0;
inline constexpr unsigned key_release = 2;

// Pauses of a burst, in milliseconds.
inline constexpr unsigned focus_pause_ms = 50;
inline constexpr unsigned tap_pause_ms = 25;

// What a platform provides for a burst.
struct burst_steps {
    // Brings the window to the front; false when the window no longer exists.
    bool (*bring_to_front)(game_window window);
    void (*sleep_ms)(unsigned milliseconds);
    // Sends one key event; false when it could not be sent.
    bool (*send_key)(key_code key, unsigned flags);
};

// Focus, 50 ms, Ctrl down, |dx| horizontal taps then |dy| vertical taps (each a press, a release
// and 25 ms), Ctrl up, 25 ms. Stops sending taps when a key cannot be sent, but always tries to
// release Ctrl once it was pressed. Returns false when the window was gone or a key failed.
bool run_key_burst(const burst_steps& steps, game_window window, int dx, int dy);
