// The whole job as a player does it: the stand-in game and the real tilequilt program on a
// private X server, "capture" pressed with a real mouse click, and the pictures compared with
// the stand-in's own map. Beside the game, a second real window records any key that goes astray.
#include "image_files.h"
#include "messages.h"
#include "map_capture.h"
#include "map_walk.h"
#include "standin_map.h"
#include "standin_model.h"

#include "picture_image.h"
#include "result_files.h"
#include "skipped_groups.h"
#include "standin_session.h"
#include "tool_session.h"

#include <gtest/gtest.h>


#include <csignal>
#include <random>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t seed = 21;

image map_of(int size_index)
{
    return image_of(generate_map(map_size_table[size_index].map_pixels, seed));
}

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int arrows_in(const std::string& key_log)
{
    int arrows = 0;
    for (const logged_key& key : read_key_log(key_log))
        arrows += key.pressed && key.key != standin_key::control && key.key != standin_key::other;
    return arrows;
}

struct capture_program : ::testing::Test {
    explicit capture_program(const std::vector<std::string>& server_arguments = {})
        : display(server_arguments)
    {
    }

    private_display display;
    std::string folder = make_temporary_folder("capture-program");
    standin_session game;
    tool_session tool;
    std::vector<child_process> others;
    std::string earlier_result, earlier_grid;

    void TearDown() override
    {
        stop_process(tool.process);
        stop_standin_game(game);
        for (child_process& other : others)
            stop_process(other);
    }

    void start_game(int size_index, const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> options{"--size", std::to_string(size_index + 1), "--seed",
                                         std::to_string(seed)};
        options.insert(options.end(), extra.begin(), extra.end());
        game = start_standin_game(folder, options);
        ASSERT_FALSE(game.window.empty()) << "the stand-in's window did not appear";
    }

    void start_tool_here(const std::vector<std::string>& launcher = {})
    {
        tool = start_tool(folder, launcher);
        ASSERT_FALSE(tool.window.empty()) << "the tool's window did not appear";
    }

    key_recorder start_recorder(int x, int y, int width, int height,
                                const std::vector<std::string>& options = {})
    {
        key_recorder recorder = start_key_recorder(folder + "/recorder-" +
                                                       std::to_string(others.size()) + ".log",
                                                   x, y, width, height, options);
        others.push_back(recorder.process);
        EXPECT_FALSE(recorder.window.empty()) << "the recording window did not appear";
        return recorder;
    }

    // Results of a map captured before, which a failed capture must leave as they are.
    void write_earlier_results()
    {
        image earlier(1152, 1152, 1, 3, 90);
        save_jpeg_file(earlier, folder + "/result.jpg", 80);
        save_jpeg_file(earlier, folder + "/result-grid.jpg", 80);
        earlier_result = read_text_file(folder + "/result.jpg");
        earlier_grid = read_text_file(folder + "/result-grid.jpg");
    }

