#include "serial/termios_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace norvik {

namespace {

constexpr uint8_t kFirstPort = 1;
constexpr uint8_t kLastPort = 8;

// However slow the line, a send that makes no headway for this long beyond its
// transmit time is given up: a dead adapter must not freeze the window.
constexpr auto kWriteGrace = std::chrono::milliseconds(1000);

bool toSpeed(uint32_t baud, speed_t& speed) {
    static constexpr std::array<std::pair<uint32_t, speed_t>, 7> kSpeeds{{
        {2400, B2400},
        {4800, B4800},
        {9600, B9600},
        {19200, B19200},
        {38400, B38400},
        {57600, B57600},
        {115200, B115200},
    }};
    for (const auto& [rate, code] : kSpeeds) {
        if (rate == baud) {
            speed = code;
            return true;
        }
    }
    return false;
}

// Only the settings that decide whether bytes pass unchanged must stick. A
// pseudo-terminal has no line: it quietly drops parity and keeps no real speed,
// and that is no reason to refuse it.
bool bytesPassUnchanged(const termios& t) {
    return (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 &&
           (t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK)) == 0 && (t.c_oflag & OPOST) == 0 &&
           (t.c_cflag & CSIZE) == CS8;
}

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= left.zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace

std::string comDevicePath(uint8_t port) {
    if (port < kFirstPort || port > kLastPort) return {};
    const std::string digit(1, static_cast<char>('0' + port));
    const char* named = std::getenv(("NORVIK_COM" + digit).c_str());
    if (named != nullptr && *named != '\0') return named;
    return "/dev/ttyS" + std::string(1, static_cast<char>('0' + port - 1));
}

TermiosSerialPort::TermiosSerialPort() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TermiosSerialPort::~TermiosSerialPort() {
    std::scoped_lock lock(writeMutex_, readMutex_);
    if (fd_ >= 0) {
        releaseDevice();
        ::close(fd_);
    }
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool TermiosSerialPort::isOpen() const { return open_.load(); }

std::size_t TermiosSerialPort::heldByDevice() const {
    int held = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &held) != 0) held = 0;
    return static_cast<std::size_t>(std::max(held, 0));
}

std::size_t TermiosSerialPort::bytesSinceWrite() const {
    std::lock_guard lock(readMutex_);
    const std::size_t arrived = readTotal_.load() + heldByDevice();
    return arrived - std::min(arrived, arrivedAtWrite_.load());
}

uint32_t TermiosSerialPort::deviceError() const { return lostError_.load(); }

void TermiosSerialPort::cancelWaits() {
    // No lock: the waits to be ended hold them.
    cancelled_ = true;
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
    }
}

void TermiosSerialPort::resumeWaits() {
    cancelled_ = false;
    if (wakeFd_ >= 0) {
        uint64_t count = 0;
        (void)!::read(wakeFd_, &count, sizeof count);
    }
}

void TermiosSerialPort::markGone(int err) {
    uint32_t none = 0;
    lostError_.compare_exchange_strong(none, static_cast<uint32_t>(err == 0 ? EIO : err));
}

void TermiosSerialPort::releaseDevice() {
    if (fd_ < 0) return;
    // Only the lock we set: another program's TIOCEXCL is not ours to clear.
    if (ownsExclusive_) ::ioctl(fd_, TIOCNXCL);
    ownsExclusive_ = false;
}

