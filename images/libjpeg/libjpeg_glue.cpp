#include "libjpeg_glue.h"

#include <cstring>

namespace {

[[noreturn]] void fail(j_common_ptr info)
{
    jpeg_failure* failure = reinterpret_cast<jpeg_failure*>(info->err);
    (*info->err->format_message)(info, failure->message);
    std::longjmp(failure->jump, 1);
}

// Level -1 is a warning: the data is corrupt or ends early, and libjpeg would fill in grey.
void on_message(j_common_ptr info, int level)
{
    if (level < 0)
        fail(info);
}

bool little_endian()
{
    const std::uint32_t one = 1;
    return *reinterpret_cast<const unsigned char*>(&one) == 1;
}

}  // namespace

jpeg_error_mgr* prepare_jpeg_failure(jpeg_failure& failure)
{
    jpeg_std_error(&failure.manager);
    failure.manager.error_exit = fail;
    failure.manager.emit_message = on_message;
    failure.message[0] = '\0';
    return &failure.manager;
}

// On a big-endian machine the same bytes are the other way round in a word.
J_COLOR_SPACE four_byte_rgb()
{
    return little_endian() ? JCS_EXT_RGBX : JCS_EXT_XBGR;
}

// The row conversions live outside the functions that call setjmp, which compilers optimize with
// care.
[[gnu::noinline]] void interleave_row(const image& picture, int y, std::uint32_t* __restrict row)
{
    const int width = picture.width();
    if (picture.spectrum() == 1) {
        std::memcpy(row, picture.data(0, y, 0, 0), static_cast<size_t>(width));
        return;
    }
    const unsigned char* __restrict red = picture.data(0, y, 0, 0);
    const unsigned char* __restrict green = picture.data(0, y, 0, 1);
    const unsigned char* __restrict blue = picture.data(0, y, 0, 2);
    for (int x = 0; x < width; ++x)
        row[x] = static_cast<std::uint32_t>(red[x]) | static_cast<std::uint32_t>(green[x]) << 8 |
                 static_cast<std::uint32_t>(blue[x]) << 16;
}

[[gnu::noinline]] void deinterleave_row(const std::uint32_t* __restrict row, image& picture, int y)
{
    const int width = picture.width();
    unsigned char* __restrict red = picture.data(0, y, 0, 0);
    unsigned char* __restrict green = picture.data(0, y, 0, 1);
    unsigned char* __restrict blue = picture.data(0, y, 0, 2);
    for (int x = 0; x < width; ++x) {
        red[x] = static_cast<unsigned char>(row[x]);
        green[x] = static_cast<unsigned char>(row[x] >> 8);
        blue[x] = static_cast<unsigned char>(row[x] >> 16);
    }
}