    void expect_earlier_results()
    {
        EXPECT_TRUE(read_text_file(folder + "/result.jpg") == earlier_result)
            << "result.jpg was replaced";
        EXPECT_TRUE(read_text_file(folder + "/result-grid.jpg") == earlier_grid)
            << "result-grid.jpg was replaced";
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos)
                << entry.path() << " left behind";
    }

    void choose_size(int size_index) { ::choose_size(tool, size_index); }

    void press_capture()
    {
        ASSERT_TRUE(press_button(tool.window, capture_x, capture_y)) << "the capture never began";
    }

    bool capture(std::chrono::seconds timeout)
    {
        fs::remove(folder + "/result-grid.jpg");
        const size_t said_before = read_text_file(tool.messages).size();
        press_capture();
        // A capture that stopped says so at once; there is no need to wait for its map then.
        wait_until([&] { return file_exists(folder + "/result-grid.jpg") ||
                                read_text_file(tool.messages).find("message: ", said_before) !=
                                    std::string::npos; },
                   timeout);
        const bool done = file_exists(folder + "/result-grid.jpg");
        if (!done)
            ADD_FAILURE() << "no map; the tool said: " << read_text_file(tool.messages)
                          << read_text_file(tool.output);
        return done;
    }

    // Waits for the capture to stop with a message; returns what the tool said.
    std::string stopped_with_message()
    {
        std::string said;
        wait_until([&] { return (said = read_text_file(tool.messages)).find("message: ") !=
                                std::string::npos; },
                   std::chrono::seconds(60));
        EXPECT_TRUE(wait_until([&] { return ends_with(read_text_file(tool.output), "capture fail!\n"); },
                               std::chrono::seconds(60)));
        EXPECT_TRUE(dismiss_dialog(tool, "^Tilequilt$"));
        return said;
    }

    bool taps_reach(int count)
    {
        return wait_until([&] { return read_standin_state(game.state).taps >= count; },
                          std::chrono::seconds(60));
    }

    void expect_whole_map(int size_index)
    {
        EXPECT_EQ(wrong_result_files(folder, map_of(size_index)), "");
    }

    // A capture of a game that misses the tap numbered `tap`: exact, with one recovery told.
    void capture_recovering_a_missed_tap(int size_index, int tap)
    {
        start_game(size_index, {"--ignore-taps", std::to_string(tap)});
        start_tool_here();
        choose_size(size_index);
        ASSERT_TRUE(capture(std::chrono::seconds(200)));
        expect_whole_map(size_index);
        EXPECT_EQ(read_text_file(tool.output), std::string(capture_recovered_line) + "\n");
    }

    // Mid-burst, a second window takes the keyboard (`how`: --focus or --activate, at the game's
    // fifth arrow): the capture stops at once, the other window gets at most the tap in flight,
    // Ctrl is up, the earlier results stay, and the next capture works.
    void another_window_takes_the_keyboard(const std::string& how)
    {
        write_earlier_results();
        start_game(0);
        start_tool_here();
        const key_recorder other =
            start_recorder(820, 620, 400, 300, {"--at-tap", game.window, "5", how});
        choose_size(0);
        press_capture();
        EXPECT_NE(stopped_with_message().find("another window took the keyboard"),
                  std::string::npos);
        EXPECT_LE(arrows_in(other.key_log), 1) << "at most the tap in flight";
        EXPECT_FALSE(control_held_in_server());
        expect_earlier_results();

        ASSERT_TRUE(capture(std::chrono::seconds(60)));
        expect_whole_map(0);
    }

    // A small map's capture pressed on a desktop that takes no focus request from the tool,
    // like weston, until the player's pointer comes into the game; the tool's title is watched
    // from before the press.
    void capture_on_a_desktop_refusing_focus(title_watch& title)
    {
        start_game(0);
        start_tool_here();
        // Beside the game, so that raising the game does not bring it under the pointer.
        run_output("xdotool windowmove --sync " + tool.window + " 850 0");
        choose_size(0);
        const std::string said = folder + "/focus-keeper.txt";
        others.push_back(start_process({FOCUS_KEEPER_PROGRAM, tool.window, game.window}, "", said));
        ASSERT_TRUE(wait_until([&] { return read_text_file(said) == "ready\n"; },
                               std::chrono::seconds(60)));
        title.watch(tool.window);
        press_capture();
    }

    std::vector<std::pair<int, int>> bursts_sent()
    {
        std::vector<std::pair<int, int>> sent;
        for (const logged_burst& burst : read_bursts(game.key_log)) {
            EXPECT_TRUE(burst.taps_with_ctrl);
            EXPECT_TRUE(burst.horizontal_first);
            EXPECT_TRUE(burst.released);
            sent.push_back({burst.dx, burst.dy});
        }
        return sent;
    }
};

struct capture_program_without_composite : capture_program {
    capture_program_without_composite() : capture_program({"-extension", "Composite"}) {}
};

}  // namespace

TEST_F(capture_program, SmallMapChosenWithTheMouse)
{
    start_game(0);
    start_tool_here();
    // Beside the game, a window that records any key that reaches it.
    const key_recorder beside = start_recorder(820, 620, 400, 300);
    choose_size(0);
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    expect_whole_map(0);
    EXPECT_EQ(read_text_file(beside.key_log), "") << "a key reached another window";
    // The top-left limit reached, a tap right that shows the game caught up, the corner proved by
    // taps that do not move the view; the far edge proved two taps past the right limit and one
    // back at the end of the first row; the rows taken both ways, neighbours sharing a tap.
    EXPECT_EQ(bursts_sent(), (std::vector<std::pair<int, int>>{
                                 {-18, -18}, {1, 0}, {-2, -1}, {3, 3}, {7, 0}, {4, 0}, {6, 0},
                                 {-1, 0}, {-3, 7}, {-4, 0}, {-7, 0}, {0, 4}, {7, 0}, {4, 0}}));
    EXPECT_EQ(read_text_file(tool.messages), "") << "a finished capture says nothing";
    EXPECT_EQ(read_text_file(tool.output), "");
}

