// A test helper that behaves like a Wayland compositor that refuses focus requests from other
// programs: whenever the keyboard focus goes anywhere but TOOL, it hands it back to TOOL, until
// the pointer comes into GAME, as when the player clicks there; then it gives GAME the focus and
// ends.
//
// focus_keeper TOOL GAME
#include <X11/Xlib.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const Window tool = std::strtoul(argv[1], nullptr, 0);
    const Window game = std::strtoul(argv[2], nullptr, 0);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    while (true) {
        // The top-level window under the pointer.
        Window root, child = 0;
        int root_x, root_y, x, y;
        unsigned int buttons;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &root_x, &root_y, &x,
                      &y, &buttons);
        if (child == game) {
            XSetInputFocus(display, game, RevertToParent, CurrentTime);
            XSync(display, False);
            return 0;
        }
        Window focus;
        int revert;
        XGetInputFocus(display, &focus, &revert);
        if (focus != tool) {
            XSetInputFocus(display, tool, RevertToParent, CurrentTime);
            XSync(display, False);
        }
        const timespec pause{0, 2'000'000};
        nanosleep(&pause, nullptr);
    }
}
