// The game window driver against the real stand-in game on a private X server: lookup by title,
// keyboard bursts through XTest and the checks around them, and the snapshot file.
#include <gtest/gtest.h>  // before the X headers, whose macros (None) it would not survive

#include "bmp_file.h"
#include "game_window.h"
#include "image_files.h"
#include "standin_map.h"
#include "standin_model.h"
#include "standin_render.h"
#include "x11_keys.h"

#include "picture_image.h"
#include "standin_session.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

namespace {

struct x11_driver : ::testing::Test {
    private_display display;
    std::string folder = make_temporary_folder("driver");
    standin_session game;

    void SetUp() override { std::filesystem::current_path(folder); }
    void TearDown() override { stop_standin_game(game); }

    void start_game(const std::vector<std::string>& options)
    {
        game = start_standin_game(folder, options);
        ASSERT_FALSE(game.window.empty()) << "the stand-in's window did not appear";
    }

    // The game's window, once it has drawn its first picture (a window that shows one colour
    // is no snapshot of the game).
    game_window found()
    {
        const game_window window = find_game_window(game_window_title);
        EXPECT_EQ(std::to_string(window), game.window);
        client_snapshot picture;
        EXPECT_TRUE(wait_until([&] { return take_client_snapshot(window, picture) == game_status::ok; },
                               std::chrono::seconds(60)));
        return window;
    }

    bool view_becomes(int x, int y)
    {
        return wait_until([&] { return standin_view(game) == view_position{x, y}; },
                          std::chrono::seconds(60));
    }
};

// What the stand-in must show for a view, as the snapshot must hold it.
image expected_client(int size, std::uint32_t seed, int view_x, int view_y)
{
    standin_game model;
    start_standin(model, generate_map(1152 * size, seed), view_x, view_y);
    return image_of(render_client_area(model, view_x, view_y));
}

}  // namespace

// The key the tool presses for each of its keys is, in the X server's own keymap, that key.
TEST(X11Keys, EachKeyIsTheServersKeyOfThatName)
{
    private_display desktop;
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const std::pair<game_key, const char*> keys[] = {{game_key::control, "Control_L"},
                                                     {game_key::left, "Left"},
                                                     {game_key::right, "Right"},
                                                     {game_key::up, "Up"},
                                                     {game_key::down, "Down"}};
    for (const auto& [key, name] : keys) {
        const KeyCode code = XKeysymToKeycode(display, keysym_of(key));
        ASSERT_NE(code, 0) << name << " is not on the server's keyboard";
        EXPECT_STREQ(XKeysymToString(XkbKeycodeToKeysym(display, code, 0, 0)), name);
    }
    XCloseDisplay(display);
}

TEST_F(x11_driver, LookupFindsTheGameWhateverTheCase)
{
    start_game({"--size", "1"});
    const game_window window = found();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(find_game_window("heroes of might and magic iii"), window);
    EXPECT_EQ(find_game_window("HEROES OF MIGHT AND MAGIC III"), window);
    EXPECT_EQ(find_game_window("Heroes of Might and Magic"), 0u);
    EXPECT_EQ(find_game_window("Heroes of Might and Magic III "), 0u);
}

TEST_F(x11_driver, LookupPrefersTheGameToASmallWindowOfTheSameTitle)
{
    start_game({"--size", "1"});
    // Opened after the game, so it lies on top.
    key_recorder decoy = start_key_recorder(folder + "/decoy.log", 700, 500, 400, 300,
                                            {"--title", "heroes of might and magic iii"});
    ASSERT_FALSE(decoy.window.empty());
    EXPECT_EQ(std::to_string(find_game_window(game_window_title)), game.window);
    stop_process(game.process);
    // The X server destroys the game's window once it has seen its client go.
    ASSERT_TRUE(wait_until(
        [&] { return run_output("xdotool getwindowname " + game.window + " 2>/dev/null").empty(); },
        std::chrono::seconds(60), std::chrono::milliseconds(100)));
    // Alone, it is found, and refused before any key for being too small.
    const game_window small = find_game_window(game_window_title);
    EXPECT_EQ(std::to_string(small), decoy.window);
    EXPECT_EQ(scroll_map_view(small, 1, 1), game_status::window_too_small);
    EXPECT_TRUE(read_key_log(decoy.key_log).empty());
    stop_process(decoy.process);
}

TEST_F(x11_driver, LookupWithoutTheGameGivesNull)
{
    EXPECT_EQ(find_game_window(game_window_title), 0u);
}