TEST_F(capture_program, MediumMapAtTheDefaultSize)
{
    start_game(1);
    start_tool_here();
    ASSERT_TRUE(capture(std::chrono::seconds(90)));
    expect_whole_map(1);
    const auto sent = bursts_sent();
    ASSERT_EQ(sent.size(), 41u);
    EXPECT_EQ(sent.front(), std::make_pair(-36, -36));
}

TEST_F(capture_program, LargeMapChosenWithTheKeyboard)
{
    start_game(2);
    start_tool_here();
    // Focus the Size slider with a click on its value box, then move it one step right with the
    // arrow key.
    click_in_window(tool.window, 68, 37);
    press_key(tool.window, "Right");
    ASSERT_TRUE(capture(std::chrono::seconds(150)));
    expect_whole_map(2);
    const auto sent = bursts_sent();
    ASSERT_EQ(sent.size(), 69u);
    EXPECT_EQ(sent[0], std::make_pair(-54, -54));
    EXPECT_EQ(sent[2], std::make_pair(-2, -1));
    EXPECT_EQ(sent[3], std::make_pair(3, 3));
}

TEST_F(capture_program, GameClosingMidBurstSendsNothingToTheWindowBeneath)
{
    write_earlier_results();
    // Taps 1-36 reach the top-left limit; the game closes during the corner's taps.
    start_game(0, {"--close-after", "40"});
    const window_geometry at = geometry_of(game.window);
    const key_recorder beneath = start_recorder(at.x, at.y, 800, 600);
    run_output("xdotool windowraise " + game.window);
    start_tool_here();
    choose_size(0);
    // The pointer rests over the game, and over the recording window once the game is gone.
    run_output("xdotool mousemove " + std::to_string(at.x + 400) + " " + std::to_string(at.y + 300));
    press_capture();
    EXPECT_NE(stopped_with_message().find("the game window was closed"), std::string::npos);
    EXPECT_EQ(wait_process(game.process, std::chrono::seconds(60)), 0);
    int taps = 0;
    for (const logged_burst& burst : read_bursts(game.key_log))
        taps += static_cast<int>(burst.taps.size());
    EXPECT_EQ(taps, 40);
    EXPECT_TRUE(read_key_log(beneath.key_log).empty()) << read_text_file(beneath.key_log);
    EXPECT_FALSE(control_held_in_server());
    expect_earlier_results();

    // The tool still answers: compress works on the earlier results, and a capture with the
    // game back works.
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    EXPECT_TRUE(wait_until([&] { return file_exists(folder + "/compress-result-grid.jpg"); },
                           std::chrono::seconds(60)));
    start_game(0);
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    expect_whole_map(0);
}

TEST_F(capture_program, AnotherWindowTakingTheKeyboardStopsTheCapture)
{
    another_window_takes_the_keyboard("--focus");
}

TEST_F(capture_program, AnotherWindowActivatedUnderAWindowManagerStopsTheCapture)
{
    SKIP_IF_GROUP_SKIPPED("window-manager");
    others.push_back(start_window_manager());
    another_window_takes_the_keyboard("--activate");
}

