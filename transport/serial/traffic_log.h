#pragma once
// What went over the serial line, for the user to look at when the gateway
// misbehaves: every console line and every block, each with its time and
// direction. The log is written from the user-interface thread and the
// receive workers at once and read by the traffic window.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_port.h"

namespace norvik {

enum class TrafficDirection : uint8_t { Sent, Received };
enum class TrafficKind : uint8_t { Line, Block };

struct TrafficRow {
    uint64_t serial = 0;  // 1 for the first row of the log's life, never reused (not even after clear)
    int64_t timeMs = 0;   // milliseconds since 1970-01-01 UTC
    TrafficDirection direction = TrafficDirection::Sent;
    TrafficKind kind = TrafficKind::Line;
    std::string text;            // a line, without its terminator
    std::vector<uint8_t> bytes;  // a block: as sent, or the whole buffer the receive asked to fill
    bool shortBlock = false;     // a received block that did not arrive in full in time

    bool isKeepAlive() const;
};

using TrafficRowPtr = std::shared_ptr<const TrafficRow>;

class TrafficLog {
public:
    // A session polls twice a second, so this is the last few hours; the rows
    // of such a session take some 3 MB.
    static constexpr std::size_t kMaxRows = 20000;
    // Blocks are large beside lines; a log of nothing but 976-byte blocks is
    // held to this many bytes of them.
    static constexpr std::size_t kMaxBlockBytes = 4u << 20;

    using Listener = std::function<void()>;

    explicit TrafficLog(std::size_t maxRows = kMaxRows, std::size_t maxBlockBytes = kMaxBlockBytes);
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    void addLine(TrafficDirection direction, std::string_view text);
    void addBlock(TrafficDirection direction, std::span<const uint8_t> bytes, bool shortBlock);
    void clear();

    // The rows still held whose serial is above `after`, oldest first.
    std::vector<TrafficRowPtr> rowsAfter(uint64_t after) const;
    std::size_t size() const;
    std::size_t maxRows() const { return maxRows_; }

    // Called after every row added, on the thread that added it, with no lock
    // of the log held. Once setListener returns, the previous listener is not
    // running and will not be called again.
    void setListener(Listener listener);

private:
    void add(std::shared_ptr<TrafficRow> row);

    const std::size_t maxRows_;
    const std::size_t maxBlockBytes_;

    mutable std::mutex mutex_;
    std::deque<TrafficRowPtr> rows_;
    std::size_t blockBytes_ = 0;
    uint64_t lastSerial_ = 0;

    std::mutex listenerMutex_;
    Listener listener_;
};

// A SerialPort that records everything passing through it in a TrafficLog and
// otherwise hands every call to the port behind it unchanged.
class TrafficTap : public SerialPort {
public:
    TrafficTap(SerialPort& port, TrafficLog& log) : port_(port), log_(log) {}

    uint16_t openPort(const PortSettings& settings) override;
    uint32_t closePort(uint8_t port) override;
    void sendLine(uint8_t port, std::string_view text) override;
    void sendBlock(uint8_t port, std::span<const uint8_t> bytes) override;
    std::string receiveLine(uint8_t port, uint16_t timeoutMs) override;
    bool takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) override;
    BlockReceipt receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) override;
    // Takes nothing, so there is nothing to log.
    bool waitForLine(uint8_t port, uint16_t timeoutMs) override { return port_.waitForLine(port, timeoutMs); }
    void cancelWaits() override { port_.cancelWaits(); }
    bool drainOutput(uint8_t port, uint16_t timeoutMs) override { return port_.drainOutput(port, timeoutMs); }
    void resumeWaits() override { port_.resumeWaits(); }
    uint32_t deviceError() const override { return port_.deviceError(); }

    // What the last openPort returned (0 before the first).
    uint16_t lastOpenCode() const { return lastOpenCode_; }

private:
    SerialPort& port_;
    TrafficLog& log_;
    uint16_t lastOpenCode_ = 0;  // open is only called from the user-interface thread
};

// Texts of the rows, as the window shows them and the saved log holds them.
namespace traffic {

inline constexpr const char* kSent = "sent";
inline constexpr const char* kReceived = "received";

// "HH:MM:SS.mmm" in local time.
std::string timeText(int64_t timeMs);
const char* directionText(TrafficDirection direction);
// A line with control and non-ASCII bytes as \xHH; a block as "976 bytes",
// or "976 bytes, incomplete" when it did not arrive in full.
std::string dataText(const TrafficRow& row);
// Sixteen bytes a line: offset, hex and the printable characters.
std::string hexDump(std::span<const uint8_t> bytes);
// One row as a line of the saved log; a block is followed by its hex dump.
std::string rowText(const TrafficRow& row, bool withHex);

}  // namespace traffic

}  // namespace norvik
