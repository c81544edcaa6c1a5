#pragma once
// One line per item on the wire, appended and flushed at once so that a test
// reading the file while the simulator runs sees every item already exchanged.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gatesim {

class WireLog {
public:
    WireLog() = default;
    WireLog(const WireLog&) = delete;
    WireLog& operator=(const WireLog&) = delete;
    ~WireLog();

    // Throws std::runtime_error when the file cannot be opened for appending.
    void openFile(const std::string& path);
    void setVerbose(bool on) { verbose_ = on; }

    void rxLine(std::string_view text);
    void rxBlock(std::span<const uint8_t> bytes);
    void txLine(std::string_view text);
    void txBlock(std::size_t size);
    // A block the gateway has taken into its memory ("SAFE" or "IP"), as it
    // would answer a later load with it.
    void stored(std::string_view what, std::span<const uint8_t> bytes);
    // A line received and deliberately left unanswered, so a reader of the log
    // can tell "will not answer" from "has not answered yet".
    void quiet(std::string_view why);
    // Goes to stderr only, and only when verbose.
    void note(std::string_view text);

private:
    void entry(const std::string& line);

    int fd_ = -1;
    bool verbose_ = false;
};

// Control and non-ASCII bytes as \xHH so that every entry stays on one line.
std::string printable(std::string_view text);

}  // namespace gatesim
