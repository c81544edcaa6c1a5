#pragma once
// The real termios port, counting the lines it sends so that an end-to-end
// test can tell when the simulated gateway has had all of them.

#include <atomic>
#include <span>
#include <string>
#include <string_view>

#include "serial/termios_port.h"

namespace norvik::test {

class CountingPort : public SerialPort {
public:
    uint16_t openPort(const PortSettings& settings) override { return port_.openPort(settings); }
    uint32_t closePort(uint8_t p) override { return port_.closePort(p); }
    void sendLine(uint8_t p, std::string_view text) override {
        port_.sendLine(p, text);
        ++linesSent_;
    }
    void sendBlock(uint8_t p, std::span<const uint8_t> bytes) override { port_.sendBlock(p, bytes); }
    std::string receiveLine(uint8_t p, uint16_t timeoutMs) override { return port_.receiveLine(p, timeoutMs); }
    bool takeLine(uint8_t p, uint16_t timeoutMs, std::string& line) override {
        return port_.takeLine(p, timeoutMs, line);
    }
    BlockReceipt receiveBlock(uint8_t p, std::span<uint8_t> buffer, uint16_t timeoutMs) override {
        ++blockReceives_;
        return port_.receiveBlock(p, buffer, timeoutMs);
    }
    void cancelWaits() override { port_.cancelWaits(); }
    bool drainOutput(uint8_t p, uint16_t timeoutMs) override { return port_.drainOutput(p, timeoutMs); }
    void resumeWaits() override { port_.resumeWaits(); }
    uint32_t deviceError() const override { return port_.deviceError(); }
    unsigned linesSent() const { return linesSent_; }
    std::size_t bytesSinceWrite() const { return port_.bytesSinceWrite(); }
    // Block receives begun, the one now waiting included.
    unsigned blockReceives() const { return blockReceives_; }
    // A new simulator has heard none of them.
    void restartCount() { linesSent_ = 0; }

private:
    TermiosSerialPort port_;
    std::atomic<unsigned> linesSent_{0};
    std::atomic<unsigned> blockReceives_{0};
};

}  // namespace norvik::test
