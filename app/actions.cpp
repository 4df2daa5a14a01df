#include "actions.h"

#include "compress.h"
#include "control_window.h"
#include "game_window.h"
#include "map_capture.h"
#include "messages.h"

#include <FL/Fl.H>
#include <FL/Fl_Hor_Value_Slider.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Test runs read what the tool told the user from this file; a person never sets it.
void log_for_tests(const char* kind, const std::string& text)
{
    const char* log_name = std::getenv("TILEQUILT_MESSAGE_LOG");
    if (!log_name || !*log_name)
        return;
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    if (std::FILE* log = std::fopen(log_name, "a")) {
        std::fprintf(log, "%s: %s\n", kind, line.c_str());
        std::fclose(log);
    }
}

void show_message(const char* text)
{
    log_for_tests("message", text);
    fl_message_title("Tilequilt");
    fl_message("%s", text);
}

// An image error in a window like the image library's own: the library's name for such an error
// as the title, the message and a single "Abort" button.
void show_image_error(const std::optional<image_error>& error)
{
    if (!error)
        return;
    const char* title = image_error_title(error->what_failed);
    log_for_tests(title, error->what());
    fl_message_title(title);
    fl_choice("%s", "Abort", nullptr, nullptr, error->what());
}

// The capture runs without the event loop; the window's title is changed and sent out at once,
// which asks the player without taking the keyboard from the game.
void show_waiting(game_status why)
{
    log_for_tests("waiting", waiting_title(why));
    control_window->copy_label(waiting_title(why));
    Fl::flush();
}

void tell_recovery()
{
    std::puts(capture_recovered_line);
    std::fflush(stdout);
}

}  // namespace

void on_capture(Fl_Widget*, void*)
{
    const game_window window = find_game_window(game_window_title);
    if (!window) {
        show_message(game_not_found_message);
        return;
    }
    const int size_index = size_index_from_slider(size_slider->value());
    const capture_result result =
        capture_map(window, size_index, game_driver, show_waiting, tell_recovery);
    if (result.game != game_status::ok) {
        std::puts(capture_failed_line);
        std::fflush(stdout);
        show_message(capture_stop_message(result.game).c_str());
    }
    show_image_error(result.error);
}

void on_compress(Fl_Widget*, void*)
{
    const int quality = quality_from_slider(quality_slider->value());
    const float zoom = zoom_from_slider(zoom_slider->value());
    compress_result done = compress_image(result_file_name, zoom, quality);
    if (done.status == compress_status::written)
        done = compress_image(result_grid_file_name, zoom, quality);
    if (done.status == compress_status::missing)
        show_message(capture_first_message);
    show_image_error(done.error);
}