TEST_F(x11_driver, BurstsMoveTheViewByTheTapsAsked)
{
    start_game({"--size", "2", "--view", "10,10"});
    const game_window window = found();
    ASSERT_EQ(scroll_map_view(window, 3, -2), game_status::ok);
    EXPECT_TRUE(view_becomes(13, 8));
    ASSERT_EQ(scroll_map_view(window, -5, 7), game_status::ok);
    EXPECT_TRUE(view_becomes(8, 15));
    // The view stops at its limits: 0 on the left, 36 taps at the bottom of a 2304-pixel map.
    ASSERT_EQ(scroll_map_view(window, -20, 40), game_status::ok);
    EXPECT_TRUE(view_becomes(0, 36));
    ASSERT_EQ(scroll_map_view(window, 0, 0), game_status::ok);

    std::vector<logged_burst> bursts;
    ASSERT_TRUE(wait_until([&] { return (bursts = read_bursts(game.key_log)).size() == 4 &&
                                        bursts[3].released; },
                           std::chrono::seconds(60)));
    const int dx[] = {3, -5, -20, 0}, dy[] = {-2, 7, 40, 0};
    for (size_t i = 0; i < bursts.size(); ++i) {
        EXPECT_EQ(bursts[i].dx, dx[i]) << "burst " << i;
        EXPECT_EQ(bursts[i].dy, dy[i]) << "burst " << i;
        EXPECT_TRUE(bursts[i].taps_with_ctrl) << "burst " << i;
        EXPECT_TRUE(bursts[i].horizontal_first) << "burst " << i;
        EXPECT_TRUE(bursts[i].released) << "Ctrl released in burst " << i;
    }
    EXPECT_TRUE(bursts[3].taps.empty());
}

TEST_F(x11_driver, SnapshotHoldsTheViewPixelForPixel)
{
    start_game({"--size", "2", "--seed", "5", "--view", "20,4"});
    const game_window window = found();
    ASSERT_EQ(scroll_map_view(window, 2, 3), game_status::ok);
    ASSERT_EQ(snapshot_client_area(window), game_status::ok);

    const std::string bytes = read_text_file(snapshot_file_name);
    const std::uint32_t pixels = bmp_pixel_bytes(800, 600);
    ASSERT_EQ(bytes.size(), pixels + 54u);
    const auto file_header = bmp_file_header(pixels);
    const auto info_header = bmp_info_header(800, 600);
    EXPECT_EQ(bytes.substr(0, 14), std::string(file_header.begin(), file_header.end()));
    EXPECT_EQ(bytes.substr(14, 40), std::string(info_header.begin(), info_header.end()));
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(2, 5, 22, 7))
        << "the snapshot differs from the stand-in's view";
}

TEST_F(x11_driver, CoveredOrPartlyOffScreenGameStillGivesItsOwnPixels)
{
    start_game({"--size", "1", "--view", "4,5"});
    const game_window window = found();
    ASSERT_EQ(scroll_map_view(window, 0, 0), game_status::ok);
    run_output("xdotool windowmove " + game.window + " -300 -200");
    key_recorder cover = start_key_recorder(folder + "/cover.log", 0, 0, 400, 300, {"--popup"});
    ASSERT_FALSE(cover.window.empty());
    ASSERT_EQ(snapshot_client_area(window), game_status::ok);
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(1, 3, 4, 5));
    stop_process(cover.process);
}

TEST_F(x11_driver, SecondSnapshotReplacesTheFirst)
{
    start_game({"--size", "1", "--view", "0,0"});
    const game_window window = found();
    ASSERT_EQ(snapshot_client_area(window), game_status::ok);
    const std::string first = read_text_file(snapshot_file_name);
    ASSERT_EQ(scroll_map_view(window, 4, 4), game_status::ok);
    ASSERT_EQ(snapshot_client_area(window), game_status::ok);
    const std::string second = read_text_file(snapshot_file_name);
    EXPECT_EQ(second.size(), first.size());
    EXPECT_NE(second, first);
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(1, 3, 4, 4));
}

TEST_F(x11_driver, ClosedGameGivesNoKeysAndNoSnapshot)
{
    start_game({"--size", "1"});
    const game_window window = found();
    ASSERT_EQ(snapshot_client_area(window), game_status::ok);
    const std::string earlier = read_text_file(snapshot_file_name);
    stop_process(game.process);
    ASSERT_TRUE(wait_until([] { return find_game_window(game_window_title) == 0; },
                           std::chrono::seconds(60)));
    EXPECT_EQ(snapshot_client_area(window), game_status::window_gone);
    EXPECT_EQ(scroll_map_view(window, 1, 1), game_status::window_gone);
    EXPECT_EQ(read_text_file(snapshot_file_name), earlier);
}

TEST_F(x11_driver, UnwritableSnapshotFileIsAFailedSnapshot)
{
    start_game({"--size", "1"});
    const game_window window = found();
    std::filesystem::create_directory(snapshot_file_name);
    EXPECT_EQ(snapshot_client_area(window), game_status::file_failed);
    EXPECT_TRUE(std::filesystem::is_directory(snapshot_file_name));
}

