// The game is a Windows program: the Windows stand-in, built for 32-bit Windows, runs under
// 32-bit Wine (or, on a kernel that runs no 32-bit programs, the 64-bit build under 64-bit Wine)
// on a private X server. The Linux tool captures it by a real click, as players on Linux do; and
// the Windows tool, under Wine beside it, does the same by clicks on its own window, as players
// on Windows do.
#include "image_files.h"
#include "map_capture.h"
#include "messages.h"
#include "standin_map.h"
#include "tile_grid.h"
#include "window_layout.h"

#include "picture_image.h"
#include "result_files.h"
#include "skipped_groups.h"
#include "standin_session.h"
#include "tool_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// WINE_LOADER is "wine" (32-bit) or "wine64".
const std::string wine_loader = std::string("/usr/lib/wine/") + WINE_LOADER;
const std::string wine_arch = std::string(WINE_LOADER) == "wine64" ? "win64" : "win32";

// The largest difference of the mean brightness of an 8 x 8 block (JPEG's own blocks) between two
// pictures of one size. JPEG keeps those within a few levels whatever its quality (colour it
// smooths further); every tile of the stand-in's map has a dark mark at a spot of its own, which
// moves a block's mean by about ten levels where the view is wrong.
double worst_block_mean_difference(const image& a, const image& b)
{
    const auto brightness = [](const image& p, int x, int y) {
        return 0.299 * p(x, y, 0, 0) + 0.587 * p(x, y, 0, 1) + 0.114 * p(x, y, 0, 2);
    };
    double worst = 0;
    for (int by = 0; by + 8 <= a.height(); by += 8)
        for (int bx = 0; bx + 8 <= a.width(); bx += 8) {
            double total = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x)
                    total += brightness(a, x, y) - brightness(b, x, y);
            worst = std::max(worst, std::abs(total) / 64.0);
        }
    return worst;
}

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
        stop_process(windows_tool);
        stop_process(tool.process);
        stop_process(game);
        child_process server = start_process({"/usr/lib/wine/wineserver", "-k"}, folder, "",
                                             wine_environment);
        wait_process(server, std::chrono::seconds(20));
        stop_process(manager);
        fs::remove_all(folder);
    }

    // The test's Wine prefix: a copy of the one booted once for all the Wine tests.
    bool copy_prefix()
    {
        if (fs::exists(folder + "/prefix"))
            return true;
        if (run_output(std::string("cp -a '") + WINE_PREFIX_TEMPLATE + "' '" + folder +
                       "/prefix' && echo copied") == "copied\n")
            return true;
        ADD_FAILURE() << "no Wine prefix to copy at " << WINE_PREFIX_TEMPLATE;
        return false;
    }

    // Starts the Windows stand-in under Wine, with `options` of its own; fails the test at once
    // when Wine cannot start, and when the stand-in does not come up.
    std::string start_windows_game(const std::vector<std::string>& options = {})
    {
        if (!fs::exists(wine_loader)) {
            ADD_FAILURE() << "Wine is missing (" << wine_loader << ")";
            return "";
        }
        if (!copy_prefix())
            return "";
        std::vector<std::string> argv{wine_loader, WINDOWS_STANDIN_PROGRAM, "--size", "1",
                                      "--seed", "21", "--key-log", "keys.log", "--state",
                                      "state.txt"};
        argv.insert(argv.end(), options.begin(), options.end());
        game = start_process(argv, folder, folder + "/standin-output.txt", wine_environment);
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
        EXPECT_TRUE(press_button(tool.window, capture_x, capture_y));
        ASSERT_TRUE(wait_until([&] { return file_exists(folder + "/result-grid.jpg"); },
                               std::chrono::seconds(90)))
            << "no map; the tool said: " << read_text_file(tool.messages);

        EXPECT_EQ(wrong_result_files(folder, image_of(generate_map(1152, 21))), "");

        // The Windows program received the bursts, with Ctrl held, as Windows keys.
        const std::vector<logged_burst> bursts = read_bursts(folder + "/keys.log");
        ASSERT_EQ(bursts.size(), 14u);
        EXPECT_EQ(bursts[0].dx, -18);
        EXPECT_EQ(bursts[0].dy, -18);
        for (const logged_burst& burst : bursts)
            EXPECT_TRUE(burst.taps_with_ctrl && burst.released);
        EXPECT_EQ(read_text_file(tool.output), "");
    }

    // The map the Windows tool wrote is the small map the game shows, with its grid: judged on
    // decoded pixels (the Windows codec's own JPEG, under Wine at its own quality); the game
    // had the bursts with Ctrl held.
    void expect_the_small_map()
    {
        image truth = image_of(generate_map(1152, 21));
        const image map = load_image(folder + "/result.jpg");
        ASSERT_EQ(map.width(), 1152);
        EXPECT_LE(worst_block_mean_difference(map, truth), 4.0);
        EXPECT_GE(worst_block_mean_difference(map, truth.get_shift(64, 0)), 10.0)
            << "the judge tells a view a tap off";
        draw_tile_grid(truth, 1152);
        EXPECT_LE(worst_block_mean_difference(load_image(folder + "/result-grid.jpg"), truth), 4.0);
        for (const logged_burst& burst : read_bursts(folder + "/keys.log"))
            EXPECT_TRUE(burst.taps_with_ctrl && burst.released);
        EXPECT_EQ(read_bursts(folder + "/keys.log").size(), 14u);
    }

    // The Windows tool under Wine, started in `where` (the test's folder by default), its message
    // log in the test's folder; the id of its window.
    std::string start_windows_tool(const std::string& where = "")
    {
        if (!copy_prefix())
            return "";
        std::vector<std::string> environment = wine_environment;
        std::string log = "Z:" + folder + "/messages.log";
        std::replace(log.begin(), log.end(), '/', '\\');
        environment.push_back("TILEQUILT_MESSAGE_LOG=" + log);
        windows_tool = start_process({wine_loader, WINDOWS_TOOL_PROGRAM}, where.empty() ? folder : where,
                                     folder + "/tool-output.txt", environment);
        std::string window;
        wait_until([&] {
            window = run_output("xdotool search --onlyvisible --name '^Tilequilt$' 2>/dev/null");
            return !window.empty() || !process_running(windows_tool);
        }, std::chrono::seconds(60));
        window = window.substr(0, window.find('\n'));
        EXPECT_FALSE(window.empty()) << "the Windows tool did not come up under Wine: "
                                     << read_text_file(folder + "/tool-output.txt");
        return window;
    }

    // Waits for the Windows tool to show a message (or another `kind` of box); what it told the
    // player.
    std::string windows_tool_message(const std::string& kind = "message: ")
    {
        const std::string log = folder + "/messages.log";
        wait_until([&] { return read_text_file(log).find(kind) != std::string::npos; },
                   std::chrono::seconds(60));
        return read_text_file(log);
    }

    child_process windows_tool;
};

}  // namespace

