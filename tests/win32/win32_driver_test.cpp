// The Windows game window driver against the Windows stand-in game, run under Wine (or on
// Windows): lookup by title, keyboard bursts through SendInput, and the snapshot file.
#include "bmp_file.h"
#include "game_window.h"
#include "standin_log.h"
#include "standin_map.h"
#include "standin_model.h"
#include "standin_render.h"
#include "win32_keys.h"
#include "windows_check.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool wait_until(bool (*condition)(void*), void* data, DWORD timeout_ms)
{
    const DWORD start = GetTickCount();
    while (!condition(data)) {
        if (GetTickCount() - start > timeout_ms)
            return false;
        Sleep(20);
    }
    return true;
}

std::string read_file(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool view_becomes(int x, int y)
{
    standin_state wanted{x, y, 0};
    return wait_until(
        [](void* data) {
            const standin_state* w = static_cast<standin_state*>(data);
            const standin_state v = read_standin_state("standin-state.txt");
            return v.view_x == w->view_x && v.view_y == w->view_y;
        },
        &wanted, 5000);
}

// A window of another thread that takes the foreground once the game has had some taps, and
// stays until the burst is over.
struct foreground_thief {
    int after_taps = 0;
    HANDLE ready = nullptr;
    HANDLE burst_over = nullptr;
};
foreground_thief thief;

DWORD WINAPI steal_foreground(void* data)
{
    foreground_thief* self = static_cast<foreground_thief*>(data);
    HWND other = CreateWindowA("STATIC", "Other window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                               100, 300, 200, nullptr, nullptr, nullptr, nullptr);
    SetEvent(self->ready);
    const DWORD start = GetTickCount();
    MSG message;
    while (read_standin_state("standin-state.txt").taps < self->after_taps &&
           GetTickCount() - start < 10000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(2);
    }
    SetForegroundWindow(other);
    while (GetTickCount() - start < 12000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        if (GetForegroundWindow() == other)
            break;
        Sleep(2);
    }
    while (WaitForSingleObject(self->burst_over, 2) == WAIT_TIMEOUT &&
           GetTickCount() - start < 20000) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    DestroyWindow(other);
    return 0;
}

PROCESS_INFORMATION start_standin(const std::string& program, const std::string& options)
{
    std::string command = "\"" + program + "\" --key-log standin-keys.log --state standin-state.txt " + options;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        std::printf("cannot start %s\n", program.c_str());
    return process;
}

// A window of another program with the game's title, put in front of the game: the game's
// folder open in Explorer (its window class), or a small window.
HWND lookalike(const char* type, int width, int height)
{
    WNDCLASSA kind{};
    kind.lpfnWndProc = DefWindowProcA;
    kind.hInstance = GetModuleHandleA(nullptr);
    kind.lpszClassName = type;
    RegisterClassA(&kind);
    HWND window = CreateWindowExA(0, type, game_window_title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                  0, width, height, nullptr, nullptr, kind.hInstance, nullptr);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return window;
}

game_window wait_for_game()
{
    game_window window = nullptr;
    wait_until(
        [](void* data) {
            *static_cast<game_window*>(data) = find_game_window(game_window_title);
            return *static_cast<game_window*>(data) != nullptr;
        },
        &window, 30000);
    return window;
}

void stop(PROCESS_INFORMATION& process)
{
    if (!process.hProcess)
        return;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process.hProcess = nullptr;
}

// Compares the snapshot file with what the stand-in must show for a view.
void check_snapshot(int size, std::uint32_t seed, int view_x, int view_y)
{
    const std::string bytes = read_file(snapshot_file_name);
    const std::uint32_t pixels = bmp_pixel_bytes(800, 600);
    check(bytes.size() == pixels + 54u, "snapshot file size is 54 + 4 x 800 x 600");
    if (bytes.size() != pixels + 54u)
        return;
    const auto file_header = bmp_file_header(pixels);
    const auto info_header = bmp_info_header(800, 600);
    check(bytes.compare(0, 14, std::string(file_header.begin(), file_header.end())) == 0,
          "file header as laid out");
    check(bytes.compare(14, 40, std::string(info_header.begin(), info_header.end())) == 0,
          "information header as laid out, height positive");

    standin_game model;
    start_standin(model, generate_map(1152 * size, seed), view_x, view_y);
    const rgb_picture expected = render_client_area(model, view_x, view_y);
    long differing = 0;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const unsigned char* e = &expected.pixels[(static_cast<size_t>(y) * expected.width + x) * 3];
            const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes.data()) + 54 +
                                     (static_cast<size_t>(expected.height - 1 - y) * expected.width + x) * 4;
            if (s[0] != e[2] || s[1] != e[1] || s[2] != e[0]) {
                if (differing < 5)
                    std::printf("  pixel (%d, %d): %d %d %d, expected %d %d %d\n", x, y, s[2],
                                s[1], s[0], e[0], e[1], e[2]);
                ++differing;
            }
        }
    check(differing == 0, "snapshot equals the stand-in's view pixel for pixel (" +
                              std::to_string(differing) + " pixels differ)");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: %s STANDIN.exe\n", argv[0]);
        return 2;
    }
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string work = std::string(folder) + "tilequilt-win32-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());

    // The key table against the system's own keyboard mapping.
    const struct {
        game_key key;
        int virtual_key;
        const char* name;
    } keys[] = {{game_key::control, VK_CONTROL, "Ctrl"},
                {game_key::left, VK_LEFT, "Left"},
                {game_key::right, VK_RIGHT, "Right"},
                {game_key::up, VK_UP, "Up"},
                {game_key::down, VK_DOWN, "Down"}};
    for (const auto& key : keys) {
        const win32_key code = win32_key_of(key.key);
        check(code.virtual_key == key.virtual_key, std::string(key.name) + " virtual key");
        check(code.scan_code == MapVirtualKeyA(code.virtual_key, MAPVK_VK_TO_VSC),
              std::string(key.name) + " scan code is the keyboard's");
        check(code.extended == (key.key != game_key::control),
              std::string(key.name) + (code.extended ? " is" : " is not") +
                  " of the keyboard's extended keys");
    }

    check(find_game_window(game_window_title) == nullptr, "no game window before the stand-in starts");

    PROCESS_INFORMATION game = start_standin(argv[1], "--size 2 --seed 5 --view 10,10");
    const game_window window = wait_for_game();
    check(window != nullptr, "lookup finds the stand-in");
    check(find_game_window("heroes of might and magic iii") == window, "lookup ignores case (lower)");
    check(find_game_window("HEROES OF MIGHT AND MAGIC III") == window, "lookup ignores case (upper)");
    check(find_game_window("Heroes of Might and Magic") == nullptr, "a shorter title is another window");
    {
        HWND explorer = lookalike("CabinetWClass", 900, 700), small = lookalike("Small", 400, 300);
        check(find_game_window(game_window_title) == window,
              "lookup passes over an Explorer window and a small window of the title in front");
        DestroyWindow(explorer);
        DestroyWindow(small);
    }

    if (window) {
        // The window shown and its first paint done.
        wait_until(
            [](void* data) {
                const HWND game = static_cast<HWND>(data);
                return IsWindowVisible(game) && !GetUpdateRect(game, nullptr, FALSE);
            },
            window, 5000);
        check(scroll_map_view(window, 3, -2) == game_status::ok, "burst (3, -2) sent");
        check(view_becomes(13, 8), "view moved to (13, 8)");
        check(scroll_map_view(window, -5, 7) == game_status::ok, "burst (-5, 7) sent");
        check(view_becomes(8, 15), "view moved to (8, 15)");
        check(scroll_map_view(window, -20, 40) == game_status::ok, "burst (-20, 40) sent");
        check(view_becomes(0, 36), "view stopped at the left and bottom limits");
        check(scroll_map_view(window, 0, 0) == game_status::ok, "empty burst sent");

        // The stand-in tells the arrow block's arrows from the numeric keypad's by the scan code
        // and the extended-key flag of each key message.
        int numpad = 0;
        for (const logged_key& key : read_key_log("standin-keys.log"))
            numpad += key.key == standin_key::numpad_arrow;
        check(numpad == 0, "every arrow came as the arrow block's (" + std::to_string(numpad) +
                               " numpad arrows)");
        const std::vector<logged_burst> bursts = read_bursts("standin-keys.log");
        check(bursts.size() == 4, "four bursts in the key log (" + std::to_string(bursts.size()) + ")");
        const int dx[] = {3, -5, -20, 0}, dy[] = {-2, 7, 40, 0};
        for (size_t i = 0; i < bursts.size() && i < 4; ++i) {
            const std::string which = "burst " + std::to_string(i);
            check(bursts[i].dx == dx[i] && bursts[i].dy == dy[i], which + " taps as asked");
            check(bursts[i].taps_with_ctrl, which + " holds Ctrl around its taps");
            check(bursts[i].horizontal_first, which + " sends horizontal taps first");
            check(bursts[i].released, which + " releases Ctrl");
        }

        check(snapshot_client_area(window) == game_status::ok, "snapshot taken");
        check_snapshot(2, 5, 0, 36);
        check(scroll_map_view(window, 6, -6) == game_status::ok, "burst (6, -6) sent");
        check(snapshot_client_area(window) == game_status::ok, "second snapshot taken");
        check_snapshot(2, 5, 6, 30);

        // Another window taking the foreground mid-burst stops it.
        thief.after_taps = read_standin_state("standin-state.txt").taps + 3;
        thief.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thief.burst_over = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE thread = CreateThread(nullptr, 0, steal_foreground, &thief, 0, nullptr);
        WaitForSingleObject(thief.ready, 10000);
        const int taps_before = read_standin_state("standin-state.txt").taps;
        check(scroll_map_view(window, 30, 0) == game_status::focus_lost,
              "a burst stops when another window takes the foreground");
        SetEvent(thief.burst_over);
        const int taps = read_standin_state("standin-state.txt").taps - taps_before;
        check(taps >= 3 && taps < 30, "the game got the taps before, none after (" +
                                          std::to_string(taps) + ")");
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        CloseHandle(thief.ready);
        CloseHandle(thief.burst_over);
    }

    stop(game);
    wait_until([](void* data) { return !IsWindow(static_cast<HWND>(data)); }, window, 5000);
    const std::string earlier = read_file(snapshot_file_name);
    check(snapshot_client_area(window) == game_status::window_gone,
          "a closed game gives no snapshot");
    check(scroll_map_view(window, 1, 1) == game_status::window_gone, "a closed game gets no keys");
    check(read_file(snapshot_file_name) == earlier, "a failed snapshot keeps the earlier file");

    return closing_line();
}
