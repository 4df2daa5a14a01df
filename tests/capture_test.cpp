// The map capture without a desktop: the size table, the order of bursts and snapshots, the
// stitching, the tile grid, waiting for the player, and stopping cleanly when the game goes
// away. The game is played by the stand-in's own model, driven directly.
#include "bmp_file.h"
#include "capture_scan.h"
#include "image_files.h"
#include "map_capture.h"
#include "map_stitching.h"
#include "standin_map.h"
#include "standin_model.h"
#include "standin_render.h"
#include "tile_grid.h"

#include "desktop.h"
#include "picture_image.h"
#include "result_files.h"
#include "widen_and_or.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A game played in process: taps move the model's view, snapshots render it into tmp.bmp.
struct played_game_state {
    standin_game game;
    std::vector<std::string> calls;
    // What the capture said of the map's size: asked, found, and the calls made by then.
    std::vector<std::tuple<int, int, int>> resized;
    int snapshots_before_failure = -1;
    int bursts_before_window_gone = -1;
    int focus_refusals = 0;        // first bursts refused before the game gets the keyboard
    int keys_held_back = 0;        // first bursts whose keys the desktop holds back
    bool corrupt_snapshots = false;
    int bursts = 0;
    int burst_losing_a_tap = -1;   // this burst (0 = the first) moves the view one tap short
    // The game draws the views its taps lead through in turn: all before every snapshot
    // (-1), or this many (a game falling behind the keys).
    int draws_per_photo = -1;
    int snapshots_per_draw = 1;    // a frame that lasts this many snapshots
    int late_snapshot = -1;        // this snapshot (0 = the first) finds nothing new drawn
    int frozen_from = -1;          // from this snapshot on, the game draws nothing new
    int hang_at = -1;              // at this snapshot the game hangs: nothing new is drawn for
    int hang_snapshots = 0;        // this many snapshots, then it catches up a view a snapshot
    int hang_left = 0;
    bool catching_up = false;
    bool never_settles = false;    // every snapshot finds the view a tap off, to either side
    // A game whose every tap costs a frame of this many milliseconds, shown only at its end,
    // the taps handled one after the other as they arrived (0: the model above).
    int frame_cost_ms = 0;
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::pair<int, int>>> frames;
    std::chrono::steady_clock::time_point busy_until;
    client_snapshot drawn;             // the view drawn last, as a snapshot
    std::pair<int, int> drawn_view;
    int snapshots = 0;
    std::deque<std::pair<int, int>> undrawn;  // views the taps led through, not drawn yet
    std::pair<int, int> shown;                // the view drawn last
    std::chrono::steady_clock::time_point clock;  // the capture's clock, moved by its waits
    std::vector<game_status> waiting_told;
    int recoveries = 0;
};
played_game_state played;

game_status played_scroll(game_window, int dx, int dy, const pause_work& work, bool)
{
    played.clock += std::chrono::milliseconds(50);  // the focus pause
    if (played.focus_refusals > 0) {
        --played.focus_refusals;
        return game_status::focus_refused;
    }
    if (played.keys_held_back > 0) {
        --played.keys_held_back;
        return game_status::keys_undelivered;
    }
    if (played.bursts_before_window_gone == 0)
        return game_status::window_gone;
    if (played.bursts_before_window_gone > 0)
        --played.bursts_before_window_gone;
    if (work)
        while (work())
            ;
    played.calls.push_back("(" + std::to_string(dx) + ", " + std::to_string(dy) + ")");
    if (played.bursts++ == played.burst_losing_a_tap)
        (dy ? dy : dx) -= (dy ? dy : dx) > 0 ? 1 : -1;
    auto arrival = played.clock;
    played.clock += std::chrono::milliseconds(25 + 25 * (std::abs(dx) + std::abs(dy)));
    // Tap by tap, horizontal first, each view the game will draw in turn.
    const auto step = [](int& view, int& count, int limit) {
        view = std::clamp(view + (count > 0 ? 1 : -1), 0, limit);
        count += count > 0 ? -1 : 1;
    };
    while (dx || dy) {
        const std::pair<int, int> before{played.game.view_x, played.game.view_y};
        if (dx)
            step(played.game.view_x, dx, played.game.limit_x);
        else
            step(played.game.view_y, dy, played.game.limit_y);
        const std::pair<int, int> after{played.game.view_x, played.game.view_y};
        if (played.frame_cost_ms > 0) {
            played.busy_until = std::max(played.busy_until, arrival) +
                                std::chrono::milliseconds(played.frame_cost_ms);
            played.frames.emplace_back(played.busy_until, after);
            arrival += std::chrono::milliseconds(25);
        } else if (before != after) {
            played.undrawn.emplace_back(after);
        }
    }
    return game_status::ok;
}