uint16_t TermiosSerialPort::openPort(const PortSettings& settings) {
    std::scoped_lock lock(writeMutex_, readMutex_);
    if (fd_ >= 0) return EBUSY;
    resumeWaits();
    speed_t speed{};
    if (settings.port < kFirstPort || settings.port > kLastPort || !toSpeed(settings.baud, speed) ||
        settings.parity > Parity::Even || settings.dataBits != 8 || settings.stopBits != 0) {
        return EINVAL;
    }

    const std::string path = settings.device.empty() ? comDevicePath(settings.port) : settings.device;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return static_cast<uint16_t>(errno);

    bool exclusive = false;
    const auto fail = [&](int err) {
        // TIOCEXCL outlives this descriptor while anyone else holds the device
        // open, and would lock out the next Connect.
        if (exclusive) ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return static_cast<uint16_t>(err);
    };

    // TIOCEXCL does not stop root, flock does; together they keep a second
    // program (or a second Norvik) off a port in use.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return fail(errno);
    // Root gets past another program's TIOCEXCL at open; the port is still that
    // program's, and its lock is not ours to take over and clear on close.
    int heldExclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &heldExclusive) == 0 && heldExclusive != 0) return fail(EBUSY);
    if (::ioctl(fd, TIOCEXCL) != 0) return fail(errno);
    exclusive = true;

    ::cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB | PARODD | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    if (settings.parity == Parity::Odd) tio.c_cflag |= PARENB | PARODD;
    if (settings.parity == Parity::Even) tio.c_cflag |= PARENB;
    // VMIN 1 makes an empty non-blocking read fail with EAGAIN, so that a read
    // of 0 bytes can only mean the device hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return fail(errno);
    // tcsetattr succeeds when any part of the request took; read back what did.
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return fail(errno);
    termios applied{};
    if (::tcgetattr(fd, &applied) != 0) return fail(errno);
    if (!bytesPassUnchanged(applied)) return fail(EIO);
    // Whatever the gateway said before Connect is no answer to anything we send.
    ::tcflush(fd, TCIOFLUSH);

    fd_ = fd;
    port_ = settings.port;
    baud_ = settings.baud;
    ownsExclusive_ = true;
    rx_.clear();
    lostError_ = 0;
    open_ = true;
    return 0;
}

uint32_t TermiosSerialPort::closePort(uint8_t port) {
    std::scoped_lock lock(writeMutex_, readMutex_);
    if (fd_ < 0 || port != port_) return EBADF;
    releaseDevice();
    // Output still queued would hold close() until it has crawled out at the
    // line's rate (up to half a minute on a real UART): Disconnect means now.
    // Only then is output thrown away: on a pseudo-terminal it never queues
    // here, and flushing it would take bytes from the other side's input.
    int queued = 0;
    ::tcflush(fd_, ::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued == 0 ? TCIFLUSH : TCIOFLUSH);
    // Linux releases the descriptor even when close reports an error, so the
    // port counts as closed either way; the error is still worth showing.
    const int rc = ::close(fd_);
    const int err = errno;
    fd_ = -1;
    port_ = 0;
    rx_.clear();
    lostError_ = 0;
    open_ = false;
    resumeWaits();
    return rc == 0 ? 0u : static_cast<uint32_t>(err);
}

void TermiosSerialPort::sendLine(uint8_t port, std::string_view text) {
    // One write for text and terminator, so a concurrent block cannot land between them.
    std::vector<uint8_t> line(text.begin(), text.end());
    line.push_back('\r');
    line.push_back('\n');
    writeAll(port, line);
}

bool TermiosSerialPort::drainOutput(uint8_t port, uint16_t timeoutMs) {
    std::lock_guard lock(writeMutex_);
    if (fd_ < 0 || port != port_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (lostError_ == 0) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) return false;
        if (queued == 0) return true;
        // The time the queue needs at the line's rate, looked at again at least every 20 ms.
        const int wait =
            std::min(remainingMs(deadline), std::max(1, std::min(20, queued * 10000 / static_cast<int>(baud_))));
        if (wait == 0 || cancelled_) return false;
        pollfd wake{wakeFd_, POLLIN, 0};
        if (::poll(&wake, wakeFd_ >= 0 ? 1 : 0, wait) > 0) return false;
    }
    return false;
}

void TermiosSerialPort::sendBlock(uint8_t port, std::span<const uint8_t> bytes) { writeAll(port, bytes); }