TEST_F(capture_program, EndingTheToolMidBurstReleasesCtrl)
{
    start_game(0);
    const key_recorder other = start_recorder(820, 620, 400, 300);
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        start_tool_here();
        choose_size(0);
        const int taps_before = read_standin_state(game.state).taps;
        press_capture();
        ASSERT_TRUE(taps_reach(taps_before + 5));
        kill(tool.process.pid, signal_number);
        EXPECT_TRUE(wait_until([&] { return !process_running(tool.process); },
                               std::chrono::seconds(60)))
            << "ended by signal " << signal_number;
        // It was ended inside the first burst (36 taps to the top-left limit), which the game
        // saw end with Ctrl coming up.
        ASSERT_TRUE(wait_until([&] {
            const std::vector<logged_burst> bursts = read_bursts(game.key_log);
            return !bursts.empty() && bursts.back().released;
        }, std::chrono::seconds(60))) << "after signal " << signal_number;
        EXPECT_LT(read_bursts(game.key_log).back().taps.size(), 36u)
            << "signal " << signal_number << " came between bursts, not inside one";
        EXPECT_FALSE(control_held_in_server()) << "after signal " << signal_number;
        // A key typed afterwards arrives without Ctrl.
        press_key(other.window, "a");
        ASSERT_TRUE(wait_until([&] {
            const auto keys = read_key_log(other.key_log);
            return !keys.empty() && keys.back().key == standin_key::other && !keys.back().pressed;
        }, std::chrono::seconds(60)));
        for (const logged_key& key : read_key_log(other.key_log))
            EXPECT_FALSE(key.ctrl) << "after signal " << signal_number;
        EXPECT_FALSE(file_exists(folder + "/result.jpg"));
    }
}

TEST_F(capture_program, WindowAppearingOverTheGameDoesNotShowInTheMap)
{
    start_game(0);
    start_tool_here();
    choose_size(0);
    // A notification that shows itself over the game's view at the game's 40th arrow, while the
    // capture still has screens to take.
    const window_geometry at = geometry_of(game.window);
    const key_recorder popup = start_recorder(at.x + 100, at.y + 100, 500, 400,
                                              {"--popup", "--at-tap", game.window, "40", "--show"});
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    EXPECT_NE(run_output("xdotool search --onlyvisible --pid " +
                         std::to_string(popup.process.pid)),
              "")
        << "the window never appeared";
    expect_whole_map(0);
}

TEST_F(capture_program, WindowKeptOnTopUnderAWindowManagerDoesNotShowInTheMap)
{
    SKIP_IF_GROUP_SKIPPED("window-manager");
    others.push_back(start_window_manager());
    start_game(0);
    const window_geometry at = geometry_of(game.window);
    start_recorder(at.x + 50, at.y + 50, 600, 450, {"--above"});
    start_tool_here();
    choose_size(0);
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    expect_whole_map(0);
}

TEST_F(capture_program, GamePartlyOffScreenIsCapturedWhole)
{
    start_game(0);
    run_output("xdotool windowmove --sync " + game.window + " -250 -150");
    start_tool_here();
    choose_size(0);
    ASSERT_TRUE(capture(std::chrono::seconds(60)));
    expect_whole_map(0);
}

TEST_F(capture_program_without_composite, GamePartlyOffScreenIsRefusedWithAMessage)
{
    write_earlier_results();
    start_game(0);
    run_output("xdotool windowmove --sync " + game.window + " 700 0");
    start_tool_here();
    choose_size(0);
    press_capture();
    EXPECT_NE(stopped_with_message().find("off the display"), std::string::npos);
    expect_earlier_results();
}

TEST_F(capture_program, WindowsTooSmallForTheViewGetNoKey)
{
    write_earlier_results();
    // Another program's small window with the game's title, in other letter case.
    const key_recorder decoy =
        start_recorder(100, 100, 400, 300, {"--title", "heroes of might and magic iii"});
    start_tool_here();
    press_capture();
    EXPECT_NE(stopped_with_message().find("too small"), std::string::npos);
    EXPECT_TRUE(read_key_log(decoy.key_log).empty());
    stop_process(others.back());

    // The game itself, shrunk.
    start_game(0);
    run_output("xdotool windowsize --sync " + game.window + " 500 400");
    press_capture();
    EXPECT_NE(wait_for_messages(tool, 2, std::chrono::seconds(60)).find("too small"),
              std::string::npos);
    EXPECT_TRUE(dismiss_dialog(tool, "^Tilequilt$"));
    EXPECT_TRUE(read_key_log(game.key_log).empty());
    expect_earlier_results();
}

