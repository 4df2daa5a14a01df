#include "desktop.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

[[noreturn]] void exec_child(const std::vector<std::string>& argv, const std::string& folder,
                             const std::string& output_file,
                             const std::vector<std::string>& environment)
{
    setpgid(0, 0);
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        _exit(126);
    if (!output_file.empty()) {
        const int fd = open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            close(fd);
        }
    }
    for (const std::string& entry : environment)
        putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

}  // namespace

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
        std::vector<std::string> argv{"Xvfb", "-displayfd", fd, "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp", "-noreset"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> args;
        for (std::string& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        execvp("Xvfb", args.data());
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

child_process start_process(const std::vector<std::string>& argv, const std::string& folder,
                            const std::string& output_file,
                            const std::vector<std::string>& environment)
{
    std::fflush(nullptr);
    child_process process;
    process.pid = fork();
    if (process.pid == 0)
        exec_child(argv, folder, output_file, environment);
    return process;
}

int wait_process(child_process& process, std::chrono::milliseconds timeout)
{
    if (process.pid <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        const int done = waitpid(process.pid, &status, WNOHANG);
        if (done == process.pid) {
            process.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool process_running(const child_process& process)
{
    if (process.pid <= 0)
        return false;
    int status = 0;
    return waitpid(process.pid, &status, WNOHANG) == 0;
}

void stop_process(child_process& process)
{
    if (process.pid <= 0)
        return;
    kill(-process.pid, SIGKILL);
    kill(process.pid, SIGKILL);
    waitpid(process.pid, nullptr, 0);
    process.pid = -1;
}

std::string run_output(const std::string& command)
{
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string make_temporary_folder(const std::string& label)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("tilequilt-" + label + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp");
    return pattern;
}

small_disk::small_disk() : folder(make_temporary_folder("small-disk"))
{
    mounted = geteuid() == 0 &&
              run_output("mount -t tmpfs -o size=32m tmpfs '" + folder + "' 2>&1 && echo mounted")
                      .find("mounted") != std::string::npos;
}

small_disk::~small_disk()
{
    if (mounted)
        run_output("umount -l '" + folder + "'");
    std::filesystem::remove_all(folder);
}

void small_disk::leave_free(long long free_bytes)
{
    struct statvfs status{};
    statvfs(folder.c_str(), &status);
    const long long available = static_cast<long long>(status.f_bavail) * status.f_frsize;
    if (available > free_bytes) {
        std::ofstream filler(folder + "/filler", std::ios::binary | std::ios::app);
        const std::string block(1 << 16, 'f');
        for (long long left = available - free_bytes; left > 0; left -= block.size())
            filler.write(block.data(), std::min<long long>(left, block.size()));
    }
}

std::vector<std::string> folder_files(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string read_text_file(const std::string& name)
{
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool file_exists(const std::string& name)
{
    return std::filesystem::exists(name);
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
    wait_until([&] { return !(id = find_window(title_pattern)).empty(); }, timeout);
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
    wait_until([&] { return pointer_over(window); }, std::chrono::seconds(5));
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
               std::chrono::seconds(20));
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