TEST_F(x11_driver, LateRedrawIsSeenInTheSnapshot)
{
    // A game slower than the pause after a burst shows the previous view in the picture.
    start_game({"--size", "1", "--view", "3,3", "--redraw-delay", "400"});
    const game_window window = found();
    ASSERT_EQ(scroll_map_view(window, 2, 0), game_status::ok);
    ASSERT_EQ(snapshot_client_area(window), game_status::ok);
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(1, 3, 3, 3));
    EXPECT_TRUE(wait_until([&] {
        return snapshot_client_area(window) == game_status::ok &&
               load_image(snapshot_file_name) == expected_client(1, 3, 5, 3);
    }, std::chrono::seconds(60)));
}

TEST_F(x11_driver, KeyboardTakenMidBurstStopsItWithCtrlReleased)
{
    start_game({"--size", "2", "--view", "0,0"});
    const game_window window = found();
    key_recorder other = start_key_recorder(folder + "/other.log", 900, 600, 300, 200);
    ASSERT_FALSE(other.window.empty());
    auto burst = std::async(std::launch::async, [&] { return scroll_map_view(window, 30, 0); });
    // Once the game has taken a few taps, another window takes the keyboard.
    ASSERT_TRUE(wait_until([&] { return standin_view(game).x >= 3; }, std::chrono::seconds(60)));
    run_output("xdotool windowfocus " + other.window);
    EXPECT_EQ(burst.get(), game_status::focus_lost);

    int arrows = 0;
    for (const logged_key& key : read_key_log(other.key_log))
        arrows += key.pressed && key.key != standin_key::control;
    EXPECT_LE(arrows, 1) << "at most the tap in flight reaches the other window";
    EXPECT_LT(standin_view(game).x, 30);
    EXPECT_FALSE(control_held_in_server());
    stop_process(other.process);
}

TEST_F(x11_driver, CtrlLetGoMidBurstStopsItBeforeAnArrowWithoutCtrl)
{
    // What a desktop that sets the keyboard's modifiers afresh does to the tool's Ctrl: here
    // another program lets go of it while a burst runs, into a window that records its keys.
    key_recorder target = start_key_recorder(folder + "/target.log", 0, 0, 800, 600);
    ASSERT_FALSE(target.window.empty());
    const game_window window = std::stoul(target.window);
    const auto arrows = [&](bool with_ctrl) {
        int count = 0;
        for (const logged_key& key : read_key_log(target.key_log))
            count += key.pressed && key.key != standin_key::control && key.ctrl == with_ctrl;
        return count;
    };
    auto burst = std::async(std::launch::async, [&] { return scroll_map_view(window, 40, 0); });
    ASSERT_TRUE(wait_until([&] { return arrows(true) >= 3; }, std::chrono::seconds(60)));
    run_output("xdotool keyup Control_L");
    EXPECT_EQ(burst.get(), game_status::control_dropped);
    EXPECT_LE(arrows(false), 1) << "at most the tap in flight";
    EXPECT_LT(arrows(true), 40);
    EXPECT_FALSE(control_held_in_server());
    stop_process(target.process);
}

TEST_F(x11_driver, WindowTooSmallGetsNoKey)
{
    start_game({"--size", "1"});
    const game_window window = found();
    run_output("xdotool windowsize --sync " + game.window + " 500 400");
    EXPECT_EQ(scroll_map_view(window, 2, 2), game_status::window_too_small);
    EXPECT_TRUE(read_key_log(game.key_log).empty());
}

// Without the Composite extension the picture comes from the screen.
TEST(X11DriverWithoutComposite, CoveredOrOffScreenGameIsRefusedWithoutASnapshot)
{
    private_display display({"-extension", "Composite"});
    const std::string folder = make_temporary_folder("driver-plain");
    std::filesystem::current_path(folder);
    standin_session game = start_standin_game(folder, {"--size", "1", "--view", "4,5"});
    ASSERT_FALSE(game.window.empty());
    const game_window window = find_game_window(game_window_title);
    ASSERT_EQ(scroll_map_view(window, 0, 0), game_status::ok);
    ASSERT_EQ(snapshot_client_area(window), game_status::ok);
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(1, 3, 4, 5));

    key_recorder cover = start_key_recorder(folder + "/cover.log", 100, 100, 200, 100, {"--popup"});
    const std::string earlier = read_text_file(snapshot_file_name);
    EXPECT_EQ(snapshot_client_area(window), game_status::window_covered);
    stop_process(cover.process);
    ASSERT_TRUE(wait_until([&] { return snapshot_client_area(window) == game_status::ok; },
                           std::chrono::seconds(60)));

    run_output("xdotool windowmove --sync " + game.window + " 900 0");
    EXPECT_EQ(snapshot_client_area(window), game_status::window_off_display);
    stop_standin_game(game);
}