// The game as a resolution mod runs it: a bigger window whose map view keeps its corner near the
// middle, or keeps the 800 x 600 borders, and one that draws a smaller picture stretched to the
// window. Where their map lies is not known, so none gets a key: each is refused with its size
// named, and nothing is written.
TEST_F(capture_program, GameWindowsOfAnotherSizeAreRefusedBeforeAnyKey)
{
    write_earlier_results();
    start_tool_here();
    for (const std::vector<std::string>& window :
         {std::vector<std::string>{"--window", "1024x768"},
          {"--window", "1024x768", "--limits", "border"},
          {"--window", "1920x1080", "--stretch", "1.6"}}) {
        stop_standin_game(game);
        start_game(1, window);
        const size_t said_before = read_text_file(tool.output).size();
        press_capture();
        const std::string said = stopped_with_message();
        const std::string size = window[1].substr(0, window[1].find('x')) + " x " +
                                 window[1].substr(window[1].find('x') + 1);
        EXPECT_NE(said.find("shows " + size + " pixels"), std::string::npos) << said;
        EXPECT_NE(said.find("Set the game (or its resolution mod) to 800 x 600"), std::string::npos);
        EXPECT_NE(read_text_file(tool.output).find("not 800 x 600", said_before), std::string::npos);
        EXPECT_TRUE(read_key_log(game.key_log).empty()) << window[1];
        std::filesystem::remove(tool.messages);
    }
    expect_earlier_results();
}

TEST_F(capture_program, DesktopRefusingFocusMakesTheCaptureWaitForAClick)
{
    title_watch title;
    capture_on_a_desktop_refusing_focus(title);
    ASSERT_TRUE(title.wait_for("click into the game", std::chrono::seconds(60)));
    EXPECT_TRUE(read_key_log(game.key_log).empty()) << "no key before the game has the keyboard";
    click_in_window(game.window, 700, 500);  // on the side panel, as a player would
    ASSERT_TRUE(wait_until([&] { return file_exists(folder + "/result-grid.jpg"); },
                           std::chrono::seconds(60)));
    expect_whole_map(0);
    EXPECT_EQ(title_of(tool.window), "Tilequilt");
    // The terminal asked for the click too, and said nothing else.
    EXPECT_EQ(read_text_file(tool.output), waiting_line(game_status::focus_refused) + "\n");
}

TEST_F(capture_program, DesktopRefusingFocusWithoutAClickStopsTheCapture)
{
    write_earlier_results();
    title_watch title;
    capture_on_a_desktop_refusing_focus(title);
    EXPECT_NE(stopped_with_message().find("did not get the keyboard"), std::string::npos);
    EXPECT_TRUE(read_key_log(game.key_log).empty());
    EXPECT_EQ(title_of(tool.window), "Tilequilt");
    expect_earlier_results();
}

TEST_F(capture_program, LinksAndFifosBesideTheResultsAreNeverWrittenThrough)
{
    const std::string outside = make_temporary_folder("outside");
    for (const char* name : {"a", "b", "c"})
        std::ofstream(outside + "/" + name) << "precious " << name;
    fs::create_symlink(outside + "/a", folder + "/tmp.bmp");
    fs::create_hard_link(outside + "/b", folder + "/result.jpg");
    fs::create_symlink(outside + "/c", folder + "/result-grid.jpg");
    start_game(0);
    start_tool_here();
    choose_size(0);
    press_capture();
    ASSERT_TRUE(wait_until([&] {
        return fs::is_regular_file(fs::symlink_status(folder + "/result-grid.jpg"));
    }, std::chrono::seconds(60))) << read_text_file(tool.messages);
    expect_whole_map(0);
    EXPECT_FALSE(fs::is_symlink(folder + "/tmp.bmp"));
    for (const char* name : {"a", "b", "c"})
        EXPECT_EQ(read_text_file(outside + "/" + name), std::string("precious ") + name);
}

