// Pixels as the X server delivers them, turned into the rows of the snapshot file. The format is
// data (bits per pixel, byte order, colour masks, bytes per line), so one conversion serves every
// true-colour visual; it needs no X connection and is tested on its own.
#pragma once

#include <cstddef>

struct pixel_format {
    int bits_per_pixel;     // 8, 16, 24 or 32
    bool most_significant_first;  // byte order of a pixel
    unsigned long red_mask, green_mask, blue_mask;
    int bytes_per_line;
};

// Converts a `width` x `height` image, top row first, into bottom-up rows of blue, green, red
// and a fourth byte (4 x width x height bytes at `rows`): the pixel's spare byte where the format
// already is the file's, else 0. Channels narrower than 8 bits are scaled to 0-255.
void convert_to_bitmap_rows(const unsigned char* data, const pixel_format& format, int width,
                            int height, unsigned char* rows);
