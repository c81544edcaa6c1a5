// What the dialogue's pace costs norvik-cli: `info` and `backup` against
// norvik-gatesim on a pseudo-terminal, as answered and at the window's
// one-second tick, beside the time the same bytes need on a real serial line;
// then many gateways backed up in one run against one, and a slow gateway
// (late blocks, a held answer) that must give the same backup, only later.
// It prints the figures and the goals; it never fails on timing, only when an
// outcome differs.
//
//   norvik_pace_bench [--gateways N]   (default 64)

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t spawn(std::vector<std::string> args, int outFd, const char* outPath) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    else posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath, O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One simulator with a wire log of its own, stopped again by the destructor.
class Simulator {
public:
    Simulator(const fs::path& folder, int serial, std::vector<std::string> faults) {
        logPath_ = (folder / ("wire-" + std::to_string(serial) + ".log")).string();
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        std::vector<std::string> args{NORVIK_GATESIM, "--log", logPath_};
        args.insert(args.end(), faults.begin(), faults.end());
        pid_ = spawn(args, fds[1], nullptr);
        ::close(fds[1]);
        // The first line of its output is the slave's path.
        for (char c = 0; pid_ > 0;) {
            pollfd pfd{fds[0], POLLIN, 0};
            if (::poll(&pfd, 1, 15000) <= 0 || ::read(fds[0], &c, 1) != 1 || c == '\n') break;
            slave_ += c;
        }
        ::close(fds[0]);
    }
    ~Simulator() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        waitFor(pid_);
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool ready() const { return pid_ > 0 && slave_.starts_with("/"); }
    const std::string& slave() const { return slave_; }

    // Both directions, as they crossed the wire: a line with its ending
    // ("\r\n" each way), a block as its bytes. The log writes a control byte
    // as \xHH, which is one byte on the wire.
    std::size_t wireBytes() const {
        std::ifstream in(logPath_);
        std::size_t bytes = 0;
        auto textBytes = [](const std::string& text) {
            std::size_t n = text.size();
            for (std::size_t at = text.find("\\x"); at != std::string::npos; at = text.find("\\x", at + 4)) n -= 3;
            return n + 2;
        };
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("RX LINE ") || line.starts_with("TX LINE ")) bytes += textBytes(line.substr(8));
            else if (line.starts_with("RX BLOCK ") || line.starts_with("TX BLOCK "))
                bytes += std::strtoul(line.c_str() + 9, nullptr, 10);
        }
        return bytes;
    }

private:
    pid_t pid_ = -1;
    std::string slave_;
    std::string logPath_;
};

struct Run {
    int status = -1;
    double seconds = 0;
};

