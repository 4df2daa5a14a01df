// The game window driver on X11: lookup through the window manager's client list or the window
// tree, focus with XSetInputFocus (and _NET_ACTIVE_WINDOW), keys through XTest, and the snapshot
// through XGetImage. X errors are trapped and turn into a failed operation.
#include "game_window.h"

#include "bmp_file.h"
#include "capture_failure.h"
#include "key_burst.h"
#include "replace_file.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

XErrorHandler handler_before_driver = nullptr;
int trapped_error_code = 0;
Display* open_driver_display();

// The driver's own connection, opened on first use and kept for the life of the process.
Display* driver_display()
{
    static Display* display = open_driver_display();
    return display;
}

// Errors on the driver's connection are recorded, never fatal; errors on other connections (the
// toolkit's) go to the handler that was there before.
int trap_error(Display* display, XErrorEvent* event)
{
    if (display == driver_display()) {
        trapped_error_code = event->error_code;
        return 0;
    }
    return handler_before_driver ? handler_before_driver(display, event) : 0;
}

Display* open_driver_display()
{
    Display* display = XOpenDisplay(nullptr);
    if (display)
        handler_before_driver = XSetErrorHandler(trap_error);
    return display;
}

// Brackets a group of requests whose errors must be known: afterwards, whether any failed.
XErrorHandler begin_error_trap(Display* display)
{
    XSync(display, False);
    trapped_error_code = 0;
    return XSetErrorHandler(trap_error);
}

bool end_error_trap(Display* display, XErrorHandler previous)
{
    XSync(display, False);
    XSetErrorHandler(previous);
    return trapped_error_code == 0;
}

Atom atom(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

// The values of a 32-bit property (windows or atoms); empty when it is absent.
std::vector<unsigned long> long_property(Display* display, Window window, const char* name,
                                         Atom type)
{
    Atom actual_type;
    int format;
    unsigned long count, remaining;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, atom(display, name), 0, 1 << 16, False, type,
                           &actual_type, &format, &count, &remaining, &data) == Success &&
        data && format == 32) {
        const unsigned long* items = reinterpret_cast<const unsigned long*>(data);
        values.assign(items, items + count);
    }
    if (data)
        XFree(data);
    return values;
}

std::string window_title(Display* display, Window window)
{
    Atom actual_type;
    int format;
    unsigned long count, remaining;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, atom(display, "_NET_WM_NAME"), 0, 4096, False,
                           atom(display, "UTF8_STRING"), &actual_type, &format, &count,
                           &remaining, &data) == Success &&
        data && format == 8 && count > 0) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
        return title;
    }
    if (data)
        XFree(data);

    XTextProperty text{};
    if (!XGetWMName(display, window, &text) || !text.value)
        return title;
    char** list = nullptr;
    int list_count = 0;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &list_count) >= Success &&
        list_count > 0 && list) {
        title = list[0];
    } else {
        title.assign(reinterpret_cast<const char*>(text.value), text.nitems);
    }
    if (list)
        XFreeStringList(list);
    XFree(text.value);
    return title;
}

