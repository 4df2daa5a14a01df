// Errors met while reading, making or writing pictures, as the tool reports them: the image
// library's exception type and its message. Inside the composition such errors travel as the
// image library's exceptions; its public functions return them in their results.
#pragma once

#include <functional>
#include <optional>
#include <string>

struct image_error {
    std::string type;     // the exception's type, e.g. "CImgIOException"
    std::string message;  // what went wrong, for the user
};

// Runs `work`, catching the image library's exceptions, running out of memory and other standard
// exceptions. Returns the error that stopped it, if any.
std::optional<image_error> catch_image_error(const std::function<void()>& work);