TEST_F(capture_program, FullDiskWhileWritingTheResultsKeepsTheEarlierOnes)
{
    small_disk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "mounting a small file system needs root";
    // A medium map of noise, whose JPEG files (3.5 MB each) are larger than a snapshot file; the
    // game's logs stay outside the small disk.
    rgb_picture noise{2304, 2304, std::vector<unsigned char>(2304 * 2304 * 3)};
    std::mt19937 random(5);
    for (unsigned char& sample : noise.pixels)
        sample = static_cast<unsigned char>(random());
    ASSERT_TRUE(write_ppm(folder + "/noise.ppm", noise));
    start_game(1, {"--picture", folder + "/noise.ppm"});
    folder = disk.folder;
    write_earlier_results();
    // Room for the snapshot file and its replacement, not for the results as well.
    disk.leave_free(2 * 1920054 + 256 * 1024);
    start_tool_here();
    press_capture();
    const std::string said = wait_for_messages(tool, 1, std::chrono::seconds(60));
    EXPECT_EQ(said.rfind("CImgIOException: ", 0), 0u) << said;
    EXPECT_NE(said.find("disk full"), std::string::npos) << said;
    EXPECT_TRUE(dismiss_dialog(tool, "^CImgIOException$"));
    EXPECT_TRUE(process_running(tool.process));
    expect_earlier_results();
}

// A folder the player cannot write into is said before any key, and the Pictures folder offered;
// taken, the map goes there.
TEST_F(capture_program, ReadOnlyFolderIsSaidBeforeAnyKeyAndThePicturesFolderOffered)
{
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all);
    start_game(0);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const std::string home = make_temporary_folder("home"), pictures = home + "/Pictures";
    fs::create_directories(pictures);
    for (const std::string& opened : {home, pictures})
        fs::permissions(opened, fs::perms::all);
    std::vector<std::string> launcher = as_unprivileged_user();
    launcher.insert(launcher.end(), {"env", "HOME=" + home});
    start_tool_here(launcher);
    choose_size(0);
    press_capture();
    const std::string said = wait_for_messages(tool, 1, std::chrono::seconds(60));
    EXPECT_EQ(said, "question: The maps cannot be written into the folder '" + folder +
                        "'. Write them into your Pictures folder '" + pictures + "' instead?\n");
    EXPECT_TRUE(read_bursts(game.key_log).empty());
    EXPECT_TRUE(dismiss_dialog(tool, "^Tilequilt$", "Return"));
    ASSERT_TRUE(wait_until([&] { return file_exists(pictures + "/result-grid.jpg"); },
                           std::chrono::seconds(60)));
    EXPECT_EQ(wrong_result_files(pictures, map_of(0)), "");
    EXPECT_FALSE(file_exists(folder + "/result.jpg"));
}

TEST_F(capture_program, GameSlowerThanItsKeysIsCapturedExactly)
{
    // Every tap costs the game a frame of 100 ms, four times the pause between two taps, which
    // reaches the window only once worked out: its picture falls behind the keys by seconds, two
    // snapshots of one frame agree while it still works through the rest, and the taps against
    // the top-left limit change nothing while they take their time. No screen is used before it
    // is seen where the keys put it.
    start_game(0, {"--draw-cost", "100"});
    start_tool_here();
    choose_size(0);
    ASSERT_TRUE(capture(std::chrono::seconds(240)));
    expect_whole_map(0);
}

TEST_F(capture_program, GameSlowedByBusyProcessorsIsWaitedFor)
{
    // Two other programs keep both processors busy; the game's 15 ms of drawing per key then
    // takes longer, the more the busier the machine.
    for (int i = 0; i < 2; ++i)
        others.push_back(start_process({"sh", "-c", "while :; do :; done"}));
    start_game(0, {"--draw-cost", "15"});
    start_tool_here();
    choose_size(0);
    ASSERT_TRUE(capture(std::chrono::seconds(120)));
    expect_whole_map(0);
}

TEST_F(capture_program, GameThatMissedATapIsRecovered)
{
    // Taps 1-36 reach the top-left limit, 37 shows the game caught up, 38-46 prove the corner and
    // reach the first screen; tap 49 is in the first step right, so the second screen stands 64
    // pixels short, showing land its left neighbour already shows. The view goes back to the
    // limit and straight to that screen's stop, and the map is exact.
    capture_recovering_a_missed_tap(0, 49);
}