bool same_title(const std::string& title, const char* wanted)
{
    const std::string other(wanted);
    return title.size() == other.size() &&
           std::equal(title.begin(), title.end(), other.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// Walks the tree below `parent`, topmost windows first.
Window find_in_tree(Display* display, Window parent, const char* title, int depth)
{
    Window root, up;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = count; i-- > 0 && !found;) {
        if (same_title(window_title(display, children[i]), title))
            found = children[i];
    }
    // A reparenting window manager puts client windows a level or two below the root.
    for (unsigned int i = count; i-- > 0 && !found && depth < 3;)
        found = find_in_tree(display, children[i], title, depth + 1);
    if (children)
        XFree(children);
    return found;
}

bool window_manager_supports(Display* display, const char* name)
{
    const std::vector<unsigned long> supported =
        long_property(display, DefaultRootWindow(display), "_NET_SUPPORTED", XA_ATOM);
    return std::find(supported.begin(), supported.end(), atom(display, name)) != supported.end();
}

bool bring_to_front(game_window window)
{
    Display* display = driver_display();
    if (!display || !window)
        return false;
    const XErrorHandler previous = begin_error_trap(display);
    XWindowAttributes attributes;
    bool alive = XGetWindowAttributes(display, window, &attributes) != 0;
    if (alive && window_manager_supports(display, "_NET_ACTIVE_WINDOW")) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = atom(display, "_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // the request comes from a pager-like tool
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
    if (alive) {
        XRaiseWindow(display, window);
        if (attributes.map_state == IsViewable)
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    alive = end_error_trap(display, previous) && alive;
    return alive && attributes.map_state == IsViewable;
}

void sleep_ms(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

KeySym key_symbol(key_code key)
{
    switch (key.virtual_key) {
    case key_control.virtual_key: return XK_Control_L;
    case key_right.virtual_key: return XK_Right;
    case key_left.virtual_key: return XK_Left;
    case key_down.virtual_key: return XK_Down;
    case key_up.virtual_key: return XK_Up;
    default: return NoSymbol;
    }
}

bool xtest_available(Display* display)
{
    static const bool available = [display] {
        int event_base, error_base, major, minor;
        return XTestQueryExtension(display, &event_base, &error_base, &major, &minor) != 0;
    }();
    return available;
}

// Keys are sent without waiting for the server: a round trip per key would add up over the
// hundreds of taps of a capture. Errors still reach the driver's handler, never a fatal one.
bool send_key(key_code key, unsigned flags)
{
    Display* display = driver_display();
    if (!display || !xtest_available(display))
        return false;
    const KeyCode code = XKeysymToKeycode(display, key_symbol(key));
    if (!code || !XTestFakeKeyEvent(display, code, flags == key_press, CurrentTime))
        return false;
    XFlush(display);
    return true;
}

constexpr burst_steps x11_burst_steps{bring_to_front, sleep_ms, send_key};

// Bits of a colour mask: where the channel starts and how wide it is.
struct channel_bits {
    unsigned shift;
    unsigned width;
};

channel_bits bits_of(unsigned long mask)
{
    channel_bits bits{0, 0};
    if (!mask)
        return bits;
    while (!(mask & 1)) {
        mask >>= 1;
        ++bits.shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++bits.width;
    }
    return bits;
}

unsigned char channel_value(unsigned long pixel, channel_bits bits)
{
    if (!bits.width)
        return 0;
    const unsigned long value = (pixel >> bits.shift) & ((1UL << bits.width) - 1);
    if (bits.width >= 8)
        return static_cast<unsigned char>(value >> (bits.width - 8));
    return static_cast<unsigned char>(value * 255 / ((1UL << bits.width) - 1));
}

// Copies `image` (the visible part of the window, at `left`, `top` inside it) into bottom-up
// blue-green-red-zero rows of a `width` x `height` bitmap. Pixels outside that part stay black.
void convert_rows(XImage* image, const Visual* visual, int left, int top, int width, int height,
                  std::vector<unsigned char>& rows)
{
    // The usual 24-bit visual already holds blue, green, red and a spare byte in file order.
    if (image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
        visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
        visual->blue_mask == 0xFF) {
        for (int y = 0; y < image->height; ++y)
            std::memcpy(&rows[(static_cast<size_t>(height - 1 - (top + y)) * width + left) * 4],
                        image->data + static_cast<size_t>(y) * image->bytes_per_line,
                        static_cast<size_t>(image->width) * 4);
        return;
    }
    const channel_bits red = bits_of(visual->red_mask);
    const channel_bits green = bits_of(visual->green_mask);
    const channel_bits blue = bits_of(visual->blue_mask);
    for (int y = 0; y < image->height; ++y) {
        unsigned char* out =
            &rows[(static_cast<size_t>(height - 1 - (top + y)) * width + left) * 4];
        for (int x = 0; x < image->width; ++x, out += 4) {
            const unsigned long pixel = XGetPixel(image, x, y);
            out[0] = channel_value(pixel, blue);
            out[1] = channel_value(pixel, green);
            out[2] = channel_value(pixel, red);
        }
    }
}

}  // namespace

game_window find_game_window(const char* title)
{
    Display* display = driver_display();
    if (!display)
        return 0;
    const XErrorHandler previous = begin_error_trap(display);
    Window found = 0;
    const Window root = DefaultRootWindow(display);
    const std::vector<unsigned long> clients =
        long_property(display, root, "_NET_CLIENT_LIST", XA_WINDOW);
    for (auto it = clients.rbegin(); it != clients.rend() && !found; ++it) {
        if (same_title(window_title(display, *it), title))
            found = *it;
    }
    if (!found && clients.empty())
        found = find_in_tree(display, root, title, 0);
    // A window that vanished during the search may have caused an error; the result still stands.
    end_error_trap(display, previous);
    return found;
}

bool scroll_map_view(game_window window, int dx, int dy)
{
    return run_key_burst(x11_burst_steps, window, dx, dy);
}

bool snapshot_client_area(game_window window)
{
    Display* display = driver_display();
    if (!display || !window)
        return report_capture_failure();

    const XErrorHandler previous = begin_error_trap(display);
    XWindowAttributes attributes;
    XImage* image = nullptr;
    int left = 0, top = 0;
    if (XGetWindowAttributes(display, window, &attributes) &&
        attributes.map_state == IsViewable &&
        (attributes.visual->c_class == TrueColor || attributes.visual->c_class == DirectColor)) {
        // Only the part of the window that lies on the screen can be read.
        int root_x = 0, root_y = 0;
        Window child;
        XTranslateCoordinates(display, window, attributes.root, 0, 0, &root_x, &root_y, &child);
        left = std::max(0, -root_x);
        top = std::max(0, -root_y);
        const int right =
            std::min(attributes.width, WidthOfScreen(attributes.screen) - root_x);
        const int bottom =
            std::min(attributes.height, HeightOfScreen(attributes.screen) - root_y);
        if (right > left && bottom > top)
            image = XGetImage(display, window, left, top, right - left, bottom - top, AllPlanes,
                              ZPixmap);
    }
    const bool ok = end_error_trap(display, previous);
    if (!ok || !image) {
        if (image)
            XDestroyImage(image);
        return report_capture_failure();
    }

    const int width = attributes.width;
    const int height = attributes.height;
    const std::uint32_t pixel_bytes = bmp_pixel_bytes(width, height);
    std::vector<unsigned char> rows(pixel_bytes, 0);
    convert_rows(image, attributes.visual, left, top, width, height, rows);
    XDestroyImage(image);

    const auto file_header = bmp_file_header(pixel_bytes);
    const auto info_header = bmp_info_header(width, height);
    const bool written = replace_file(snapshot_file_name, [&](std::FILE* file) {
        return std::fwrite(file_header.data(), file_header.size(), 1, file) == 1 &&
               std::fwrite(info_header.data(), info_header.size(), 1, file) == 1 &&
               std::fwrite(rows.data(), rows.size(), 1, file) == 1;
    });
    return written || report_capture_failure();
}
