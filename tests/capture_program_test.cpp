// The whole job as a player does it: the stand-in game and the real tilequilt program on a
// private X server, "capture" pressed with a real mouse click, and the pictures compared with
// the stand-in's own map.
#include "image_files.h"
#include "map_capture.h"
#include "standin_model.h"
#include "tile_grid.h"

#include "picture_image.h"
#include "standin_session.h"
#include "tool_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t seed = 21;

image map_of(int size_index)
{
    return image_of(generate_map(map_size_table[size_index].map_pixels, seed));
}

// The 32-pixel tiles where two pictures of one size differ, with the largest difference.
std::string differing_tiles(const image& got, const image& expected)
{
    std::ostringstream report;
    int shown = 0, count = 0;
    for (int ty = 0; ty < expected.height() / 32; ++ty)
        for (int tx = 0; tx < expected.width() / 32; ++tx) {
            int worst = 0;
            for (int y = ty * 32; y < ty * 32 + 32; ++y)
                for (int x = tx * 32; x < tx * 32 + 32; ++x)
                    for (int c = 0; c < 3; ++c)
                        worst = std::max(worst, std::abs(got(x, y, 0, c) - expected(x, y, 0, c)));
            if (worst) {
                ++count;
                if (shown++ < 12)
                    report << " tile (" << tx << ", " << ty << ") off by up to " << worst << ";";
            }
        }
    return count ? std::to_string(count) + " tiles differ:" + report.str() : "";
}

// The bursts a capture of a size sends, as (dx, dy).
std::vector<std::pair<int, int>> expected_bursts(const MapSizeRow& row)
{
    const int n = row.screens_per_side, b = row.traverse_taps, d = row.start_taps;
    std::vector<std::pair<int, int>> bursts{{-b, -b}};
    for (int i = 0; i < n; ++i) {
        if (i == 0)
            bursts.push_back({0, d});
        for (int j = 0; j < n; ++j) {
            if (j == 0)
                bursts.push_back({d, 0});
            if (j < n - 1)
                bursts.push_back({8, 0});
        }
        if (i < n - 1)
            bursts.push_back({-b, 8});
    }
    return bursts;
}

struct capture_program : ::testing::Test {
    private_display display;
    std::string folder = make_temporary_folder("capture-program");
    standin_session game;
    tool_session tool;

    void TearDown() override
    {
        stop_process(tool.process);
        stop_process(game.process);
    }

    void start_game(int size_index, const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> options{"--size", std::to_string(size_index + 1), "--seed",
                                         std::to_string(seed)};
        options.insert(options.end(), extra.begin(), extra.end());
        game = start_standin_game(folder, options);
        ASSERT_FALSE(game.window.empty()) << "the stand-in's window did not appear";
    }

    void start_tool_here(bool as_unprivileged_user = false)
    {
        tool = start_tool(folder, as_unprivileged_user);
        ASSERT_FALSE(tool.window.empty()) << "the tool's window did not appear";
    }

    // Sets the Size slider as a person would: a click at either end of its track.
    void choose_size(int size_index)
    {
        if (size_index == 0)
            click_in_window(tool.window, 92, 37);
        if (size_index == 2)
            click_in_window(tool.window, 377, 37);
    }

    bool capture(std::chrono::seconds timeout)
    {
        click_in_window(tool.window, capture_x, capture_y);
        return wait_until([&] { return file_exists(folder + "/result-grid.jpg"); }, timeout);
    }

    void expect_whole_map(int size_index)
    {
        const MapSizeRow& row = map_size_table[size_index];
        image truth = map_of(size_index);
        const image result = load_image(folder + "/result.jpg");
        ASSERT_EQ(result.width(), row.map_pixels);
        ASSERT_EQ(result.height(), row.map_pixels);
        // The snapshots carry the stand-in's pixels losslessly, so the stitched map is its map
        // exactly, and the same JPEG writer makes the same file of it.
        save_jpeg_replacing(truth, folder + "/truth.jpg", 80);
        EXPECT_EQ(differing_tiles(result, load_image(folder + "/truth.jpg")), "");

        draw_tile_grid(truth, row.map_pixels);
        save_jpeg_replacing(truth, folder + "/truth-grid.jpg", 80);
        const image grid = load_image(folder + "/result-grid.jpg");
        EXPECT_EQ(differing_tiles(grid, load_image(folder + "/truth-grid.jpg")), "");

        std::vector<std::pair<int, int>> sent;
        for (const logged_burst& burst : read_bursts(game.key_log)) {
            EXPECT_TRUE(burst.taps_with_ctrl);
            EXPECT_TRUE(burst.horizontal_first());
            sent.push_back({burst.dx(), burst.dy()});
        }
        const int n = row.screens_per_side;
        EXPECT_EQ(static_cast<int>(sent.size()), n * n + n + 1);
        EXPECT_EQ(sent, expected_bursts(row));
    }
};

}  // namespace

