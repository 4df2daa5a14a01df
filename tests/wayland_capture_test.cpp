// Wayland desktops, where the game (under Wine) and the tool are both X11 clients of the
// compositor's XWayland: a capture under GNOME's compositor, which honours focus requests, and
// under weston, which refuses them until the player clicks into the game.
#include "image_files.h"
#include "map_capture.h"
#include "messages.h"
#include "standin_map.h"

#include "picture_image.h"
#include "result_files.h"
#include "standin_session.h"
#include "tool_session.h"
#include "wayland.h"

#include "skipped_groups.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <filesystem>

namespace {

constexpr std::uint32_t seed = 21;

// A point of the stand-in game that shows on the screen of weston's host X server: the middle of
// a 9 x 9 patch of its side panel's colour (52, 44, 70), which nothing else on that screen has.
// Weston places windows where it likes and keeps their places to itself, so the picture is the
// only way to know.
bool find_game_on_host(const std::string& host_display, int& x, int& y)
{
    Display* display = XOpenDisplay(host_display.c_str());
    if (!display)
        return false;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    XImage* screen = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                               static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    const auto panel = [&](int px, int py) { return XGetPixel(screen, px, py) == 0x342C46; };
    bool found = false;
    for (int row = 4; screen && row + 4 < screen->height && !found; row += 3)
        for (int column = 4; column + 4 < screen->width && !found; column += 3) {
            found = true;
            for (int dy = -4; dy <= 4 && found; ++dy)
                for (int dx = -4; dx <= 4 && found; ++dx)
                    found = panel(column + dx, row + dy);
            if (found) {
                x = column;
                y = row;
            }
        }
    if (screen)
        XDestroyImage(screen);
    XCloseDisplay(display);
    return found;
}

// Whether the compositor's window manager has put the window into a frame of its own and shown
// it there, which it does once it manages the window; clicks before that may go nowhere.
bool framed(const std::string& window)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    const Window id = std::stoul(window);
    const bool known = XQueryTree(display, id, &root, &parent, &children, &count);
    if (children)
        XFree(children);
    XWindowAttributes attributes;
    const bool shown = XGetWindowAttributes(display, id, &attributes) &&
                       attributes.map_state == IsViewable;
    XCloseDisplay(display);
    return known && parent != root && shown;
}

// Whether `upper`'s frame lies above `lower`'s in the X server's stacking order. The compositor's
// window manager raises a newly shown window some time after it framed it; until then a click at
// the new window's place goes to the window beneath (under weston both windows are placed at the
// same spot).
bool stacked_above(const std::string& upper, const std::string& lower)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const auto top_level = [&](Window window) {
        Window root = 0, parent = window;
        while (parent) {
            Window* children = nullptr;
            unsigned int count = 0;
            const Window current = parent;
            if (!XQueryTree(display, current, &root, &parent, &children, &count))
                return Window{0};
            if (children)
                XFree(children);
            if (parent == root)
                return current;
        }
        return Window{0};
    };
    const Window upper_frame = top_level(std::stoul(upper));
    const Window lower_frame = top_level(std::stoul(lower));
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    int upper_at = -1, lower_at = -1;  // children come bottom first
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        for (unsigned int i = 0; i < count; ++i) {
            if (children[i] == upper_frame)
                upper_at = static_cast<int>(i);
            if (children[i] == lower_frame)
                lower_at = static_cast<int>(i);
        }
    if (children)
        XFree(children);
    XCloseDisplay(display);
    return upper_at >= 0 && lower_at >= 0 && upper_at > lower_at;
}

// A click at a point of the window once the pointer is seen there. Under a compositor the
// XWayland pointer also follows the compositor's own pointer events, which a window shown or
// restacked meanwhile sends: a pointer moved by the test may be moved away again before the
// click, which then lands elsewhere.
bool click_when_there(const std::string& window, int x, int y)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    bool there = false;
    for (int attempt = 0; attempt < 20 && !there; ++attempt) {
        run_output("xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
                   std::to_string(y) + " sleep 0.05");
        Window root = 0, child = 0;
        int root_x = 0, root_y = 0, window_x = 0, window_y = 0;
        unsigned int mask = 0;
        there = XQueryPointer(display, std::stoul(window), &root, &child, &root_x, &root_y,
                              &window_x, &window_y, &mask) &&
                window_x == x && window_y == y;
    }
    XCloseDisplay(display);
    if (there)
        run_output("xdotool click 1");
    return there;
}

