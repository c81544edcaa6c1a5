#include "support/memory_port.h"

#include <algorithm>

namespace norvik {

void MemoryPort::feed(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    for (uint8_t b : bytes) queue_.push_back(Item{b, false});
}

void MemoryPort::feed(std::string_view text) {
    std::lock_guard lock(mutex_);
    for (char c : text) queue_.push_back(Item{static_cast<uint8_t>(c), false});
}

void MemoryPort::pause() {
    std::lock_guard lock(mutex_);
    queue_.push_back(Item{0, true});
}

std::vector<std::string> MemoryPort::sentLines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::vector<uint8_t>> MemoryPort::sentBlocks() const {
    std::lock_guard lock(mutex_);
    return blocks_;
}

std::vector<uint16_t> MemoryPort::receiveTimeouts() const {
    std::lock_guard lock(mutex_);
    return timeouts_;
}

std::size_t MemoryPort::pendingBytes() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(queue_.begin(), queue_.end(), [](const Item& i) { return !i.pause; }));
}

bool MemoryPort::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

uint16_t MemoryPort::openPort(const PortSettings&) {
    std::lock_guard lock(mutex_);
    if (openError_ == 0) open_ = true;
    return openError_;
}

uint32_t MemoryPort::closePort(uint8_t) {
    std::lock_guard lock(mutex_);
    if (closeError_ == 0) open_ = false;
    return closeError_;
}

void MemoryPort::sendLine(uint8_t, std::string_view text) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(text);
}

void MemoryPort::sendBlock(uint8_t, std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    blocks_.emplace_back(bytes.begin(), bytes.end());
}

std::string MemoryPort::receiveLine(uint8_t, uint16_t timeoutMs) {
    std::lock_guard lock(mutex_);
    timeouts_.push_back(timeoutMs);
    std::string line;
    bool ended = false;
    while (!queue_.empty()) {
        const Item item = queue_.front();
        queue_.pop_front();
        if (item.pause) break;
        if (item.byte == '\n') {
            ended = true;
            break;
        }
        if (line.size() < kLineBufferSize - 1) line.push_back(static_cast<char>(item.byte));
    }
    if (!ended) return {};
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

uint16_t MemoryPort::receiveBlock(uint8_t, std::span<uint8_t> buffer, uint16_t timeoutMs) {
    std::lock_guard lock(mutex_);
    timeouts_.push_back(timeoutMs);
    std::size_t filled = 0;
    while (filled < buffer.size() && !queue_.empty()) {
        const Item item = queue_.front();
        queue_.pop_front();
        if (item.pause) break;
        buffer[filled++] = item.byte;
    }
    return filled == buffer.size() ? 0 : kTimedOut;
}

}  // namespace norvik
