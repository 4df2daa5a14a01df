// The game window driver on Windows: SetForegroundWindow and SendInput, checked before every key
// as on X11: the window still there and in front, Ctrl still down while the burst holds it, and
// each Ctrl press and release seen in the system's key state before the burst goes on. The
// lookup is in win32_lookup.cpp, the snapshot in win32_snapshot.cpp.
#include "game_window.h"

#include "key_burst.h"
#include "process_end.h"
#include "wait_answering.h"
#include "win32_dpi.h"
#include "win32_driver.h"
#include "win32_keys.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

// How long a Ctrl press or release may take to show in the system's key state.
constexpr DWORD delivery_wait_ms = 500;

bool control_down_in_system()
{
    return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
}

// The integrity level of a process's token (low, medium, high, system); -1 when it cannot be read.
long integrity_level(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return -1;
    unsigned char buffer[64];
    DWORD size = 0;
    long level = -1;
    if (GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size)) {
        const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
        level = static_cast<long>(*GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1));
    }
    CloseHandle(token);
    return level;
}

// Whether the game runs with more rights than the tool (started as administrator): the system
// then drops every key the tool sends it, without a word. A game whose token the tool may not
// even read is such a game.
bool game_runs_elevated(HWND window)
{
    DWORD game_id = 0;
    GetWindowThreadProcessId(window, &game_id);
    HANDLE game = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, game_id);
    if (!game)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const long games = integrity_level(game);
    const DWORD error = GetLastError();
    CloseHandle(game);
    if (games < 0)
        return error == ERROR_ACCESS_DENIED;
    return games > integrity_level(GetCurrentProcess());
}

// One key event into the system's input stream, as the keyboard sends it; false when the system
// took none (another program's input is blocked, or a desktop of more rights is in front).
bool send_raw_key(game_key key, bool pressed)
{
    const win32_key code = win32_key_of(key);
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = code.virtual_key;
    input.ki.wScan = code.scan_code;
    input.ki.dwFlags = (code.extended ? KEYEVENTF_EXTENDEDKEY : 0) | (pressed ? 0 : KEYEVENTF_KEYUP);
    return SendInput(1, &input, sizeof input) == 1;
}

game_status request_focus(game_window window)
{
    if (!IsWindow(window) || !IsWindowVisible(window))
        return game_status::window_gone;
    if (game_runs_elevated(window))
        return game_status::game_elevated;
    // A minimised game is restored; the focus is asked for again once it is.
    if (IsIconic(window)) {
        ShowWindowAsync(window, SW_RESTORE);
        return game_status::focus_refused;
    }
    RECT client{};
    {
        const game_dpi_context in_games_pixels(window);
        if (!GetClientRect(window, &client))
            return game_status::window_gone;
    }
    if (client.right - client.left < min_client_width ||
        client.bottom - client.top < min_client_height)
        return game_status::window_too_small;
    // The system may refuse a program that is not in front itself; the confirmation tells.
    SetForegroundWindow(window);
    return game_status::ok;
}

game_status confirm_focus(game_window window)
{
    if (!IsWindow(window))
        return game_status::window_gone;
    return GetForegroundWindow() == window ? game_status::ok : game_status::focus_refused;
}

game_status may_type(game_window window)
{
    if (process_end_asked())
        return game_status::interrupted;
    if (!IsWindow(window))
        return game_status::window_gone;
    if (GetForegroundWindow() != window)
        return game_status::focus_lost;
    // Another program (or the player) let go of Ctrl: an arrow now would be a plain arrow.
    if (open_win32_driver().control_held_now && !control_down_in_system())
        return game_status::control_dropped;
    return game_status::ok;
}

// SendInput puts the keys into the system's input stream; the system's key state shows them
// once they are taken in. A press that never shows was dropped (an elevated window in front).
game_status confirm_delivery(game_window, bool pressed)
{
    for (DWORD waited = 0; control_down_in_system() != pressed; waited += 5) {
        if (waited >= delivery_wait_ms)
            return pressed ? game_status::keys_undelivered : game_status::ok;
        Sleep(5);
    }
    return game_status::ok;
}

bool send_key(game_key key, bool pressed)
{
    return send_raw_key(key, pressed);
}

burst_clock::time_point now()
{
    return burst_clock::now();
}

void pause_until(burst_clock::time_point deadline, const pause_work& work)
{
    constexpr auto time_for_work = std::chrono::milliseconds(5);
    bool work_left = static_cast<bool>(work);
    while (!process_end_asked()) {
        const auto left = deadline - burst_clock::now();
        if (left <= burst_clock::duration::zero())
            return;
        if (work_left && left > time_for_work)
            work_left = work();
        else
            // The tool's own window keeps answering through bursts of any length; its controls
            // are inactive during a capture, so nothing it does then sends a key.
            wait_answering(std::chrono::duration_cast<std::chrono::milliseconds>(left));
    }
}

// While Ctrl is down, an end asked for (the console's Ctrl+C or close) waits until the burst
// has released it: the one handler of the files layer ends the process.
void set_control_held(bool held)
{
    open_win32_driver().control_held_now = held;
    hold_process_end(held);
}

constexpr burst_steps win32_burst_steps{request_focus, confirm_focus, may_type, confirm_delivery,
                                        send_key,      pause_until,   now,      set_control_held};

}  // namespace

win32_driver& open_win32_driver()
{
    static win32_driver driver;
    return driver;
}

game_status scroll_map_view(game_window window, int dx, int dy, const pause_work& work,
                            bool continuing)
{
    watch_process_end();
    // The system's timer in steps of 1 ms while a burst runs, not 15.6: a 25 ms pause is 25 ms.
    timeBeginPeriod(1);
    const game_status status = run_key_burst(win32_burst_steps, window, dx, dy, work, continuing);
    timeEndPeriod(1);
    return status;
}
