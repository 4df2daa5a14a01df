// What the JPEG encoder and decoder share of libjpeg: errors that jump back to the caller
// instead of ending the process, and rows handed over as 4-byte pixels.
#pragma once

#include "cimg.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

// libjpeg's errors, and its warnings of corrupt or cut-short data (where it would fill in grey),
// jump back to the `setjmp` of the function that started the work, with libjpeg's words in
// `message`. Functions that call setjmp keep nothing with a destructor in their frame, so the
// jump skips no clean-up.
struct jpeg_failure {
    jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to this
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Sets `failure` up; returns the error manager to give libjpeg as `info.err`.
jpeg_error_mgr* prepare_jpeg_failure(jpeg_failure& failure);

// Rows go to and from libjpeg as 4-byte pixels (red, green, blue and a spare byte), which the
// conversions below fill and read a whole pixel at a time, and which libjpeg converts as fast as
// 3-byte ones. The colour space that names those bytes on this machine:
J_COLOR_SPACE four_byte_rgb();

// Row `y` of a planar picture as 4-byte pixels (or as grey bytes, for one channel).
void interleave_row(const image& picture, int y, std::uint32_t* row);

// One row of 4-byte pixels spread over the three planes of row `y`.
void deinterleave_row(const std::uint32_t* row, image& picture, int y);
