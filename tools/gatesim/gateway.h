#pragma once
// The gateway's console: what it answers to each line, and the blocks it takes
// and keeps. It owns no file descriptor; the server feeds it bytes and writes
// out what it queues, so the timing of every answer is decided here.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "description.h"
#include "faults.h"
#include "wire_log.h"

namespace gatesim {

using Clock = std::chrono::steady_clock;

struct Piece {
    enum class Kind { Line, Block };
    Kind kind;
    std::string bytes;  // a line without its "\r\n"
};

// Pieces that go out together, in a single write, once `due` has come.
struct Outgoing {
    Clock::time_point due;
    std::vector<Piece> pieces;

    std::string wireBytes() const;
};

class Gateway {
public:
    Gateway(GatewayDescription description, FaultSwitches faults, Timing timing, WireLog& log);

    void receive(std::span<const uint8_t> bytes, Clock::time_point now);
    // Ends a block receive whose time is up.
    void expire(Clock::time_point now);

    bool hasDue(Clock::time_point now) const;
    Outgoing popDue();
    // The next moment something is due: an answer to write or a receive to give up.
    std::optional<Clock::time_point> nextDeadline() const;

    const std::vector<uint8_t>& storedSafeValues() const { return safeValues_; }
    const std::vector<uint8_t>& storedIpSetting() const { return ipSetting_; }

private:
    enum class BlockKind { SafeValues, IpSetting };
    struct Expectation {
        BlockKind kind;
        std::size_t size;
        std::vector<uint8_t> got;
        bool blockComplete = false;
        Clock::time_point deadline;
    };

    void onLine(std::string_view line, Clock::time_point now);
    void answerPrompt(Clock::time_point now);
    void answerLoad(BlockName name, std::string_view announce, std::vector<uint8_t> block, std::string_view finish,
                    Clock::time_point now);
    // LOAD_SAFE_VALUE and LOAD_IP_SETTING: the stored block, unless a fault says otherwise.
    void answerLoadStored(BlockKind kind, Clock::time_point now);
    void answerSend(BlockKind kind, Clock::time_point now);
    void finishReceive(std::string_view line, Clock::time_point now);
    void failReceive(Clock::time_point now);

    bool mayAnswer() const;
    void answered() { ++replies_; }
    // Where a line-led piece stands: an answer of its own, or a load's finish
    // line, which is said inside the transfer its announcement began.
    enum class Place : uint8_t { Answer, InsideTransfer };
    Clock::time_point enqueue(Clock::time_point now, std::chrono::milliseconds delay, std::vector<Piece> pieces,
                              Place place = Place::Answer);
    // What a chatty gateway says ahead of an answer: its banner once, then
    // noise and blank lines (those ahead of a finish line instead, when asked to).
    std::vector<Piece> chatter(Place place);
    bool faultOn(ReplyError e) const { return faults_.replyErrors.count(e) != 0; }

    GatewayDescription description_;
    FaultSwitches faults_;
    Timing timing_;
    WireLog& log_;

    std::vector<uint8_t> safeValues_;
    std::vector<uint8_t> ipSetting_;

    std::string lineBuffer_;
    std::optional<Expectation> expecting_;
    std::deque<Outgoing> outbox_;
    Clock::time_point lastDue_{};

    unsigned replies_ = 0;
    unsigned linesReceived_ = 0;
    unsigned promptsAnswered_ = 0;
    unsigned connectReplies_ = 0;
    unsigned lateBlocksSent_ = 0;
    bool disconnectSent_ = false;
    bool overlongSent_ = false;

    // What --chaos does to the line just received.
    enum class Chaos : uint8_t {
        None,
        Silence,
        Garbage,
        Disconnect,
        OverlongLine,
        ShortBlock,
        NearlyWholeBlock,
        Noise
    };
    Chaos drawChaos(Clock::time_point now);
    std::mt19937 chaosRandom_;
    Clock::time_point chaosEnd_{};
    bool shortenNextBlock_ = false;
    std::size_t nextBlockShortBy_ = 0;
    unsigned nextNoiseLines_ = 0;
    bool bannerSent_ = false;
};

}  // namespace gatesim
