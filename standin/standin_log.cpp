#include "standin_log.h"

#include "safe_files.h"

#include <chrono>
#include <fstream>
#include <sstream>

namespace {

const char* const key_names[] = {"Other", "Control", "Left", "Right", "Up", "Down", "Numpad"};

standin_key key_named(const std::string& name)
{
    for (int i = 0; i < 6; ++i)
        if (name == key_names[i])
            return static_cast<standin_key>(i);
    return standin_key::other;
}

std::string text_of(const std::string& file_name)
{
    std::ifstream in(file_name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

void log_key(std::FILE* log, long long milliseconds, standin_key key, bool pressed, bool ctrl)
{
    std::fprintf(log, "%lld %s %s ctrl=%d\n", milliseconds, pressed ? "press" : "release",
                 key_names[static_cast<int>(key)], ctrl ? 1 : 0);
    std::fflush(log);
}

std::vector<logged_key> read_key_log(const std::string& file_name)
{
    std::vector<logged_key> keys;
    std::istringstream lines(text_of(file_name));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        logged_key key;
        std::string action, name, ctrl;
        if (fields >> key.ms >> action >> name >> ctrl) {
            key.pressed = action == "press";
            key.key = key_named(name);
            key.ctrl = ctrl == "ctrl=1";
            keys.push_back(key);
        }
    }
    return keys;
}

std::vector<logged_burst> bursts_of(const std::vector<logged_key>& keys)
{
    std::vector<logged_burst> bursts;
    enum { outside, inside, stray } where = outside;
    bool vertical_seen = false;
    for (const logged_key& key : keys) {
        if (key.key == standin_key::control) {
            if (key.pressed) {
                bursts.emplace_back();
                bursts.back().control_press_ms = key.ms;
                where = inside;
                vertical_seen = false;
            } else if (where == inside) {
                bursts.back().released = true;
                bursts.back().control_release_ms = key.ms;
                where = outside;
            }
            continue;
        }
        if (where == outside) {
            bursts.emplace_back();
            bursts.back().taps_with_ctrl = false;
            where = stray;
            vertical_seen = false;
        }
        logged_burst& burst = bursts.back();
        burst.taps_with_ctrl = burst.taps_with_ctrl && key.ctrl;
        if (!key.pressed) {
            burst.last_tap_ms = key.ms;
            continue;
        }
        const bool vertical = key.key == standin_key::up || key.key == standin_key::down;
        if (!vertical && vertical_seen)
            burst.horizontal_first = false;
        vertical_seen = vertical_seen || vertical;
        burst.taps.push_back(key.key);
        burst.dx += (key.key == standin_key::right) - (key.key == standin_key::left);
        burst.dy += (key.key == standin_key::down) - (key.key == standin_key::up);
    }
    return bursts;
}

std::vector<logged_burst> read_bursts(const std::string& file_name)
{
    return bursts_of(read_key_log(file_name));
}

bool write_standin_state(const std::string& file_name, const standin_state& state)
{
    const std::string text = "view " + std::to_string(state.view_x) + " " +
                             std::to_string(state.view_y) + "\ntaps " +
                             std::to_string(state.taps) + "\n";
    return replace_file(file_name, {{text.data(), text.size()}});
}

standin_state read_standin_state(const std::string& file_name)
{
    standin_state state;
    std::istringstream in(text_of(file_name));
    std::string view, taps;
    standin_state read;
    if (in >> view >> read.view_x >> read.view_y >> taps >> read.taps && view == "view" &&
        taps == "taps")
        state = read;
    return state;
}
