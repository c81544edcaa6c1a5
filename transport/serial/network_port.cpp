#include "serial/network_port.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <utility>

#include "serial/termios_port.h"

namespace norvik {

namespace {

constexpr uint8_t kFirstPort = 1;
constexpr uint8_t kLastPort = 8;
constexpr std::string_view kTelnetScheme = "rfc2217://";
constexpr std::string_view kRawScheme = "socket://";

// A send that makes no headway for this long has lost its server.
constexpr auto kWriteGrace = std::chrono::milliseconds(2000);

// A server that has gone without a word (pulled cable, powered off) is
// noticed by the keep-alive within about 5 + 3 * 2 s, and a send that is not
// acknowledged within 10 s ends the link as well.
constexpr int kKeepIdleSeconds = 5;
constexpr int kKeepIntervalSeconds = 2;
constexpr int kKeepCount = 3;
constexpr unsigned kUserTimeoutMs = 10000;

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

std::mutex refusalMutex;
std::map<std::string, std::string>& refusals() {
    static std::map<std::string, std::string> byDevice;
    return byDevice;
}

void recordRefusal(const std::string& device, std::string text) {
    std::lock_guard lock(refusalMutex);
    if (text.empty()) refusals().erase(device);
    else refusals()[device] = std::move(text);
}

uint8_t parityCode(Parity parity) {
    switch (parity) {
    case Parity::Odd: return 2;
    case Parity::Even: return 3;
    default: return 1;
    }
}

uint32_t bigEndian(const std::vector<uint8_t>& value) {
    uint32_t n = 0;
    for (const uint8_t b : value) n = (n << 8) | b;
    return n;
}

// One line setting in words, from its COM-PORT value.
std::string settingText(telnet::ComCommand command, const std::vector<uint8_t>& value) {
    const uint32_t n = bigEndian(value);
    switch (command) {
    case telnet::ComCommand::SetBaudRate: return std::to_string(n) + " baud";
    case telnet::ComCommand::SetDataSize: return std::to_string(n) + " data bits";
    case telnet::ComCommand::SetParity: {
        static constexpr std::array<const char*, 6> kNames{"parity ?",    "no parity",   "odd parity",
                                                           "even parity", "mark parity", "space parity"};
        return n < kNames.size() ? kNames[n] : "parity " + std::to_string(n);
    }
    case telnet::ComCommand::SetStopSize:
        return n == 1 ? "1 stop bit"
                      : (n == 2 ? "2 stop bits" : (n == 3 ? "1.5 stop bits" : "stop size " + std::to_string(n)));
    default: return {};
    }
}

void configureSocket(int fd) {
    const int on = 1;
    // Every console line is a small write that the gateway waits for.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleSeconds, sizeof kKeepIdleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalSeconds, sizeof kKeepIntervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUserTimeoutMs, sizeof kUserTimeoutMs);
}

}  // namespace

bool isNetworkDevice(std::string_view device) {
    return device.starts_with(kTelnetScheme) || device.starts_with(kRawScheme);
}

std::optional<NetworkAddress> parseNetworkAddress(std::string_view device) {
    NetworkAddress address;
    if (device.starts_with(kTelnetScheme)) {
        address.telnet = true;
        device.remove_prefix(kTelnetScheme.size());
    } else if (device.starts_with(kRawScheme)) {
        device.remove_prefix(kRawScheme.size());
    } else {
        return std::nullopt;
    }
    std::size_t colon = 0;
    if (device.starts_with('[')) {
        const std::size_t close = device.find(']');
        if (close == std::string_view::npos || close + 1 >= device.size() || device[close + 1] != ':')
            return std::nullopt;
        address.host = std::string(device.substr(1, close - 1));
        colon = close + 1;
    } else {
        colon = device.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        address.host = std::string(device.substr(0, colon));
        if (address.host.find_first_of(":/?#@[] \t") != std::string::npos) return std::nullopt;
    }
    const std::string_view digits = device.substr(colon + 1);
    if (address.host.empty() || digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const unsigned long port = std::stoul(std::string(digits));
    if (port == 0 || port > 65535) return std::nullopt;
    address.port = static_cast<uint16_t>(port);
    return address;
}

std::string refusedLineSettings(const std::string& device) {
    std::lock_guard lock(refusalMutex);
    const auto it = refusals().find(device);
    return it == refusals().end() ? std::string() : it->second;
}

NetworkSerialPort::NetworkSerialPort() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NetworkSerialPort::~NetworkSerialPort() {
    std::scoped_lock lock(writeMutex_, readMutex_);
    if (fd_ >= 0) ::close(fd_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

uint32_t NetworkSerialPort::deviceError() const { return lostError_.load(); }

void NetworkSerialPort::cancelWaits() {
    // No lock: the waits to be ended hold them.
    cancelled_ = true;
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
    }
}

void NetworkSerialPort::resumeWaits() {
    cancelled_ = false;
    if (wakeFd_ >= 0) {
        uint64_t count = 0;
        (void)!::read(wakeFd_, &count, sizeof count);
    }
}

void NetworkSerialPort::markGone(int err) {
    uint32_t none = 0;
    lostError_.compare_exchange_strong(none, static_cast<uint32_t>(err == 0 ? ECONNRESET : err));
}

NetworkSerialPort::Wait NetworkSerialPort::waitFor(int fd, short events, Clock::time_point deadline) const {
    const int wait = remainingMs(deadline);
    if (cancelled_) return Wait::Cancelled;
    if (wait == 0) return Wait::TimedOut;
    std::array<pollfd, 2> fds{{{fd, events, 0}, {wakeFd_, POLLIN, 0}}};
    const nfds_t count = wakeFd_ >= 0 ? 2 : 1;
    const int r = ::poll(fds.data(), count, wakeFd_ >= 0 ? wait : std::min(wait, 20));
    if (cancelled_ || (fds[1].revents & POLLIN) != 0) return Wait::Cancelled;
    // An error or a hang-up is Ready too: the read or write that follows says which.
    return r != 0 ? Wait::Ready : Wait::TimedOut;
}

int NetworkSerialPort::connectTo(const NetworkAddress& address, int& fd) const {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found);
    if (rc == EAI_SYSTEM) return errno != 0 ? errno : ENXIO;
    if (rc == EAI_MEMORY) return ENOMEM;
    // The name is not known: "no such device or address" is the nearest the
    // system's error numbers come.
    if (rc != 0) return ENXIO;

    const auto deadline = Clock::now() + kConnectTimeout;
    int err = EHOSTUNREACH;
    for (const addrinfo* ai = found; ai != nullptr; ai = ai->ai_next) {
        const int s = ::socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (s < 0) {
            err = errno;
            continue;
        }
        if (::connect(s, ai->ai_addr, ai->ai_addrlen) == 0) {
            fd = s;
            err = 0;
            break;
        }
        if (errno != EINPROGRESS) {
            err = errno;
            ::close(s);
            continue;
        }
        const Wait w = waitFor(s, POLLOUT, deadline);
        int soError = 0;
        socklen_t len = sizeof soError;
        if (w == Wait::Ready && ::getsockopt(s, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0) {
            fd = s;
            err = 0;
            break;
        }
        ::close(s);
        if (w == Wait::Cancelled) {
            err = ECANCELED;
            break;
        }
        if (w == Wait::TimedOut) {
            err = ETIMEDOUT;
            break;
        }
        err = soError != 0 ? soError : EHOSTUNREACH;
    }
    ::freeaddrinfo(found);
    return err;
}

int NetworkSerialPort::settle(int fd) const {
    // A raw port has no answer to wait for, but a server that holds the port
    // for another client says so and closes at once; what came before Connect
    // is no answer to anything we send.
    const auto deadline = Clock::now() + kSettleTime;
    std::array<uint8_t, 512> sink{};
    while (true) {
        const ssize_t n = ::recv(fd, sink.data(), sink.size(), 0);
        if (n > 0) continue;
        if (n == 0 || (n < 0 && errno == ECONNRESET)) return EBUSY;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return errno;
        const Wait w = waitFor(fd, POLLIN, deadline);
        if (w == Wait::Cancelled) return ECANCELED;
        if (w == Wait::TimedOut) return 0;
    }
}

int NetworkSerialPort::negotiate(int fd, const PortSettings& settings, const std::string& device) {
    using telnet::ComCommand;
    static constexpr std::array<ComCommand, 4> kAsked{ComCommand::SetBaudRate, ComCommand::SetDataSize,
                                                      ComCommand::SetParity, ComCommand::SetStopSize};
    const std::array<std::vector<uint8_t>, 4> asked{
        std::vector<uint8_t>{static_cast<uint8_t>(settings.baud >> 24), static_cast<uint8_t>(settings.baud >> 16),
                             static_cast<uint8_t>(settings.baud >> 8), static_cast<uint8_t>(settings.baud)},
        std::vector<uint8_t>{settings.dataBits}, std::vector<uint8_t>{parityCode(settings.parity)},
        std::vector<uint8_t>{1}};
    std::array<std::optional<std::vector<uint8_t>>, 4> answered;

    codec_ = telnet::Codec{};
    const auto deadline = Clock::now() + kAnswerTimeout;
    writeWire(codec_.start(true), deadline);
    bool settingsSent = false;
    std::array<uint8_t, 512> raw{};
    while (true) {
        if (const int lost = static_cast<int>(lostError_.load()); lost != 0)
            return lost == EPIPE || lost == ECONNRESET ? EBUSY : lost;
        if (codec_.comPortRefused()) return EPROTONOSUPPORT;
        if (codec_.comPortAgreed() && !settingsSent) {
            std::vector<uint8_t> wire;
            for (std::size_t i = 0; i < kAsked.size(); ++i) {
                const std::vector<uint8_t> command = telnet::Codec::comCommand(kAsked[i], asked[i]);
                wire.insert(wire.end(), command.begin(), command.end());
            }
            // Whatever the gateway said before Connect is no answer to anything we send.
            const uint8_t both = telnet::kPurgeBoth;
            const std::vector<uint8_t> purge = telnet::Codec::comCommand(ComCommand::PurgeData, {&both, 1});
            wire.insert(wire.end(), purge.begin(), purge.end());
            writeWire(wire, deadline);
            settingsSent = true;
        }
        if (std::all_of(answered.begin(), answered.end(), [](const auto& a) { return a.has_value(); })) break;
        const ssize_t n = ::recv(fd, raw.data(), raw.size(), 0);
        if (n > 0) {
            // Byte by byte until the answers are in: what the device sends after
            // them, perhaps in the same segment, is the gateway's and is kept.
            const auto wire = std::span(raw).first(static_cast<std::size_t>(n));
            std::size_t used = 0;
            const auto allAnswered = [&] {
                return std::all_of(answered.begin(), answered.end(), [](const auto& a) { return a.has_value(); });
            };
            while (used < wire.size() && !allAnswered()) {
                decoded_.clear();
                codec_.feed(wire.subspan(used++, 1), decoded_);
                for (const telnet::ComAnswer& answer : codec_.takeAnswers())
                    for (std::size_t i = 0; i < kAsked.size(); ++i)
                        if (answer.command == static_cast<uint8_t>(kAsked[i])) answered[i] = answer.value;
            }
            decoded_.clear();
            codec_.feed(wire.subspan(used), decoded_);
            rx_.feed(decoded_);
            writeWire(codec_.takeOwed(), deadline);
            continue;
        }
        // A server that lets the connection in and closes it at once is
        // telling us that another client holds the port; what we had sent
        // unread turns the close into a reset.
        if (n == 0 || (n < 0 && errno == ECONNRESET)) return EBUSY;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return errno;
        const Wait w = waitFor(fd, POLLIN, deadline);
        if (w == Wait::Cancelled) return ECANCELED;
        if (w == Wait::TimedOut) return ETIMEDOUT;
    }
    std::string refused;
    for (std::size_t i = 0; i < kAsked.size(); ++i) {
        if (*answered[i] == asked[i]) continue;
        if (!refused.empty()) refused += "; ";
        refused += settingText(kAsked[i], asked[i]) + " asked, the server set " + settingText(kAsked[i], *answered[i]);
    }
    recordRefusal(device, refused);
    return refused.empty() ? 0 : EPROTO;
}

uint16_t NetworkSerialPort::openPort(const PortSettings& settings) {
    std::scoped_lock lock(writeMutex_, readMutex_);
    if (fd_ >= 0) return EBUSY;
    resumeWaits();
    if (settings.port < kFirstPort || settings.port > kLastPort ||
        std::find(kBaudRates.begin(), kBaudRates.end(), settings.baud) == kBaudRates.end() ||
        settings.parity > Parity::Even || settings.dataBits != 8 || settings.stopBits != 0) {
        return EINVAL;
    }
    const std::string device = settings.device.empty() ? comDevicePath(settings.port) : settings.device;
    const std::optional<NetworkAddress> address = parseNetworkAddress(device);
    if (!address) return EINVAL;

    int fd = -1;
    if (const int err = connectTo(*address, fd); err != 0) return static_cast<uint16_t>(err);
    configureSocket(fd);
    fd_ = fd;
    lostError_ = 0;
    rx_.clear();
    {
        std::lock_guard owed(owedMutex_);
        owed_.clear();
    }
    if (const int err = address->telnet ? negotiate(fd, settings, device) : settle(fd); err != 0) {
        ::close(fd);
        fd_ = -1;
        lostError_ = 0;
        return static_cast<uint16_t>(err);
    }
    telnet_ = address->telnet;
    port_ = settings.port;
    open_ = true;
    return 0;
}

uint32_t NetworkSerialPort::closePort(uint8_t port) {
    std::scoped_lock lock(writeMutex_, readMutex_);
    if (fd_ < 0 || port != port_) return EBADF;
    // Unread input would make the close a reset, which throws away what is
    // still on its way to the server.
    std::array<uint8_t, 512> sink{};
    while (::recv(fd_, sink.data(), sink.size(), MSG_DONTWAIT) > 0) {}
    ::shutdown(fd_, SHUT_WR);
    const int rc = ::close(fd_);
    const int err = errno;
    fd_ = -1;
    port_ = 0;
    rx_.clear();
    decoded_.clear();
    lostError_ = 0;
    open_ = false;
    resumeWaits();
    return rc == 0 ? 0u : static_cast<uint32_t>(err);
}

void NetworkSerialPort::writeWire(std::span<const uint8_t> wire, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < wire.size() && lostError_ == 0 && !cancelled_) {
        const ssize_t n = ::send(fd_, wire.data() + done, wire.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            markGone(errno);
            return;
        }
        const Wait w = waitFor(fd_, POLLOUT, deadline);
        if (w == Wait::TimedOut) markGone(ETIMEDOUT);
        if (w != Wait::Ready) return;
    }
}

void NetworkSerialPort::writeData(uint8_t port, std::span<const uint8_t> bytes) {
    std::lock_guard lock(writeMutex_);
    if (fd_ < 0 || port != port_) return;
    std::vector<uint8_t> wire;
    {
        std::lock_guard owed(owedMutex_);
        wire.swap(owed_);
    }
    if (telnet_) telnet::Codec::appendEscaped(bytes, wire);
    else wire.insert(wire.end(), bytes.begin(), bytes.end());
    writeWire(wire, Clock::now() + kWriteGrace);
}

void NetworkSerialPort::sendLine(uint8_t port, std::string_view text) {
    // One write for text and terminator, so a concurrent block cannot land between them.
    std::vector<uint8_t> line(text.begin(), text.end());
    line.push_back('\r');
    line.push_back('\n');
    writeData(port, line);
}

void NetworkSerialPort::sendBlock(uint8_t port, std::span<const uint8_t> bytes) { writeData(port, bytes); }

bool NetworkSerialPort::drainOutput(uint8_t port, uint16_t timeoutMs) {
    std::lock_guard lock(writeMutex_);
    if (fd_ < 0 || port != port_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // Sent means taken by the server: the socket's queue holds what it has not acknowledged.
    while (lostError_ == 0) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) return false;
        if (queued == 0) return true;
        const int wait = std::min(remainingMs(deadline), 5);
        if (wait == 0 || cancelled_) return false;
        pollfd wake{wakeFd_, POLLIN, 0};
        if (::poll(&wake, wakeFd_ >= 0 ? 1 : 0, wait) > 0) return false;
    }
    return false;
}

void NetworkSerialPort::sendOwed() {
    std::vector<uint8_t> owed = codec_.takeOwed();
    std::lock_guard lock(owedMutex_);
    owed_.insert(owed_.end(), owed.begin(), owed.end());
    if (owed_.empty()) return;
    // A writer that holds the line sends them before its own bytes.
    std::unique_lock write(writeMutex_, std::try_to_lock);
    if (!write.owns_lock()) return;
    const std::vector<uint8_t> wire = std::exchange(owed_, {});
    writeWire(wire, Clock::now() + kWriteGrace);
}

std::size_t NetworkSerialPort::readSome(Clock::time_point deadline, std::span<uint8_t> dest) {
    std::array<uint8_t, 4096> raw{};
    while (lostError_ == 0 && !cancelled_) {
        // Never more wire bytes than data bytes asked for: telnet only ever
        // makes fewer of them, so nothing read is left over.
        const std::size_t want = std::min(dest.size(), raw.size());
        const ssize_t n = ::recv(fd_, telnet_ ? raw.data() : dest.data(), want, 0);
        if (n > 0) {
            if (!telnet_) return static_cast<std::size_t>(n);
            decoded_.clear();
            codec_.feed(std::span(raw).first(static_cast<std::size_t>(n)), decoded_);
            (void)codec_.takeAnswers();
            sendOwed();
            if (decoded_.empty()) continue;
            std::copy(decoded_.begin(), decoded_.end(), dest.begin());
            return decoded_.size();
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) {
            markGone(ECONNRESET);
            break;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            markGone(errno);
            break;
        }
        if (waitFor(fd_, POLLIN, deadline) != Wait::Ready) return 0;
    }
    return 0;
}

std::string NetworkSerialPort::receiveLine(uint8_t port, uint16_t timeoutMs) {
    std::string line;
    if (!takeLine(port, timeoutMs, line)) line.clear();
    return line;
}

bool NetworkSerialPort::takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) {
    std::lock_guard lock(readMutex_);
    line.clear();
    if (fd_ < 0 || port != port_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return readLine(rx_, line, [&](std::span<uint8_t> dest) { return readSome(deadline, dest); });
}

bool NetworkSerialPort::waitForLine(uint8_t port, uint16_t timeoutMs) {
    std::lock_guard lock(readMutex_);
    if (fd_ < 0 || port != port_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return awaitLine(rx_, [&](std::span<uint8_t> dest) { return readSome(deadline, dest); });
}

BlockReceipt NetworkSerialPort::receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    std::lock_guard lock(readMutex_);
    if (fd_ < 0 || port != port_) return {1, 0};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::size_t got = readBlock(rx_, buffer, [&](std::span<uint8_t> dest) { return readSome(deadline, dest); });
    return {static_cast<uint16_t>(got == buffer.size() ? 0 : 1), got};
}

}  // namespace norvik