TEST_F(wine_capture, WithoutAWindowManager)
{
    ASSERT_FALSE(start_windows_game().empty());
    capture_and_compare();
}

TEST_F(wine_capture, UnderAWindowManager)
{
    SKIP_IF_GROUP_SKIPPED("window-manager");
    manager = start_window_manager();
    ASSERT_FALSE(start_windows_game().empty());
    capture_and_compare();
}

TEST_F(wine_capture, WindowsToolCapturesAndCompressesByClicks)
{
    // A game that shows every view 120 ms after its key: each screen is waited for.
    ASSERT_FALSE(start_windows_game({"--redraw-delay", "120"}).empty());
    const std::string window = start_windows_tool();
    ASSERT_FALSE(window.empty());
    run_output("xdotool windowmove --sync " + window + " 850 0");
    // A click on the Size trackbar left of its thumb moves it one step down: Size 1.
    click_in_window(window, size_place.x + 50, size_place.centre_y());
    // Beside it, a Windows program that asks the tool's window again and again, while the
    // capture runs, whether it answers.
    child_process asker = start_process({wine_loader, WINDOW_ANSWERS_PROGRAM}, folder,
                                        folder + "/answers.txt", wine_environment);
    // And a picture viewer showing the earlier result.jpg, until the tool says it waits for it:
    // the new pair replaces the old one only then.
    std::ofstream(folder + "/result.jpg") << "an earlier map";
    child_process viewer = start_process(
        {wine_loader, FILE_HOLDER_PROGRAM, "--hold-until", "result.jpg", "tool-output.txt",
         "result.jpg' open"},
        folder, folder + "/viewer.txt", wine_environment);
    ASSERT_TRUE(wait_until([&] { return read_text_file(folder + "/viewer.txt") != ""; },
                           std::chrono::seconds(60)));
    ASSERT_NE(read_text_file(folder + "/viewer.txt").find("holding result.jpg"), std::string::npos);
    EXPECT_TRUE(press_button(window, capture_place.centre_x(), capture_place.centre_y()));
    ASSERT_TRUE(wait_until([&] { return file_exists(folder + "/result-grid.jpg"); },
                           std::chrono::seconds(90)))
        << "no map; the tool said: " << read_text_file(folder + "/messages.log")
        << read_text_file(folder + "/tool-output.txt");
    EXPECT_EQ(wait_process(asker, std::chrono::seconds(60)), 0)
        << read_text_file(folder + "/answers.txt");
    EXPECT_EQ(wait_process(viewer, std::chrono::seconds(60)), 0);
    EXPECT_NE(read_text_file(folder + "/tool-output.txt").find("result.jpg' open"), std::string::npos)
        << read_text_file(folder + "/tool-output.txt");
    EXPECT_NE(read_text_file(folder + "/answers.txt").find("seen: Tilequilt - "), std::string::npos);
    expect_the_small_map();
    EXPECT_EQ(read_text_file(folder + "/tool-output.txt").find("capture: screen"), std::string::npos)
        << "progress lines only on a console";

    // Compress at the sliders' first values: zoom 0.5.
    EXPECT_TRUE(press_button(window, compress_place.centre_x(), compress_place.centre_y()));
    ASSERT_TRUE(wait_until([&] { return file_exists(folder + "/compress-result-grid.jpg"); },
                           std::chrono::seconds(60)));
    for (const char* name : {"/compress-result.jpg", "/compress-result-grid.jpg"}) {
        const image copy = load_image(folder + name);
        EXPECT_EQ(copy.width(), 576) << name;
        EXPECT_EQ(copy.height(), 576) << name;
    }
    EXPECT_EQ(read_text_file(folder + "/messages.log"), "") << "a capture that worked says nothing";
}

