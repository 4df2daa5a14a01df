#include "standin_session.h"

#include <fstream>
#include <sstream>

standin_session start_standin_game(const std::string& folder,
                                   const std::vector<std::string>& options)
{
    standin_session session;
    session.folder = folder;
    session.key_log = folder + "/standin-keys.log";
    session.state = folder + "/standin-state.txt";
    std::vector<std::string> argv{STANDIN_PROGRAM, "--key-log", session.key_log, "--state",
                                  session.state};
    argv.insert(argv.end(), options.begin(), options.end());
    session.process = start_process(argv, folder);
    session.window =
        wait_for_window("^Heroes of Might and Magic III$", std::chrono::seconds(20));
    return session;
}

view_position standin_view(const standin_session& session)
{
    std::istringstream in(read_text_file(session.state));
    std::string word;
    view_position view;
    in >> word >> view.x >> view.y;
    return word == "view" ? view : view_position{};
}

std::vector<logged_key> read_key_log(const std::string& file_name)
{
    std::vector<logged_key> keys;
    std::ifstream in(file_name);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        logged_key key;
        std::string action, ctrl;
        if (fields >> key.ms >> action >> key.key >> ctrl) {
            key.press = action == "press";
            key.ctrl = ctrl == "ctrl=1";
            keys.push_back(key);
        }
    }
    return keys;
}

std::vector<logged_burst> read_bursts(const std::string& file_name)
{
    std::vector<logged_burst> bursts;
    logged_burst* current = nullptr;
    for (const logged_key& key : read_key_log(file_name)) {
        if (key.key == "Control") {
            if (key.press) {
                bursts.emplace_back();
                current = &bursts.back();
                current->control_press_ms = key.ms;
            } else if (current) {
                current->control_release_ms = key.ms;
                current = nullptr;
            }
            continue;
        }
        if (!current) {
            bursts.emplace_back();  // an arrow outside any burst: a burst of its own, without Ctrl
            bursts.back().taps_with_ctrl = false;
            if (key.press)
                bursts.back().taps.push_back(key.key);
            continue;
        }
        current->taps_with_ctrl = current->taps_with_ctrl && key.ctrl;
        if (key.press)
            current->taps.push_back(key.key);
        else
            current->last_tap_ms = key.ms;
    }
    return bursts;
}

int logged_burst::dx() const
{
    int dx = 0;
    for (const std::string& tap : taps)
        dx += (tap == "Right") - (tap == "Left");
    return dx;
}

int logged_burst::dy() const
{
    int dy = 0;
    for (const std::string& tap : taps)
        dy += (tap == "Down") - (tap == "Up");
    return dy;
}

bool logged_burst::horizontal_first() const
{
    bool vertical_seen = false;
    for (const std::string& tap : taps) {
        const bool vertical = tap == "Up" || tap == "Down";
        if (!vertical && vertical_seen)
            return false;
        vertical_seen = vertical_seen || vertical;
    }
    return true;
}
