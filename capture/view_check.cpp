#include "view_check.h"

#include "game_contract.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// Samples that differ by at most this much are the same colour (what a snapshot's round trip
// through the desktop may change).
constexpr int colour_tolerance = 8;
// Images are compared on blocks of 4 x 4 pixels, one every 16 pixels each way: 1024 blocks of
// a whole view tile. A block matches only when all its pixels do, so land shifted by a tap almost
// never matches by chance, while a block of land that stands still always does.
constexpr int block = 4;
constexpr int block_spacing = 16;
// Fewer blocks with features than this tell nothing.
constexpr int fewest_blocks = 16;
// A shift explains the change when it matches this much larger a share of blocks than no shift.
constexpr double clearer_by = 0.1;
// In place, a share of matching blocks below this is other land, however much may animate.
constexpr double least_same_share = 0.1;
// Where the two have nothing in common in place, a shift is shown by this share of its blocks.
constexpr double shown_by = 0.25;
// Shifts tried, in taps along either axis or both: a view tile's side, as far as a view a whole
// step short still has land in common with the canvas.
constexpr int most_shift_taps = view_tile_pixels / tap_pixels;

// An image (a snapshot image, or the canvas) seen as a view tile: tile pixel (c, r) is the
// source's pixel (left + c, top + r), where the source has the whole block [c0, c1) x [r0, r1):
// inside [min_c, max_c) x [min_r, max_r), and, where `area` is given, inside the placed area.
struct tile_source {
    const image& source;
    int left, top;
    int min_c, min_r, max_c, max_r;
    const placed_area* area = nullptr;

    bool holds(int c0, int r0, int c1, int r1) const
    {
        return c0 >= min_c && r0 >= min_r && c1 <= max_c && r1 <= max_r &&
               (!area || area->holds(left + c0, top + r0, left + c1, top + r1));
    }
};

bool blocks_match(const image& a, int ax, int ay, const image& b, int bx, int by)
{
    const int channels = std::min({3, a.spectrum(), b.spectrum()});
    const size_t a_plane = static_cast<size_t>(a.width()) * a.height();
    const size_t b_plane = static_cast<size_t>(b.width()) * b.height();
    for (int k = 0; k < channels; ++k)
        for (int r = 0; r < block; ++r) {
            const unsigned char* pa = a.data(ax, ay + r) + k * a_plane;
            const unsigned char* pb = b.data(bx, by + r) + k * b_plane;
            for (int c = 0; c < block; ++c)
                if (std::abs(int(pa[c]) - int(pb[c])) > colour_tolerance)
                    return false;
        }
    return true;
}

bool textured(const image& source, int x, int y)
{
    for (int k = 0; k < std::min(3, source.spectrum()); ++k) {
        int low = 255, high = 0;
        for (int r = 0; r < block; ++r)
            for (int c = 0; c < block; ++c) {
                const int v = source(x + c, y + r, 0, k);
                low = std::min(low, v);
                high = std::max(high, v);
            }
        if (high - low > colour_tolerance)
            return true;
    }
    return false;
}

// Whether the block at (x, y) of `source` can tell where the land lies: it has features, and the
// same block does not come back within two taps of it, across or down (as what the game draws
// beyond the map's edge does, a frame repeating along the edge and rock repeating every two
// taps; so does land of one repeated pattern, which cannot tell either).
bool telling_block(const image& source, int x, int y)
{
    if (!textured(source, x, y))
        return false;
    for (const int taps : {1, 2})
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int ox = x + dx * taps * tap_pixels, oy = y + dy * taps * tap_pixels;
            if (ox >= 0 && oy >= 0 && ox + block <= source.width() &&
                oy + block <= source.height() && blocks_match(source, x, y, source, ox, oy))
                return false;
        }
    return true;
}


// Blocks of `later` compared with `earlier` shifted by whole taps: what the later source shows
// at (c, r) the earlier one shows at (c + dx, r + dy) if the view moved by (dx, dy) pixels.
struct shift {
    int dx, dy;
    int compared = 0;
    int matched = 0;         // blocks that match here
    int matched_alone = 0;   // blocks that match here and at no other shift (nor in place)
    bool telling() const { return compared >= fewest_blocks; }
    double share() const { return compared ? static_cast<double>(matched) / compared : 0; }
    double share_alone() const
    {
        return compared ? static_cast<double>(matched_alone) / compared : 0;
    }
};

void compare_blocks(const tile_source& later, const tile_source& earlier,
                    const std::vector<std::pair<int, int>>& blocks, std::vector<shift>& shifts)
{
    for (const auto& [c, r] : blocks) {
        int matches = 0;
        size_t last_match = 0;
        for (size_t i = 0; i < shifts.size(); ++i) {
            shift& s = shifts[i];
            if (!earlier.holds(c + s.dx, r + s.dy, c + s.dx + block, r + s.dy + block))
                continue;
            ++s.compared;
            if (blocks_match(later.source, later.left + c, later.top + r, earlier.source,
                             earlier.left + c + s.dx, earlier.top + r + s.dy)) {
                ++s.matched;
                ++matches;
                last_match = i;
            }
        }
        if (matches == 1)
            ++shifts[last_match].matched_alone;
    }
}

