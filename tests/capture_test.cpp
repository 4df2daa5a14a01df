// The map capture without a desktop: the size table, the order of bursts and snapshots, the
// stitching, the tile grid, and stopping cleanly when the game goes away. The game is played by
// the stand-in's own model, driven directly.
#include "bmp_file.h"
#include "image_errors.h"
#include "image_files.h"
#include "map_stitching.h"
#include "replace_file.h"
#include "standin_model.h"
#include "tile_grid.h"

#include "desktop.h"
#include "picture_image.h"
#include "widen_and_or.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A game played in process: taps move the model's view, snapshots render it into tmp.bmp.
standin_game played_game;
std::vector<std::string> calls;
int snapshots_before_failure = -1;
int bursts_before_window_gone = -1;

bool record_scroll(game_window, int dx, int dy)
{
    if (bursts_before_window_gone == 0)
        return false;
    if (bursts_before_window_gone > 0)
        --bursts_before_window_gone;
    calls.push_back("(" + std::to_string(dx) + ", " + std::to_string(dy) + ")");
    played_game.view_x = std::clamp(played_game.view_x + dx, 0, played_game.limit_x);
    played_game.view_y = std::clamp(played_game.view_y + dy, 0, played_game.limit_y);
    return true;
}

bool record_snapshot(game_window)
{
    if (snapshots_before_failure == 0)
        return false;
    if (snapshots_before_failure > 0)
        --snapshots_before_failure;
    calls.push_back("snapshot");
    const rgb_picture client = render_client_area(played_game, played_game.view_x,
                                                  played_game.view_y);
    std::vector<unsigned char> rows(bmp_pixel_bytes(client.width, client.height));
    for (int y = 0; y < client.height; ++y)
        for (int x = 0; x < client.width; ++x) {
            const unsigned char* in = &client.pixels[(static_cast<size_t>(y) * client.width + x) * 3];
            unsigned char* out = &rows[(static_cast<size_t>(client.height - 1 - y) * client.width + x) * 4];
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    const auto file_header = bmp_file_header(static_cast<std::uint32_t>(rows.size()));
    const auto info_header = bmp_info_header(client.width, client.height);
    return replace_file(snapshot_file_name, [&](std::FILE* f) {
        return std::fwrite(file_header.data(), 14, 1, f) == 1 &&
               std::fwrite(info_header.data(), 40, 1, f) == 1 &&
               std::fwrite(rows.data(), rows.size(), 1, f) == 1;
    });
}

constexpr capture_driver played_driver{record_scroll, record_snapshot};

struct played_capture : ::testing::Test {
    std::string folder = make_temporary_folder("capture");
    void SetUp() override
    {
        std::filesystem::current_path(folder);
        calls.clear();
        snapshots_before_failure = -1;
        bursts_before_window_gone = -1;
    }
    void start(int size_index, int view_x = -1, int view_y = -1)
    {
        const int side = map_size_table[size_index].map_pixels;
        played_game = standin_game{};
        start_standin(played_game, generate_map(side, 11 + size_index), view_x, view_y);
    }
};

}  // namespace

TEST(MapSizes, RowsFollowFromTheMapSide)
{
    const int tiles[] = {36, 72, 108, 144};
    const int origins[] = {245, 245, 117, 53};
    for (size_t i = 0; i < map_size_table.size(); ++i) {
        const MapSizeRow& row = map_size_table[i];
        EXPECT_EQ(row.map_pixels, 32 * tiles[i]);
        EXPECT_EQ(row.traverse_taps, traverse_taps_for(row.map_pixels));
        EXPECT_EQ(map_origin(row), origins[i]);
    }
    EXPECT_EQ(map_size_table[0].traverse_taps, 18);
    EXPECT_EQ(map_size_table[1].traverse_taps, 36);
    EXPECT_EQ(map_size_table[2].traverse_taps, 54);
    EXPECT_EQ(canvas_pixels(map_size_table[2]), 3584);
}

TEST(MapSizes, OfferedMapsLieInsideTheirCanvasAndTheExtraLargeOneWouldNot)
{
    for (int i = 0; i < offered_map_sizes; ++i) {
        const MapSizeRow& row = map_size_table[i];
        EXPECT_LE(map_origin(row) + row.map_pixels - 1, canvas_pixels(row) - 1) << "size " << i;
        // The last view of a row still reaches the map's far edge.
        const int last_view = row.start_taps + step_taps * (row.screens_per_side - 1);
        EXPECT_LE(last_view, row.traverse_taps);
    }
    const MapSizeRow& extra = map_size_table[3];
    EXPECT_EQ(map_origin(extra) + extra.map_pixels - canvas_pixels(extra), 53);
}

