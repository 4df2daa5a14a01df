#include "tool_session.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <unistd.h>

std::vector<std::string> as_unprivileged_user()
{
    if (geteuid() != 0)
        return {};
    return {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
}

tool_session start_tool(const std::string& folder, const std::vector<std::string>& launcher,
                        const std::vector<std::string>& arguments)
{
    tool_session tool;
    tool.folder = folder;
    const std::string logs = make_temporary_folder("tool-log");
    std::filesystem::permissions(logs, std::filesystem::perms::all);
    tool.messages = logs + "/messages.log";
    tool.output = logs + "/stdout.txt";
    std::vector<std::string> argv = launcher;
    argv.push_back(TILEQUILT_PROGRAM);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    tool.process = start_process(argv, folder, tool.output, {"TILEQUILT_MESSAGE_LOG=" + tool.messages});
    tool.window = wait_for_window("^Tilequilt$", std::chrono::seconds(60));
    return tool;
}

bool press_button(const std::string& window, int x, int y, const click_method& click)
{
    title_watch watch(window);
    for (int attempt = 0; attempt < 5; ++attempt) {
        click(window, x, y);
        // The title is set before anything else the action does, so a few seconds without it
        // mean the click went elsewhere; and should it only have been slow, the click made again
        // finds the controls inactive while the action runs.
        if (watch.next_change(std::chrono::seconds(5)))
            return true;
    }
    return false;
}

void choose_size(const tool_session& tool, int size_index)
{
    const int y = size_place.centre_y();
    if (size_index == offered_map_sizes - 1) {
        click_in_window(tool.window, slider_high_x(size_place), y);
        return;
    }
    click_in_window(tool.window, slider_low_x(size_place), y);
    for (int step = 0; step < size_index; ++step)
        press_key(tool.window, "Right");
}

std::string wait_for_messages(const tool_session& tool, int count,
                              std::chrono::milliseconds timeout)
{
    std::string text;
    wait_until(
        [&] {
            text = read_text_file(tool.messages);
            return std::count(text.begin(), text.end(), '\n') >= count;
        },
        timeout);
    return text;
}

bool dismiss_dialog(const tool_session& tool, const std::string& title_pattern,
                    const std::string& key)
{
    std::string dialog;
    const bool shown = wait_until(
        [&] {
            std::istringstream ids(run_output("xdotool search --onlyvisible --name '" +
                                              title_pattern + "' 2>/dev/null"));
            std::string id;
            while (ids >> id)
                if (id != tool.window)
                    dialog = id;
            return !dialog.empty();
        },
        std::chrono::seconds(60));
    if (!shown)
        return false;
    press_key(dialog, key);
    return wait_until([&] { return run_output("xdotool search --onlyvisible --name '" +
                                              title_pattern + "' 2>/dev/null")
                                       .find(dialog) == std::string::npos; },
                      std::chrono::seconds(60));
}
