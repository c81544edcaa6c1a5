#include "serial/traffic_log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include "serial/console_lines.h"

namespace norvik {

namespace {

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool printable(uint8_t byte) { return byte >= 0x20 && byte < 0x7F; }

}  // namespace

bool TrafficRow::isKeepAlive() const {
    if (kind != TrafficKind::Line) return false;
    return direction == TrafficDirection::Sent ? text == console::kPrompt : text == console::kReplyConnect;
}

// --- TrafficLog -----------------------------------------------------------------

TrafficLog::TrafficLog(std::size_t maxRows, std::size_t maxBlockBytes)
    : maxRows_(maxRows == 0 ? 1 : maxRows), maxBlockBytes_(maxBlockBytes) {}

void TrafficLog::addLine(TrafficDirection direction, std::string_view text) {
    auto row = std::make_shared<TrafficRow>();
    row->direction = direction;
    row->kind = TrafficKind::Line;
    row->text.assign(text);
    add(std::move(row));
}

void TrafficLog::addBlock(TrafficDirection direction, std::span<const uint8_t> bytes, bool shortBlock) {
    auto row = std::make_shared<TrafficRow>();
    row->direction = direction;
    row->kind = TrafficKind::Block;
    row->bytes.assign(bytes.begin(), bytes.end());
    row->shortBlock = shortBlock;
    add(std::move(row));
}

void TrafficLog::add(std::shared_ptr<TrafficRow> row) {
    // Whatever is dropped is freed after the lock is let go.
    std::vector<TrafficRowPtr> dropped;
    {
        std::lock_guard lock(mutex_);
        row->serial = ++lastSerial_;
        row->timeMs = nowMs();
        blockBytes_ += row->bytes.size();
        rows_.push_back(std::move(row));
        while (rows_.size() > maxRows_ || (blockBytes_ > maxBlockBytes_ && rows_.size() > 1)) {
            blockBytes_ -= rows_.front()->bytes.size();
            dropped.push_back(std::move(rows_.front()));
            rows_.pop_front();
        }
    }
    std::lock_guard lock(listenerMutex_);
    if (listener_) listener_();
}

void TrafficLog::clear() {
    std::deque<TrafficRowPtr> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(rows_);
    blockBytes_ = 0;
}

std::vector<TrafficRowPtr> TrafficLog::rowsAfter(uint64_t after) const {
    std::lock_guard lock(mutex_);
    std::vector<TrafficRowPtr> rows;
    // Serials rise along the deque, so the first row wanted is found by halving.
    auto first = std::partition_point(rows_.begin(), rows_.end(),
                                      [after](const TrafficRowPtr& row) { return row->serial <= after; });
    rows.assign(first, rows_.end());
    return rows;
}

std::size_t TrafficLog::size() const {
    std::lock_guard lock(mutex_);
    return rows_.size();
}

void TrafficLog::setListener(Listener listener) {
    std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

// --- TrafficTap -----------------------------------------------------------------

uint16_t TrafficTap::openPort(const PortSettings& settings) {
    lastOpenCode_ = port_.openPort(settings);
    return lastOpenCode_;
}

uint32_t TrafficTap::closePort(uint8_t port) { return port_.closePort(port); }

void TrafficTap::sendLine(uint8_t port, std::string_view text) {
    log_.addLine(TrafficDirection::Sent, text);
    port_.sendLine(port, text);
}

void TrafficTap::sendBlock(uint8_t port, std::span<const uint8_t> bytes) {
    log_.addBlock(TrafficDirection::Sent, bytes, false);
    port_.sendBlock(port, bytes);
}

std::string TrafficTap::receiveLine(uint8_t port, uint16_t timeoutMs) {
    std::string line = port_.receiveLine(port, timeoutMs);
    // An empty result is the time-out, not a line.
    if (!line.empty()) log_.addLine(TrafficDirection::Received, line);
    return line;
}

bool TrafficTap::takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) {
    const bool came = port_.takeLine(port, timeoutMs, line);
    if (came) log_.addLine(TrafficDirection::Received, line);
    return came;
}

BlockReceipt TrafficTap::receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) {
    const BlockReceipt receipt = port_.receiveBlock(port, buffer, timeoutMs);
    // Only what came is shown; the rest of the buffer is no traffic.
    log_.addBlock(TrafficDirection::Received, buffer.first(std::min(receipt.received, buffer.size())),
                  !receipt.whole());
    return receipt;
}

// --- texts ------------------------------------------------------------------------

namespace traffic {

std::string timeText(int64_t timeMs) {
    const std::time_t seconds = static_cast<std::time_t>(timeMs / 1000);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(timeMs % 1000));
    return text;
}

const char* directionText(TrafficDirection direction) {
    return direction == TrafficDirection::Sent ? kSent : kReceived;
}

std::string dataText(const TrafficRow& row) {
    if (row.kind == TrafficKind::Block) {
        std::string text = std::to_string(row.bytes.size()) + (row.bytes.size() == 1 ? " byte" : " bytes");
        if (row.shortBlock) text += ", incomplete";
        return text;
    }
    std::string text;
    text.reserve(row.text.size());
    for (const char c : row.text) {
        const auto byte = static_cast<uint8_t>(c);
        if (printable(byte)) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            text += escaped;
        }
    }
    return text;
}

std::string hexDump(std::span<const uint8_t> bytes) {
    std::string dump;
    constexpr std::size_t kPerLine = 16;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kPerLine) {
        char head[24];
        std::snprintf(head, sizeof head, "%04zX ", offset);
        dump += head;
        std::string chars;
        for (std::size_t i = offset; i < offset + kPerLine; ++i) {
            if (i < bytes.size()) {
                char hex[4];
                std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned>(bytes[i]));
                dump += hex;
                chars += printable(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
            } else {
                dump += "   ";
            }
        }
        dump += "  " + chars + "\n";
    }
    return dump;
}

std::string rowText(const TrafficRow& row, bool withHex) {
    char head[40];
    std::snprintf(head, sizeof head, "%s  %-8s  ", timeText(row.timeMs).c_str(), directionText(row.direction));
    std::string text = head + dataText(row) + "\n";
    if (withHex && row.kind == TrafficKind::Block) text += hexDump(row.bytes);
    return text;
}

}  // namespace traffic

}  // namespace norvik
