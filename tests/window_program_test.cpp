// The real tilequilt program on its own display, used with a real mouse and keyboard: its
// window, the compress button, its messages and error dialogs, and closing it.
#include "image_files.h"

#include "tool_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

void write_results(const std::string& folder, int side, bool with_grid = true)
{
    image map(side, side, 1, 3);
    cimg_forXYC(map, x, y, c) map(x, y, 0, c) = static_cast<unsigned char>(x * (c + 1) + y);
    save_jpeg_file(map, folder + "/result.jpg", 80);
    if (with_grid)
        save_jpeg_file(map, folder + "/result-grid.jpg", 80);
}

struct window_program : ::testing::Test {
    private_display display;
    std::string folder = make_temporary_folder("window");
    tool_session tool;

    void TearDown() override { stop_process(tool.process); }

    void start(const std::vector<std::string>& launcher = {},
               const std::vector<std::string>& arguments = {})
    {
        tool = start_tool(folder, launcher, arguments);
        ASSERT_FALSE(tool.window.empty()) << "the tool's window did not appear";
    }

};

}  // namespace

TEST_F(window_program, WindowIsTitledAndSized)
{
    start();
    EXPECT_EQ(title_of(tool.window), "Tilequilt");
    const window_geometry g = geometry_of(tool.window);
    EXPECT_EQ(g.width, 400);
    EXPECT_EQ(g.height, 300);
}

TEST_F(window_program, EscapeEndsTheProgramWithStatusZero)
{
    start();
    press_key(tool.window, "Escape");
    EXPECT_EQ(wait_process(tool.process, std::chrono::seconds(60)), 0);
}

TEST_F(window_program, CompressClickWritesBothCopiesSilently)
{
    write_results(folder, 1152);
    start();
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    ASSERT_TRUE(wait_until([&] {
        return file_exists(folder + "/compress-result.jpg") &&
               file_exists(folder + "/compress-result-grid.jpg");
    }, std::chrono::seconds(60)));
    // Default sliders: zoom 0.5.
    EXPECT_EQ(load_image(folder + "/compress-result.jpg").width(), 576);
    EXPECT_EQ(load_image(folder + "/compress-result-grid.jpg").height(), 576);

    // A second press overwrites the copies and never compresses a copy again.
    const auto first_time = fs::last_write_time(folder + "/compress-result-grid.jpg");
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    EXPECT_TRUE(wait_until([&] {
        return fs::last_write_time(folder + "/compress-result-grid.jpg") != first_time;
    }, std::chrono::seconds(60)));
    EXPECT_EQ(folder_files(folder), (std::vector<std::string>{"compress-result-grid.jpg",
                                                        "compress-result.jpg",
                                                        "result-grid.jpg", "result.jpg"}));
    EXPECT_EQ(read_text_file(tool.messages), "");
}

// Started from the menu (the entry's --in-pictures, a home folder that names its Pictures folder
// as desktops do): the pictures are read and written there, whatever the current folder.
TEST_F(window_program, StartedFromTheMenuItWorksInThePicturesFolder)
{
    const std::string home = make_temporary_folder("home"), pictures = home + "/My pictures";
    fs::create_directories(home + "/.config");
    fs::create_directories(pictures);
    std::ofstream(home + "/.config/user-dirs.dirs")
        << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/My pictures\"\n";
    write_results(pictures, 64);
    start({"env", "HOME=" + home}, {"--in-pictures"});
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    EXPECT_TRUE(wait_until([&] { return file_exists(pictures + "/compress-result-grid.jpg"); },
                           std::chrono::seconds(60)));
    EXPECT_TRUE(folder_files(folder).empty());
}

TEST_F(window_program, CompressWithoutResultsAsksForACaptureOnce)
{
    start();
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    EXPECT_EQ(wait_for_messages(tool, 1, std::chrono::seconds(60)),
              "message: make sure to capture the h3 map first!\n");
    EXPECT_TRUE(dismiss_dialog(tool, "^Tilequilt$"));
    EXPECT_TRUE(folder_files(folder).empty());
    EXPECT_EQ(read_text_file(tool.messages), "message: make sure to capture the h3 map first!\n");
}

TEST_F(window_program, CompressWithOnlyTheMapWritesItsCopyThenAsks)
{
    write_results(folder, 1152, false);
    start();
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    EXPECT_EQ(wait_for_messages(tool, 1, std::chrono::seconds(60)),
              "message: make sure to capture the h3 map first!\n");
    EXPECT_TRUE(file_exists(folder + "/compress-result.jpg"));
    EXPECT_TRUE(dismiss_dialog(tool, "^Tilequilt$"));
}

TEST_F(window_program, CaptureWithoutTheGameSaysSoAndWritesNothing)
{
    start();
    EXPECT_TRUE(press_button(tool.window, capture_x, capture_y));
    EXPECT_EQ(wait_for_messages(tool, 1, std::chrono::seconds(60)), "message: h3 not found!\n");
    EXPECT_TRUE(dismiss_dialog(tool, "^Tilequilt$"));
    EXPECT_TRUE(folder_files(folder).empty());
}

