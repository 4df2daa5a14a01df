// What the tool relies on in the game: the title of its window, what one Ctrl+arrow tap does, and
// where its client area shows the adventure map one to one. Shared by the driver, the capture,
// the stand-in game and the tests, so that each value is written once.
#pragma once

// Title of the game's main window; the lookup compares it without regard to case.
inline constexpr char game_window_title[] = "Heroes of Might and Magic III";

// The map is square, made of 32-pixel tiles: 36, 72, 108 or 144 tiles a side for the small,
// medium, large and extra-large maps, and 180, 216 or 252 for the larger ones that widely played
// editions of the game make.
inline constexpr int tile_pixels = 32;
inline constexpr int map_size_count = 7;
inline constexpr int map_tiles[map_size_count] = {36, 72, 108, 144, 180, 216, 252};
inline constexpr int map_sides[map_size_count] = {
    36 * tile_pixels,  72 * tile_pixels,  108 * tile_pixels, 144 * tile_pixels,
    180 * tile_pixels, 216 * tile_pixels, 252 * tile_pixels};

// One tap moves the map view by two tiles.
inline constexpr int tap_pixels = 64;

// Taps toward a scroll limit that reach it from any view of a map `side` pixels across; taps
// past the limit do nothing.
constexpr int taps_to_limit(int side)
{
    const int taps = (side - 22) / tap_pixels + 1;
    return taps > 0 ? taps : 0;
}

// The square of the client area that shows map pixels one to one: (44, 19)-(555, 530).
inline constexpr int view_tile_left = 44;
inline constexpr int view_tile_top = 19;
inline constexpr int view_tile_pixels = 512;

// The client area of the game whose geometry this is: 800 x 600. A window of another size (a
// resolution mod's) shows its map elsewhere, and is not captured.
inline constexpr int game_client_width = 800;
inline constexpr int game_client_height = 600;

// The smallest client area that holds that square: 556 x 531.
inline constexpr int min_client_width = view_tile_left + view_tile_pixels;
inline constexpr int min_client_height = view_tile_top + view_tile_pixels;

// With the view at its top-left scroll limit, the map's top-left pixel is 245 pixels right of and
// below the square's corner, at client position (289, 264).
inline constexpr int limit_origin_pixels = 245;

// Pauses that give the game time to follow: after the focus request, and after each tap.
inline constexpr unsigned focus_pause_ms = 50;
inline constexpr unsigned tap_pause_ms = 25;
