#pragma once
// Ways the simulated gateway can misbehave, each switched on from the command line.
// A new fault is a field here, a flag in main.cpp and a branch in gateway.cpp.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <set>

namespace gatesim {

enum class ReplyError { SaveSafe, ReceiveSafe, ReadSafe, SaveIp, ReceiveIp, ReadIp };

// The blocks the gateway sends.
enum class BlockName { Parameter, FileNames, SafeValues, IpSetting };

struct FaultSwitches {
    std::optional<unsigned> silentAfter;  // answer nothing once this many replies went out
    // Vanish (the process ends, the terminal hangs up) once a block of this
    // kind ("safe" or "ip") is stored, before the reply that says so.
    std::string vanishAfterStoring;
    bool garbage = false;  // answer the prompt with a line nobody knows
    std::optional<std::size_t> truncateParameterBlock;
    std::chrono::milliseconds lateBlock{0};       // pause between an announcing line and its block
    std::optional<unsigned> lateBlockCount;       // only this many blocks come late, the rest at once
    std::set<BlockName> lateBlockNames;           // only these blocks come late (empty: all)
    std::optional<unsigned> sendDisconnectAfter;  // connect replies before one disconnect notice
    std::set<ReplyError> replyErrors;
    bool ignoreFileName = false;
    bool badFileNameReply = false;
    std::optional<std::size_t> overlongLine;  // bytes of the line sent ahead of the first prompt's answer
    std::optional<std::size_t> truncateSafeBlock;
    std::optional<std::size_t> truncateIpBlock;
    std::optional<std::size_t> truncateFileNameReply;
    std::size_t shortBlockBy = 0;         // every block sent comes this many bytes short ...
    std::set<BlockName> shortBlockNames;  // ... or only these (empty: all)
    unsigned noiseLines = 0;              // lines nobody knows ahead of every answer
    unsigned blankLines = 0;              // empty lines ahead of every answer, after the noise
    bool strayInsideTransfer = false;     // the noise and blank lines go between a block and its finish line instead
    bool banner = false;                  // a boot banner ahead of the first answer
    std::optional<unsigned> answerTwice;  // the N-th prompt (from 1) gets two connect replies
    std::optional<unsigned> pauseAt;      // the answer to the N-th line received (from 1) ...
    std::chrono::milliseconds pause{0};   // ... goes out this much later, and all after it too
    // Faults at random, for soak runs: each line received meets one of them
    // with this chance (silence, garbage, the disconnect notice, an over-long
    // line ahead of the answer, a block cut short, a block a few bytes short,
    // noise lines ahead of the answer), drawn from this seed, for this long
    // after the start.
    std::optional<uint32_t> chaosSeed;
    unsigned chaosPercent = 10;
    std::chrono::milliseconds chaosFor{0};
};

struct Timing {
    std::chrono::milliseconds finishDelay{200};  // block, then this pause, then the "finish" line
    // Norvik reads one line a second, so a block announced now may only start
    // to arrive a second or more later; this bounds the whole block and its
    // "transmit_end", counted from the announcing line.
    std::chrono::milliseconds blockTimeout{3000};
};

}  // namespace gatesim
