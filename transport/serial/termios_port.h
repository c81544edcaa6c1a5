#pragma once
// SerialPort on a POSIX terminal device. Real adapters and the simulator's
// pseudo-terminal go through this same code.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/line_reader.h"
#include "serial/serial_port.h"

namespace norvik {

// The device behind "Com1".."Com8": $NORVIK_COM1..$NORVIK_COM8 when set and not
// empty, else /dev/ttyS0../dev/ttyS7. "" for a port outside 1..8.
std::string comDevicePath(uint8_t port);

class TermiosSerialPort : public SerialPort {
public:
    TermiosSerialPort();
    ~TermiosSerialPort() override;

    TermiosSerialPort(const TermiosSerialPort&) = delete;
    TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

    uint16_t openPort(const PortSettings& settings) override;
    uint32_t closePort(uint8_t port) override;
    void sendLine(uint8_t port, std::string_view text) override;
    void sendBlock(uint8_t port, std::span<const uint8_t> bytes) override;
    std::string receiveLine(uint8_t port, uint16_t timeoutMs) override;
    bool takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) override;
    bool waitForLine(uint8_t port, uint16_t timeoutMs) override;
    BlockReceipt receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) override;
    void cancelWaits() override;
    bool drainOutput(uint8_t port, uint16_t timeoutMs) override;
    void resumeWaits() override;
    uint32_t deviceError() const override;

    bool isOpen() const;
    // Bytes that have arrived since the last line or block was written, taken
    // or not. For a caller that must know the answer to what it wrote is
    // there before it reads (a test's loop against a simulated gateway on a
    // pseudo-terminal, which delivers with a delay).
    std::size_t bytesSinceWrite() const;

private:
    using Clock = std::chrono::steady_clock;
    enum class Wait : uint8_t { Ready, TimedOut, Cancelled, HungUp };

    void writeAll(uint8_t port, std::span<const uint8_t> bytes);
    // Waits until the device is ready for `events`, the deadline passes or the
    // waits are cancelled.
    Wait waitFor(short events, Clock::time_point deadline);
    // Waits until bytes can be read or the deadline passes, then reads at most
    // dest.size() of them. Returns the count, 0 on time-out, on cancel or once
    // the device has gone. The caller holds readMutex_.
    std::size_t readSome(Clock::time_point deadline, std::span<uint8_t> dest);
    void markGone(int err);
    void releaseDevice();

    // Sends take only writeMutex_, so a command never waits behind a worker that
    // is waiting for its block; open and close take both.
    mutable std::mutex writeMutex_;
    mutable std::mutex readMutex_;

    int fd_ = -1;
    uint8_t port_ = 0;
    uint32_t baud_ = 0;
    bool ownsExclusive_ = false;  // TIOCEXCL is ours to clear
    std::atomic<bool> open_{false};

    // Readable while waits are cancelled: every poll watches it beside the device.
    int wakeFd_ = -1;
    std::atomic<bool> cancelled_{false};
    // The device went away with this error; every wait returns at once.
    std::atomic<uint32_t> lostError_{0};

    // Read side, under readMutex_.
    LineReader rx_;
    // Bytes read from the device since it opened, and those that had arrived,
    // read or not, when the last write began.
    std::atomic<std::size_t> readTotal_{0};
    std::atomic<std::size_t> arrivedAtWrite_{0};
    std::size_t heldByDevice() const;
};

}  // namespace norvik
