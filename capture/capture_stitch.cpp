// The map stitched so far: the canvas set up, a screen checked against it and placed in it,
// and its final rows handed on band by band.
#include "capture_stitch.h"

#include <algorithm>

void prepare_capture(scan& run)
{
    stitched_map& map = run.map;
    snapshots& taken = run.taken;
    if (map.canvas.is_empty())
        map.canvas.assign(canvas_pixels(map.size), canvas_pixels(map.size), 1, 3, 0);
    if (!taken.latest.rows.empty())
        return;
    const capture_driver& driver = run.driver;
    const auto since = driver.now();
    game_status status = driver.take_client_snapshot(run.window, taken.latest);
    while (status == game_status::snapshot_failed && driver.now() - since < blank_patience) {
        if (run.observer.idle)
            run.observer.idle();
        driver.sleep_until(driver.now() + retake_pause);
        status = driver.take_client_snapshot(run.window, taken.latest);
    }
    if (status == game_status::snapshot_failed)
        stop_scan({status});
    if (status != game_status::ok)
        return;
    taken.retaken = taken.latest;
    // Where the map lies in a window of another size is not known: no key goes to it.
    if (taken.latest.width != game_client_width || taken.latest.height != game_client_height) {
        scan_outcome unfit{game_status::window_size_unfit};
        unfit.window_width = taken.latest.width;
        unfit.window_height = taken.latest.height;
        stop_scan(unfit);
    }
}

namespace {

image view_tile_of(const image& snapshot_image)
{
    return snapshot_image.get_crop(view_tile_left, view_tile_top, view_tile_left + view_tile_pixels - 1,
                             view_tile_top + view_tile_pixels - 1);
}

// Whether a screen's view tile is the one placed last, to the pixel, though the keys moved the
// view by at least a tap: the game has not drawn the new view (yet). A tile without land that
// tells where it lies (unexplored land, what the game draws beyond the map's edge, repeating
// every two taps) looks the same elsewhere and tells nothing.
bool same_as_last(const stitched_map& map, const image& snapshot_image)
{
    return !map.last_tile.is_empty() && view_tile_of(snapshot_image) == map.last_tile &&
           shows_features(snapshot_image);
}

}  // namespace

standing placement_of(const stitched_map& map, const waiting_stop& waiting,
                      const image& snapshot_image)
{
    if (waiting.stop.kind == stop_kind::look)
        return standing::unproved;
    if (same_as_last(map, snapshot_image))
        return standing::elsewhere;
    return check_placement(map.canvas, snapshot_image, waiting.left_px, waiting.top_px, map.area,
                           map.map);
}

void place_screen(stitched_map& map, const waiting_stop& waiting, const image& snapshot_image)
{
    map.last_tile = view_tile_of(snapshot_image);
    place_view_tile(map.canvas, snapshot_image, waiting.left_px, waiting.top_px, map.area);
    map.area.add_tile(waiting.left_px, view_tile_pixels);
    if (waiting.stop.last_in_row)
        map.rows_final = std::clamp(map.area.row_end - map.origin, 0, map.size.map_pixels);
}

// Rows a band holds: two JPEG blocks' worth, a millisecond or two of work.
constexpr int band_rows = 16;

bool hand_on_band(stitched_map& map, const map_rows_sink& sink)
{
    if (map.rows_handed_on >= map.rows_final)
        return false;
    const int first = map.rows_handed_on;
    const int last = std::min(first + band_rows, map.rows_final) - 1;
    image band = map.canvas.get_crop(map.origin, map.origin + first,
                                     map.origin + map.size.map_pixels - 1, map.origin + last);
    map.rows_handed_on = last + 1;
    sink(band, first);
    return map.rows_handed_on < map.rows_final;
}
