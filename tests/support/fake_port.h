#pragma once
// A SerialPort whose gateway is the test. What the gateway says is one ordered
// stream of bytes, as on the wire. Lines are split by the real port's own
// LineReader: a line read takes the bytes up to its terminator and no further,
// and cuts an over-long line as early as the real port does. A block read takes
// at most the bytes it asks for, so a block queued behind its announcing line
// is there for the worker and a line queued behind a block is there for the
// next tick. What the program sends is recorded. Nothing waits for real time: a
// receive that reaches the end of the stream, or a pause in it, ends as a
// time-out would.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/line_reader.h"
#include "serial/serial_port.h"

namespace norvik::test {

class FakePort : public SerialPort {
public:
    // One thing the program sent: a console line (without its terminator) or a block.
    struct Sent {
        bool isBlock = false;
        std::string line;
        std::vector<uint8_t> bytes;
        std::size_t consumedBefore = 0;  // bytes of the stream received before it went out
    };

    // Room for what a short run sends, taken at once rather than grown into:
    // the fuzz target makes a port for every input.
    FakePort() {
        stream_.reserve(1024);
        sent_.reserve(64);
        blockTimeouts_.reserve(64);
    }

    // Set and read on the test's thread only.
    uint16_t openCode = 0;
    uint32_t closeCode = 0;
    std::vector<PortSettings> opened;
    int closes = 0;

    // For a harness that runs the dialogue, its workers and the gateway on
    // its own thread alone: the port then takes no lock, which costs a
    // single-threaded run (the fuzz target) a tenth of its time. Set before
    // the port is used.
    void keepToOneThread() { oneThread_ = true; }

    // The gateway's next line, with its "\r\n".
    void queueLine(std::string_view line);
    // Raw bytes the gateway sends next.
    void queueBytes(std::span<const uint8_t> bytes);
    void queueBytes(std::string_view bytes);
    // The gateway falls quiet here: the receive that reaches this point ends
    // with a time-out, and what is queued after it serves the next receive.
    void pause();
    // Holds block receives until release() or a cancel (to keep a worker
    // running), at most five seconds so that a failing test cannot hang. A
    // port kept to one thread never holds one: nobody could release it.
    void holdBlocks();
    void release();
    // The device goes away: every wait ends, deviceError() reports `code`.
    void loseDevice(uint32_t code);

    std::vector<std::string> sentLines() const;
    std::vector<std::vector<uint8_t>> sentBlocks() const;
    // Lines and blocks in the order they went out.
    std::vector<Sent> sent() const;
    // Those from the index-th on (a harness that takes them as they come).
    std::vector<Sent> sentSince(std::size_t index) const;
    // Hands those from the index-th on to `visit` without copying them, the
    // port locked meanwhile: `visit` must not call the port.
    template <class Visit>
    std::size_t visitSentSince(std::size_t index, Visit&& visit) const {
        const Guard lock = guard();
        for (std::size_t i = index; i < sent_.size(); ++i) visit(sent_[i]);
        return sent_.size() > index ? sent_.size() - index : 0;
    }
    std::string lastSent() const;  // the last line
    void clearSent();
    int lineReads() const;
    // The time-out of every block receive, in call order.
    std::vector<uint16_t> blockTimeouts() const;
    uint16_t lastLineTimeout() const;
    // Bytes queued but not yet received (pauses not counted), and bytes received so far.
    std::size_t pendingBytes() const;
    std::size_t consumedBytes() const;
    bool isOpen() const;
    bool waitsCancelled() const;
    // Held block receives that a cancel ended (not a release, not the five-second bound).
    int holdsCut() const;

    uint16_t openPort(const PortSettings& settings) override;
    uint32_t closePort(uint8_t port) override;
    void sendLine(uint8_t port, std::string_view text) override;
    void sendBlock(uint8_t port, std::span<const uint8_t> bytes) override;
    std::string receiveLine(uint8_t port, uint16_t timeoutMs) override;
    // With timeoutMs 0 it takes only what stands before the next pause, and
    // leaves the pause for a later read.
    bool takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) override;
    BlockReceipt receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) override;
    void cancelWaits() override;
    void resumeWaits() override;
    uint32_t deviceError() const override;

    // Status receiveBlock reports for a block that did not fill.
    static constexpr uint16_t kTimedOut = 1;

private:
    // Bytes the program has taken from the port, lines' dropped bytes included.
    std::size_t consumed() const;
    void append(std::string_view bytes);
    // Nothing queued is left to arrive, neither bytes nor a pause.
    bool streamEnded() const { return arrived_ == queued_ && pauses_.empty(); }
    bool atPause() const { return !pauses_.empty() && pauses_.front() == arrived_; }
    // Bytes that arrive before the next pause.
    std::size_t beforePause() const { return (pauses_.empty() ? queued_ : pauses_.front()) - arrived_; }
    // The next n bytes of the stream, which have arrived once taken.
    std::span<const uint8_t> upcoming(std::size_t n) const;
    void arrive(std::size_t n);

    using Guard = std::unique_lock<std::mutex>;
    Guard guard() const { return oneThread_ ? Guard(mutex_, std::defer_lock) : Guard(mutex_); }

    bool oneThread_ = false;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    // The stream as queued, in one piece so that queueing a line costs no
    // allocation of its own: its bytes from streamHead_ on are yet to arrive.
    std::string stream_;
    std::size_t streamHead_ = 0;
    std::size_t queued_ = 0;  // bytes ever queued
    // Where the gateway falls quiet, as the count of bytes queued before each
    // (equal counts for pauses in a row); each goes once a receive reaches it.
    std::vector<std::size_t> pauses_;
    // Bytes that have reached the port, split into lines as the real port
    // splits them; what a line read leaves there is served next.
    LineReader rx_;
    std::size_t arrived_ = 0;  // bytes moved out of the stream, into rx_ or a block
    bool held_ = false;
    bool cancelled_ = false;
    int holdsCut_ = 0;
    uint32_t lost_ = 0;
    bool open_ = false;
    std::vector<Sent> sent_;
    std::vector<uint16_t> blockTimeouts_;
    uint16_t lastLineTimeout_ = 0;
    int lineReads_ = 0;
};

}  // namespace norvik::test