std::chrono::steady_clock::time_point played_now()
{
    return played.clock;
}

void played_sleep_until(std::chrono::steady_clock::time_point moment)
{
    played.clock = std::max(played.clock, moment);
}

game_status played_grab(game_window, client_snapshot& picture)
{
    if (played.snapshots_before_failure == 0) {
        played.calls.push_back("failed snapshot");
        return game_status::snapshot_failed;
    }
    if (played.snapshots_before_failure > 0)
        --played.snapshots_before_failure;
    played.calls.push_back("snapshot");
    ++played.game.frame;
    const bool late = played.snapshots == played.late_snapshot ||
                      (played.frozen_from >= 0 && played.snapshots >= played.frozen_from);
    int draws = late || played.snapshots % played.snapshots_per_draw ? 0
                : played.draws_per_photo < 0 ? static_cast<int>(played.undrawn.size())
                                             : played.draws_per_photo;
    if (played.snapshots == played.hang_at)
        played.hang_left = played.hang_snapshots;
    if (played.hang_left > 0) {
        --played.hang_left;
        draws = 0;
        played.catching_up = true;
    } else if (played.catching_up) {
        draws = 1;
        played.catching_up = played.undrawn.size() > 1;
    }
    for (; draws > 0 && !played.undrawn.empty(); --draws) {
        played.shown = played.undrawn.front();
        played.undrawn.pop_front();
    }
    for (; !played.frames.empty() && played.frames.front().first <= played.clock;
         played.frames.pop_front())
        played.shown = played.frames.front().second;
    const int off = played.never_settles ? (played.snapshots % 2 ? 1 : -1) : 0;
    ++played.snapshots;
    // A still map shows the same view the same way: drawn once.
    const std::pair<int, int> view{std::max(0, played.shown.first + off), played.shown.second};
    if (played.game.animated_percent != 0 || view != played.drawn_view || played.drawn.rows.empty()) {
        const rgb_picture client = render_client_area(played.game, view.first, view.second);
        played.drawn = {client.width, client.height, bitmap_rows_of(client)};
        played.drawn_view = view;
    }
    picture = played.drawn;
    return game_status::ok;
}

game_status played_write(const client_snapshot& picture)
{
    if (played.corrupt_snapshots) {
        std::ofstream(snapshot_file_name) << "not a bitmap";
        return game_status::ok;
    }
    return write_snapshot_file(picture);
}

void note_waiting(game_status why)
{
    played.waiting_told.push_back(why);
}

void note_recovery()
{
    ++played.recoveries;
}

void note_resizing(int asked, int found)
{
    played.resized.push_back({asked, found, static_cast<int>(played.calls.size())});
}

capture_observer observer_of(void (*waiting)(game_status), void (*recovering)())
{
    capture_observer observer;
    observer.waiting = waiting;
    observer.recovering = recovering;
    observer.resizing = note_resizing;
    return observer;
}
const capture_observer waiting_noted = observer_of(note_waiting, nullptr);
const capture_observer recovery_noted = observer_of(nullptr, note_recovery);

constexpr capture_driver played_driver{played_scroll, played_grab, played_write, played_now,
                                       played_sleep_until};

struct played_capture : ::testing::Test {
    std::string folder = make_temporary_folder("capture");
    void SetUp() override { std::filesystem::current_path(folder); }
    void start(int size_index, int view_x = -1, int view_y = -1)
    {
        played = played_game_state{};
        const int side = map_size_table[size_index].map_pixels;
        start_standin(played.game, generate_map(side, 11 + size_index), view_x, view_y);
        played.shown = {played.game.view_x, played.game.view_y};
    }
};

bool succeeded(const capture_result& result)
{
    return result.game == game_status::ok && !result.error;
}

// The map as the scan hands it on, band by band, with the number of snapshots taken by the time
// each band came.
image scanned(int size_index, std::vector<int>* snapshots_at_band = nullptr)
{
    const map_size& size = map_size_table[size_index];
    image map(size.map_pixels, size.map_pixels, 1, 3, 0);
    int next_row = 0;
    const scan_outcome status =
        scan_map(1, size, played_driver, [&](image& band, int first_row) {
            EXPECT_EQ(first_row, next_row) << "bands come top to bottom, none twice";
            EXPECT_EQ(band.width(), size.map_pixels);
            map.draw_image(0, first_row, band);
            next_row = first_row + band.height();
            if (snapshots_at_band)
                snapshots_at_band->push_back(static_cast<int>(
                    std::count(played.calls.begin(), played.calls.end(), "snapshot")));
        });
    EXPECT_EQ(status.status, game_status::ok);
    EXPECT_EQ(next_row, size.map_pixels) << "every row of the map was handed on";
    return map;
}

}  // namespace