// The one capture of the suite of a map of the largest size (252 tiles, 8064 pixels a side),
// from the command, of a game that animates some of its tiles and draws every tap's frame in
// 40 ms, more than the pause between two taps.
TEST_F(capture_program, LargestMapOfAnAnimatedGameHasEveryStillTileExact)
{
    const int largest = offered_map_sizes - 1, tiles = map_tiles[largest];
    start_game(largest, {"--animate", "--draw-cost", "40"});
    child_process command = start_process({TILEQUILT_PROGRAM, "--capture", "--size", "7"}, folder,
                                          folder + "/command.txt");
    ASSERT_EQ(wait_process(command, std::chrono::seconds(500)), 0)
        << read_text_file(folder + "/command.txt");
    EXPECT_EQ(read_text_file(folder + "/command.txt"), "");
    size_t walk_bursts = 1;  // the first, to the top-left limit
    for (const walk_stop& stop : map_walk(map_size_table[largest]))
        walk_bursts += stop.bursts.size();
    EXPECT_EQ(bursts_sent().size(), walk_bursts) << "no recovery, no burst more";
    // JPEG blocks never straddle 32-pixel tiles, and colour is smoothed across at most 2 pixels:
    // inside every tile that does not animate, the map is exactly the game's map.
    save_jpeg_file(map_of(largest), folder + "/truth.jpg", 80);
    const image truth = load_image(folder + "/truth.jpg");
    const image got = load_image(folder + "/result.jpg");
    ASSERT_EQ(got.width(), truth.width());
    int wrong = 0, animated = 0;
    for (int ty = 0; ty < tiles; ++ty)
        for (int tx = 0; tx < tiles; ++tx) {
            if (standin_tile_animates(tx, ty, standin_default_animated_percent)) {
                ++animated;
                continue;
            }
            const auto inside = [&](const image& map) {
                return map.get_crop(32 * tx + 2, 32 * ty + 2, 32 * tx + 29, 32 * ty + 29);
            };
            wrong += !(inside(got) == inside(truth));
        }
    EXPECT_EQ(wrong, 0) << "of " << tiles * tiles - animated << " still tiles";
    EXPECT_GT(animated, tiles * tiles / 50);
    EXPECT_TRUE(load_image(folder + "/result-grid.jpg").width() == truth.width());
}

// The view stops short where no map of any size ends: the capture stops with a message that
// names the size the map would have, types nothing more, and writes nothing.
void expect_stop_at_a_seam(capture_program& test, int size_index,
                           const std::vector<std::string>& game_options, const std::string& said)
{
    test.write_earlier_results();
    test.start_game(size_index, game_options);
    test.start_tool_here();
    test.choose_size(size_index);
    test.press_capture();
    EXPECT_NE(test.stopped_with_message().find(said), std::string::npos);
    EXPECT_NE(read_text_file(test.tool.output).find(said), std::string::npos);
    const view_position stopped = standin_view(test.game);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(standin_view(test.game), stopped) << "keys after the stop";
    EXPECT_FALSE(control_held_in_server());
    test.expect_earlier_results();
    EXPECT_TRUE(process_running(test.tool.process));
}

// A large map whose right limit lies at its last stop of a row, four taps nearer than a large
// map's: no map size ends there.
TEST_F(capture_program, LargeMapWhoseRightLimitIsNearerStops)
{
    expect_stop_at_a_seam(*this, 2, {"--scroll-limit", "50,54"},
                          "about 100 tiles a side, which is none of the sizes");
    EXPECT_EQ(standin_view(game), (view_position{49, 3}));
}

TEST_F(capture_program, GameThatMissedATapAtTheEndOfARowIsRecovered)
{
    // Taps 1-46 reach the first screen, 47-53 and 54-57 are the two steps right of the first row:
    // the row's last screen stands 64 pixels short.
    capture_recovering_a_missed_tap(0, 55);
}

// Size says 1, the game shows a medium map with its view far from the top-left corner: the first
// burst cannot bring it there, the taps that must not move it do, and the view is walked to the
// right limit to find the map's size. Size 3 for a small map: the view stops at the small map's
// right limit short of a stop of the first row. Either way the map is taken whole at its own
// size in the same press, and says so, though the game draws every tap's frame in 40 ms, more
// than the pause between two taps.
TEST_F(capture_program, MapOfAnotherSizeThanSizeSaysIsCapturedWhole)
{
    for (const auto& [asked, real, view] : {std::tuple{0, 1, "30,30"}, {2, 0, "5,5"}}) {
        stop_standin_game(game);
        start_game(real, {"--view", view, "--draw-cost", "40"});
        if (!tool.process.pid || !process_running(tool.process))
            start_tool_here();
        choose_size(asked);
        const size_t said_before = read_text_file(tool.output).size();
        ASSERT_TRUE(capture(std::chrono::seconds(120))) << asked << " for " << real;
        expect_whole_map(real);
        EXPECT_EQ(read_text_file(tool.output).substr(said_before),
                  std::string("capture: this map is ") +
                      (real ? "a medium map (72" : "a small map (36") + " tiles a side), not Size " +
                      std::to_string(asked + 1) + ": capturing it whole\n");
        EXPECT_EQ(read_text_file(tool.messages), "") << "a capture that worked says nothing";
    }
}

