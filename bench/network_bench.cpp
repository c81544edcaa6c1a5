// What a network port costs a console exchange: the prompt and its reply, on
// the simulator's pseudo-terminal directly, and through ser2net on loopback as
// RFC 2217 and as raw TCP. It starts norvik-gatesim and ser2net itself and
// prints the figures and the goal; it never fails on timing.
//
//   norvik_network_bench [EXCHANGES]

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "serial/console_lines.h"
#include "serial/routed_port.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(std::vector<std::string> args, const std::string& out) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
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

struct Figures {
    double median = 0;
    double p90 = 0;
    int failed = 0;
};

Figures measure(const std::string& device, int exchanges) {
    norvik::RoutedSerialPort port;
    norvik::PortSettings settings;
    settings.device = device;
    Figures figures;
    // ser2net lets the next client at the device only once the last one's
    // connection has wound down.
    uint16_t code = EBUSY;
    for (int tries = 0; code == EBUSY && tries < 30; ++tries) {
        code = port.openPort(settings);
        if (code == EBUSY) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (code != 0) {
        std::printf("%s: open failed, error %u\n", device.c_str(), code);
        figures.failed = exchanges;
        return figures;
    }
    std::vector<double> ms;
    for (int i = 0; i < exchanges; ++i) {
        const auto start = Clock::now();
        port.sendLine(settings.port, norvik::console::kPrompt);
        std::string line;
        bool answered = false;
        while (!answered && port.takeLine(settings.port, 1000, line)) answered = line == norvik::console::kReplyConnect;
        if (!answered) ++figures.failed;
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    port.closePort(settings.port);
    std::sort(ms.begin(), ms.end());
    figures.median = ms[ms.size() / 2];
    figures.p90 = ms[ms.size() * 9 / 10];
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    const std::string scratch = "/tmp/norvik-network-bench-" + std::to_string(::getpid());
    const pid_t sim = spawn({NORVIK_GATESIM}, scratch + ".sim");
    std::string pty;
    for (int i = 0; i < 200 && pty.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream(scratch + ".sim") >> pty;
    }
    // Each kind of port with ser2net's defaults, and without the wait for
    // more characters it makes before it sends what came from the device.
    std::vector<std::string> urls;
    std::ofstream config(scratch + ".yaml");
    for (const bool delay : {true, false}) {
        for (const bool telnet : {true, false}) {
            const uint16_t port = freePort();
            urls.push_back((telnet ? "rfc2217://127.0.0.1:" : "socket://127.0.0.1:") + std::to_string(port));
            config << "connection: &c" << urls.size() << "\n  accepter: " << (telnet ? "telnet(rfc2217)," : "")
                   << "tcp,127.0.0.1," << port << "\n  connector: serialdev," << pty << ",115200n81,local\n"
                   << (delay ? "" : "  options:\n    chardelay: false\n");
        }
    }
    config.close();
    const pid_t server = spawn({"/usr/sbin/ser2net", "-n", "-u", "-c", scratch + ".yaml"}, "/dev/null");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::printf("%d exchanges of \"%s\" and its reply each, ms per exchange\n", exchanges, norvik::console::kPrompt);
    const Figures local = measure(pty, exchanges);
    std::printf("  %-45s median %6.2f  p90 %6.2f  unanswered %d\n", "pseudo-terminal", local.median, local.p90,
                local.failed);
    for (std::size_t i = 0; i < urls.size(); ++i) {
        const Figures net = measure(urls[i], exchanges);
        const std::string name = urls[i] + (i < 2 ? "" : " chardelay: false");
        std::printf("  %-45s median %6.2f  p90 %6.2f  unanswered %d  (%+.2f ms; goal: at most +20)\n", name.c_str(),
                    net.median, net.p90, net.failed, net.median - local.median);
    }

    for (const pid_t pid : {server, sim}) {
        if (pid <= 0) continue;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    std::remove((scratch + ".sim").c_str());
    std::remove((scratch + ".yaml").c_str());
    return 0;
}
