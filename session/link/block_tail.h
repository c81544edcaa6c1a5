#pragma once
// What follows a load's block that came short or late, up to its finish line.
// The rest of the block may still arrive: raw bytes, zeros and line ends among
// them, that no line read could be trusted with. They are dropped up to the
// exchange's finish line, which may stand behind them on one line or, right
// after a block that took its head, arrive without its head.

#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_session.h"
#include "serial/serial_port.h"

namespace norvik {

class BlockTail {
public:
    enum class Drop : uint8_t { Nothing, Dropped, Finished };

    BlockTail(const LinkSession& session, SerialPort& port) : session_(session), port_(port) {}

    // A block has come or failed: the next line dropped is the first after it.
    void expect() { firstLine_ = true; }
    // Drops what has come up to the line `finish`, collecting each line in
    // `buffer` (the caller's, so that dropping allocates nothing).
    Drop dropTo(std::string_view finish, std::string& buffer);

    // A load's finish line that did not come as itself: behind garbage on one
    // line (the block itself read as lines when its announcement was lost), or
    // without its head, which a block that came short took in place of its
    // missing bytes; the latter only `afterBlock`.
    static bool brokenFinish(std::string_view line, std::string_view finish, bool afterBlock);

private:
    const LinkSession& session_;
    SerialPort& port_;
    bool firstLine_ = false;
};

}  // namespace norvik
