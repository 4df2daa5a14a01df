// JPEG files made and read in memory through the Windows Imaging Component, part of every
// Windows: the same functions, rules and errors as the libjpeg codec of the other platforms.
#include "image_errors.h"
#include "jpeg_decoder.h"
#include "jpeg_encoder.h"
#include "jpeg_rules.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <cstring>

namespace {

// Owns one COM interface pointer: every one is released here, and only here.
template <typename T>
struct com_ptr {
    T* p = nullptr;
    com_ptr() = default;
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    ~com_ptr()
    {
        if (p)
            p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

std::string hresult_text(HRESULT result)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

[[noreturn]] void encoding_failed(HRESULT result)
{
    throw image_error(image_failure::file, "Cannot encode the picture as JPEG: the Windows Imaging "
                                           "Component failed (" + hresult_text(result) + ").");
}

// The imaging factory, made once for the process.
IWICImagingFactory* imaging_factory()
{
    static IWICImagingFactory* factory = [] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IWICImagingFactory* made = nullptr;
        const HRESULT result =
            CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IWICImagingFactory, reinterpret_cast<void**>(&made));
        return SUCCEEDED(result) ? made : nullptr;
    }();
    if (!factory)
        throw image_error(image_failure::other, "The Windows Imaging Component is not available.");
    return factory;
}

}  // namespace

struct jpeg_encoding {
    com_ptr<IStream> stream;
    com_ptr<IWICBitmapEncoder> encoder;
    com_ptr<IWICBitmapFrameEncode> frame;
    int width = 0, height = 0, channels = 3;
    int rows_added = 0;
    std::vector<unsigned char> rows;  // blue, green, red (or grey) bytes, row after row
};

void jpeg_encoding_deleter::operator()(jpeg_encoding* encoding) const
{
    delete encoding;
}

jpeg_encoder start_jpeg(int width, int height, int channels, int quality)
{
    check_picture_to_encode(width, height, channels);
    jpeg_encoder encoding(new jpeg_encoding);
    encoding->width = width;
    encoding->height = height;
    encoding->channels = channels == 1 ? 1 : 3;
    IWICImagingFactory* factory = imaging_factory();
    HRESULT result = CreateStreamOnHGlobal(nullptr, TRUE, encoding->stream.out());
    if (SUCCEEDED(result))
        result = factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoding->encoder.out());
    if (SUCCEEDED(result))
        result = encoding->encoder->Initialize(encoding->stream.p, WICBitmapEncoderNoCache);
    com_ptr<IPropertyBag2> options;
    if (SUCCEEDED(result))
        result = encoding->encoder->CreateNewFrame(encoding->frame.out(), options.out());
    if (SUCCEEDED(result)) {
        PROPBAG2 option{};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = static_cast<float>(quality) / 100.0f;
        result = options->Write(1, &option, &value);
    }
    if (SUCCEEDED(result))
        result = encoding->frame->Initialize(options.p);
    if (SUCCEEDED(result))
        result = encoding->frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
    WICPixelFormatGUID format =
        encoding->channels == 1 ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR;
    const WICPixelFormatGUID wanted = format;
    if (SUCCEEDED(result))
        result = encoding->frame->SetPixelFormat(&format);
    if (SUCCEEDED(result) && !IsEqualGUID(format, wanted))
        result = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    if (FAILED(result))
        encoding_failed(result);
    return encoding;
}

void add_jpeg_rows(jpeg_encoding& encoding, const image& rows)
{
    if (rows.width() != encoding.width || (rows.spectrum() == 1) != (encoding.channels == 1) ||
        encoding.rows_added + rows.height() > encoding.height)
        throw image_error(image_failure::picture,
                          "Rows of " + std::to_string(rows.width()) + " x " +
                              std::to_string(rows.height()) +
                              " do not fit the JPEG picture being made.");
    const int channels = encoding.channels;
    const size_t stride = static_cast<size_t>(encoding.width) * channels;
    encoding.rows.resize(stride * static_cast<size_t>(rows.height()));
    for (int y = 0; y < rows.height(); ++y) {
        unsigned char* out = &encoding.rows[stride * static_cast<size_t>(y)];
        for (int x = 0; x < rows.width(); ++x)
            for (int c = 0; c < channels; ++c)
                out[static_cast<size_t>(x) * channels + c] = rows(x, y, 0, channels == 1 ? 0 : 2 - c);
    }
    const HRESULT result = encoding.frame->WritePixels(
        static_cast<UINT>(rows.height()), static_cast<UINT>(stride),
        static_cast<UINT>(encoding.rows.size()), encoding.rows.data());
    if (FAILED(result))
        encoding_failed(result);
    encoding.rows_added += rows.height();
}

