#pragma once
// Runs norvik-cli as a user's shell would: arguments in, exit status and the
// two output streams out.

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace norvik::test {

class CliProcess {
public:
    // Starts norvik-cli with `args`; stdout and stderr go to files of their own.
    explicit CliProcess(const std::vector<std::string>& args) {
        static int serial = 0;
        const auto dir = std::filesystem::temp_directory_path();
        const std::string stem = "norvik-cli-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        outPath_ = (dir / (stem + ".out")).string();
        errPath_ = (dir / (stem + ".err")).string();
        std::vector<std::string> all{NORVIK_CLI};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int rc = ::posix_spawn(&pid_, all[0].c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error(std::string("norvik-cli: ") + std::strerror(rc));
    }
    ~CliProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove(outPath_);
        std::filesystem::remove(errPath_);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void signal(int number) const { ::kill(pid_, number); }

    // The exit status; -1 when it did not exit by itself.
    int wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }

    std::string out() const { return slurp(outPath_); }
    std::string err() const { return slurp(errPath_); }

private:
    static std::string slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    pid_t pid_ = -1;
    int status_ = -1;
    std::string outPath_;
    std::string errPath_;
};

// A run to its end.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun runCli(const std::vector<std::string>& args) {
    CliProcess process(args);
    CliRun run;
    run.status = process.wait();
    run.out = process.out();
    run.err = process.err();
    return run;
}

}  // namespace norvik::test