// The snapshot's view tile, as much of it as the snapshot has.
tile_source view_tile(const image& snapshot_image)
{
    const int width = std::min(view_tile_pixels, snapshot_image.width() - view_tile_left);
    const int height = std::min(view_tile_pixels, snapshot_image.height() - view_tile_top);
    return {snapshot_image, view_tile_left, view_tile_top, 0, 0, width, height};
}

}  // namespace

namespace {

// The blocks of `later` compared in place and at every shift of whole taps: what is needed both
// to tell a moved view from animation and to say where it moved.
struct comparison {
    shift in_place{0, 0};
    std::optional<shift> best;  // the telling shift that matches most blocks alone
};

comparison compare_at_shifts(const tile_source& later, const tile_source& earlier)
{
    std::vector<std::pair<int, int>> blocks;
    for (int r = 0; r + block <= view_tile_pixels; r += block_spacing)
        for (int c = 0; c + block <= view_tile_pixels; c += block_spacing)
            if (later.holds(c, r, c + block, r + block) &&
                telling_block(later.source, later.left + c, later.top + r))
                blocks.emplace_back(c, r);
    std::vector<shift> shifts{{0, 0}};
    compare_blocks(later, earlier, blocks, shifts);
    comparison result;
    result.in_place = shifts.front();
    if (result.in_place.telling() && result.in_place.matched == result.in_place.compared)
        return result;
    // Land that repeats matches at several shifts: only a block that matches at one shift alone
    // (in place counted too) tells that the view moved by it.
    shifts = {{0, 0}};
    for (int ty = -most_shift_taps; ty <= most_shift_taps; ++ty)
        for (int tx = -most_shift_taps; tx <= most_shift_taps; ++tx)
            if (tx || ty)
                shifts.push_back({tx * tap_pixels, ty * tap_pixels});
    compare_blocks(later, earlier, blocks, shifts);
    for (size_t i = 1; i < shifts.size(); ++i)
        if (shifts[i].telling() &&
            (!result.best || shifts[i].share_alone() > result.best->share_alone()))
            result.best = shifts[i];
    return result;
}

likeness judge(const comparison& seen)
{
    const shift& in_place = seen.in_place;
    if (in_place.telling() && in_place.matched == in_place.compared)
        return likeness::same;
    const double best_shifted = seen.best ? seen.best->share_alone() : 0;
    // Nothing in common in place (screens that meet edge to edge): the neighbours can still show
    // a view that stopped short of where it should be.
    if (!in_place.telling())
        return best_shifted >= shown_by ? likeness::moved : likeness::same;
    if (best_shifted > in_place.share() + clearer_by)
        return likeness::moved;
    return in_place.share() < least_same_share ? likeness::differs : likeness::same;
}

std::optional<tap_shift> shift_of(const comparison& seen)
{
    const likeness verdict = judge(seen);
    if (verdict == likeness::moved)
        return tap_shift{seen.best->dx / tap_pixels, seen.best->dy / tap_pixels};
    if (verdict == likeness::same && seen.in_place.telling())
        return tap_shift{0, 0};
    return std::nullopt;
}

tile_source placed_part(const image& canvas, int x, int y, const placed_area& area,
                        const canvas_rect& map)
{
    // The canvas holds a block when it lies inside the map and inside the placed area.
    return {canvas, x, y, map.left - x, map.top - y, map.right - x, map.bottom - y, &area};
}

}  // namespace

bool shows_features(const image& snapshot_image)
{
    const tile_source tile = view_tile(snapshot_image);
    int textured_blocks = 0;
    for (int r = 0; r + block <= view_tile_pixels; r += block_spacing)
        for (int c = 0; c + block <= view_tile_pixels; c += block_spacing)
            if (tile.holds(c, r, c + block, r + block) &&
                telling_block(tile.source, tile.left + c, tile.top + r) &&
                ++textured_blocks >= fewest_blocks)
                return true;
    return false;
}

likeness compare_snapshots(const image& earlier, const image& later)
{
    return judge(compare_at_shifts(view_tile(later), view_tile(earlier)));
}

std::optional<tap_shift> find_view_shift(const image& earlier, const image& later)
{
    return shift_of(compare_at_shifts(view_tile(later), view_tile(earlier)));
}

standing check_placement(const image& canvas, const image& snapshot_image, int x, int y,
                         const placed_area& area, const canvas_rect& map)
{
    const comparison seen =
        compare_at_shifts(view_tile(snapshot_image), placed_part(canvas, x, y, area, map));
    if (judge(seen) != likeness::same)
        return standing::elsewhere;
    return seen.in_place.telling() ? standing::proved : standing::unproved;
}

std::optional<tap_shift> find_seam_shift(const image& canvas, const image& snapshot_image, int x, int y,
                                         const placed_area& area, const canvas_rect& map)
{
    return shift_of(compare_at_shifts(view_tile(snapshot_image), placed_part(canvas, x, y, area, map)));
}
