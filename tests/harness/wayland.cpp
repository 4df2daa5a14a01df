#include "wayland.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>

namespace {

std::string first_match(const std::string& text, const std::regex& pattern)
{
    std::smatch match;
    return std::regex_search(text, match, pattern) ? match[1].str() : "";
}

wayland_desktop start_compositor(const std::vector<std::string>& argv,
                                 const std::regex& display_line)
{
    wayland_desktop desktop;
    desktop.host_display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    desktop.runtime_folder = make_temporary_folder("wayland");
    std::filesystem::permissions(desktop.runtime_folder, std::filesystem::perms::owner_all);
    desktop.log = desktop.runtime_folder + "/compositor.log";
    // Compositors report on standard error; both streams go to the log.
    std::vector<std::string> logged{"sh", "-c", "exec \"$@\" 2>&1", "sh"};
    logged.insert(logged.end(), argv.begin(), argv.end());
    desktop.compositor = start_process(logged, desktop.runtime_folder, desktop.log,
                                       {"XDG_RUNTIME_DIR=" + desktop.runtime_folder,
                                        "WAYLAND_DISPLAY="});
    std::string number;
    wait_until([&] {
        return !(number = first_match(read_text_file(desktop.log), display_line)).empty() ||
               !process_running(desktop.compositor);
    }, std::chrono::seconds(60));
    if (number.empty()) {
        desktop.failure = argv[0] + " did not start an XWayland server: " +
                          read_text_file(desktop.log);
        return desktop;
    }
    desktop.x_display = ":" + number;
    setenv("DISPLAY", desktop.x_display.c_str(), 1);
    return desktop;
}

}  // namespace

wayland_desktop start_mutter()
{
    wayland_desktop desktop = start_compositor(
        {"dbus-run-session", "--", "mutter", "--wayland", "--headless", "--virtual-monitor",
         "1280x1024", "--wayland-display=tilequilt-mutter", "--sm-disable"},
        std::regex(R"(Using public X11 display :(\d+))"));
    if (!desktop.failure.empty())
        return desktop;
    // Its XWayland admits only clients with the key it wrote here.
    std::string key;
    wait_until([&] {
        for (const auto& entry : std::filesystem::directory_iterator(desktop.runtime_folder))
            if (entry.path().filename().string().rfind(".mutter-Xwaylandauth.", 0) == 0)
                key = entry.path().string();
        return !key.empty();
    }, std::chrono::seconds(60));
    setenv("XAUTHORITY", key.c_str(), 1);
    // Until its X server answers, clients started now would not find it.
    if (!wait_until([] { return run_output("xdotool getdisplaygeometry 2>/dev/null") != ""; },
                    std::chrono::seconds(60)))
        desktop.failure = "mutter's XWayland server does not answer";
    return desktop;
}

wayland_desktop start_weston()
{
    wayland_desktop desktop = start_compositor(
        {"weston", "--backend=x11-backend.so", "--xwayland", "--socket=tilequilt-weston",
         "--width=1024", "--height=800", "--idle-time=0"},
        std::regex(R"(xserver listening on display :(\d+))"));
    // Weston starts XWayland when the first client comes; xdotool is that client.
    if (desktop.failure.empty() &&
        !wait_until([] { return run_output("xdotool getdisplaygeometry 2>/dev/null") != ""; },
                    std::chrono::seconds(60)))
        desktop.failure = "weston's XWayland server does not answer";
    return desktop;
}

void stop_wayland_desktop(wayland_desktop& desktop)
{
    // Asked first, so that XWayland removes its socket and lock file.
    if (desktop.compositor.pid > 0) {
        kill(-desktop.compositor.pid, SIGTERM);
        wait_process(desktop.compositor, std::chrono::seconds(5));
    }
    stop_process(desktop.compositor);
    setenv("DISPLAY", desktop.host_display.c_str(), 1);
    unsetenv("XAUTHORITY");
    std::error_code ignored;  // the compositor may still be removing its own files
    std::filesystem::remove_all(desktop.runtime_folder, ignored);
}
