#include "x11_connection.h"

#include <X11/extensions/Xcomposite.h>

#include <X11/Xatom.h>

#include <algorithm>

namespace {

XErrorHandler handler_before_driver = nullptr;
Display* opened_display = nullptr;
// The serial number of the latest request on the driver's connection that failed, plus one (0:
// none yet).
unsigned long failed_request_end = 0;

// Errors on the driver's connection are recorded, never fatal; errors on other connections (the
// toolkit's) go to the handler that was there before.
int record_error(Display* display, XErrorEvent* event)
{
    if (display == opened_display) {
        failed_request_end = std::max(failed_request_end, event->serial + 1);
        return 0;
    }
    return handler_before_driver ? handler_before_driver(display, event) : 0;
}

Display* open_driver_display()
{
    opened_display = XOpenDisplay(nullptr);
    if (opened_display)
        handler_before_driver = XSetErrorHandler(record_error);
    return opened_display;
}

}  // namespace

Display* driver_display()
{
    static Display* display = open_driver_display();
    return display;
}

error_trap begin_error_trap(Display* display)
{
    // The toolkit may have put its own handler in place since; it keeps getting its errors.
    const XErrorHandler previous = XSetErrorHandler(record_error);
    if (previous != record_error)
        handler_before_driver = previous;
    return {NextRequest(display)};
}

bool answered_without_error(const error_trap& trap)
{
    return failed_request_end <= trap.first_request;
}

bool end_error_trap(Display* display, const error_trap& trap)
{
    XSync(display, False);
    return answered_without_error(trap);
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
