#include "image_errors.h"

#include "cimg.h"

#include <new>

using cimg_library::CImgArgumentException;
using cimg_library::CImgException;
using cimg_library::CImgInstanceException;
using cimg_library::CImgIOException;

std::optional<image_error> catch_image_error(const std::function<void()>& work)
{
    try {
        work();
    } catch (const CImgIOException& e) {
        return image_error{"CImgIOException", e.what()};
    } catch (const CImgArgumentException& e) {
        return image_error{"CImgArgumentException", e.what()};
    } catch (const CImgInstanceException& e) {
        return image_error{"CImgInstanceException", e.what()};
    } catch (const CImgException& e) {
        return image_error{"CImgException", e.what()};
    } catch (const std::bad_alloc&) {
        return image_error{"std::bad_alloc", "Not enough memory for the pictures."};
    } catch (const std::exception& e) {
        return image_error{"std::exception", e.what()};
    }
    return std::nullopt;
}
