// A second real window for the tests: it records every key it receives, in the stand-in game's
// key-log format, so that a test can tell whether a key went astray.
//
// key_recorder LOG X Y WIDTH HEIGHT [--above] [--popup] [--title TITLE]
//              [--at-tap GAME N --show|--focus|--activate]
//   --above   asks the window manager to keep it above other windows
//   --popup   an override-redirect window, shown over everything like a notification
//   --title   its title instead of "Key recorder"
//   --at-tap  acts when the window GAME receives its Nth arrow key, in the middle of a burst,
//             on the key event itself (no test could time it as well from outside):
//             --show shows the window only then; --focus takes the keyboard; --activate asks the
//             window manager to make it the active window
// It prints "window ID" once its window is shown (with --show: once it is made).
#include "standin_log.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

standin_key key_of(KeySym symbol)
{
    switch (symbol) {
    case XK_Control_L:
    case XK_Control_R: return standin_key::control;
    case XK_Left: return standin_key::left;
    case XK_Right: return standin_key::right;
    case XK_Up: return standin_key::up;
    case XK_Down: return standin_key::down;
    default: return standin_key::other;
    }
}

struct tap_action {
    Window game = 0;
    int tap = 0;
    std::string what;  // "--show", "--focus" or "--activate"
};

void act(Display* display, Window window, const std::string& what)
{
    if (what == "--show") {
        XMapRaised(display, window);
    } else if (what == "--focus") {
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    } else {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // as a pager asks, like xdotool's windowactivate
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
    XFlush(display);
}

// Shows the window and waits until it is shown, then says which it is.
void show(Display* display, Window window)
{
    XMapRaised(display, window);
    XEvent event;
    do
        XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    std::printf("window %lu\n", window);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: key_recorder LOG X Y WIDTH HEIGHT [--above] [--popup] [--title T]\n");
        return 2;
    }
    bool above = false, popup = false;
    const char* title = "Key recorder";
    tap_action at_tap;
    for (int i = 6; i < argc; ++i) {
        above = above || std::strcmp(argv[i], "--above") == 0;
        popup = popup || std::strcmp(argv[i], "--popup") == 0;
        if (std::strcmp(argv[i], "--title") == 0 && i + 1 < argc)
            title = argv[++i];
        if (std::strcmp(argv[i], "--at-tap") == 0 && i + 3 < argc) {
            at_tap.game = std::strtoul(argv[i + 1], nullptr, 0);
            at_tap.tap = std::atoi(argv[i + 2]);
            at_tap.what = argv[i + 3];
            i += 3;
        }
    }
    std::FILE* log = std::fopen(argv[1], "w");
    Display* display = XOpenDisplay(nullptr);
    if (!log || !display)
        return 1;
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0xC03080;  // a colour no map has
    attributes.override_redirect = popup;
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ExposureMask | StructureNotifyMask;
    const Window window = XCreateWindow(
        display, DefaultRootWindow(display), std::atoi(argv[2]), std::atoi(argv[3]),
        static_cast<unsigned>(std::atoi(argv[4])), static_cast<unsigned>(std::atoi(argv[5])), 0,
        CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect | CWEventMask,
        &attributes);
    XStoreName(display, window, title);
    // So that tests find it by its process even when its title is another window's.
    const long pid = static_cast<long>(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    // Where the window manager would place it elsewhere, the position asked for still holds.
    XSizeHints hints{};
    hints.flags = USPosition | PPosition;
    hints.x = std::atoi(argv[2]);
    hints.y = std::atoi(argv[3]);
    XSetWMNormalHints(display, window, &hints);
    if (above) {
        const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
        const Atom keep_above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
        XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&keep_above), 1);
    }
    int game_arrows = 0;
    if (at_tap.game) {
        // Any number of programs may ask for a window's key events: the game's are seen here too.
        XSelectInput(display, at_tap.game, KeyPressMask);
        XSync(display, False);
    }
    if (at_tap.what == "--show") {
        std::printf("window %lu\n", window);
        std::fflush(stdout);
    } else {
        show(display, window);
    }
    while (true) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != KeyPress && event.type != KeyRelease)
            continue;
        if (event.xkey.window != window) {
            const standin_key key = key_of(XLookupKeysym(&event.xkey, 0));
            if (key != standin_key::control && key != standin_key::other &&
                ++game_arrows == at_tap.tap)
                act(display, window, at_tap.what);
            continue;
        }
        const KeySym symbol = XLookupKeysym(&event.xkey, 0);
        log_key(log, event.xkey.time, key_of(symbol), event.type == KeyPress,
                (event.xkey.state & ControlMask) != 0 || key_of(symbol) == standin_key::control);
    }
}
