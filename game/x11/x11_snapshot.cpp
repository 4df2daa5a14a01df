// The snapshot on X11: the window's pixels read from its own off-screen storage through the
// Composite extension, or, where that is missing, from the display, refusing a window that is
// covered or not wholly on the display. Pixels come through shared memory (MIT-SHM) where the
// server offers it, a tenth of the time of sending them over the connection.
#include "game_window.h"

#include "bmp_file.h"
#include "x11_connection.h"
#include "x11_pixels.h"
#include "x11_watch.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xcomposite.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <functional>
#include <vector>

namespace {

void release_shared_image(x11_driver& driver)
{
    shared_image& shared = driver.shared;
    if (!shared.image)
        return;
    XShmDetach(driver.display, &shared.segment);
    XDestroyImage(shared.image);
    shmdt(shared.segment.shmaddr);
    shared = shared_image{};
}

// Memory shared with the server for `image`, attached on both sides; false, with nothing left
// over, when the system or the server refuses it.
bool attach_shared_memory(x11_driver& driver, XImage* image)
{
    XShmSegmentInfo& segment = driver.shared.segment;
    segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * image->height,
                           IPC_CREAT | 0600);
    if (segment.shmid < 0)
        return false;
    void* memory = shmat(segment.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(segment.shmid, IPC_RMID, nullptr);
        return false;
    }
    segment.shmaddr = image->data = static_cast<char*>(memory);
    segment.readOnly = False;
    const error_trap trap = begin_error_trap(driver);
    XShmAttach(driver.display, &segment);
    const bool attached = end_error_trap(driver, trap);
    // Gone with the process, whatever happens: removed now, freed once both sides let go.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (!attached)
        shmdt(memory);
    return attached;
}

// A shared image of the window's size and format; null where shared memory cannot be used
// (another machine, no MIT-SHM).
XImage* shared_image_for(x11_driver& driver, const XWindowAttributes& attributes)
{
    if (!driver.shared_memory)
        return nullptr;
    shared_image& shared = driver.shared;
    if (shared.image && shared.image->width == attributes.width &&
        shared.image->height == attributes.height && shared.visual == attributes.visual &&
        shared.depth == attributes.depth)
        return shared.image;
    release_shared_image(driver);
    XImage* image = XShmCreateImage(driver.display, attributes.visual,
                                    static_cast<unsigned>(attributes.depth), ZPixmap, nullptr,
                                    &shared.segment, static_cast<unsigned>(attributes.width),
                                    static_cast<unsigned>(attributes.height));
    if (!image || !attach_shared_memory(driver, image)) {
        if (image)
            XDestroyImage(image);  // its own memory only: the segment is the system's
        shared = shared_image{};
        driver.shared_memory = false;
        return nullptr;
    }
    shared.image = image;
    shared.visual = attributes.visual;
    shared.depth = attributes.depth;
    return image;
}

// The window's pixels from its redirected storage (its border around it), as an image that
// `converted` turns into the file's rows. False when it has no such storage.
bool read_stored_picture(x11_driver& driver, Window window, const XWindowAttributes& attributes,
                         const std::function<void(const XImage&)>& converted)
{
    Display* display = driver.display;
    const int border = attributes.border_width;
    XImage* shared = shared_image_for(driver, attributes);
    const error_trap trap = begin_error_trap(driver);
    const Pixmap pixmap = XCompositeNameWindowPixmap(display, window);
    bool read = false;
    if (shared) {
        read = XShmGetImage(display, pixmap, shared, border, border, AllPlanes) &&
               answered_without_error(driver, trap);
        if (read)
            converted(*shared);
    } else {
        XImage* image = XGetImage(display, pixmap, border, border,
                                  static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        read = image && answered_without_error(driver, trap);
        if (read)
            converted(*image);
        if (image)
            XDestroyImage(image);
    }
    XFreePixmap(display, pixmap);
    return read;
}

// The child of the root window that holds `window` (its frame under a window manager); 0 when
// it is gone.
Window top_level_of(Display* display, Window window)
{
    const Window root = DefaultRootWindow(display);
    for (Window at = window;;) {
        const Window parent = parent_of(display, at);
        if (!parent || parent == root)
            return parent ? at : 0;
        at = parent;
    }
}

// Without off-screen storage the snapshot is what the display shows: right only when no other
// window lies over the game's client area and all of it is on the display.
game_status screen_status(Display* display, Window window, const XWindowAttributes& attributes)
{
    int left = 0, top = 0;
    Window child;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &left, &top, &child);
    const int right = left + attributes.width, bottom = top + attributes.height;
    if (left < 0 || top < 0 || right > WidthOfScreen(attributes.screen) ||
        bottom > HeightOfScreen(attributes.screen))
        return game_status::window_off_display;

    const Window own = top_level_of(display, window);
    Window root, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!own || !XQueryTree(display, attributes.root, &root, &parent, &children, &count))
        return game_status::window_gone;
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

// The window's pixels from the display, when nothing hides any of them.
game_status read_screen_picture(x11_driver& driver, Window window,
                                const XWindowAttributes& attributes,
                                const std::function<void(const XImage&)>& converted)
{
    Display* display = driver.display;
    const game_status status = screen_status(display, window, attributes);
    if (status != game_status::ok)
        return status;
    const error_trap trap = begin_error_trap(driver);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    const bool read = image && answered_without_error(driver, trap);
    if (read)
        converted(*image);
    if (image)
        XDestroyImage(image);
    return read ? game_status::ok : game_status::snapshot_failed;
}

}  // namespace

game_status take_client_snapshot(game_window window, client_snapshot& snapshot)
{
    x11_driver& driver = open_x11_driver();
    Display* display = driver.display;
    if (!display || !window)
        return game_status::window_gone;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        attributes.map_state != IsViewable)
        return game_status::window_gone;
    if (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor)
        return game_status::snapshot_failed;

    const int width = attributes.width;
    const int height = attributes.height;
    std::vector<unsigned char>& rows = snapshot.rows;
    rows.resize(bmp_pixel_bytes(width, height));
    snapshot.width = width;
    snapshot.height = height;
    const auto converted = [&](const XImage& image) {
        const pixel_format format{image.bits_per_pixel, image.byte_order == MSBFirst,
                                  attributes.visual->red_mask, attributes.visual->green_mask,
                                  attributes.visual->blue_mask, image.bytes_per_line};
        convert_to_bitmap_rows(reinterpret_cast<const unsigned char*>(image.data), format, width,
                               height, rows.data());
    };
    bool read = false;
    if (driver.composite) {
        watch_game_window(driver, window);
        read = read_stored_picture(driver, window, attributes, converted) &&
               !shows_nothing(snapshot);
    }
    // Where the window's own pixels show nothing (or cannot be had), the display may.
    if (!read) {
        const game_status status = read_screen_picture(driver, window, attributes, converted);
        if (status != game_status::ok)
            return status;
    }
    return shows_nothing(snapshot) ? game_status::snapshot_failed : game_status::ok;
}
