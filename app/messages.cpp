#include "messages.h"

#include "map_capture.h"

#include <chrono>
#include <filesystem>

namespace {

std::string current_folder()
{
    std::error_code failed;
    return std::filesystem::current_path(failed).string();
}

// Why a capture did not start, when it sent no key; "" for other statuses.
std::string refusal(game_status status)
{
    switch (status) {
    case game_status::window_too_small:
        return "The game window is too small for a capture: its map view must show at least " +
               std::to_string(min_client_width) + " x " + std::to_string(min_client_height) +
               " pixels.\nGive the game its usual 800 x 600 window and try again. No key was sent.";
    case game_status::window_size_unfit:
        return "Tilequilt takes maps of the game shown at 800 x 600 so far.\nSet the game (or its "
               "resolution mod) to 800 x 600 in a window and try again. No key was sent.";
    case game_status::focus_refused:
        return "The capture did not start: the game did not get the keyboard within " +
               std::to_string(focus_wait.count()) +
               " seconds.\nClick into the game window when the tool asks for it, or try again.";
    case game_status::game_elevated:
        return "The capture did not start: the game runs as administrator, and Windows drops the "
               "keys of a program with fewer rights.\nStart Tilequilt the same way (right-click, "
               "Run as administrator) and try again. No key was sent.";
    default:
        return "";
    }
}

// Why a capture stopped after its keys began, up to the sentence that says no map was written;
// "" for other statuses.
std::string stop_before_the_map(game_status status)
{
    switch (status) {
    case game_status::window_gone:
        return "The capture stopped: the game window was closed or hidden.\n";
    case game_status::focus_lost:
        return "The capture stopped: another window took the keyboard.\n";
    case game_status::snapshot_failed:
        return "The capture stopped: no snapshot could be taken of the game window (it showed "
               "nothing of the game).\nIs the game minimised, or in full-screen mode? Give it a "
               "window and try again. ";
    case game_status::view_misplaced:
        return "The capture stopped: the game's map did not scroll as far as the keys asked "
               "(it missed a keystroke, or the map ends earlier than its size says).\n"
               "Check the Size setting and try again. ";
    case game_status::map_size_unchecked:
        return "The capture stopped: the map's size could not be checked (its edges show nothing "
               "but black, like unexplored land).\nGive its size and try again. ";
    case game_status::view_unsettled:
        return "The capture stopped: the game did not finish drawing its map view within " +
               std::to_string(settle_limit.count()) +
               " seconds of the keys.\nIs the computer very busy? Close other programs and try "
               "again. ";
    case game_status::control_dropped:
        return "The capture stopped: the desktop let go of the Ctrl key while the tool held it, "
               "so no more arrow keys were sent.\nKeep your hands off the keyboard and mouse "
               "during a capture and try again. ";
    default:
        return "";
    }
}

// The other ways a capture stops: where the desktop or the disk is what the player must see to.
std::string stop_for_the_desktop(game_status status)
{
    switch (status) {
    case game_status::keys_undelivered:
        return "The capture stopped: the desktop did not pass the keystrokes on to the game.\n"
               "If it asked whether to allow remote input, allow it and try again.";
    case game_status::interrupted:
        return "The capture was interrupted.";
    case game_status::window_covered:
        return "The capture stopped: another window lies over the game, and this desktop "
               "cannot take snapshots of covered windows.\nMove it away and try again.";
    case game_status::window_off_display:
        return "The capture stopped: part of the game window lies off the display, and this "
               "desktop cannot take a snapshot of it there.\nMove the game fully onto the display "
               "and try again.";
    case game_status::file_failed:
        return std::string("The capture stopped: the snapshot file ") + snapshot_file_name +
               " could not be written in the folder '" + current_folder() + "'.\nIs the disk full?";
    default:
        return "The capture stopped.";
    }
}

}  // namespace

std::string capture_stop_message(game_status status)
{
    if (status == game_status::ok)
        return "";
    if (std::string text = refusal(status); !text.empty())
        return text;
    // A map of another size is named in the line told before this message.
    const std::string text = stop_before_the_map(status);
    if (!text.empty() || status == game_status::map_size_differs ||
        status == game_status::map_size_unusual)
        return text + "No map was written; earlier pictures are unchanged.";
    return stop_for_the_desktop(status);
}

std::string map_size_name(int size_index)
{
    static const char* const names[] = {"a small map", "a medium map", "a large map",
                                        "an extra-large map"};
    const std::string tiles = std::to_string(map_tiles[size_index]) + " tiles a side";
    if (size_index < 4)
        return std::string(names[size_index]) + " (" + tiles + ")";
    return "a map of " + tiles;
}