TEST(MapSizes, EverySizeScrollsAsFarAsTheGamesMapOfThatSize)
{
    // The game's own map of each size: its scroll limits lie as many taps apart as the size says,
    // and the map fits the canvas.
    const int tiles[] = {36, 72, 108, 144, 180, 216, 252};
    for (size_t i = 0; i < map_size_table.size(); ++i) {
        const map_size& size = map_size_table[i];
        EXPECT_EQ(size.map_pixels, tile_pixels * tiles[i]);
        standin_game game;
        start_standin(game, generate_map(size.map_pixels, 1), 0, 0);
        EXPECT_EQ(size.traverse_taps, game.limit_x) << "size " << i;
        EXPECT_LE(map_origin(size) + size.map_pixels, canvas_pixels(size)) << "size " << i;
    }
}

TEST(MapSizes, EveryWalkTakesTheWholeMapWithinTheGamesLimits)
{
    for (int i = 0; i < offered_map_sizes; ++i) {
        const map_size& size = map_size_table[i];
        const std::vector<int> stops = walk_stops(size);
        ASSERT_EQ(static_cast<int>(stops.size()), size.screens_per_side);
        // The first view shows the map's near edge, neighbouring views share a tap's strip, the
        // last shows its far edge, and the map lies inside the canvas.
        EXPECT_LE(limit_origin_pixels - tap_pixels * stops.front(), view_tile_pixels - 1);
        for (size_t k = 1; k < stops.size(); ++k)
            EXPECT_LE(stops[k] - stops[k - 1], view_tile_pixels / tap_pixels - 1) << "size " << i;
        const int far_edge_column =
            limit_origin_pixels - tap_pixels * stops.back() + size.map_pixels - 1;
        EXPECT_LE(far_edge_column, view_tile_pixels - 1) << "size " << i;
        EXPECT_LE(map_origin(size) + size.map_pixels, canvas_pixels(size)) << "size " << i;
        EXPECT_LE(stops.back(), size.traverse_taps);
    }
    // The extra-large walk asks for no view nearer the far edge than the large one does.
    const std::vector<int> large = walk_stops(map_size_table[2]);
    const std::vector<int> extra = walk_stops(map_size_table[3]);
    EXPECT_EQ(limit_origin_pixels - tap_pixels * large.back() + 3456 - 1, 500);
    EXPECT_EQ(limit_origin_pixels - tap_pixels * extra.back() + 4608 - 1, 500);
    EXPECT_EQ(extra, (std::vector<int>{3, 10, 17, 24, 31, 38, 45, 52, 59, 66, 68}));

    // The whole walk: every pair of stops once, each reached by its bursts from the one before,
    // the rows taken both ways, never going back to the left limit.
    for (int i = 0; i < offered_map_sizes; ++i) {
        const map_size& size = map_size_table[i];
        const std::vector<int> stops = walk_stops(size);
        std::set<std::pair<int, int>> seen;
        int x = 0, y = 0;
        for (const walk_stop& stop : map_walk(size)) {
            for (const auto& [dx, dy] : stop.bursts) {
                x = std::clamp(x + dx, 0, size.traverse_taps);
                y = std::clamp(y + dy, 0, size.traverse_taps);
            }
            EXPECT_EQ(std::pair(x, y), std::pair(stop.x, stop.y)) << "size " << i;
            if (stop.kind == stop_kind::screen)
                EXPECT_TRUE(seen.insert({x, y}).second) << "size " << i;
            for (const auto& [dx, dy] : stop.bursts)
                EXPECT_GT(dx, -size.traverse_taps) << "size " << i;
        }
        EXPECT_EQ(seen.size(), stops.size() * stops.size()) << "size " << i;
    }
    // The extra-large walk proves the far edge at the end of its first row, two taps past the
    // limit and one back, and its second row starts below the first one's last screen.
    const std::vector<walk_stop> walk = map_walk(map_size_table[3]);
    EXPECT_EQ(walk[13].bursts, (std::vector<std::pair<int, int>>{{6, 0}}));
    EXPECT_EQ(walk[14].proves, stop_proof::far_edge);
    EXPECT_EQ(walk[14].bursts, (std::vector<std::pair<int, int>>{{-1, 0}}));
    EXPECT_EQ(walk[15].x, 68);
    EXPECT_EQ(walk[15].y, 10);
}

