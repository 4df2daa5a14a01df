#include "map_capture.h"

#include "capture_scan.h"
#include "image_files.h"
#include "safe_files.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {

void sleep_until_time(std::chrono::steady_clock::time_point moment)
{
    std::this_thread::sleep_until(moment);
}

}  // namespace

const capture_driver game_driver{scroll_map_view, take_client_snapshot, write_snapshot_file,
                                 std::chrono::steady_clock::now, sleep_until_time};

namespace {

// One scan of the map at `size`, its two files encoded band by band while it goes on and written
// only when it ended well: with its size proved, or at least hinted.
void scan_and_write(game_window window, const map_size& size, bool hinted,
                    const capture_driver& driver, const capture_observer& observer,
                    capture_result& result)
{
    map_files files = start_map_files(size.map_pixels);
    const scan_outcome scanned = scan_map(
        window, size, driver,
        [&](image& band, int first_row) { add_map_band(files, band, first_row); }, observer);
    if (scanned.error)
        throw *scanned.error;
    result.game = scanned.status;
    if (scanned.status == game_status::map_size_differs)
        result.map_size_index = scanned.map_size_index;
    result.map_tiles = scanned.x_taps ? 2 * *scanned.x_taps : 0;
    result.window_width = scanned.window_width;
    result.window_height = scanned.window_height;
    result.size_unchecked = scanned.size_unchecked;
    // A size seen nowhere cannot be taken without a hint.
    if (result.game == game_status::ok && result.size_unchecked && !hinted)
        result.game = game_status::map_size_unchecked;
    if (result.game == game_status::ok)
        write_map_files(files, [&](const std::string& file, const std::string& holder) {
            if (observer.result_held)
                observer.result_held(file, holder);
        });
}

}  // namespace

capture_result capture_map(game_window window, std::optional<int> size_hint,
                           const capture_driver& driver, const capture_observer& observer)
{
    capture_result result;
    // A capture takes many seconds of the game: find out first whether its results can be kept.
    if (!can_write_beside(result_file_name)) {
        result.error = image_error{
            image_failure::file,
            "Cannot write files into the folder '" +
                std::filesystem::path(full_name(result_file_name)).parent_path().string() + "'."};
        return result;
    }
    // Without a hint the walk of the largest size finds a smaller map's size in its first row.
    int size_index = size_hint.value_or(offered_map_sizes - 1);
    result.error = catch_image_error([&] {
        scan_and_write(window, map_size_table.at(static_cast<size_t>(size_index)),
                       size_hint.has_value(), driver, observer, result);
        // A map of another size is taken again at its own size, once.
        if (result.game == game_status::map_size_differs) {
            const int found = result.map_size_index;
            if (observer.resizing)
                observer.resizing(size_hint.value_or(-1), found);
            size_index = found;
            scan_and_write(window, map_size_table.at(static_cast<size_t>(size_index)), true,
                           driver, observer, result);
        }
    });
    if (result.game != game_status::map_size_differs)
        result.map_size_index = size_index;
    return result;
}