// At 144 DPI (a display at 150 %): the tool's window laid out and lettered at that scale, and the
// game, which leaves scaling to the system as the real one does, captured exactly.
TEST_F(wine_capture, WindowsToolAt150PercentCapturesExactly)
{
    ASSERT_TRUE(copy_prefix());
    run_output("sed -i '/^\\[Control Panel\\\\\\\\Desktop\\] /a \"LogPixels\"=dword:00000090' '" +
               folder + "/prefix/user.reg'");
    ASSERT_NE(read_text_file(folder + "/prefix/user.reg").find("\"LogPixels\"=dword:00000090"),
              std::string::npos);
    ASSERT_FALSE(start_windows_game().empty());
    const std::string window = start_windows_tool();
    ASSERT_FALSE(window.empty());
    const auto at_150 = [](int length) { return length * 3 / 2; };
    const window_geometry shown = geometry_of(window);
    EXPECT_EQ(shown.width, at_150(window_width));
    EXPECT_EQ(shown.height, at_150(window_height));
    run_output("xdotool windowmove --sync " + window + " 850 0");
    click_in_window(window, at_150(size_place.x + 50), at_150(size_place.centre_y()));
    EXPECT_TRUE(press_button(window, at_150(capture_place.centre_x()),
                             at_150(capture_place.centre_y())));
    ASSERT_TRUE(wait_until([&] { return file_exists(folder + "/result-grid.jpg"); },
                           std::chrono::seconds(90)))
        << "no map; the tool said: " << read_text_file(folder + "/messages.log")
        << read_text_file(folder + "/tool-output.txt");
    expect_the_small_map();
}

// In a console of Wine's own, the Windows tool's command switches the console's text selection
// off while it captures, and puts the player's mode back at the end of a capture and when Ctrl+C
// ends it in the middle of one.
TEST_F(wine_capture, WindowsCommandPutsTheConsoleModeBack)
{
    ASSERT_FALSE(start_windows_game().empty());
    std::string tool = std::string("Z:") + WINDOWS_TOOL_PROGRAM;
    std::replace(tool.begin(), tool.end(), '/', '\\');
    child_process console =
        start_process({wine_loader, "wineconsole", CONSOLE_MODE_CHECK_PROGRAM, tool, "check.txt"},
                      folder, folder + "/console.txt", wine_environment);
    EXPECT_EQ(wait_process(console, std::chrono::seconds(240)), 0);
    EXPECT_NE(read_text_file(folder + "/check.txt").find(" passed, 0 failed"), std::string::npos)
        << read_text_file(folder + "/check.txt") << read_text_file(folder + "/console.txt");
    for (const logged_burst& burst : read_bursts(folder + "/keys.log"))
        EXPECT_TRUE(burst.taps_with_ctrl && burst.released);
}