// The command, without the window: the map's size found with no Size given, and a wrong one
// mended, each with the map written and exit status 0, of a game slower than its keys; without
// the game, exit status 1 and the reason on the terminal.
TEST_F(capture_program, CommandCapturesTheMapAtItsRealSize)
{
    const auto run_command = [&](const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{TILEQUILT_PROGRAM, "--capture"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        fs::remove(folder + "/result.jpg");
        fs::remove(folder + "/result-grid.jpg");
        child_process command = start_process(argv, folder, folder + "/command.txt");
        return wait_process(command, std::chrono::seconds(200));
    };
    EXPECT_EQ(run_command({}), 1);
    EXPECT_NE(read_text_file(folder + "/command.txt").find("h3 not found"), std::string::npos);
    EXPECT_TRUE(ends_with(read_text_file(folder + "/command.txt"), "capture fail!\n"));
    // In a folder that cannot be written, the folder is named and the Pictures folder proposed.
    child_process refused = start_process({TILEQUILT_PROGRAM, "--capture"}, "/proc",
                                          folder + "/command.txt", {"HOME=" + folder});
    EXPECT_EQ(wait_process(refused, std::chrono::seconds(60)), 1);
    EXPECT_NE(read_text_file(folder + "/command.txt")
                  .find("folder '/proc'. Start it with --in-pictures to write them into '" +
                        folder + "'"),
              std::string::npos)
        << read_text_file(folder + "/command.txt");

    start_game(0, {"--draw-cost", "40"});
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{},
                                                      std::vector<std::string>{"--size", "2"}}) {
        EXPECT_EQ(run_command(arguments), 0) << read_text_file(folder + "/command.txt");
        expect_whole_map(0);
        EXPECT_NE(read_text_file(folder + "/command.txt")
                      .find("this map is a small map (36 tiles a side)"),
                  std::string::npos);
    }
}

// The game stops answering for 0.7 s mid-capture, as a game that saves now and then does (half
// the time a screen standing elsewhere than the keys put it is given before the capture goes
// back to find its place), and then works through the keys it missed: the capture waits for
// it, without going back, and the map is exact. (That the screens go at their usual pace again
// once it keeps up is held on the simulated clock, in HangOfTheGameCostsOnlyAFewScreens: a pace
// measured here depends on the machine's load.)
TEST_F(capture_program, GameThatHangsMidCaptureIsWaitedFor)
{
    start_game(1, {"--hang", "260,700", "--draw-cost", "15"});
    start_tool_here();
    ASSERT_TRUE(capture(std::chrono::seconds(120)));
    expect_whole_map(1);
    const std::vector<logged_burst> bursts = read_bursts(game.key_log);
    long long longest = 0;
    for (size_t i = 1; i < bursts.size(); ++i) {
        EXPECT_FALSE(bursts[i].dx == -36 && bursts[i].dy == -36) << "burst " << i << " went back";
        longest = std::max(longest, bursts[i].control_press_ms - bursts[i - 1].control_release_ms);
    }
    EXPECT_GT(longest, 400) << "the hang was waited for";
}

// A game whose window shows one colour (drawn where a snapshot of the window cannot see it):
// the capture stops before any key, says so, and writes nothing.
TEST_F(capture_program, GameThatGivesNoSnapshotIsRefusedBeforeAnyKey)
{
    write_earlier_results();
    start_game(0, {"--blank"});
    start_tool_here();
    press_capture();
    EXPECT_NE(stopped_with_message().find("no snapshot could be taken"), std::string::npos);
    EXPECT_TRUE(read_bursts(game.key_log).empty());
    expect_earlier_results();
}