jpeg_bytes finish_jpeg(jpeg_encoding& encoding)
{
    if (encoding.rows_added != encoding.height)
        throw image_error(image_failure::picture, "The JPEG picture being made lacks rows.");
    HRESULT result = encoding.frame->Commit();
    if (SUCCEEDED(result))
        result = encoding.encoder->Commit();
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(result))
        result = GetHGlobalFromStream(encoding.stream.p, &memory);
    STATSTG status{};
    if (SUCCEEDED(result))
        result = encoding.stream->Stat(&status, STATFLAG_NONAME);
    if (FAILED(result))
        encoding_failed(result);
    jpeg_bytes bytes;
    bytes.size = static_cast<unsigned long>(status.cbSize.QuadPart);
    bytes.data.reset(static_cast<unsigned char*>(std::malloc(bytes.size ? bytes.size : 1)));
    if (!bytes.data)
        throw std::bad_alloc();
    const void* content = GlobalLock(memory);
    if (!content)
        encoding_failed(E_OUTOFMEMORY);
    std::memcpy(bytes.data.get(), content, bytes.size);
    GlobalUnlock(memory);
    return bytes;
}

namespace {

[[noreturn]] void unreadable(const std::string& file_name, HRESULT result)
{
    throw image_error(image_failure::file,
                      "'" + file_name + "' is not a readable JPEG file: the Windows Imaging "
                                        "Component refused it (" + hresult_text(result) + ").");
}

// A JPEG file's pixels, decoded whole, one byte a pixel (grey) or three (blue, green, red).
struct decoded_pixels {
    std::vector<unsigned char> bytes;
    UINT width = 0, height = 0;
    bool grey = false;
};

// The first frame of the JPEG file in `bytes`, as WIC decodes it; throws when WIC refuses it or
// its size is not the header's.
decoded_pixels decode_whole(const std::vector<unsigned char>& bytes, const std::string& file_name,
                            const jpeg_header& header)
{
    IWICImagingFactory* factory = imaging_factory();
    com_ptr<IWICStream> stream;
    com_ptr<IWICBitmapDecoder> decoder;
    com_ptr<IWICBitmapFrameDecode> frame;
    com_ptr<IWICBitmapSource> converted;
    decoded_pixels pixels;
    HRESULT result = factory->CreateStream(stream.out());
    if (SUCCEEDED(result))
        result = stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                              static_cast<DWORD>(bytes.size()));
    if (SUCCEEDED(result))
        result = factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                  decoder.out());
    if (SUCCEEDED(result))
        result = decoder->GetFrame(0, frame.out());
    if (SUCCEEDED(result))
        result = frame->GetSize(&pixels.width, &pixels.height);
    if (SUCCEEDED(result) && (static_cast<int>(pixels.width) != header.width ||
                              static_cast<int>(pixels.height) != header.height))
        result = WINCODEC_ERR_BADHEADER;
    // Grey pictures are copied as they are; colour ones as blue, green, red bytes.
    WICPixelFormatGUID format{};
    if (SUCCEEDED(result))
        result = frame->GetPixelFormat(&format);
    pixels.grey = SUCCEEDED(result) && IsEqualGUID(format, GUID_WICPixelFormat8bppGray);
    IWICBitmapSource* source = frame.p;
    if (SUCCEEDED(result) && !pixels.grey) {
        result = WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.p, converted.out());
        source = converted.p;
    }
    const UINT stride = pixels.width * (pixels.grey ? 1 : 3);
    if (SUCCEEDED(result)) {
        pixels.bytes.resize(static_cast<size_t>(stride) * pixels.height);
        result = source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.bytes.size()),
                                    pixels.bytes.data());
    }
    if (FAILED(result))
        unreadable(file_name, result);
    return pixels;
}

}  // namespace

image decode_jpeg_rows(const std::vector<unsigned char>& bytes, const std::string& file_name,
                       const std::vector<int>& rows)
{
    const jpeg_header header = check_jpeg_to_decode(bytes, file_name, rows);
    const decoded_pixels pixels = decode_whole(bytes, file_name, header);
    const size_t bytes_per_pixel = pixels.grey ? 1 : 3;
    const size_t stride = pixels.width * bytes_per_pixel;
    image picture(header.width, static_cast<int>(rows.size()), 1, 3);
    for (size_t i = 0; i < rows.size(); ++i) {
        const unsigned char* in = &pixels.bytes[stride * static_cast<size_t>(rows[i])];
        for (int x = 0; x < header.width; ++x)
            for (int c = 0; c < 3; ++c)
                picture(x, static_cast<int>(i), 0, c) =
                    in[static_cast<size_t>(x) * bytes_per_pixel + (pixels.grey ? 0 : 2 - c)];
    }
    return picture;
}
