#include "support/fake_port.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace norvik::test {

void FakePort::queueLine(std::string_view line) {
    const Guard lock = guard();
    append(line);
    append("\r\n");
}

void FakePort::queueBytes(std::span<const uint8_t> bytes) {
    queueBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void FakePort::queueBytes(std::string_view bytes) {
    const Guard lock = guard();
    append(bytes);
}

void FakePort::append(std::string_view bytes) {
    // The bytes gone before are given back once they outweigh those still to come.
    if (streamHead_ > 0 && streamHead_ >= stream_.size() - streamHead_) {
        stream_.erase(0, streamHead_);
        streamHead_ = 0;
    }
    stream_.append(bytes);
    queued_ += bytes.size();
}

void FakePort::pause() {
    const Guard lock = guard();
    pauses_.push_back(queued_);
}

std::span<const uint8_t> FakePort::upcoming(std::size_t n) const {
    return std::span(reinterpret_cast<const uint8_t*>(stream_.data()) + streamHead_, n);
}

void FakePort::arrive(std::size_t n) {
    streamHead_ += n;
    arrived_ += n;
    if (streamHead_ == stream_.size()) {
        stream_.clear();
        streamHead_ = 0;
    }
}

void FakePort::holdBlocks() {
    const Guard lock = guard();
    held_ = true;
}

void FakePort::release() {
    {
        const Guard lock = guard();
        held_ = false;
    }
    cv_.notify_all();
}

void FakePort::loseDevice(uint32_t code) {
    {
        const Guard lock = guard();
        lost_ = code;
    }
    cv_.notify_all();
}

std::vector<std::string> FakePort::sentLines() const {
    const Guard lock = guard();
    std::vector<std::string> lines;
    for (const Sent& s : sent_)
        if (!s.isBlock) lines.push_back(s.line);
    return lines;
}

std::vector<std::vector<uint8_t>> FakePort::sentBlocks() const {
    const Guard lock = guard();
    std::vector<std::vector<uint8_t>> blocks;
    for (const Sent& s : sent_)
        if (s.isBlock) blocks.push_back(s.bytes);
    return blocks;
}

std::vector<FakePort::Sent> FakePort::sentSince(std::size_t index) const {
    const Guard lock = guard();
    if (index >= sent_.size()) return {};
    return {sent_.begin() + static_cast<std::ptrdiff_t>(index), sent_.end()};
}

std::vector<FakePort::Sent> FakePort::sent() const {
    const Guard lock = guard();
    return sent_;
}

std::string FakePort::lastSent() const {
    const Guard lock = guard();
    for (auto it = sent_.rbegin(); it != sent_.rend(); ++it)
        if (!it->isBlock) return it->line;
    return {};
}

void FakePort::clearSent() {
    const Guard lock = guard();
    sent_.clear();
}

int FakePort::lineReads() const {
    const Guard lock = guard();
    return lineReads_;
}

std::vector<uint16_t> FakePort::blockTimeouts() const {
    const Guard lock = guard();
    return blockTimeouts_;
}

uint16_t FakePort::lastLineTimeout() const {
    const Guard lock = guard();
    return lastLineTimeout_;
}

std::size_t FakePort::pendingBytes() const {
    const Guard lock = guard();
    return rx_.size() + (queued_ - arrived_);
}

std::size_t FakePort::consumedBytes() const {
    const Guard lock = guard();
    return consumed();
}

std::size_t FakePort::consumed() const { return arrived_ - rx_.size(); }

bool FakePort::isOpen() const {
    const Guard lock = guard();
    return open_;
}

int FakePort::holdsCut() const {
    const Guard lock = guard();
    return holdsCut_;
}

bool FakePort::waitsCancelled() const {
    const Guard lock = guard();
    return cancelled_;
}

uint16_t FakePort::openPort(const PortSettings& settings) {
    opened.push_back(settings);
    const Guard lock = guard();
    if (openCode == 0) {
        open_ = true;
        cancelled_ = false;
        lost_ = 0;
    }
    return openCode;
}

uint32_t FakePort::closePort(uint8_t) {
    ++closes;
    const Guard lock = guard();
    if (closeCode == 0) {
        open_ = false;
        cancelled_ = false;
        lost_ = 0;
    }
    return closeCode;
}

void FakePort::sendLine(uint8_t, std::string_view text) {
    const Guard lock = guard();
    if (lost_ != 0) return;
    sent_.push_back(Sent{false, std::string(text), {}, consumed()});
}

void FakePort::sendBlock(uint8_t, std::span<const uint8_t> bytes) {
    const Guard lock = guard();
    if (lost_ != 0) return;
    sent_.push_back(Sent{true, {}, std::vector<uint8_t>(bytes.begin(), bytes.end()), consumed()});
}

std::string FakePort::receiveLine(uint8_t port, uint16_t timeoutMs) {
    std::string line;
    if (!takeLine(port, timeoutMs, line)) line.clear();
    return line;
}

bool FakePort::takeLine(uint8_t, uint16_t timeoutMs, std::string& line) {
    const Guard lock = guard();
    ++lineReads_;
    lastLineTimeout_ = timeoutMs;
    line.clear();
    if (lost_ != 0 || cancelled_) return false;
    while (!rx_.takeLine(line)) {
        // Everything up to the next pause arrives at once; a line read that has
        // used it all up without a line reaches the pause and times out.
        if (streamEnded()) return false;
        if (atPause()) {
            if (timeoutMs == 0) return false;
            pauses_.erase(pauses_.begin());
            return false;
        }
        const std::size_t n = beforePause();
        rx_.feed(upcoming(n));
        arrive(n);
    }
    return true;
}

BlockReceipt FakePort::receiveBlock(uint8_t, std::span<uint8_t> buffer, uint16_t timeoutMs) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    Guard lock = guard();
    blockTimeouts_.push_back(timeoutMs);
    const bool wasHeld = held_;
    // Only a held receive waits: a timed wait reads the clock even when it
    // need not wait, and the dialogue drops stray bytes one receive at a time.
    const auto mayGo = [&] { return !held_ || cancelled_ || lost_ != 0; };
    if (!mayGo() && lock.owns_lock()) cv_.wait_for(lock, std::chrono::seconds(5), mayGo);
    if (wasHeld && held_ && cancelled_) ++holdsCut_;
    if (cancelled_ || lost_ != 0) return {kTimedOut, 0};
    std::size_t filled = rx_.takeBytes(buffer);
    while (filled < buffer.size() && !streamEnded()) {
        if (atPause()) {
            pauses_.erase(pauses_.begin());
            break;
        }
        const std::size_t n = std::min(buffer.size() - filled, beforePause());
        const std::span<const uint8_t> bytes = upcoming(n);
        std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<std::ptrdiff_t>(filled));
        filled += n;
        arrive(n);
    }
    return {static_cast<uint16_t>(filled == buffer.size() ? 0 : kTimedOut), filled};
}

void FakePort::cancelWaits() {
    {
        const Guard lock = guard();
        cancelled_ = true;
    }
    cv_.notify_all();
}

void FakePort::resumeWaits() {
    const Guard lock = guard();
    cancelled_ = false;
}

uint32_t FakePort::deviceError() const {
    const Guard lock = guard();
    return lost_;
}

}  // namespace norvik::test
