// Finding the game's window: through the window manager's client list, or by walking the window
// tree when there is no window manager. Titles come from _NET_WM_NAME (UTF-8) or WM_NAME.
#include "game_window.h"

#include "x11_connection.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

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

// Windows below `parent` with the title, topmost first. A reparenting window manager puts client
// windows a level or two below the root.
void find_in_tree(Display* display, Window parent, const char* title, int depth,
                  std::vector<Window>& found)
{
    Window root, up;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count))
        return;
    for (unsigned int i = count; i-- > 0;) {
        if (same_title(window_title(display, children[i]), title))
            found.push_back(children[i]);
        else if (depth < 3)
            find_in_tree(display, children[i], title, depth + 1, found);
    }
    if (children)
        XFree(children);
}

// Shown, and large enough to hold the view square.
bool usable(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) &&
           attributes.map_state == IsViewable && attributes.width >= min_client_width &&
           attributes.height >= min_client_height;
}

}  // namespace

game_window find_game_window(const char* title)
{
    Display* display = open_x11_driver().display;
    if (!display)
        return 0;
    std::vector<Window> found;
    const std::vector<unsigned long> clients =
        long_property(display, DefaultRootWindow(display), "_NET_CLIENT_LIST", XA_WINDOW);
    for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
        if (same_title(window_title(display, *it), title))
            found.push_back(*it);
    }
    if (clients.empty())
        find_in_tree(display, DefaultRootWindow(display), title, 0, found);
    // Another program's window with the same title (a text editor, a small dialog) must not be
    // typed into when the game is there too.
    const auto best = std::find_if(found.begin(), found.end(),
                                   [&](Window window) { return usable(display, window); });
    // A window that vanished during the search caused an error that the driver's handler took;
    // the result still stands.
    return best != found.end() ? *best : found.empty() ? 0 : found.front();
}
