#include "processes.h"

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

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                std::chrono::milliseconds pause)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(pause);
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
