#include "jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

using cimg_library::CImgArgumentException;
using cimg_library::CImgIOException;

namespace {

// The largest side libjpeg can encode.
constexpr int jpeg_largest_side = 65500;

// libjpeg's errors and warnings jump back to the function that started the work. Those
// functions keep nothing with a destructor in their frame, so the jump skips no clean-up.
struct jpeg_failure {
    jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to this
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void fail(j_common_ptr info)
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

void prepare_failure(jpeg_failure& failure)
{
    jpeg_std_error(&failure.manager);
    failure.manager.error_exit = fail;
    failure.manager.emit_message = on_message;
    failure.message[0] = '\0';
}

// The encoded file grows in a buffer of its own, given to the caller at the end. (libjpeg's
// memory destination loses track of its buffer when an error stops it.)
struct memory_destination {
    jpeg_destination_mgr manager;  // first, as above
    unsigned char* buffer;
    unsigned long capacity;
    unsigned long size;
};

void start_buffer(j_compress_ptr info)
{
    memory_destination* destination = reinterpret_cast<memory_destination*>(info->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = destination->capacity;
}

boolean grow_buffer(j_compress_ptr info)
{
    memory_destination* destination = reinterpret_cast<memory_destination*>(info->dest);
    const unsigned long capacity = destination->capacity * 2;
    void* grown = std::realloc(destination->buffer, capacity);
    if (!grown) {
        info->err->msg_code = JERR_OUT_OF_MEMORY;
        (*info->err->error_exit)(reinterpret_cast<j_common_ptr>(info));
    }
    destination->buffer = static_cast<unsigned char*>(grown);
    destination->manager.next_output_byte = destination->buffer + destination->capacity;
    destination->manager.free_in_buffer = capacity - destination->capacity;
    destination->capacity = capacity;
    return TRUE;
}

void end_buffer(j_compress_ptr info)
{
    memory_destination* destination = reinterpret_cast<memory_destination*>(info->dest);
    destination->size = destination->capacity - destination->manager.free_in_buffer;
}

// Interleaves row `y` of a planar picture into `row`.
void interleave_row(const image& picture, int y, unsigned char* row)
{
    const int width = picture.width();
    if (picture.spectrum() == 1) {
        const unsigned char* grey = picture.data(0, y, 0, 0);
        for (int x = 0; x < width; ++x)
            row[x] = grey[x];
        return;
    }
    const unsigned char* red = picture.data(0, y, 0, 0);
    const unsigned char* green = picture.data(0, y, 0, 1);
    const unsigned char* blue = picture.data(0, y, 0, 2);
    for (int x = 0; x < width; ++x) {
        row[3 * x] = red[x];
        row[3 * x + 1] = green[x];
        row[3 * x + 2] = blue[x];
    }
}

bool compress_picture(jpeg_compress_struct* info, jpeg_failure* failure, const image* picture,
                      int quality, unsigned char* row, memory_destination* destination)
{
    if (setjmp(failure->jump))
        return false;
    jpeg_create_compress(info);
    destination->manager.init_destination = start_buffer;
    destination->manager.empty_output_buffer = grow_buffer;
    destination->manager.term_destination = end_buffer;
    info->dest = &destination->manager;
    info->image_width = static_cast<JDIMENSION>(picture->width());
    info->image_height = static_cast<JDIMENSION>(picture->height());
    info->input_components = picture->spectrum() == 1 ? 1 : 3;
    info->in_color_space = picture->spectrum() == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    JSAMPROW rows[1] = {row};
    while (info->next_scanline < info->image_height) {
        interleave_row(*picture, static_cast<int>(info->next_scanline), row);
        jpeg_write_scanlines(info, rows, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

struct jpeg_header {
    int width = 0, height = 0;
    J_COLOR_SPACE colour_space = JCS_UNKNOWN;
};

bool read_header(jpeg_decompress_struct* info, jpeg_failure* failure,
                 const std::vector<unsigned char>* bytes, jpeg_header* header)
{
    if (setjmp(failure->jump))
        return false;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes->data(), static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(info, TRUE);
    header->width = static_cast<int>(info->image_width);
    header->height = static_cast<int>(info->image_height);
    header->colour_space = info->jpeg_color_space;
    return true;
}

bool decompress_picture(jpeg_decompress_struct* info, jpeg_failure* failure, image* picture,
                        unsigned char* row)
{
    if (setjmp(failure->jump))
        return false;
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    const int width = picture->width();
    JSAMPROW rows[1] = {row};
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        jpeg_read_scanlines(info, rows, 1);
        unsigned char* red = picture->data(0, y, 0, 0);
        unsigned char* green = picture->data(0, y, 0, 1);
        unsigned char* blue = picture->data(0, y, 0, 2);
        for (int x = 0; x < width; ++x) {
            red[x] = row[3 * x];
            green[x] = row[3 * x + 1];
            blue[x] = row[3 * x + 2];
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

jpeg_bytes encode_jpeg(const image& picture, int quality)
{
    if (picture.is_empty() || picture.width() > jpeg_largest_side ||
        picture.height() > jpeg_largest_side || (picture.spectrum() != 1 && picture.spectrum() < 3))
        throw CImgArgumentException("Cannot save a %d x %d picture of %d channels as JPEG.",
                                    picture.width(), picture.height(), picture.spectrum());
    std::vector<unsigned char> row(static_cast<size_t>(picture.width()) * 3);
    jpeg_compress_struct info{};
    jpeg_failure failure;
    prepare_failure(failure);
    info.err = &failure.manager;
    // About a bit per pixel at the qualities used, so the buffer seldom grows.
    memory_destination destination{};
    destination.capacity = static_cast<unsigned long>(picture.width()) * picture.height() / 4 + 4096;
    destination.buffer = static_cast<unsigned char*>(std::malloc(destination.capacity));
    if (!destination.buffer)
        throw std::bad_alloc();
    const bool done = compress_picture(&info, &failure, &picture, quality, row.data(), &destination);
    jpeg_destroy_compress(&info);
    jpeg_bytes result;
    result.data.reset(destination.buffer);
    result.size = destination.size;
    if (!done)
        throw CImgIOException("Cannot encode the picture as JPEG: %s.", failure.message);
    return result;
}

image decode_jpeg(const std::vector<unsigned char>& bytes, const std::string& file_name)
{
    jpeg_decompress_struct info{};
    jpeg_failure failure;
    prepare_failure(failure);
    info.err = &failure.manager;
    jpeg_header header;
    if (!read_header(&info, &failure, &bytes, &header)) {
        jpeg_destroy_decompress(&info);
        throw CImgIOException("'%s' is not a readable JPEG file: %s.", file_name.c_str(),
                              failure.message);
    }
    if (header.width > jpeg_max_side || header.height > jpeg_max_side ||
        static_cast<long long>(header.width) * header.height > jpeg_max_pixels) {
        jpeg_destroy_decompress(&info);
        throw CImgIOException("'%s' claims to be %d x %d pixels, far larger than any map: it is "
                              "not read.", file_name.c_str(), header.width, header.height);
    }
    if (header.colour_space == JCS_CMYK || header.colour_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        throw CImgIOException("'%s' is a CMYK JPEG file, which is not read.", file_name.c_str());
    }
    image picture;
    std::vector<unsigned char> row;
    try {
        picture.assign(header.width, header.height, 1, 3);
        row.resize(3u * static_cast<unsigned>(header.width));
    } catch (...) {
        jpeg_destroy_decompress(&info);
        throw;
    }
    const bool done = decompress_picture(&info, &failure, &picture, row.data());
    jpeg_destroy_decompress(&info);
    if (!done)
        throw CImgIOException("'%s' is not a readable JPEG file: %s.", file_name.c_str(),
                              failure.message);
    return picture;
}
