// The game window driver against the real stand-in game on a private X server: lookup by title,
// keyboard bursts through XTest, and the snapshot file.
#include "bmp_file.h"
#include "game_window.h"
#include "image_files.h"
#include "standin_model.h"

#include "picture_image.h"
#include "standin_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

struct x11_driver : ::testing::Test {
    private_display display;
    std::string folder = make_temporary_folder("driver");
    standin_session game;

    void SetUp() override { std::filesystem::current_path(folder); }
    void TearDown() override { stop_process(game.process); }

    void start_game(const std::vector<std::string>& options)
    {
        game = start_standin_game(folder, options);
        ASSERT_FALSE(game.window.empty()) << "the stand-in's window did not appear";
    }

    game_window found()
    {
        return find_game_window(game_window_title);
    }

    bool view_becomes(int x, int y)
    {
        return wait_until([&] { return standin_view(game) == view_position{x, y}; },
                          std::chrono::seconds(5));
    }
};

// What the stand-in must show for a view, as the snapshot must hold it.
image expected_client(int size, std::uint32_t seed, int view_x, int view_y)
{
    standin_game model;
    start_standin(model, generate_map(1152 * size, seed), view_x, view_y);
    return image_of(render_client_area(model, view_x, view_y));
}

std::string file_bytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(x11_driver, LookupFindsTheGameWhateverTheCase)
{
    start_game({"--size", "1"});
    const game_window window = find_game_window("Heroes of Might and Magic III");
    ASSERT_NE(window, 0u);
    EXPECT_EQ(std::to_string(window), game.window);
    EXPECT_EQ(find_game_window("heroes of might and magic iii"), window);
    EXPECT_EQ(find_game_window("HEROES OF MIGHT AND MAGIC III"), window);
    EXPECT_EQ(find_game_window("Heroes of Might and Magic"), 0u);
    EXPECT_EQ(find_game_window("Heroes of Might and Magic III "), 0u);
}

TEST_F(x11_driver, LookupWithoutTheGameGivesNull)
{
    EXPECT_EQ(find_game_window(game_window_title), 0u);
}

TEST_F(x11_driver, BurstsMoveTheViewByTheTapsAsked)
{
    start_game({"--size", "2", "--view", "10,10"});
    const game_window window = found();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(scroll_map_view(window, 3, -2));
    EXPECT_TRUE(view_becomes(13, 8));
    ASSERT_TRUE(scroll_map_view(window, -5, 7));
    EXPECT_TRUE(view_becomes(8, 15));
    // The view stops at its limits: 0 on the left, 36 taps at the bottom of a 2304-pixel map.
    ASSERT_TRUE(scroll_map_view(window, -20, 40));
    EXPECT_TRUE(view_becomes(0, 36));
    ASSERT_TRUE(scroll_map_view(window, 0, 0));

    const std::vector<logged_burst> bursts = read_bursts(game.key_log);
    ASSERT_EQ(bursts.size(), 4u);
    const int dx[] = {3, -5, -20, 0}, dy[] = {-2, 7, 40, 0};
    for (size_t i = 0; i < bursts.size(); ++i) {
        EXPECT_EQ(bursts[i].dx(), dx[i]) << "burst " << i;
        EXPECT_EQ(bursts[i].dy(), dy[i]) << "burst " << i;
        EXPECT_TRUE(bursts[i].taps_with_ctrl) << "burst " << i;
        EXPECT_TRUE(bursts[i].horizontal_first()) << "burst " << i;
        EXPECT_GT(bursts[i].control_release_ms, 0) << "Ctrl released in burst " << i;
    }
    EXPECT_TRUE(bursts[3].taps.empty());
}

TEST_F(x11_driver, SnapshotHoldsTheViewPixelForPixel)
{
    start_game({"--size", "2", "--seed", "5", "--view", "20,4"});
    const game_window window = found();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(scroll_map_view(window, 2, 3));
    const long long snapshot_ms = wall_clock_ms();
    ASSERT_TRUE(snapshot_client_area(window));

    // The burst pauses 50 ms after its last tap before the picture is taken (the exact pauses
    // are checked without a desktop). The stand-in stamps a key when it arrives, some
    // milliseconds after it was sent, so only a margin of half the pause is asked for here.
    const std::vector<logged_burst> bursts = read_bursts(game.key_log);
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_GE(snapshot_ms - bursts[0].last_tap_ms, 25);

    const std::string bytes = file_bytes(snapshot_file_name);
    const std::uint32_t pixels = bmp_pixel_bytes(800, 600);
    ASSERT_EQ(bytes.size(), pixels + 54u);
    const auto file_header = bmp_file_header(pixels);
    const auto info_header = bmp_info_header(800, 600);
    EXPECT_EQ(bytes.substr(0, 14), std::string(file_header.begin(), file_header.end()));
    EXPECT_EQ(bytes.substr(14, 40), std::string(info_header.begin(), info_header.end()));

    const image snapshot = load_image(snapshot_file_name);
    const image expected = expected_client(2, 5, 22, 7);
    ASSERT_EQ(snapshot.width(), 800);
    ASSERT_EQ(snapshot.height(), 600);
    EXPECT_TRUE(snapshot == expected) << "the snapshot differs from the stand-in's view";
}

TEST_F(x11_driver, SecondSnapshotReplacesTheFirst)
{
    start_game({"--size", "1", "--view", "0,0"});
    const game_window window = found();
    ASSERT_TRUE(snapshot_client_area(window));
    const std::string first = file_bytes(snapshot_file_name);
    ASSERT_TRUE(scroll_map_view(window, 4, 4));
    ASSERT_TRUE(snapshot_client_area(window));
    const std::string second = file_bytes(snapshot_file_name);
    EXPECT_EQ(second.size(), first.size());
    EXPECT_NE(second, first);
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(1, 3, 4, 4));
    EXPECT_FALSE(std::filesystem::exists(std::string(snapshot_file_name) + ".partial"));
}

TEST_F(x11_driver, ClosedGameGivesAFailedSnapshotAndNoKeys)
{
    start_game({"--size", "1"});
    const game_window window = found();
    ASSERT_TRUE(snapshot_client_area(window));
    const std::string earlier = file_bytes(snapshot_file_name);
    stop_process(game.process);
    ASSERT_TRUE(wait_until([] { return find_game_window(game_window_title) == 0; },
                           std::chrono::seconds(5)));

    testing::internal::CaptureStdout();
    EXPECT_FALSE(snapshot_client_area(window));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "capture fail!\n");
    EXPECT_FALSE(scroll_map_view(window, 1, 1));
    EXPECT_EQ(file_bytes(snapshot_file_name), earlier);
}

TEST_F(x11_driver, UnwritableSnapshotFileIsAFailedSnapshot)
{
    start_game({"--size", "1"});
    const game_window window = found();
    std::filesystem::create_directory(std::string(snapshot_file_name) + ".partial");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(snapshot_client_area(window));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "capture fail!\n");
    EXPECT_FALSE(std::filesystem::exists(snapshot_file_name));
}

TEST_F(x11_driver, LateRedrawIsSeenInTheSnapshot)
{
    // A game slower than the pause after a burst shows the previous view in the picture.
    start_game({"--size", "1", "--view", "3,3", "--redraw-delay", "400"});
    const game_window window = found();
    ASSERT_TRUE(scroll_map_view(window, 2, 0));
    ASSERT_TRUE(snapshot_client_area(window));
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(1, 3, 3, 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_TRUE(snapshot_client_area(window));
    EXPECT_TRUE(load_image(snapshot_file_name) == expected_client(1, 3, 5, 3));
}
