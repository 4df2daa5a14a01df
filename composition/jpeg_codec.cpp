#include "jpeg_codec.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

// On Windows, <windows.h> (which the image library includes) defines `boolean` as unsigned char,
// and libjpeg built for Windows uses that type too: jpeglib.h must not define its own.
#if defined(_WIN32) && !defined(HAVE_BOOLEAN)
#include <windows.h>
#define HAVE_BOOLEAN
#endif
#include <jpeglib.h>
#include <jerror.h>

using cimg_library::CImgArgumentException;
using cimg_library::CImgIOException;

// libjpeg's errors and warnings jump back to the function that started the work. Those
// functions keep nothing with a destructor in their frame, so the jump skips no clean-up.
struct jpeg_failure {
    jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to this
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// The encoded file grows in a buffer of its own, given to the caller at the end. (libjpeg's
// memory destination loses track of its buffer when an error stops it.)
struct memory_destination {
    jpeg_destination_mgr manager;  // first, as above
    unsigned char* buffer;
    unsigned long capacity;
    unsigned long size;
};

// An encoding under way; it stays where it was made, since libjpeg points into it.
struct jpeg_encoding {
    jpeg_compress_struct info{};
    jpeg_failure failure;
    memory_destination destination{};
    std::vector<std::uint32_t> row;
    int channels = 3;
};

namespace {

// The largest side libjpeg can encode.
constexpr int jpeg_largest_side = 65500;

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

// Rows go to and from libjpeg as 4-byte pixels (red, green, blue and a spare byte), which the
// conversions below fill and read a whole pixel at a time, and which libjpeg converts as fast as
// 3-byte ones. On a big-endian machine the same bytes are the other way round in a word.
bool little_endian()
{
    const std::uint32_t one = 1;
    return *reinterpret_cast<const unsigned char*>(&one) == 1;
}

J_COLOR_SPACE four_byte_rgb()
{
    return little_endian() ? JCS_EXT_RGBX : JCS_EXT_XBGR;
}

// The row conversions live outside the functions that call setjmp, which compilers optimize with
// care.

// Row `y` of a planar picture as 4-byte pixels (or as grey bytes).
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

// One row of 4-byte pixels spread over the three planes of row `y`.
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
    throw CImgIOException("Cannot encode the picture as JPEG: %s.", encoding.failure.message);
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
                        const std::vector<int>* kept_rows, std::uint32_t* row)
{
    if (setjmp(failure->jump))
        return false;
    info->out_color_space = four_byte_rgb();
    jpeg_start_decompress(info);
    JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(row)};
    size_t next = 0;  // the next row of the picture to fill
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        jpeg_read_scanlines(info, rows, 1);
        for (; next < kept_rows->size() && (*kept_rows)[next] == y; ++next)
            deinterleave_row(row, *picture, static_cast<int>(next));
    }
    jpeg_finish_decompress(info);
    return true;
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
    if (width <= 0 || height <= 0 || width > jpeg_largest_side || height > jpeg_largest_side ||
        (channels != 1 && channels < 3))
        throw CImgArgumentException("Cannot save a %d x %d picture of %d channels as JPEG.",
                                    width, height, channels);
    jpeg_encoder encoding(new jpeg_encoding);
    prepare_failure(encoding->failure);
    encoding->info.err = &encoding->failure.manager;
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
        throw CImgArgumentException("Rows of %d x %d do not fit the JPEG picture being made.",
                                    rows.width(), rows.height());
    if (!compress_rows(&encoding, &rows))
        encoding_failed(encoding);
}

jpeg_bytes finish_jpeg(jpeg_encoding& encoding)
{
    if (encoding.info.next_scanline != encoding.info.image_height)
        throw CImgArgumentException("The JPEG picture being made lacks rows.");
    if (!end_compress(&encoding))
        encoding_failed(encoding);
    jpeg_bytes result;
    result.data.reset(encoding.destination.buffer);
    result.size = encoding.destination.size;
    encoding.destination.buffer = nullptr;
    return result;
}

jpeg_bytes encode_jpeg(const image& picture, int quality)
{
    jpeg_encoder encoding = start_jpeg(picture.width(), picture.height(), picture.spectrum(), quality);
    add_jpeg_rows(*encoding, picture);
    return finish_jpeg(*encoding);
}

jpeg_size read_jpeg_size(const std::vector<unsigned char>& bytes, const std::string& file_name)
{
    jpeg_decompress_struct info{};
    jpeg_failure failure;
    prepare_failure(failure);
    info.err = &failure.manager;
    jpeg_header header;
    const bool read = read_header(&info, &failure, &bytes, &header);
    jpeg_destroy_decompress(&info);
    if (!read)
        throw CImgIOException("'%s' is not a readable JPEG file: %s.", file_name.c_str(),
                              failure.message);
    return {header.width, header.height};
}

image decode_jpeg(const std::vector<unsigned char>& bytes, const std::string& file_name,
                  int kept_height)
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
    std::vector<std::uint32_t> row;
    std::vector<int> kept_rows;
    try {
        // Row y of the picture is row y * height / kept_height of the file, as the nearest-
        // neighbour resize picks it.
        const int height = kept_height < 0 ? header.height : kept_height;
        for (int y = 0; y < height; ++y)
            kept_rows.push_back(static_cast<int>(static_cast<long long>(y) * header.height / height));
        picture.assign(header.width, height, 1, 3);
        row.resize(static_cast<unsigned>(header.width));
    } catch (...) {
        jpeg_destroy_decompress(&info);
        throw;
    }
    const bool done = decompress_picture(&info, &failure, &picture, &kept_rows, row.data());
    jpeg_destroy_decompress(&info);
    if (!done)
        throw CImgIOException("'%s' is not a readable JPEG file: %s.", file_name.c_str(),
                              failure.message);
    return picture;
}