// What every walk must do, at every size: its first burst goes to the top-left limit, a tap right
// shows the game caught up, a tap further left and up than the limit proves the corner before any
// other key, every stop's view is taken at least twice with no key between, and no tap is wasted
// against a limit but the corner's two and the far edge's two (sent past the right limit of a map
// of the size asked for). That every cell of the map is covered is the stitched map's test below.
TEST_F(played_capture, EveryWalkProvesItsEdgesAndWastesNoTap)
{
    for (int size_index = 0; size_index < offered_map_sizes; ++size_index) {
        const map_size& size = map_size_table[size_index];
        start(size_index);
        ASSERT_TRUE(succeeded(capture_map(1, size_index, played_driver)));
        std::vector<std::pair<int, int>> bursts;
        std::vector<int> snapshots_before;  // snapshots since the burst before
        int snapshots = 0;
        for (const std::string& call : played.calls) {
            int dx = 0, dy = 0;
            if (std::sscanf(call.c_str(), "(%d, %d)", &dx, &dy) == 2) {
                bursts.push_back({dx, dy});
                snapshots_before.push_back(snapshots);
                snapshots = 0;
            } else {
                ++snapshots;
            }
        }
        ASSERT_GE(bursts.size(), 2u);
        EXPECT_EQ(bursts[0], std::pair(-size.traverse_taps, -size.traverse_taps)) << size_index;
        EXPECT_EQ(bursts[1], std::pair(1, 0)) << size_index;
        EXPECT_EQ(bursts[2], std::pair(-2, -1)) << size_index;
        // A stop may be reached by two bursts (down to the next row, then right to its first stop).
        for (size_t i = 1; i < bursts.size(); ++i)
            EXPECT_TRUE(snapshots_before[i] >= 2 || (snapshots_before[i] == 0 && i > 1))
                << "size " << size_index << ", burst " << i;
        EXPECT_GE(snapshots, 2) << "the last screen";
        int x = 0, y = 0, wasted = 0;
        for (size_t i = 1; i < bursts.size(); ++i) {
            for (const auto& [taps, at] : {std::pair{bursts[i].first, &x}, {bursts[i].second, &y}})
                for (int tap = 0; tap < std::abs(taps); ++tap) {
                    const int next = std::clamp(*at + (taps > 0 ? 1 : -1), 0, size.traverse_taps);
                    wasted += next == *at;
                    *at = next;
                }
        }
        EXPECT_EQ(wasted, 4) << "size " << size_index;
    }
}

TEST_F(played_capture, StitchedMapIsTheGameMapAtEverySize)
{
    // Starting views in the middle, at the top-left limit and at the far corner: all three on the
    // small map, one each on the larger ones in turn.
    const std::pair<int, int> views[] = {{-1, -1}, {0, 0}, {999, 999}};
    for (int size = 0; size < offered_map_sizes; ++size) {
        for (int v = 0; v < (size == 0 ? 3 : 1); ++v) {
            const auto [vx, vy] = views[size == 0 ? v : size % 3];
            start(size, vx, vy);
            const image truth = image_of(played.game.map);
            const image map = scanned(size);
            ASSERT_EQ(map.width(), map_size_table[size].map_pixels);
            ASSERT_EQ(map.height(), map_size_table[size].map_pixels);
            EXPECT_TRUE(map == truth) << "size " << size << " from view " << vx << "," << vy;
        }
    }
}

TEST_F(played_capture, MapRowsAreHandedOnWhileTheScanGoesOn)
{
    start(2);
    std::vector<int> snapshots_at_band;
    scanned(2, &snapshots_at_band);
    // Only the map rows of the last row of screens that no screen before shows wait for its
    // last screen, a step's worth at most; the first rows go once the first screen row is in.
    const long late = std::count(snapshots_at_band.begin(), snapshots_at_band.end(),
                                 snapshots_at_band.back());
    EXPECT_LE(late, (7 * tap_pixels + 15) / 16);
    EXPECT_LT(snapshots_at_band.front(), 2 * 7 + 12);
}

TEST_F(played_capture, ResultFilesAreTheMapAndTheMapWithItsGrid)
{
    start(0);
    ASSERT_TRUE(succeeded(capture_map(1, 0, played_driver)));
    EXPECT_EQ(wrong_result_files(folder, image_of(played.game.map)), "");
    EXPECT_EQ(folder_files(folder),
              (std::vector<std::string>{"result-grid.jpg", "result.jpg", "tmp.bmp", "truth.jpg"}));
}