// Started in the system's temporary folder (as from a zip opened in place in Explorer), the tool
// says so before it looks for the game and offers the player's Pictures folder; taken, it goes
// on there, and without the game says so.
TEST_F(wine_capture, WindowsToolInATemporaryFolderOffersThePicturesFolder)
{
    ASSERT_TRUE(copy_prefix());
    std::string user = run_output("ls '" + folder + "/prefix/drive_c/users' | grep -vx Public | head -n 1");
    user = user.substr(0, user.find('\n'));
    const std::string home = folder + "/prefix/drive_c/users/" + user;
    // The prefix's Pictures folder is a link to the Linux home: made a folder of the test's own.
    fs::remove(home + "/Pictures");
    fs::create_directories(home + "/Pictures");
    fs::create_directories(home + "/Temp/Temp1_tilequilt.zip");
    const std::string window = start_windows_tool(home + "/Temp/Temp1_tilequilt.zip");
    ASSERT_FALSE(window.empty());
    EXPECT_TRUE(press_button(window, capture_place.centre_x(), capture_place.centre_y()));
    const std::string asked = windows_tool_message("question: ");
    EXPECT_NE(asked.find("Temp1_tilequilt.zip', a temporary folder"), std::string::npos) << asked;
    EXPECT_NE(asked.find("Pictures folder 'C:\\users\\" + user + "\\Pictures' instead?"),
              std::string::npos) << asked;
    // The box is a second window of that title; Return answers Yes.
    std::string box;
    EXPECT_TRUE(wait_until([&] {
        std::istringstream ids(
            run_output("xdotool search --onlyvisible --name '^Tilequilt$' 2>/dev/null"));
        for (std::string id; ids >> id;)
            if (id != window)
                box = id;
        return !box.empty();
    }, std::chrono::seconds(60)));
    press_key(box, "Return");
    EXPECT_NE(windows_tool_message("message: ").find(std::string("message: ") + game_not_found_message),
              std::string::npos);
    EXPECT_NE(read_text_file(folder + "/tool-output.txt").find("the maps go into 'C:\\users\\"),
              std::string::npos) << read_text_file(folder + "/tool-output.txt");
}

// Another program lets go of Ctrl in the middle of one of the tool's bursts: the burst stops
// before its next arrow, and the capture with it; no arrow reached the game without Ctrl.
TEST_F(wine_capture, WindowsToolStopsWhenAnotherProgramLetsGoOfCtrl)
{
    ASSERT_FALSE(start_windows_game().empty());
    const std::string window = start_windows_tool();
    ASSERT_FALSE(window.empty());
    run_output("xdotool windowmove --sync " + window + " 850 0");
    click_in_window(window, size_place.x + 50, size_place.centre_y());
    // At the game's fifth right arrow, the first of the first row's first step of seven.
    child_process releaser = start_process({wine_loader, CONTROL_RELEASER_PROGRAM, "keys.log", "5"},
                                           folder, folder + "/releaser.txt", wine_environment);
    EXPECT_TRUE(press_button(window, capture_place.centre_x(), capture_place.centre_y()));
    EXPECT_EQ(wait_process(releaser, std::chrono::seconds(60)), 0)
        << read_text_file(folder + "/releaser.txt");
    const std::string said = windows_tool_message();
    EXPECT_NE(said.find("let go of the Ctrl key"), std::string::npos) << said;
    // The capture stopped in that burst, the fifth, short of its seven taps.
    const std::vector<logged_burst> bursts = read_bursts(folder + "/keys.log");
    ASSERT_EQ(bursts.size(), 5u);
    EXPECT_LT(bursts.back().taps.size(), 7u);
    for (const logged_burst& burst : bursts)
        EXPECT_TRUE(burst.taps_with_ctrl);
    EXPECT_FALSE(file_exists(folder + "/result.jpg"));
}

// A game whose window shows one colour (drawn where a snapshot of the window cannot see it):
// the capture stops before any key, says so, and writes nothing.
TEST_F(wine_capture, WindowsToolRefusesAGameThatGivesNoSnapshot)
{
    ASSERT_FALSE(start_windows_game({"--blank"}).empty());
    const std::string window = start_windows_tool();
    ASSERT_FALSE(window.empty());
    run_output("xdotool windowmove --sync " + window + " 850 0");
    EXPECT_TRUE(press_button(window, capture_place.centre_x(), capture_place.centre_y()));
    const std::string said = windows_tool_message();
    EXPECT_NE(said.find("no snapshot could be taken"), std::string::npos) << said;
    EXPECT_TRUE(read_bursts(folder + "/keys.log").empty());
    EXPECT_FALSE(file_exists(folder + "/result.jpg"));
}
