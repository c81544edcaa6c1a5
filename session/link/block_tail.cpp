#include "link/block_tail.h"

#include <span>

namespace norvik {

namespace {

// Bytes of a block that came late, dropped in one tick before its finish line;
// a bound so that a gateway streaming garbage cannot hold the tick for ever.
constexpr int kMaxDroppedBytes = 4096;

}  // namespace

BlockTail::Drop BlockTail::dropTo(std::string_view finish, std::string& buffer) {
    std::string& line = buffer;
    line.clear();
    uint8_t byte = 0;
    for (int i = 0; i < kMaxDroppedBytes; ++i) {
        const BlockReceipt r = port_.receiveBlock(session_.portNumber, std::span(&byte, 1),
                                                  blockTimeout(session_.baud, kLineTimeoutBytes));
        if (!r.whole()) return i == 0 ? Drop::Nothing : Drop::Dropped;
        if (byte != '\n') {
            line.push_back(static_cast<char>(byte));
            continue;
        }
        if (line.ends_with('\r')) line.pop_back();
        const bool headless = firstLine_ && !line.empty() && finish.ends_with(line);
        firstLine_ = false;
        if (line.ends_with(finish) || headless) return Drop::Finished;
        line.clear();
    }
    return Drop::Dropped;
}

bool BlockTail::brokenFinish(std::string_view line, std::string_view finish, bool afterBlock) {
    if (finish.empty() || line.empty() || line == finish) return false;
    const bool afterGarbage = line.ends_with(finish);
    const bool headless = finish.ends_with(line) && afterBlock;
    return afterGarbage || headless;
}

}  // namespace norvik
