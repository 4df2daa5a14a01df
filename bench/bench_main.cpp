// Speed and memory of the tool's work, each figure set beside a reference measured in the same
// run on the same pixels. Prints one Markdown table. Runs on a private X server of its own.
#include "bmp_file.h"
#include "compress.h"
#include "game_window.h"
#include "image_files.h"
#include "jpeg_decoder.h"
#include "jpeg_encoder.h"
#include "safe_files.h"
#include "map_capture.h"
#include "map_files.h"
#include "map_stitching.h"
#include "standin_map.h"
#include "standin_model.h"
#include "standin_render.h"
#include "tile_grid.h"

#include "desktop.h"
#include "picture_image.h"
#include "widen_and_or.h"
#include "fltk_window.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

double seconds_of(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Median of `runs` timings, after `prepare` (not timed) before each.
double median_seconds(int runs, const std::function<void()>& work,
                      const std::function<void()>& prepare = [] {})
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        times.push_back(seconds_of(work));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string milliseconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000);
    return text;
}

std::string megabytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

std::string ratio(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

void table_row(const std::string& what, const std::string& ours, const std::string& against,
         const std::string& comparison, const std::string& target)
{
    std::printf("| %s | %s | %s | %s | %s |\n", what.c_str(), ours.c_str(), against.c_str(),
                comparison.c_str(), target.c_str());
    std::fflush(stdout);
}

// A large map taken as 7 x 7 screens that meet edge to edge (8 taps apart from 2 taps): the
// merge the capture once made, widening every view tile to the canvas and ORing it in, is
// measured on them against placing each tile in its place.
constexpr int edge_to_edge_screens = 7;

std::vector<image> screens_of_large_capture()
{
    standin_game game;
    start_standin(game, generate_map(map_size_table[2].map_pixels, 3), 0, 0);
    std::vector<image> screens;
    for (int i = 0; i < edge_to_edge_screens; ++i)
        for (int j = 0; j < edge_to_edge_screens; ++j)
            screens.push_back(image_of(render_client_area(game, 2 + 8 * j, 2 + 8 * i)));
    return screens;
}

void bench_merge(const std::vector<image>& screens)
{
    const int n = edge_to_edge_screens;
    const int side = view_tile_pixels * n;
    const double ours = median_seconds(5, [&] {
        image canvas(side, side, 1, 3, 0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                place_view_tile(canvas, screens[static_cast<size_t>(i * n + j)], 512 * j,
                                512 * i);
    });
    const double reference = median_seconds(3, [&] { widen_and_or(screens, n); });
    table_row("merging the 49 view tiles of a large map into the canvas", milliseconds(ours),
        milliseconds(reference) + " (widen and OR)", ratio(reference / ours) + "x faster",
        "at least 30x faster");
}

void bench_screen(const std::string& folder)
{
    child_process game = start_process({STANDIN_PROGRAM, "--size", "3", "--view", "10,10"}, folder);
    wait_for_window("^Heroes of Might and Magic III$", std::chrono::seconds(60));
    const game_window window = find_game_window(game_window_title);
    scroll_map_view(window, 0, 0);  // the driver starts watching it
    image canvas(3584, 3584, 1, 3, 0);
    const double ours = median_seconds(15, [&] {
        snapshot_client_area(window);
        place_view_tile(canvas, load_image(snapshot_file_name), 3 * 512, 3 * 512);
    });
    stop_process(game);

    // The same bytes written as every file of the tool is (flushed to the disk), and read back.
    const std::string bytes = read_text_file(snapshot_file_name);
    const double reference = median_seconds(15, [&] {
        const int out = open("plain.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (write(out, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
            fsync(out) != 0)
            std::abort();
        close(out);
        std::string back(bytes.size(), '\0');
        const int in = open("plain.bin", O_RDONLY);
        if (read(in, back.data(), back.size()) != static_cast<ssize_t>(back.size()))
            std::abort();
        close(in);
    });
    table_row("one screen of a capture: snapshot written, read back, tile cut and placed",
        milliseconds(ours), milliseconds(reference) + " (write, flush and read the same bytes)",
        ratio(ours / reference) + "x the plain calls", "within 2x");
}

double command_seconds(const std::string& command)
{
    return seconds_of([&] {
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "failed: %s\n", command.c_str());
    });
}

// What a capture does with its canvas: the map cut out band by band, each band encoded as it is
// and again with its grid, and both files written.
void write_canvas_files(const image& canvas, const map_size& size)
{
    const int o = map_origin(size), side = size.map_pixels;
    map_files files = start_map_files(side);
    for (int first = 0; first < side; first += 16) {
        image band = canvas.get_crop(o, o + first, o + side - 1, o + std::min(first + 16, side) - 1);
        add_map_band(files, band, first);
    }
    write_map_files(files);
}

void bench_jpeg(const image& canvas)
{
    const map_size& large = map_size_table[2];
    const int o = map_origin(large);
    const double ours = median_seconds(5, [&] { write_canvas_files(canvas, large); });
    image map = canvas.get_crop(o, o, o + large.map_pixels - 1, o + large.map_pixels - 1);
    map.save_pnm("map.ppm");
    draw_tile_grid(map, large.map_pixels);
    map.save_pnm("map-grid.ppm");
    std::vector<double> times;
    for (int i = 0; i < 5; ++i)
        times.push_back(command_seconds("cjpeg -quality 80 map.ppm > cjpeg.jpg") +
                        command_seconds("cjpeg -quality 80 map-grid.ppm > cjpeg-grid.jpg"));
    std::sort(times.begin(), times.end());
    table_row("the two JPEG writes of a large capture (crop, grid, two saves)", milliseconds(ours),
        milliseconds(times[2]) + " (cjpeg -quality 80, twice)",
        ratio(ours / times[2]) + "x cjpeg", "within 1.2x");
}

void bench_compress()
{
    const double ours = median_seconds(5, [] {
        compress_image(result_file_name, 0.5f, 50);
        compress_image(result_grid_file_name, 0.5f, 50);
    });
    std::vector<double> times;
    for (int i = 0; i < 5; ++i)
        times.push_back(
            command_seconds("convert result.jpg -sample 50% -quality 50 im-result.jpg") +
            command_seconds("convert result-grid.jpg -sample 50% -quality 50 im-result-grid.jpg"));
    std::sort(times.begin(), times.end());
    table_row("compress at the default sliders on a 3456 x 3456 pair", milliseconds(ours),
        milliseconds(times[2]) + " (ImageMagick convert -sample 50% -quality 50)",
        ratio(times[2] / ours) + "x faster", "at least 3x faster (5x aimed at)");
}

long status_kilobytes(int pid, const std::string& field)
{
    std::istringstream status(read_text_file("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// The pauses a capture of `size` asks for: the focus pause and the closing pause of every burst,
// the pause after every tap, and the last stop's second snapshot `settle_pause` after its first,
// with no burst to hide that in.
double requested_sleeps(const map_size& size)
{
    int bursts = 1, taps = 2 * size.traverse_taps;
    for (const walk_stop& stop : map_walk(size))
        for (const auto& [dx, dy] : stop.bursts) {
            ++bursts;
            taps += std::abs(dx) + std::abs(dy);
        }
    using seconds = std::chrono::duration<double>;
    return (bursts * (focus_pause_ms + tap_pause_ms) + taps * tap_pause_ms) / 1000.0 +
           seconds(settle_pause).count();
}

// A real click of the first mouse button where the pointer is, sent by this process itself, so
// that no program start is timed with the tool.
void click_here()
{
    Display* display = XOpenDisplay(nullptr);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XCloseDisplay(display);
}

// What a whole capture took: its time from the click to the second file, and the tool's memory
// before the click and at its peak.
struct capture_run {
    double seconds;
    long idle_kb, peak_kb;
};

// The real program, clicked like a person would, against the stand-in at `size_index`, its Size
// slider at `asked_index`.
capture_run run_whole_capture(const std::string& folder, int size_index, int asked_index,
                              int frame_ms = 0)
{
    child_process game = start_process({STANDIN_PROGRAM, "--size", std::to_string(size_index + 1),
                                        "--draw-cost", std::to_string(frame_ms)},
                                       folder);
    wait_for_window("^Heroes of Might and Magic III$", std::chrono::seconds(60));
    child_process tool = start_process({TILEQUILT_PROGRAM}, folder, "/dev/null");
    const std::string window = wait_for_window("^Tilequilt$", std::chrono::seconds(60));
    fs::remove(fs::path(folder) / result_grid_file_name);
    click_in_window(window, slider_x(size_place, size_range, asked_index + 1),
                    size_place.centre_y());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    capture_run run{0, status_kilobytes(tool.pid, "VmRSS"), 0};
    run_output("xdotool windowraise " + window + " mousemove --window " + window + " " +
               std::to_string(capture_place.centre_x()) + " " +
               std::to_string(capture_place.centre_y()));
    // From the click to the moment the second file is there, seen to the millisecond.
    const auto start = std::chrono::steady_clock::now();
    click_here();
    const auto deadline = start + std::chrono::seconds(1200);
    while (!fs::exists(fs::path(folder) / result_grid_file_name) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peak_kb = status_kilobytes(tool.pid, "VmHWM");
    stop_process(tool);
    stop_process(game);
    return run;
}

std::string map_called(int size_index)
{
    return "a map of " + std::to_string(map_tiles[size_index]) + " tiles a side";
}

// What the game itself takes for a capture of `size` when every tap costs a frame of `frame_ms`:
// a burst's taps are handled one after the other, so the next burst can only go out once the
// game is through them (and its focus pause has passed).
double game_frames_seconds(const map_size& size, int frame_ms)
{
    const auto burst = [&](int taps) {
        return focus_pause_ms + std::max(taps * static_cast<int>(tap_pause_ms) + static_cast<int>(tap_pause_ms),
                                         taps * frame_ms);
    };
    double ms = burst(2 * size.traverse_taps);
    for (const walk_stop& stop : map_walk(size))
        for (const auto& [dx, dy] : stop.bursts)
            ms += burst(std::abs(dx) + std::abs(dy));
    return ms / 1000.0;
}

// A whole capture of the stand-in at `size_index`, drawing a frame for every tap in `frame_ms`
// of processor time: at 40 ms against the pauses it asks for plus that frame time for every
// screen (a game slower than its keys holds each screen up by about a frame); slower than that,
// against what the game's own frames take.
void bench_slow_capture(const std::string& folder, int size_index, int frame_ms)
{
    const map_size& size = map_size_table[static_cast<size_t>(size_index)];
    const capture_run run = run_whole_capture(folder, size_index, size_index, frame_ms);
    const bool targeted = frame_ms <= 40;
    const double allowed = targeted ? requested_sleeps(size) + walk_screens(size) * frame_ms / 1000.0
                                    : game_frames_seconds(size, frame_ms);
    char share[80];
    std::snprintf(share, sizeof share, "%.2f s more (%.2f %%)", run.seconds - allowed,
                  100 * (run.seconds - allowed) / allowed);
    table_row("a whole capture of " + map_called(size_index) + ", the game drawing a frame in " +
                  std::to_string(frame_ms) + " ms",
              ratio(run.seconds) + " s",
              ratio(allowed) + (targeted ? " s of pauses and a frame a screen"
                                         : " s of the game's own frames and pauses"),
              share, targeted ? "at most 5 %" : "(none)");
}

void bench_whole_capture(const std::string& folder, int size_index)
{
    const map_size& size = map_size_table[static_cast<size_t>(size_index)];
    const capture_run run = run_whole_capture(folder, size_index, size_index);
    const double sleeps = requested_sleeps(size);
    char share[64];
    std::snprintf(share, sizeof share, "%.2f s of the tool's own (%.2f %%)", run.seconds - sleeps,
                  100 * (run.seconds - sleeps) / sleeps);
    table_row("a whole capture of " + map_called(size_index) +
                  " with the stand-in (click to result-grid.jpg)",
              ratio(run.seconds) + " s", ratio(sleeps) + " s of requested pauses", share,
              "at most 5 %");
    // The map's own bytes, and what the program holds besides (its libraries, the window, a
    // snapshot or two).
    const double map_bytes = 3.0 * size.map_pixels * size.map_pixels;
    const double budget = 1.15 * map_bytes + 40e6;
    const double peak = run.peak_kb * 1024.0;
    table_row("peak memory of a capture of " + map_called(size_index), megabytes(peak),
              megabytes(budget) + " (1.15 x the map's " + megabytes(map_bytes) + " + 40 MB)",
              ratio(peak / budget) + "x", "at most 1x");
}

// What a wrong Size costs: Size 1 for a medium map, and Size 3 for a small one, against the
// capture at the right Size.
void bench_wrong_size(const std::string& folder)
{
    for (const auto& [asked, real] : {std::pair{0, 1}, std::pair{2, 0}}) {
        const double right = run_whole_capture(folder, real, real).seconds;
        const double wrong = run_whole_capture(folder, real, asked).seconds;
        char cost[64];
        std::snprintf(cost, sizeof cost, "%.2f s more", wrong - right);
        table_row("Size " + std::to_string(asked + 1) + " for " + map_called(real) +
                      ": the map found and captured whole",
                  ratio(wrong) + " s", ratio(right) + " s at the right Size", cost,
                  "never a whole walk more");
    }
}

}  // namespace

// `tilequilt_bench slow` prints only the captures of a game slower than its keys.
int main(int argc, char** argv)
{
    const bool slow_only = argc > 1 && std::string(argv[1]) == "slow";
    private_display display;
    const std::string folder = make_temporary_folder("bench");
    fs::current_path(folder);

    std::printf("| what | ours | against | comparison | target |\n");
    std::printf("| --- | --- | --- | --- | --- |\n");
    if (slow_only) {
        for (const int frame_ms : {40, 100})
            for (int size_index = 0; size_index < offered_map_sizes; ++size_index)
                bench_slow_capture(folder, size_index, frame_ms);
        fs::current_path("/");
        fs::remove_all(folder);
        return 0;
    }
    const std::vector<image> screens = screens_of_large_capture();
    bench_merge(screens);
    bench_screen(folder);

    image canvas(3584, 3584, 1, 3, 0);
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j)
            place_view_tile(canvas, screens[static_cast<size_t>(i * 7 + j)], 512 * j, 512 * i);
    bench_jpeg(canvas);
    bench_compress();
    for (int size_index = 0; size_index < offered_map_sizes; ++size_index)
        bench_whole_capture(folder, size_index);
    bench_wrong_size(folder);
    for (const int frame_ms : {40, 100})
        for (int size_index = 0; size_index < offered_map_sizes; ++size_index)
            bench_slow_capture(folder, size_index, frame_ms);
    fs::current_path("/");
    fs::remove_all(folder);
    return 0;
}
