// The tool's file handling on a real file system: links, FIFOs, folders and devices where the
// tool reads or writes, and writes that fail part-way.
#include "process_end.h"
#include "safe_files.h"
#include "platform_files.h"

#include "desktop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct safe_files : ::testing::Test {
    std::string folder = make_temporary_folder("files");
    std::string outside = make_temporary_folder("outside");
    std::string name = folder + "/result.jpg";

    void write_text(const std::string& file, const std::string& text)
    {
        std::ofstream(file, std::ios::binary) << text;
    }

    bool replace_with(const std::string& file, const std::string& text)
    {
        return replace_file(file, {{text.data(), text.size()}});
    }

    // Names in the folder besides the given ones.
    std::vector<std::string> others(std::initializer_list<std::string> known)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string n = entry.path().filename().string();
            if (std::find(known.begin(), known.end(), n) == known.end())
                names.push_back(n);
        }
        return names;
    }
};

}  // namespace

TEST_F(safe_files, LinksAtTheFinalNameAreReplacedNotWrittenThrough)
{
    const std::string target = outside + "/precious.txt";
    write_text(target, "precious");
    fs::create_symlink(target, name);
    ASSERT_TRUE(replace_with(name, "new map"));
    EXPECT_FALSE(fs::is_symlink(name));
    EXPECT_EQ(read_text_file(name), "new map");
    EXPECT_EQ(read_text_file(target), "precious");

    fs::remove(name);
    fs::create_hard_link(target, name);
    ASSERT_TRUE(replace_with(name, "newer map"));
    EXPECT_EQ(read_text_file(name), "newer map");
    EXPECT_EQ(read_text_file(target), "precious");
    EXPECT_TRUE(others({"result.jpg"}).empty());
}

TEST_F(safe_files, NewFilesAreNeverOpenedWhereSomethingIsThere)
{
    // Whatever stands at the name of a new file (a link to a file, a dangling link, a FIFO, a
    // hard link, a plain file) is left as it is and reported as a taken name, so that the writer
    // tries another name; nothing blocks.
    const std::string target = outside + "/precious.txt";
    write_text(target, "precious");
    fs::create_symlink(target, folder + "/link");
    fs::create_symlink(outside + "/does-not-exist", folder + "/dangling");
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
    fs::create_hard_link(target, folder + "/hard");
    write_text(folder + "/plain", "plain");
    const std::string text = "map";
    for (const char* taken : {"link", "dangling", "fifo", "hard", "plain"}) {
        bool exists = false;
        EXPECT_FALSE(platform_files::write_new_file(folder + "/" + taken, {{text.data(), 3}},
                                                    file_care::scratch, exists))
            << taken;
        EXPECT_TRUE(exists) << taken;
    }
    EXPECT_EQ(read_text_file(target), "precious");
    EXPECT_EQ(read_text_file(folder + "/plain"), "plain");
    EXPECT_FALSE(fs::exists(outside + "/does-not-exist"));
    EXPECT_TRUE(fs::is_fifo(folder + "/fifo"));
}

TEST_F(safe_files, FifoAtTheFinalNameIsReplacedWithoutBlocking)
{
    ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    ASSERT_TRUE(replace_with(name, "map"));
    EXPECT_TRUE(fs::is_regular_file(name));
    EXPECT_EQ(read_text_file(name), "map");
}

TEST_F(safe_files, FolderAtTheFinalNameIsAFailureThatLeavesNothing)
{
    fs::create_directory(name);
    EXPECT_FALSE(replace_with(name, "map"));
    EXPECT_TRUE(fs::is_directory(name));
    EXPECT_TRUE(others({"result.jpg"}).empty());
}

TEST_F(safe_files, PendingFileReplacesOnlyWhenCommitted)
{
    write_text(name, "earlier");
    pending_file pending;
    const std::string text = "later";
    ASSERT_TRUE(write_pending_file(name, {{text.data(), text.size()}}, pending));
    EXPECT_EQ(read_text_file(name), "earlier");
    EXPECT_EQ(others({"result.jpg"}).size(), 1u);
    discard_pending_file(pending);
    EXPECT_EQ(read_text_file(name), "earlier");
    EXPECT_TRUE(others({"result.jpg"}).empty());

    ASSERT_TRUE(write_pending_file(name, {{text.data(), text.size()}}, pending));
    ASSERT_TRUE(commit_pending_file(pending));
    EXPECT_EQ(read_text_file(name), "later");
    EXPECT_TRUE(others({"result.jpg"}).empty());
}

TEST_F(safe_files, WriteThatFailsPartWayLeavesTheEarlierFileAndNoTemporaryFile)
{
    write_text(name, "earlier");
    // Files may grow to 64 KiB only: the write fails in the middle, as on a full disk.
    rlimit limit{}, previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    limit.rlim_cur = 64 * 1024;
    limit.rlim_max = previous.rlim_max;
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string big(200 * 1024, 'x');
    const bool written = replace_with(name, big);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);
    EXPECT_FALSE(written);
    EXPECT_EQ(read_text_file(name), "earlier");
    EXPECT_TRUE(others({"result.jpg"}).empty());
}

// A process ended by a signal while new files wait beside their names leaves none of them: at
// once, or, while it holds the end back, once it lets go.
TEST_F(safe_files, ProcessEndedBySignalLeavesNoNewFile)
{
    for (const bool holding : {false, true}) {
        const pid_t child = fork();
        if (child == 0) {
            watch_process_end();
            pending_file map, grid;
            const bool written = write_pending_file(name, {{"map", 3}}, map) &&
                                 write_pending_file(name + ".grid", {{"grid", 4}}, grid);
            hold_process_end(holding);
            kill(getpid(), SIGTERM);
            if (!written || !holding || !process_end_asked())
                _exit(3);
            hold_process_end(false);
            _exit(4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM)
            << "holding " << holding << ": ended with status " << status;
        EXPECT_EQ(others({}), std::vector<std::string>{}) << "holding " << holding;
    }
}

TEST_F(safe_files, OnlyRegularFilesAreRead)
{
    read_status status;
    EXPECT_EQ(open_regular_file(name, status), nullptr);
    EXPECT_EQ(status, read_status::missing);

    fs::create_directory(name);
    EXPECT_EQ(open_regular_file(name, status), nullptr);
    EXPECT_EQ(status, read_status::not_regular);
    fs::remove(name);

    // A FIFO with no writer would block a plain open for ever.
    ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    EXPECT_EQ(open_regular_file(name, status), nullptr);
    EXPECT_EQ(status, read_status::not_regular);
    fs::remove(name);

    fs::create_symlink("/dev/zero", name);
    EXPECT_EQ(open_regular_file(name, status), nullptr);
    EXPECT_EQ(status, read_status::not_regular);
    fs::remove(name);

    // A link to a regular file is read like the file.
    write_text(outside + "/map.jpg", "bytes");
    fs::create_symlink(outside + "/map.jpg", name);
    std::vector<unsigned char> bytes;
    EXPECT_EQ(read_regular_file(name, bytes), read_status::ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "bytes");
}

TEST_F(safe_files, ReadsFilesOfEverySize)
{
    for (const size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{3 * 1024 * 1024 + 7}}) {
        std::string text(size, '\0');
        for (size_t i = 0; i < size; ++i)
            text[i] = static_cast<char>(i * 7);
        write_text(name, text);
        std::vector<unsigned char> bytes;
        ASSERT_EQ(read_regular_file(name, bytes), read_status::ok);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text) << size << " bytes";
    }
}
