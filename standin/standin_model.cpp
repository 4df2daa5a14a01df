#include "standin_model.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The map scaled down to the minimap's square.
rgb_picture make_minimap(const rgb_picture& map, const standin_box& box)
{
    const int side = box.right - box.left;
    rgb_picture mini{side, side, std::vector<unsigned char>(static_cast<size_t>(side) * side * 3)};
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int mx = static_cast<int>(static_cast<long>(x) * map.width / side);
            const int my = static_cast<int>(static_cast<long>(y) * map.height / side);
            std::memcpy(&mini.pixels[(static_cast<size_t>(y) * side + x) * 3],
                        &map.pixels[(static_cast<size_t>(my) * map.width + mx) * 3], 3);
        }
    }
    return mini;
}

}  // namespace

bool standin_tile_animates(int tile_x, int tile_y, int animated_percent)
{
    std::uint32_t h = static_cast<std::uint32_t>(tile_x) * 0x9E3779B1u ^
                      static_cast<std::uint32_t>(tile_y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<int>(h % 100) < animated_percent;
}

void start_standin(standin_game& game, rgb_picture map, int view_x, int view_y)
{
    game.map = std::move(map);
    game.minimap = make_minimap(game.map, game.geometry.minimap);
    game.limit_x = standin_limit_taps(game.geometry, game.map.width, true);
    game.limit_y = standin_limit_taps(game.geometry, game.map.height, false);
    if (game.faults.limit_x >= 0)
        game.limit_x = std::min(game.limit_x, game.faults.limit_x);
    if (game.faults.limit_y >= 0)
        game.limit_y = std::min(game.limit_y, game.faults.limit_y);
    game.view_x = view_x < 0 ? game.limit_x / 2 : std::min(view_x, game.limit_x);
    game.view_y = view_y < 0 ? game.limit_y / 2 : std::min(view_y, game.limit_y);
}

bool handle_standin_key(standin_game& game, standin_key key, bool pressed, bool ctrl_held,
                        long long event_ms)
{
    // Ctrl's own events are logged with the state they leave.
    const bool ctrl = key == standin_key::control ? pressed : ctrl_held;
    if (game.key_log)
        log_key(game.key_log, event_ms, key, pressed, ctrl);
    const bool arrow = key == standin_key::left || key == standin_key::right ||
                       key == standin_key::up || key == standin_key::down;
    if (!pressed || !arrow || !ctrl)
        return false;
    ++game.taps;
    if (game.faults.ignored_taps.count(game.taps))
        return false;
    const int old_x = game.view_x, old_y = game.view_y;
    if (key == standin_key::left)
        game.view_x = std::max(0, game.view_x - 1);
    if (key == standin_key::right)
        game.view_x = std::min(game.limit_x, game.view_x + 1);
    if (key == standin_key::up)
        game.view_y = std::max(0, game.view_y - 1);
    if (key == standin_key::down)
        game.view_y = std::min(game.limit_y, game.view_y + 1);
    const bool changed = game.view_x != old_x || game.view_y != old_y;
    if (changed)
        save_standin_state(game);
    return changed;
}

int standin_hang_due(standin_game& game)
{
    if (game.faults.hang_at_tap <= 0 || game.taps < game.faults.hang_at_tap)
        return 0;
    game.faults.hang_at_tap = 0;
    return game.faults.hang_ms;
}

bool standin_should_close(const standin_game& game)
{
    return game.faults.close_after_taps > 0 && game.taps >= game.faults.close_after_taps;
}

void save_standin_state(const standin_game& game)
{
    if (!game.state_file.empty())
        write_standin_state(game.state_file, {game.view_x, game.view_y, game.taps});
}