struct wayland_capture : ::testing::Test {
    private_display host;
    std::string folder = make_temporary_folder("wayland-capture");
    wayland_desktop desktop;
    standin_session game;
    tool_session tool;

    void TearDown() override
    {
        stop_process(tool.process);
        stop_standin_game(game);
        stop_wayland_desktop(desktop);
    }

    // The player's click into the game, through weston's own input: on its window on the host
    // X server at (`x`, `y`), once XWayland shows the pointer over the game.
    void click_into_game_on_host(int x, int y)
    {
        run_output("DISPLAY=" + desktop.host_display + " xdotool mousemove " + std::to_string(x) +
                   " " + std::to_string(y));
        wait_until([&] { return pointer_over(game.window); }, std::chrono::seconds(60));
        run_output("DISPLAY=" + desktop.host_display + " xdotool click 1");
    }

    // The game and the tool, with a map of `size` (1 or 2, the tool's Size slider as it starts).
    void start_programs(int size)
    {
        // The host's pointer stays outside weston's window until the player's click: a pointer
        // over it would move the XWayland pointer that the test's own clicks use.
        if (!desktop.host_display.empty())
            run_output("DISPLAY=" + desktop.host_display + " xdotool mousemove 1270 1010");
        game = start_standin_game(folder, {"--size", std::to_string(size), "--seed",
                                           std::to_string(seed)});
        ASSERT_FALSE(game.window.empty()) << "the stand-in's window did not appear";
        tool = start_tool(folder);
        ASSERT_FALSE(tool.window.empty()) << "the tool's window did not appear";
        ASSERT_TRUE(wait_until([&] { return framed(tool.window) && framed(game.window) &&
                                            stacked_above(tool.window, game.window); },
                               std::chrono::seconds(60)))
            << "the tool's window is not shown above the game's";
        // Under weston the windows lie where it puts them, and a click on the Size slider may
        // land on the game: there the map keeps the size the slider starts with.
        if (size == 1)
            choose_size(tool, 0);
    }

    bool map_written(std::chrono::seconds timeout)
    {
        return wait_until([&] { return file_exists(folder + "/result-grid.jpg"); }, timeout);
    }

    void expect_whole_map(int size)
    {
        EXPECT_EQ(wrong_result_files(folder, image_of(generate_map(1152 * size, seed))), "");
        // weston may set the modifiers afresh after the click, taking Ctrl out of the first
        // burst's keys: that burst is then tried again, once.
        const size_t bursts = read_bursts(game.key_log).size(), walk = size == 1 ? 14u : 41u;
        EXPECT_TRUE(bursts == walk || bursts == walk + 1) << bursts << " bursts";
    }

    // Presses capture through the compositor's XWayland, confirmed by the tool's title.
    void press_capture()
    {
        ASSERT_TRUE(press_button(tool.window, capture_x, capture_y,
                                 [](const std::string& window, int x, int y) {
                                     click_when_there(window, x, y);
                                 }))
            << "the capture never began";
    }

    // Where the game shows on weston's host screen, found before the capture starts, so that the
    // player's click comes at once when the tool asks for it.
    void find_game_on_host_screen(int& x, int& y)
    {
        ASSERT_TRUE(wait_until([&] { return find_game_on_host(desktop.host_display, x, y); },
                               std::chrono::seconds(60)))
            << "the game is not on the screen";
    }

    // Under weston: a medium map's capture pressed, waiting for the player's click, no key sent.
    void capture_waiting_under_weston(int& game_x, int& game_y)
    {
        desktop = start_weston();
        ASSERT_EQ(desktop.failure, "");
        start_programs(2);
        find_game_on_host_screen(game_x, game_y);
        title_watch title(tool.window);
        press_capture();
        ASSERT_TRUE(title.wait_for("click into the game", std::chrono::seconds(60)))
            << read_text_file(tool.messages) << "; keys the game got: "
            << read_key_log(game.key_log).size();
        EXPECT_TRUE(read_key_log(game.key_log).empty())
            << "no key before the game has the keyboard";
    }
};

}  // namespace

