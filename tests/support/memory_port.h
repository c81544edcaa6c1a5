#pragma once
// A SerialPort without a device: receives are served from bytes queued in
// memory, sends are recorded. Unit tests and fuzzers drive the receive workers
// with it, deterministically and without waiting for real time-outs.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace norvik {

class MemoryPort : public SerialPort {
public:
    // Bytes the "gateway" sends next, in order.
    void feed(std::span<const uint8_t> bytes);
    void feed(std::string_view text);
    // The gateway falls quiet here: the receive that reaches this point ends
    // with a time-out, and the bytes fed after it serve the next receive.
    void pause();

    // Error codes the next openPort / closePort calls return.
    void setOpenError(uint16_t code) { openError_ = code; }
    void setCloseError(uint32_t code) { closeError_ = code; }

    // What the program sent: each line without its terminator, each block whole.
    std::vector<std::string> sentLines() const;
    std::vector<std::vector<uint8_t>> sentBlocks() const;
    // The time-out of every receive call, in call order.
    std::vector<uint16_t> receiveTimeouts() const;
    // Bytes fed but not yet received (pauses not counted).
    std::size_t pendingBytes() const;
    bool isOpen() const;

    uint16_t openPort(const PortSettings& settings) override;
    uint32_t closePort(uint8_t port) override;
    void sendLine(uint8_t port, std::string_view text) override;
    void sendBlock(uint8_t port, std::span<const uint8_t> bytes) override;
    std::string receiveLine(uint8_t port, uint16_t timeoutMs) override;
    uint16_t receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) override;

    // Non-zero status receiveBlock reports for a block that did not fill.
    static constexpr uint16_t kTimedOut = 1;

private:
    // A queued byte, or (when pause is set) the point where the gateway stops.
    struct Item {
        uint8_t byte = 0;
        bool pause = false;
    };

    mutable std::mutex mutex_;
    std::deque<Item> queue_;
    std::vector<std::string> lines_;
    std::vector<std::vector<uint8_t>> blocks_;
    std::vector<uint16_t> timeouts_;
    uint16_t openError_ = 0;
    uint32_t closeError_ = 0;
    bool open_ = false;
};

}  // namespace norvik
