#include "serial/line_reader.h"

#include <algorithm>

#include "serial/serial_port.h"

namespace norvik {

void LineReader::feed(std::span<const uint8_t> bytes) { rx_.insert(rx_.end(), bytes.begin(), bytes.end()); }

bool LineReader::takeLine(std::string& line) {
    if (discarding_) {
        const auto nl = std::find(rx_.begin(), rx_.end(), uint8_t{'\n'});
        if (nl == rx_.end()) {
            rx_.clear();
            return false;
        }
        rx_.erase(rx_.begin(), nl + 1);
        discarding_ = false;
    }
    const auto nl = std::find(rx_.begin(), rx_.end(), uint8_t{'\n'});
    if (nl != rx_.end()) {
        auto len = static_cast<std::size_t>(nl - rx_.begin());
        if (len > 0 && rx_[len - 1] == '\r') --len;
        len = std::min(len, kLineBufferSize - 1);
        line.assign(text(), len);
        rx_.erase(rx_.begin(), nl + 1);
    } else if (rx_.size() > kLineBufferSize) {
        // Even if the next byte were the "\n" behind a "\r", the text would not
        // fit, so the cut can be made now without waiting for the rest.
        line.assign(text(), kLineBufferSize - 1);
        rx_.clear();
        discarding_ = true;
    } else {
        return false;
    }
    // The line is handed on as a zero-terminated text: nothing after a zero byte counts.
    line.resize(std::min(line.find('\0'), line.size()));
    return true;
}

bool LineReader::hasLine() const {
    auto from = rx_.begin();
    if (discarding_) {
        from = std::find(rx_.begin(), rx_.end(), uint8_t{'\n'});
        if (from == rx_.end()) return false;
        ++from;
    }
    return std::find(from, rx_.end(), uint8_t{'\n'}) != rx_.end() ||
           static_cast<std::size_t>(rx_.end() - from) > kLineBufferSize;
}

std::size_t LineReader::takeBytes(std::span<uint8_t> dest) {
    discarding_ = false;
    const std::size_t got = std::min(rx_.size(), dest.size());
    std::copy_n(rx_.begin(), got, dest.begin());
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(got));
    return got;
}

void LineReader::clear() {
    std::vector<uint8_t>().swap(rx_);
    discarding_ = false;
}

}  // namespace norvik
