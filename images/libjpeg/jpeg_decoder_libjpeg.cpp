#include "jpeg_decoder.h"

#include "image_errors.h"
#include "jpeg_rules.h"
#include "libjpeg_glue.h"

#include <memory>

namespace {

// A reading under way. Whatever stops it, the deleter is the one place that frees libjpeg's part.
struct jpeg_reading {
    jpeg_decompress_struct info{};
    jpeg_failure failure;
    std::string file_name;
};

struct jpeg_reading_deleter {
    void operator()(jpeg_reading* reading) const
    {
        jpeg_destroy_decompress(&reading->info);
        delete reading;
    }
};

using jpeg_reader = std::unique_ptr<jpeg_reading, jpeg_reading_deleter>;

[[noreturn]] void refuse(const jpeg_reading& reading, const std::string& why)
{
    throw image_error(image_failure::file, "'" + reading.file_name + "' " + why);
}

[[noreturn]] void unreadable(const jpeg_reading& reading)
{
    refuse(reading, std::string("is not a readable JPEG file: ") + reading.failure.message + ".");
}

// The libjpeg calls, each in a function of its own that errors jump back to.
bool read_header(jpeg_reading* reading, const std::vector<unsigned char>* bytes)
{
    if (setjmp(reading->failure.jump))
        return false;
    jpeg_create_decompress(&reading->info);
    jpeg_mem_src(&reading->info, bytes->data(), static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(&reading->info, TRUE);
    return true;
}

bool decompress_rows(jpeg_reading* reading, image* picture, const std::vector<int>* rows,
                     std::uint32_t* row)
{
    if (setjmp(reading->failure.jump))
        return false;
    jpeg_decompress_struct* info = &reading->info;
    info->out_color_space = four_byte_rgb();
    jpeg_start_decompress(info);
    JSAMPROW pointers[1] = {reinterpret_cast<JSAMPROW>(row)};
    size_t next = 0;  // the next row of the picture to fill
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        jpeg_read_scanlines(info, pointers, 1);
        for (; next < rows->size() && (*rows)[next] == y; ++next)
            deinterleave_row(row, *picture, static_cast<int>(next));
    }
    jpeg_finish_decompress(info);
    return true;
}

jpeg_reader open_jpeg(const std::vector<unsigned char>& bytes, const std::string& file_name)
{
    jpeg_reader reading(new jpeg_reading);
    reading->file_name = file_name;
    reading->info.err = prepare_jpeg_failure(reading->failure);
    if (!read_header(reading.get(), &bytes))
        unreadable(*reading);
    return reading;
}

}  // namespace

image decode_jpeg_rows(const std::vector<unsigned char>& bytes, const std::string& file_name,
                       const std::vector<int>& rows)
{
    check_jpeg_to_decode(bytes, file_name, rows);
    const jpeg_reader reading = open_jpeg(bytes, file_name);
    const int width = static_cast<int>(reading->info.image_width);
    image picture(width, static_cast<int>(rows.size()), 1, 3);
    std::vector<std::uint32_t> row(static_cast<size_t>(width));
    if (!decompress_rows(reading.get(), &picture, &rows, row.data()))
        unreadable(*reading);
    return picture;
}
