// The main scenario of players on Linux: the game is a Windows program under Wine, and the Linux
// tool captures it. Here the Windows stand-in, built for 32-bit Windows, runs under 32-bit Wine
// on a private X server, and the real tilequilt program captures it by a real click.
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

constexpr char wine_loader[] = "/usr/lib/wine/wine";

struct wine_capture : ::testing::Test {
    private_display display;
    std::string folder = make_temporary_folder("wine-capture");
    std::vector<std::string> wine_environment{
        "WINEPREFIX=" + folder + "/prefix", "WINEARCH=win32", "WINEDEBUG=-all",
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

    // Starts the Windows stand-in under Wine; fails the test when it does not come up.
    std::string start_windows_game()
    {
        if (!fs::exists(wine_loader)) {
            ADD_FAILURE() << "32-bit Wine is missing (" << wine_loader << ")";
            return "";
        }
        child_process boot = start_process({wine_loader, "wineboot", "-i"}, folder, "/dev/null",
                                           wine_environment);
        EXPECT_EQ(wait_process(boot, std::chrono::seconds(120)), 0) << "wineboot did not finish";
        game = start_process({wine_loader, WINDOWS_STANDIN_PROGRAM, "--size", "1", "--seed", "21",
                              "--key-log", "keys.log", "--state", "state.txt"},
                             folder, "/dev/null", wine_environment);
        const std::string window =
            wait_for_window("^Heroes of Might and Magic III$", std::chrono::seconds(60));
        EXPECT_FALSE(window.empty()) << "the Windows stand-in did not come up under Wine";
        return window;
    }

    void capture_and_compare()
    {
        tool = start_tool(folder);
        ASSERT_FALSE(tool.window.empty());
        run_output("xdotool windowmove --sync " + tool.window + " 850 0");
        click_in_window(tool.window, 92, 37);  // Size 1: a small map
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
