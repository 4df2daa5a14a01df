#include "map_files.h"

#include "image_errors.h"
#include "image_files.h"
#include "safe_files.h"
#include "tile_grid.h"

#include <filesystem>
#include <system_error>

map_files start_map_files(int map_pixels)
{
    return {start_jpeg(map_pixels, map_pixels, 3, result_quality),
            start_jpeg(map_pixels, map_pixels, 3, result_quality), map_pixels};
}

void add_map_band(map_files& files, image& band, int first_row)
{
    add_jpeg_rows(*files.map, band);
    draw_tile_grid(band, files.map_pixels, first_row);
    add_jpeg_rows(*files.grid, band);
}

void write_map_files(map_files& files)
{
    for (const char* name : {result_file_name, result_grid_file_name}) {
        std::error_code error;
        if (std::filesystem::is_directory(name, error))
            throw image_error(image_failure::file,
                              std::string("Cannot replace '") + name + "': it is a folder.");
    }
    const jpeg_bytes map_bytes = finish_jpeg(*files.map);
    const jpeg_bytes grid_bytes = finish_jpeg(*files.grid);
    // Whatever fails, neither new file is left behind: each discards itself.
    pending_file map_file, grid_file;
    write_jpeg_bytes_pending(map_bytes, result_file_name, map_file);
    write_jpeg_bytes_pending(grid_bytes, result_grid_file_name, grid_file);
    commit_image_file(map_file);
    commit_image_file(grid_file);
}