TEST_F(window_program, BrokenResultShowsTheErrorDialogAndTheToolCarriesOn)
{
    std::ofstream(folder + "/result.jpg") << "not a jpeg";
    write_results(folder, 64, false);  // only a good grid picture; result.jpg stays broken
    std::ofstream(folder + "/result.jpg", std::ios::trunc) << "not a jpeg";
    start();
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    const std::string said = wait_for_messages(tool, 1, std::chrono::seconds(60));
    EXPECT_EQ(said.rfind("CImgIOException: ", 0), 0u) << said;
    EXPECT_TRUE(dismiss_dialog(tool, "^CImgIOException$"));
    EXPECT_TRUE(process_running(tool.process));
    EXPECT_FALSE(file_exists(folder + "/compress-result.jpg"));

    // Mended, the next press works.
    write_results(folder, 64);
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    EXPECT_TRUE(wait_until([&] { return file_exists(folder + "/compress-result-grid.jpg"); },
                           std::chrono::seconds(60)));
}

TEST_F(window_program, ReadOnlyWorkingFolderShowsTheErrorDialog)
{
    write_results(folder, 256);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    start(as_unprivileged_user());
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    const std::string said = wait_for_messages(tool, 1, std::chrono::seconds(60));
    EXPECT_EQ(said.rfind("CImgIOException: ", 0), 0u) << said;
    EXPECT_TRUE(dismiss_dialog(tool, "^CImgIOException$"));
    EXPECT_TRUE(process_running(tool.process));
    EXPECT_EQ(folder_files(folder), (std::vector<std::string>{"result-grid.jpg", "result.jpg"}));
}

TEST_F(window_program, LinksAndFifosBesideTheCopiesAreNeverWrittenThrough)
{
    write_results(folder, 256);
    const std::string outside = make_temporary_folder("outside");
    for (const char* name : {"a", "b"})
        std::ofstream(outside + "/" + name) << "precious " << name;
    fs::create_symlink(outside + "/a", folder + "/compress-result.jpg");
    fs::create_hard_link(outside + "/b", folder + "/compress-result-grid.jpg");
    start();
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    ASSERT_TRUE(wait_until([&] {
        return fs::is_regular_file(fs::symlink_status(folder + "/compress-result.jpg")) &&
               read_text_file(folder + "/compress-result-grid.jpg") != "precious b";
    }, std::chrono::seconds(60)));
    EXPECT_EQ(load_image(folder + "/compress-result.jpg").width(), 128);
    EXPECT_EQ(load_image(folder + "/compress-result-grid.jpg").width(), 128);
    for (const char* name : {"a", "b"})
        EXPECT_EQ(read_text_file(outside + "/" + name), std::string("precious ") + name);
    EXPECT_EQ(read_text_file(tool.messages), "");
}

TEST_F(window_program, FifoNamedLikeTheResultIsRefusedWithoutHanging)
{
    ASSERT_EQ(mkfifo((folder + "/result.jpg").c_str(), 0600), 0);
    start();
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    const std::string said = wait_for_messages(tool, 1, std::chrono::seconds(60));
    EXPECT_EQ(said.rfind("CImgIOException: ", 0), 0u) << said;
    EXPECT_NE(said.find("not a regular file"), std::string::npos) << said;
    EXPECT_TRUE(dismiss_dialog(tool, "^CImgIOException$"));
    EXPECT_TRUE(process_running(tool.process));
}

TEST_F(window_program, FullDiskDuringCompressShowsTheErrorAndLosesNothing)
{
    small_disk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "mounting a small file system needs root";
    // Results of noise, which no JPEG makes small, and the copies of an earlier press.
    image noise(1152, 1152, 1, 3);
    noise.rand(0, 255);
    save_jpeg_file(noise, disk.folder + "/result.jpg", 80);
    save_jpeg_file(noise, disk.folder + "/result-grid.jpg", 80);
    write_results(folder, 64);
    fs::copy_file(folder + "/result.jpg", disk.folder + "/compress-result.jpg");
    fs::copy_file(folder + "/result-grid.jpg", disk.folder + "/compress-result-grid.jpg");
    const std::string earlier_copy = read_text_file(disk.folder + "/compress-result.jpg");
    disk.leave_free(64 * 1024);

    tool = start_tool(disk.folder);
    ASSERT_FALSE(tool.window.empty());
    EXPECT_TRUE(press_button(tool.window, compress_x, compress_y));
    const std::string said = wait_for_messages(tool, 1, std::chrono::seconds(60));
    EXPECT_EQ(said.rfind("CImgIOException: ", 0), 0u) << said;
    EXPECT_TRUE(dismiss_dialog(tool, "^CImgIOException$"));
    EXPECT_TRUE(process_running(tool.process));
    EXPECT_TRUE(read_text_file(disk.folder + "/compress-result.jpg") == earlier_copy);
    for (const auto& entry : fs::directory_iterator(disk.folder))
        EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
}
