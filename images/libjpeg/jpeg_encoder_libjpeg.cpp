#include "jpeg_encoder.h"

#include "image_errors.h"
#include "jpeg_rules.h"
#include "libjpeg_glue.h"

#include <jerror.h>

#include <new>
#include <string>
#include <vector>

// The encoded file grows in a buffer of its own, given to the caller at the end. (libjpeg's
// memory destination loses track of its buffer when an error stops it.)
struct memory_destination {
    jpeg_destination_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to this
    unsigned char* buffer;
    unsigned long capacity;
    unsigned long size;
};

// An encoding under way; it stays where it was made, since libjpeg points into it. Whatever
// stops it, the deleter is the one place that frees it.
struct jpeg_encoding {
    jpeg_compress_struct info{};
    jpeg_failure failure;
    memory_destination destination{};
    std::vector<std::uint32_t> row;
    int channels = 3;
};

namespace {

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

// The libjpeg calls of an encoding, each in a function of its own that errors jump back to.
bool begin_compress(jpeg_encoding* encoding, int width, int height, int channels, int quality)
{
    if (setjmp(encoding->failure.jump))
        return false;
    jpeg_compress_struct* info = &encoding->info;
    jpeg_create_compress(info);
    memory_destination* destination = &encoding->destination;
    destination->manager.init_destination = start_buffer;
    destination->manager.empty_output_buffer = grow_buffer;
    destination->manager.term_destination = end_buffer;
    info->dest = &destination->manager;
    info->image_width = static_cast<JDIMENSION>(width);
    info->image_height = static_cast<JDIMENSION>(height);
    info->input_components = channels == 1 ? 1 : 4;
    info->in_color_space = channels == 1 ? JCS_GRAYSCALE : four_byte_rgb();
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    return true;
}

bool compress_rows(jpeg_encoding* encoding, const image* rows)
{
    if (setjmp(encoding->failure.jump))
        return false;
    JSAMPROW pointers[1] = {reinterpret_cast<JSAMPROW>(encoding->row.data())};
    for (int y = 0; y < rows->height(); ++y) {
        interleave_row(*rows, y, encoding->row.data());
        jpeg_write_scanlines(&encoding->info, pointers, 1);
    }
    return true;
}

bool end_compress(jpeg_encoding* encoding)
{
    if (setjmp(encoding->failure.jump))
        return false;
    jpeg_finish_compress(&encoding->info);
    return true;
}

[[noreturn]] void encoding_failed(const jpeg_encoding& encoding)
{
    throw image_error(image_failure::file, std::string("Cannot encode the picture as JPEG: ") +
                                               encoding.failure.message + ".");
}

[[noreturn]] void wrong_picture(const std::string& what)
{
    throw image_error(image_failure::picture, what);
}

}  // namespace

void jpeg_encoding_deleter::operator()(jpeg_encoding* encoding) const
{
    jpeg_destroy_compress(&encoding->info);
    std::free(encoding->destination.buffer);
    delete encoding;
}

jpeg_encoder start_jpeg(int width, int height, int channels, int quality)
{
    check_picture_to_encode(width, height, channels);
    jpeg_encoder encoding(new jpeg_encoding);
    encoding->info.err = prepare_jpeg_failure(encoding->failure);
    encoding->channels = channels;
    encoding->row.resize(static_cast<size_t>(width));
    // About a bit per pixel at the qualities used, so the buffer seldom grows.
    encoding->destination.capacity = static_cast<unsigned long>(width) * height / 4 + 4096;
    encoding->destination.buffer =
        static_cast<unsigned char*>(std::malloc(encoding->destination.capacity));
    if (!encoding->destination.buffer)
        throw std::bad_alloc();
    if (!begin_compress(encoding.get(), width, height, channels, quality))
        encoding_failed(*encoding);
    return encoding;
}

void add_jpeg_rows(jpeg_encoding& encoding, const image& rows)
{
    if (rows.width() != static_cast<int>(encoding.info.image_width) ||
        (rows.spectrum() == 1) != (encoding.channels == 1) ||
        encoding.info.next_scanline + rows.height() > encoding.info.image_height)
        wrong_picture("Rows of " + std::to_string(rows.width()) + " x " +
                      std::to_string(rows.height()) + " do not fit the JPEG picture being made.");
    if (!compress_rows(&encoding, &rows))
        encoding_failed(encoding);
}

jpeg_bytes finish_jpeg(jpeg_encoding& encoding)
{
    if (encoding.info.next_scanline != encoding.info.image_height)
        wrong_picture("The JPEG picture being made lacks rows.");
    if (!end_compress(&encoding))
        encoding_failed(encoding);
    jpeg_bytes result;
    result.data.reset(encoding.destination.buffer);
    result.size = encoding.destination.size;
    encoding.destination.buffer = nullptr;
    return result;
}