Run runCli(std::vector<std::string> args) {
    args.insert(args.begin(), NORVIK_CLI);
    const auto start = Clock::now();
    const pid_t pid = spawn(args, -1, "/dev/null");
    Run run;
    if (pid > 0) run.status = waitFor(pid);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

// 10 bits a byte: start, eight data bits, stop.
double wireSeconds(std::size_t bytes, double baud) { return static_cast<double>(bytes) * 10.0 / baud; }

nlohmann::json blocksOf(const std::string& backupPath) {
    std::ifstream in(backupPath);
    try {
        return nlohmann::json::parse(in).at("blocks");
    } catch (const nlohmann::json::exception&) {
        return nullptr;
    }
}

int usage() {
    std::fprintf(stderr, "usage: norvik_pace_bench [--gateways N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int gateways = 64;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--gateways" && i + 1 < argc) gateways = std::atoi(argv[++i]);
        else return usage();
    }
    if (gateways < 1) return usage();

    const fs::path folder = fs::temp_directory_path() / ("norvik-pace-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    struct Cleanup {
        fs::path path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup{folder};
    int serial = 0;
    bool sound = true;

    std::printf(
        "norvik-cli against norvik-gatesim on a pseudo-terminal (goal: info <= 1.0 s, backup <= 1.5 s "
        "as answered)\n\n");
    std::printf("%-8s %-12s %6s %8s %8s %12s %10s\n", "command", "pace", "exit", "wall s", "bytes", "115200 Bd s",
                "9600 Bd s");
    double oneBackup = 0;
    const std::string fastBackup = (folder / "fast.norvik").string();
    for (const char* command : {"info", "backup"}) {
        for (const char* pace : {"as-answered", "tick"}) {
            Simulator sim(folder, ++serial, {});
            if (!sim.ready()) {
                std::fprintf(stderr, "norvik-gatesim did not start\n");
                return 1;
            }
            std::vector<std::string> args{"--pace", pace, "--device", sim.slave(), command};
            if (std::string(command) == "backup") {
                args.push_back("-o");
                args.push_back(std::string(pace) == "tick" ? (folder / "tick.norvik").string() : fastBackup);
            }
            const Run run = runCli(args);
            const std::size_t bytes = sim.wireBytes();
            std::printf("%-8s %-12s %6d %8.2f %8zu %12.3f %10.2f\n", command, pace, run.status, run.seconds, bytes,
                        wireSeconds(bytes, 115200), wireSeconds(bytes, 9600));
            if (run.status != 0) sound = false;
            if (std::string(command) == "backup" && std::string(pace) == "as-answered") oneBackup = run.seconds;
        }
    }
    if (blocksOf(fastBackup) != blocksOf((folder / "tick.norvik").string())) {
        std::printf("FAULT: the backups in the two paces hold different blocks\n");
        sound = false;
    }

    // Many gateways in one run: each device has a link and a thread of its own.
    {
        std::vector<std::unique_ptr<Simulator>> fleet;
        std::vector<std::string> args;
        for (int i = 0; i < gateways; ++i) {
            fleet.push_back(std::make_unique<Simulator>(folder, ++serial, std::vector<std::string>{}));
            if (!fleet.back()->ready()) {
                std::fprintf(stderr, "norvik-gatesim %d of %d did not start\n", i + 1, gateways);
                return 1;
            }
            args.push_back("--device");
            args.push_back(fleet.back()->slave());
        }
        args.push_back("backup");
        args.push_back("-o");
        args.push_back((folder / "fleet").string());
        const Run run = runCli(args);
        std::printf(
            "\n%d gateways backed up in one run: exit %d, %.2f s, %.2f times one gateway's %.2f s "
            "(goal <= 1.3)\n",
            gateways, run.status, run.seconds, run.seconds / oneBackup, oneBackup);
        if (run.status != 0) sound = false;
    }

    // A slow gateway: every block 300 ms after its line, and the answer to the
    // sixth line (the safe values' load) held for 1.5 s, so that the link
    // prompts again meanwhile. At the tick a block may come at most as late as
    // the tick that reads its line. Each pace must
    // end as against the fast gateway.
    std::printf("\nslow gateway (blocks 300 ms late, one answer held 1.5 s), backup:\n");
    for (const char* pace : {"as-answered", "tick"}) {
        Simulator slow(folder, ++serial, {"--late-block-ms", "300", "--pause-at", "6", "--pause-ms", "1500"});
        if (!slow.ready()) {
            std::fprintf(stderr, "norvik-gatesim did not start\n");
            return 1;
        }
        const std::string slowBackup = (folder / ("slow-" + std::string(pace) + ".norvik")).string();
        const Run run = runCli({"--pace", pace, "--device", slow.slave(), "backup", "-o", slowBackup});
        const bool same = run.status == 0 && blocksOf(slowBackup) == blocksOf(fastBackup);
        std::printf("  %-12s exit %d, %.2f s, %zu bytes; blocks %s the fast gateway's\n", pace, run.status, run.seconds,
                    slow.wireBytes(), same ? "equal to" : "DIFFER FROM");
        if (!same) sound = false;
    }
    return sound ? 0 : 1;
}