TEST_F(played_capture, CallOrderOfTheSmallMap)
{
    start(0);
    ASSERT_TRUE(capture_map(1, 0, played_driver));
    const std::vector<std::string> expected{
        "(-18, -18)", "(0, 0)", "(0, 0)", "snapshot", "(8, 0)", "snapshot", "(8, 0)", "snapshot",
        "(-18, 8)", "(0, 0)", "snapshot", "(8, 0)", "snapshot", "(8, 0)", "snapshot",
        "(-18, 8)", "(0, 0)", "snapshot", "(8, 0)", "snapshot", "(8, 0)", "snapshot"};
    EXPECT_EQ(calls, expected);
}

TEST_F(played_capture, BurstAndSnapshotCountsOfEverySize)
{
    const int snapshots[] = {9, 25, 49};
    const int bursts[] = {13, 31, 57};
    for (int size = 0; size < offered_map_sizes; ++size) {
        start(size);
        calls.clear();
        ASSERT_TRUE(capture_map(1, size, played_driver));
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "snapshot"), snapshots[size]);
        EXPECT_EQ(static_cast<int>(calls.size()) - snapshots[size], bursts[size]);
    }
}

TEST_F(played_capture, LargestMapStartsTwoTapsFromTheLimit)
{
    start(2, 5, 40);
    ASSERT_TRUE(capture_map(1, 2, played_driver));
    EXPECT_EQ(calls[0], "(-54, -54)");
    EXPECT_EQ(calls[1], "(0, 2)");
    EXPECT_EQ(calls[2], "(2, 0)");
    EXPECT_EQ(calls[3], "snapshot");
}

TEST_F(played_capture, StitchedMapIsTheGameMapAtEverySize)
{
    for (int size = 0; size < offered_map_sizes; ++size) {
        // Starting views in the middle, at the top-left limit and at the far corner.
        for (const auto& [vx, vy] : {std::pair{-1, -1}, std::pair{0, 0}, std::pair{99, 99}}) {
            start(size, vx, vy);
            const image truth = image_of(played_game.map);
            const image map = scan_map(1, map_size_table[size], played_driver);
            ASSERT_EQ(map.width(), map_size_table[size].map_pixels);
            ASSERT_EQ(map.height(), map_size_table[size].map_pixels);
            EXPECT_TRUE(map == truth) << "size " << size << " from view " << vx << "," << vy;
        }
    }
}

TEST_F(played_capture, ResultFilesAreTheMapAndTheMapWithItsGrid)
{
    start(0);
    ASSERT_TRUE(capture_map(1, 0, played_driver));
    image truth = image_of(played_game.map);
    save_jpeg_replacing(truth, "truth.jpg", 80);
    EXPECT_TRUE(load_image(result_file_name) == load_image("truth.jpg"));
    draw_tile_grid(truth, 1152);
    save_jpeg_replacing(truth, "truth-grid.jpg", 80);
    EXPECT_TRUE(load_image(result_grid_file_name) == load_image("truth-grid.jpg"));
    EXPECT_FALSE(file_exists(partial_file_name(result_file_name)));
}

TEST_F(played_capture, FailedSnapshotStopsAtOnceAndKeepsEarlierResults)
{
    start(0);
    ASSERT_TRUE(capture_map(1, 0, played_driver));
    const std::string earlier = read_text_file(result_file_name);
    const std::string earlier_grid = read_text_file(result_grid_file_name);

    start(0, 3, 3);
    calls.clear();
    snapshots_before_failure = 2;
    EXPECT_FALSE(capture_map(1, 0, played_driver));
    // Two snapshots, and the third failed: nothing was sent after it.
    EXPECT_EQ(calls.back(), "(8, 0)");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "snapshot"), 2);
    EXPECT_EQ(read_text_file(result_file_name), earlier);
    EXPECT_EQ(read_text_file(result_grid_file_name), earlier_grid);
}

TEST_F(played_capture, GameWindowGoneStopsTheScanWithoutResults)
{
    start(1);
    bursts_before_window_gone = 5;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(capture_map(1, 1, played_driver));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "capture fail!\n");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) {
                  return c != "snapshot";
              }),
              5);
    EXPECT_FALSE(file_exists(result_file_name));
    EXPECT_FALSE(file_exists(result_grid_file_name));
}

