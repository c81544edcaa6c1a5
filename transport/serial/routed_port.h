#pragma once
// The port the program opens: a network port for a device named
// rfc2217://HOST:PORT or socket://HOST:PORT, the terminal device otherwise.
// Whoever holds it never needs to know which one a Connect reached.

#include <atomic>

#include "serial/network_port.h"
#include "serial/serial_port.h"
#include "serial/termios_port.h"

namespace norvik {

class RoutedSerialPort : public SerialPort {
public:
    uint16_t openPort(const PortSettings& settings) override;
    uint32_t closePort(uint8_t port) override;
    void sendLine(uint8_t port, std::string_view text) override { active().sendLine(port, text); }
    void sendBlock(uint8_t port, std::span<const uint8_t> bytes) override { active().sendBlock(port, bytes); }
    std::string receiveLine(uint8_t port, uint16_t timeoutMs) override { return active().receiveLine(port, timeoutMs); }
    bool takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) override {
        return active().takeLine(port, timeoutMs, line);
    }
    // Without it the wait falls back to the base's "cannot wait", and a link
    // that should talk as answered talks at the tick instead.
    bool waitForLine(uint8_t port, uint16_t timeoutMs) override { return active().waitForLine(port, timeoutMs); }
    BlockReceipt receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) override {
        return active().receiveBlock(port, buffer, timeoutMs);
    }
    // Both: a cancel may come from another thread while a Connect picks its port.
    void cancelWaits() override {
        local_.cancelWaits();
        network_.cancelWaits();
    }
    void resumeWaits() override {
        local_.resumeWaits();
        network_.resumeWaits();
    }
    bool drainOutput(uint8_t port, uint16_t timeoutMs) override { return active().drainOutput(port, timeoutMs); }
    uint32_t deviceError() const override { return active().deviceError(); }

private:
    SerialPort& active() { return networkActive_ ? static_cast<SerialPort&>(network_) : local_; }
    const SerialPort& active() const { return networkActive_ ? static_cast<const SerialPort&>(network_) : local_; }

    TermiosSerialPort local_;
    NetworkSerialPort network_;
    // Changes only in openPort, while no port is open: the other calls of an
    // open port all go to the one that opened it.
    std::atomic<bool> networkActive_{false};
    // Open and close come from one thread at a time, as on every port.
    bool opened_ = false;
};

}  // namespace norvik
