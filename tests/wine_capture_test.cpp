// The main scenario of players on Linux: the game is a Windows program under Wine, and the Linux
// tool captures it. Here the Windows stand-in, built for 32-bit Windows, runs under 32-bit Wine
// (or, on a kernel that runs no 32-bit programs, the 64-bit build under 64-bit Wine) on a private
// X server, and the real tilequilt program captures it by a real click.
#include "image_files.h"
#include "map_capture.h"
#include "standin_map.h"

#include "picture_image.h"
#include "result_files.h"
#include "standin_session.h"
#include "tool_session.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// WINE_LOADER is "wine" (32-bit) or "wine64".
const std::string wine_loader = std::string("/usr/lib/wine/") + WINE_LOADER;
const std::string wine_arch = std::string(WINE_LOADER) == "wine64" ? "win64" : "win32";

struct wine_capture : ::testing::Test {
    private_display display;
    std::string folder = make_temporary_folder("wine-capture");
    std::vector<std::string> wine_environment{
        "WINEPREFIX=" + folder + "/prefix", "WINEARCH=" + wine_arch, "WINEDEBUG=-all",
        "WINEDLLOVERRIDES=mscoree,mshtml="};
    child_process game;
    child_process manager;
    tool_session tool;

    void TearDown() override
    {
        stop_process(tool.process);
        stop_process(game);
        child_process server = start_process({"/usr/lib/wine/wineserver", "-k"}, folder, "",
                                             wine_environment);
        wait_process(server, std::chrono::seconds(20));
        stop_process(manager);
        fs::remove_all(folder);
    }

    // Starts the Windows stand-in under Wine; fails the test at once when Wine cannot start, and
    // when the stand-in does not come up.
    std::string start_windows_game()
    {
        if (!fs::exists(wine_loader)) {
            ADD_FAILURE() << "Wine is missing (" << wine_loader << ")";
            return "";
        }
        const std::string boot_output = folder + "/wineboot.txt";
        child_process boot = start_process({wine_loader, "wineboot", "-i"}, folder, boot_output,
                                           wine_environment);
        if (wait_process(boot, std::chrono::seconds(120)) != 0) {
            ADD_FAILURE() << "Wine could not start: " << read_text_file(boot_output);
            return "";
        }
        game = start_process({wine_loader, WINDOWS_STANDIN_PROGRAM, "--size", "1", "--seed", "21",
                              "--key-log", "keys.log", "--state", "state.txt"},
                             folder, folder + "/standin-output.txt", wine_environment);
        std::string window;
        wait_until([&] {
            window = run_output("xdotool search --onlyvisible --name "
                                "'^Heroes of Might and Magic III$' 2>/dev/null | head -n 1");
            return !window.empty() || !process_running(game);
        }, std::chrono::seconds(60));
        if (!window.empty() && window.back() == '\n')
            window.pop_back();
        EXPECT_FALSE(window.empty()) << "the Windows stand-in did not come up under Wine: "
                                     << read_text_file(folder + "/standin-output.txt");
        return window;
    }

    void capture_and_compare()
    {
        tool = start_tool(folder);
        ASSERT_FALSE(tool.window.empty());
        run_output("xdotool windowmove --sync " + tool.window + " 850 0");
        choose_size(tool, 0);  // a small map
        click_in_window(tool.window, capture_x, capture_y);
        ASSERT_TRUE(wait_until([&] { return file_exists(folder + "/result-grid.jpg"); },
                               std::chrono::seconds(90)))
            << "no map; the tool said: " << read_text_file(tool.messages);

        EXPECT_EQ(wrong_result_files(folder, image_of(generate_map(1152, 21))), "");

        // The Windows program received the bursts, with Ctrl held, as Windows keys.
        const std::vector<logged_burst> bursts = read_bursts(folder + "/keys.log");
        ASSERT_EQ(bursts.size(), 13u);
        EXPECT_EQ(bursts[0].dx, -18);
        EXPECT_EQ(bursts[0].dy, -18);
        for (const logged_burst& burst : bursts)
            EXPECT_TRUE(burst.taps_with_ctrl && burst.released);
        EXPECT_EQ(read_text_file(tool.output), "");
    }
};

}  // namespace

TEST_F(wine_capture, WithoutAWindowManager)
{
    ASSERT_FALSE(start_windows_game().empty());
    capture_and_compare();
}

TEST_F(wine_capture, UnderAWindowManager)
{
    manager = start_window_manager();
    ASSERT_FALSE(start_windows_game().empty());
    capture_and_compare();
}