TEST_F(wayland_capture, GnomesCompositorHonoursTheFocusRequest)
{
    SKIP_IF_GROUP_SKIPPED("mutter");
    desktop = start_mutter();
    ASSERT_EQ(desktop.failure, "");
    start_programs(1);
    press_capture();
    ASSERT_TRUE(map_written(std::chrono::seconds(60)))
        << "no map; the tool said: " << read_text_file(tool.messages);
    expect_whole_map(1);
    EXPECT_EQ(read_text_file(tool.messages), "") << "the capture never had to wait";
}

TEST_F(wayland_capture, WestonWaitsForTheClickIntoTheGame)
{
    SKIP_IF_GROUP_SKIPPED("weston");
    int x = 0, y = 0;
    capture_waiting_under_weston(x, y);
    ASSERT_FALSE(HasFatalFailure());

    // The player's click, through weston's own input: on its window on the host X server. The
    // pointer comes in from outside that window, as weston follows it only from when it enters.
    click_into_game_on_host(x, y);
    ASSERT_TRUE(map_written(std::chrono::seconds(90)))
        << "no map; the tool said: " << read_text_file(tool.messages);
    expect_whole_map(2);
}

TEST_F(wayland_capture, WestonWithoutTheClickStopsTheCaptureWithItsMessage)
{
    SKIP_IF_GROUP_SKIPPED("weston");
    int x = 0, y = 0;
    capture_waiting_under_weston(x, y);
    ASSERT_FALSE(HasFatalFailure());
    std::string said;
    ASSERT_TRUE(wait_until([&] { return (said = read_text_file(tool.messages)).find("message: ") !=
                                        std::string::npos; },
                           std::chrono::seconds(60)));
    EXPECT_NE(said.find("did not get the keyboard"), std::string::npos) << said;
    // The terminal asked for the click, told why the capture stopped, and said "capture fail!".
    const std::string output = read_text_file(tool.output);
    EXPECT_EQ(output.rfind(waiting_line(game_status::focus_refused) + "\n", 0), 0u) << output;
    EXPECT_NE(output.find("did not get the keyboard"), std::string::npos) << output;
    EXPECT_EQ(output.substr(output.rfind('\n', output.size() - 2) + 1), "capture fail!\n");
    EXPECT_TRUE(read_key_log(game.key_log).empty());
    EXPECT_FALSE(file_exists(folder + "/result.jpg"));
}

TEST_F(wayland_capture, WestonClickIntoTheGameNeverTurnsTheArrowsPlain)
{
    SKIP_IF_GROUP_SKIPPED("weston");
    // When weston gives the game the keyboard it may set XWayland's modifiers afresh, after the
    // tool pressed Ctrl. Three small captures in a row, each started and then handed the game by
    // the player's click: each map is exact, or the capture stopped with a message and wrote
    // nothing; no arrow ever reaches the game without Ctrl (checked when the game stops). Each
    // round starts both programs afresh: weston keeps the game, once clicked, above the tool.
    desktop = start_weston();
    ASSERT_EQ(desktop.failure, "");
    for (int round = 0; round < 3; ++round) {
        if (round > 0) {
            stop_process(tool.process);
            stop_standin_game(game);
        }
        start_programs(1);
        ASSERT_FALSE(HasFatalFailure());
        std::filesystem::remove(folder + "/result.jpg");
        std::filesystem::remove(folder + "/result-grid.jpg");
        const size_t said_before = read_text_file(tool.messages).size();
        int x = 0, y = 0;
        find_game_on_host_screen(x, y);
        title_watch title(tool.window);
        press_capture();
        ASSERT_TRUE(title.wait_for("click into the game", std::chrono::seconds(60)))
            << "round " << round;
        click_into_game_on_host(x, y);
        run_output("DISPLAY=" + desktop.host_display + " xdotool mousemove 1270 1010");
        const auto stopped = [&] {
            return read_text_file(tool.messages).find("message: ", said_before) != std::string::npos;
        };
        ASSERT_TRUE(wait_until([&] { return file_exists(folder + "/result-grid.jpg") || stopped(); },
                               std::chrono::seconds(60)))
            << "round " << round;
        if (stopped()) {
            EXPECT_FALSE(file_exists(folder + "/result.jpg")) << "round " << round;
            ASSERT_TRUE(dismiss_dialog(tool, "^Tilequilt$"));
        } else {
            EXPECT_EQ(wrong_result_files(folder, image_of(generate_map(1152, seed))), "")
                << "round " << round;
        }
    }
}