TEST_F(played_capture, FailedSnapshotStopsAtOnceAndKeepsEarlierResults)
{
    start(0);
    ASSERT_TRUE(succeeded(capture_map(1, 0, played_driver)));
    const std::string earlier = read_text_file(result_file_name);
    const std::string earlier_grid = read_text_file(result_grid_file_name);

    start(0, 3, 3);
    played.snapshots_before_failure = 4;
    const capture_result result = capture_map(1, 0, played_driver);
    EXPECT_EQ(result.game, game_status::snapshot_failed);
    EXPECT_FALSE(result.error);
    // Nothing was sent after the snapshot that failed.
    EXPECT_EQ(played.calls.back(), "failed snapshot");
    EXPECT_EQ(std::count(played.calls.begin(), played.calls.end(), "snapshot"), 4);
    EXPECT_TRUE(read_text_file(result_file_name) == earlier) << "result.jpg differs";
    EXPECT_TRUE(read_text_file(result_grid_file_name) == earlier_grid) << "result-grid.jpg differs";
}

TEST_F(played_capture, GameWindowGoneStopsTheScanWithoutResults)
{
    start(1);
    played.bursts_before_window_gone = 5;
    const capture_result result = capture_map(1, 1, played_driver);
    EXPECT_EQ(result.game, game_status::window_gone);
    EXPECT_EQ(std::count_if(played.calls.begin(), played.calls.end(),
                            [](const std::string& c) { return c != "snapshot"; }),
              5);
    EXPECT_FALSE(file_exists(result_file_name));
    EXPECT_FALSE(file_exists(result_grid_file_name));
}

TEST_F(played_capture, ExtraLargeWalkRecoversAMissedTapRefusesANearerLimitAndKeepsAnimation)
{
    // A tap the game missed on a step right, on the step down and on a step left: the seams show
    // it, the view goes back to the top-left limit and straight to that stop, and the map is
    // exact.
    for (const int burst : {5, 16, 18}) {
        start(3);
        played.burst_losing_a_tap = burst;
        const capture_result result = capture_map(1, 3, played_driver, recovery_noted);
        EXPECT_TRUE(succeeded(result)) << burst;
        EXPECT_FALSE(result.size_unchecked) << "a map that shows its edges proves them";
        EXPECT_EQ(played.recoveries, 1) << burst;
        EXPECT_EQ(wrong_result_files(folder, image_of(played.game.map)), "") << burst;
    }
    // The right limit at the last stop of a row: a tap further does not move the view, so it
    // stands at a limit no map size has, which is told with the map's measured size, and the
    // capture stops before another key, with no recovery and nothing written.
    std::filesystem::remove(result_file_name);
    start(3);
    played.game.limit_x = 67;
    const capture_result unusual = capture_map(1, 3, played_driver, recovery_noted);
    EXPECT_EQ(unusual.game, game_status::map_size_unusual);
    EXPECT_EQ(unusual.map_tiles, 134);
    EXPECT_EQ(played.recoveries, 0);
    EXPECT_EQ(played.calls.back(), "snapshot");
    EXPECT_FALSE(file_exists(result_file_name));

    // Unexplored land, all black, looks the same one tap off: the seam does not refuse it, and
    // neither the corner nor the far edge can be proved on it: the map is taken at the size
    // asked for, and said to be unchecked.
    start(3);
    played.game.map.pixels.assign(played.game.map.pixels.size(), 0);
    played.burst_losing_a_tap = 5;
    const capture_result black = capture_map(1, 3, played_driver);
    EXPECT_TRUE(succeeded(black));
    EXPECT_TRUE(black.size_unchecked);
    // Without a size given, such a map is not guessed at: it is refused.
    std::filesystem::remove(result_file_name);
    start(3);
    played.game.map.pixels.assign(played.game.map.pixels.size(), 0);
    EXPECT_EQ(capture_map(1, std::nullopt, played_driver).game, game_status::map_size_unchecked);
    EXPECT_FALSE(file_exists(result_file_name));

    // Scattered tiles animating between snapshots pass the seams, and every other tile is exact;
    // a screen the game had not drawn yet is taken again.
    start(3);
    played.game.animated_percent = standin_default_animated_percent;
    played.late_snapshot = 30;
    const image map = scanned(3);
    const image truth = image_of(played.game.map);
    int animated = 0;
    for (int ty = 0; ty < 144; ++ty)
        for (int tx = 0; tx < 144; ++tx) {
            if (standin_tile_animates(tx, ty, standin_default_animated_percent)) {
                ++animated;
                continue;
            }
            const image got = map.get_crop(32 * tx, 32 * ty, 32 * tx + 31, 32 * ty + 31);
            ASSERT_TRUE(got == truth.get_crop(32 * tx, 32 * ty, 32 * tx + 31, 32 * ty + 31))
                << "tile " << tx << ", " << ty;
        }
    EXPECT_GT(animated, 144 * 144 / 50);
}

