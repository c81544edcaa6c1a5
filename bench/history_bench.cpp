// The history backup of many gateways against that of one: norvik-gatesim on
// pseudo-terminals, every second one behind one ser2net (RFC 2217), norvik-cli
// run as the timer runs it; the wall time of a first run (every file
// committed) and of an unchanged run (nothing committed), and the run's peak
// RSS and thread count.
//
//   norvik_history_bench [GATEWAYS]   (default 64)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

pid_t spawn(std::vector<std::string> args, int out) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error(std::string("spawn ") + args[0] + ": " + std::strerror(rc));
    return pid;
}

// A simulator, and the pseudo-terminal it prints as its first line.
struct Simulator {
    pid_t pid = 0;
    std::string path;
};

Simulator startSimulator(const fs::path& log) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
    Simulator sim;
    sim.pid = spawn({NORVIK_GATESIM, "--log", log.string()}, fds[1]);
    ::close(fds[1]);
    for (char c; ::read(fds[0], &c, 1) == 1 && c != '\n';) sim.path += c;
    ::close(fds[0]);
    return sim;
}

uint16_t freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &len);
    ::close(s);
    return ntohs(address.sin_port);
}

int threadsOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return 0;
}

struct Measured {
    double seconds = 0;
    int status = -1;
    long peakRssKb = 0;
    int peakThreads = 0;
};

Measured runCli(const std::string& inventory, const fs::path& repo) {
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid =
        spawn({NORVIK_CLI, "--quiet", "--inventory", inventory, "backup", "-o", repo.string(), "--history"}, devNull);
    ::close(devNull);
    Measured m;
    int status = 0;
    rusage usage{};
    for (;;) {
        m.peakThreads = std::max(m.peakThreads, threadsOf(pid));
        if (::wait4(pid, &status, WNOHANG, &usage) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m.peakRssKb = usage.ru_maxrss;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const int gateways = argc > 1 ? std::atoi(argv[1]) : 64;
    const fs::path root = fs::temp_directory_path() / ("norvik-history-bench-" + std::to_string(::getpid()));
    fs::create_directories(root);
    std::vector<Simulator> sims;
    for (int i = 0; i < gateways; ++i) sims.push_back(startSimulator(root / ("sim" + std::to_string(i) + ".log")));

    // Every odd gateway is reached through the one ser2net, as a cabinet's device server.
    std::vector<std::string> devices;
    const fs::path config = root / "ser2net.yaml";
    {
        std::ofstream out(config);
        for (int i = 0; i < gateways; ++i) {
            const std::string& pty = sims[static_cast<std::size_t>(i)].path;
            if (i % 2 == 0) {
                devices.push_back(pty);
                continue;
            }
            const uint16_t port = freePort();
            out << "connection: &gw" << i << "\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << port
                << "\n  connector: serialdev," << pty << ",115200n81,local\n";
            devices.push_back("rfc2217://127.0.0.1:" + std::to_string(port));
        }
    }
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t ser2net = spawn({"/usr/sbin/ser2net", "-n", "-u", "-c", config.string()}, devNull);
    ::close(devNull);
    std::this_thread::sleep_for(std::chrono::seconds(1));

    auto inventory = [&](int count) {
        const std::string path = (root / ("gateways-" + std::to_string(count))).string();
        std::ofstream out(path);
        for (int i = 0; i < count; ++i) out << "gw-" << i << " " << devices[static_cast<std::size_t>(i)] << "\n";
        return path;
    };
    std::printf("%-10s %-10s %8s %6s %10s %8s\n", "gateways", "run", "wall s", "exit", "peak RSS", "threads");
    double first[2] = {0, 0}, unchanged[2] = {0, 0};
    for (const int count : {1, gateways}) {
        const std::string list = inventory(count);
        const fs::path repo = root / ("history-" + std::to_string(count));
        const Measured a = runCli(list, repo);
        const Measured b = runCli(list, repo);
        const int k = count == 1 ? 0 : 1;
        first[k] = a.seconds;
        unchanged[k] = b.seconds;
        for (const auto& [name, m] : {std::pair{"first", a}, std::pair{"unchanged", b}})
            std::printf("%-10d %-10s %8.2f %6d %7ld KB %8d\n", count, name, m.seconds, m.status, m.peakRssKb,
                        m.peakThreads);
    }
    std::printf("%d against 1: first run %.2fx, unchanged run %.2fx (goal <= 1.3x)\n", gateways, first[1] / first[0],
                unchanged[1] / unchanged[0]);

    ::kill(ser2net, SIGTERM);
    ::waitpid(ser2net, nullptr, 0);
    for (const Simulator& sim : sims) ::kill(sim.pid, SIGTERM);
    for (const Simulator& sim : sims) ::waitpid(sim.pid, nullptr, 0);
    fs::remove_all(root);
    return 0;
}