TermiosSerialPort::Wait TermiosSerialPort::waitFor(short events, Clock::time_point deadline) {
    const int wait = remainingMs(deadline);
    if (cancelled_) return Wait::Cancelled;
    if (wait == 0) return Wait::TimedOut;
    std::array<pollfd, 2> fds{{{fd_, events, 0}, {wakeFd_, POLLIN, 0}}};
    const nfds_t count = wakeFd_ >= 0 ? 2 : 1;
    // Without a wake-up descriptor the flag is looked at every few milliseconds.
    const int r = ::poll(fds.data(), count, wakeFd_ >= 0 ? wait : std::min(wait, 20));
    if (cancelled_ || (fds[1].revents & POLLIN) != 0) return Wait::Cancelled;
    if (r < 0) return errno == EINTR ? Wait::Ready : Wait::HungUp;
    if (r > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Wait::HungUp;
    return r > 0 ? Wait::Ready : Wait::TimedOut;
}

void TermiosSerialPort::writeAll(uint8_t port, std::span<const uint8_t> bytes) {
    std::lock_guard lock(writeMutex_);
    if (fd_ < 0 || port != port_) return;
    // What a worker reads meanwhile may be counted twice here, never missed.
    const std::size_t held = heldByDevice();
    arrivedAtWrite_ = held + readTotal_.load();
    // Ten bit times per byte with start and stop bit.
    const auto transmit = std::chrono::milliseconds(bytes.size() * 10000u / baud_);
    const auto deadline = Clock::now() + transmit + kWriteGrace;
    std::size_t done = 0;
    while (done < bytes.size() && lostError_ == 0 && !cancelled_) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            markGone(errno);
            return;
        }
        const Wait w = waitFor(POLLOUT, deadline);
        if (w == Wait::HungUp) markGone(EIO);
        if (w != Wait::Ready) return;
    }
}

std::size_t TermiosSerialPort::readSome(Clock::time_point deadline, std::span<uint8_t> dest) {
    bool hungUp = false;
    while (lostError_ == 0 && !cancelled_) {
        const ssize_t n = ::read(fd_, dest.data(), dest.size());
        if (n > 0) {
            readTotal_ += static_cast<std::size_t>(n);
            return static_cast<std::size_t>(n);
        }
        if (n < 0 && errno == EINTR) continue;
        // A pulled adapter or a closed pty master shows as end of file, EIO, or a
        // hang-up with nothing to read. Every later read would say the same, so
        // remember it instead of spinning on it.
        if (n == 0 || hungUp) {
            markGone(EIO);
            break;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            markGone(errno);
            break;
        }
        const Wait w = waitFor(POLLIN, deadline);
        if (w == Wait::TimedOut || w == Wait::Cancelled) return 0;
        // Bytes may still stand behind a hang-up: one more read takes them.
        if (w == Wait::HungUp) hungUp = true;
    }
    return 0;
}

std::string TermiosSerialPort::receiveLine(uint8_t port, uint16_t timeoutMs) {
    std::string line;
    if (!takeLine(port, timeoutMs, line)) line.clear();
    return line;
}

bool TermiosSerialPort::takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) {
    std::lock_guard lock(readMutex_);
    line.clear();
    if (fd_ < 0 || port != port_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return readLine(rx_, line, [&](std::span<uint8_t> dest) { return readSome(deadline, dest); });
}

bool TermiosSerialPort::waitForLine(uint8_t port, uint16_t timeoutMs) {
    std::lock_guard lock(readMutex_);
    if (fd_ < 0 || port != port_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return awaitLine(rx_, [&](std::span<uint8_t> dest) { return readSome(deadline, dest); });
}

BlockReceipt TermiosSerialPort::receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    std::lock_guard lock(readMutex_);
    if (fd_ < 0 || port != port_) return {1, 0};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::size_t got = readBlock(rx_, buffer, [&](std::span<uint8_t> dest) { return readSome(deadline, dest); });
    return {static_cast<uint16_t>(got == buffer.size() ? 0 : 1), got};
}

}  // namespace norvik