TEST_F(capture_program, SmallMapChosenWithTheMouse)
{
    start_game(0);
    start_tool_here();
    choose_size(0);
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    expect_whole_map(0);
    EXPECT_EQ(read_text_file(tool.messages), "") << "a finished capture says nothing";
    EXPECT_EQ(read_text_file(tool.output), "");
}

TEST_F(capture_program, MediumMapAtTheDefaultSize)
{
    start_game(1);
    start_tool_here();
    ASSERT_TRUE(capture(std::chrono::seconds(90)));
    expect_whole_map(1);
}

TEST_F(capture_program, LargeMapChosenWithTheKeyboard)
{
    start_game(2);
    start_tool_here();
    // Focus the Size slider with a click on its value box, then move it one step right with the arrow key.
    click_in_window(tool.window, 68, 37);
    press_key(tool.window, "Right");
    ASSERT_TRUE(capture(std::chrono::seconds(150)));
    expect_whole_map(2);
}

TEST_F(capture_program, GameClosingMidwayKeepsEarlierResultsAndTheToolAnswers)
{
    // Earlier results of a map captured before.
    image earlier(1152, 1152, 1, 3, 90);
    save_jpeg_replacing(earlier, folder + "/result.jpg", 80);
    save_jpeg_replacing(earlier, folder + "/result-grid.jpg", 80);
    const std::string earlier_bytes = read_text_file(folder + "/result.jpg");

    start_game(0, {"--close-after", "60"});
    start_tool_here();
    choose_size(0);
    click_in_window(tool.window, capture_x, capture_y);
    ASSERT_TRUE(wait_until([&] { return read_text_file(tool.output) == "capture fail!\n"; },
                           std::chrono::seconds(60)));
    EXPECT_EQ(wait_process(game.process, std::chrono::seconds(5)), 0);
    // The burst that found the window gone sent nothing: no taps after the 60th.
    int taps = 0;
    for (const logged_burst& burst : read_bursts(game.key_log))
        taps += static_cast<int>(burst.taps.size());
    EXPECT_EQ(taps, 60);
    EXPECT_EQ(read_text_file(folder + "/result.jpg"), earlier_bytes);
    EXPECT_FALSE(file_exists(folder + "/result.jpg.partial"));

    // The tool still answers: compress works on the earlier results.
    click_in_window(tool.window, compress_x, compress_y);
    EXPECT_TRUE(wait_until([&] { return file_exists(folder + "/compress-result-grid.jpg"); },
                           std::chrono::seconds(20)));

    // And a capture with the game back works.
    fs::remove(folder + "/result-grid.jpg");
    start_game(0);
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    expect_whole_map(0);
}

TEST_F(capture_program, ReadOnlyFolderShowsTheErrorBeforeAnyKey)
{
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all);
    start_game(0);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    start_tool_here(true);
    click_in_window(tool.window, capture_x, capture_y);
    const std::string said = wait_for_messages(tool, 1, std::chrono::seconds(20));
    EXPECT_EQ(said.rfind("CImgIOException: ", 0), 0u) << said;
    EXPECT_TRUE(dismiss_dialog(tool, "^CImgIOException$"));
    EXPECT_TRUE(process_running(tool.process));
    EXPECT_TRUE(read_bursts(game.key_log).empty());
    EXPECT_FALSE(file_exists(folder + "/result.jpg"));
}

TEST_F(capture_program, ComparisonCatchesAGameThatMissedATap)
{
    // Taps 1-36 reach the top-left limit; tap 40 is in the first step right, so the rest of the
    // first row is photographed 64 pixels short.
    start_game(0, {"--ignore-taps", "40"});
    start_tool_here();
    choose_size(0);
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    image truth = map_of(0);
    save_jpeg_replacing(truth, folder + "/truth.jpg", 80);
    EXPECT_NE(differing_tiles(load_image(folder + "/result.jpg"), load_image(folder + "/truth.jpg")),
              "");

}
