// Prints where the control window puts what a script clicks, as shell assignments, so that
// scripts/demo clicks where the window is built and copies no number.
#include "fltk_window.h"

#include <cstdio>

int main()
{
    std::printf("size_low_x=%d\nsize_high_x=%d\nsize_y=%d\n", slider_low_x(size_place),
                slider_high_x(size_place), size_place.centre_y());
    std::printf("capture_x=%d\ncapture_y=%d\n", capture_place.centre_x(), capture_place.centre_y());
    std::printf("compress_x=%d\ncompress_y=%d\n", compress_place.centre_x(),
                compress_place.centre_y());
    return 0;
}
