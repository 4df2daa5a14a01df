#include "x11_connection.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xcomposite.h>

#include <X11/Xatom.h>

#include <algorithm>

namespace {

// The one driver, for Xlib's error handler, which is handed no more than the connection.
x11_driver* opened = nullptr;

// Errors on the driver's connection are recorded, never fatal; errors on other connections (the
// toolkit's) go to the handler that was there before.
int record_error(Display* display, XErrorEvent* event)
{
    if (opened && display == opened->display) {
        opened->failed_request_end = std::max(opened->failed_request_end, event->serial + 1);
        return 0;
    }
    return opened && opened->handler_before ? opened->handler_before(display, event) : 0;
}

void learn_server(x11_driver& driver)
{
    Display* display = driver.display;
    int event_base = 0, error_base = 0, major = 0, minor = 2;
    driver.composite = XCompositeQueryExtension(display, &event_base, &error_base) &&
                       XCompositeQueryVersion(display, &major, &minor) &&
                       (major > 0 || minor >= 2);
    driver.xtest = XTestQueryExtension(display, &event_base, &error_base, &major, &minor) != 0;
    int opcode = 0, keyboard_event = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    driver.keyboard_events =
        XkbQueryExtension(display, &opcode, &keyboard_event, &error_base, &major, &minor)
            ? keyboard_event
            : -1;
    driver.shared_memory = XShmQueryExtension(display) != 0;
}

x11_driver* open_driver()
{
    static x11_driver driver;
    driver.display = XOpenDisplay(nullptr);
    if (driver.display) {
        opened = &driver;
        driver.handler_before = XSetErrorHandler(record_error);
        learn_server(driver);
    }
    return &driver;
}

}  // namespace

x11_driver& open_x11_driver()
{
    static x11_driver* const driver = open_driver();
    return *driver;
}

error_trap begin_error_trap(x11_driver& driver)
{
    // The toolkit may have put its own handler in place since; it keeps getting its errors.
    const XErrorHandler previous = XSetErrorHandler(record_error);
    if (previous != record_error)
        driver.handler_before = previous;
    return {NextRequest(driver.display)};
}

bool answered_without_error(const x11_driver& driver, const error_trap& trap)
{
    return driver.failed_request_end <= trap.first_request;
}

bool end_error_trap(x11_driver& driver, const error_trap& trap)
{
    XSync(driver.display, False);
    return answered_without_error(driver, trap);
}

Atom atom(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

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

bool window_manager_supports(Display* display, const char* name)
{
    const std::vector<unsigned long> supported =
        long_property(display, DefaultRootWindow(display), "_NET_SUPPORTED", XA_ATOM);
    return std::find(supported.begin(), supported.end(), atom(display, name)) != supported.end();
}

Window parent_of(Display* display, Window window)
{
    Window root, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    if (children)
        XFree(children);
    return parent;
}

bool window_inside(Display* display, Window inner, Window outer)
{
    const Window root = DefaultRootWindow(display);
    for (Window at = inner; at && at != root; at = parent_of(display, at)) {
        if (at == outer)
            return true;
    }
    return false;
}

