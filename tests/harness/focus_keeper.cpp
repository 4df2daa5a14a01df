// A test helper that behaves like a Wayland desktop that refuses focus requests from other
// programs (weston does): it puts its word on the root window that it takes activation requests
// (_NET_ACTIVE_WINDOW), so that programs ask it instead of setting the focus themselves, and then
// takes none of them. The keyboard stays with TOOL until the pointer comes into GAME, as when the
// player clicks there; then it gives GAME the focus and ends. It prints "ready" once its word is
// on the root window, so that a test starts the capture only then.
//
// focus_keeper TOOL GAME
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool pointer_in(Display* display, Window window)
{
    Window root, child;
    int root_x, root_y, x, y;
    unsigned int buttons;
    XWindowAttributes attributes;
    return XQueryPointer(display, window, &root, &child, &root_x, &root_y, &x, &y, &buttons) &&
           XGetWindowAttributes(display, window, &attributes) && x >= 0 && y >= 0 &&
           x < attributes.width && y < attributes.height;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const Window tool = std::strtoul(argv[1], nullptr, 0);
    const Window game = std::strtoul(argv[2], nullptr, 0);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTED", False),
                    XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&active), 1);
    XSetInputFocus(display, tool, RevertToParent, CurrentTime);
    XSelectInput(display, game, EnterWindowMask);
    XSync(display, False);
    std::puts("ready");
    std::fflush(stdout);
    // The pointer may have come in before the events were asked for.
    XEvent event{};
    while (!pointer_in(display, game)) {
        XNextEvent(display, &event);
        if (event.type == EnterNotify)
            break;
    }
    XSetInputFocus(display, game, RevertToParent, CurrentTime);
    XSync(display, False);
    return 0;
}
