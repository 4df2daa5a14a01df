#include "x11_pixels.h"

#include <cstring>

namespace {

// Where a colour channel lies in a pixel value and how wide it is.
struct channel_bits {
    unsigned shift = 0;
    unsigned width = 0;
};

channel_bits bits_of(unsigned long mask)
{
    channel_bits bits;
    if (!mask)
        return bits;
    while (!(mask & 1)) {
        mask >>= 1;
        ++bits.shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++bits.width;
    }
    return bits;
}

unsigned char channel_value(unsigned long pixel, channel_bits bits)
{
    if (!bits.width)
        return 0;
    const unsigned long value = (pixel >> bits.shift) & ((1UL << bits.width) - 1);
    if (bits.width >= 8)
        return static_cast<unsigned char>(value >> (bits.width - 8));
    return static_cast<unsigned char>(value * 255 / ((1UL << bits.width) - 1));
}

unsigned long pixel_at(const unsigned char* at, int bytes, bool most_significant_first)
{
    unsigned long value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = most_significant_first ? 8 * (bytes - 1 - i) : 8 * i;
        value |= static_cast<unsigned long>(at[i]) << shift;
    }
    return value;
}

}  // namespace

void convert_to_bitmap_rows(const unsigned char* data, const pixel_format& format, int width,
                            int height, unsigned char* rows)
{
    const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
    // The usual 24-bit visual already holds blue, green, red and a spare byte in file order.
    if (format.bits_per_pixel == 32 && !format.most_significant_first &&
        format.red_mask == 0xFF0000 && format.green_mask == 0xFF00 && format.blue_mask == 0xFF) {
        for (int y = 0; y < height; ++y) {
            unsigned char* out = rows + static_cast<std::size_t>(height - 1 - y) * row_bytes;
            std::memcpy(out, data + static_cast<std::size_t>(y) * format.bytes_per_line,
                        row_bytes);
        }
        return;
    }
    const channel_bits red = bits_of(format.red_mask);
    const channel_bits green = bits_of(format.green_mask);
    const channel_bits blue = bits_of(format.blue_mask);
    const int bytes = format.bits_per_pixel / 8;
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = data + static_cast<std::size_t>(y) * format.bytes_per_line;
        unsigned char* out = rows + static_cast<std::size_t>(height - 1 - y) * row_bytes;
        for (int x = 0; x < width; ++x, in += bytes, out += 4) {
            const unsigned long pixel = pixel_at(in, bytes, format.most_significant_first);
            out[0] = channel_value(pixel, blue);
            out[1] = channel_value(pixel, green);
            out[2] = channel_value(pixel, red);
            out[3] = 0;
        }
    }
}
