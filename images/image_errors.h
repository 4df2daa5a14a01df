// Errors met while reading, making or writing pictures: what failed, in plain words for the
// player. Inside the image files and the capture they are thrown; their public functions return them
// in their results, and the control window chooses how to show them.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

// What kind of work failed.
enum class image_failure {
    file,     // a file could not be read, decoded or written
    picture,  // a picture the work cannot take (empty, or larger than the format allows)
    memory,   // not enough memory for the pictures
    other,    // anything else that stopped the work
};

struct image_error : std::runtime_error {
    image_error(image_failure what_failed, const std::string& message)
        : std::runtime_error(message), what_failed(what_failed)
    {
    }
    image_failure what_failed;
};

// Runs `work` and returns the error that stopped it, if any: the tool's own, or one raised inside
// the image library, by the standard library, or by running out of memory.
std::optional<image_error> catch_image_error(const std::function<void()>& work);