TEST_F(played_capture, ViewDrawnLateIsWaitedForAndOneThatNeverSettlesStopsTheCapture)
{
    // A game that falls behind the keys, a tap or several per snapshot, or one tap per two
    // snapshots (its frames last longer than the gap between them: two snapshots agree while
    // it still catches up), where screens meet edge to edge and where they overlap: every screen
    // is waited for, and the map is exact.
    for (const auto& [size, draws, per_draw] : {std::tuple{1, 1, 1}, {1, 3, 1}, {1, 1, 2}, {3, 2, 1}}) {
        start(size);
        played.draws_per_photo = draws;
        played.snapshots_per_draw = per_draw;
        EXPECT_EQ(differing_tiles(scanned(size), image_of(played.game.map)), "") << size << ", " << draws;
        const int screens = map_size_table[size].screens_per_side;
        EXPECT_GT(std::count(played.calls.begin(), played.calls.end(), "snapshot"),
                  2 * screens * screens);
    }
    // One snapshot that finds nothing new drawn is taken again.
    start(0);
    played.late_snapshot = 4;
    EXPECT_TRUE(scanned(0) == image_of(played.game.map));

    // A game that stops drawing (at the second row) shows an earlier view for good; one whose
    // view keeps moving never settles. Either stops the capture before another key, and nothing is written.
    for (const bool frozen : {true, false}) {
        start(0);
        played.frozen_from = frozen ? 16 : -1;
        played.never_settles = !frozen;
        EXPECT_EQ(capture_map(1, 0, played_driver).game,
                  frozen ? game_status::view_misplaced : game_status::view_unsettled);
        EXPECT_EQ(played.calls.back(), "snapshot");
        EXPECT_FALSE(file_exists(result_file_name));
    }
}

// A game whose every tap costs a frame longer than the pause between two taps, shown only once
// it is worked out: it falls behind its keys, two snapshots of one frame agree while it still
// works through them, and taps against a scroll limit change nothing while they take their time.
// At every size, with the right Size, a wrong one both ways and none, the map is exact.
TEST_F(played_capture, GameSlowerThanItsKeysIsWaitedForAtEverySize)
{
    struct slow_case {
        int asked, real, frame_ms;
    };
    // The sizes of 180 and 216 tiles are walked as those of 144 and 252 are.
    for (const auto& [asked, real, frame_ms] :
         {slow_case{0, 0, 40}, {1, 1, 40}, {2, 2, 40}, {3, 3, 40}, {6, 6, 40}, {1, 1, 100},
          {0, 1, 100}, {2, 0, 60}, {-1, 0, 60}}) {
        start(real);
        played.frame_cost_ms = frame_ms;
        const std::optional<int> hint = asked >= 0 ? std::optional<int>(asked) : std::nullopt;
        const capture_result result = capture_map(1, hint, played_driver);
        const std::string which = std::to_string(asked) + " for " + std::to_string(real) + " at " +
                                  std::to_string(frame_ms) + " ms";
        ASSERT_TRUE(succeeded(result)) << which;
        EXPECT_EQ(result.map_size_index, real) << which;
        EXPECT_EQ(wrong_result_files(folder, image_of(played.game.map)), "") << which;
    }
}

TEST_F(played_capture, MostlyAnimatedViewNeitherHoldsTheCaptureUpNorHidesALateView)
{
    const auto wrong_still_tile = [](const image& map, const image& truth) -> std::string {
        for (int ty = 0; ty < map.height() / 32; ++ty)
            for (int tx = 0; tx < map.width() / 32; ++tx)
                if (!standin_tile_animates(tx, ty, 60) &&
                    !(map.get_crop(32 * tx, 32 * ty, 32 * tx + 31, 32 * ty + 31) ==
                      truth.get_crop(32 * tx, 32 * ty, 32 * tx + 31, 32 * ty + 31)))
                    return std::to_string(tx) + ", " + std::to_string(ty);
        return "";
    };
    // 60 % of the tiles animate, turning their colours between any two snapshots.
    for (int size : {1, 3}) {
        start(size);
        played.game.animated_percent = 60;
        const image truth = image_of(played.game.map);
        EXPECT_EQ(wrong_still_tile(scanned(size), truth), "") << "size " << size;
        const int screens = map_size_table[size].screens_per_side;
        // Every stop's view twice (the screens and the four looks), and one before the keys.
        EXPECT_EQ(std::count(played.calls.begin(), played.calls.end(), "snapshot"),
                  2 * (screens * screens + 4) + 1)
            << "no screen taken more often than a still one";
        // A game one tap behind at every snapshot is still caught.
        start(size);
        played.game.animated_percent = 60;
        played.draws_per_photo = 1;
        EXPECT_EQ(wrong_still_tile(scanned(size), truth), "") << "size " << size << ", late";
    }
}

