#include "actions.h"

#include "compress.h"
#include "control_window.h"
#include "game_window.h"
#include "map_capture.h"
#include "messages.h"
#include "safe_files.h"
#include "user_folders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
    if (std::FILE* log = std::fopen(log_name, "ab")) {
        std::fprintf(log, "%s: %s\n", kind, line.c_str());
        std::fclose(log);
    }
}

// Whether the tool runs with its window; the command runs without, and says everything on the
// terminal alone.
bool with_window = true;

void show_title(const char* title)
{
    if (with_window)
        show_window_title(title);
}

void tell(const char* text)
{
    log_for_tests("message", text);
    if (with_window)
        show_message(text);
}

// An image error in a window like the image library's own: the library's name for such an error
// as the title, the message and a single "Abort" button; without the window, on the terminal.
void show_image_error(const std::optional<image_error>& error)
{
    if (!error)
        return;
    const char* title = image_error_title(error->what_failed);
    log_for_tests(title, error->what());
    if (with_window)
        show_error(title, error->what());
    else
        std::fprintf(stderr, "tilequilt: %s\n", error->what());
}

// The screen being taken: one line on a terminal, rewritten in place, and the window's
// title, which the taskbar shows while the game is in front.
bool progress_shown = false;

void show_progress(int screen, int screens, int seconds_left)
{
    show_title(progress_title(screen, screens).c_str());
    if (!output_is_terminal())
        return;
    std::printf("\r%-50s", progress_line(screen, screens, seconds_left).c_str());
    std::fflush(stdout);
    progress_shown = true;
}

void end_progress()
{
    show_title(window_title);
    if (progress_shown) {
        std::printf("\r%-50s\r", "");
        std::fflush(stdout);
    }
    progress_shown = false;
}

// One line on standard output; a progress line on a terminal gives way to it.
void print_line(const std::string& line)
{
    end_progress();
    std::puts(line.c_str());
    std::fflush(stdout);
}

// The capture runs without the event loop; the window's title is changed and shown at once,
// which asks the player without taking the keyboard from the game. The terminal says it too.
void show_waiting(game_status why)
{
    log_for_tests("waiting", waiting_title(why));
    if (why != game_status::ok)
        print_line(waiting_line(why));
    show_title(waiting_title(why));
}

// Why a capture stopped, on standard output (the reason in one line, then "capture fail!") and
// in the message.
void tell_stop(const std::string& first_line, game_status why)
{
    std::string reason = capture_stop_message(why);
    if (!first_line.empty()) {
        print_line(first_line);
        reason = first_line + ".\n" + reason;
    } else {
        std::string line = reason;
        std::replace(line.begin(), line.end(), '\n', ' ');
        print_line("capture: " + line);
    }
    print_line(capture_failed_line);
    tell(reason.c_str());
}

// The folder the results go to, checked before anything is sent to the game: one that cannot be
// written (Program Files), or that the system empties (a zip opened in place runs its programs in
// a temporary folder), is said, and in the window the player's Pictures folder is offered
// instead. True when the results have a folder to go to.
bool results_folder_ready()
{
    std::error_code failed;
    const std::string folder = std::filesystem::current_path(failed).string();
    const bool writable = can_write_beside(result_file_name);
    if (writable && (!with_window || !folder_is_temporary(folder)))
        return true;
    const std::string unfit = folder_unfit_line(folder, writable);
    const std::string pictures = pictures_folder();
    if (!with_window || pictures.empty()) {
        print_line("capture: " + unfit + (pictures.empty() ? "" : " " + pictures_hint(pictures)));
        print_line(capture_failed_line);
        tell(unfit.c_str());
        return false;
    }
    print_line("capture: " + unfit);
    log_for_tests("question", pictures_question(unfit, pictures));
    if (!ask_question(pictures_question(unfit, pictures).c_str())) {
        print_line(capture_failed_line);
        return false;
    }
    std::filesystem::current_path(pictures, failed);
    if (failed || !can_write_beside(result_file_name)) {
        print_line(capture_failed_line);
        tell(folder_unfit_line(pictures, false).c_str());
        return false;
    }
    print_line("capture: the maps go into '" + pictures + "'");
    return true;
}

// Looks for the game and captures its map, `size_hint` the size the player gave; tells the
// player everything there is to tell. True when the map was written.
bool capture_and_tell(std::optional<int> size_hint)
{
    show_title(capturing_title);
    if (!results_folder_ready()) {
        show_title(window_title);
        return false;
    }
    const game_window window = find_game_window(game_window_title);
    if (!window) {
        print_line(game_not_found_line);
        if (!with_window)
            print_line(capture_failed_line);
        tell(game_not_found_message);
        return false;
    }
    capture_observer observer;
    observer.waiting = show_waiting;
    observer.recovering = [] { print_line(capture_recovered_line); };
    observer.progress = show_progress;
    observer.idle = with_window ? answer_desktop : nullptr;
    observer.result_held = [](const std::string& file, const std::string& holder) {
        print_line(result_held_line(file, holder));
        show_title(result_held_title(file).c_str());
    };
    observer.resizing = [](int asked, int found) {
        print_line(resizing_line(asked, found));
        show_title(resizing_title(found).c_str());
    };
    if (with_window)
        set_controls_active(false);
    keep_console_running(true);
    const capture_result result = capture_map(window, size_hint, game_driver, observer);
    keep_console_running(false);
    end_progress();
    if (with_window)
        set_controls_active(true);
    if (result.game == game_status::map_size_differs)
        tell_stop(map_size_line(size_hint.value_or(-1), result.map_size_index), result.game);
    else if (result.game == game_status::map_size_unusual)
        tell_stop(unusual_size_line(result.map_tiles), result.game);
    else if (result.game == game_status::window_size_unfit)
        tell_stop(window_size_line(result.window_width, result.window_height), result.game);
    else if (result.game != game_status::ok)
        tell_stop("", result.game);
    else if (result.size_unchecked && !result.error) {
        print_line(size_unchecked_line(result.map_size_index));
        show_title(size_unchecked_title);
    }
    show_image_error(result.error);
    return result.game == game_status::ok && !result.error;
}

}  // namespace

void capture_action()
{
    capture_and_tell(size_index_from_slider(current_sliders().size));
}

int capture_command(std::optional<int> size_index)
{
    with_window = false;
    return capture_and_tell(size_index) ? 0 : 1;
}

void compress_action()
{
    show_title(compressing_title);
    const slider_settings sliders = current_sliders();
    const int quality = quality_from_slider(sliders.quality);
    const float zoom = zoom_from_slider(sliders.zoom);
    compress_result done = compress_image(result_file_name, zoom, quality);
    if (done.status == compress_status::written)
        done = compress_image(result_grid_file_name, zoom, quality);
    show_title(window_title);
    if (done.status == compress_status::missing)
        tell(capture_first_message);
    show_image_error(done.error);
}

int size_index_from_slider(double value)
{
    return static_cast<int>(value - 1.0);
}

int quality_from_slider(double value)
{
    return static_cast<int>(value);
}

float zoom_from_slider(double value)
{
    return static_cast<float>(value);
}
