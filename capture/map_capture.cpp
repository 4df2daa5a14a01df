#include "map_capture.h"

#include "capture_scan.h"
#include "image_files.h"
#include "safe_files.h"

#include <algorithm>
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

capture_result capture_map(game_window window, int size_index, const capture_driver& driver,
                           const capture_observer& observer)
{
    capture_result result;
    const map_size& size = map_size_table.at(static_cast<size_t>(size_index));
    // A capture takes many seconds of the game: find out first whether its results can be kept.
    if (!can_write_beside(result_file_name)) {
        result.error = image_error{image_failure::file,
                                   std::string("Cannot write files into the folder of '") +
                                       result_file_name + "'."};
        return result;
    }
    result.error = catch_image_error([&] {
        // Both results are encoded band by band while the scan goes on.
        map_files files = start_map_files(size.map_pixels);
        const scan_outcome scanned = scan_map(
            window, size, driver,
            [&](image& band, int first_row) { add_map_band(files, band, first_row); }, observer);
        if (scanned.error)
            throw *scanned.error;
        result.game = scanned.status;
        result.map_size_index = scanned.map_size_index;
        result.map_tiles = scanned.x_taps ? 2 * *scanned.x_taps : 0;
        result.size_unchecked = scanned.size_unchecked;
        if (result.game == game_status::ok)
            write_map_files(files);
    });
    return result;
}
