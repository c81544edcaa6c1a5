// Console bytes as they might trickle in from the gateway, in arbitrary pieces,
// read as lines and now and then as a block. The input's first byte says how
// many of the next bytes give the piece sizes and what is read after each
// piece; the rest is what the gateway sends.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "serial/line_reader.h"
#include "serial/serial_port.h"

namespace {

using norvik::kLineBufferSize;
using norvik::LineReader;

void require(bool holds) {
    if (!holds) std::abort();
}

// Follows every byte fed to a reader until it has left it, and checks that it
// left in a way the framing allows.
class Ledger {
public:
    explicit Ledger(LineReader& reader) : reader_(reader) {}

    void feed(std::span<const uint8_t> bytes) {
        reader_.feed(bytes);
        waiting_.insert(waiting_.end(), bytes.begin(), bytes.end());
        newlines_ += newlinesIn(bytes.begin(), bytes.end());
        fed_ += bytes.size();
        require(reader_.size() == waiting_.size());
    }

    bool takeLine(std::string& line) {
        const std::size_t before = reader_.size();
        line = "unchanged";
        const bool got = reader_.takeLine(line);
        require(reader_.size() <= before);
        std::vector<uint8_t> gone(waiting_.begin(),
                                  waiting_.begin() + static_cast<std::ptrdiff_t>(before - reader_.size()));
        waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(gone.size()));
        newlines_ -= newlinesIn(gone.begin(), gone.end());

        std::size_t pos = 0;
        if (discarding_) {
            // The tail of a cut line goes, up to and with its "\n".
            const auto nl = std::find(gone.begin(), gone.end(), uint8_t{'\n'});
            if (nl == gone.end()) {
                require(!got && waiting_.empty());
                dropped_ += gone.size();
                return false;
            }
            pos = static_cast<std::size_t>(nl - gone.begin()) + 1;
            dropped_ += pos;
            discarding_ = false;
        }
        if (!got) {
            require(line == "unchanged");
            require(pos == gone.size());
            // Nothing left behind that should have made a line.
            require(newlines_ == 0);
            require(waiting_.size() <= kLineBufferSize);
            return false;
        }

        std::vector<uint8_t> text(gone.begin() + static_cast<std::ptrdiff_t>(pos), gone.end());
        const auto nl = std::find(text.begin(), text.end(), uint8_t{'\n'});
        if (nl != text.end()) {
            // A whole line: it ends at its first "\n", and nothing behind it went.
            require(nl + 1 == text.end());
            text.pop_back();
            ++terminators_;
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
                ++terminators_;
            }
        } else {
            // Cut before its end came: only once it could not fit whatever came next.
            require(text.size() > kLineBufferSize && waiting_.empty());
            discarding_ = true;
        }
        require(line.size() <= kLineBufferSize - 1);
        require(line.find('\n') == std::string::npos && line.find('\0') == std::string::npos);
        const auto zero = std::find(text.begin(), text.end(), uint8_t{0});
        const auto kept = std::min<std::size_t>(static_cast<std::size_t>(zero - text.begin()), kLineBufferSize - 1);
        require(line.size() == kept);
        require(std::equal(line.begin(), line.end(), text.begin(),
                           [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
        lineBytes_ += line.size();
        dropped_ += text.size() - line.size();
        return true;
    }

    void takeBytes(std::size_t n) {
        std::vector<uint8_t> block(n, 0xA5);
        const std::size_t got = reader_.takeBytes(block);
        require(got == std::min(n, waiting_.size()));
        require(std::equal(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got), waiting_.begin()));
        require(std::all_of(block.begin() + static_cast<std::ptrdiff_t>(got), block.end(),
                            [](uint8_t b) { return b == 0xA5; }));
        newlines_ -= newlinesIn(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(got));
        waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(got));
        blockBytes_ += got;
        discarding_ = false;
    }

    // Nothing lost, nothing invented.
    void balance() const {
        require(reader_.size() == waiting_.size());
        require(fed_ == lineBytes_ + terminators_ + dropped_ + blockBytes_ + waiting_.size());
    }

private:
    LineReader& reader_;
    template <class It>
    static std::size_t newlinesIn(It first, It last) {
        return static_cast<std::size_t>(std::count(first, last, uint8_t{'\n'}));
    }

    std::deque<uint8_t> waiting_;
    // How many of the waiting bytes are "\n": counted as they come and go, so
    // that checking for none is not a walk over all that waits.
    std::size_t newlines_ = 0;
    bool discarding_ = false;
    std::size_t fed_ = 0;
    std::size_t lineBytes_ = 0;
    std::size_t terminators_ = 0;
    std::size_t dropped_ = 0;
    std::size_t blockBytes_ = 0;
};

std::vector<std::string> drain(LineReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.takeLine(line)) lines.push_back(line);
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t headerSize = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::span<const uint8_t> header(data + 1, headerSize);
    const std::span<const uint8_t> wire(data + 1 + headerSize, size - 1 - headerSize);

    // Each header byte: a piece of up to about 1100 bytes, so that a single
    // piece can carry more than a line buffer, and whether a block read follows.
    const auto pieceSize = [&](std::size_t i) {
        return header.empty() ? wire.size() : static_cast<std::size_t>(header[i % header.size()] >> 1) * 9 + 1;
    };

    LineReader reader;
    Ledger ledger(reader);
    std::size_t offset = 0;
    for (std::size_t i = 0; offset < wire.size(); ++i) {
        const std::size_t n = std::min(pieceSize(i), wire.size() - offset);
        ledger.feed(wire.subspan(offset, n));
        offset += n;
        std::string line;
        if (!header.empty() && (header[i % header.size()] & 1) != 0) {
            // A line announcing a block, then the block.
            ledger.takeLine(line);
            ledger.takeBytes(header[i % header.size()] % 37);
        } else {
            while (ledger.takeLine(line)) {}
        }
        ledger.balance();
    }
    ledger.balance();

    // Read as lines only, the pieces make no difference to what comes out.
    LineReader pieces;
    std::vector<std::string> piecewise;
    offset = 0;
    for (std::size_t i = 0; offset < wire.size(); ++i) {
        const std::size_t n = std::min(pieceSize(i), wire.size() - offset);
        pieces.feed(wire.subspan(offset, n));
        offset += n;
        for (auto& l : drain(pieces)) piecewise.push_back(std::move(l));
    }
    LineReader whole;
    whole.feed(wire);
    require(drain(whole) == piecewise);
    require(whole.size() == pieces.size());
    return 0;
}