TEST_F(played_capture, ResultThatCannotBeReplacedLeavesBothEarlierFiles)
{
    start(0);
    ASSERT_TRUE(succeeded(capture_map(1, 0, played_driver)));
    const std::string earlier = read_text_file(result_file_name);
    std::filesystem::remove(result_grid_file_name);
    std::filesystem::create_directory(result_grid_file_name);
    start(0, 0, 0);
    played.game.map = generate_map(1152, 99);
    const capture_result result = capture_map(1, 0, played_driver);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->what_failed, image_failure::file);
    // The map itself could be written, but not without its grid twin: neither is replaced.
    EXPECT_TRUE(read_text_file(result_file_name) == earlier) << "result.jpg differs";
    EXPECT_EQ(folder_files(folder),
              (std::vector<std::string>{"result-grid.jpg", "result.jpg", "tmp.bmp"}));
}

TEST_F(played_capture, WaitsForTheGameToGetTheKeyboardThenCaptures)
{
    // A desktop that gives the keyboard a few focus pauses late does not trouble the player.
    start(0);
    played.focus_refusals = 3;
    EXPECT_TRUE(succeeded(capture_map(1, 0, played_driver, waiting_noted)));
    EXPECT_TRUE(played.waiting_told.empty());

    start(0);
    played.focus_refusals = 30;
    const capture_result result = capture_map(1, 0, played_driver, waiting_noted);
    EXPECT_TRUE(succeeded(result));
    EXPECT_EQ(played.waiting_told,
              (std::vector<game_status>{game_status::focus_refused, game_status::ok}));
    // The window is looked at, then the first burst goes out once, when the game has the keyboard.
    EXPECT_EQ(played.calls[0], "snapshot");
    EXPECT_EQ(played.calls[1], "(-18, -18)");
    EXPECT_EQ(std::count(played.calls.begin(), played.calls.end(), "(-18, -18)"), 1);
}

TEST_F(played_capture, WaitsForTheDesktopToLetTheKeysThroughAfterTheClick)
{
    start(0);
    played.focus_refusals = 25;
    played.keys_held_back = 4;
    const capture_result result = capture_map(1, 0, played_driver, waiting_noted);
    EXPECT_TRUE(succeeded(result));
    EXPECT_EQ(played.waiting_told,
              (std::vector<game_status>{game_status::focus_refused, game_status::keys_undelivered,
                                        game_status::ok}));
    EXPECT_EQ(std::count(played.calls.begin(), played.calls.end(), "snapshot"), 2 * (9 + 4) + 1);
}

TEST_F(played_capture, UnreadableSnapshotStopsTheCaptureBeforeTheNextBurstTypes)
{
    start(0);
    played.corrupt_snapshots = true;
    const capture_result result = capture_map(1, 0, played_driver);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->what_failed, image_failure::file);
    // The snapshot is read back in the pause before the next burst's keys, which never went out.
    EXPECT_EQ(played.calls.back(), "snapshot");
    EXPECT_FALSE(file_exists(result_file_name));
}

TEST_F(played_capture, UnwritableFolderIsFoundBeforeAnyKey)
{
    start(0);
    std::filesystem::current_path("/proc");  // no file can be made there, even by root
    const capture_result result = capture_map(1, 0, played_driver);
    std::filesystem::current_path(folder);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_STREQ(result.error->what(), "Cannot write files into the folder '/proc'.");
    EXPECT_TRUE(played.calls.empty());
}