TEST_F(played_capture, UnwritableResultRaisesAndLeavesBothEarlierFiles)
{
    start(0);
    ASSERT_TRUE(capture_map(1, 0, played_driver));
    const std::string earlier = read_text_file(result_file_name);
    const std::string earlier_grid = read_text_file(result_grid_file_name);
    std::filesystem::create_directory(partial_file_name(result_grid_file_name));
    start(0, 0, 0);
    played_game.map = generate_map(1152, 99);
    const auto error = run_image_action([] { capture_map(1, 0, played_driver); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->type, "CImgIOException");
    // The map itself could be written, but not without its grid twin: neither is replaced.
    EXPECT_EQ(read_text_file(result_file_name), earlier);
    EXPECT_EQ(read_text_file(result_grid_file_name), earlier_grid);
    EXPECT_FALSE(file_exists(partial_file_name(result_file_name)));
}

TEST(Stitching, PlacingTilesEqualsWideningAndOring)
{
    std::mt19937 random(7);
    for (int n : {3, 5}) {
        std::vector<image> snapshots;
        image canvas(512 * n, 512 * n, 1, 3, 0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                // Mostly full screens, some smaller than the view tile.
                const int width = (random() % 4) ? 800 : 300 + static_cast<int>(random() % 300);
                const int height = (random() % 4) ? 600 : 200 + static_cast<int>(random() % 300);
                image snapshot(width, height, 1, 3);
                cimg_for(snapshot, p, unsigned char) *p = static_cast<unsigned char>(random());
                place_view_tile(canvas, snapshot, j, i);
                snapshots.push_back(snapshot);
            }
        EXPECT_TRUE(canvas == widen_and_or(snapshots, n)) << n << " x " << n;
    }
}

TEST(Stitching, SmallSnapshotLeavesTheMissingPartOfItsCellBlack)
{
    image canvas(1024, 1024, 1, 3, 0);
    image snapshot(300, 200, 1, 3, 200);
    place_view_tile(canvas, snapshot, 1, 1);
    EXPECT_EQ(canvas(512, 512, 0, 0), 200);
    EXPECT_EQ(canvas(512 + 255, 512 + 180, 0, 2), 200);
    EXPECT_EQ(canvas(512 + 256, 512, 0, 0), 0);  // beyond the snapshot's width
    EXPECT_EQ(canvas(512, 512 + 181, 0, 1), 0);  // beyond its height
}

TEST(TileGrid, BandsBlendBlueAtHalfOpacity)
{
    image white(1152, 1152, 1, 3, 255);
    draw_tile_grid(white, 1152);
    const auto rgb = [&](int x, int y) {
        return std::vector<int>{white(x, y, 0, 0), white(x, y, 0, 1), white(x, y, 0, 2)};
    };
    EXPECT_EQ(rgb(31, 10), (std::vector<int>{127, 127, 255}));
    EXPECT_EQ(rgb(10, 33), (std::vector<int>{127, 127, 255}));
    EXPECT_EQ(rgb(32, 64), (std::vector<int>{63, 63, 255}));  // a crossing
    EXPECT_EQ(rgb(30, 10), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(rgb(34, 10), (std::vector<int>{255, 255, 255}));

    image black(1152, 1152, 1, 3, 0);
    draw_tile_grid(black, 1152);
    EXPECT_EQ(black(33, 5, 0, 2), 127);
    EXPECT_EQ(black(33, 5, 0, 0), 0);
    EXPECT_EQ(black(1119, 1121, 0, 2), 191);
}

TEST(TileGrid, ThirtyFiveBandsEachWayAndNoneOnTheEdges)
{
    image map(1152, 1152, 1, 3, 255);
    draw_tile_grid(map, 1152);
    std::vector<int> banded;
    for (int x = 0; x < 1152; ++x)
        if (map(x, 5, 0, 0) != 255)
            banded.push_back(x);
    ASSERT_EQ(banded.size(), 35u * 3);
    for (int k = 1; k <= 35; ++k)
        for (int d = -1; d <= 1; ++d)
            EXPECT_EQ(banded[static_cast<size_t>((k - 1) * 3 + d + 1)], 32 * k + d);
    std::vector<int> banded_rows;
    for (int y = 0; y < 1152; ++y)
        if (map(5, y, 0, 0) != 255)
            banded_rows.push_back(y);
    EXPECT_EQ(banded_rows, banded);
    EXPECT_EQ(map(0, 5, 0, 0), 255);
    EXPECT_EQ(map(1151, 5, 0, 0), 255);
    EXPECT_EQ(map(5, 1151, 0, 0), 255);
}
