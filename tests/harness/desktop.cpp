#include "desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

private_display::private_display(const std::vector<std::string>& arguments)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe");
    pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 2);
        std::vector<std::string> argv{"bash", TILEQUILT_XVFB_DISPLAY, fd};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> args;
        for (std::string& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        execvp("bash", args.data());
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    name = ":" + number;
    setenv("DISPLAY", name.c_str(), 1);
}

private_display::~private_display()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

std::string find_window(const std::string& title_pattern)
{
    std::string id = run_output("xdotool search --onlyvisible --name '" + title_pattern +
                                "' 2>/dev/null | head -n 1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' '))
        id.pop_back();
    return id;
}

std::string wait_for_window(const std::string& title_pattern, std::chrono::milliseconds timeout)
{
    std::string id;
    // Each look starts a program: a few a second are enough.
    wait_until([&] { return !(id = find_window(title_pattern)).empty(); }, timeout,
               std::chrono::milliseconds(100));
    return id;
}

window_geometry geometry_of(const std::string& window)
{
    window_geometry g;
    const std::string text = run_output("xdotool getwindowgeometry --shell " + window);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") g.x = value;
        if (key == "Y") g.y = value;
        if (key == "WIDTH") g.width = value;
        if (key == "HEIGHT") g.height = value;
    }
    return g;
}

std::string title_of(const std::string& window)
{
    std::string title = run_output("xdotool getwindowname " + window);
    if (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

namespace {

// A window that went away while a test watched it is a failed wait, never the end of the test.
int ignore_x_error(Display*, XErrorEvent*)
{
    return 0;
}

std::string read_title(Display* display, Window window)
{
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    for (const Atom name : {XInternAtom(display, "_NET_WM_NAME", False), XA_WM_NAME}) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, name, 0, 1024, False,
                               name == XA_WM_NAME ? AnyPropertyType : utf8, &type, &format,
                               &count, &left, &data) == Success &&
            data) {
            std::string title(reinterpret_cast<char*>(data), count);
            XFree(data);
            if (type != None)
                return title;
        }
    }
    return "";
}

}  // namespace

void title_watch::watch(const std::string& window_id)
{
    window = std::stoul(window_id);
    XSetErrorHandler(ignore_x_error);
    Display* x = XOpenDisplay(nullptr);
    display = x;
    if (!x)
        return;
    XSelectInput(x, window, PropertyChangeMask);
    XSync(x, False);
    title = read_title(x, window);
}

title_watch::~title_watch()
{
    if (display)
        XCloseDisplay(static_cast<Display*>(display));
}

bool title_watch::next_change(std::chrono::milliseconds guard)
{
    Display* x = static_cast<Display*>(display);
    if (!x)
        return false;
    const Atom net_name = XInternAtom(x, "_NET_WM_NAME", False);
    const auto deadline = std::chrono::steady_clock::now() + guard;
    while (true) {
        bool changed = false;
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            changed |= event.type == PropertyNotify &&
                       (event.xproperty.atom == XA_WM_NAME || event.xproperty.atom == net_name);
        }
        if (changed) {
            title = read_title(x, window);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd connection{ConnectionNumber(x), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
}

bool title_watch::wait_for(const std::string& text, std::chrono::milliseconds guard)
{
    const auto deadline = std::chrono::steady_clock::now() + guard;
    while (title.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !next_change(left))
            return false;
    }
    return true;
}

bool pointer_over(const std::string& window)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const Window target = std::stoul(window);
    Window at = DefaultRootWindow(display), root = 0, child = 0;
    int root_x, root_y, x, y;
    unsigned int buttons;
    bool over = false;
    while (!over && XQueryPointer(display, at, &root, &child, &root_x, &root_y, &x, &y, &buttons) &&
           child) {
        over = child == target;
        at = child;
    }
    XCloseDisplay(display);
    return over;
}

void click_in_window(const std::string& window, int x, int y)
{
    // As a person would, bring the window to the front first, and click once the pointer is seen
    // over it. No --sync on the move: it waits forever when the pointer is already there.
    run_output("xdotool windowraise " + window + " mousemove --window " + window + " " +
               std::to_string(x) + " " + std::to_string(y));
    wait_until([&] { return pointer_over(window); }, std::chrono::seconds(60));
    run_output("xdotool click 1");
}

void press_key(const std::string& window, const std::string& key)
{
    run_output("xdotool windowfocus --sync " + window + " key " + key);
}

std::string focused_window()
{
    std::string id = run_output("xdotool getwindowfocus 2>/dev/null");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' '))
        id.pop_back();
    return id;
}

child_process start_window_manager()
{
    child_process manager = start_process({"openbox", "--sm-disable"}, "", "/dev/null");
    wait_until([] { return run_output("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null")
                               .find("window id") != std::string::npos; },
               std::chrono::seconds(60));
    return manager;
}

bool control_held_in_server()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    char keys[32];
    XQueryKeymap(display, keys);
    const KeyCode code = XKeysymToKeycode(display, XK_Control_L);
    XCloseDisplay(display);
    return (keys[code / 8] >> (code % 8)) & 1;
}