std::string map_size_line(int asked_size_index, int map_size_index)
{
    return std::string("capture: this map is ") +
           (map_size_index > asked_size_index ? "larger" : "smaller") + " than Size " +
           std::to_string(asked_size_index + 1) + " says: it is " + map_size_name(map_size_index) +
           "; set Size to " + std::to_string(map_size_index + 1) + " and capture again";
}

std::string resizing_line(int asked_size_index, int map_size_index)
{
    return "capture: this map is " + map_size_name(map_size_index) +
           (asked_size_index >= 0 ? ", not Size " + std::to_string(asked_size_index + 1) : "") +
           ": capturing it whole";
}

std::string resizing_title(int map_size_index)
{
    return std::string(window_title) + " - capturing " + map_size_name(map_size_index);
}

std::string unusual_size_line(int tiles)
{
    std::string sizes;
    for (size_t i = 0; i < map_size_table.size(); ++i)
        sizes += (i == 0 ? "" : i + 1 == map_size_table.size() ? " or " : ", ") +
                 std::to_string(map_size_table[i].map_pixels / tile_pixels);
    const int largest = map_size_table.back().map_pixels / tile_pixels;
    return "capture: the view stops as if this map were " +
           (tiles > largest ? "over " + std::to_string(largest)
                            : "about " + std::to_string(tiles)) +
           " tiles a side, which is none of the sizes (" + sizes +
           " tiles a side): Tilequilt cannot capture it (if the game stopped scrolling, capture "
           "again)";
}

std::string window_size_line(int width, int height)
{
    return "capture: the game window shows " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels inside its frame, not 800 x 600";
}

std::string size_unchecked_line(int size_index)
{
    return "capture: the map's size could not be checked (its edge shows nothing but black, like "
           "unexplored land): it was taken as Size " +
           std::to_string(size_index + 1) + " says";
}

std::string progress_line(int screen, int screens, int seconds_left)
{
    return "capture: screen " + std::to_string(screen) + " of " + std::to_string(screens) + ", " +
           std::to_string(seconds_left) + " s left";
}

std::string progress_title(int screen, int screens)
{
    return std::string(window_title) + " - " + std::to_string(screen) + " of " +
           std::to_string(screens);
}

const char* image_error_title(image_failure what_failed)
{
    switch (what_failed) {
    case image_failure::file:
        return "CImgIOException";
    case image_failure::picture:
        return "CImgArgumentException";
    case image_failure::memory:
        return "CImgInstanceException";
    case image_failure::other:
        break;
    }
    return "CImgException";
}

const char* waiting_title(game_status status)
{
    static const std::string click = std::string(window_title) + " - click into the game";
    static const std::string allow = std::string(window_title) + " - allow the keystrokes";
    if (status == game_status::focus_refused)
        return click.c_str();
    if (status == game_status::keys_undelivered)
        return allow.c_str();
    return window_title;
}

std::string waiting_line(game_status status)
{
    if (status == game_status::keys_undelivered)
        return "capture: waiting for the desktop to allow the keystrokes (" +
               std::to_string(permission_wait.count()) + " s at most)";
    return "capture: click into the game window: this desktop gives it the keyboard only then (" +
           std::to_string(focus_wait.count()) + " s at most)";
}

std::string result_held_line(const std::string& file, const std::string& holder)
{
    return "capture: the map is done, but " + (holder.empty() ? "another program" : holder) +
           " holds '" + file + "' open, which keeps it from being replaced: close it there (a "
           "picture viewer showing it?); waiting for it";
}

std::string result_held_title(const std::string& file)
{
    return "Tilequilt - close the program showing " +
           std::filesystem::path(file).filename().string();
}

std::string folder_unfit_line(const std::string& folder, bool writable)
{
    if (!writable)
        return "The maps cannot be written into the folder '" + folder + "'.";
    return "The maps would go into '" + folder +
           "', a temporary folder that the system empties (is Tilequilt running from inside its "
           "zip file?).";
}

std::string pictures_question(const std::string& folder_unfit, const std::string& pictures)
{
    return folder_unfit + "\nWrite them into your Pictures folder '" + pictures + "' instead?";
}

std::string pictures_hint(const std::string& pictures)
{
    return "Start it with --in-pictures to write them into '" + pictures +
           "', or in a folder of your own.";
}
