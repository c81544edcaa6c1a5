#pragma once
// SerialPort on a serial port that a server on the network offers, named as
// pyserial names them: rfc2217://HOST:PORT (telnet with the COM port option,
// as ser2net's telnet(rfc2217) accepter and serial device servers speak it)
// or socket://HOST:PORT (the bytes as they are over TCP).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/line_reader.h"
#include "serial/serial_port.h"
#include "serial/telnet_codec.h"

namespace norvik {

struct NetworkAddress {
    bool telnet = false;  // rfc2217:// rather than socket://
    std::string host;     // without the brackets of an IPv6 address
    uint16_t port = 0;
};

// True when the device names a network port, well formed or not: such a name
// is never opened as a file.
bool isNetworkDevice(std::string_view device);
// The address in a well-formed name; nothing for a malformed one.
std::optional<NetworkAddress> parseNetworkAddress(std::string_view device);

// The line settings a server answered, in words, for the device's last open
// that failed on them ("" when it did not).
std::string refusedLineSettings(const std::string& device);

class NetworkSerialPort : public SerialPort {
public:
    NetworkSerialPort();
    ~NetworkSerialPort() override;

    NetworkSerialPort(const NetworkSerialPort&) = delete;
    NetworkSerialPort& operator=(const NetworkSerialPort&) = delete;

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

    // However far the server, a connection that is not made in this time is given up.
    static constexpr std::chrono::milliseconds kConnectTimeout{3000};
    // The time a server has to answer the line settings.
    static constexpr std::chrono::milliseconds kAnswerTimeout{2000};
    // How long a raw port is listened to after connecting, for a server that
    // turns the connection away.
    static constexpr std::chrono::milliseconds kSettleTime{100};

private:
    using Clock = std::chrono::steady_clock;
    enum class Wait : uint8_t { Ready, TimedOut, Cancelled };

    Wait waitFor(int fd, short events, Clock::time_point deadline) const;
    int connectTo(const NetworkAddress& address, int& fd) const;
    int settle(int fd) const;
    int negotiate(int fd, const PortSettings& settings, const std::string& device);
    // Sends bytes as they go on the wire. The caller holds writeMutex_.
    void writeWire(std::span<const uint8_t> wire, Clock::time_point deadline);
    void writeData(uint8_t port, std::span<const uint8_t> bytes);
    // Reads what the server sent, at most dest.size() bytes of serial data;
    // 0 on time-out, on cancel or once the link is lost. The caller holds readMutex_.
    std::size_t readSome(Clock::time_point deadline, std::span<uint8_t> dest);
    // Sends what the telnet layer owes the server, if the write side is free.
    void sendOwed();
    void markGone(int err);

    mutable std::mutex writeMutex_;
    mutable std::mutex readMutex_;

    int fd_ = -1;
    uint8_t port_ = 0;
    bool telnet_ = false;
    std::atomic<bool> open_{false};

    int wakeFd_ = -1;
    std::atomic<bool> cancelled_{false};
    std::atomic<uint32_t> lostError_{0};

    // Read side, under readMutex_.
    telnet::Codec codec_;
    LineReader rx_;
    std::vector<uint8_t> decoded_;
    // Negotiation answers the reader could not send itself, under owedMutex_.
    std::mutex owedMutex_;
    std::vector<uint8_t> owed_;
};

}  // namespace norvik
