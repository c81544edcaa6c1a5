#pragma once
// Runs Debian's ser2net in the foreground in front of a device, with a
// configuration written for the test: an RFC 2217 port and a raw TCP port on
// free loopback ports.

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace norvik::test {

class Ser2netProcess {
public:
    static bool installed() { return ::access(kBinary, X_OK) == 0; }

    explicit Ser2netProcess(const std::string& device)
        : config_(std::filesystem::temp_directory_path() /
                  ("ser2net-" + std::to_string(::getpid()) + "-" + std::to_string(++serial()) + ".yaml")) {
        telnetPort_ = freePort();
        rawPort_ = freePort();
        std::ofstream(config_) << "connection: &rfc2217\n"
                               << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << telnetPort_ << "\n"
                               << "  connector: serialdev," << device << ",115200n81,local\n"
                               << "connection: &raw\n"
                               << "  accepter: tcp,127.0.0.1," << rawPort_ << "\n"
                               << "  connector: serialdev," << device << ",115200n81,local\n";
        start();
    }
    ~Ser2netProcess() {
        kill(SIGTERM);
        std::filesystem::remove(config_);
    }
    Ser2netProcess(const Ser2netProcess&) = delete;
    Ser2netProcess& operator=(const Ser2netProcess&) = delete;

    std::string rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(telnetPort_); }
    std::string rawUrl() const { return "socket://127.0.0.1:" + std::to_string(rawPort_); }

    void kill(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    // On the same ports and configuration, once it accepts connections again.
    void start() {
        std::vector<std::string> args{kBinary, "-n", "-u", "-c", config_.string()};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int rc = ::posix_spawn(&pid_, kBinary, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error(std::string("ser2net: ") + std::strerror(rc));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!accepts(rawPort_) || !accepts(telnetPort_)) {
            if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("ser2net did not start");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

private:
    static constexpr const char* kBinary = "/usr/sbin/ser2net";
    static int& serial() {
        static int n = 0;
        return n;
    }

    static sockaddr_in loopback(uint16_t port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    static uint16_t freePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        socklen_t len = sizeof address;
        ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &len);
        ::close(s);
        return ntohs(address.sin_port);
    }
    // Whether something listens there: a probe connection would make ser2net
    // open and close the device, and the client after it could find it busy.
    static bool accepts(uint16_t port) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopback(port);
        const bool taken = ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0;
        ::close(s);
        return taken;
    }

    std::filesystem::path config_;
    uint16_t telnetPort_ = 0;
    uint16_t rawPort_ = 0;
    pid_t pid_ = -1;
};

}  // namespace norvik::test