TEST_F(played_capture, MapOfAnotherSizeIsTakenWholeAtItsOwnSize)
{
    // Size asked (-1: none), the map's size, the starting view (taps from the top-left limit; -1:
    // the middle). A larger map is seen at the top-left corner (a view the first burst cannot
    // bring there) or at the end of the first row; a smaller one where the view stops at its
    // limit short of a stop. Either way before the second row, without a recovery; the map is
    // then taken at its own size and is exact.
    const std::tuple<int, int, int> cases[] = {{0, 1, -1}, {0, 1, 99}, {1, 2, 0}, {0, 3, 60},
                                               {1, 0, -1}, {3, 1, -1}, {0, 4, -1}, {-1, 2, -1}};
    for (const auto& [asked, real, view] : cases) {
        start(real, view, view);
        const std::optional<int> hint = asked >= 0 ? std::optional<int>(asked) : std::nullopt;
        const capture_result result = capture_map(1, hint, played_driver, recovery_noted);
        const std::string which = std::to_string(asked) + " for " + std::to_string(real);
        EXPECT_TRUE(succeeded(result)) << which;
        EXPECT_EQ(result.map_size_index, real) << which;
        EXPECT_EQ(played.recoveries, 0) << which;
        ASSERT_EQ(played.resized.size(), 1u) << which;
        const auto [told_asked, told_found, calls_by_then] = played.resized[0];
        EXPECT_EQ(told_asked, asked) << which;
        EXPECT_EQ(told_found, real) << which;
        // Before the map's size was known, no burst went down to a second row.
        for (int i = 0; i < calls_by_then; ++i) {
            int dx = 0, dy = 0;
            if (std::sscanf(played.calls[static_cast<size_t>(i)].c_str(), "(%d, %d)", &dx, &dy) == 2)
                EXPECT_LT(dy, 7) << which << ": the second row was begun";
        }
        EXPECT_EQ(wrong_result_files(folder, image_of(played.game.map)), "") << which;
    }
}

TEST_F(played_capture, MissedTapsNearTheFarEdgeAreNotTakenForAnotherSize)
{
    // A tap missed on the last step of the first row: the view can still move on, so it is
    // recovered. One missed on the way past the right limit: the taps past it make up for it.
    for (const auto& [size, burst, recoveries] : {std::tuple{0, 5, 1}, {1, 9, 0}}) {
        start(size);
        played.burst_losing_a_tap = burst;
        EXPECT_TRUE(succeeded(capture_map(1, size, played_driver, recovery_noted))) << size;
        EXPECT_EQ(played.recoveries, recoveries) << size;
        EXPECT_EQ(wrong_result_files(folder, image_of(played.game.map)), "") << size;
    }
}

TEST_F(played_capture, HangOfTheGameCostsOnlyAFewScreens)
{
    // A game that hangs for 1.5 s mid-capture and then catches up a view at a time: it is seen
    // behind its keys, and the stillness asked grows; once it keeps up again the screens go at
    // their usual pace, and the map is exact.
    start(1);
    ASSERT_TRUE(succeeded(capture_map(1, 1, played_driver)));
    const auto usual = played.clock - std::chrono::steady_clock::time_point{};
    start(1);
    played.hang_at = 20;
    played.hang_snapshots = 15;
    EXPECT_EQ(differing_tiles(scanned(1), image_of(played.game.map)), "");
    const auto hung = played.clock - std::chrono::steady_clock::time_point{};
    // The hang, the catching up and a few screens of longer stillness: about 4 s (13 s when the
    // stillness stays up to the end).
    EXPECT_LT(hung - usual, std::chrono::milliseconds(5000))
        << std::chrono::duration_cast<std::chrono::milliseconds>(hung - usual).count() << " ms";

    // A longer hitch (2.5 s) on the first step of the first row, where the view standing still
    // looks like a view at a limit: the game moves neither on nor back, so it is waited out too.
    for (const int at : {6, 8, 10}) {
        start(1);
        played.hang_at = at;
        played.hang_snapshots = 25;
        const capture_result result = capture_map(1, 1, played_driver);
        EXPECT_TRUE(succeeded(result)) << at;
        EXPECT_EQ(wrong_result_files(folder, image_of(played.game.map)), "") << at;
    }
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
                place_view_tile(canvas, snapshot, 512 * j, 512 * i);
                snapshots.push_back(snapshot);
            }
        EXPECT_TRUE(canvas == widen_and_or(snapshots, n)) << n << " x " << n;
    }
}

TEST(Stitching, SmallSnapshotLeavesTheMissingPartOfItsCellBlack)
{
    image canvas(1024, 1024, 1, 3, 0);
    image snapshot(300, 200, 1, 3, 200);
    place_view_tile(canvas, snapshot, 512, 512);
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

TEST(TileGrid, DrawnBandByBandItGivesTheSamePixels)
{
    std::mt19937 random(3);
    image whole(1152, 1152, 1, 3);
    cimg_for(whole, p, unsigned char) *p = static_cast<unsigned char>(random());
    image banded = whole;
    draw_tile_grid(whole, 1152);
    for (int first = 0; first < 1152;) {
        const int rows = std::min(1 + static_cast<int>(random() % 40), 1152 - first);
        image band = banded.get_crop(0, first, 1151, first + rows - 1);
        draw_tile_grid(band, 1152, first);
        banded.draw_image(0, first, band);
        first += rows;
    }
    EXPECT_TRUE(banded == whole);
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
