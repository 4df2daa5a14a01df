#include "actions.h"

#include "compress.h"
#include "control_window.h"
#include "game_window.h"
#include "image_errors.h"
#include "map_capture.h"

#include <FL/Fl_Hor_Value_Slider.H>
#include <FL/fl_ask.H>

#include <cstdio>
#include <cstdlib>

namespace {

// Test runs read what the tool told the user from this file; a person never sets it.
void log_for_tests(const char* kind, const std::string& text)
{
    const char* log_name = std::getenv("TILEQUILT_MESSAGE_LOG");
    if (!log_name || !*log_name)
        return;
    if (std::FILE* log = std::fopen(log_name, "a")) {
        std::fprintf(log, "%s: %s\n", kind, text.c_str());
        std::fclose(log);
    }
}

void show_message(const char* text)
{
    log_for_tests("message", text);
    fl_message_title("Tilequilt");
    fl_message("%s", text);
}

// The image library's own error window, as the tool shows it: the exception's type as the
// title, the library's message and a single "Abort" button.
void show_image_error(const image_error& error)
{
    log_for_tests(error.type.c_str(), error.message);
    fl_message_title(error.type.c_str());
    fl_choice("%s", "Abort", nullptr, nullptr, error.message.c_str());
}

void run_action(const std::function<void()>& action)
{
    if (const auto error = run_image_action(action))
        show_image_error(*error);
}

}  // namespace

void on_capture(Fl_Widget*, void*)
{
    const game_window window = find_game_window(game_window_title);
    if (!window) {
        show_message("h3 not found!");
        return;
    }
    const int size_index = size_index_from_slider(size_slider->value());
    run_action([&] { capture_map(window, size_index); });
}

void on_compress(Fl_Widget*, void*)
{
    const int quality = quality_from_slider(quality_slider->value());
    const float zoom = zoom_from_slider(zoom_slider->value());
    bool compressed = false;
    run_action([&] {
        compressed = compress_image(result_file_name, zoom, quality) &&
                     compress_image(result_grid_file_name, zoom, quality);
        if (!compressed)
            show_message("make sure to capture the h3 map first!");
    });
}
