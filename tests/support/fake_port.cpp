#include "support/fake_port.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace norvik::test {

void FakePort::queueLine(std::string_view line) {
    std::string bytes(line);
    bytes += "\r\n";
    queueBytes(std::string_view(bytes));
}

void FakePort::queueBytes(std::span<const uint8_t> bytes) { queueMoved(std::string(bytes.begin(), bytes.end())); }

void FakePort::queueBytes(std::string_view bytes) { queueMoved(std::string(bytes)); }

void FakePort::queueMoved(std::string bytes) {
    if (bytes.empty()) return;
    std::lock_guard lock(mutex_);
    stream_.push_back(Chunk{std::move(bytes), 0, false});
}

void FakePort::pause() {
    std::lock_guard lock(mutex_);
    stream_.push_back(Chunk{{}, 0, true});
}

void FakePort::holdBlocks() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FakePort::release() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    cv_.notify_all();
}

void FakePort::loseDevice(uint32_t code) {
    {
        std::lock_guard lock(mutex_);
        lost_ = code;
    }
    cv_.notify_all();
}

std::vector<std::string> FakePort::sentLines() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    for (const Sent& s : sent_)
        if (!s.isBlock) lines.push_back(s.line);
    return lines;
}

std::vector<std::vector<uint8_t>> FakePort::sentBlocks() const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<uint8_t>> blocks;
    for (const Sent& s : sent_)
        if (s.isBlock) blocks.push_back(s.bytes);
    return blocks;
}

std::vector<FakePort::Sent> FakePort::sentSince(std::size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= sent_.size()) return {};
    return {sent_.begin() + static_cast<std::ptrdiff_t>(index), sent_.end()};
}

std::vector<FakePort::Sent> FakePort::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::string FakePort::lastSent() const {
    std::lock_guard lock(mutex_);
    for (auto it = sent_.rbegin(); it != sent_.rend(); ++it)
        if (!it->isBlock) return it->line;
    return {};
}

void FakePort::clearSent() {
    std::lock_guard lock(mutex_);
    sent_.clear();
}

int FakePort::lineReads() const {
    std::lock_guard lock(mutex_);
    return lineReads_;
}

std::vector<uint16_t> FakePort::blockTimeouts() const {
    std::lock_guard lock(mutex_);
    return blockTimeouts_;
}

uint16_t FakePort::lastLineTimeout() const {
    std::lock_guard lock(mutex_);
    return lastLineTimeout_;
}

std::size_t FakePort::pendingBytes() const {
    std::lock_guard lock(mutex_);
    std::size_t pending = rx_.size();
    for (const Chunk& c : stream_) pending += c.bytes.size() - c.offset;
    return pending;
}

std::size_t FakePort::consumedBytes() const {
    std::lock_guard lock(mutex_);
    return consumed();
}

std::size_t FakePort::consumed() const { return arrived_ - rx_.size(); }

bool FakePort::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

int FakePort::holdsCut() const {
    std::lock_guard lock(mutex_);
    return holdsCut_;
}

bool FakePort::waitsCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

uint16_t FakePort::openPort(const PortSettings& settings) {
    opened.push_back(settings);
    std::lock_guard lock(mutex_);
    if (openCode == 0) {
        open_ = true;
        cancelled_ = false;
        lost_ = 0;
    }
    return openCode;
}

uint32_t FakePort::closePort(uint8_t) {
    ++closes;
    std::lock_guard lock(mutex_);
    if (closeCode == 0) {
        open_ = false;
        cancelled_ = false;
        lost_ = 0;
    }
    return closeCode;
}

void FakePort::sendLine(uint8_t, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (lost_ != 0) return;
    sent_.push_back(Sent{false, std::string(text), {}, consumed()});
}

void FakePort::sendBlock(uint8_t, std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    if (lost_ != 0) return;
    sent_.push_back(Sent{true, {}, std::vector<uint8_t>(bytes.begin(), bytes.end()), consumed()});
}

std::string FakePort::receiveLine(uint8_t port, uint16_t timeoutMs) {
    std::string line;
    if (!takeLine(port, timeoutMs, line)) line.clear();
    return line;
}

bool FakePort::takeLine(uint8_t, uint16_t timeoutMs, std::string& line) {
    std::lock_guard lock(mutex_);
    ++lineReads_;
    lastLineTimeout_ = timeoutMs;
    line.clear();
    if (lost_ != 0 || cancelled_) return false;
    while (!rx_.takeLine(line)) {
        // Everything up to the next pause arrives at once; a line read that has
        // used it all up without a line reaches the pause and times out.
        if (stream_.empty()) return false;
        if (stream_.front().pause) {
            if (timeoutMs == 0) return false;
            stream_.pop_front();
            return false;
        }
        while (!stream_.empty() && !stream_.front().pause) {
            const Chunk& c = stream_.front();
            const auto rest =
                std::span(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()).subspan(c.offset);
            rx_.feed(rest);
            arrived_ += rest.size();
            stream_.pop_front();
        }
    }
    return true;
}

BlockReceipt FakePort::receiveBlock(uint8_t, std::span<uint8_t> buffer, uint16_t timeoutMs) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    std::unique_lock lock(mutex_);
    blockTimeouts_.push_back(timeoutMs);
    const bool wasHeld = held_;
    // Only a held receive waits: a timed wait reads the clock even when it
    // need not wait, and the dialogue drops stray bytes one receive at a time.
    const auto mayGo = [&] { return !held_ || cancelled_ || lost_ != 0; };
    if (!mayGo()) cv_.wait_for(lock, std::chrono::seconds(5), mayGo);
    if (wasHeld && held_ && cancelled_) ++holdsCut_;
    if (cancelled_ || lost_ != 0) return {kTimedOut, 0};
    std::size_t filled = rx_.takeBytes(buffer);
    while (filled < buffer.size() && !stream_.empty()) {
        Chunk& c = stream_.front();
        if (c.pause) {
            stream_.pop_front();
            break;
        }
        const std::size_t n = std::min(buffer.size() - filled, c.bytes.size() - c.offset);
        std::copy_n(c.bytes.begin() + static_cast<std::ptrdiff_t>(c.offset), n,
                    buffer.begin() + static_cast<std::ptrdiff_t>(filled));
        filled += n;
        c.offset += n;
        arrived_ += n;
        if (c.offset == c.bytes.size()) stream_.pop_front();
    }
    return {static_cast<uint16_t>(filled == buffer.size() ? 0 : kTimedOut), filled};
}

void FakePort::cancelWaits() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    cv_.notify_all();
}

void FakePort::resumeWaits() {
    std::lock_guard lock(mutex_);
    cancelled_ = false;
}

uint32_t FakePort::deviceError() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

}  // namespace norvik::test
