#include "image_errors.h"

#include "cimg.h"

#include <new>

std::optional<image_error> catch_image_error(const std::function<void()>& work)
{
    try {
        work();
    } catch (const image_error& e) {
        return e;
    } catch (const cimg_library::CImgIOException& e) {
        return image_error{image_failure::file, e.what()};
    } catch (const cimg_library::CImgException& e) {
        return image_error{image_failure::picture, e.what()};
    } catch (const std::bad_alloc&) {
        return image_error{image_failure::memory, "Not enough memory for the pictures."};
    } catch (const std::exception& e) {
        return image_error{image_failure::other, e.what()};
    }
    return std::nullopt;
}
