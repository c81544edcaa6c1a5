#pragma once
// A serial port whose gateway is a script: the test queues the lines and blocks
// the gateway would send and reads back everything the program sent.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace norvik::test {

class ScriptedPort : public SerialPort {
public:
    struct Block {
        std::vector<uint8_t> bytes;  // may be shorter than asked for: then the receive fails
    };

    uint16_t openCode = 0;
    uint32_t closeCode = 0;
    std::vector<PortSettings> opened;
    int closes = 0;

    void queueLine(std::string line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    }
    // The bytes the next receiveBlock calls are served from, in order.
    void queueBytes(std::span<const uint8_t> bytes) {
        std::lock_guard lock(mutex_);
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    // Holds block receives until release() (to keep a worker running), at most
    // five seconds.
    void holdBlocks() {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        cv_.notify_all();
    }

    std::vector<std::string> sentLines() const {
        std::lock_guard lock(mutex_);
        return sentLines_;
    }
    std::vector<std::vector<uint8_t>> sentBlocks() const {
        std::lock_guard lock(mutex_);
        return sentBlocks_;
    }
    std::string lastSent() const {
        std::lock_guard lock(mutex_);
        return sentLines_.empty() ? std::string() : sentLines_.back();
    }
    void clearSent() {
        std::lock_guard lock(mutex_);
        sentLines_.clear();
        sentBlocks_.clear();
    }
    int lineReads() const {
        std::lock_guard lock(mutex_);
        return lineReads_;
    }
    std::vector<uint16_t> blockTimeouts() const {
        std::lock_guard lock(mutex_);
        return blockTimeouts_;
    }
    uint16_t lastLineTimeout() const {
        std::lock_guard lock(mutex_);
        return lastLineTimeout_;
    }

    uint16_t openPort(const PortSettings& settings) override {
        opened.push_back(settings);
        return openCode;
    }
    uint32_t closePort(uint8_t) override {
        ++closes;
        return closeCode;
    }
    void sendLine(uint8_t, std::string_view text) override {
        std::lock_guard lock(mutex_);
        sentLines_.emplace_back(text);
    }
    void sendBlock(uint8_t, std::span<const uint8_t> bytes) override {
        std::lock_guard lock(mutex_);
        sentBlocks_.emplace_back(bytes.begin(), bytes.end());
    }
    std::string receiveLine(uint8_t, uint16_t timeoutMs) override {
        std::lock_guard lock(mutex_);
        ++lineReads_;
        lastLineTimeout_ = timeoutMs;
        if (lines_.empty()) return {};
        std::string line = std::move(lines_.front());
        lines_.pop_front();
        return line;
    }
    uint16_t receiveBlock(uint8_t, std::span<uint8_t> buffer, uint16_t timeoutMs) override {
        std::unique_lock lock(mutex_);
        // Bounded like a real receive: a test that fails before release() must
        // not leave the dialogue's destructor joining a worker for ever.
        cv_.wait_for(lock, std::chrono::seconds(5), [&] { return !held_; });
        blockTimeouts_.push_back(timeoutMs);
        std::size_t n = 0;
        for (; n < buffer.size() && !bytes_.empty(); ++n) {
            buffer[n] = bytes_.front();
            bytes_.pop_front();
        }
        return n == buffer.size() ? 0 : 1;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool held_ = false;
    std::deque<std::string> lines_;
    std::deque<uint8_t> bytes_;
    std::vector<std::string> sentLines_;
    std::vector<std::vector<uint8_t>> sentBlocks_;
    std::vector<uint16_t> blockTimeouts_;
    uint16_t lastLineTimeout_ = 0;
    int lineReads_ = 0;
};

}  // namespace norvik::test
