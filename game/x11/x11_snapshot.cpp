// The snapshot on X11: the window's pixels read from its own off-screen storage through the
// Composite extension, or, where that is missing, from the screen, refusing a window that is
// covered or not wholly on the screen.
#include "game_window.h"

#include "bmp_file.h"
#include "x11_connection.h"
#include "x11_focus.h"
#include "x11_pixels.h"
#include "x11_snapshot.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>

#include <vector>

namespace {

bool composite_available(Display* display)
{
    static const bool available = [display] {
        int event_base = 0, error_base = 0, major = 0, minor = 2;
        return XCompositeQueryExtension(display, &event_base, &error_base) &&
               XCompositeQueryVersion(display, &major, &minor) &&
               (major > 0 || minor >= 2);
    }();
    return available;
}

// The window's pixels from its redirected storage; null when it has none.
XImage* stored_picture(Display* display, Window window, const XWindowAttributes& attributes)
{
    begin_error_trap(display);
    const Pixmap pixmap = XCompositeNameWindowPixmap(display, window);
    if (!end_error_trap(display))
        return nullptr;
    // The storage holds the window with its border around it.
    begin_error_trap(display);
    XImage* image = XGetImage(display, pixmap, attributes.border_width, attributes.border_width,
                              attributes.width, attributes.height, AllPlanes, ZPixmap);
    XFreePixmap(display, pixmap);
    if (!end_error_trap(display) && image) {
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

// The child of the root window that holds `window` (its frame under a window manager).
Window top_level_of(Display* display, Window window)
{
    const Window root = DefaultRootWindow(display);
    Window at = window;
    while (true) {
        Window found_root, parent;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, at, &found_root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root || !parent)
            return at;
        at = parent;
    }
}

// Without off-screen storage the picture is what the screen shows: right only when no other
// window lies over the game's client area and all of it is on the screen.
game_status screen_status(Display* display, Window window, const XWindowAttributes& attributes)
{
    int left = 0, top = 0;
    Window child;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &left, &top, &child);
    const int right = left + attributes.width, bottom = top + attributes.height;
    if (left < 0 || top < 0 || right > WidthOfScreen(attributes.screen) ||
        bottom > HeightOfScreen(attributes.screen))
        return game_status::window_off_screen;

    const Window own = top_level_of(display, window);
    Window root, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!own || !XQueryTree(display, attributes.root, &root, &parent, &children, &count))
        return game_status::picture_failed;
    game_status status = game_status::ok;
    bool above = false;  // children come bottom first
    for (unsigned int i = 0; i < count && status == game_status::ok; ++i) {
        if (children[i] == own) {
            above = true;
            continue;
        }
        XWindowAttributes other;
        if (!above || !XGetWindowAttributes(display, children[i], &other) ||
            other.map_state != IsViewable || other.c_class != InputOutput)
            continue;
        const int other_right = other.x + other.width + 2 * other.border_width;
        const int other_bottom = other.y + other.height + 2 * other.border_width;
        if (other.x < right && other_right > left && other.y < bottom && other_bottom > top)
            status = game_status::window_covered;
    }
    if (children)
        XFree(children);
    return status;
}

}  // namespace

void keep_window_pixels(Display* display, Window window)
{
    if (!composite_available(display))
        return;
    // Another program (a compositing window manager) may redirect it already; then its storage
    // is there anyway.
    begin_error_trap(display);
    XCompositeRedirectWindow(display, window, CompositeRedirectAutomatic);
    end_error_trap(display);
    // The new storage starts as a copy of the screen: let the game paint all of it.
    begin_error_trap(display);
    XClearArea(display, window, 0, 0, 0, 0, True);
    end_error_trap(display);
}

game_status snapshot_client_area(game_window window)
{
    Display* display = driver_display();
    if (!display || !window)
        return game_status::window_gone;

    begin_error_trap(display);
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display, window, &attributes) != 0;
    end_error_trap(display);
    if (!exists || attributes.map_state != IsViewable)
        return game_status::window_gone;
    if (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor)
        return game_status::picture_failed;

    XImage* image = nullptr;
    if (composite_available(display)) {
        watch_game_window(display, window);
        image = stored_picture(display, window, attributes);
    }
    if (!image) {
        begin_error_trap(display);
        const game_status status = screen_status(display, window, attributes);
        if (status == game_status::ok)
            image = XGetImage(display, window, 0, 0, attributes.width, attributes.height,
                              AllPlanes, ZPixmap);
        const bool ok = end_error_trap(display);
        if (status != game_status::ok)
            return ok ? status : game_status::window_gone;
        if (!ok && image) {
            XDestroyImage(image);
            image = nullptr;
        }
    }
    if (!image)
        return game_status::picture_failed;

    const int width = attributes.width;
    const int height = attributes.height;
    std::vector<unsigned char> rows(bmp_pixel_bytes(width, height));
    const pixel_format format{image->bits_per_pixel, image->byte_order == MSBFirst,
                              attributes.visual->red_mask, attributes.visual->green_mask,
                              attributes.visual->blue_mask, image->bytes_per_line};
    convert_to_bitmap_rows(reinterpret_cast<const unsigned char*>(image->data), format, width,
                           height, rows.data());
    XDestroyImage(image);
    return write_bmp_file(snapshot_file_name, width, height, rows.data()) ? game_status::ok
                                                                           : game_status::file_failed;
}
