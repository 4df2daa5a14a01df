// The snapshot file, the same on every platform: the platform half takes the pixels; this
// writes them.
#include "bmp_file.h"
#include "game_window.h"

game_status write_snapshot_file(const client_snapshot& snapshot)
{
    if (snapshot.rows.size() != bmp_pixel_bytes(snapshot.width, snapshot.height))
        return game_status::file_failed;
    return write_bmp_file(snapshot_file_name, snapshot.width, snapshot.height, snapshot.rows.data())
               ? game_status::ok
               : game_status::file_failed;
}

game_status snapshot_client_area(game_window window)
{
    // Kept from one snapshot to the next, which spares allocating and touching 2 MB each time.
    static client_snapshot snapshot;
    const game_status status = take_client_snapshot(window, snapshot);
    return status == game_status::ok ? write_snapshot_file(snapshot) : status;
}
