// Errors of the image library as the control window shows them.
#pragma once

#include <functional>
#include <optional>
#include <string>

// An error raised while working on images, as the user is shown it.
struct image_error {
    std::string type;     // the exception's type, e.g. "CImgIOException"
    std::string message;  // the library's message
};

// Runs `action`, catching the image library's exceptions, running out of memory and other
// standard exceptions. Returns the error that stopped it, if any.
std::optional<image_error> run_image_action(const std::function<void()>& action);
