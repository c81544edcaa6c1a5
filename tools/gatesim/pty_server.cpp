#include "pty_server.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

namespace gatesim {
namespace {

using namespace std::chrono_literals;

// How long to leave the master alone after it reported a hang-up or EIO, so a
// master without a peer does not turn the loop into a busy spin.
constexpr auto kHangupPause = 50ms;
// Upper bound of one wait, so the loop notices time passing even when idle.
constexpr auto kMaxWait = 100ms;

[[noreturn]] void fail(const char* what) { throw std::runtime_error(std::string(what) + ": " + std::strerror(errno)); }

}  // namespace

PseudoTerminal::PseudoTerminal() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) fail("openpty");
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0) fail("tcgetattr");
    // Blocks carry every byte value; no echo, no CR/LF translation, no signals.
    ::cfmakeraw(&tio);
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) fail("tcsetattr");

    std::array<char, 256> name{};
    if (::ttyname_r(slave_, name.data(), name.size()) != 0) fail("ttyname_r");
    slavePath_ = name.data();
}

PseudoTerminal::~PseudoTerminal() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

void serve(Gateway& gateway, int masterFd, WireLog& log, const volatile std::sig_atomic_t& stop) {
    sigset_t waitMask;
    ::sigprocmask(SIG_SETMASK, nullptr, &waitMask);
    ::sigdelset(&waitMask, SIGTERM);
    ::sigdelset(&waitMask, SIGINT);

    std::string pending;          // bytes of an answer the pty did not take at once
    std::vector<Piece> unlogged;  // the pieces those bytes belong to
    Clock::time_point quietUntil{};
    std::array<uint8_t, 4096> buffer{};

    // An answer is logged once the pty holds all of it, so a reader of the log
    // may rely on every TX entry being there to be read.
    auto writePending = [&](Clock::time_point now) {
        ssize_t n = ::write(masterFd, pending.data(), pending.size());
        if (n > 0) pending.erase(0, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EIO) quietUntil = now + kHangupPause;
        if (!pending.empty()) return;
        for (const auto& p : unlogged) {
            if (p.kind == Piece::Kind::Line) log.txLine(p.bytes);
            else log.txBlock(p.bytes.size());
        }
        unlogged.clear();
    };

    while (!stop) {
        auto now = Clock::now();
        gateway.expire(now);
        while (pending.empty() && gateway.hasDue(now)) {
            Outgoing out = gateway.popDue();
            pending = out.wireBytes();
            unlogged = std::move(out.pieces);
            writePending(now);
        }

        bool quiet = now < quietUntil;
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kMaxWait);
        if (auto next = gateway.nextDeadline(); next && pending.empty())
            wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(*next - now), 0ms,
                              std::chrono::duration_cast<std::chrono::milliseconds>(kMaxWait));
        if (quiet) wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(quietUntil - now));

        pollfd pfd{quiet ? -1 : masterFd, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
        timespec ts{0, static_cast<long>(wait.count()) * 1'000'000L};
        int ready = ::ppoll(&pfd, 1, &ts, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) continue;
            fail("ppoll");
        }
        if (ready == 0 || pfd.fd < 0) continue;
        now = Clock::now();

        if (pfd.revents & POLLOUT && !pending.empty()) writePending(now);
        if (pfd.revents & POLLIN) {
            ssize_t n = ::read(masterFd, buffer.data(), buffer.size());
            if (n > 0) gateway.receive(std::span<const uint8_t>(buffer.data(), static_cast<std::size_t>(n)), now);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR)) quietUntil = now + kHangupPause;
        } else if (pfd.revents & (POLLHUP | POLLERR)) {
            quietUntil = now + kHangupPause;
        }
    }
}

}  // namespace gatesim
