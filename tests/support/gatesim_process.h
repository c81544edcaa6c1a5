#pragma once
// Runs norvik-gatesim for one test: starts it, learns its pseudo-terminal and
// stops it again, whatever the test did in between.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace norvik::test {

class GatesimProcess {
public:
    // Starts `binary` with `args`. Unless the arguments name a --log, the
    // simulator logs to a fresh temporary file (removed again by the destructor).
    // Throws std::runtime_error when the simulator does not print its slave path
    // within `startTimeout`.
    explicit GatesimProcess(std::string binary, std::vector<std::string> args = {},
                            std::chrono::milliseconds startTimeout = std::chrono::seconds(15)) {
        for (std::size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "--log") logPath_ = args[i + 1];
        if (logPath_.empty()) {
            const char* dir = std::getenv("TMPDIR");
            std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/gatesim-log-XXXXXX";
            std::vector<char> name(pattern.begin(), pattern.end());
            name.push_back('\0');
            int fd = ::mkstemp(name.data());
            if (fd < 0) throw std::runtime_error(std::string("mkstemp: ") + std::strerror(errno));
            ::close(fd);
            logPath_ = name.data();
            ownsLog_ = true;
            args.insert(args.begin(), {"--log", logPath_});
        }
        start(binary, args);
        try {
            slavePath_ = readFirstLine(startTimeout);
        } catch (...) {
            stop();
            removeLog();
            throw;
        }
    }

    GatesimProcess(const GatesimProcess&) = delete;
    GatesimProcess& operator=(const GatesimProcess&) = delete;

    // A simulator that did not end cleanly on SIGTERM (a sanitizer report, a
    // crash, a hang until SIGKILL) fails the test that ran it.
    ~GatesimProcess() {
        const int status = stop();
        if (status != -1 && !endedCleanly(status)) {
            if (::testing::UnitTest::GetInstance()->current_test_info() != nullptr)
                ADD_FAILURE() << "norvik-gatesim " << describeEnd(status);
            else std::fprintf(stderr, "norvik-gatesim %s\n", describeEnd(status).c_str());
        }
        removeLog();
    }

    static bool endedCleanly(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
    static std::string describeEnd(int status) {
        if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
        if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
        return "ended with wait status " + std::to_string(status);
    }

    const std::string& slavePath() const { return slavePath_; }
    const std::string& logPath() const { return logPath_; }
    pid_t pid() const { return pid_; }

    // The wire log as it stands now, one entry per element.
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::ifstream in(logPath_);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // SIGTERM, then SIGKILL when the grace period runs out. Returns the wait
    // status (as waitpid gives it), or -1 when the process was already reaped.
    int stop(std::chrono::milliseconds grace = std::chrono::seconds(2)) {
        if (pid_ <= 0) return -1;
        // A test may have left it stopped (SIGSTOP). Continued first, never
        // after SIGTERM: by then LeakSanitizer may be stopping the process for
        // its exit check, and a SIGCONT cancels that stop and hangs the check.
        ::kill(pid_, SIGCONT);
        ::kill(pid_, SIGTERM);
        int status = 0;
        auto deadline = std::chrono::steady_clock::now() + grace;
        while (true) {
            pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_ || (r < 0 && errno != EINTR)) break;
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(pid_, SIGKILL);
                while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        if (stdoutFd_ >= 0) ::close(stdoutFd_);
        stdoutFd_ = -1;
        return status;
    }

private:
    void start(const std::string& binary, const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
        std::vector<std::string> all{binary};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);

        // posix_spawn rather than fork: the test process may already run threads.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        int rc = ::posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0) {
            ::close(fds[0]);
            pid_ = -1;
            throw std::runtime_error(binary + ": " + std::strerror(rc));
        }
        stdoutFd_ = fds[0];
    }

    std::string readFirstLine(std::chrono::milliseconds timeout) {
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) throw std::runtime_error("norvik-gatesim did not print its slave path in time");
            pollfd pfd{stdoutFd_, POLLIN, 0};
            int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) continue;
            char c = 0;
            ssize_t n = ::read(stdoutFd_, &c, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw std::runtime_error("norvik-gatesim ended before printing its slave path");
            if (c == '\n') return line;
            line += c;
        }
    }

    void removeLog() {
        if (ownsLog_ && !logPath_.empty()) ::unlink(logPath_.c_str());
        ownsLog_ = false;
    }

    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string slavePath_;
    std::string logPath_;
    bool ownsLog_ = false;
};

}  // namespace norvik::test
